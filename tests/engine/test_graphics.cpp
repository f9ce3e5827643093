#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <utility>
#include <vector>

#include "engine/Bitmap.h"
#include "engine/Graphics.h"

namespace lumbra {
namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels whose value differs from `background`.
Pixels Changed(const Bitmap& b, uint32_t background = 0) {
  Pixels out;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.GetPixel(x, y) != background) out.insert({x, y});
    }
  }
  return out;
}

Pixels Block(int x0, int y0, int x1, int y1) {  // inclusive
  Pixels out;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) out.insert({x, y});
  }
  return out;
}

uint32_t Alpha(uint32_t argb) { return argb >> 24; }

void Smooth(Graphics& g) {
  g.SetSmoothingMode(SmoothingMode::HighQuality);
  g.SetPixelOffsetMode(PixelOffsetMode::Half);
}

TEST(GraphicsClear, SetsEveryPixelAlphaIncluded) {
  Bitmap argb(3, 2);
  Graphics(argb).Clear(0x40102030u);
  EXPECT_EQ(Changed(argb, 0x40102030u).size(), 0u);
  Bitmap rgb32(3, 2, PixelFormat::Rgb32), rgb24(3, 2, PixelFormat::Rgb24);
  Graphics(rgb32).Clear(0x00A0B0C0u);
  Graphics(rgb24).Clear(0x00A0B0C0u);
  EXPECT_EQ(Changed(rgb32, 0xFFA0B0C0u).size(), 0u);
  EXPECT_EQ(Changed(rgb24, 0xFFA0B0C0u).size(), 0u);
}

TEST(GraphicsClear, ReachesPixelsAfterOnesThatHeldTheValue) {
  Bitmap argb(5, 3);
  argb.SetPixel(4, 0, 0x01000000u);  // the last pixel of a row
  argb.SetPixel(2, 1, 0xFF112233u);  // one in the middle
  argb.SetPixel(0, 2, 0x00000001u);  // the first
  Graphics(argb).Clear(0);
  EXPECT_EQ(Changed(argb, 0).size(), 0u);
}

TEST(GraphicsFill, PixelOffsetAndSmoothingModes) {
  const Brush black = Brush::Solid(0xFF000000u);
  {
    // Aliased, default offset: pixel centres at whole coordinates, so [0.5, 2.5) holds 1 and 2.
    Bitmap b(6, 6);
    Graphics(b).FillRectangle(black, 0.5f, 0.5f, 2, 2);
    EXPECT_EQ(Changed(b), Block(1, 1, 2, 2));
  }
  {
    // Aliased, half offset: pixel i is centred on i + 0.5, so the same square holds 0 and 1.
    Bitmap b(6, 6);
    Graphics g(b);
    g.SetPixelOffsetMode(PixelOffsetMode::Half);
    g.FillRectangle(black, 0.5f, 0.5f, 2, 2);
    EXPECT_EQ(Changed(b), Block(0, 0, 1, 1));
  }
  {
    // Anti-aliased, half offset: pixel (i, j) is the unit square at (i, j); coverage is area.
    Bitmap b(6, 6);
    Graphics g(b);
    Smooth(g);
    g.FillRectangle(black, 0.5f, 0.5f, 2, 2);
    EXPECT_EQ(b.GetPixel(0, 0), 0x40000000u);  // a quarter: alpha 64
    EXPECT_EQ(b.GetPixel(1, 0), 0x80000000u);  // a half: 127.5 rounds to 128
    EXPECT_EQ(b.GetPixel(1, 1), 0xFF000000u);
    EXPECT_EQ(b.GetPixel(2, 2), 0x40000000u);
    EXPECT_EQ(Changed(b), Block(0, 0, 2, 2));
  }
  {
    // Anti-aliased, default offset: pixel (i, j) is centred on (i, j), so the square is whole pixels.
    Bitmap b(6, 6);
    Graphics g(b);
    g.SetSmoothingMode(SmoothingMode::HighQuality);
    g.FillRectangle(black, 0.5f, 0.5f, 2, 2);
    EXPECT_EQ(Changed(b), Block(1, 1, 2, 2));
    EXPECT_EQ(b.GetPixel(2, 2), 0xFF000000u);
  }
}

