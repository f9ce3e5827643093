#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/Resample.h"

namespace lumbra {
namespace {

// A sparse layer: mostly transparent, strokes of two colours with partial alpha.
Bitmap Sparse(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int k = (x * 7 + y * 13) % 29;
      if (k < 5) b.SetPixel(x, y, (static_cast<uint32_t>(40 + k * 43) << 24) | (k % 2 ? 0x102030u : 0xF0E0D0u));
    }
  return b;
}

// The zoomed pixel worked out the slow way: the exact area average, in doubles.
uint32_t Reference(const Bitmap& src, double ratio, int k, int l) {
  if (k >= ZoomedSide(src.Width(), ratio) || l >= ZoomedSide(src.Height(), ratio)) return 0;
  double a = 0, r = 0, g = 0, b = 0;
  const double x0 = k / ratio, x1 = (k + 1) / ratio, y0 = l / ratio, y1 = (l + 1) / ratio;
  for (int v = static_cast<int>(y0); v < y1 && v < src.Height(); ++v)
    for (int u = static_cast<int>(x0); u < x1 && u < src.Width(); ++u) {
      const double w =
          (std::min(x1, u + 1.0) - std::max(x0, 1.0 * u)) * (std::min(y1, v + 1.0) - std::max(y0, 1.0 * v));
      const uint32_t p = src.GetPixel(u, v);
      const double wa = w * ratio * ratio * (p >> 24);
      a += wa;
      r += wa * ((p >> 16) & 0xFF);
      g += wa * ((p >> 8) & 0xFF);
      b += wa * (p & 0xFF);
    }
  const auto a8 = static_cast<uint32_t>(a + 0.5);
  if (a8 == 0) return 0;
  return a8 << 24 | static_cast<uint32_t>(r / a + 0.5) << 16 | static_cast<uint32_t>(g / a + 0.5) << 8 |
         static_cast<uint32_t>(b / a + 0.5);
}

int ChannelDistance(uint32_t p, uint32_t q) {
  int most = 0;
  for (int s = 0; s < 32; s += 8)
    most = std::max(most, std::abs(static_cast<int>((p >> s) & 0xFF) - static_cast<int>((q >> s) & 0xFF)));
  return most;
}

TEST(ZoomRegion, ShrinkingAveragesTheExactAreaOfEveryZoomedPixel) {
  const Bitmap src = Sparse(203, 151);
  for (double ratio : {0.1, 0.25, 0.3, 0.5, 0.75}) {
    // A region that starts inside and runs past the zoomed picture's right and bottom edges.
    const int left = 3, top = 2;
    Bitmap out(ZoomedSide(203, ratio) - left + 4, ZoomedSide(151, ratio) - top + 3);
    ZoomRegion(src, ratio, left, top, out);
    for (int j = 0; j < out.Height(); ++j)
      for (int i = 0; i < out.Width(); ++i) {
        const uint32_t expected = Reference(src, ratio, left + i, top + j), got = out.GetPixel(i, j);
        // Alpha and colour within one level of the double sums (a pixel that rounds to alpha 0
        // on one side may keep a sliver on the other).
        if ((expected >> 24) <= 1 && (got >> 24) <= 1) continue;
        ASSERT_LE(ChannelDistance(expected, got), 1) << "ratio " << ratio << " at " << i << "," << j;
      }
  }
}

TEST(ZoomRegion, ThreadsGiveTheSamePixelsAndOpaquePicturesStayOpaque) {
  const Bitmap src = Sparse(640, 480);
  Bitmap one(260, 190), three(260, 190);
  ZoomRegion(src, 0.42, 5, 7, one, 1);
  ZoomRegion(src, 0.42, 5, 7, three, 3);
  EXPECT_EQ(std::memcmp(one.Data(), three.Data(), static_cast<size_t>(one.Stride()) * 190), 0);

  Bitmap rgb(97, 61, PixelFormat::Rgb32);
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 97; ++x)
      rgb.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(x * 2) << 16 | static_cast<uint32_t>(y * 3));
  Bitmap out(ZoomedSide(97, 0.3), ZoomedSide(61, 0.3));
  ZoomRegion(rgb, 0.3, 0, 0, out, 2);
  for (int j = 0; j < out.Height(); ++j)
    for (int i = 0; i < out.Width(); ++i) {
      ASSERT_EQ(out.GetPixel(i, j) >> 24, 255u);
      ASSERT_LE(ChannelDistance(out.GetPixel(i, j), Reference(rgb, 0.3, i, j)), 1);
    }
}

TEST(ZoomRegion, EnlargingTakesThePixelUnderEachCentre) {
  const Bitmap src = Sparse(40, 30);
  for (double ratio : {1.0, 2.0, 3.0}) {
    Bitmap out(50, 50);
    ZoomRegion(src, ratio, 10, 20, out);
    for (int j = 0; j < 50; ++j)
      for (int i = 0; i < 50; ++i) {
        const int u = static_cast<int>(std::floor((10 + i + 0.5) / ratio)),
                  v = static_cast<int>(std::floor((20 + j + 0.5) / ratio));
        ASSERT_EQ(out.GetPixel(i, j), u < 40 && v < 30 ? src.GetPixel(u, v) : 0u) << ratio;
      }
  }
}

}  // namespace
}  // namespace lumbra
