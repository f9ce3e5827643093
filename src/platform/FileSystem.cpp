#include "platform/FileSystem.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
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

namespace {

// Removes the temporaries of `target` that a process no longer running left behind, and the one
// name earlier versions used (`<target><tag>`), which no running save uses any more.
void RemoveStaleTemporaries(const fs::path& target, const std::string& tag) {
  const std::string prefix = PathToUtf8(target.filename()) + tag;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (const std::string& name : ListFiles(PathToUtf8(folder))) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    bool stale = name.size() == prefix.size();
    if (!stale && name[prefix.size()] == '-') {
      char* end = nullptr;
      const long pid = std::strtol(name.c_str() + prefix.size() + 1, &end, 10);
      stale = end && *end == '-' && pid > 0 && !ProcessIsRunning(static_cast<int>(pid));
    }
    if (stale) RemoveFile(PathToUtf8(folder / PathFromUtf8(name)));
  }
}

std::atomic<unsigned> g_temporaryCount{0};

}  // namespace

ReplacingFile::~ReplacingFile() {
  if (committed_ || temporary_.empty()) return;
  file_.reset();
  RemoveFile(temporary_);
}

bool ReplacingFile::Open(const std::string& target, const std::string& tag, std::string& error) {
  target_ = target;
  RemoveStaleTemporaries(PathFromUtf8(target), tag);
  const std::string stem = target + tag + "-" + std::to_string(CurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = stem + std::to_string(g_temporaryCount.fetch_add(1));
    errno = 0;
    file_ = CreateExclusiveFile(temporary_);
    if (file_) return true;
    if (errno != EEXIST) break;
  }
  error = SystemErrorText(errno ? errno : EIO);
  temporary_.clear();
  return false;
}

bool ReplacingFile::Commit(std::string& error) {
  errno = 0;
  if (!SyncFile(file_.get())) {
    error = SystemErrorText(errno ? errno : EIO);
    return false;
  }
  std::FILE* file = file_.release();
  if (std::fclose(file) != 0) {
    error = SystemErrorText(errno ? errno : EIO);
    return false;
  }
  if (!MoveReplacing(temporary_, target_, error)) return false;
  committed_ = true;
  return true;
}

}  // namespace lumbra
