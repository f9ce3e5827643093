// Strokes with a rim, and lines in bundles: the pixels, the order, the placed steps, the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "data/PresetData.h"
#include "data/RecordFile.h"
#include "engine/Bitmap.h"
#include "engine/Edge.h"
#include "engine/Graphics.h"
#include "engine/Placement.h"
#include "engine/Render.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

constexpr uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

double DistanceToRect(double x, double y, double left, double top, double right, double bottom) {
  const double dx = std::max({left - x, 0.0, x - right}), dy = std::max({top - y, 0.0, y - bottom});
  return std::hypot(dx, dy);
}

// A black bar 20 x 4 with a white rim 2 px wide, aliased, over nothing (an aliased pixel (x, y)
// is drawn when the point (x, y) is covered): black inside the bar, white within 2 px of it (so
// the rim's corners are round), nothing beyond.
TEST(Edge, ABarWithATwoPixelRimByHand) {
  for (bool clockwise : {false, true}) {
    std::vector<PointF> bar{{10.5f, 8.5f}, {30.5f, 8.5f}, {30.5f, 12.5f}, {10.5f, 12.5f}};
    if (clockwise) std::reverse(bar.begin(), bar.end());
    std::vector<PointF> rim;
    EdgeContour(bar, 2, 0.125f, rim);
    Bitmap layer(40, 20);
    Graphics g(layer);
    g.Clear(0);
    g.FillPolygon(Brush::Solid(kWhite), rim, FillRule::Winding);
    g.FillPolygon(Brush::Solid(kBlack), bar, FillRule::Winding);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x) {
        const double d = DistanceToRect(x, y, 10.5, 8.5, 30.5, 12.5);
        const uint32_t expected = d == 0 ? kBlack : d <= 2 ? kWhite : 0u;
        EXPECT_EQ(layer.GetPixel(x, y), expected) << x << "," << y << (clockwise ? " clockwise" : "");
      }
  }
}

// A concave outline (an L) is widened into every point within the width, its notch included.
TEST(Edge, ConcaveOutlinesAreWidenedEverywhere) {
  const std::vector<PointF> ell{{10, 10}, {40, 10}, {40, 16}, {16, 16}, {16, 40}, {10, 40}};
  std::vector<PointF> rim;
  EdgeContour(ell, 5, 0.05f, rim);
  Bitmap layer(60, 60);
  Graphics g(layer);
  g.Clear(0);
  g.FillPolygon(Brush::Solid(kWhite), rim, FillRule::Winding);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) {
      const double px = x, py = y;
      const double d = std::min(DistanceToRect(px, py, 10, 10, 40, 16), DistanceToRect(px, py, 10, 10, 16, 40));
      if (std::abs(d - 5) < 0.1) continue;  // on the rim's edge: either way
      EXPECT_EQ(layer.GetPixel(x, y) != 0, d < 5) << x << "," << y;
    }
}

class EdgeRenderTest : public ::testing::Test {
 protected:
  EdgeRenderTest() {
    // Lines hanging down from a horizontal path, 8 px wide, 5 px apart: neighbours overlap.
    preset.layout.SetMode(0);
    preset.layout.GetPoints() = {{0, 30}, {100, 30}};
    preset.drawSide = 0;
    preset.interval = 5;
    preset.length = 40;
    preset.height = 40;
    preset.thickness = 8;
    preset.minLengthPercent = 100;
    preset.jitter = 2;
  }
  std::vector<uint32_t> Render(std::vector<uint32_t>* colours = nullptr) {
    Bitmap layer(100, 80);
    RenderJob job;
    job.preset = &preset;
    job.target = &layer;
    job.seed = 5;
    job.threadCount = 1;
    if (colours) job.strokeSink = [&](const std::vector<PointF>&, uint32_t argb) { colours->push_back(argb); };
    EXPECT_EQ(RenderLines(job), 1);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) pixels.push_back(layer.GetPixel(x, y));
    return pixels;
  }
  test::TempDataFolder data;
  CPresetData preset;
};

