#include <gtest/gtest.h>

#include <cmath>

#include "support/TestSupport.h"
#include "ui/editors/model/PathGenerators.h"

namespace lumbra {
namespace {

using Points = std::vector<Point>;

LineGenerator Line(int sx, int sy, int ex, int ey, int divisions) { return {sx, sy, ex, ey, divisions}; }

PolygonGenerator Polygon(int vertices, int divisions, int startAngle = 0) {
  PolygonGenerator g;
  g.vertices = vertices;
  g.divisionsPerSide = divisions;
  g.startAngle = startAngle;
  return g;
}

TEST(LineGenerator, DefaultsGiveAVerticalLineThroughTheMiddle) {
  EXPECT_EQ(LineGenerator{}.Points(), (Points{{50, 0}, {50, 100}}));
}

TEST(LineGenerator, StepsRoundHalvesAwayFromTheStartAndTruncateTowardZero) {
  EXPECT_EQ(Line(0, 0, 100, 50, 4).Points(), (Points{{0, 0}, {25, 13}, {50, 25}, {75, 38}, {100, 50}}));
  // -1.5 + 0.5 truncates to -1, -3 + 0.5 to -2.
  EXPECT_EQ(Line(0, 0, -3, 0, 2).Points(), (Points{{0, 0}, {-1, 0}, {-2, 0}}));
  // Adding 0.5 before truncating toward zero rounds negative values up: a whole negative
  // coordinate comes out one nearer to zero.
  EXPECT_EQ(Line(0, 0, 100, -100, 3).Points(), (Points{{0, 0}, {33, -32}, {67, -66}, {100, -99}}));
  // A line of zero length repeats its point.
  EXPECT_EQ(Line(7, 8, 7, 8, 2).Points(), (Points{{7, 8}, {7, 8}, {7, 8}}));
}

TEST(LineGenerator, FieldsOutsideTheirRangesAreClampedLikeTheSpins) {
  // Zero or negative divisions would divide by zero: they count as one.
  EXPECT_EQ(Line(0, 0, 10, 10, 0).Points(), (Points{{0, 0}, {10, 10}}));
  EXPECT_EQ(Line(0, 0, 10, 10, -5).Points(), (Points{{0, 0}, {10, 10}}));
  EXPECT_EQ(Line(0, 0, 10, 10, 100000).Points().size(), 51u);
  const Points far = Line(-1000, 5000, 2147483647, -2147483647 - 1, 1).Points();
  EXPECT_EQ(far, (Points{{-199, 200}, {200, -199}}));  // -200 and 200, rounded as above
}

TEST(LineGenerator, ApplyReplacesThePathInLineMode) {
  test::TempDataFolder data;
  CLayoutData layout;
  layout.SetDefaultCircle();
  Line(0, 0, 100, 50, 4).Apply(layout);
  EXPECT_EQ(layout.GetMode(), CLayoutData::kLine);
  EXPECT_EQ(layout.GetPoints(), Line(0, 0, 100, 50, 4).Points());
  EXPECT_EQ(layout.GetName(), "latest");
}

TEST(PolygonGenerator, DefaultThirtySixGonClosesOneShortBecauseOfTheShortPi) {
  const Points p = PolygonGenerator{}.Points();
  ASSERT_EQ(p.size(), 37u);
  EXPECT_EQ(p.front(), (Point{50, -25}));
  EXPECT_EQ(p.back(), (Point{49, -25}));
  // Every vertex is the true point of the circle, truncated; they run clockwise on screen
  // (y down), so the tenth vertex is at three o'clock.
  const double pi = std::acos(-1.0);
  for (size_t k = 0; k < p.size(); ++k) {
    const double a = -pi / 2 + 2 * pi * static_cast<double>(k) / 36;
    EXPECT_LE(std::abs(p[k].x - (50 + 75 * std::cos(a))), 1.0) << k;
    EXPECT_LE(std::abs(p[k].y - (50 + 75 * std::sin(a))), 1.0) << k;
  }
  EXPECT_EQ(p[9].y, 50);
  EXPECT_GE(p[9].x, 124);
}

TEST(PolygonGenerator, SquareWithOneAndTwoDivisionsPerSide) {
  EXPECT_EQ(Polygon(4, 1).Points(), (Points{{50, -25}, {125, 50}, {50, 125}, {-25, 50}, {49, -25}}));

  const Points two = Polygon(4, 2).Points();
  ASSERT_EQ(two.size(), 9u);
  EXPECT_EQ(two[1], (Point{88, 13}));  // (87.5, 12.5) rounded
  // Vertices at the even places, still truncated; side midpoints rounded between them.
  EXPECT_EQ(two[0], (Point{50, -25}));
  EXPECT_EQ(two[2], (Point{125, 50}));
  EXPECT_EQ(two[3], (Point{88, 88}));
  EXPECT_EQ(two[4], (Point{50, 125}));
  EXPECT_EQ(two[8], (Point{49, -25}));
}

TEST(PolygonGenerator, PointCountIsVerticesPlusOnePlusTheInnerPointsOfEachSide) {
  EXPECT_EQ(Polygon(3, 3).Points().size(), 10u);
  for (int n : {3, 5, 36, 90})
    for (int d = 1; d <= 4; ++d)
      EXPECT_EQ(Polygon(n, d).Points().size(), static_cast<size_t>(n + 1 + n * (d - 1))) << n << " " << d;
}

TEST(PolygonGenerator, StartAngleAndRadiiPlaceTheFirstVertex) {
  const Points p = Polygon(4, 1, 90).Points();
  EXPECT_EQ(p[0], (Point{125, 50}));  // three o'clock
  EXPECT_EQ(p[1].x, 50);              // then six o'clock: clockwise
  EXPECT_GE(p[1].y, 124);

  PolygonGenerator g = Polygon(4, 1);
  g.centreX = -10;
  g.centreY = 20;
  g.radiusX = 100;
  g.radiusY = 5;
  EXPECT_EQ(g.Points()[0], (Point{-9, 15}));  // -9.99999… truncated toward zero
  EXPECT_EQ(g.Points()[1], (Point{90, 20}));
}

TEST(PolygonGenerator, FieldsOutsideTheirRangesAreClampedLikeTheSpins) {
  // No vertices (a division by zero) or too few for a polygon: a triangle.
  EXPECT_EQ(Polygon(0, 1).Points(), Polygon(3, 1).Points());
  EXPECT_EQ(Polygon(-7, 1).Points(), Polygon(3, 1).Points());
  EXPECT_EQ(Polygon(4, 0).Points(), Polygon(4, 1).Points());
  EXPECT_EQ(Polygon(1000, 1000).Points(), Polygon(90, 4).Points());
  EXPECT_EQ(Polygon(4, 1, 360).Points(), Polygon(4, 1, 359).Points());
  PolygonGenerator tiny = Polygon(4, 1);
  tiny.radiusX = 0;
  tiny.radiusY = -3;
  EXPECT_EQ(tiny.Points()[0], (Point{50, 45}));  // radius 5
  EXPECT_EQ(tiny.Clamped().radiusX, 5);
}

TEST(PolygonGenerator, ApplyReplacesACircleLayoutWithThePath) {
  test::TempDataFolder data;
  CLayoutData layout;
  layout.SetDefaultCircle();
  Polygon(4, 2).Apply(layout);
  EXPECT_EQ(layout.GetMode(), CLayoutData::kLine);
  EXPECT_EQ(layout.GetPoints(), Polygon(4, 2).Points());
}

}  // namespace
}  // namespace lumbra
