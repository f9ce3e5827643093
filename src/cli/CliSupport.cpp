#include <cerrno>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "cli/CliCommands.h"
#include "cli/Png.h"
#include "data/PresetData.h"
#include "platform/Encoding.h"
#include "platform/FileSystem.h"

namespace lumbra::cli {

std::vector<Point> ParsePoints(const std::string& text) {
  std::vector<Point> points;
  std::stringstream pairs(text);
  std::string pair;
  while (std::getline(pairs, pair, ';')) {
    if (pair.find_first_not_of(" \t") == std::string::npos) continue;
    long long x = 0, y = 0;
    char comma = 0, extra = 0;
    std::istringstream in(pair);
    if (!(in >> x >> comma >> y) || comma != ',' || (in >> extra) || x < INT32_MIN || x > INT32_MAX || y < INT32_MIN ||
        y > INT32_MAX)
      throw UsageError(text::Format(text::kCliNotAPoint, {pair}));
    points.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
  }
  return points;
}

std::vector<Point> ParseRulerPoints(const std::string& text) {
  std::vector<Point> points = ParsePoints(text);
  if (points.empty()) throw UsageError(text::kCliRulerNeedsPoint.Get());
  for (const Point& p : points) {
    if (p.x < 0 || p.x > 100 || p.y < -100 || p.y > 100)
      throw UsageError(text::Format(text::kCliOutsideRuler, {std::to_string(p.x), std::to_string(p.y)}));
  }
  return points;
}

void Print(const nlohmann::json& value) { std::cout << value.dump() << "\n"; }

OutputFile::OutputFile(const std::string& path) : path_(path) {
  if (path == "-") {
    direct_ = stdout;
    return;
  }
  namespace fs = std::filesystem;
  fs::path target = PathFromUtf8(path);
  std::error_code ec;
  for (int depth = 0; depth < 40 && fs::is_symlink(target, ec); ++depth) {
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  const fs::file_status status = fs::status(target, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    errno = 0;
    opened_ = OpenFile(PathToUtf8(target), "wb");
    if (!opened_) throw CommandError(path + ": " + SystemErrorText(errno ? errno : EIO));
    direct_ = opened_.get();
    return;
  }
  std::string error;
  if (!replacing_.Open(PathToUtf8(target), ".part", error)) throw CommandError(path + ": " + error);
}

std::FILE* OutputFile::File() { return direct_ ? direct_ : replacing_.File(); }

void OutputFile::Commit() {
  std::string error;
  if (direct_) {
    errno = 0;
    if (std::fflush(direct_) != 0) throw CommandError(path_ + ": " + SystemErrorText(errno ? errno : EIO));
    return;
  }
  if (!replacing_.Commit(error)) throw CommandError(path_ + ": " + error);
}

void SavePng(const Bitmap& bitmap, const std::string& path) {
  OutputFile output(path);
  std::string error;
  if (!WritePng(bitmap, output.File(), error)) throw CommandError(path + ": " + error);
  output.Commit();
}

std::vector<int> ParseInts(const std::string& option, const std::string& text, size_t count, std::string_view form) {
  std::vector<int> values;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    size_t used = 0;
    long long v = 0;
    try {
      v = std::stoll(item, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || item.find_first_not_of(" \t", used) != std::string::npos || v < INT32_MIN || v > INT32_MAX)
      throw UsageError(text::Format(text::kCliNotWholeNumber, {option, item}));
    values.push_back(static_cast<int>(v));
  }
  if (values.size() != count) throw UsageError(text::Format(text::kCliWriteItAs, {option, form}));
  return values;
}

void CheckRange(const std::string& what, long long value, long long min, long long max) {
  if (value < min || value > max)
    throw UsageError(
        text::Format(text::kCliOutsideRange, {what, std::to_string(value), std::to_string(min), std::to_string(max)}));
}

const RecordTexts& TextsOf(RecordKind kind) {
  using namespace text;
  static const RecordTexts preset{kCliCannotNamePreset, kCliNoSuchPreset,   kCliPresetUnreadable, kCliPresetNotSaved,
                                  kCliHelpPresets,      kCliHelpSavePreset, kCliHelpLatestPreset};
  static const RecordTexts layout{kCliCannotNameLayout, kCliNoSuchLayout,   kCliLayoutUnreadable, kCliLayoutNotSaved,
                                  kCliHelpLayouts,      kCliHelpSaveLayout, kCliHelpLatestLayout};
  static const RecordTexts ruler{kCliCannotNameRuler, kCliNoSuchRuler,   kCliRulerUnreadable, kCliRulerNotSaved,
                                 kCliHelpRulers,      kCliHelpSaveRuler, kCliHelpLatestRuler};
  switch (kind) {
    case RecordKind::Preset: return preset;
    case RecordKind::Layout: return layout;
    case RecordKind::Ruler: return ruler;
  }
  return preset;
}

void CheckRecordName(const std::string& name, RecordKind kind) {
  if (!IsRecordName(name))
    throw CommandError(text::Format(TextsOf(kind).cannotName, {DisplayName(name)}) + text::kCliNameRule);
}

namespace {

// The checks before a stored record is loaded.
void CheckStored(RecordKind kind, const std::string& name) {
  CheckRecordName(name, kind);
  if (name != kLatestName && !FileExists(RecordPath(kind, name)))
    throw CommandError(text::Format(TextsOf(kind).noSuch, {name}));
}

}  // namespace

void LoadNamed(CLineData& line, RecordKind kind, const std::string& name) {
  CheckStored(kind, name);
  if (!line.Load(name)) throw CommandError(text::Format(TextsOf(kind).unreadable, {name}));
}

void LoadPreset(CPresetData& preset, const std::string& name) {
  CheckStored(RecordKind::Preset, name);
  if (!preset.Load(name)) throw CommandError(text::Format(text::kCliPresetUnreadable, {name}));
}

std::string ColorText(uint32_t argb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", argb & 0xFFFFFF);
  return text;
}

}  // namespace lumbra::cli
