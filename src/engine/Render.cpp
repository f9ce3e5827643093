#include "engine/Render.h"

#include <cmath>

#include "core/Random.h"
#include "data/PresetData.h"
#include "data/RulerData.h"
#include "engine/Bitmap.h"
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
// theta and moved to the base point.
void SetSideTransform(Graphics& g, const PlacedSide& side, uint8_t drawSide, double scale, double shift) {
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

uint32_t StrokeColor(const CPresetData& preset) {
  if (!preset.grayscale) return preset.color;
  const uint32_t r = (preset.color >> 16) & 0xFF;
  const uint32_t g = (preset.color >> 8) & 0xFF;
  const uint32_t b = preset.color & 0xFF;
  const auto grey = static_cast<uint32_t>(r * 0.298912 + g * 0.586611 + b * 0.114478);
  return 0xFF000000u | (grey << 16) | (grey << 8) | grey;
}

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
  CRulerData ruler;
  preset.ruler.CopyTo(ruler);
  ruler.SetMillPen(preset.penTip == 1);
  ruler.SetFixedTaper(preset.fixedTaper == 1);
  ruler.SetTaperStart(preset.taperStart);
  const int32_t halfHeight = preset.height / 2;

  std::vector<PointF> outline;
  std::vector<PointF> placed;
  std::vector<PointF> sparse;
  const auto beginStep = [&](int32_t, double pos, double total) {
    if (job.progress) job.progress(TruncateToInt32(pos), TruncateToInt32(total));
    return job.abort.load(std::memory_order_relaxed) == 0;
  };
  // Both sides of a step share length and thickness, so the second side reuses the outline.
  bool haveOutline = false;
  float outlineLength = 0, outlineThickness = 0;
  const auto placeSide = [&](const PlacedSide& side) {
    if (!haveOutline || side.lengthPercent != outlineLength || side.thickness != outlineThickness) {
      ruler.SetLengthPercent(side.lengthPercent);
      ruler.SetTaperStart(preset.taperStart);
      ruler.BuildOutline(ruler.GetPoints(), preset.length, halfHeight, side.thickness, outline);
      haveOutline = true;
      outlineLength = side.lengthPercent;
      outlineThickness = side.thickness;
    }
    if (outline.size() <= 1) return;
    SetSideTransform(g, side, preset.drawSide, job.scale, preset.antialias == 1 ? 0.0 : 0.5);
    if (job.scale < 1.0) {
      // Drawn small, the points of a curved outline crowd within a fraction of a pixel: a fifth
      // of a pixel apart is plenty, and the rasteriser has far fewer edges to walk.
      KeepPointsApart(outline, static_cast<float>(0.2 / job.scale), sparse);
      g.FillPolygon(brush, sparse, FillRule::Winding);
    } else {
      g.FillPolygon(brush, outline, FillRule::Winding);
    }
    if (job.strokeSink) {
      const Affine& m = g.Transform();
      placed.resize(outline.size());
      for (size_t i = 0; i < outline.size(); ++i) {
        placed[i] = PointF{static_cast<float>(m.X(outline[i].x, outline[i].y)),
                           static_cast<float>(m.Y(outline[i].x, outline[i].y))};
      }
      job.strokeSink(placed, color);
    }
  };
  const int pictureWidth = job.pictureWidth > 0 ? job.pictureWidth : target.Width();
  const int pictureHeight = job.pictureHeight > 0 ? job.pictureHeight : target.Height();
  const WalkSummary walk = WalkPlacement(preset, pictureWidth, pictureHeight, job.mask, random, beginStep, placeSide);
  // A stopped render returns at once: the strokes it kept are dropped with the Graphics, unpainted.
  if (walk.end == WalkEnd::Stopped) return 0;
  if (job.paintProgress) g.SetPaintProgress(job.paintProgress);  // the painting at the end only
  g.EndBatch();
  if (walk.end != WalkEnd::Finished) return 0;
  if (job.progress) job.progress(0, 0);
  if (job.completion) job.completion();
  return 1;
}

}  // namespace lumbra
