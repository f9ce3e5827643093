#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "data/RulerData.h"
#include "engine/Outline.h"

namespace lumbra {
namespace {

const std::vector<Point> kDefaultRuler{{0, 0}, {100, 0}};
const float kNaN = std::nanf("");

OutlineSettings Pen(bool mill, uint8_t mode = kOutlineStraight, float taperStart = 50, float lengthPercent = 100) {
  return {mode, mill, false, taperStart, lengthPercent};
}

std::vector<PointF> Outline(OutlineSettings s, const std::vector<Point>& pts, int length = 200, int height = 20,
                            float thickness = 10) {
  std::vector<PointF> out{{1, 1}};
  BuildOutline(s, pts, length, height, thickness, out);
  return out;
}

std::vector<CircleData> Circles(OutlineSettings s, const std::vector<Point>& pts, int length = 200, int height = 20) {
  std::vector<CircleData> circles;
  BuildCircles(s, pts, length, height, 10, circles);
  return circles;
}

// Compares within float rounding; circles as their centres followed by (r, 0).
void ExpectNear(const std::vector<PointF>& got, const std::vector<PointF>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_TRUE(std::hypot(got[i].x - want[i].x, got[i].y - want[i].y) < 1e-4) << i;
}
void ExpectNear(const std::vector<CircleData>& got, const std::vector<CircleData>& want) {
  const auto flat = [](const std::vector<CircleData>& circles) {
    std::vector<PointF> points;
    for (const CircleData& c : circles) points.insert(points.end(), {{c.x, c.y}, {c.r, 0}});
    return points;
  };
  ExpectNear(flat(got), flat(want));
}

double Area(const std::vector<PointF>& poly) {
  double twice = 0;
  for (size_t i = 0; i < poly.size(); ++i)
    twice += double(poly[i].x) * poly[(i + 1) % poly.size()].y - double(poly[(i + 1) % poly.size()].x) * poly[i].y;
  return std::fabs(twice) / 2;
}

TEST(OutlineBlocks, RotateBSplineAndSmoothCurve) {
  EXPECT_EQ(RotatePoint(2, 1, 1, 0), (PointF{-1, 2}));
  EXPECT_FLOAT_EQ(BSplineWeight(0), 2.0f / 3);
  EXPECT_FLOAT_EQ(BSplineWeight(-1), 1.0f / 6);
  EXPECT_FLOAT_EQ(BSplineWeight(0.5f), 23.0f / 48);
  EXPECT_FLOAT_EQ(BSplineWeight(-1.5f), 1.0f / 48);
  EXPECT_EQ(BSplineWeight(2), 0);

  std::vector<PointF> out{{5, 5}};
  SmoothCurve(static_cast<const Point*>(nullptr), 0, out);
  EXPECT_TRUE(out.empty());
  for (auto [n, count] : {std::pair<size_t, size_t>{1, 81}, {2, 61}, {4, 51}, {10, 45}}) {
    std::vector<Point> ints;
    std::vector<PointF> floats, fromFloats;
    for (size_t i = 0; i < n; ++i)
      ints.push_back({int32_t(i * 10), int32_t(i * 3)}), floats.push_back({i * 10.0f, i * 3.0f});
    SmoothCurve(ints.data(), n, out);
    SmoothCurve(floats.data(), n, fromFloats);
    ASSERT_EQ(out.size(), count) << n;
    EXPECT_EQ(out, fromFloats);
    EXPECT_EQ(out.front(), floats.front());
    EXPECT_NEAR(out.back().x, floats.back().x, 1e-4);
    for (const PointF& p : out) EXPECT_NEAR(p.y, p.x * 0.3f, 1e-4);  // collinear points stay on their line
  }
}

TEST(OutlineBlocks, CircleTangents) {
  TangentPair a, b;
  ASSERT_TRUE(CircleTangents({0, 0, 5}, {100, 0, 5}, a, b));
  EXPECT_EQ(a.upper, (PointF{0, 5}));  // +90 degrees from the direction of travel
  EXPECT_EQ(b.lower, (PointF{100, -5}));
  const CircleData c1{10, 20, 8}, c2{70, -15, 3};
  ASSERT_TRUE(CircleTangents(c1, c2, a, b));
  for (auto [p, q] :
       {std::pair{a.upper, b.upper}, std::pair{a.lower, b.lower}}) {  // on both circles, normal to both radii
    EXPECT_NEAR(std::hypot(p.x - c1.x, p.y - c1.y), c1.r, 1e-4);
    EXPECT_NEAR(std::hypot(q.x - c2.x, q.y - c2.y), c2.r, 1e-4);
    EXPECT_NEAR((q.x - p.x) * (p.x - c1.x) + (q.y - p.y) * (p.y - c1.y), 0, 2e-3);
    EXPECT_NEAR((q.x - p.x) * (q.x - c2.x) + (q.y - p.y) * (q.y - c2.y), 0, 2e-3);
  }
  const TangentPair untouched{{7, 7}, {8, 8}};
  a = b = untouched;
  EXPECT_FALSE(CircleTangents({3, 4, 5}, {3, 4, 2}, a, b));   // concentric
  EXPECT_FALSE(CircleTangents({0, 0, 10}, {3, 0, 2}, a, b));  // nested
  EXPECT_EQ(a.upper, untouched.upper);
  EXPECT_EQ(b.lower, untouched.lower);
}

TEST(OutlineBlocks, AppendArc) {
  std::vector<PointF> back, front, none;
  ASSERT_TRUE(AppendArc(back, {0, 0, 5}, {0, -5}, {0, 5}, false));  // clockwise, behind x = 0
  ASSERT_TRUE(AppendArc(front, {0, 0, 5}, {0, -5}, {0, 5}, true));
  ASSERT_EQ(back.size(), 15u);  // one pixel (0.2 rad) apart, neither end included
  ASSERT_EQ(front.size(), 15u);
  for (size_t i = 0; i < 15; ++i) {
    EXPECT_NEAR(back[i].x, 5 * std::cos(-kPi / 2 - 0.2 * (i + 1)), 1e-4);
    EXPECT_NEAR(back[i].y, 5 * std::sin(-kPi / 2 - 0.2 * (i + 1)), 1e-4);
    EXPECT_NEAR(front[i].x, -back[i].x, 1e-4);
  }
  EXPECT_FALSE(AppendArc(none, {0, 0, 5}, {5, 0}, {4.99f, 0.3f}, true));  // shorter than a step
  EXPECT_FALSE(AppendArc(none, {0, 0, 5}, {5, 0}, {5, 0}, true));
  for (float r : {0.0f, -3.0f, kNaN}) EXPECT_FALSE(AppendArc(none, {0, 0, r}, {0, -5}, {0, 5}, true));
  EXPECT_TRUE(none.empty());
  EXPECT_TRUE(AppendArc(none, {0, 0, 1e9f}, {0, -1e9f}, {0, 1e9f}, false));  // huge radius: bounded
  EXPECT_LE(none.size(), size_t(kPi / kMinArcStep) + 1);
}

TEST(OutlineBlocks, IntersectLines) {
  const auto expect = [](Intersection r, PointF point, bool hit) {
    EXPECT_EQ(r.point, point);
    EXPECT_EQ(r.hit, hit);
  };
  expect(IntersectLines({0, 0}, {10, 10}, {0, 10}, {10, 0}), {5, 5}, true);
  expect(IntersectLines({0, 0}, {1, 1}, {0, 10}, {1, 9}), {5, 5}, false);     // beyond both segments
  expect(IntersectLines({0, 0}, {3, 4}, {3, 4}, {9, -1}), {3, 4}, true);      // shared end
  expect(IntersectLines({0, 1}, {10, 1}, {0, 3}, {5, 3}), {10, 1}, false);    // parallel
  expect(IntersectLines({2, 0}, {2, 7}, {0, 5}, {10, 5}), {2, 5}, true);      // first vertical
  expect(IntersectLines({0, 0}, {10, 5}, {4, -10}, {4, -8}), {4, 2}, false);  // second vertical
  expect(IntersectLines({2, 0}, {2, 7}, {4, 0}, {4, 9}), {2, 7}, false);      // both vertical
  expect(IntersectLines({2, 0}, {2, 7}, {6, 6}, {6, 6}), {2, 7}, false);      // a point is no line
}

TEST(OutlineDefaultRuler, GPenMitresAndMillPenCap) {
  ExpectNear(Circles(Pen(false), kDefaultRuler), {{0, 0, 5}, {100, 0, 5}, {200, 0, 0}});
  // The flat tangent meets the one falling to the tip at 200 - 99.75 / sqrt(1 - 0.05^2).
  const float mitre = float(200 - 99.75 / std::sqrt(0.9975));
  const std::vector<PointF> g = Outline(Pen(false), kDefaultRuler);
  ExpectNear(g, {{0, 5}, {mitre, 5}, {200, 0}, {200, 0}, {mitre, -5}, {0, -5}});
  EXPECT_NEAR(g[1].x, 100.125, 1e-4);

  const std::vector<PointF> m = Outline(Pen(true), kDefaultRuler);
  std::vector<PointF> cap;
  AppendArc(cap, {0, 0, 5}, {0, -5}, {0, 5}, false);
  ASSERT_EQ(m.size(), 21u);
  EXPECT_EQ(std::vector<PointF>(m.begin(), m.begin() + 15), cap);
  EXPECT_EQ(std::vector<PointF>(m.begin() + 15, m.end()), g);
}

TEST(OutlineTaper, ShortStrokes) {
  OutlineSettings s = Pen(false, kOutlineStraight, 80, 50);
  std::vector<PointF> out;
  BuildOutline(s, kDefaultRuler, 200, 20, 10, out);
  EXPECT_EQ(s.taperStart, 50);                              // lowered, and kept
  ExpectNear(out, {{0, 5}, {100, 5}, {100, -5}, {0, -5}});  // square end at L / 2
  const std::vector<PointF> round = Outline(Pen(true, kOutlineStraight, 80, 50), kDefaultRuler);
  EXPECT_EQ(round.size(), 34u);
  EXPECT_NEAR(round[17].x, 100 + 5 * std::sin(0.2), 1e-4);  // the round end bulges past L / 2
  s.fixedTaper = true;                                      // now tapering over the whole length
  ExpectNear(Circles(s, kDefaultRuler), {{0, 0, 5}, {100, 0, 0}});

  s.taperStart = 40;
  const TaperProfile taper = ComputeTaper(s, 200, 10);
  EXPECT_EQ(taper.ts, 0);
  EXPECT_EQ(taper.te, 100);
  EXPECT_FLOAT_EQ(taper.rb, 5.0f * 50 / 60);
  EXPECT_FLOAT_EQ(taper.RadiusAt(50), taper.rb / 2);
  OutlineSettings fixedFull = Pen(false);
  fixedFull.fixedTaper = true;
  EXPECT_EQ(Outline(fixedFull, kDefaultRuler), Outline(Pen(false), kDefaultRuler));
}

TEST(OutlineTaper, EmptyAndDegenerateStrokes) {
  for (int length : {0, -200}) EXPECT_TRUE(Outline(Pen(true), kDefaultRuler, length).empty());
  for (float t : {kNaN, INFINITY, -4.0f}) EXPECT_TRUE(Outline(Pen(true), kDefaultRuler, 200, 20, t).empty());
  EXPECT_TRUE(Outline(Pen(true), {{0, 0}}).empty());
  const std::vector<PointF> zeroLength = Outline(Pen(true, kOutlineStraight, 50, 0), kDefaultRuler);
  ASSERT_FALSE(zeroLength.empty());
  EXPECT_EQ(Area(zeroLength), 0);
  EXPECT_EQ(Area(Outline(Pen(true), {{0, 0}, {50, 30}, {100, 0}}, 200, 20, 0)), 0);
}

TEST(OutlineStraight, CirclesAtTaperStartAndTip) {
  ExpectNear(Circles(Pen(false, kOutlineStraight, 20, 50), {{0, 0}, {100, 40}}, 200, 100),
             {{0, 0, 5}, {40, 8, 5}, {100, 20, 0}});
  // Starting past the taper start: the first circle is already tapered. Past the tip: nothing.
  ExpectNear(Circles(Pen(false), {{60, 0}, {100, 0}}), {{120, 0, 4}, {200, 0, 0}});
  EXPECT_TRUE(Outline(Pen(false, kOutlineStraight, 50, 50), {{60, 0}, {100, 0}}).empty());
}

TEST(OutlineStraight, CoincidentCircles) {
  ExpectNear(Outline(Pen(false), {{0, 0}, {30, 0}, {30, 0}, {100, 0}}), {{0, 5}, {60, 5}, {60, -5}, {0, -5}});
  EXPECT_EQ(Outline(Pen(true), {{0, 0}, {0, 0}, {100, 0}}), Outline(Pen(true), kDefaultRuler));
  using Chain = std::vector<CircleData>;
  std::vector<PointF> nested, plain;
  for (auto [chain, larger] :
       {std::pair<Chain, Chain>{{{0, 0, 1}, {0.5f, 0, 5}, {100, 0, 5}}, {{0.5f, 0, 5}, {100, 0, 5}}},
        {{{0, 0, 5}, {0.5f, 0, 1}, {100, 0, 5}}, {{0, 0, 5}, {100, 0, 5}}}}) {
    OutlineFromCircles(chain, true, true, nested);
    OutlineFromCircles(larger, true, true, plain);
    EXPECT_EQ(nested, plain);
  }
  Chain pair{{0, 0, 5}, {1, 0, 1}};  // no tangents: the centres
  OutlineFromCircles(pair, false, true, nested);
  EXPECT_EQ(nested, (std::vector<PointF>{{0, 0}, {1, 0}}));
}

TEST(OutlineStraight, MillPenRoundsTheOuterSideOfABend) {
  const std::vector<Point> bend{{0, 0}, {50, 50}, {100, 0}};
  const std::vector<PointF> sharp = Outline(Pen(false, kOutlineStraight, 100), bend, 200, 100);
  const std::vector<PointF> round = Outline(Pen(true, kOutlineStraight, 100), bend, 200, 100);
  ASSERT_EQ(sharp.size(), 6u);
  EXPECT_NEAR(sharp[1].y, 50 + 5 * std::sqrt(5.0) / 2, 1e-4);  // outer mitre (y grows downwards)
  ASSERT_EQ(round.size(), 15 + 1 + 4 + 1 + 15 + 3u);           // caps; 0.93 rad of bend in 0.2 rad steps
  for (size_t i = 16; i < 20; ++i) EXPECT_NEAR(std::hypot(round[i].x - 100, round[i].y - 50), 5, 1e-4);
  EXPECT_EQ(round[round.size() - 2], sharp[4]);  // the inner side keeps its mitre
}

TEST(OutlineCurve, CircleCountsAndEnds) {
  for (auto [n, count] : {std::pair<size_t, size_t>{2, 60}, {4, 51}, {10, 45}}) {
    std::vector<Point> pts;
    for (size_t i = 0; i < n; ++i) pts.push_back({int32_t(i * 100 / (n - 1)), int32_t(i % 2 * 20)});
    const std::vector<CircleData> circles = Circles(Pen(false, kOutlineCurve), pts, 200, 100);
    ASSERT_EQ(circles.size(), count) << n;
    for (const CircleData& c : circles) EXPECT_NEAR(c.r, c.x <= 100 ? 5 : 5 * (200 - c.x) / 100, 1e-4);
    EXPECT_EQ(Outline(Pen(false, kOutlineCurve), pts, 200, 100).size(), 2 * count);      // mitres only
    EXPECT_EQ(Outline(Pen(true, kOutlineCurve), pts, 200, 100).size(), 2 * count + 15);  // plus the start cap
  }
  const std::vector<CircleData> blunt = Circles(Pen(false, kOutlineCurve, 50, 75), kDefaultRuler);
  EXPECT_LT(blunt.back().x, 150);  // no circle at the tip itself
  EXPECT_GT(blunt.back().r, 0);
  EXPECT_EQ(Circles(Pen(true, kOutlineCurve), {{50, 0}}).size(), 81u);
  EXPECT_EQ(Area(Outline(Pen(true, kOutlineCurve), {{50, 0}})), 0);
  EXPECT_TRUE(Outline(Pen(false, kOutlineCurve, 20, 20), {{30, 0}, {100, 0}}).empty());  // starts past the tip
  EXPECT_TRUE(Outline(Pen(true, kOutlineCurve), {}).empty());
}

TEST(OutlineRobustness, SlopedAndLongRulersStayOnTheirCircles) {
  // Along collinear sloped points every join continues almost straight; the outline must hug the
  // circles instead of shooting off along a tangent line.
  const std::vector<Point> sloped{{0, 0}, {20, 7}, {40, 14}, {60, 21}, {80, 28}, {100, 35}};
  for (uint8_t mode : {kOutlineStraight, kOutlineCurve}) {
    for (bool mill : {false, true}) {
      std::vector<CircleData> circles;
      OutlineSettings s = Pen(mill, mode, 60);
      BuildCircles(s, sloped, 1300, 204, 24, circles);
      for (const PointF& p : Outline(s, sloped, 1300, 204, 24)) {
        double overshoot = 1e9;
        for (const CircleData& c : circles)
          overshoot = std::min(overshoot, std::hypot(double(p.x) - c.x, double(p.y) - c.y) - c.r);
        EXPECT_LT(overshoot, 0.01) << int(mode) << mill;
      }
    }
  }
  std::vector<Point> zigzag;
  for (int i = 0; i < 20000; ++i) zigzag.push_back({i / 200, (i % 2) * 100});
  EXPECT_LE(Outline(Pen(true), zigzag, 2000, 100, 10).size(), zigzag.size() * 40);
  EXPECT_LE(Outline(Pen(true), kDefaultRuler, 2000, 20, 1e9f).size(), 2 * size_t(kPi / kMinArcStep) + 8);
}

// Rulers that turn back on themselves made the crossing of their tangents land up to 10^9 px
// away ("7,-35;7,-74;7,44" gave y = -861174528). Over many random rulers, seeded, every outline
// point stays within the stroke's reach: the box of its scaled points, widened by the longest
// mitre the joins allow.
TEST(OutlineRobustness, EveryPointStaysWithinTheStrokesReach) {
  CRulerData reported;
  reported.GetPoints() = {{7, -35}, {7, -74}, {7, 44}};
  reported.SetMillPen(false);
  reported.SetTaperStart(31);
  reported.SetLengthPercent(72);
  std::vector<PointF> outline;
  reported.BuildOutline(reported.GetPoints(), 118, 24, 29, outline);
  for (const PointF& p : outline) EXPECT_LT(std::fabs(p.y), 24 + 29 * kMitreLimit) << p.x << "," << p.y;

  std::mt19937 random(20261208);
  int checked = 0;
  for (int i = 0; i < 50000; ++i) {
    CRulerData ruler;
    std::vector<Point> points(2 + random() % 5);
    for (Point& p : points) p = {static_cast<int32_t>(random() % 101), static_cast<int32_t>(random() % 201) - 100};
    std::sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    ruler.GetPoints() = points;
    ruler.SetMode(static_cast<uint8_t>(random() % 2));
    ruler.SetMillPen(random() % 2 == 0);
    ruler.SetFixedTaper(random() % 2 == 0);
    ruler.SetTaperStart(static_cast<float>(random() % 101));
    ruler.SetLengthPercent(static_cast<float>(1 + random() % 100));
    const int length = 5 + static_cast<int>(random() % 400), height = 1 + static_cast<int>(random() % 200);
    const float thickness = static_cast<float>(1 + random() % 60);
    ruler.BuildOutline(ruler.GetPoints(), length, height, thickness, outline);
    double reachY = 0;
    for (const Point& p : points) reachY = std::max(reachY, std::abs(p.y) * height / 100.0);
    const double margin = kMitreLimit * thickness / 2 + 1;
    for (const PointF& p : outline) {
      const bool inside = p.x >= -margin && p.x <= length + margin && std::fabs(p.y) <= reachY + margin;
      ASSERT_TRUE(inside) << "ruler " << i << ": point " << p.x << "," << p.y << " beyond " << margin;
    }
    ++checked;
  }
  EXPECT_EQ(checked, 50000);
}

TEST(OutlineCache, StrokesAlongOneRulerGiveWhatEachGivesAlone) {
  // One ruler draws many strokes, of several lengths, and its points change between them (the
  // editor, a preset loaded): each outline must be the one built from scratch.
  CRulerData ruler;
  ruler.SetMode(CRulerData::kCurve);
  const std::vector<std::vector<Point>> shapes = {{{0, 0}, {25, 40}, {50, -30}, {75, 20}, {100, 0}},
                                                  {{0, 0}, {25, 40}, {50, -30}, {75, 21}, {100, 0}},
                                                  {{0, 5}, {100, -5}}};
  std::vector<PointF> cached, alone;
  int compared = 0;
  for (int round = 0; round < 2; ++round) {
    for (const auto& points : shapes) {
      ruler.GetPoints() = points;
      for (float percent : {100.0f, 63.0f}) {
        ruler.SetLengthPercent(percent);
        ruler.BuildOutline(ruler.GetPoints(), 900, 120, 12, cached);
        OutlineSettings settings{CRulerData::kCurve, ruler.GetMillPen(), ruler.GetFixedTaper(), ruler.GetTaperStart(),
                                 percent};
        BuildOutline(settings, points, 900, 120, 12, alone);
        ASSERT_FALSE(alone.empty());
        EXPECT_EQ(cached, alone) << "shape " << (&points - shapes.data()) << " at " << percent << " %";
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 12);
}

}  // namespace
}  // namespace lumbra
