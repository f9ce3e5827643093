#include <iostream>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "data/PresetData.h"
#include "data/RecordFile.h"
#include "ui/editors/model/PathGenerators.h"
#include "ui/editors/model/PointFile.h"
#include "ui/settings/model/PresetRanges.h"

namespace lumbra::cli {

namespace {

void CheckSpin(const text::Text& what, int value, SpinRange range) {
  CheckRange(what.Get(), value, range.min, range.max);
}

// "#RRGGBB" as an opaque ARGB colour; anything else is told with `form`.
uint32_t ParseColor(const std::string& c, const text::Text& form) {
  if (c.size() != 7 || c[0] != '#' || c.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
    throw UsageError(form.Get());
  return 0xFF000000u | static_cast<uint32_t>(std::stoul(c.substr(1), nullptr, 16));
}

}  // namespace

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
  if (!ruler.Save(name, asLatest)) throw CommandError(TextsOf(RecordKind::Ruler).notSaved.Get());
}

void SaveLayout(const LayoutOptions& o) {
  CLayoutData layout;
  if (!o.points.empty()) {
    layout.GetPoints() = ParsePoints(o.points);
    if (layout.GetPoints().empty()) throw UsageError(text::kCliPathNeedsPoint.Get());
    layout.SetMode(CLayoutData::kLine);
  } else if (!o.circle.empty()) {
    const auto v = ParseInts("--circle", o.circle, 6, "cx,cy,rx,ry,start,sweep");
    layout.SetCircle(v[0], v[1], v[2], v[3], v[4], v[5]);
  } else if (!o.line.empty()) {
    const auto v = ParseInts("--line", o.line, 5, "sx,sy,ex,ey,divisions");
    LineGenerator g{v[0], v[1], v[2], v[3], v[4]};
    const text::Text* names[] = {&text::kCliLineStartX, &text::kCliLineStartY, &text::kCliLineEndX,
                                 &text::kCliLineEndY};
    for (int i = 0; i < 4; ++i) CheckSpin(*names[i], v[i], LineGenerator::kCoordinateRange);
    CheckSpin(text::kCliLineDivisions, v[4], LineGenerator::kDivisionsRange);
    g.Apply(layout);
  } else if (!o.polygon.empty()) {
    const auto v = ParseInts("--polygon", o.polygon, 7, "cx,cy,rx,ry,vertices,start,divisions");
    PolygonGenerator g{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    CheckRange("--polygon cx", v[0], PolygonGenerator::kCentreRange.min, PolygonGenerator::kCentreRange.max);
    CheckRange("--polygon cy", v[1], PolygonGenerator::kCentreRange.min, PolygonGenerator::kCentreRange.max);
    CheckRange("--polygon rx", v[2], PolygonGenerator::kRadiusRange.min, PolygonGenerator::kRadiusRange.max);
    CheckRange("--polygon ry", v[3], PolygonGenerator::kRadiusRange.min, PolygonGenerator::kRadiusRange.max);
    CheckSpin(text::kCliPolygonVertices, v[4], PolygonGenerator::kVerticesRange);
    CheckSpin(text::kCliPolygonStart, v[5], PolygonGenerator::kStartAngleRange);
    CheckSpin(text::kCliPolygonDivisions, v[6], PolygonGenerator::kDivisionsRange);
    g.Apply(layout);
  } else {
    const PointFileResult result = ImportPointFile(o.import, layout);
    if (!result.ok) throw CommandError(o.import + "\n" + result.error);
    // The editor falls back to the default path here; a batch run should not store that unseen.
    if (result.usedDefaults) throw CommandError(o.import + "\n" + result.Summary());
    std::cerr << result.Summary() << "\n";
  }
  if (!layout.Save(o.name, o.asLatest)) throw CommandError(TextsOf(RecordKind::Layout).notSaved.Get());
}

// The stored preset `name` with its own layout and ruler (unless others are given): a record it
// names that cannot be loaded is an error, never the silent "latest" that would then be saved.
void LoadPresetStrictly(CPresetData& preset, const PresetOptions& o) {
  CheckRecordName(o.from, RecordKind::Preset);
  const std::string path = RecordPath(RecordKind::Preset, o.from);
  if (o.from == kLatestName && !FileExists(path)) return;  // the working preset: the defaults
  if (!FileExists(path)) throw CommandError(text::Format(text::kCliNoSuchPreset, {o.from}));
  std::string layoutName, rulerName;
  try {
    preset.ReadFile(path, &layoutName, &rulerName);
  } catch (const FileError& error) {
    throw CommandError(path + "\n" + error.what());
  }
  if (o.layout.empty()) LoadNamed(preset.layout, RecordKind::Layout, layoutName);
  if (o.ruler.empty()) LoadNamed(preset.ruler, RecordKind::Ruler, rulerName);
}

void SavePreset(const PresetOptions& o) {
  CPresetData preset;
  if (!o.from.empty()) LoadPresetStrictly(preset, o);
  if (!o.layout.empty()) LoadNamed(preset.layout, RecordKind::Layout, o.layout);
  if (!o.ruler.empty()) LoadNamed(preset.ruler, RecordKind::Ruler, o.ruler);
  if (!o.color.empty()) preset.color = ParseColor(o.color, text::kCliColorForm);
  if (!o.edgeColor.empty()) preset.edgeColor = ParseColor(o.edgeColor, text::kCliEdgeColorForm);
  if (!o.edgeMode.empty())
    preset.edgeMode = o.edgeMode == "merged" ? CPresetData::kEdgeMerged : CPresetData::kEdgeSeparate;
  if (!o.angle.empty()) {
    if (o.angle == "path") {
      preset.angle = CPresetData::kAngleFollowsPath;
    } else {
      const int a = ParseInts("--angle", o.angle, 1, text::kCliAngleForm)[0];
      CheckRange("--angle", a, kAngleRange.min, kAngleRange.max);
      preset.angle = static_cast<int16_t>(a);
    }
  }
  if (!o.pen.empty()) preset.penTip = o.pen == "mill" ? 1 : 0;
  const auto set = [](auto& field, const std::optional<int>& value, const char* option, ValueRange range) {
    if (!value) return;
    CheckRange(option, *value, range.min, range.max);
    field = static_cast<std::remove_reference_t<decltype(field)>>(*value);
  };
  set(preset.antialias, o.antialias, "--antialias", kSwitchRange);
  set(preset.lengthFromMask, o.lengthFromMask, "--length-from-mask", kSwitchRange);
  set(preset.drawSide, o.drawSide, "--draw-side", kFourWayRange);
  set(preset.interval, o.interval, "--interval", kIntervalRange);
  set(preset.jitter, o.jitter, "--jitter", kJitterRange);
  set(preset.overshoot, o.overshoot, "--overshoot", kOvershootRange);
  set(preset.pathPosition, o.pathPosition, "--path-position", kFourWayRange);
  set(preset.height, o.height, "--height", kHeightRange);
  set(preset.length, o.length, "--length", kLengthRange);
  set(preset.minLengthPercent, o.minLength, "--min-length", kMinPercentRange);
  set(preset.thickness, o.thickness, "--thickness", kThicknessRange);
  set(preset.minThicknessPercent, o.minThickness, "--min-thickness", kMinPercentRange);
  set(preset.taperStart, o.taperStart, "--taper-start", kTaperStartRange);
  set(preset.fixedTaper, o.fixedTaper, "--fixed-taper", kSwitchRange);
  set(preset.edgeWidth, o.edgeWidth, "--edge-width", kEdgeWidthRange);
  set(preset.bundleLines, o.bundleLines, "--bundle-lines", kBundleLinesRange);
  set(preset.bundleGap, o.bundleGap, "--bundle-gap", kBundleGapRange);
  set(preset.bundleVariation, o.bundleVariation, "--bundle-variation", kPercentRange);
  if (!preset.Save(o.name, o.asLatest)) throw CommandError(TextsOf(RecordKind::Preset).notSaved.Get());
}

nlohmann::json PresetJson(const CPresetData& p, const std::string& layoutName, const std::string& rulerName) {
  nlohmann::json angle = p.angle == CPresetData::kAngleFollowsPath ? nlohmann::json("path") : nlohmann::json(p.angle);
  // A mode this version does not know is shown as the number the file holds.
  nlohmann::json edgeMode = p.edgeMode == CPresetData::kEdgeSeparate ? nlohmann::json("separate")
                            : p.edgeMode == CPresetData::kEdgeMerged ? nlohmann::json("merged")
                                                                     : nlohmann::json(p.edgeMode);
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
          {"fixedTaper", p.fixedTaper},
          {"edgeWidth", p.edgeWidth},
          {"edgeColor", ColorText(p.edgeColor)},
          {"edgeMode", edgeMode},
          {"bundleLines", p.bundleLines},
          {"bundleGap", p.bundleGap},
          {"bundleVariation", p.bundleVariation}};
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

}  // namespace lumbra::cli
