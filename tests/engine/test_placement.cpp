#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "data/LayoutData.h"
#include "data/PresetData.h"
#include "engine/Placement.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

constexpr double kPiD = 3.1415926535;

void ExpectPoint(PointD got, double x, double y) {
  EXPECT_NEAR(got.x, x, 1e-9);
  EXPECT_NEAR(got.y, y, 1e-9);
}

TEST(PlacementMapping, FourPositionSettingsOnAWidePicture) {
  const PictureRect wide{0, 0, 400, 200};
  ExpectPoint(LayoutToImage(wide, {50, 50}, 0), 200, 100);
  ExpectPoint(LayoutToImage(wide, {100, 100}, 0), 400, 200);
  ExpectPoint(LayoutToImage(wide, {50, 50}, 1), 200, 100);
  ExpectPoint(LayoutToImage(wide, {100, 100}, 1), 300, 200);
  ExpectPoint(LayoutToImage(wide, {0, 0}, 2), 0, 0);
  ExpectPoint(LayoutToImage(wide, {100, 100}, 2), 200, 200);
  ExpectPoint(LayoutToImage(wide, {0, 0}, 3), 200, 0);
  ExpectPoint(LayoutToImage(wide, {-50, 150}, 3), 100, 300);
  // The scale alone, without the square's offset.
  ExpectPoint(LayoutScale(wide, {73, 73}, 0), 292, 146);
  ExpectPoint(LayoutScale(wide, {73, 73}, 1), 146, 146);
  ExpectPoint(LayoutScale(wide, {73, 73}, 3), 146, 146);
}

TEST(PlacementMapping, TallPicturesOffsetRectanglesAndExtremePoints) {
  const PictureRect tall{0, 0, 200, 401};
  ExpectPoint(LayoutToImage(tall, {0, 0}, 1), 0, 100.5);  // half an odd difference
  ExpectPoint(LayoutToImage(tall, {0, 0}, 3), 0, 201);
  ExpectPoint(LayoutToImage(PictureRect{10, 20, 110, 70}, {50, 50}, 0), 60, 45);
  // The products never wrap, however far out the point lies.
  const PictureRect big{0, 0, 4000000, 3000000};
  ExpectPoint(LayoutToImage(big, {INT32_MAX, INT32_MIN}, 0), 4000000.0 * INT32_MAX / 100, 3000000.0 * INT32_MIN / 100);
}

CLayoutData Line(std::vector<Point> points) {
  CLayoutData layout;
  layout.SetMode(CLayoutData::kLine);
  layout.GetPoints() = std::move(points);
  return layout;
}

std::vector<CPathData> Path(const CLayoutData& layout, int w, int h, uint8_t position = 0) {
  std::vector<CPathData> path{CPathData(1, 2, 3, 4, 5)};  // emptied first
  BuildPathSegments(layout, position, PictureRect{0, 0, w, h}, path);
  return path;
}

class PlacementPath : public ::testing::Test {
 protected:
  test::TempDataFolder data;
  test::RecordingMessageService messages;
};

TEST_F(PlacementPath, DefaultCircleIs918PiecesClockwiseFromTheTop) {
  CLayoutData layout;
  layout.SetDefaultCircle();
  const std::vector<CPathData> path = Path(layout, 200, 200);
  ASSERT_EQ(path.size(), 918u);
  EXPECT_NEAR(path[0].x0, 100, 1e-6);
  EXPECT_NEAR(path[0].y0, -46, 1e-6);
  EXPECT_GT(path[0].x1, path[0].x0);  // clockwise on the screen: rightwards at the top
  EXPECT_NEAR(path[0].angle, 0, 0.01);
  for (size_t i = 0; i < path.size(); ++i) {
    const CPathData& p = path[i];
    EXPECT_NEAR(std::hypot(p.x0 - 100, p.y0 - 100), 146, 1e-6) << i;
    EXPECT_NEAR(p.length, 1, 1e-3) << i;
    if (i > 0) {
      EXPECT_EQ(p.x0, path[i - 1].x1);
      EXPECT_DOUBLE_EQ(p.endDistance, path[i - 1].endDistance + p.length);
    }
  }
  // The closing piece passes the start angle a little: 918 pixels of arc for a 917.35 circumference.
  EXPECT_GT(path.back().x1, 100);
  EXPECT_NEAR(path.back().endDistance, 918, 0.01);
  // A quarter of the way round it runs downwards at the right.
  EXPECT_NEAR(path[229].angle, kPiD / 2, 0.01);
}

