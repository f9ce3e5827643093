#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "data/PresetData.h"
#include "engine/Bitmap.h"
#include "engine/Compose.h"
#include "engine/Graphics.h"
#include "engine/Render.h"
#include "engine/Resample.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

struct Stroke {
  std::vector<PointF> polygon;
  uint32_t argb;
};

// One render with a recording of every callback.
struct Rendered {
  int32_t result = -1;
  std::vector<std::pair<int32_t, int32_t>> progress;
  int completions = 0;
  std::vector<Stroke> strokes;
};

class RenderTest : public ::testing::Test {
 protected:
  RenderTest() {
    // A horizontal path across the middle of a 120 x 80 picture, lines pointing down (side 0).
    preset.layout.SetMode(0);
    preset.layout.GetPoints() = {{0, 50}, {100, 50}};
    preset.drawSide = 0;
    preset.interval = 12;
    preset.length = 30;
    preset.height = 40;
    preset.thickness = 6;
    preset.minLengthPercent = 100;
  }

  Rendered Render(Bitmap& target, uint32_t seed = 11, uint8_t abortAtStart = 0, int abortAtCall = -1) {
    Rendered r;
    RenderJob job;
    job.preset = &preset;
    job.target = &target;
    job.seed = seed;
    job.abort = abortAtStart;
    job.progress = [&](int32_t pos, int32_t total) {
      r.progress.emplace_back(pos, total);
      if (static_cast<int>(r.progress.size()) == abortAtCall) job.abort = 1;
    };
    job.completion = [&] { ++r.completions; };
    job.strokeSink = [&](const std::vector<PointF>& polygon, uint32_t argb) { r.strokes.push_back({polygon, argb}); };
    r.result = RenderLines(job);
    return r;
  }

  test::TempDataFolder data;
  test::RecordingMessageService messages;
  CPresetData preset;
};

// Filled with a pattern, so that a clear is visible.
Bitmap Junk(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, 0x80000000u | static_cast<uint32_t>(x * 7 + y));
  return b;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

TEST_F(RenderTest, AliasedStrokesStandBelowTheBaseAndNowhereElse) {
  Bitmap layer = Junk(120, 80);
  const Rendered r = Render(layer);
  EXPECT_EQ(r.result, 1);
  EXPECT_EQ(r.completions, 1);
  ASSERT_EQ(r.strokes.size(), 11u);  // x = 0, 12, ..., 120
  int drawn = 0;
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = layer.GetPixel(x, y);
      EXPECT_TRUE(p == 0 || p == 0xFF000000u) << x << "," << y;  // aliased: full colour or nothing
      if (y < 37 || y > 70) {
        EXPECT_EQ(p, 0u) << x << "," << y;  // 3 px above the base, 30 below
      }
      drawn += p != 0;
    }
  }
  EXPECT_GT(drawn, 11 * 60);
  // Each stroke covers its base column just below the path.
  for (int k = 0; k < 10; ++k) EXPECT_EQ(layer.GetPixel(12 * k, 45), 0xFF000000u) << k;
  // Half way between two strokes 6 px wide nothing is drawn.
  EXPECT_EQ(layer.GetPixel(6, 45), 0u);
}

TEST_F(RenderTest, StrokePolygonsAreWhatIsFilled) {
  for (uint8_t aa : {0, 1}) {
    preset.antialias = aa;
    preset.jitter = 3;
    preset.overshoot = 5;
    preset.minThicknessPercent = 30;
    preset.drawSide = 2;
    preset.ruler.GetPoints() = {{0, 0}, {40, 60}, {100, 0}};
    Bitmap layer(120, 80);
    const Rendered r = Render(layer, 77);
    ASSERT_FALSE(r.strokes.empty());
    Bitmap again(120, 80);
    Graphics g(again);
    g.SetSmoothingMode(aa ? SmoothingMode::HighQuality : SmoothingMode::None);
    g.SetPixelOffsetMode(aa ? PixelOffsetMode::Half : PixelOffsetMode::Default);
    for (const Stroke& s : r.strokes) g.FillPolygon(Brush::Solid(s.argb), s.polygon, FillRule::Winding);
    EXPECT_TRUE(SamePixels(layer, again)) << int{aa};
  }
}

