#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>

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

FilePtr CreateExclusiveFile(const std::string& path) {
  const std::wstring widePath = PathFromUtf8(path).wstring();
  HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = GetLastError() == ERROR_FILE_EXISTS ? EEXIST : EACCES;
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (!file) _close(fd);
  return FilePtr(file);
}

bool SyncFile(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) return true;
  errno = EIO;
  return false;
}

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

bool ProcessIsRunning(int pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

bool MoveReplacing(const std::string& from, const std::string& to, std::string& error) {
  const std::wstring source = PathFromUtf8(from).wstring();
  const std::wstring target = PathFromUtf8(to).wstring();
  // Another process reading the record holds it open for a moment: try again for a while.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD code = GetLastError();
    if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) break;
    Sleep(20);
  }
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

namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

// Whether a new file can be created in the folder (tried, then removed at once).
bool CanCreateFileIn(const std::wstring& folder) {
  const std::wstring probe = folder + L"\\.lumbra-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetTickCount64()) + L".probe";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// %APPDATA%\Korvane\Lumbra, created when missing; empty when there is no such folder.
std::wstring UserDataFolder() {
  std::wstring appData(32768, L'\0');
  const DWORD n = GetEnvironmentVariableW(L"APPDATA", appData.data(), static_cast<DWORD>(appData.size()));
  if (n == 0 || n >= appData.size()) return {};
  appData.resize(n);
  const std::filesystem::path folder = std::filesystem::path(appData) / L"Korvane" / L"Lumbra";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error) ? folder.wstring() : std::wstring();
}

}  // namespace

std::string LocateDataFolder() {
  HMODULE module = nullptr;
  // The module that holds this code (the plug-in), not the host program.
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&LocateDataFolder), &module);
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  const std::wstring moduleFolder = std::filesystem::path(path).parent_path().wstring();
  // Hosts install plug-ins where users often cannot write (Program Files): the data then lives
  // in the user's own application-data folder.
  if (!CanCreateFileIn(moduleFolder)) {
    const std::wstring userFolder = UserDataFolder();
    if (!userFolder.empty()) return WithSeparator(PathToUtf8(std::filesystem::path(userFolder)));
  }
  return WithSeparator(PathToUtf8(std::filesystem::path(moduleFolder)));
}

}  // namespace lumbra