TEST_F(PlacementPath, LinePathsAndDegenerateLayouts) {
  const std::vector<CPathData> path = Path(Line({{0, 0}, {100, 0}, {100, 100}}), 100, 50);
  ASSERT_EQ(path.size(), 2u);
  EXPECT_EQ(path[0].length, 100);
  EXPECT_EQ(path[1].length, 50);
  EXPECT_EQ(path[1].endDistance, 150);
  EXPECT_EQ(path[0].angle, 0);
  EXPECT_DOUBLE_EQ(path[1].angle, std::atan2(1.0, 0.0));

  EXPECT_TRUE(Path(Line({{10, 10}}), 100, 100).empty());
  EXPECT_TRUE(Path(Line({}), 100, 100).empty());
  // Equal points give a piece of zero length, kept in place.
  const std::vector<CPathData> still = Path(Line({{5, 5}, {5, 5}}), 100, 100);
  ASSERT_EQ(still.size(), 1u);
  EXPECT_EQ(still[0].length, 0);
  EXPECT_EQ(still[0].angle, 0);

  CLayoutData circle;
  circle.SetCircle(50, 50, 10, 10, 0, 0);
  EXPECT_TRUE(Path(circle, 100, 100).empty());  // no sweep
  circle.SetCircle(50, 50, 0, 0, 0, 360);
  EXPECT_TRUE(Path(circle, 100, 100).empty());  // no radius
  circle.GetPoints().pop_back();
  EXPECT_TRUE(Path(circle, 100, 100).empty());  // too few entries
  circle.SetCircle(50, 50, 20, 10, 30, 200);
  const std::vector<CPathData> three = Path(circle, 100, 100);
  circle.GetPoints().push_back({7, 7});  // entries past the third are ignored
  const std::vector<CPathData> four = Path(circle, 100, 100);
  ASSERT_EQ(three.size(), four.size());
  EXPECT_EQ(three.back().endDistance, four.back().endDistance);
}

TEST_F(PlacementPath, NegativeSweepRunsCounterClockwiseAndHugeArcsAreBounded) {
  CLayoutData circle;
  circle.SetCircle(50, 50, 50, 50, 0, -90);
  const std::vector<CPathData> path = Path(circle, 200, 200);
  ASSERT_FALSE(path.empty());
  EXPECT_NEAR(path[0].x0, 100, 1e-6);
  EXPECT_NEAR(path[0].y0, 0, 1e-6);
  EXPECT_LT(path[0].x1, path[0].x0);  // leftwards at the top
  EXPECT_NEAR(path.back().x1, 0, 1);  // ends at nine o'clock
  EXPECT_NEAR(path.back().y1, 100, 1);
  EXPECT_NEAR(path.back().endDistance, 2 * kPiD * 100 / 4, 1);

  circle.SetCircle(50, 50, 100000, 100000, 0, 360);
  const std::vector<CPathData> huge = Path(circle, 4000, 4000);
  EXPECT_LE(huge.size(), kMaxArcPieces + 2);
  EXPECT_NEAR(huge.back().endDistance, 2 * kPiD * 4000000, 50);  // pieces of about 25 pixels
}

