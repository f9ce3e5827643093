// The commands of the `lumbra` program and what they share.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Geometry.h"
#include "data/Record.h"
#include "platform/FileSystem.h"
#include "text/Text.h"

namespace lumbra {

class Bitmap;
class CLineData;
class CPresetData;
struct RenderJob;

namespace cli {

// A usage error: bad values of options, told with the option's name; exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A failure of the work itself; exit status 1.
struct CommandError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Points written "x,y;x,y;...".
std::vector<Point> ParsePoints(const std::string& text);
// The same, within a ruler's range (x 0 to 100, y -100 to 100) and not empty.
std::vector<Point> ParseRulerPoints(const std::string& text);
// A comma-separated list of exactly `count` integers; `form` tells the user how to write it.
std::vector<int> ParseInts(const std::string& option, const std::string& text, size_t count, std::string_view form);
void CheckRange(const std::string& what, long long value, long long min, long long max);

// Where a picture or an SVG goes: "-" is standard output; a symbolic link is followed to the
// file it names (the link itself stays); a FIFO, a device or another non-regular file is written
// in place; a regular file, or a new one, is written through an exclusive temporary of its own
// beside it and moved over it when complete, so a failed run leaves no output behind.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  std::FILE* File();
  void Commit();

 private:
  std::string path_;
  std::FILE* direct_ = nullptr;
  FilePtr opened_;
  ReplacingFile replacing_;
};

void Print(const nlohmann::json& value);
void SavePng(const Bitmap& bitmap, const std::string& path);
std::string ColorText(uint32_t argb);  // "#RRGGBB"

// Stored records by name; unlike the dialog's lists, a name that is not stored is an error here
// rather than a silent fallback.
void LoadNamed(CLineData& line, RecordKind kind, const std::string& name);
// A CommandError unless `name` can name a record of the kind (see IsRecordName).
void CheckRecordName(const std::string& name, RecordKind kind);
void LoadPreset(CPresetData& preset, const std::string& name);

// What is said of each kind of record: its errors, and its commands in the help.
struct RecordTexts {
  const text::Text& cannotName;  // {1}: the name
  const text::Text& noSuch;      // {1}: the name
  const text::Text& unreadable;  // {1}: the name
  const text::Text& notSaved;
  const text::Text& helpGroup;
  const text::Text& helpSave;
  const text::Text& helpLatest;
};
const RecordTexts& TextsOf(RecordKind kind);

struct LayoutOptions {
  std::string name, points, circle, line, polygon, import;
  bool asLatest = false;
};

struct PresetOptions {
  std::string name, layout, ruler, from, color, angle, pen, edgeColor, edgeMode;
  std::optional<int> antialias, lengthFromMask, drawSide, interval, jitter, overshoot, pathPosition, height, length,
      minLength, thickness, minThickness, taperStart, fixedTaper, edgeWidth, bundleLines, bundleGap, bundleVariation;
  bool asLatest = false;
};

struct OutlineOptions {
  std::string rulerName, rulerFile, points, pen = "mill", png;
  bool curve = false, fixedTaper = false, preview = false;
  int length = 0, rulerHeight = 0;
  float thickness = 0, taperStart = 50, lengthPercent = 100;
};

struct RenderOptions {
  std::string preset, presetFile, mask, size, input, output, svg;
  std::optional<uint32_t> seed;
  bool grayscale = false, linesOnly = false;
  // With --out-dir: the pictures, the folder they go to, and how many are done at once (0: one per core).
  std::vector<std::string> inputs;
  std::string outDir;
  int jobs = 0;
};

// The preset of --preset or --preset-file, marked grayscale with --grayscale.
void LoadPresetFor(CPresetData& preset, const RenderOptions& options);
// Draws the job's lines into `layer`, made (or kept when it has it already) of the picture's size;
// the pass clears it first.
void DrawLayer(const Bitmap& picture, RenderJob& job, Bitmap& layer);

void List(const std::string& what);
void SaveRuler(const std::string& name, const std::string& pointsText, bool curve, bool asLatest);
void SaveLayout(const LayoutOptions& options);
void SavePreset(const PresetOptions& options);
void Show(const std::string& path);
void Outline(const OutlineOptions& options);
void Place(const RenderOptions& options);
void Render(const RenderOptions& options);
// Every input to --out-dir (RenderPages.h).
void RenderToFolder(const RenderOptions& options);

}  // namespace cli
}  // namespace lumbra