TEST(GraphicsFill, WindingRulesThroughTheContext) {
  // A square wound twice over one pixel row: Winding fills it, Alternate leaves a hole.
  const std::vector<std::vector<PointF>> twice = {{{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {{0, 1}, {4, 1}, {4, 2}, {0, 2}}};
  Bitmap a(4, 4), w(4, 4);
  Graphics(a).FillPolygons(Brush::Solid(0xFF000000u), twice, FillRule::Alternate);
  Graphics(w).FillPolygons(Brush::Solid(0xFF000000u), twice, FillRule::Winding);
  EXPECT_EQ(Changed(w), Block(0, 0, 3, 3));
  Pixels hole = Block(0, 0, 3, 3);
  for (int x = 0; x < 4; ++x) hole.erase({x, 1});
  EXPECT_EQ(Changed(a), hole);
}

TEST(GraphicsTransform, OperationsApplyInTheOrderGiven) {
  const Brush black = Brush::Solid(0xFF000000u);
  {
    // Translate by 2, then scale x by 3: [0, 1] becomes [6, 9].
    Bitmap b(12, 2);
    Graphics g(b);
    g.TranslateTransform(2, 0);
    g.ScaleTransform(3, 1);
    g.FillRectangle(black, 0, 0, 1, 1);
    EXPECT_EQ(Changed(b), Block(6, 0, 8, 0));
  }
  {
    // Scale first, then translate: [0, 3] + 2.
    Bitmap b(12, 2);
    Graphics g(b);
    g.ScaleTransform(3, 1);
    g.TranslateTransform(2, 0);
    g.FillRectangle(black, 0, 0, 1, 1);
    EXPECT_EQ(Changed(b), Block(2, 0, 4, 0));
  }
  {
    // A positive angle turns +x towards +y: the strip along x becomes a strip along y; then
    // translated right. (x, y) -> (-y + 5, x): x in [0, 4], y in [0, 1] gives x' in [4, 5].
    Bitmap b(8, 8);
    Graphics g(b);
    g.RotateTransform(90);
    g.TranslateTransform(5, 0);
    g.FillRectangle(black, 0, 0, 4, 1);
    EXPECT_EQ(Changed(b), Block(4, 0, 4, 3));
    // Translated first and then turned, the same strip lands left of the picture.
    Bitmap c(8, 8);
    Graphics h(c);
    h.TranslateTransform(5, 0);
    h.RotateTransform(90);
    h.FillRectangle(black, 0, 0, 4, 1);
    EXPECT_TRUE(Changed(c).empty());
    // Reset clears it all.
    h.ResetTransform();
    h.FillRectangle(black, 0, 0, 1, 1);
    EXPECT_EQ(Changed(c), Block(0, 0, 0, 0));
  }
}

TEST(GraphicsBlend, SourceOverValues) {
  auto over = [](uint32_t dst, uint32_t color, bool smooth = false, float w = 1) {
    Bitmap b(1, 1);
    b.SetPixel(0, 0, dst);
    Graphics g(b);
    if (smooth) Smooth(g);
    g.FillRectangle(Brush::Solid(color), 0, 0, w, 1);
    return b.GetPixel(0, 0);
  };
  EXPECT_EQ(over(0xFFFFFFFFu, 0x80FF0000u), 0xFFFF7F7Fu);  // half red on white
  EXPECT_EQ(over(0x00000000u, 0x80FF0000u), 0x80FF0000u);  // onto transparent: the colour itself
  EXPECT_EQ(over(0x00FFFFFFu, 0x80FF0000u), 0x80FF0000u);  // a transparent pixel's colour counts for nothing
  EXPECT_EQ(over(0x800000FFu, 0x80FF0000u), 0xC0AA0055u);  // alpha 191.75, red 170.2, blue 84.8
  EXPECT_EQ(over(0x80FF0000u, 0x80FF0000u), 0xC0FF0000u);  // same colour: only alpha grows
  EXPECT_EQ(over(0x12345678u, 0xFF0000FFu), 0xFF0000FFu);  // opaque source replaces
  EXPECT_EQ(over(0x12345678u, 0x000000FFu), 0x12345678u);  // transparent source does nothing
  // A quarter-covered pixel of opaque blue on white: source alpha 64.
  EXPECT_EQ(over(0xFFFFFFFFu, 0xFF0000FFu, true, 0.25f), 0xFFBFBFFFu);

  // Every result is the correctly rounded straight-alpha source-over.
  const int levels[] = {0, 1, 2, 17, 64, 127, 128, 200, 254, 255};
  for (int sa : levels) {
    for (int da : levels) {
      for (int sc : {0, 90, 255}) {
        for (int dc : {0, 33, 255}) {
          const uint32_t src = (uint32_t(sa) << 24) | (uint32_t(sc) << 16) | uint32_t(255 - sc);
          const uint32_t dst = (uint32_t(da) << 24) | (uint32_t(dc) << 16) | 0x8000u | uint32_t(dc / 2);
          const uint32_t out = over(dst, src);
          const double a = sa / 255.0, d = da / 255.0;
          const double outA = a + d * (1 - a);
          EXPECT_LE(std::fabs(Alpha(out) - 255 * outA), 0.5 + 1e-9) << sa << " " << da;
          if (Alpha(out) == 0) continue;
          auto expectChannel = [&](int shift) {
            const double s = (src >> shift) & 0xFF, t = (dst >> shift) & 0xFF;
            const double exact = (s * a + t * d * (1 - a)) / outA;
            EXPECT_LE(std::fabs(static_cast<double>((out >> shift) & 0xFF) - exact), 0.5 + 1e-9)
                << std::hex << src << " over " << dst << " gave " << out << " channel " << std::dec << shift;
          };
          expectChannel(0);
          expectChannel(8);
          expectChannel(16);
        }
      }
    }
  }
}

TEST(GraphicsBlend, RgbTargetsStayOpaque) {
  for (PixelFormat f : {PixelFormat::Rgb32, PixelFormat::Rgb24}) {
    Bitmap b(8, 1, f);
    Graphics g(b);
    g.Clear(0xFFFFFFFFu);
    g.FillRectangle(Brush::Solid(0x80FF0000u), 0, 0, 8, 1);  // long enough for the wide path
    for (int x = 0; x < 8; ++x) EXPECT_EQ(b.GetPixel(x, 0), 0xFFFF7F7Fu);
    if (f == PixelFormat::Rgb32) {
      EXPECT_EQ(b.Row(0)[3], 0xFF);
    }
  }
  // Runs of opaque, transparent and mixed destinations in one span.
  Bitmap b(9, 1);
  const uint32_t dst[9] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, 0x80FF0000u, 0, 0x800000FFu};
  for (int x = 0; x < 9; ++x) b.SetPixel(x, 0, dst[x]);
  Graphics(b).FillRectangle(Brush::Solid(0x80FF0000u), 0, 0, 9, 1);
  const uint32_t want[9] = {0xFFFF7F7Fu, 0xFFFF7F7Fu, 0xFFFF7F7Fu, 0xFFFF7F7Fu, 0x80FF0000u,
                            0x80FF0000u, 0xC0FF0000u, 0x80FF0000u, 0xC0AA0055u};
  for (int x = 0; x < 9; ++x) EXPECT_EQ(b.GetPixel(x, 0), want[x]) << x;
}

TEST(GraphicsFill, TextureTilesFromTheOrigin) {
  Bitmap tile(2, 2, PixelFormat::Rgb32);
  tile.SetPixel(0, 0, 0xFFFFFF);
  tile.SetPixel(1, 0, 0xD3D3D3);
  tile.SetPixel(0, 1, 0xD3D3D3);
  tile.SetPixel(1, 1, 0xFFFFFF);
  Bitmap b(6, 6, PixelFormat::Rgb32);
  Graphics g(b);
  g.Clear(0xFF000000u);
  g.FillRectangle(Brush::Texture(tile), 1, 1, 4, 3);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
      const uint32_t want = !inside ? 0xFF000000u : ((x + y) % 2 == 0 ? 0xFFFFFFFFu : 0xFFD3D3D3u);
      EXPECT_EQ(b.GetPixel(x, y), want) << x << "," << y;
    }
  }
}

