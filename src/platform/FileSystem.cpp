#include "platform/FileSystem.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/Encoding.h"

namespace lumbra {

namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(PathFromUtf8(path), ec);
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(PathFromUtf8(path), ec);
}

bool MakeDirectory(const std::string& path) {
  std::error_code ec;
  fs::create_directories(PathFromUtf8(path), ec);
  return IsDirectory(path);
}

bool RemoveFile(const std::string& path) {
  std::error_code ec;
  return fs::remove(PathFromUtf8(path), ec);
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(PathFromUtf8(folder), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    names.push_back(PathToUtf8(it->path().filename()));
  }
  return names;
}

}  // namespace lumbra
