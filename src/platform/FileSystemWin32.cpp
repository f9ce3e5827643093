#include <windows.h>

#include <cerrno>
#include <cstring>
#include <cwchar>

#include "platform/Encoding.h"
#include "platform/FileSystem.h"

namespace lumbra {

std::string SystemErrorText(int errorNumber) {
  std::string text = std::strerror(errorNumber);
  if (text.size() > 499) text.resize(499);
  return text;
}

FilePtr OpenFile(const std::string& path, const char* mode) {
  const std::wstring widePath = PathFromUtf8(path).wstring();
  std::wstring wideMode(mode, mode + std::strlen(mode));
  return FilePtr(_wfopen(widePath.c_str(), wideMode.c_str()));
}

bool MoveReplacing(const std::string& from, const std::string& to, std::string& error) {
  const std::wstring source = PathFromUtf8(from).wstring();
  const std::wstring target = PathFromUtf8(to).wstring();
  if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD code = GetLastError();
  wchar_t buffer[500] = {};
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                                 500, nullptr);
  std::wstring wide(buffer, n);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n')) wide.pop_back();
  error = PathToUtf8(std::filesystem::path(wide));
  if (error.size() > 499) error.resize(499);
  if (error.empty()) error = "error " + std::to_string(code);
  return false;
}

bool DirectoryOrderIsStable() { return true; }

char PathSeparator() { return '\\'; }

std::string LocateDataFolder() {
  HMODULE module = nullptr;
  // The module that holds this code (the plug-in), not the host program.
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&LocateDataFolder), &module);
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  std::string folder = PathToUtf8(std::filesystem::path(path).parent_path());
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace lumbra