TEST_F(RenderTest, SideTransformsMirrorOrTurnTheSecondSide) {
  // A bent ruler, so that mirrored and turned strokes differ.
  preset.ruler.GetPoints() = {{0, 0}, {50, 100}, {100, 0}};
  preset.penTip = 0;
  const auto sidesAt = [&](uint8_t drawSide) {
    preset.drawSide = drawSide;
    Bitmap layer(120, 80);
    Rendered r = Render(layer);
    EXPECT_EQ(r.strokes.size(), drawSide < 2 ? 11u : 22u) << int{drawSide};
    return r.strokes;
  };
  const std::vector<Stroke> right = sidesAt(0), left = sidesAt(1), point = sidesAt(2), mirror = sidesAt(3);
  const float baseY = 40;
  for (size_t k = 0; k < 11; ++k) {
    const float baseX = 12.0f * static_cast<float>(k);
    const std::vector<PointF>& s0 = point[2 * k].polygon;
    const std::vector<PointF>& p1 = point[2 * k + 1].polygon;
    const std::vector<PointF>& m1 = mirror[2 * k + 1].polygon;
    ASSERT_EQ(s0.size(), p1.size());
    ASSERT_EQ(s0.size(), m1.size());
    EXPECT_EQ(right[k].polygon, s0);
    EXPECT_EQ(left[k].polygon, m1);
    double meanY = 0;
    for (const PointF& p : s0) meanY += p.y / static_cast<double>(s0.size());
    EXPECT_GT(meanY, baseY + 5);  // side 0 points down, along theta
    for (size_t i = 0; i < s0.size(); ++i) {
      // Point-symmetric: turned half way round the base point.
      EXPECT_NEAR(p1[i].x, 2 * baseX - s0[i].x, 1e-3);
      EXPECT_NEAR(p1[i].y, 2 * baseY - s0[i].y, 1e-3);
      // Mirror-symmetric: reflected in the path.
      EXPECT_NEAR(m1[i].x, s0[i].x, 1e-3);
      EXPECT_NEAR(m1[i].y, 2 * baseY - s0[i].y, 1e-3);
    }
  }
}

TEST_F(RenderTest, ColourGreyAndAntialiasing) {
  preset.color = 0xFFFF0000u;
  EXPECT_EQ(StrokeColor(preset), 0xFFFF0000u);
  preset.grayscale = true;
  EXPECT_EQ(StrokeColor(preset), 0xFF4C4C4Cu);  // 76 for pure red
  preset.color = 0xFFFFFFFFu;
  EXPECT_EQ(StrokeColor(preset), 0xFFFFFFFFu);
  preset.color = 0xFFFF0000u;

  Bitmap layer(120, 80);
  Render(layer);
  bool partial = false;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = layer.GetPixel(x, y);
      EXPECT_TRUE(p == 0 || p == 0xFF4C4C4Cu);
    }
  preset.antialias = 1;
  Render(layer);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) {
      const uint32_t p = layer.GetPixel(x, y);
      EXPECT_TRUE(p == 0 || (p & 0xFFFFFFu) == 0x4C4C4Cu);
      partial = partial || ((p >> 24) != 0 && (p >> 24) != 255);
    }
  EXPECT_TRUE(partial);
}

TEST_F(RenderTest, SeedsRepeatAndDiffer) {
  preset.jitter = 4;
  preset.overshoot = 8;
  preset.minLengthPercent = 20;
  preset.minThicknessPercent = 10;
  preset.antialias = 1;
  Bitmap a(120, 80), b(120, 80), c(120, 80);
  Render(a, 1234);
  Render(b, 1234);
  Render(c, 4321);
  EXPECT_TRUE(SamePixels(a, b));
  EXPECT_FALSE(SamePixels(a, c));
}

TEST_F(RenderTest, ProgressAndCompletion) {
  Bitmap layer(120, 80);
  const Rendered r = Render(layer);
  ASSERT_EQ(r.progress.size(), 12u);  // every step, then the end
  for (int k = 0; k < 11; ++k) EXPECT_EQ(r.progress[static_cast<size_t>(k)], std::make_pair(12 * k, 120));
  EXPECT_EQ(r.progress.back(), std::make_pair(0, 0));
  EXPECT_EQ(r.completions, 1);
}

