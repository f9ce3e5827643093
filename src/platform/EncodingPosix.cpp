#include <errno.h>
#include <iconv.h>

#include <vector>

#include "platform/Encoding.h"

namespace lumbra {
namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view text) {
  if (text.empty()) return std::string();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input(text);
  std::vector<char> output(text.size() * 4 + 16);
  char* in = input.data();
  size_t inLeft = input.size();
  char* out = output.data();
  size_t outLeft = output.size();
  const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  // Any irreversible conversion means a character was approximated: refuse it.
  if (result != 0 || inLeft != 0) return std::nullopt;
  return std::string(output.data(), output.size() - outLeft);
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8); }

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) { return Convert("UTF-8", "CP932", cp932); }

}  // namespace lumbra
