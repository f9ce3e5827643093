#include "cli/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/Json.h"
#include "cli/Png.h"
#include "data/RecordFile.h"
#include "data/RulerData.h"
#include "engine/Bitmap.h"
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

// The kind of a record file, from its magic.
std::optional<RecordKind> FileKind(const std::string& path) {
  RecordReader reader(path);
  const std::string magic = ReadRecordString(reader);
  for (RecordKind kind : {RecordKind::Preset, RecordKind::Layout, RecordKind::Ruler}) {
    if (magic == RecordExtension(kind)) return kind;
  }
  return std::nullopt;
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

void Show(const std::string& path) {
  std::optional<RecordKind> kind;
  try {
    kind = FileKind(path);
  } catch (const FileError& error) {
    throw CommandError(path + "\n" + error.what());
  }
  if (kind != RecordKind::Ruler) throw CommandError(path + "\n" + "未対応形式のファイルです。");
  CRulerData ruler;
  try {
    ruler.ReadFile(path);
  } catch (const FileError& error) {
    throw CommandError(path + "\n" + error.what());
  }
  Print({{"kind", "ruler"}, {"version", 1000}, {"mode", ruler.GetMode()}, {"points", PointsJson(ruler.GetPoints())}});
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
    if (*show) Show(showPath);
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