// On more than one thread the strokes are painted together after the walk, and that painting
// reports its own progress up to its end; one thread paints as it walks and reports none.
TEST_F(RenderTest, PaintingAfterTheWalkReportsItsProgress) {
  preset.antialias = 1;
  for (int threads : {1, 2}) {
    Bitmap layer(120, 300);
    RenderJob job;
    job.preset = &preset;
    job.target = &layer;
    job.seed = 3;
    job.threadCount = threads;
    bool stepAfterPainting = false;
    std::vector<std::pair<int32_t, int32_t>> painted;
    job.progress = [&](int32_t, int32_t total) {
      stepAfterPainting = stepAfterPainting || (total > 0 && !painted.empty());
    };
    job.paintProgress = [&](int32_t done, int32_t total) { painted.emplace_back(done, total); };
    ASSERT_EQ(RenderLines(job), 1);
    if (threads == 1) {
      EXPECT_TRUE(painted.empty());
      continue;
    }
    ASSERT_FALSE(painted.empty());
    EXPECT_FALSE(stepAfterPainting);
    for (size_t i = 1; i < painted.size(); ++i) EXPECT_GE(painted[i].first, painted[i - 1].first);
    EXPECT_EQ(painted.back().first, painted.back().second);
    EXPECT_GT(painted.back().second, 1);
  }
}

TEST_F(RenderTest, AbortBeforeTheFirstStepAndMidway) {
  Bitmap layer = Junk(120, 80);
  Rendered r = Render(layer, 11, 1);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.progress, (std::vector<std::pair<int32_t, int32_t>>{{0, 120}}));
  EXPECT_EQ(r.completions, 0);
  EXPECT_TRUE(r.strokes.empty());

  // Stopped by the progress callback of the fourth step: three strokes placed, and nothing
  // painted beyond them.
  r = Render(layer, 11, 0, 4);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.progress.size(), 4u);
  EXPECT_EQ(r.completions, 0);
  EXPECT_EQ(r.strokes.size(), 3u);
  EXPECT_EQ(layer.GetPixel(36, 45), 0u);
}

TEST_F(RenderTest, NothingToDrawClearsWithoutCallbacks) {
  for (int variant = 0; variant < 3; ++variant) {
    if (variant == 0) preset.layout.GetPoints() = {{50, 50}};
    if (variant == 1) preset.layout.SetCircle(50, 50, 20, 20, 0, 0);
    if (variant == 2) {
      preset.layout.GetPoints() = {{0, 50}, {100, 50}};
      preset.layout.SetMode(0);
      preset.interval = 0;
    }
    Bitmap layer = Junk(120, 80);
    const Rendered r = Render(layer);
    EXPECT_EQ(r.result, 0) << variant;
    EXPECT_TRUE(r.progress.empty()) << variant;
    EXPECT_EQ(r.completions, 0) << variant;
    EXPECT_TRUE(SamePixels(layer, Bitmap(120, 80))) << variant;
  }
  RenderJob job;
  EXPECT_EQ(RenderLines(job), 0);  // no preset, no target
}

TEST_F(RenderTest, ExtremeSettingsFinish) {
  preset.thickness = INT32_MAX;
  preset.height = INT32_MIN;
  preset.length = 5;
  Bitmap layer(120, 80);
  EXPECT_EQ(Render(layer).result, 1);
  preset.thickness = 3;
  preset.length = INT32_MAX;
  preset.lengthFromMask = 1;
  preset.antialias = 1;
  preset.fixedTaper = 0;
  EXPECT_EQ(Render(layer).result, 1);
  EXPECT_EQ(layer.GetPixel(60, 79), 0xFF000000u);  // down to the border
  Bitmap empty;
  EXPECT_EQ(Render(empty).result, 1);
}