TEST(PlacementFindSegment, SearchesFromTheHintBothWays) {
  std::vector<CPathData> path;
  for (int i = 0; i < 3; ++i) path.emplace_back(10.0 * i, 0, 10.0 * i + 10, 0, 10.0 * i);
  EXPECT_EQ(FindSegment(path, 0, 0), 0u);
  EXPECT_EQ(FindSegment(path, 0, 9.99), 0u);
  EXPECT_EQ(FindSegment(path, 0, 10), 1u);
  EXPECT_EQ(FindSegment(path, 0, 25), 2u);
  EXPECT_EQ(FindSegment(path, 2, 5), 0u);
  EXPECT_EQ(FindSegment(path, 2, 15), 1u);
  EXPECT_EQ(FindSegment(path, 1, 30), 2u);  // the total length: the last piece
  EXPECT_EQ(FindSegment(path, 1, 1e9), 2u);
  EXPECT_EQ(FindSegment(path, 2, -1), 0u);
  EXPECT_EQ(FindSegment(path, 7, 5), 7u);  // a hint past the end is returned as it is

  // A piece of zero length holds no interior distance; only the ends of the path reach it.
  std::vector<CPathData> gap;
  gap.emplace_back(0, 0, 10, 0, 0);
  gap.emplace_back(10, 0, 10, 0, 10);
  gap.emplace_back(10, 0, 20, 0, 10);
  gap.emplace_back(20, 0, 20, 0, 20);
  EXPECT_EQ(FindSegment(gap, 0, 10), 2u);
  EXPECT_EQ(FindSegment(gap, 3, 10), 2u);
  EXPECT_EQ(FindSegment(gap, 0, 20), 3u);
}

TEST(PlacementMask, WithoutSelectionTheBorderEndsTheRun) {
  const MaskInfo none{nullptr, 100, 50, 100};
  EXPECT_DOUBLE_EQ(MaskRunLength(&none, 10, 10, 0, 1000), 90);
  EXPECT_DOUBLE_EQ(MaskRunLength(&none, 10, 10, 0, 30), 30);  // capped
  EXPECT_NEAR(MaskRunLength(&none, 10, 10, kPiD / 2, 1000), 40, 1e-9);
  // From outside towards the picture: through it to the far border (pixels are found by
  // truncating x + 0.5 toward zero, so -0.5 < x < 0 already counts as column 0).
  EXPECT_NEAR(MaskRunLength(&none, -20, 10, 0, 1000), 120, 1e-9);
  EXPECT_EQ(MaskRunLength(&none, -20, 10, kPiD, 1000), 0);  // outside, moving away
  EXPECT_EQ(MaskRunLength(&none, 50, 60, kPiD / 2, 1000), 0);
  EXPECT_EQ(MaskRunLength(nullptr, 10, 10, 0, 1000), 0);
}

TEST(PlacementMask, SelectedStretchAheadAndRowPadding) {
  // 100 x 10 with columns 30..59 selected; each row has four padding bytes of 255 after it.
  const int rowBytes = 104;
  std::vector<uint8_t> bytes(static_cast<size_t>(rowBytes) * 10, 255);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 100; ++x) bytes[static_cast<size_t>(y * rowBytes + x)] = x >= 30 && x < 60 ? 200 : 127;
  const MaskInfo mask{bytes.data(), 100, 10, rowBytes};
  EXPECT_NEAR(MaskRunLength(&mask, 10, 5, 0, 1000), 50, 1e-9);  // base to the stretch's far edge
  EXPECT_NEAR(MaskRunLength(&mask, 40, 5, 0, 1000), 20, 1e-9);  // from inside it
  EXPECT_NEAR(MaskRunLength(&mask, 40, 5, 0, 12), 12, 1e-9);
  EXPECT_EQ(MaskRunLength(&mask, 10, 5, kPiD, 1000), 0);           // never meets it
  EXPECT_EQ(MaskRunLength(&mask, 70, 5, 0, 1000), 0);              // the padding is not part of the mask
  EXPECT_NEAR(MaskRunLength(&mask, 70, 5, kPiD, 1000), 41, 1e-6);  // column 29 is met at x = 29
  // Far-off and non-finite starts end at once.
  EXPECT_EQ(MaskRunLength(&mask, 1e300, 5, 0, 1000), 0);
  EXPECT_EQ(MaskRunLength(&mask, -1e300, 5, kPiD, 1000), 0);
  EXPECT_EQ(MaskRunLength(&mask, std::nan(""), 5, 0, 1000), 0);
}

