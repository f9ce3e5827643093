#include "engine/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/LayoutData.h"
#include "data/PresetData.h"
#include "engine/Outline.h"

namespace lumbra {

namespace {

constexpr double kHalfPi = 1.57079632675;

// One random value as a fraction, 0 to 1 inclusive.
double Fraction(Random& random) { return random.Next() / static_cast<double>(Random::kMax); }

// (v + 0.5) truncated toward zero, as a pixel index; values beyond the int range (and NaN) become
// an index far outside any mask on the same side.
int64_t PixelIndex(double v) {
  const double t = v + 0.5;
  if (!(t > -1e15)) return std::numeric_limits<int32_t>::min();
  if (!(t < 1e15)) return std::numeric_limits<int32_t>::max();
  return static_cast<int64_t>(t);
}

// The square the layout is mapped into: its offset and side (or the frame's two sides).
struct Mapping {
  double ox, oy;
  int64_t sx, sy;
};

Mapping MappingFor(const PictureRect& rect, uint8_t pathPosition) {
  const int64_t w = int64_t{rect.right} - rect.left;
  const int64_t h = int64_t{rect.bottom} - rect.top;
  Mapping m{static_cast<double>(rect.left), static_cast<double>(rect.top), w, h};
  if (pathPosition == 0) return m;
  const int64_t s = w < h ? w : h;
  const int64_t diff = w < h ? h - w : w - h;
  double& along = w < h ? m.oy : m.ox;
  if (pathPosition == 3) along += static_cast<double>(diff);
  if (pathPosition == 1) along += static_cast<double>(diff) / 2;
  m.sx = m.sy = s;
  return m;
}

PointD Scaled(const Mapping& m, Point p) {
  return {static_cast<double>(m.sx * p.x) / 100, static_cast<double>(m.sy * p.y) / 100};
}

void AppendPiece(std::vector<CPathData>& path, const PointD& from, const PointD& to) {
  path.emplace_back(from.x, from.y, to.x, to.y, path.empty() ? 0.0 : path.back().endDistance);
}

void BuildArc(const std::vector<Point>& entries, uint8_t pathPosition, const PictureRect& rect,
              std::vector<CPathData>& path) {
  if (entries.size() < 3) return;
  const PointD r = LayoutScale(rect, entries[1], pathPosition);
  const PointD c = LayoutToImage(rect, entries[0], pathPosition);
  const double circumference = std::sqrt((r.x * r.x + r.y * r.y) / 2) * kTwoPi;
  const double a0 = (entries[2].x - 90.0) * kPi / 180;
  const double sweep = entries[2].y * kPi / 180;
  const double s0 = circumference * a0 / kTwoPi;
  const double span = circumference * sweep / kTwoPi;
  if (!(span != 0) || !std::isfinite(span)) return;
  const double end = s0 + span;
  // One pixel of arc per piece, in the direction of the sweep, within the piece budget.
  double step = std::max(1.0, std::fabs(span) / static_cast<double>(kMaxArcPieces));
  if (span < 0) step = -step;
  const auto pointAt = [&](double s) {
    const double a = kTwoPi * s / circumference;
    return PointD{c.x + r.x * std::cos(a), c.y + r.y * std::sin(a)};
  };
  path.reserve(static_cast<size_t>(std::fabs(span) / std::fabs(step)) + 2);
  PointD previous{};
  bool first = true;
  double s = s0;
  for (; span > 0 ? s < end : s > end; s += step) {
    const PointD q = pointAt(s);
    if (!first) AppendPiece(path, previous, q);
    previous = q;
    first = false;
  }
  // The path reaches, or passes slightly, the end angle.
  if (!path.empty()) AppendPiece(path, previous, pointAt(s));
}

// The direction at piece k: its own, or for a piece without length the nearest one with length
// before it, else after it.
double DirectionAt(const std::vector<CPathData>& path, size_t k) {
  if (path[k].length > 0) return path[k].angle;
  for (size_t i = k; i-- > 0;)
    if (path[i].length > 0) return path[i].angle;
  for (size_t i = k + 1; i < path.size(); ++i)
    if (path[i].length > 0) return path[i].angle;
  return path[k].angle;
}

}  // namespace

CPathData::CPathData(double ax0, double ay0, double ax1, double ay1, double startDistance)
    : x0(ax0),
      y0(ay0),
      x1(ax1),
      y1(ay1),
      length(std::sqrt((ax1 - ax0) * (ax1 - ax0) + (ay1 - ay0) * (ay1 - ay0))),
      endDistance(startDistance + length),
      angle(std::atan2(ay1 - ay0, ax1 - ax0)) {}

PointD LayoutToImage(const PictureRect& rect, Point p, uint8_t pathPosition) {
  const Mapping m = MappingFor(rect, pathPosition);
  const PointD s = Scaled(m, p);
  return {m.ox + s.x, m.oy + s.y};
}

PointD LayoutScale(const PictureRect& rect, Point v, uint8_t pathPosition) {
  return Scaled(MappingFor(rect, pathPosition), v);
}

void BuildPathSegments(const CLayoutData& layout, uint8_t pathPosition, const PictureRect& rect,
                       std::vector<CPathData>& path) {
  path.clear();
  const std::vector<Point>& points = layout.GetPoints();
  if (layout.GetMode() == CLayoutData::kLine) {
    if (points.size() < 2) return;
    path.reserve(points.size() - 1);
    PointD previous = LayoutToImage(rect, points[0], pathPosition);
    for (size_t i = 1; i < points.size(); ++i) {
      const PointD q = LayoutToImage(rect, points[i], pathPosition);
      AppendPiece(path, previous, q);
      previous = q;
    }
  } else {
    BuildArc(points, pathPosition, rect, path);
  }
}

void BuildPathSegments(const CPresetData& preset, const PictureRect& rect, std::vector<CPathData>& path) {
  BuildPathSegments(preset.layout, preset.pathPosition, rect, path);
}

size_t FindSegment(const std::vector<CPathData>& path, size_t hint, double d) {
  const size_t n = hint;
  if (n >= path.size()) return n;
  const auto startOf = [&](size_t k) { return k == 0 ? 0.0 : path[k - 1].endDistance; };
  if (startOf(n) <= d && d < path[n].endDistance) return n;
  size_t k = n;
  if (d < startOf(n)) {
    while (k > 0) {
      --k;
      if (startOf(k) <= d && d < path[k].endDistance) break;
    }
  } else if (d >= path[n].endDistance) {
    while (k + 1 < path.size()) {
      ++k;
      if (startOf(k) <= d && d < path[k].endDistance) break;
    }
  }
  return k;
}

double MaskRunLength(const MaskInfo* mask, double x, double y, double direction, double maxLength) {
  if (mask == nullptr) return 0;
  const double dx = std::cos(direction);
  const double dy = std::sin(direction);
  const int64_t w = mask->width;
  const int64_t h = mask->height;
  int64_t ix = PixelIndex(x);
  int64_t iy = PixelIndex(y);
  // Outside on a side it moves away from: no later step can come back.
  const auto leaving = [&] {
    return (ix < 0 && dx < 0) || (ix > w - 1 && dx > 0) || (iy < 0 && dy < 0) || (iy > h - 1 && dy > 0);
  };
  if (leaving()) return 0;
  bool entered = false;
  double walked = 0;
  double fx = x;
  double fy = y;
  while (walked <= maxLength) {
    int v = 0;
    if (ix >= 0 && iy >= 0 && ix < w && iy < h) v = mask->data == nullptr ? 255 : mask->data[iy * mask->rowBytes + ix];
    if (v >= 128) {
      entered = true;
    } else if (entered) {
      break;
    }
    fx += dx;
    fy += dy;
    ix = PixelIndex(fx);
    iy = PixelIndex(fy);
    walked = std::sqrt((fx - x) * (fx - x) + (fy - y) * (fy - y));
    // Once outside and moving away every further pixel is unselected: the run has ended (the
    // next round would leave) or never starts.
    if (leaving()) {
      if (!entered) return 0;
      break;
    }
  }
  if (!entered) return 0;
  return std::min(walked, maxLength);
}

BundleCounter::BundleCounter(const CPresetData& preset, uint32_t seed)
    : lines_(std::clamp(preset.bundleLines, 1, CPresetData::kMaxBundleLines)),
      gap_(std::clamp(preset.bundleGap, 0, CPresetData::kMaxBundleGap)),
      variation_(std::min<int>(preset.bundleVariation, 100)),
      random_(seed ^ 0x9E3779B9u) {}

int32_t BundleCounter::Vary(int32_t value, int32_t least) {
  if (variation_ == 0) return std::max(value, least);
  const double factor = 1 + variation_ / 100.0 * (2 * Fraction(random_) - 1);
  return std::max(least, static_cast<int32_t>(std::lround(value * factor)));
}

bool BundleCounter::Gap() {
  if (lines_ <= 1) return false;
  if (linesLeft_ == 0 && gapLeft_ == 0) {
    linesLeft_ = Vary(lines_, 1);
    gapLeft_ = Vary(gap_, 0);
  }
  if (linesLeft_ > 0) {
    --linesLeft_;
    return false;
  }
  --gapLeft_;
  return true;
}

WalkSummary WalkPlacement(const CPresetData& preset, int32_t width, int32_t height, const MaskInfo* mask,
                          Random& random, const BeginStepFn& beginStep, const PlaceSideFn& placeSide) {
  WalkSummary summary;
  std::vector<CPathData> path;
  BuildPathSegments(preset, PictureRect{0, 0, width, height}, path);
  if (path.empty() || preset.interval < 1) return summary;
  const double total = path.back().endDistance;
  const double interval = preset.interval;
  if (!(total >= 0) || total / interval >= static_cast<double>(kMaxPlacementSteps)) return summary;
  summary.total = total;

  const MaskInfo wholePicture{nullptr, width, height, width};
  const MaskInfo* runMask = mask != nullptr ? mask : &wholePicture;
  const double minLen = preset.minLengthPercent / 100.0;
  const double minThick = preset.minThicknessPercent / 100.0;
  const double nominalThickness = preset.thickness;
  const double overshoot = preset.overshoot;
  const double nominalLength = preset.length;
  const double jitterRange = preset.jitter * 50 * interval / 100;
  const bool fixedAngle = preset.angle != CPresetData::kAngleFollowsPath;
  const double fixedTheta = (preset.angle + 90.0) * kPi / 180;
  float thickness = static_cast<float>(nominalThickness);

  BundleCounter bundles(preset, random.State());

  size_t hint = 0;
  summary.end = WalkEnd::Finished;
  for (int32_t step = 0;; ++step) {
    const double pos = step * interval;
    if (!(pos <= total)) break;
    summary.steps = step + 1;
    if (beginStep && !beginStep(step, pos, total)) {
      summary.end = WalkEnd::Stopped;
      break;
    }
    hint = FindSegment(path, hint, pos);
    const bool gap = bundles.Gap();
    double p = pos;
    if (preset.jitter != 0) p += (2 * Fraction(random) - 1) * jitterRange;
    if (p < 0 || p > total) continue;

    const size_t k = FindSegment(path, hint, p);
    const CPathData& piece = path[k];
    const double a = k == 0 ? 0.0 : path[k - 1].endDistance;
    const double u = piece.endDistance > a ? (p - a) / (piece.endDistance - a) : 0.0;
    const double x = (1 - u) * piece.x0 + u * piece.x1;
    const double y = (1 - u) * piece.y0 + u * piece.y1;
    const double theta = fixedAngle ? fixedTheta : DirectionAt(path, k) + kHalfPi;

    double shift = 0;
    if (overshoot > 0) {
      const double sign = random.Next() % 2 == 0 ? -1.0 : 1.0;
      shift = Fraction(random) * overshoot * sign;
    }
    const double fLen = Fraction(random);
    const double fThick = Fraction(random);

    for (int32_t s = 0; s < 2; ++s) {
      if ((s == 0 && preset.drawSide == 1) || (s == 1 && preset.drawSide == 0)) continue;
      double lenPercent = 0;
      if (nominalLength > 0) {
        const double len = preset.lengthFromMask == 1 && !gap
                                ? MaskRunLength(runMask, x, y, theta - s * kPi, nominalLength)
                                : nominalLength;
        lenPercent = 100 * len / nominalLength;
      }
      lenPercent = std::clamp((minLen + (1 - minLen) * fLen) * lenPercent, 0.0, 100.0);
      if (minThick < 1) thickness = static_cast<float>((minThick + (1 - minThick) * fThick) * nominalThickness);
      if (placeSide) {
        placeSide(PlacedSide{step, p, x, y, theta, s, shift, thickness, static_cast<float>(lenPercent), gap});
      }
    }
  }
  return summary;
}

}  // namespace lumbra
