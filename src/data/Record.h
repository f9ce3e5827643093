// The data folder, record kinds and names, and the length-prefixed record string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumbra {

enum class RecordKind : int { Preset = 0, Layout = 1, Ruler = 2 };

inline constexpr char kLatestName[] = "latest";

// The folder that holds the record subfolders, ending with a path separator; located once
// per process (see LocateDataFolder) unless a program sets its own.
std::string GetDataFolder();
void SetDataFolder(std::string folder);

// Subfolder ("ruler" + separator) and extension (".qmfruler", also the file's magic) of a kind.
std::string RecordSubfolder(RecordKind kind);
const char* RecordExtension(RecordKind kind);

// Creates the kind's subfolder once per process (again after SetDataFolder).
void EnsureRecordFolder(RecordKind kind);

// Turns a record name into the full path to write. With asLatest the name becomes "latest";
// otherwise reserved characters are trimmed from both ends, a name that is not a record name or
// is "latest" is refused with a message, and an existing file is overwritten only when the user
// agrees. False means nothing may be written.
bool PrepareRecordPath(int kind, bool asLatest, std::string& name);

// Whether `name` (UTF-8) can name a record: not empty, not "." or "..", no path separator (/ or
// \), no colon and no control character (NUL, newline...). Names from anywhere (command line,
// name entry, record files) pass here before they reach a path, so none leads out of the folder.
bool IsRecordName(std::string_view name);
// The name as a message shows it: control characters (or, with everyByte, all bytes) written as
// \xNN.
std::string DisplayName(std::string_view name, bool everyByte = false);
// The message that refuses `name` as a record name ("[name]という登録名には、...").
std::string NotARecordNameText(std::string_view name);

// Full path of a record (no checks): data folder + subfolder + name + extension.
std::string RecordPath(RecordKind kind, std::string_view name);

// The stored names of a kind ("latest" and files whose names are no record names are never among
// them).
std::vector<std::string> ListRecordNames(RecordKind kind);

// Trims backslash, slash, colon, asterisk, question mark, double quote, less-than, greater-than
// and vertical bar from both ends of a code page 932 string, never splitting a double-byte character.
std::string TrimReservedCp932(std::string_view cp932);

}  // namespace lumbra
