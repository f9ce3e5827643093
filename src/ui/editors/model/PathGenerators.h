// The two path generators of the layout editor's line panel: a straight line cut into equal
// parts and a regular polygon inscribed in an ellipse. Each replaces the layout's path in one
// step, in line mode and in percent of the picture.
#pragma once

#include <vector>

#include "core/Geometry.h"
#include "data/LayoutData.h"

namespace lumbra {

// The inclusive range of one spin field of a generator dialog.
struct SpinRange {
  int min;
  int max;
  constexpr int Clamp(int value) const { return value < min ? min : (value > max ? max : value); }
};

// Straight line from the start point to the end point in `divisions` equal steps.
struct LineGenerator {
  static constexpr SpinRange kCoordinateRange{-200, 200};
  static constexpr SpinRange kDivisionsRange{1, 50};

  int startX = 50;
  int startY = 0;
  int endX = 50;
  int endY = 100;
  int divisions = 1;

  // The same settings with every field brought into its spin range.
  LineGenerator Clamped() const;
  // divisions + 1 points (with the fields clamped first).
  std::vector<Point> Points() const;
  // Clears the layout's path, switches it to line mode and appends Points().
  void Apply(CLayoutData& layout) const;
};

// Regular polygon on the ellipse (centre, radii), first vertex at `startAngle` degrees
// clockwise from twelve o'clock, closed by repeating the first vertex, each side cut into
// `divisionsPerSide` parts.
struct PolygonGenerator {
  static constexpr SpinRange kCentreRange{-200, 200};
  static constexpr SpinRange kRadiusRange{5, 100};
  static constexpr SpinRange kVerticesRange{3, 90};
  static constexpr SpinRange kStartAngleRange{0, 359};
  static constexpr SpinRange kDivisionsRange{1, 4};

  int centreX = 50;
  int centreY = 50;
  int radiusX = 75;
  int radiusY = 75;
  int vertices = 36;
  int startAngle = 0;
  int divisionsPerSide = 1;

  PolygonGenerator Clamped() const;
  // vertices + 1 + vertices * (divisionsPerSide - 1) points (with the fields clamped first).
  std::vector<Point> Points() const;
  void Apply(CLayoutData& layout) const;
};

}  // namespace lumbra