TEST(GraphicsImage, CopiesScalesAndBlends) {
  Bitmap src(2, 2);
  src.SetPixel(0, 0, 0xFFFF0000u);
  src.SetPixel(1, 0, 0xFF00FF00u);
  src.SetPixel(0, 1, 0x800000FFu);
  src.SetPixel(1, 1, 0x00000000u);
  {
    // Unscaled at whole coordinates: pixel for pixel, composed over what is there.
    Bitmap b(4, 4);
    Graphics g(b);
    g.Clear(0xFFFFFFFFu);
    g.DrawImage(src, RectF{1, 2, 2, 2}, RectF{0, 0, 2, 2});
    EXPECT_EQ(b.GetPixel(1, 2), 0xFFFF0000u);
    EXPECT_EQ(b.GetPixel(2, 2), 0xFF00FF00u);
    EXPECT_EQ(b.GetPixel(1, 3), 0xFF7F7FFFu);  // half blue over white
    EXPECT_EQ(b.GetPixel(2, 3), 0xFFFFFFFFu);
    EXPECT_EQ(b.GetPixel(0, 0), 0xFFFFFFFFu);
  }
  {
    // Nearest neighbour at twice the size: 2 x 2 blocks.
    Bitmap b(4, 4);
    Graphics g(b);
    g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
    g.DrawImage(src, RectF{0, 0, 4, 4}, RectF{0, 0, 2, 2});
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) EXPECT_EQ(b.GetPixel(x, y), src.GetPixel(x / 2, y / 2)) << x << "," << y;
    }
  }
  {
    // High quality at half the size averages the covered source area, weighted by alpha.
    Bitmap stripes(4, 2);
    for (int x = 0; x < 4; ++x) {
      stripes.SetPixel(x, 0, x % 2 ? 0xFFFFFFFFu : 0xFF000000u);
      stripes.SetPixel(x, 1, x % 2 ? 0x00000000u : 0xFFFF0000u);
    }
    Bitmap b(2, 1);
    Graphics g(b);
    g.SetInterpolationMode(InterpolationMode::HighQuality);
    g.DrawImage(stripes, RectF{0, 0, 2, 1}, RectF{0, 0, 4, 2});
    // Per pixel: black, white, red, transparent -> alpha 3/4, colour (255 + 255, 255, 255) / 3.
    EXPECT_EQ(b.GetPixel(0, 0), 0xBFAA5555u);
    Bitmap c(2, 1);
    Graphics h(c);
    h.DrawImage(stripes, RectF{0, 0, 2, 1}, RectF{0, 0, 4, 1});
    EXPECT_EQ(c.GetPixel(0, 0), 0xFF808080u);  // black and white: 127.5
    EXPECT_EQ(c.GetPixel(1, 0), 0xFF808080u);
  }
  {
    // High quality at twice the size interpolates between pixel centres.
    Bitmap bw(2, 1);
    bw.SetPixel(0, 0, 0xFF000000u);
    bw.SetPixel(1, 0, 0xFFFFFFFFu);
    Bitmap b(4, 1);
    Graphics(b).DrawImage(bw, RectF{0, 0, 4, 1}, RectF{0, 0, 2, 1});
    EXPECT_EQ(b.GetPixel(0, 0), 0xFF000000u);
    EXPECT_EQ(b.GetPixel(1, 0), 0xFF404040u);  // a quarter of the way: 63.75
    EXPECT_EQ(b.GetPixel(2, 0), 0xFFBFBFBFu);
    EXPECT_EQ(b.GetPixel(3, 0), 0xFFFFFFFFu);
  }
  {
    // A source rectangle reaching past the image draws only what exists.
    Bitmap b(6, 6);
    Graphics(b).DrawImage(src, RectF{0, 0, 4, 4}, RectF{0, 0, 4, 4});
    EXPECT_EQ(Changed(b), Pixels({{0, 0}, {1, 0}, {0, 1}}));
  }
  {
    // The world transform moves images too.
    Bitmap b(6, 6);
    Graphics g(b);
    g.TranslateTransform(3, 1);
    g.DrawImage(src, RectF{0, 0, 2, 2}, RectF{0, 0, 2, 2});
    EXPECT_EQ(b.GetPixel(3, 1), 0xFFFF0000u);
    EXPECT_EQ(b.GetPixel(4, 2), 0u);
    EXPECT_EQ(Changed(b), Pixels({{3, 1}, {4, 1}, {3, 2}}));
  }
}

