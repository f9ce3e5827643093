#include "data/Record.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <mutex>
#include <optional>

#include "text/Text.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/MessageService.h"

namespace lumbra {
namespace {

std::mutex g_folderMutex;
std::optional<std::string> g_dataFolder;
// One flag per kind: its subfolder has not been ensured yet.
std::array<bool, 3> g_folderPending = {true, true, true};

std::string Format(std::string_view pattern, std::string_view value) {
  const size_t at = pattern.find("%s");
  if (at == std::string_view::npos) return std::string(pattern);
  std::string result;
  result.reserve(pattern.size() + value.size());
  result.append(pattern.substr(0, at)).append(value).append(pattern.substr(at + 2));
  return result;
}

bool IsReservedChar(unsigned char c) {
  return c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
}

}  // namespace

std::string GetDataFolder() {
  std::lock_guard lock(g_folderMutex);
  if (!g_dataFolder) g_dataFolder = LocateDataFolder();
  return *g_dataFolder;
}

void SetDataFolder(std::string folder) {
  if (folder.empty()) folder = ".";
  if (folder.back() != '/' && folder.back() != PathSeparator()) folder += PathSeparator();
  std::lock_guard lock(g_folderMutex);
  g_dataFolder = std::move(folder);
  g_folderPending = {true, true, true};
}

std::string RecordSubfolder(RecordKind kind) {
  static constexpr const char* names[] = {"preset", "layout", "ruler"};
  return std::string(names[static_cast<int>(kind)]) + PathSeparator();
}

const char* RecordExtension(RecordKind kind) {
  static constexpr const char* extensions[] = {".qmfpreset", ".qmflayout", ".qmfruler"};
  return extensions[static_cast<int>(kind)];
}

bool IsRecordName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  }
  return true;
}

std::string DisplayName(std::string_view name, bool everyByte) {
  std::string shown;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (everyByte || c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    } else {
      shown += ch;
    }
  }
  return shown;
}

std::string NotARecordNameText(std::string_view name) { return Format(text::kNameNotRepresentable, DisplayName(name)); }

std::string RecordPath(RecordKind kind, std::string_view name) {
  return GetDataFolder() + RecordSubfolder(kind) + std::string(name) + RecordExtension(kind);
}

void EnsureRecordFolder(RecordKind kind) {
  const std::string folder = GetDataFolder();
  {
    std::lock_guard lock(g_folderMutex);
    bool& pending = g_folderPending[static_cast<size_t>(kind)];
    if (!pending) return;
    pending = false;
  }
  // A folder that cannot be made shows up later as the write error of a save.
  MakeDirectory(folder);
  MakeDirectory(folder + RecordSubfolder(kind));
}

std::string TrimReservedCp932(std::string_view s) {
  // Split into characters first so that a trail byte is never taken for a reserved character.
  std::vector<std::pair<size_t, size_t>> chars;  // offset, length
  for (size_t i = 0; i < s.size();) {
    const size_t len = IsCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
    chars.emplace_back(i, len);
    i += len;
  }
  auto reserved = [&](const std::pair<size_t, size_t>& c) {
    return c.second == 1 && IsReservedChar(static_cast<unsigned char>(s[c.first]));
  };
  size_t first = 0, last = chars.size();
  while (first < last && reserved(chars[first])) ++first;
  while (last > first && reserved(chars[last - 1])) --last;
  if (first == last) return {};
  const size_t begin = chars[first].first;
  const size_t end = chars[last - 1].first + chars[last - 1].second;
  return std::string(s.substr(begin, end - begin));
}

bool PrepareRecordPath(int kind, bool asLatest, std::string& name) {
  if (asLatest) {
    name = kLatestName;
  } else {
    const std::optional<std::string> cp932 = Utf8ToCp932(name);
    if (!cp932) {
      ShowMessage(Format(text::kNameNotRepresentable, name), text::kCaptionNotice, MessageIcon::Warning);
      return false;
    }
    const std::string asked = name;
    name = *Cp932ToUtf8(TrimReservedCp932(*cp932));
    if (!IsRecordName(name)) {
      ShowMessage(NotARecordNameText(asked), text::kCaptionNotice, MessageIcon::Warning);
      return false;
    }
    if (name == kLatestName) {
      ShowMessage(Format(text::kReservedName, kLatestName), text::kCaptionNotice, MessageIcon::Warning);
      return false;
    }
  }
  if (kind < 0 || kind > 2) return false;
  name = RecordPath(static_cast<RecordKind>(kind), name);
  if (!asLatest && FileExists(name)) {
    const MessageAnswer answer = ShowMessage(Format(text::kOverwrite, name), text::kCaptionConfirm,
                                             MessageIcon::Question, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok) return false;
  }
  return true;
}

std::vector<std::string> ListRecordNames(RecordKind kind) {
  const std::string extension = RecordExtension(kind);
  std::vector<std::string> names;
  for (const std::string& file : ListFiles(GetDataFolder() + RecordSubfolder(kind))) {
    if (file.size() < extension.size() || file.compare(file.size() - extension.size(), extension.size(), extension))
      continue;
    std::string title = file.substr(0, file.size() - extension.size());
    if (title == kLatestName || !IsRecordName(title)) continue;
    names.push_back(std::move(title));
  }
  if (!DirectoryOrderIsStable()) {
    // A stable order: by the names' code page 932 bytes.
    auto key = [](const std::string& name) { return Utf8ToCp932(name).value_or(name); };
    std::stable_sort(names.begin(), names.end(),
                     [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
  }
  return names;
}

}  // namespace lumbra
