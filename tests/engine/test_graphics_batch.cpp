// Batched drawing: whatever a batch keeps and paints later, strip by strip and on several threads,
// must give the pixels of drawing every operation at once, in the order given.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "engine/Bitmap.h"
#include "engine/Graphics.h"

namespace lumbra {
namespace {

// The first pixel where the two differ, or -1 when they are the same.
long FirstDifference(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return static_cast<long>(y) * a.Width() + x;
  return -1;
}

std::vector<PointF> RandomPolygon(std::mt19937& rng, int width, int height, int points) {
  // Reaching past every side of the picture, with long thin shapes crossing many strips.
  std::uniform_real_distribution<float> x(-0.2f * width, 1.2f * width), y(-0.2f * height, 1.2f * height);
  std::vector<PointF> poly;
  for (int k = 0; k < points; ++k) poly.push_back({x(rng), y(rng)});
  return poly;
}

// Draws a fixed mixture of operations; `batch` puts all of it between BeginBatch and EndBatch.
Bitmap Draw(bool batch, int threads, PixelFormat format = PixelFormat::Argb32, uint32_t backdrop = 0,
            uint32_t secondBackdrop = 0) {
  constexpr int kW = 157, kH = 523;
  Bitmap target(kW, kH, format);
  Bitmap tile(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) tile.SetPixel(x, y, 0x80000000u * ((x + y) & 1) + 0x7F00FF00u + 40u * x);
  Bitmap image(20, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 20; ++x) image.SetPixel(x, y, 0xC0000000u | static_cast<uint32_t>(x * 9 + y * 300));

  Graphics g(target);
  g.SetThreadCount(threads);
  g.SetBackdrops(backdrop, secondBackdrop);
  if (batch) g.BeginBatch();
  std::mt19937 rng(7);
  const uint32_t colours[] = {0xFF102030u, 0x80FF0000u, 0x4000FF80u, 0xFF102030u, 0xC0C0C0C0u};
  g.Clear(0x20406080u);
  for (int round = 0; round < 6; ++round) {
    g.SetSmoothingMode(SmoothingMode::HighQuality);
    g.SetPixelOffsetMode(PixelOffsetMode::Half);
    for (int k = 0; k < 12; ++k) {
      g.FillPolygon(Brush::Solid(colours[(round + k) % 5]), RandomPolygon(rng, kW, kH, 3 + k % 6),
                    k % 3 == 0 ? FillRule::Alternate : FillRule::Winding);
    }
    g.RotateTransform(7.0f * static_cast<float>(round));
    g.FillEllipse(Brush::Solid(0x90FFFF00u), 20, 40, 90, 300);
    g.ResetTransform();
    switch (round) {
      case 0: g.FillPolygon(Brush::Texture(tile), RandomPolygon(rng, kW, kH, 5)); break;
      case 1: g.DrawImage(image, RectF{30, 100, 60, 90}, RectF{0, 0, 20, 30}); break;
      case 2: g.DrawLine(Pen{0xFF0000FFu}, 0, 0, kW, kH); break;
      case 3:
        g.SetSmoothingMode(SmoothingMode::None);
        g.SetPixelOffsetMode(PixelOffsetMode::Default);
        g.FillPolygon(Brush::Solid(0xA0FF00FFu), RandomPolygon(rng, kW, kH, 4));
        g.DrawLine(Pen{0xFF00FF00u, DashStyle::Dash}, kW, 0, 0, kH);
        break;
      case 4:
        g.Clear(0x00000000u);  // everything before is painted over
        g.SetSmoothingMode(SmoothingMode::None);
        g.FillRectangle(Brush::Solid(0xFF00FF00u), 10, 200, 120, 250);  // opaque, beneath the last fills
        break;
      default: break;
    }
  }
  if (batch) g.EndBatch();
  return target;
}

TEST(GraphicsBatch, PaintsWhatDrawingAtOnceWould) {
  for (PixelFormat format : {PixelFormat::Argb32, PixelFormat::Rgb32, PixelFormat::Rgb24}) {
    const Bitmap direct = Draw(false, 1, format);
    for (int threads : {1, 2, 3}) {
      EXPECT_EQ(FirstDifference(Draw(true, threads, format), direct), -1)
          << "format " << static_cast<int>(format) << " threads " << threads;
    }
  }
}

TEST(GraphicsBatch, ABackdropChangesNoPixel) {
  // The opaque colour drawn first is the backdrop: the translucent fills after it take their blends
  // onto its pixels from a table, with and without a batch. With the green rectangle as the second
  // backdrop, the fills of the first colour take theirs onto the green rectangle from its own table.
  const Bitmap direct = Draw(false, 1);
  for (uint32_t second : {0u, 0xFF00FF00u})
    for (bool batch : {false, true})
      for (int threads : {1, 2}) {
        EXPECT_EQ(FirstDifference(Draw(batch, threads, PixelFormat::Argb32, 0xFF102030u, second), direct), -1)
            << "batch " << batch << " threads " << threads << " second " << second;
      }
}

TEST(GraphicsBatch, NothingIsPaintedBeforeTheEndAndAnUnendedBatchIsDropped) {
  Bitmap target(40, 100);
  {
    Graphics g(target);
    g.SetThreadCount(2);
    g.SetSmoothingMode(SmoothingMode::HighQuality);
    g.SetPixelOffsetMode(PixelOffsetMode::Half);
    g.BeginBatch();
    g.Clear(0xFF00FF00u);
    g.FillRectangle(Brush::Solid(0xFF0000FFu), 5, 5, 20, 80);
    EXPECT_EQ(target.GetPixel(10, 50), 0u);
    g.EndBatch();
    EXPECT_EQ(target.GetPixel(10, 50), 0xFF0000FFu);
    EXPECT_EQ(target.GetPixel(30, 50), 0xFF00FF00u);
    // Begun again and never ended: the Graphics goes without touching the pixels.
    g.BeginBatch();
    g.FillRectangle(Brush::Solid(0xFFFF0000u), 0, 0, 40, 100);
  }
  EXPECT_EQ(target.GetPixel(10, 50), 0xFF0000FFu);
  EXPECT_EQ(target.GetPixel(30, 50), 0xFF00FF00u);
}

TEST(GraphicsBatch, ABatchTooBigToKeepIsPaintedInPartsInOrder) {
  // Thousands of tall shapes, each crossing every band of the picture: far more edges and bands
  // than one batch keeps, so it is painted in several parts; overlapping translucent colours show
  // any change of order.
  constexpr int kW = 24, kH = 1600;
  auto draw = [&](bool batch, int threads) {
    Bitmap target(kW, kH);
    Graphics g(target);
    g.SetThreadCount(threads);
    g.SetSmoothingMode(SmoothingMode::HighQuality);
    g.SetPixelOffsetMode(PixelOffsetMode::Half);
    if (batch) g.BeginBatch();
    for (int k = 0; k < 12000; ++k) {
      const float x = static_cast<float>(k % 19);
      const std::vector<PointF> quad{{x, -1}, {x + 2.5f, -1}, {x + 4.75f, kH + 1.0f}, {x + 0.25f, kH + 1.0f}};
      g.FillPolygon(Brush::Solid(k % 3 == 0   ? 0x80FF0000u
                                 : k % 3 == 1 ? 0x6000FF00u
                                              : 0xA00000FFu),
                    quad, FillRule::Winding);
    }
    if (batch) g.EndBatch();
    return target;
  };
  const Bitmap direct = draw(false, 1);
  EXPECT_EQ(FirstDifference(draw(true, 2), direct), -1);
  EXPECT_EQ(FirstDifference(draw(true, 3), direct), -1);
}

}  // namespace
}  // namespace lumbra