TEST(GraphicsLines, AliasedPixels) {
  const Pen pen{0xFF000000u};
  {
    Bitmap b(8, 8);
    Graphics g(b);
    g.DrawLine(pen, 1, 1, 5, 1);
    EXPECT_EQ(Changed(b), Block(1, 1, 5, 1));  // both end pixels included
  }
  {
    Bitmap b(8, 8);
    Graphics(b).DrawLine(pen, 0, 0, 3, 3);
    EXPECT_EQ(Changed(b), Pixels({{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  }
  {
    // A shallow line: one pixel per column, the one nearest to the line.
    Bitmap b(8, 8);
    Graphics(b).DrawLine(pen, 0, 0, 6, 2);
    EXPECT_EQ(Changed(b), Pixels({{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}, {6, 2}}));
  }
  {
    // Dash: 3 pixels on, 1 off.
    Bitmap b(12, 2);
    Graphics(b).DrawLine(Pen{0xFF000000u, DashStyle::Dash}, 0, 0, 10, 0);
    EXPECT_EQ(Changed(b), Pixels({{0, 0}, {1, 0}, {2, 0}, {4, 0}, {5, 0}, {6, 0}, {8, 0}, {9, 0}, {10, 0}}));
  }
  {
    // The dash pattern runs on round a corner.
    Bitmap b(8, 8);
    const std::vector<PointF> corner = {{0, 0}, {2, 0}, {2, 5}};
    Graphics(b).DrawLines(Pen{0xFF000000u, DashStyle::Dash}, corner);
    EXPECT_EQ(Changed(b), Pixels({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {2, 3}, {2, 4}}));
  }
  {
    // Connected segments paint their shared pixel once, even with a see-through pen.
    Bitmap b(8, 8);
    const std::vector<PointF> corner = {{1, 1}, {4, 1}, {4, 4}};
    Graphics(b).DrawLines(Pen{0x80000000u}, corner);
    EXPECT_EQ(b.GetPixel(4, 1), 0x80000000u);
    EXPECT_EQ(Changed(b).size(), 7u);
  }
  {
    // Rectangle outline through both corners, every pixel painted once.
    Bitmap b(8, 8);
    Graphics(b).DrawRectangle(Pen{0x80000000u}, 1, 1, 3, 2);
    Pixels ring = Block(1, 1, 4, 3);
    ring.erase({2, 2});
    ring.erase({3, 2});
    EXPECT_EQ(Changed(b), ring);
    for (const auto& [x, y] : ring) EXPECT_EQ(b.GetPixel(x, y), 0x80000000u);
  }
  {
    // Lines far outside are cut off without walking them.
    Bitmap b(8, 8);
    Graphics(b).DrawLine(pen, -1e9f, 3, 1e9f, 3);
    EXPECT_EQ(Changed(b), Block(0, 3, 7, 3));
  }
}

TEST(GraphicsLines, SmoothPixels) {
  {
    // Half offset: a line along y = 2.5 is the strip [2, 3], exactly pixel row 2.
    Bitmap b(8, 5);
    Graphics g(b);
    Smooth(g);
    g.DrawLine(Pen{0xFF000000u}, 1, 2.5f, 5, 2.5f);
    EXPECT_EQ(Changed(b), Block(1, 2, 4, 2));
    for (int x = 1; x < 5; ++x) EXPECT_EQ(b.GetPixel(x, 2), 0xFF000000u);
  }
  {
    // Along y = 2 the strip [1.5, 2.5] halves rows 1 and 2.
    Bitmap b(8, 5);
    Graphics g(b);
    Smooth(g);
    g.DrawLine(Pen{0xFF000000u}, 1, 2, 5, 2);
    EXPECT_EQ(Changed(b), Block(1, 1, 4, 2));
    EXPECT_EQ(b.GetPixel(2, 1), 0x80000000u);
    EXPECT_EQ(b.GetPixel(2, 2), 0x80000000u);
  }
  {
    // Dashes of 3 and gaps of 1 along the strip.
    Bitmap b(10, 2);
    Graphics g(b);
    Smooth(g);
    g.DrawLine(Pen{0xFF000000u, DashStyle::Dash}, 0, 0.5f, 9, 0.5f);
    EXPECT_EQ(Changed(b), Pixels({{0, 0}, {1, 0}, {2, 0}, {4, 0}, {5, 0}, {6, 0}, {8, 0}}));
  }
  {
    // A smooth corner is painted once where its two segments overlap.
    Bitmap b(8, 8);
    Graphics g(b);
    Smooth(g);
    const std::vector<PointF> corner = {{1, 1.5f}, {4.5f, 1.5f}, {4.5f, 6}};
    g.DrawLines(Pen{0x80000000u}, corner);
    EXPECT_EQ(b.GetPixel(4, 1), 0x80000000u);
    EXPECT_EQ(b.GetPixel(2, 1), 0x80000000u);
    EXPECT_EQ(b.GetPixel(4, 4), 0x80000000u);
  }
}

TEST(GraphicsEllipse, FillAndOutline) {
  {
    // Aliased: the centres strictly inside the circle about (2.5, 2.5) of radius 2.5.
    Bitmap b(6, 6);
    Graphics(b).FillEllipse(Brush::Solid(0xFF000000u), 0, 0, 5, 5);
    EXPECT_EQ(Changed(b), Block(1, 1, 4, 4));
  }
  {
    // Anti-aliased: the coverage adds up to the ellipse's area, pi * 5 * 3.
    Bitmap b(12, 8);
    Graphics g(b);
    Smooth(g);
    g.FillEllipse(Brush::Solid(0xFF000000u), 1, 1, 10, 6);
    double sum = 0;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 12; ++x) sum += Alpha(b.GetPixel(x, y)) / 255.0;
    }
    EXPECT_NEAR(sum, std::numbers::pi * 15, 0.1);
    EXPECT_EQ(b.GetPixel(6, 4), 0xFF000000u);
    EXPECT_EQ(b.GetPixel(0, 0), 0u);
  }
  {
    // Outline: a closed ring of pixels next to the circle about (5, 5) of radius 5.
    Bitmap b(12, 12);
    Graphics(b).DrawEllipse(Pen{0xFF000000u}, 0, 0, 10, 10);
    const Pixels ring = Changed(b);
    std::set<int> rows, cols;
    for (const auto& [x, y] : ring) {
      const double d = std::hypot(x - 5.0, y - 5.0);
      EXPECT_NEAR(d, 5.0, 0.75) << x << "," << y;
      rows.insert(y);
      cols.insert(x);
    }
    EXPECT_EQ(rows.size(), 11u);
    EXPECT_EQ(cols.size(), 11u);
    EXPECT_TRUE(ring.count({0, 5}) && ring.count({10, 5}) && ring.count({5, 0}) && ring.count({5, 10}));
  }
}

TEST(GraphicsRobustness, BadInputDrawsNothing) {
  Bitmap b(8, 8);
  Graphics g(b);
  const float nan = std::nanf("");
  g.FillRectangle(Brush::Solid(0xFF000000u), nan, 0, 4, 4);
  g.DrawLine(Pen{0xFF000000u}, 0, 0, nan, 3);
  g.FillPolygon(Brush::Solid(0xFF000000u), nullptr, 5);
  g.DrawLines(Pen{0xFF000000u}, nullptr, 3);
  g.DrawImage(Bitmap(), RectF{0, 0, 4, 4}, RectF{0, 0, 1, 1});
  g.ScaleTransform(0, 0);
  g.FillRectangle(Brush::Solid(0xFF000000u), 0, 0, 4, 4);
  g.DrawImage(b, RectF{0, 0, 4, 4}, RectF{0, 0, 4, 4});
  EXPECT_TRUE(Changed(b).empty());
  Bitmap empty;
  Graphics e(empty);
  e.Clear(0xFFFFFFFFu);
  e.FillRectangle(Brush::Solid(0xFF000000u), 0, 0, 4, 4);
  e.DrawLine(Pen{0xFF000000u}, 0, 0, 3, 3);
  EXPECT_FALSE(empty.Ok());
}

}  // namespace
}  // namespace lumbra