// The walk over a preset, recording what it hands over.
struct Walked {
  WalkSummary summary;
  std::vector<PlacedSide> sides;
  std::vector<double> stepPositions;
};

Walked Walk(const CPresetData& preset, int w, int h, Random& random, const MaskInfo* mask = nullptr, int stopAt = -1) {
  Walked out;
  out.summary = WalkPlacement(
      preset, w, h, mask, random,
      [&](int32_t step, double pos, double) {
        if (step == stopAt) return false;
        out.stepPositions.push_back(pos);
        return true;
      },
      [&](const PlacedSide& s) { out.sides.push_back(s); });
  return out;
}

Walked Walk(const CPresetData& preset, int w, int h, uint32_t seed = 7) {
  Random random(seed);
  return Walk(preset, w, h, random);
}

class PlacementWalk : public ::testing::Test {
 protected:
  PlacementWalk() {
    preset.layout = Line({{0, 0}, {100, 0}});
    preset.drawSide = 0;
  }
  test::TempDataFolder data;
  test::RecordingMessageService messages;
  CPresetData preset;
};

TEST_F(PlacementWalk, StepsAtTheIntervalIncludingTheEnd) {
  const Walked short95 = Walk(preset, 95, 10);
  EXPECT_EQ(short95.summary.end, WalkEnd::Finished);
  EXPECT_EQ(short95.summary.steps, 10);
  EXPECT_EQ(short95.summary.total, 95);
  EXPECT_EQ(short95.stepPositions, (std::vector<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
  const Walked full100 = Walk(preset, 100, 10);
  EXPECT_EQ(full100.summary.steps, 11);
  ASSERT_EQ(full100.sides.size(), 11u);
  EXPECT_EQ(full100.sides.back().pos, 100);
  EXPECT_EQ(full100.sides.back().x, 100);
  for (size_t i = 0; i < full100.sides.size(); ++i) {
    EXPECT_EQ(full100.sides[i].step, static_cast<int32_t>(i));
    EXPECT_DOUBLE_EQ(full100.sides[i].x, 10.0 * i);
    EXPECT_EQ(full100.sides[i].y, 0);
  }
}

TEST_F(PlacementWalk, JitterStaysWithinItsRangeAndSkipsOffPathPositions) {
  preset.jitter = 4;
  preset.minLengthPercent = 100;
  const Walked w = Walk(preset, 100, 10, 12345);
  EXPECT_EQ(w.summary.steps, 11);
  EXPECT_LT(w.sides.size(), 11u);  // the seed pushes some ends off the path
  double largest = 0;
  for (const PlacedSide& s : w.sides) {
    const double moved = s.pos - 10.0 * s.step;
    EXPECT_LE(std::fabs(moved), 20);
    EXPECT_GE(s.pos, 0);
    EXPECT_LE(s.pos, 100);
    EXPECT_DOUBLE_EQ(s.x, s.pos);
    largest = std::max(largest, std::fabs(moved));
  }
  EXPECT_GT(largest, 10);
}

TEST_F(PlacementWalk, RandomValuesComeInTheirFixedOrder) {
  preset.jitter = 1;
  preset.overshoot = 30;
  preset.minLengthPercent = 40;
  preset.minThicknessPercent = 20;
  preset.thickness = 8;
  preset.drawSide = 2;
  preset.interval = 20;
  Random random(99);
  const Walked w = Walk(preset, 100, 10, random);
  ASSERT_EQ(w.summary.steps, 6);

  // Replays the generator: a step pushed off the path uses up its jitter value only.
  Random expected(99);
  size_t next = 0;
  for (int step = 0; step < 6; ++step) {
    const double p = 20.0 * step + (2 * (expected.Next() / 32767.0) - 1) * 10;
    if (p < 0 || p > 100) continue;
    const int sign = expected.Next();
    const double shift = expected.Next() / 32767.0 * 30 * (sign % 2 == 0 ? -1 : 1);
    const double fLen = expected.Next() / 32767.0;
    const double fThick = expected.Next() / 32767.0;
    for (int side = 0; side < 2; ++side, ++next) {
      ASSERT_LT(next, w.sides.size());
      const PlacedSide& s = w.sides[next];
      EXPECT_EQ(s.step, step);
      EXPECT_EQ(s.side, side);
      EXPECT_DOUBLE_EQ(s.pos, p);
      EXPECT_DOUBLE_EQ(s.shift, shift);
      EXPECT_FLOAT_EQ(s.lengthPercent, static_cast<float>((0.4 + 0.6 * fLen) * 100));
      EXPECT_FLOAT_EQ(s.thickness, static_cast<float>((0.2 + 0.8 * fThick) * 8));
    }
  }
  EXPECT_EQ(next, w.sides.size());
  EXPECT_EQ(random.State(), expected.State());
}

TEST_F(PlacementWalk, FullMinimumsStillDrawBothFactors) {
  preset.minLengthPercent = 100;
  preset.minThicknessPercent = 100;
  preset.thickness = 9;
  Random random(5);
  const Walked w = Walk(preset, 100, 10, random);
  ASSERT_EQ(w.sides.size(), 11u);
  for (const PlacedSide& s : w.sides) {
    EXPECT_EQ(s.lengthPercent, 100);
    EXPECT_EQ(s.thickness, 9);
    EXPECT_EQ(s.shift, 0);
  }
  Random expected(5);
  for (int i = 0; i < 22; ++i) expected.Next();
  EXPECT_EQ(random.State(), expected.State());
}

TEST_F(PlacementWalk, AnglesFollowThePathOrStayFixed) {
  preset.layout = Line({{0, 0}, {100, 0}, {100, 100}});
  for (const PlacedSide& s : Walk(preset, 100, 100).sides)
    EXPECT_DOUBLE_EQ(s.theta, (s.pos < 100 ? 0 : std::atan2(1.0, 0.0)) + 1.57079632675) << s.pos;
  preset.angle = 0;
  for (const PlacedSide& s : Walk(preset, 100, 100).sides) EXPECT_DOUBLE_EQ(s.theta, 90 * kPiD / 180);
  preset.angle = -90;
  for (const PlacedSide& s : Walk(preset, 100, 100).sides) EXPECT_EQ(s.theta, 0);
}

TEST_F(PlacementWalk, DrawSideChoosesTheSides) {
  const std::vector<std::vector<int32_t>> want{{0}, {1}, {0, 1}, {0, 1}};
  for (uint8_t drawSide = 0; drawSide < 4; ++drawSide) {
    preset.drawSide = drawSide;
    const Walked w = Walk(preset, 100, 10);
    ASSERT_EQ(w.sides.size(), 11 * want[drawSide].size()) << int{drawSide};
    for (size_t i = 0; i < w.sides.size(); ++i)
      EXPECT_EQ(w.sides[i].side, want[drawSide][i % want[drawSide].size()]) << int{drawSide};
  }
}

TEST_F(PlacementWalk, LengthsFromTheMask) {
  preset.layout = Line({{0, 25}, {99, 25}});  // y = 25 on a 100 x 100 picture, rightwards
  preset.lengthFromMask = 1;
  preset.minLengthPercent = 100;
  preset.drawSide = 3;
  // Without a selection: down to the bottom border (75) and up to the top one (27, as -0.5 < y < 0
  // still counts as row 0); both within the nominal 200.
  Walked w = Walk(preset, 100, 100);
  ASSERT_EQ(w.sides.size(), 20u);
  for (const PlacedSide& s : w.sides) EXPECT_FLOAT_EQ(s.lengthPercent, s.side == 0 ? 37.5f : 13.5f);
  preset.length = 20;
  for (const PlacedSide& s : Walk(preset, 100, 100).sides) EXPECT_EQ(s.lengthPercent, 100);

  // A selected band from row 60 to 79 below the path: side 0 reaches its far edge, side 1 finds
  // nothing.
  preset.length = 200;
  std::vector<uint8_t> bytes(100 * 100, 0);
  for (int y = 60; y < 80; ++y)
    for (int x = 0; x < 100; ++x) bytes[static_cast<size_t>(y * 100 + x)] = 255;
  const MaskInfo mask{bytes.data(), 100, 100, 100};
  Random random(1);
  w = Walk(preset, 100, 100, random, &mask);
  for (const PlacedSide& s : w.sides) EXPECT_FLOAT_EQ(s.lengthPercent, s.side == 0 ? 27.5f : 0.0f);
}

TEST_F(PlacementWalk, NothingToWalk) {
  preset.layout = Line({{50, 50}});
  Walked w = Walk(preset, 100, 100);
  EXPECT_EQ(w.summary.end, WalkEnd::Empty);
  EXPECT_EQ(w.summary.steps, 0);
  EXPECT_TRUE(w.stepPositions.empty());

  preset.layout = Line({{0, 0}, {100, 0}});
  for (int32_t interval : {0, -5}) {
    preset.interval = interval;
    EXPECT_EQ(Walk(preset, 100, 100).summary.end, WalkEnd::Empty);
  }
  preset.interval = 1;
  preset.layout = Line({{INT32_MIN, 0}, {INT32_MAX, 0}});  // billions of positions
  w = Walk(preset, 1000, 1000);
  EXPECT_EQ(w.summary.end, WalkEnd::Empty);
  EXPECT_TRUE(w.stepPositions.empty());
}

TEST_F(PlacementWalk, ZeroLengthPiecesAndDegenerateSettings) {
  // A path that is one point: one stroke there, square to a path running along +x.
  preset.layout = Line({{50, 50}, {50, 50}});
  Walked w = Walk(preset, 100, 100);
  EXPECT_EQ(w.summary.steps, 1);
  ASSERT_EQ(w.sides.size(), 1u);
  EXPECT_EQ(w.sides[0].x, 50);
  EXPECT_EQ(w.sides[0].y, 50);
  EXPECT_DOUBLE_EQ(w.sides[0].theta, 1.57079632675);

  // The last position lands on a zero-length end piece: it keeps the direction of the piece before.
  preset.layout = Line({{0, 0}, {0, 100}, {0, 100}});
  w = Walk(preset, 100, 100);
  ASSERT_EQ(w.sides.size(), 11u);
  EXPECT_EQ(w.sides.back().y, 100);
  EXPECT_DOUBLE_EQ(w.sides.back().theta, w.sides.front().theta);

  // A length of zero and a huge thickness stay finite.
  preset.length = 0;
  preset.thickness = INT32_MAX;
  preset.lengthFromMask = 1;
  for (const PlacedSide& s : Walk(preset, 100, 100).sides) {
    EXPECT_EQ(s.lengthPercent, 0);
    EXPECT_TRUE(std::isfinite(s.thickness));
  }
}

TEST_F(PlacementWalk, StopsWhereBeginStepSaysSo) {
  Random random(3);
  const Walked w = Walk(preset, 100, 10, random, nullptr, 4);
  EXPECT_EQ(w.summary.end, WalkEnd::Stopped);
  EXPECT_EQ(w.summary.steps, 5);
  ASSERT_EQ(w.sides.size(), 4u);
  EXPECT_EQ(w.sides.back().step, 3);
}

}  // namespace
}  // namespace lumbra
