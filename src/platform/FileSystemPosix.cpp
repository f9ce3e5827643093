#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/FileSystem.h"

namespace lumbra {

std::string SystemErrorText(int errorNumber) {
  char buffer[500];
  buffer[0] = '\0';
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
  std::string result(text ? text : "");
  if (result.size() > 499) result.resize(499);
  return result;
}

FilePtr OpenFile(const std::string& path, const char* mode) { return FilePtr(std::fopen(path.c_str(), mode)); }

FilePtr CreateExclusiveFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return FilePtr(file);
}

bool SyncFile(std::FILE* file) { return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0; }

int CurrentProcessId() { return static_cast<int>(::getpid()); }

bool ProcessIsRunning(int pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

bool MoveReplacing(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  error = SystemErrorText(errno);
  return false;
}

bool DirectoryOrderIsStable() { return false; }

char PathSeparator() { return '/'; }

std::string LocateDataFolder() {
  std::string folder;
  if (const char* data = std::getenv("LUMBRA_DATA"); data && *data) {
    folder = data;
  } else if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    folder = std::string(xdg) + "/lumbra";
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home && *home ? home : ".") + "/.local/share/lumbra";
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace lumbra
