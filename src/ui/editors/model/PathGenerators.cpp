#include "ui/editors/model/PathGenerators.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace lumbra {
namespace {

// The short values of pi the whole program uses for angles.
constexpr double kPi = 3.1415926535;
constexpr double kTwoPi = 6.283185307;

void ReplacePath(CLayoutData& layout, std::vector<Point> points) {
  layout.SetMode(CLayoutData::kLine);
  layout.GetPoints() = std::move(points);
}

// Truncation toward zero; every value here is a few hundred percent at most.
int32_t Trunc(double value) { return static_cast<int32_t>(value); }

}  // namespace

LineGenerator LineGenerator::Clamped() const {
  LineGenerator c = *this;
  c.startX = kCoordinateRange.Clamp(startX);
  c.startY = kCoordinateRange.Clamp(startY);
  c.endX = kCoordinateRange.Clamp(endX);
  c.endY = kCoordinateRange.Clamp(endY);
  c.divisions = kDivisionsRange.Clamp(divisions);
  return c;
}

std::vector<Point> LineGenerator::Points() const {
  const LineGenerator c = Clamped();
  // Single precision throughout, rounding each stored step, so that the points land exactly
  // where the dialog has always put them (37.5 rounds up to 38, -2.5 to -2).
  const float sx = static_cast<float>(c.startX);
  const float sy = static_cast<float>(c.startY);
  const float ex = static_cast<float>(c.endX);
  const float ey = static_cast<float>(c.endY);
  const float n = static_cast<float>(c.divisions);
  const float dx = (ex - sx) / n;
  const float dy = (ey - sy) / n;

  std::vector<Point> out;
  out.reserve(static_cast<size_t>(c.divisions) + 1);
  float x = sx;
  float y = sy;
  for (int i = 0; i <= c.divisions; ++i) {
    out.push_back({Trunc(static_cast<double>(x) + 0.5), Trunc(static_cast<double>(y) + 0.5)});
    x = x + dx;
    y = y + dy;
  }
  return out;
}

void LineGenerator::Apply(CLayoutData& layout) const { ReplacePath(layout, Points()); }

PolygonGenerator PolygonGenerator::Clamped() const {
  PolygonGenerator c = *this;
  c.centreX = kCentreRange.Clamp(centreX);
  c.centreY = kCentreRange.Clamp(centreY);
  c.radiusX = kRadiusRange.Clamp(radiusX);
  c.radiusY = kRadiusRange.Clamp(radiusY);
  c.vertices = kVerticesRange.Clamp(vertices);
  c.startAngle = kStartAngleRange.Clamp(startAngle);
  c.divisionsPerSide = kDivisionsRange.Clamp(divisionsPerSide);
  return c;
}

std::vector<Point> PolygonGenerator::Points() const {
  const PolygonGenerator c = Clamped();
  const double cx = c.centreX;
  const double cy = c.centreY;
  const double rx = c.radiusX;
  const double ry = c.radiusY;
  const int n = c.vertices;
  const int d = c.divisionsPerSide;
  const double step = kTwoPi / n;

  std::vector<Point> out;
  out.reserve(static_cast<size_t>(n) + 1 + static_cast<size_t>(n) * static_cast<size_t>(d - 1));
  double previousX = 0.0;
  double previousY = 0.0;
  bool first = true;
  // The angle grows by repeated addition; with the short pi the closing vertex can land a hair
  // short of the first one and truncate to a neighbouring integer, as it always has.
  double a = (c.startAngle - 90) * kPi / 180;
  for (int k = 0; k <= n; ++k) {
    const double x = std::cos(a) * rx + cx;
    const double y = std::sin(a) * ry + cy;
    if (d > 1 && !first) {
      const double mx = (x - previousX) / d;
      const double my = (y - previousY) / d;
      double px = previousX + mx;
      double py = previousY + my;
      for (int j = 1; j < d; ++j) {
        out.push_back({Trunc(px + 0.5), Trunc(py + 0.5)});
        px += mx;
        py += my;
      }
    } else {
      first = false;
    }
    // Vertices are truncated without rounding; only the points between them are rounded.
    out.push_back({Trunc(x), Trunc(y)});
    previousX = x;
    previousY = y;
    a += step;
  }
  return out;
}

void PolygonGenerator::Apply(CLayoutData& layout) const { ReplacePath(layout, Points()); }

}  // namespace lumbra
