#include <errno.h>
#include <stdio.h>
#include <string.h>

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
