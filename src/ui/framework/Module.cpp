#include "ui/framework/Module.h"

#include "text/Text.h"

#include "text/Text.h"

namespace lumbra {

HINSTANCE PluginModule() {
  static const HINSTANCE module = [] {
    HMODULE handle = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&PluginModule), &handle);
    return handle;
  }();
  return module;
}

std::wstring LoadResourceString(int id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
  const int n = LoadStringW(PluginModule(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (n <= 0) return {};
  const std::wstring japanese(text, static_cast<size_t>(n));
  return text::CurrentLanguage() == text::Language::Japanese ? japanese : Widen(text::Localized(Narrow(japanese)));
}

namespace {

BOOL CALLBACK LocalizeText(HWND window, LPARAM) {
  wchar_t buffer[256];
  const int n = GetWindowTextW(window, buffer, 256);
  const std::string_view english = n > 0 ? text::EnglishOf(Narrow({buffer, static_cast<size_t>(n)})) : "";
  if (!english.empty()) SetWindowTextW(window, Widen(english).c_str());
  return TRUE;
}

}  // namespace

void LocalizeWindowTexts(HWND window) {
  if (text::CurrentLanguage() == text::Language::Japanese) return;
  LocalizeText(window, 0);
  EnumChildWindows(window, LocalizeText, 0);
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace lumbra
