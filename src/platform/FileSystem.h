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

bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Creates a directory (and any missing parents); true when it exists afterwards.
bool MakeDirectory(const std::string& path);
bool RemoveFile(const std::string& path);
// Moves `from` over `to`, replacing it in one step. On failure returns the system's error text.
bool MoveReplacing(const std::string& from, const std::string& to, std::string& error);
// Names of the regular files in a folder, in the order the system lists them.
std::vector<std::string> ListFiles(const std::string& folder);
// True when the system's directory listing has a stable order of its own (Windows: NTFS keeps
// names sorted); elsewhere the callers sort.
bool DirectoryOrderIsStable();

// The folder that holds the data of this program, ending with a path separator:
// the plug-in's own module folder on Windows, or %APPDATA%\Korvane\Lumbra\ when no file can be
// created there (the caller keeps the answer for the life of the process); LUMBRA_DATA, else $XDG_DATA_HOME/lumbra,
// else ~/.local/share/lumbra elsewhere.
std::string LocateDataFolder();
char PathSeparator();

}  // namespace lumbra
