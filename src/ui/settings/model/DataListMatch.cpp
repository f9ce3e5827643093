#include "ui/settings/model/DataListMatch.h"

#include <cstdint>

#include "data/Record.h"

namespace lumbra {

namespace {

// Lower-cases A-Z and the full-width Ａ-Ｚ (EF BC A1..BA in UTF-8, lower case EF BD 81..9A).
std::string Folded(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c >= 'A' && c <= 'Z') {
      out += static_cast<char>(c - 'A' + 'a');
    } else if (c == 0xEF && i + 2 < text.size() && static_cast<uint8_t>(text[i + 1]) == 0xBC &&
               static_cast<uint8_t>(text[i + 2]) >= 0xA1 && static_cast<uint8_t>(text[i + 2]) <= 0xBA) {
      out += "\xEF\xBD";
      out += static_cast<char>(static_cast<uint8_t>(text[i + 2]) - 0xA1 + 0x81);
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

int MatchingEntry(const std::vector<std::string>& entries, const std::string& name) {
  if (name == kLatestName) return -1;
  const std::string wanted = Folded(name);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (Folded(entries[i]) == wanted) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace lumbra
