// The file services the data layer asks of the system. Paths are UTF-8.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace lumbra {

// The system's description of an error number, at most 499 bytes (UTF-8).
std::string SystemErrorText(int errorNumber);

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen with a UTF-8 path; null on failure with errno set.
FilePtr OpenFile(const std::string& path, const char* mode);

// Creates `path` for writing only when nothing at all is there yet (not even a symbolic link,
// which is never followed); null with errno set otherwise.
FilePtr CreateExclusiveFile(const std::string& path);
// Flushes the file's buffers and its data to the disk; false with errno set on failure.
bool SyncFile(std::FILE* file);
int CurrentProcessId();
// False only when no process with this id runs any more.
bool ProcessIsRunning(int pid);

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Creates a directory (and any missing parents); true when it exists afterwards.
bool MakeDirectory(const std::string& path);
bool RemoveFile(const std::string& path);
// Moves `from` over `to`, replacing it in one step (on Windows retried for a moment while
// another process holds `to` open). On failure returns the system's error text.
bool MoveReplacing(const std::string& from, const std::string& to, std::string& error);
// Names of the regular files in a folder, in the order the system lists them.
std::vector<std::string> ListFiles(const std::string& folder);
// True when the system's directory listing has a stable order of its own (Windows: NTFS keeps
// names sorted); elsewhere the callers sort.
bool DirectoryOrderIsStable();

// A file written under a temporary name of its own beside `target` ("<target><tag>-<pid>-<n>",
// created exclusively, never through a link) and moved over the target in one step only when
// complete, so that a reader sees the old file or the whole new one and concurrent writers never
// share a temporary. Not committed, the temporary is removed. Temporaries of the same target left
// behind by processes that no longer run (a killed save) are removed when the next one opens.
class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // False with the system's error text when no temporary can be created.
  bool Open(const std::string& target, const std::string& tag, std::string& error);
  std::FILE* File() const { return file_.get(); }
  // Flushes the file to the disk, closes it and moves it over the target.
  bool Commit(std::string& error);

 private:
  std::string target_, temporary_;
  FilePtr file_;
  bool committed_ = false;
};

// The folder that holds the data of this program, ending with a path separator:
// the plug-in's own module folder on Windows, or %APPDATA%\Korvane\Lumbra\ when no file can be
// created there (the caller keeps the answer for the life of the process); LUMBRA_DATA, else $XDG_DATA_HOME/lumbra,
// else ~/.local/share/lumbra elsewhere.
std::string LocateDataFolder();
char PathSeparator();

}  // namespace lumbra
