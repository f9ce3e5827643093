#include <windows.h>

#include "platform/Encoding.h"

namespace lumbra {
namespace {

std::optional<std::wstring> ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n);
  return wide;
}

std::optional<std::string> FromWide(UINT codePage, const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL* used = utf8 ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, used);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), n, nullptr, used);
  if (usedDefault) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  auto wide = ToWide(CP_UTF8, utf8);
  if (!wide) return std::nullopt;
  return FromWide(932, *wide);
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
  auto wide = ToWide(932, cp932);
  if (!wide) return std::nullopt;
  return FromWide(CP_UTF8, *wide);
}

}  // namespace lumbra