// At a display's scale the same lines are placed (same seed, same geometry, the picture's own
// size for the placement) and drawn smaller: they match the full-size lines zoomed out.
TEST_F(RenderTest, AtADisplayScaleTheSameLinesAreDrawnSmaller) {
  preset.layout.SetDefaultCircle();
  preset.interval = 4;
  preset.length = 90;
  preset.jitter = 3;
  for (uint8_t antialias : {uint8_t{1}, uint8_t{0}}) {
    preset.antialias = antialias;
    Bitmap full(480, 320);
    Render(full, 5);
    for (double scale : {0.25, 0.5}) {
      Bitmap small(ZoomedSide(480, scale), ZoomedSide(320, scale));
      RenderJob job;
      job.preset = &preset;
      job.target = &small;
      job.seed = 5;
      job.scale = scale;
      job.pictureWidth = 480;
      job.pictureHeight = 320;
      ASSERT_EQ(RenderLines(job), 1);
      // A part of the small picture, drawn on its own, is that part of it (to within the rounding
      // of where its points land).
      Bitmap part(41, 29);
      job.target = &part;
      job.originX = 13;
      job.originY = 7;
      ASSERT_EQ(RenderLines(job), 1);
      int worst = 0, drawn = 0;
      for (int y = 0; y < part.Height(); ++y)
        for (int x = 0; x < part.Width(); ++x) {
          const uint32_t p = part.GetPixel(x, y), q = small.GetPixel(x + 13, y + 7);
          worst = std::max(worst, std::abs(static_cast<int>(p >> 24) - static_cast<int>(q >> 24)));
          drawn += (q >> 24) != 0;
          EXPECT_EQ(p & 0xFFFFFFu, q & 0xFFFFFFu);
        }
      EXPECT_GT(drawn, 50);
      EXPECT_LE(worst, 2) << "antialias " << int{antialias} << " scale " << scale;
      Bitmap zoomed(small.Width(), small.Height());
      ZoomRegion(full, scale, 0, 0, zoomed);
      long long difference = 0, covered = 0;
      for (int y = 0; y < small.Height(); ++y)
        for (int x = 0; x < small.Width(); ++x) {
          const int a = static_cast<int>(small.GetPixel(x, y) >> 24), b = static_cast<int>(zoomed.GetPixel(x, y) >> 24);
          difference += std::abs(a - b);
          covered += b;
        }
      // Coverage agrees to within a tenth of what is drawn (where strokes overlap, coverage is
      // clamped per pixel at either size); another seed's lines differ by 35 % and more.
      EXPECT_GT(covered, 255 * 100);
      EXPECT_LT(difference * 100, covered * 12)
          << difference * 100.0 / covered << " antialias " << int{antialias} << " scale " << scale;
    }
  }
}

TEST_F(RenderTest, ComposeIsSourceOverOfTheLineLayer) {
  preset.antialias = 1;
  preset.color = 0xC0204080u;  // translucent, so that every blend case occurs
  Bitmap layer(120, 80);
  Render(layer);
  std::mt19937 rng(5);
  // Straight ARGB with mixed alpha, the same all opaque, and the two opaque formats.
  for (int variant = 0; variant < 4; ++variant) {
    const PixelFormat format = variant < 2    ? PixelFormat::Argb32
                               : variant == 2 ? PixelFormat::Rgb32
                                              : PixelFormat::Rgb24;
    Bitmap picture(120, 80, format);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 120; ++x) {
        uint32_t p = rng();
        if (x % 3 == 0 || variant == 1) p |= 0xFF000000u;
        if (x % 5 == 0 && variant != 1) p &= 0x00FFFFFFu;
        picture.SetPixel(x, y, p);
      }
    Bitmap want = picture.Clone();
    Graphics g(want);
    g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
    g.DrawImage(layer, RectF{0, 0, 120, 80}, RectF{0, 0, 120, 80});
    ComposeOver(picture, layer);
    EXPECT_TRUE(SamePixels(picture, want)) << variant;
  }
  // A smaller layer composes over the corner it covers.
  Bitmap picture(130, 90);
  ComposeOver(picture, layer);
  EXPECT_EQ(picture.GetPixel(60, 45), layer.GetPixel(60, 45));
  EXPECT_EQ(picture.GetPixel(125, 45), 0u);
}

}  // namespace
}  // namespace lumbra