// Separate rims cover the strokes drawn before them; merged ones never cover a stroke. Either
// way every stroke pixel of the render without rims is there or covered by a later rim, and the
// rims reach beyond the strokes. The sink gets the rims in the order they are painted.
TEST_F(EdgeRenderTest, SeparateAndMergedRims) {
  const std::vector<uint32_t> plain = Render();
  preset.edgeWidth = 2;
  preset.edgeColor = 0xFFFF0000u;
  std::vector<uint32_t> separateOrder, mergedOrder;
  const std::vector<uint32_t> separate = Render(&separateOrder);
  preset.edgeMode = CPresetData::kEdgeMerged;
  const std::vector<uint32_t> merged = Render(&mergedOrder);
  int covered = 0, rimOnly = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (plain[i] == kBlack) {
      EXPECT_EQ(merged[i], kBlack) << i;
      EXPECT_TRUE(separate[i] == kBlack || separate[i] == 0xFFFF0000u) << i;
      covered += separate[i] != kBlack;
    } else {
      EXPECT_EQ(plain[i], 0u);
      EXPECT_EQ(separate[i], merged[i] == kBlack ? separate[i] : merged[i]) << i;
      rimOnly += merged[i] == 0xFFFF0000u;
    }
  }
  EXPECT_GT(covered, 100);
  EXPECT_GT(rimOnly, 200);
  const size_t n = separateOrder.size();
  ASSERT_EQ(mergedOrder.size(), n);
  ASSERT_GT(n, 20u);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(separateOrder[i], i % 2 == 0 ? 0xFFFF0000u : kBlack) << i;
    EXPECT_EQ(mergedOrder[i], i < n / 2 ? 0xFFFF0000u : kBlack) << i;
  }
  preset.grayscale = true;
  EXPECT_EQ(EdgeColor(preset), 0xFF4C4C4Cu);  // red's luminance, as lines get theirs
}

// What the sink is handed, each rim whole, filled again in that order gives the render's pixels
// (the render leaves out the inside of a rim that its stroke covers), on any number of threads.
TEST_F(EdgeRenderTest, RimsAreWhatTheSinkIsHanded) {
  preset.edgeWidth = 3;
  preset.edgeColor = 0xFF2040FFu;
  preset.thickness = 14;
  // A straight stroke (convex) and a bent one (not convex).
  const std::vector<Point> rulers[] = {{{0, 0}, {100, 0}}, {{0, 0}, {40, 30}, {100, 0}}};
  for (int bent = 0; bent < 2; ++bent) {
    preset.ruler.GetPoints() = rulers[bent];
    for (uint8_t aa : {0, 1})
      for (uint8_t mode : {CPresetData::kEdgeSeparate, CPresetData::kEdgeMerged}) {
        preset.antialias = aa;
        preset.edgeMode = mode;
        std::vector<std::pair<std::vector<PointF>, uint32_t>> filled;
        const auto render = [&](int threads, bool record) {
          Bitmap layer(100, 80);
          RenderJob job;
          job.preset = &preset;
          job.target = &layer;
          job.seed = 8;
          job.threadCount = threads;
          if (record) job.strokeSink = [&](const std::vector<PointF>& p, uint32_t argb) { filled.emplace_back(p, argb); };
          RenderLines(job);
          return layer;
        };
        const Bitmap layer = render(1, true);
        Bitmap again(100, 80);
        Graphics g(again);
        g.SetSmoothingMode(aa ? SmoothingMode::HighQuality : SmoothingMode::None);
        g.SetPixelOffsetMode(aa ? PixelOffsetMode::Half : PixelOffsetMode::Default);
        for (const auto& [polygon, argb] : filled) g.FillPolygon(Brush::Solid(argb), polygon, FillRule::Winding);
        const Bitmap threaded = render(0, false);
        int differing = 0, threadDiffering = 0;
        for (int y = 0; y < 80; ++y)
          for (int x = 0; x < 100; ++x) {
            differing += layer.GetPixel(x, y) != again.GetPixel(x, y);
            threadDiffering += layer.GetPixel(x, y) != threaded.GetPixel(x, y);
          }
        EXPECT_EQ(differing, 0) << "bent " << bent << ", aa " << int{aa} << ", mode " << int{mode};
        EXPECT_EQ(threadDiffering, 0) << "bent " << bent << ", aa " << int{aa} << ", mode " << int{mode};
      }
  }
}

std::vector<bool> Gaps(CPresetData& preset, int steps, uint32_t seed = 3) {
  BundleCounter bundles(preset, seed);
  std::vector<bool> gaps;
  for (int i = 0; i < steps; ++i) gaps.push_back(bundles.Gap());
  return gaps;
}

