#include "cli/Commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/Json.h"
#include "cli/Png.h"
#include "data/RecordFile.h"
#include "data/PresetData.h"
#include "ui/editors/model/PathGenerators.h"
#include "ui/editors/model/PointFile.h"
#include "data/RulerData.h"
#include "engine/Bitmap.h"
#include "engine/Compose.h"
#include "engine/Placement.h"
#include "engine/Render.h"
#include "core/Random.h"
#include "platform/FileSystem.h"
#include "engine/Graphics.h"
#include "platform/MessageService.h"

namespace lumbra {
namespace {

// A usage error: bad values of options, told with the option's name; exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A failure of the work itself; exit status 1.
struct CommandError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

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

// The kind and version of a record file, from its magic.
struct FileHeader {
  std::optional<RecordKind> kind;
  int32_t version = 0;
};

FileHeader ReadHeader(const std::string& path) {
  RecordReader reader(path);
  const std::string magic = ReadRecordString(reader);
  FileHeader header;
  for (RecordKind kind : {RecordKind::Preset, RecordKind::Layout, RecordKind::Ruler}) {
    if (magic == RecordExtension(kind)) header.kind = kind;
  }
  if (header.kind) header.version = reader.ReadInt32();
  return header;
}

void Print(const nlohmann::json& value) { std::cout << value.dump() << "\n"; }

void SavePng(const Bitmap& bitmap, const std::string& path) {
  std::string error;
  if (!WritePng(bitmap, path, error)) throw CommandError(path + ": " + error);
}

// --- commands ---

void List(const std::string& what) {
  static const std::pair<const char*, RecordKind> kinds[] = {
      {"presets", RecordKind::Preset}, {"layouts", RecordKind::Layout}, {"rulers", RecordKind::Ruler}};
  for (const auto& [word, kind] : kinds) {
    if (what != word) continue;
    for (const std::string& name : ListRecordNames(kind)) std::cout << name << "\n";
    return;
  }
}

void SaveRuler(const std::string& name, const std::string& pointsText, bool curve, bool asLatest) {
  CRulerData ruler;
  ruler.GetPoints() = ParseRulerPoints(pointsText);
  ruler.SetMode(curve ? CRulerData::kCurve : CRulerData::kStraight);
  if (!ruler.Save(name, asLatest)) throw CommandError("the ruler was not saved");
}

// A comma-separated list of exactly `count` integers.
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

void CheckRange(const std::string& what, int value, SpinRange range) { CheckRange(what, value, range.min, range.max); }

struct LayoutOptions {
  std::string name, points, circle, line, polygon, import;
  bool asLatest = false;
};

void SaveLayout(const LayoutOptions& o) {
  CLayoutData layout;
  if (!o.points.empty()) {
    layout.GetPoints() = ParsePoints(o.points);
    if (layout.GetPoints().empty()) throw UsageError("--points: a path needs at least one point");
    layout.SetMode(CLayoutData::kLine);
  } else if (!o.circle.empty()) {
    const auto v = ParseInts("--circle", o.circle, 6, "cx,cy,rx,ry,start,sweep");
    layout.SetCircle(v[0], v[1], v[2], v[3], v[4], v[5]);
  } else if (!o.line.empty()) {
    const auto v = ParseInts("--line", o.line, 5, "sx,sy,ex,ey,divisions");
    LineGenerator g{v[0], v[1], v[2], v[3], v[4]};
    const char* names[] = {"start x", "start y", "end x", "end y"};
    for (int i = 0; i < 4; ++i) CheckRange(std::string("--line ") + names[i], v[i], LineGenerator::kCoordinateRange);
    CheckRange("--line divisions", v[4], LineGenerator::kDivisionsRange);
    g.Apply(layout);
  } else if (!o.polygon.empty()) {
    const auto v = ParseInts("--polygon", o.polygon, 7, "cx,cy,rx,ry,vertices,start,divisions");
    PolygonGenerator g{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    CheckRange("--polygon cx", v[0], PolygonGenerator::kCentreRange);
    CheckRange("--polygon cy", v[1], PolygonGenerator::kCentreRange);
    CheckRange("--polygon rx", v[2], PolygonGenerator::kRadiusRange);
    CheckRange("--polygon ry", v[3], PolygonGenerator::kRadiusRange);
    CheckRange("--polygon vertices", v[4], PolygonGenerator::kVerticesRange);
    CheckRange("--polygon start", v[5], PolygonGenerator::kStartAngleRange);
    CheckRange("--polygon divisions", v[6], PolygonGenerator::kDivisionsRange);
    g.Apply(layout);
  } else {
    const PointFileResult result = ImportPointFile(o.import, layout);
    if (!result.ok) throw CommandError(o.import + "\n" + result.error);
    // The editor falls back to the default path here; a batch run should not store that unseen.
    if (result.usedDefaults) throw CommandError(o.import + "\n" + result.Summary());
    std::cerr << result.Summary() << "\n";
  }
  if (!layout.Save(o.name, o.asLatest)) throw CommandError("the layout was not saved");
}

// Loads a stored record by name for a preset; unlike the dialog's lists, a name that is not
// stored is an error here rather than a silent fallback.
void LoadNamed(CLineData& line, RecordKind kind, const std::string& name, const char* what) {
  if (name != kLatestName && !FileExists(RecordPath(kind, name)))
    throw CommandError(std::string("there is no ") + what + " named \"" + name + "\"");
  if (!line.Load(name)) throw CommandError(std::string("the ") + what + " \"" + name + "\" could not be read");
}

void LoadPreset(CPresetData& preset, const std::string& name) {
  if (name != kLatestName && !FileExists(RecordPath(RecordKind::Preset, name)))
    throw CommandError("there is no preset named \"" + name + "\"");
  if (!preset.Load(name)) throw CommandError("the preset \"" + name + "\" could not be read");
}

struct PresetOptions {
  std::string name, layout, ruler, from, color, angle, pen;
  std::optional<int> antialias, lengthFromMask, drawSide, interval, jitter, overshoot, pathPosition, height, length,
      minLength, thickness, minThickness, taperStart, fixedTaper;
  bool asLatest = false;
};

void SavePreset(const PresetOptions& o) {
  CPresetData preset;
  if (!o.from.empty()) LoadPreset(preset, o.from);
  if (!o.layout.empty()) LoadNamed(preset.layout, RecordKind::Layout, o.layout, "layout");
  if (!o.ruler.empty()) LoadNamed(preset.ruler, RecordKind::Ruler, o.ruler, "ruler");
  if (!o.color.empty()) {
    const std::string& c = o.color;
    if (c.size() != 7 || c[0] != '#' || c.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
      throw UsageError("--color: write the colour as #RRGGBB");
    preset.color = 0xFF000000u | static_cast<uint32_t>(std::stoul(c.substr(1), nullptr, 16));
  }
  if (!o.angle.empty()) {
    if (o.angle == "path") {
      preset.angle = CPresetData::kAngleFollowsPath;
    } else {
      const int a = ParseInts("--angle", o.angle, 1, "degrees (-179 to 180) or path")[0];
      CheckRange("--angle", a, -179, 180);
      preset.angle = static_cast<int16_t>(a);
    }
  }
  if (!o.pen.empty()) preset.penTip = o.pen == "mill" ? 1 : 0;
  const auto set = [](auto& field, const std::optional<int>& value, const char* option, int min, int max) {
    if (!value) return;
    CheckRange(option, *value, min, max);
    field = static_cast<std::remove_reference_t<decltype(field)>>(*value);
  };
  set(preset.antialias, o.antialias, "--antialias", 0, 1);
  set(preset.lengthFromMask, o.lengthFromMask, "--length-from-mask", 0, 1);
  set(preset.drawSide, o.drawSide, "--draw-side", 0, 3);
  set(preset.interval, o.interval, "--interval", 1, 5000);
  set(preset.jitter, o.jitter, "--jitter", 0, 4);
  set(preset.overshoot, o.overshoot, "--overshoot", 0, 5000);
  set(preset.pathPosition, o.pathPosition, "--path-position", 0, 3);
  set(preset.height, o.height, "--height", 1, 1000);
  set(preset.length, o.length, "--length", 5, 10000);
  set(preset.minLengthPercent, o.minLength, "--min-length", 1, 100);
  set(preset.thickness, o.thickness, "--thickness", 1, 1000);
  set(preset.minThicknessPercent, o.minThickness, "--min-thickness", 1, 100);
  set(preset.taperStart, o.taperStart, "--taper-start", 0, 100);
  set(preset.fixedTaper, o.fixedTaper, "--fixed-taper", 0, 1);
  if (!preset.Save(o.name, o.asLatest)) throw CommandError("the preset was not saved");
}

std::string ColorText(uint32_t argb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", argb & 0xFFFFFF);
  return text;
}

nlohmann::json PresetJson(const CPresetData& p, const std::string& layoutName, const std::string& rulerName) {
  nlohmann::json angle = p.angle == CPresetData::kAngleFollowsPath ? nlohmann::json("path") : nlohmann::json(p.angle);
  return {{"layout", layoutName},
          {"ruler", rulerName},
          {"color", ColorText(p.color)},
          {"antialias", p.antialias},
          {"lengthFromMask", p.lengthFromMask},
          {"drawSide", p.drawSide},
          {"angle", angle},
          {"interval", p.interval},
          {"jitter", p.jitter},
          {"overshoot", p.overshoot},
          {"pathPosition", p.pathPosition},
          {"penTip", p.penTip},
          {"height", p.height},
          {"length", p.length},
          {"minLengthPercent", p.minLengthPercent},
          {"thickness", p.thickness},
          {"minThicknessPercent", p.minThicknessPercent},
          {"taperStart", p.taperStart},
          {"fixedTaper", p.fixedTaper}};
}

void Show(const std::string& path) {
  try {
    const FileHeader header = ReadHeader(path);
    nlohmann::json out;
    switch (header.kind.value_or(RecordKind::Preset)) {
      case RecordKind::Ruler:
      case RecordKind::Layout: {
        CRulerData ruler;
        CLayoutData layout;
        CLineData& line = header.kind == RecordKind::Ruler ? static_cast<CLineData&>(ruler) : layout;
        line.ReadFile(path);
        out = {{"kind", header.kind == RecordKind::Ruler ? "ruler" : "layout"},
               {"version", header.version},
               {"mode", line.GetMode()},
               {"points", PointsJson(line.GetPoints())}};
        break;
      }
      case RecordKind::Preset: {
        CPresetData preset;
        std::string layoutName, rulerName;
        preset.ReadFile(path, &layoutName, &rulerName);
        out = {{"kind", "preset"}, {"version", header.version}};
        out.update(PresetJson(preset, layoutName, rulerName));
        break;
      }
    }
    Print(out);
  } catch (const FileError& error) {
    throw CommandError(path + "\n" + error.what());
  }
}

struct OutlineOptions {
  std::string rulerName, rulerFile, points, pen = "mill", png;
  bool curve = false, fixedTaper = false, preview = false;
  int length = 0, rulerHeight = 0;
  float thickness = 0, taperStart = 50, lengthPercent = 100;
};

void Outline(const OutlineOptions& o) {
  CRulerData ruler;
  if (!o.rulerName.empty()) {
    if (!ruler.Load(o.rulerName)) throw CommandError("cannot load the ruler \"" + o.rulerName + "\"");
  } else if (!o.rulerFile.empty()) {
    try {
      ruler.ReadFile(o.rulerFile);
    } catch (const FileError& error) {
      throw CommandError(o.rulerFile + "\n" + error.what());
    }
  } else if (!o.points.empty()) {
    ruler.GetPoints() = ParseRulerPoints(o.points);
    ruler.SetMode(o.curve ? CRulerData::kCurve : CRulerData::kStraight);
  }
  ruler.SetMillPen(o.pen == "mill");
  ruler.SetFixedTaper(o.fixedTaper);
  ruler.SetTaperStart(o.taperStart);
  ruler.SetLengthPercent(o.lengthPercent);

  std::vector<PointF> outline;
  ruler.BuildOutline(ruler.GetPoints(), o.length, o.rulerHeight, o.thickness, outline);
  Print({{"points", PointsJson(outline)}});
  if (o.png.empty()) return;

  if (o.preview) {
    // The ruler editor's canvas: the ruler's axis across the middle.
    Bitmap canvas(600, 300);
    if (!canvas.Ok()) throw CommandError("cannot make a picture");
    ruler.DrawPreview(canvas, 0, 5, canvas.Height() / 2, canvas.Width() - 5, canvas.Height() - 5);
    SavePng(canvas, o.png);
    return;
  }
  // The stroke in black on white, anti-aliased, with a margin round its bounds.
  float minX = 0, minY = 0, maxX = 1, maxY = 1;
  for (const PointF& p : outline) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  const float margin = 8;
  const double w = std::ceil(maxX - minX + 2 * margin), h = std::ceil(maxY - minY + 2 * margin);
  if (!(w > 0 && h > 0 && w * h <= 100e6)) throw CommandError("the outline is too large to draw");
  Bitmap picture(static_cast<int>(w), static_cast<int>(h));
  if (!picture.Ok())
    throw CommandError("cannot make a picture of " + std::to_string(int(w)) + " x " + std::to_string(int(h)));
  Graphics g(picture);
  g.Clear(0xFFFFFFFF);
  g.SetSmoothingMode(SmoothingMode::HighQuality);
  g.SetPixelOffsetMode(PixelOffsetMode::Half);
  g.TranslateTransform(margin - minX, margin - minY);
  g.FillPolygon(Brush::Solid(0xFF000000), outline, FillRule::Winding);
  SavePng(picture, o.png);
}

struct RenderOptions {
  std::string preset, presetFile, mask, size, input, output, svg;
  std::optional<uint32_t> seed;
  bool grayscale = false, linesOnly = false;
};

void LoadPresetFor(CPresetData& preset, const RenderOptions& o) {
  if (!o.presetFile.empty()) {
    try {
      preset.ReadFile(o.presetFile);
    } catch (const FileError& error) {
      throw CommandError(o.presetFile + "\n" + error.what());
    }
  } else {
    LoadPreset(preset, o.preset);
  }
  preset.grayscale = o.grayscale;
}

// A selection mask read from a PNG, of the picture's size.
struct Mask {
  std::vector<uint8_t> bytes;
  MaskInfo info;
};

std::optional<Mask> LoadMask(const std::string& path, int width, int height) {
  if (path.empty()) return std::nullopt;
  Mask mask;
  int w = 0, h = 0;
  std::string error;
  mask.bytes = ReadPngMask(path, w, h, error);
  if (mask.bytes.empty()) throw CommandError(path + ": " + error);
  if (w != width || h != height)
    throw CommandError(path + ": the mask is " + std::to_string(w) + " x " + std::to_string(h) +
                       ", the picture " + std::to_string(width) + " x " + std::to_string(height));
  mask.info = {mask.bytes.data(), w, h, w};
  return mask;
}

void Place(const RenderOptions& o) {
  CPresetData preset;
  LoadPresetFor(preset, o);
  int width = 0, height = 0;
  char x = 0, extra = 0;
  std::istringstream size(o.size);
  if (!(size >> width >> x >> height) || (x != 'x' && x != 'X') || (size >> extra) || width < 1 || height < 1 ||
      width > Bitmap::kMaxSide || height > Bitmap::kMaxSide)
    throw UsageError("--size: write it as WxH, for example 1920x1080");
  const std::optional<Mask> mask = LoadMask(o.mask, width, height);
  Random random(o.seed.value_or(Random::ClockSeed()));
  const WalkSummary summary = WalkPlacement(
      preset, width, height, mask ? &mask->info : nullptr, random, [](int32_t, double, double) { return true; },
      [](const PlacedSide& s) {
        Print({{"step", s.step},
               {"pos", FloatJson(static_cast<float>(s.pos))},
               {"x", FloatJson(static_cast<float>(s.x))},
               {"y", FloatJson(static_cast<float>(s.y))},
               {"theta", FloatJson(static_cast<float>(s.theta))},
               {"side", s.side},
               {"shift", FloatJson(static_cast<float>(s.shift))},
               {"thickness", FloatJson(s.thickness)},
               {"lengthPercent", FloatJson(s.lengthPercent)}});
      });
  Print({{"steps", summary.steps}, {"total", FloatJson(static_cast<float>(summary.total))}});
}

// A file written beside its final path and moved there only when complete, so that a failed
// run leaves no output behind.
class OutputFile {
 public:
  explicit OutputFile(std::string path) : path_(std::move(path)), temporary_(path_ + ".part") {}
  ~OutputFile() {
    if (!done_) RemoveFile(temporary_);
  }
  const std::string& Temporary() const { return temporary_; }
  void Commit() {
    std::string error;
    if (!MoveReplacing(temporary_, path_, error)) throw CommandError(path_ + ": " + error);
    done_ = true;
  }

 private:
  std::string path_, temporary_;
  bool done_ = false;
};

std::string SvgPath(const std::vector<PointF>& polygon) {
  std::string d;
  char buffer[64];
  for (size_t i = 0; i < polygon.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%s%.2f %.2f", i == 0 ? "M" : " L", polygon[i].x, polygon[i].y);
    d += buffer;
  }
  return d + " Z";
}

void Render(const RenderOptions& o) {
  CPresetData preset;
  LoadPresetFor(preset, o);
  std::string error;
  Bitmap picture = ReadPng(o.input, error);
  if (!picture.Ok()) throw CommandError(o.input + ": " + error);
  const std::optional<Mask> mask = LoadMask(o.mask, picture.Width(), picture.Height());
  Bitmap layer(picture.Width(), picture.Height());
  if (!layer.Ok())
    throw CommandError("not enough memory for a line layer of " + std::to_string(picture.Width()) + " x " +
                       std::to_string(picture.Height()));

  std::string svg;
  RenderJob job;
  job.preset = &preset;
  job.target = &layer;
  job.mask = mask ? &mask->info : nullptr;
  job.seed = o.seed;
  const bool showProgress = isatty(STDERR_FILENO);
  int shown = -1;
  job.progress = [&](int32_t position, int32_t total) {
    if (!showProgress || total <= 0) return;
    const int percent = static_cast<int>(100.0 * position / total);
    if (percent == shown) return;
    shown = percent;
    std::fprintf(stderr, "\rrendering [%-40s] %3d%%", std::string(static_cast<size_t>(percent * 40 / 100), '#').c_str(),
                 percent);
  };
  if (!o.svg.empty()) {
    job.strokeSink = [&](const std::vector<PointF>& polygon, uint32_t argb) {
      char fill[64];
      std::snprintf(fill, sizeof fill, "\" fill=\"%s\" fill-opacity=\"%.3f\"/>\n", ColorText(argb).c_str(),
                    (argb >> 24) / 255.0);
      svg += "<path d=\"" + SvgPath(polygon) + fill;
    };
  }
  RenderLines(job);
  if (showProgress) std::fprintf(stderr, "\rrendering [%s] 100%%\n", std::string(40, '#').c_str());

  if (!o.linesOnly) ComposeOver(picture, layer);
  OutputFile output(o.output);
  if (!WritePng(o.linesOnly ? layer : picture, output.Temporary(), error)) throw CommandError(o.output + ": " + error);
  if (!o.svg.empty()) {
    OutputFile vector(o.svg);
    FilePtr file = OpenFile(vector.Temporary(), "wb");
    if (!file) throw CommandError(o.svg + ": " + SystemErrorText(errno));
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                       std::to_string(picture.Width()) + "\" height=\"" + std::to_string(picture.Height()) +
                       "\" viewBox=\"0 0 " + std::to_string(picture.Width()) + " " +
                       std::to_string(picture.Height()) + "\" fill-rule=\"nonzero\">\n" + svg + "</svg>\n";
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() || std::fflush(file.get()) != 0)
      throw CommandError(o.svg + ": " + SystemErrorText(errno));
    file.reset();
    vector.Commit();
  }
  output.Commit();
}

}  // namespace

int RunLumbra(int argc, char** argv) {
  CLI::App app{"lumbra: comic effect lines - records, outlines and renders"};
  app.require_subcommand(1);
  app.fallthrough();  // --data may also follow the command
  std::string dataFolder;
  app.add_option("--data", dataFolder, "Data folder (default: $LUMBRA_DATA, else $XDG_DATA_HOME/lumbra)");

  std::string listWhat;
  auto* list = app.add_subcommand("list", "List the stored names of a kind");
  list->add_option("kind", listWhat, "presets, layouts or rulers")
      ->required()
      ->check(CLI::IsMember({"presets", "layouts", "rulers"}));

  auto* ruler = app.add_subcommand("ruler", "Author rulers");
  ruler->require_subcommand(1);
  auto* rulerSave = ruler->add_subcommand("save", "Store a ruler under a name");
  std::string rulerName, rulerPoints;
  bool rulerCurve = false, rulerLatest = false, yes = false;
  rulerSave->add_option("name", rulerName, "Record name")->required();
  rulerSave->add_option("--points", rulerPoints, "Points \"x,y;x,y;...\" (x 0..100, y -100..100)")->required();
  rulerSave->add_flag("--curve", rulerCurve, "A curve instead of straight segments");
  rulerSave->add_flag("--latest", rulerLatest, "Store it as the working ruler \"latest\"");
  rulerSave->add_flag("--yes", yes, "Answer OK when asked to overwrite");

  auto* layoutCmd = app.add_subcommand("layout", "Author layouts");
  layoutCmd->require_subcommand(1);
  auto* layoutSave = layoutCmd->add_subcommand("save", "Store a layout under a name");
  LayoutOptions lo;
  layoutSave->add_option("name", lo.name, "Record name")->required();
  auto* sources = layoutSave->add_option_group("source", "Where the layout comes from");
  sources->add_option("--points", lo.points, "A path \"x,y;x,y;...\" in percent of the picture");
  sources->add_option("--circle", lo.circle, "An arc: cx,cy,rx,ry,start,sweep (percent, degrees)");
  sources->add_option("--line", lo.line, "A straight line in divisions: sx,sy,ex,ey,n");
  sources->add_option("--polygon", lo.polygon, "A polygon: cx,cy,rx,ry,vertices,start,divisions");
  sources->add_option("--import", lo.import, "A comma-separated point file");
  sources->require_option(1);
  layoutSave->add_flag("--latest", lo.asLatest, "Store it as the working layout \"latest\"");
  layoutSave->add_flag("--yes", yes, "Answer OK when asked to overwrite");

  auto* presetCmd = app.add_subcommand("preset", "Author presets");
  presetCmd->require_subcommand(1);
  auto* presetSave = presetCmd->add_subcommand("save", "Store a preset under a name");
  PresetOptions po;
  presetSave->add_option("name", po.name, "Record name")->required();
  presetSave->add_option("--layout", po.layout, "A stored layout");
  presetSave->add_option("--ruler", po.ruler, "A stored ruler");
  presetSave->add_option("--from", po.from, "Start from this stored preset instead of the defaults");
  presetSave->add_option("--color", po.color, "Drawing colour #RRGGBB");
  presetSave->add_option("--antialias", po.antialias, "0 or 1");
  presetSave->add_option("--length-from-mask", po.lengthFromMask, "0 or 1");
  presetSave->add_option("--draw-side", po.drawSide, "0 right/inside, 1 left/outside, 2 both point-symmetric, 3 both mirrored");
  presetSave->add_option("--angle", po.angle, "Fixed angle in degrees (-179 to 180), or path");
  presetSave->add_option("--interval", po.interval, "Spacing in pixels (1 to 5000)");
  presetSave->add_option("--jitter", po.jitter, "0 to 4");
  presetSave->add_option("--overshoot", po.overshoot, "Pixels (0 to 5000)");
  presetSave->add_option("--path-position", po.pathPosition, "0 frame, 1 centre, 2 left/top, 3 right/bottom");
  presetSave->add_option("--pen", po.pen, "g or mill")->check(CLI::IsMember({"g", "mill"}));
  presetSave->add_option("--height", po.height, "Pixels (1 to 1000)");
  presetSave->add_option("--length", po.length, "Pixels (5 to 10000)");
  presetSave->add_option("--min-length", po.minLength, "Percent (1 to 100)");
  presetSave->add_option("--thickness", po.thickness, "Pixels (1 to 1000)");
  presetSave->add_option("--min-thickness", po.minThickness, "Percent (1 to 100)");
  presetSave->add_option("--taper-start", po.taperStart, "Percent (0 to 100)");
  presetSave->add_option("--fixed-taper", po.fixedTaper, "0 or 1");
  presetSave->add_flag("--latest", po.asLatest, "Store it as the working preset \"latest\"");
  presetSave->add_flag("--yes", yes, "Answer OK when asked to overwrite");

  RenderOptions ro;
  const auto presetSource = [&ro](CLI::App* command) {
    auto* group = command->add_option_group("preset", "The preset to draw");
    group->add_option("--preset", ro.preset, "A stored preset");
    group->add_option("--preset-file", ro.presetFile, "A preset file");
    group->require_option(1);
    command->add_option("--seed", ro.seed, "Seed of the random generator (default: the clock)");
    command->add_option("--mask", ro.mask, "Selection mask: grey or alpha PNG of the picture's size, 128+ selected");
    command->add_flag("--grayscale", ro.grayscale, "Draw as on a grey picture");
  };
  auto* place = app.add_subcommand("place", "Print where the strokes of a preset stand, as JSON lines");
  presetSource(place);
  place->add_option("--size", ro.size, "Picture size WxH")->required();
  auto* render = app.add_subcommand("render", "Draw a preset's lines over a PNG picture");
  presetSource(render);
  render->add_flag("--lines-only", ro.linesOnly, "Write the line layer alone (transparent elsewhere)");
  render->add_option("--svg", ro.svg, "Also write the strokes as SVG paths");
  render->add_option("input", ro.input, "Picture (PNG)")->required();
  render->add_option("output", ro.output, "Result (PNG)")->required();

  std::string showPath;
  auto* show = app.add_subcommand("show", "Print a record file as JSON");
  show->add_option("file", showPath, "A .qmfruler, .qmflayout or .qmfpreset file")->required();

  OutlineOptions o;
  auto* outline = app.add_subcommand("outline", "Print the outline of one stroke (and draw it)");
  auto* byName = outline->add_option("--ruler", o.rulerName, "A stored ruler");
  auto* byFile = outline->add_option("--ruler-file", o.rulerFile, "A ruler file");
  auto* byPoints = outline->add_option("--points", o.points, "Ruler points \"x,y;x,y;...\"");
  byName->excludes(byFile)->excludes(byPoints);
  byFile->excludes(byPoints);
  outline->add_flag("--curve", o.curve, "The points form a curve")->needs(byPoints);
  outline->add_option("--length", o.length, "Stroke length in pixels")->required()->check(CLI::Range(0, 100000));
  outline->add_option("--ruler-height", o.rulerHeight, "Pixels that y = 100 maps to")
      ->required()
      ->check(CLI::Range(-100000, 100000));
  outline->add_option("--thickness", o.thickness, "Pen thickness in pixels")
      ->required()
      ->check(CLI::Range(0.0, 10000.0));
  outline->add_option("--pen", o.pen, "Pen tip: g or mill")->check(CLI::IsMember({"g", "mill"}));
  outline->add_option("--taper-start", o.taperStart, "Taper start, percent")->check(CLI::Range(0.0, 100.0));
  outline->add_option("--length-percent", o.lengthPercent, "Drawn length, percent")->check(CLI::Range(0.0, 100.0));
  outline->add_flag("--fixed-taper", o.fixedTaper, "Keep the taper's length fixed");
  auto* png = outline->add_option("--png", o.png, "Also draw into this PNG file");
  outline->add_flag("--preview", o.preview, "Draw the ruler's preview instead of the stroke")->needs(png);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }

  ConsoleMessageService messages(yes ? ConsoleMessageService::Policy::Accept : ConsoleMessageService::Policy::Decline);
  SetMessageService(&messages);
  struct Restore {
    ~Restore() { SetMessageService(nullptr); }
  } restore;
  if (!dataFolder.empty()) SetDataFolder(dataFolder);

  try {
    if (*list) List(listWhat);
    if (*rulerSave) SaveRuler(rulerName, rulerPoints, rulerCurve, rulerLatest);
    if (*layoutSave) SaveLayout(lo);
    if (*presetSave) SavePreset(po);
    if (*show) Show(showPath);
    if (*place) Place(ro);
    if (*render) Render(ro);
    if (*outline) Outline(o);
  } catch (const UsageError& e) {
    std::cerr << "lumbra: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "lumbra: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace lumbra
