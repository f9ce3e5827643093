// The outline of one pen stroke: a ruler's spine turned into a filled polygon.
//
// The stroke lies in its own frame: x runs along the stroke from its base (0) to its tip, y is
// the sideways offset. The outline is the envelope of a chain of circles, one per ruler point
// (straight rulers) or per sample of the smoothed curve (curved rulers). Their radius is half the
// pen thickness up to the taper start and falls linearly to zero at the tip. Consecutive circles
// are joined by their outer tangents; the mill pen rounds the ends and the outer corners with
// arcs, the G pen leaves them pointed and mitred.
//
// Every quantity is stored in single precision; the arithmetic that produces it runs in double
// precision and is rounded once, on the store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Geometry.h"

namespace lumbra {

// Angles are radians; these are the constants every angle computation of the engine uses.
inline constexpr double kPi = 3.1415926535;
inline constexpr double kTwoPi = 6.283185307;

struct CircleData {
  float x;
  float y;
  float r;
};

// The two outer tangent points on one circle. `upper` lies at +90 degrees from the direction of
// travel, `lower` at -90 degrees.
struct TangentPair {
  PointF upper;
  PointF lower;
};

// The ruler settings the outline reads. BuildOutline may lower taperStart to lengthPercent; the
// caller keeps that change.
struct OutlineSettings {
  uint8_t mode = 0;  // 0 straight segments, 1 smoothed curve
  bool millPen = true;
  bool fixedTaper = false;
  float taperStart = 50;      // percent of the stroke where the taper begins
  float lengthPercent = 100;  // percent of the nominal length that is drawn
};

inline constexpr uint8_t kOutlineStraight = 0;
inline constexpr uint8_t kOutlineCurve = 1;

// Arcs advance one pixel of circumference per step, but never by less than this angle, so that a
// huge radius cannot make a cap or join unboundedly long (at most about 2 pi / kMinArcStep points;
// radii up to 1 / kMinArcStep pixels keep the one-pixel step).
inline constexpr float kMinArcStep = 1.0f / 16384.0f;

// The longest mitre at a join, in radii of the circle there (10: bends sharper than about 11.5
// degrees are cut square); a longer one is bevelled.
inline constexpr float kMitreLimit = 10.0f;

// (u cos a - v sin a, u sin a + v cos a).
PointF RotatePoint(float u, float v, float sinA, float cosA);

// The uniform cubic B-spline basis function.
float BSplineWeight(float t);

// Samples the uniform cubic B-spline through the control points (end points repeated, so the curve
// starts at pts[0] and ends at pts[n - 1]) at a parameter step of n / 40. `out` receives the
// samples only (about 45 to 81 of them); empty input gives empty output.
void SmoothCurve(const Point* pts, size_t n, std::vector<PointF>& out);
void SmoothCurve(const PointF* pts, size_t n, std::vector<PointF>& out);

// The outer tangents of two circles as points on each: the upper points of both form one tangent
// line, the lower points the other. False (nothing written) when the centres coincide or one
// circle lies inside the other.
bool CircleTangents(const CircleData& c1, const CircleData& c2, TangentPair& onFirst, TangentPair& onSecond);

// Appends the points of the arc of `c` strictly between the directions of `from` and `to`, one
// pixel of arc apart, going counter-clockwise in the angle when `increasing` (clockwise otherwise).
// The end points themselves are never appended. Returns whether any point was appended; a radius
// that is not positive and finite appends nothing.
bool AppendArc(std::vector<PointF>& list, const CircleData& c, PointF from, PointF to, bool increasing);

struct Intersection {
  PointF point;
  bool hit;  // the point lies on both segments (checked along x, or along y for a steep segment)
};

// The intersection of the line through p1, p2 with the line through p3, p4. When p2 and p3 are the
// same point, that point is the answer. Parallel lines, or a "line" whose two points coincide,
// give (p2, false). Vertical lines are intersected exactly.
Intersection IntersectLines(PointF p1, PointF p2, PointF p3, PointF p4);

// Where the taper of one stroke lies, in pixels along the stroke.
struct TaperProfile {
  float ts = 0;  // the taper starts here
  float te = 0;  // the stroke ends here (the tip)
  float rb = 0;  // the radius up to ts

  // The radius at x: rb at ts falling linearly to 0 at te.
  float RadiusAt(float x) const;
};

// Lowers taperStart to lengthPercent when needed and works out the taper of a stroke of the given
// length and thickness.
TaperProfile ComputeTaper(OutlineSettings& settings, int length, float thickness);

// What the outlines of many strokes along the same points share, kept from one to the next: the
// curve smoothed through the points and the storage of the circle chain.
struct OutlineCache {
  std::vector<Point> points;  // those `curve` was smoothed through
  std::vector<PointF> curve;  // empty, as it is for no points, until a curve is smoothed
  std::vector<CircleData> circles;
};

// The circle chain of one stroke (the first half of BuildOutline): points in ruler percent, length
// and height in pixels. `circles` is emptied first. May lower taperStart. A smoothed curve comes
// from `cache` when it holds one through these points, and is kept there.
void BuildCircles(OutlineSettings& settings, const std::vector<Point>& points, int length, int height, float thickness,
                  std::vector<CircleData>& circles, OutlineCache* cache = nullptr);

// The closed polygon around a circle chain (the second half of BuildOutline): along the upper
// side from base to tip, round the tip, back along the lower side. Rounded bends are drawn on
// straight rulers with the mill pen only. Where a middle circle has no outer tangents with its
// successor the chain ends at that circle (`circles` is shortened); leading circles without
// tangents give way to the larger of each such pair. Two circles without tangents give their two
// centres. `out` is emptied first; fewer than two circles give nothing.
void OutlineFromCircles(std::vector<CircleData>& circles, bool millPen, bool straight, std::vector<PointF>& out);

// The filled outline of one stroke. `points` in ruler percent; `length` the stroke length in
// pixels; `height` the pixel distance that y = 100 maps to; `thickness` the pen thickness in
// pixels. `out` is emptied and receives the closed polygon, possibly empty (zero or negative
// length, a thickness that is negative or not finite, fewer than two circles). May lower
// settings.taperStart. With a cache, strokes along the same points smooth their curve once.
void BuildOutline(OutlineSettings& settings, const std::vector<Point>& points, int length, int height, float thickness,
                  std::vector<PointF>& out, OutlineCache* cache = nullptr);

}  // namespace lumbra
