#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sstream>

#include "cli/CliCommands.h"
#include "cli/Json.h"
#include "cli/Png.h"
#include "core/Random.h"
#include "data/PresetData.h"
#include "data/RecordFile.h"
#include "engine/Bitmap.h"
#include "engine/Compose.h"
#include "engine/Graphics.h"
#include "engine/Placement.h"
#include "engine/Render.h"
#include "platform/FileSystem.h"

namespace lumbra::cli {

void Outline(const OutlineOptions& o) {
  CRulerData ruler;
  if (!o.rulerName.empty()) {
    if (!ruler.Load(o.rulerName)) throw CommandError(text::Format(text::kCliCannotLoadRuler, {o.rulerName}));
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
    if (!canvas.Ok()) throw CommandError(text::kCliCannotMakePicture.Get());
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
  if (!(w > 0 && h > 0 && w * h <= 100e6)) throw CommandError(text::kCliOutlineTooLarge.Get());
  Bitmap picture(static_cast<int>(w), static_cast<int>(h));
  if (!picture.Ok())
    throw CommandError(text::Format(text::kCliCannotMakePictureOf, {std::to_string(int(w)), std::to_string(int(h))}));
  Graphics g(picture);
  g.Clear(0xFFFFFFFF);
  g.SetSmoothingMode(SmoothingMode::HighQuality);
  g.SetPixelOffsetMode(PixelOffsetMode::Half);
  g.TranslateTransform(margin - minX, margin - minY);
  g.FillPolygon(Brush::Solid(0xFF000000), outline, FillRule::Winding);
  SavePng(picture, o.png);
}

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
  std::string error;
  mask.bytes = ReadPngMask(path, width, height, error);
  if (mask.bytes.empty()) throw CommandError(path + ": " + error);
  mask.info = {mask.bytes.data(), width, height, width};
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
    throw UsageError(text::kCliSizeForm.Get());
  const std::optional<Mask> mask = LoadMask(o.mask, width, height);
  Random random(o.seed.value_or(Random::ClockSeed()));
  const WalkSummary summary = WalkPlacement(
      preset, width, height, mask ? &mask->info : nullptr, random, [](int32_t, double, double) { return true; },
      [](const PlacedSide& s) {
        nlohmann::json line = {{"step", s.step},
                               {"pos", FloatJson(static_cast<float>(s.pos))},
                               {"x", FloatJson(static_cast<float>(s.x))},
                               {"y", FloatJson(static_cast<float>(s.y))},
                               {"theta", FloatJson(static_cast<float>(s.theta))},
                               {"side", s.side},
                               {"shift", FloatJson(static_cast<float>(s.shift))},
                               {"thickness", FloatJson(s.thickness)},
                               {"lengthPercent", FloatJson(s.lengthPercent)}};
        if (s.gap) line["gap"] = true;  // in the gap between two bundles: not drawn
        Print(line);
      });
  Print({{"steps", summary.steps}, {"total", FloatJson(static_cast<float>(summary.total))}});
}

std::string SvgPath(const std::vector<PointF>& polygon) {
  std::string d;
  char buffer[64];
  for (size_t i = 0; i < polygon.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%s%.2f %.2f", i == 0 ? "M" : " L", polygon[i].x, polygon[i].y);
    d += buffer;
  }
  return d + " Z";
}

void DrawLayer(const Bitmap& picture, RenderJob& job, Bitmap& layer) {
  if (layer.Width() != picture.Width() || layer.Height() != picture.Height() || layer.Format() != PixelFormat::Argb32) {
    layer = Bitmap();
    layer = Bitmap(picture.Width(), picture.Height());
  }
  if (!layer.Ok())
    throw CommandError(
        text::Format(text::kCliNoMemoryForLayer, {std::to_string(picture.Width()), std::to_string(picture.Height())}));
  job.target = &layer;
  RenderLines(job);
  job.target = nullptr;
}

void Render(const RenderOptions& o) {
  CPresetData preset;
  LoadPresetFor(preset, o);
  std::string error;
  Bitmap picture = ReadPng(o.input, error);
  if (!picture.Ok()) throw CommandError(o.input + ": " + error);
  const std::optional<Mask> mask = LoadMask(o.mask, picture.Width(), picture.Height());

  std::string svg;
  RenderJob job;
  job.preset = &preset;
  job.mask = mask ? &mask->info : nullptr;
  job.seed = o.seed;
  const bool showProgress = isatty(STDERR_FILENO);
  int shown = -1;
  job.progress = [&](int32_t position, int32_t total) {
    if (!showProgress || total <= 0) return;
    const int percent = static_cast<int>(100.0 * position / total);
    if (percent == shown) return;
    shown = percent;
    std::fprintf(stderr, "\r%s [%-40s] %3d%%", text::kCliRendering.Get(),
                 std::string(static_cast<size_t>(percent * 40 / 100), '#').c_str(), percent);
  };
  if (!o.svg.empty()) {
    job.strokeSink = [&](const std::vector<PointF>& polygon, uint32_t argb) {
      char fill[64];
      std::snprintf(fill, sizeof fill, "\" fill=\"%s\" fill-opacity=\"%.3f\"/>\n", ColorText(argb).c_str(),
                    (argb >> 24) / 255.0);
      svg += "<path d=\"" + SvgPath(polygon) + fill;
    };
  }
  Bitmap layer;
  DrawLayer(picture, job, layer);
  if (showProgress) std::fprintf(stderr, "\r%s [%s] 100%%\n", text::kCliRendering.Get(), std::string(40, '#').c_str());

  if (!o.linesOnly) ComposeOver(picture, layer);
  OutputFile output(o.output);
  if (!WritePng(o.linesOnly ? layer : picture, output.File(), error)) throw CommandError(o.output + ": " + error);
  if (!o.svg.empty()) {
    OutputFile vector(o.svg);
    std::FILE* file = vector.File();
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
        std::to_string(picture.Width()) + "\" height=\"" + std::to_string(picture.Height()) + "\" viewBox=\"0 0 " +
        std::to_string(picture.Width()) + " " + std::to_string(picture.Height()) + "\" fill-rule=\"nonzero\">\n" + svg +
        "</svg>\n";
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size())
      throw CommandError(o.svg + ": " + SystemErrorText(errno ? errno : EIO));
    vector.Commit();
  }
  output.Commit();
}

}  // namespace lumbra::cli
