#include "engine/Render.h"

#include <algorithm>
#include <cmath>

#include "core/Random.h"
#include "data/PresetData.h"
#include "data/RulerData.h"
#include "engine/Bitmap.h"
#include "engine/Edge.h"
#include "engine/Graphics.h"
#include "engine/Outline.h"

namespace lumbra {

namespace {

// Truncated toward zero, limited to the int32 range.
int32_t TruncateToInt32(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return static_cast<int32_t>(v);
}

// Places the outline of one side: mirrored across its own axis, for side 1 turned (point-symmetric
// pairs) or mirrored again (the other modes) to point backwards, shifted along itself, turned to
// theta and moved to the base point; then scaled for the job and moved to its origin.
void SetSideTransform(Graphics& g, const PlacedSide& side, uint8_t drawSide, double shift, const RenderJob& job) {
  const double scale = job.scale;
  g.ResetTransform();
  g.ScaleTransform(1, -1);
  if (side.side == 1) {
    if (drawSide == 2) g.ScaleTransform(1, -1);
    g.ScaleTransform(-1, 1);
  }
  if (side.shift != 0) g.TranslateTransform(static_cast<float>(side.shift), 0);
  g.RotateTransform(static_cast<float>(side.theta * 180 / kPi));
  g.TranslateTransform(static_cast<float>(side.x), static_cast<float>(side.y));
  if (scale != 1.0) {
    if (shift != 0) g.TranslateTransform(static_cast<float>(shift), static_cast<float>(shift));
    g.ScaleTransform(static_cast<float>(scale), static_cast<float>(scale));
  }
  if (job.originX != 0 || job.originY != 0)
    g.TranslateTransform(static_cast<float>(-job.originX), static_cast<float>(-job.originY));
}

// The points of `in`, less those within `distance` of the point kept before them (the last one
// is always kept).
void KeepPointsApart(const std::vector<PointF>& in, float distance, std::vector<PointF>& out) {
  out.clear();
  const float limit = distance * distance;
  for (size_t i = 0; i < in.size(); ++i) {
    if (!out.empty() && i + 1 < in.size()) {
      const float dx = in[i].x - out.back().x, dy = in[i].y - out.back().y;
      if (dx * dx + dy * dy < limit) continue;
    }
    out.push_back(in[i]);
  }
}

}  // namespace

uint32_t DrawnColor(uint32_t argb, bool grayscale) {
  if (!grayscale) return argb;
  const uint32_t r = (argb >> 16) & 0xFF;
  const uint32_t g = (argb >> 8) & 0xFF;
  const uint32_t b = argb & 0xFF;
  const auto grey = static_cast<uint32_t>(r * 0.298912 + g * 0.586611 + b * 0.114478);
  return 0xFF000000u | (grey << 16) | (grey << 8) | grey;
}

uint32_t StrokeColor(const CPresetData& preset) { return DrawnColor(preset.color, preset.grayscale); }
uint32_t EdgeColor(const CPresetData& preset) { return DrawnColor(preset.edgeColor, preset.grayscale); }

int32_t RenderLines(RenderJob& job) {
  if (job.preset == nullptr || job.target == nullptr) return 0;
  const CPresetData& preset = *job.preset;
  Bitmap& target = *job.target;
  Random random(job.seed ? *job.seed : Random::ClockSeed());

  Graphics g(target);
  g.SetThreadCount(job.threadCount);
  g.BeginBatch();  // the strokes are painted together, strip by strip, at EndBatch
  g.Clear(0x00000000);
  const bool scaled = job.scale != 1.0;
  if (preset.antialias == 1 || scaled) {
    g.SetSmoothingMode(SmoothingMode::HighQuality);
    g.SetPixelOffsetMode(PixelOffsetMode::Half);
  } else {
    g.SetSmoothingMode(SmoothingMode::None);
    g.SetPixelOffsetMode(PixelOffsetMode::Default);
  }

  const uint32_t color = StrokeColor(preset);
  const Brush brush = Brush::Solid(color);
  const float edgeWidth = static_cast<float>(std::clamp(preset.edgeWidth, 0, CPresetData::kMaxEdgeWidth));
  const uint32_t edgeColor = EdgeColor(preset);
  const Brush edgeBrush = Brush::Solid(edgeColor);
  // Much of every stroke lies on its own rim (or on other rims, when merged), and the rims drawn
  // separately lie on the strokes before them.
  if (edgeWidth > 0) g.SetBackdrops(edgeColor, color);
  // Merged rims are all drawn before any stroke: the strokes wait here, with where they go.
  const bool strokesWait = edgeWidth > 0 && preset.edgeMode == CPresetData::kEdgeMerged;
  struct WaitingStroke {
    Affine transform;
    std::vector<PointF> outline;
  };
  std::vector<WaitingStroke> waiting;
  CRulerData ruler;
  preset.ruler.CopyTo(ruler);
  ruler.SetMillPen(preset.penTip == 1);
  ruler.SetFixedTaper(preset.fixedTaper == 1);
  ruler.SetTaperStart(preset.taperStart);
  const int32_t halfHeight = preset.height / 2;

  std::vector<PointF> outline;
  std::vector<PointF> placed;
  std::vector<PointF> sparse;
  std::vector<PointF> rim, rimOutline;
  // Fills `polygon` under the current transform and hands it to the sink in picture coordinates.
  const auto fill = [&](const Brush& with, uint32_t argb, const std::vector<PointF>& polygon) {
    g.FillPolygon(with, polygon, FillRule::Winding);
    if (!job.strokeSink) return;
    const Affine& m = g.Transform();
    placed.resize(polygon.size());
    for (size_t i = 0; i < polygon.size(); ++i)
      placed[i] = PointF{static_cast<float>(m.X(polygon[i].x, polygon[i].y)),
                         static_cast<float>(m.Y(polygon[i].x, polygon[i].y))};
    job.strokeSink(placed, argb);
  };
  const auto beginStep = [&](int32_t, double pos, double total) {
    if (job.progress) job.progress(TruncateToInt32(pos), TruncateToInt32(total));
    return job.abort.load(std::memory_order_relaxed) == 0;
  };
  // Both sides of a step share length and thickness, so the second side reuses the outline.
  bool haveOutline = false;
  float outlineLength = 0, outlineThickness = 0;
  // Drawn at a display's scale into the part of the picture a preview shows, the strokes that
  // cannot reach the part are left out before their outlines are built: no point of an outline
  // lies farther from its base than the farthest point of the longest and thickest one (plus the
  // side's shift along itself).
  double reach = -1;  // < 0: every stroke is drawn
  if (scaled && !job.strokeSink) {
    ruler.SetLengthPercent(100);
    ruler.SetTaperStart(preset.taperStart);
    ruler.BuildOutline(ruler.GetPoints(), preset.length, halfHeight, static_cast<float>(preset.thickness), outline);
    reach = 0;
    for (const PointF& p : outline)
      reach = std::max(reach, std::hypot(static_cast<double>(p.x), static_cast<double>(p.y)));
    reach += preset.thickness + edgeWidth + 2;
  }
  const auto outOfReach = [&](const PlacedSide& side) {
    if (reach < 0) return false;
    const double r = (reach + std::fabs(side.shift)) * job.scale;
    const double x = side.x * job.scale - job.originX, y = side.y * job.scale - job.originY;
    return x + r < 0 || y + r < 0 || x - r > target.Width() || y - r > target.Height();
  };
  const auto placeSide = [&](const PlacedSide& side) {
    if (side.gap || outOfReach(side)) return;
    if (!haveOutline || side.lengthPercent != outlineLength || side.thickness != outlineThickness) {
      ruler.SetLengthPercent(side.lengthPercent);
      ruler.SetTaperStart(preset.taperStart);
      ruler.BuildOutline(ruler.GetPoints(), preset.length, halfHeight, side.thickness, outline);
      haveOutline = true;
      outlineLength = side.lengthPercent;
      outlineThickness = side.thickness;
    }
    if (outline.size() <= 1) return;
    SetSideTransform(g, side, preset.drawSide, preset.antialias == 1 ? 0.0 : 0.5, job);
    // Drawn small, the points of a curved outline crowd within a fraction of a pixel: a fifth
    // of a pixel apart is plenty, and the rasteriser has far fewer edges to walk.
    if (job.scale < 1.0) KeepPointsApart(outline, static_cast<float>(0.2 / job.scale), sparse);
    const std::vector<PointF>& drawn = job.scale < 1.0 ? sparse : outline;
    if (edgeWidth > 0) {
      // The rim's own corners need no finer detail than a quarter pixel.
      KeepPointsApart(drawn, static_cast<float>(0.25 / job.scale), rimOutline);
      EdgeContour(rimOutline, edgeWidth, static_cast<float>(0.125 / job.scale), rim);
      fill(edgeBrush, edgeColor, rim);
    }
    if (strokesWait) {
      waiting.push_back({g.Transform(), drawn});
    } else {
      fill(brush, color, drawn);
    }
  };
  const int pictureWidth = job.pictureWidth > 0 ? job.pictureWidth : target.Width();
  const int pictureHeight = job.pictureHeight > 0 ? job.pictureHeight : target.Height();
  const WalkSummary walk = WalkPlacement(preset, pictureWidth, pictureHeight, job.mask, random, beginStep, placeSide);
  // A stopped render returns at once: the strokes it kept are dropped with the Graphics, unpainted.
  if (walk.end == WalkEnd::Stopped) return 0;
  for (const WaitingStroke& stroke : waiting) {
    g.SetTransform(stroke.transform);
    fill(brush, color, stroke.outline);
  }
  if (job.paintProgress) g.SetPaintProgress(job.paintProgress);  // the painting at the end only
  g.EndBatch();
  if (walk.end != WalkEnd::Finished) return 0;
  if (job.progress) job.progress(0, 0);
  if (job.completion) job.completion();
  return 1;
}

}  // namespace lumbra
