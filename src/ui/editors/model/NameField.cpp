#include "ui/editors/model/NameField.h"

#include <algorithm>

#include "platform/Encoding.h"

namespace lumbra {
namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte length of the character that starts at `i` (a stray byte counts as one character).
std::size_t CharacterSize(std::string_view text, std::size_t i) {
  std::size_t n = 1;
  while (i + n < text.size() && IsContinuation(text[i + n])) ++n;
  return n;
}

std::size_t Cp932CharacterLength(std::string_view character) {
  if (character.size() == 1) return 1;  // ASCII, or a stray byte shown as one character
  const auto converted = Utf8ToCp932(character);
  return converted && !converted->empty() ? converted->size() : 2;
}

}  // namespace

std::size_t Cp932Length(std::string_view utf8) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t n = CharacterSize(utf8, i);
    length += Cp932CharacterLength(utf8.substr(i, n));
    i += n;
  }
  return length;
}

std::string CutToCp932Length(std::string_view utf8, std::size_t limit) {
  std::size_t length = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t n = CharacterSize(utf8, i);
    length += Cp932CharacterLength(utf8.substr(i, n));
    if (length > limit) break;
    i += n;
  }
  return std::string(utf8.substr(0, i));
}

std::optional<FittedName> FitNameEdit(std::string_view before, std::string_view after, std::size_t limit) {
  if (Cp932Length(after) <= limit) return std::nullopt;
  // What the change inserted lies between the part both texts begin with and the part both end with.
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  while (prefix > 0 && ((prefix < before.size() && IsContinuation(before[prefix])) ||
                        (prefix < after.size() && IsContinuation(after[prefix]))))
    --prefix;
  std::size_t suffix = 0;
  while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) ++suffix;
  while (suffix > 0 && IsContinuation(after[after.size() - suffix])) --suffix;

  const std::string_view head = after.substr(0, prefix);
  const std::string_view tail = after.substr(after.size() - suffix);
  const std::size_t kept = Cp932Length(head) + Cp932Length(tail);
  const std::string inserted =
      CutToCp932Length(after.substr(prefix, after.size() - suffix - prefix), kept < limit ? limit - kept : 0);
  FittedName fitted{std::string(head) + inserted + std::string(tail), prefix + inserted.size()};
  if (fitted.text == after) return std::nullopt;
  return fitted;
}

}  // namespace lumbra
