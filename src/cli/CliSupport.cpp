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
      throw UsageError("--points: \"" + pair + "\" is not a point; write points as \"x,y;x,y;...\"");
    points.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
  }
  return points;
}

std::vector<Point> ParseRulerPoints(const std::string& text) {
  std::vector<Point> points = ParsePoints(text);
  if (points.empty()) throw UsageError("--points: a ruler needs at least one point");
  for (const Point& p : points) {
    if (p.x < 0 || p.x > 100 || p.y < -100 || p.y > 100)
      throw UsageError("--points: (" + std::to_string(p.x) + "," + std::to_string(p.y) +
                       ") is outside a ruler's range (x 0 to 100, y -100 to 100)");
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

std::vector<int> ParseInts(const std::string& option, const std::string& text, size_t count, const char* form) {
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
      throw UsageError(option + ": \"" + item + "\" is not a whole number");
    values.push_back(static_cast<int>(v));
  }
  if (values.size() != count) throw UsageError(option + ": write it as " + form);
  return values;
}

void CheckRange(const std::string& what, long long value, long long min, long long max) {
  if (value < min || value > max)
    throw UsageError(what + ": " + std::to_string(value) + " is outside " + std::to_string(min) + " to " +
                     std::to_string(max));
}

void CheckRecordName(const std::string& name, const char* what) {
  if (!IsRecordName(name))
    throw CommandError(std::string("\"") + DisplayName(name) + "\" cannot name a " + what +
                       ": names may not be empty, \".\" or \"..\", nor hold /, \\, : or control characters");
}

void LoadNamed(CLineData& line, RecordKind kind, const std::string& name, const char* what) {
  CheckRecordName(name, what);
  if (name != kLatestName && !FileExists(RecordPath(kind, name)))
    throw CommandError(std::string("there is no ") + what + " named \"" + name + "\"");
  if (!line.Load(name)) throw CommandError(std::string("the ") + what + " \"" + name + "\" could not be read");
}

void LoadPreset(CPresetData& preset, const std::string& name) {
  CheckRecordName(name, "preset");
  if (name != kLatestName && !FileExists(RecordPath(RecordKind::Preset, name)))
    throw CommandError("there is no preset named \"" + name + "\"");
  if (!preset.Load(name)) throw CommandError("the preset \"" + name + "\" could not be read");
}

std::string ColorText(uint32_t argb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", argb & 0xFFFFFF);
  return text;
}

}  // namespace lumbra::cli