TEST_F(EdgeRenderTest, BundlesLeaveGapsAndTakeNothingElseAway) {
  EXPECT_EQ(Gaps(preset, 6), std::vector<bool>(6, false));  // one line per bundle: no bundles
  preset.bundleGap = 5;
  EXPECT_EQ(Gaps(preset, 6), std::vector<bool>(6, false));
  preset.bundleLines = 3;
  preset.bundleGap = 2;
  EXPECT_EQ(Gaps(preset, 10), (std::vector<bool>{0, 0, 0, 1, 1, 0, 0, 0, 1, 1}));
  // Varied: every bundle has a line, counts and gaps stay within the variation, and they repeat.
  preset.bundleLines = 10;
  preset.bundleGap = 10;
  preset.bundleVariation = 50;
  const std::vector<bool> varied = Gaps(preset, 2000);
  EXPECT_EQ(varied, Gaps(preset, 2000));
  EXPECT_NE(varied, Gaps(preset, 2000, 4));
  std::vector<int> runs{1};
  for (size_t i = 1; i < varied.size(); ++i) {
    if (varied[i] == varied[i - 1]) {
      ++runs.back();
    } else {
      runs.push_back(1);
    }
  }
  runs.pop_back();  // the last run may be cut short
  for (int run : runs) {
    EXPECT_GE(run, 5);
    EXPECT_LE(run, 15 + 15);  // a gap of 0 joins two bundles
  }
  EXPECT_GT(*std::max_element(runs.begin(), runs.end()), 12);

  // The walk: the same sides as without bundles, those in the gaps marked.
  const auto walk = [&] {
    std::vector<PlacedSide> sides;
    Random random(9);
    WalkPlacement(preset, 200, 100, nullptr, random, nullptr, [&](const PlacedSide& s) { sides.push_back(s); });
    return sides;
  };
  const std::vector<PlacedSide> bundled = walk();
  preset.bundleLines = 1;
  const std::vector<PlacedSide> plain = walk();
  ASSERT_EQ(bundled.size(), plain.size());
  int gaps = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(bundled[i].x, plain[i].x);
    EXPECT_EQ(bundled[i].lengthPercent, plain[i].lengthPercent);
    EXPECT_FALSE(plain[i].gap);
    gaps += bundled[i].gap;
  }
  EXPECT_GT(gaps, 0);
  EXPECT_LT(gaps, static_cast<int>(plain.size()));
}

using Bytes = std::vector<unsigned char>;

// Rims and bundles follow the first version's settings in blocks that a first-version reader
// never reaches: the file up to them is what a preset without them writes. A preset without them
// is written back byte for byte; an unknown block is skipped and kept; a block cut short is an
// error.
TEST_F(EdgeRenderTest, FilesKeepTheirLayoutAndSkipUnknownBlocks) {
  const std::string path = data.File("preset/p.qmfpreset");
  ASSERT_TRUE(preset.Save("p", false));
  const Bytes first = test::ReadBytes(path);
  CPresetData loaded;
  loaded.ReadFile(path);
  ASSERT_TRUE(loaded.Save("p2", false));
  EXPECT_EQ(test::ReadBytes(data.File("preset/p2.qmfpreset")), first);
  EXPECT_EQ(loaded.edgeWidth, 0);
  EXPECT_EQ(loaded.bundleLines, 1);

  preset.edgeWidth = 7;
  preset.edgeColor = 0xFF102030u;
  preset.edgeMode = CPresetData::kEdgeMerged;
  preset.bundleLines = 4;
  preset.bundleGap = 3;
  preset.bundleVariation = 20;
  ASSERT_TRUE(preset.Save("e", false));
  Bytes extended = test::ReadBytes(data.File("preset/e.qmfpreset"));
  ASSERT_GT(extended.size(), first.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), extended.begin()));
  const Bytes unknown{'f', 'u', 't', 'r', 3, 0, 0, 0, 1, 2, 3};
  extended.insert(extended.end(), unknown.begin(), unknown.end());
  test::WriteBytes(path, extended);
  loaded.ReadFile(path);
  EXPECT_EQ(loaded.edgeWidth, 7);
  EXPECT_EQ(loaded.edgeColor, 0xFF102030u);
  EXPECT_EQ(loaded.edgeMode, CPresetData::kEdgeMerged);
  EXPECT_EQ(loaded.bundleLines, 4);
  EXPECT_EQ(loaded.bundleGap, 3);
  EXPECT_EQ(loaded.bundleVariation, 20);
  ASSERT_TRUE(loaded.Save("q", false));
  EXPECT_EQ(test::ReadBytes(data.File("preset/q.qmfpreset")), extended);

  extended.resize(extended.size() - 1);
  test::WriteBytes(path, extended);
  EXPECT_THROW(loaded.ReadFile(path), FileError);
  EXPECT_EQ(loaded.bundleLines, 4);  // unchanged by the failed read
}

}  // namespace
}  // namespace lumbra
