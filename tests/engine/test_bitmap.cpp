#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "engine/Bitmap.h"

namespace lumbra {
namespace {

TEST(Bitmap, NewBitmapsAreZeroedWithAlignedRows) {
  for (auto [format, bytes] : {std::pair{PixelFormat::Argb32, 4}, {PixelFormat::Rgb32, 4}, {PixelFormat::Rgb24, 3}}) {
    const Bitmap b(5, 3, format);
    ASSERT_TRUE(b.Ok());
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.Format(), format);
    EXPECT_EQ(b.Stride(), (5 * bytes + 3) / 4 * 4);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < b.Stride(); ++x) EXPECT_EQ(b.Row(y)[x], 0);
    }
  }
  EXPECT_EQ(Bitmap(3, 1, PixelFormat::Rgb24).Stride(), 12);  // 9 bytes padded to 12
  EXPECT_EQ(Bitmap(1, 1).GetPixel(0, 0), 0u);                // transparent black
  EXPECT_EQ(Bitmap(1, 1, PixelFormat::Rgb32).GetPixel(0, 0), 0xFF000000u);
}

TEST(Bitmap, InvalidSizesGiveAnEmptyBitmap) {
  for (auto [w, h] :
       {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -7}, {Bitmap::kMaxSide + 1, 1}, {1, Bitmap::kMaxSide + 1}}) {
    const Bitmap b(w, h);
    EXPECT_FALSE(b.Ok()) << w << "x" << h;
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_EQ(b.GetPixel(0, 0), 0u);
  }
  // Far more memory than allowed (64 TiB): refused without throwing.
  Bitmap huge(Bitmap::kMaxSide, Bitmap::kMaxSide);
  EXPECT_FALSE(huge.Ok());
  huge.SetPixel(0, 0, 0xFFFFFFFFu);  // harmless
  EXPECT_FALSE(huge.Clone().Ok());
  EXPECT_FALSE(Bitmap().Ok());
}

TEST(Bitmap, PixelsInEveryFormat) {
  Bitmap argb(4, 2);
  argb.SetPixel(1, 1, 0x80123456u);
  EXPECT_EQ(argb.GetPixel(1, 1), 0x80123456u);
  const uint8_t* p = argb.Row(1) + 4;
  EXPECT_EQ(p[0], 0x56);  // B, G, R, A in memory
  EXPECT_EQ(p[1], 0x34);
  EXPECT_EQ(p[2], 0x12);
  EXPECT_EQ(p[3], 0x80);

  Bitmap rgb32(4, 2, PixelFormat::Rgb32);
  rgb32.SetPixel(3, 0, 0x00ABCDEFu);
  EXPECT_EQ(rgb32.GetPixel(3, 0), 0xFFABCDEFu);  // alpha always reads as opaque
  EXPECT_EQ(rgb32.Row(0)[15], 0xFF);

  Bitmap rgb24(4, 2, PixelFormat::Rgb24);
  rgb24.SetPixel(2, 1, 0x40A1B2C3u);
  EXPECT_EQ(rgb24.GetPixel(2, 1), 0xFFA1B2C3u);
  EXPECT_EQ(rgb24.Row(1)[6], 0xC3);
  EXPECT_EQ(rgb24.Row(1)[8], 0xA1);
  EXPECT_EQ(rgb24.GetPixel(1, 1), 0xFF000000u);  // neighbours untouched

  // Outside the bitmap: reads give 0, writes do nothing.
  argb.SetPixel(-1, 0, 0xFFFFFFFFu);
  argb.SetPixel(4, 0, 0xFFFFFFFFu);
  argb.SetPixel(0, 2, 0xFFFFFFFFu);
  EXPECT_EQ(argb.GetPixel(-1, 0), 0u);
  EXPECT_EQ(argb.GetPixel(0, 2), 0u);
  int nonZero = 0;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < argb.Stride(); ++x) nonZero += argb.Row(y)[x] != 0;
  }
  EXPECT_EQ(nonZero, 4);
}

TEST(Bitmap, CloneIsIndependentAndMovesEmptyTheSource) {
  Bitmap a(3, 3, PixelFormat::Rgb24);
  a.SetPixel(0, 0, 0x112233u);
  Bitmap b = a.Clone();
  ASSERT_TRUE(b.Ok());
  EXPECT_EQ(b.Format(), PixelFormat::Rgb24);
  EXPECT_EQ(b.Stride(), a.Stride());
  EXPECT_NE(b.Data(), a.Data());
  EXPECT_EQ(b.GetPixel(0, 0), 0xFF112233u);
  b.SetPixel(0, 0, 0x445566u);
  a.SetPixel(1, 1, 0x778899u);
  EXPECT_EQ(a.GetPixel(0, 0), 0xFF112233u);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFF000000u);

  Bitmap c = std::move(b);
  EXPECT_FALSE(b.Ok());  // NOLINT(bugprone-use-after-move): moved-from is documented as empty
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(c.GetPixel(0, 0), 0xFF445566u);
  c = std::move(a);
  EXPECT_EQ(c.GetPixel(1, 1), 0xFF778899u);
  EXPECT_FALSE(a.Ok());  // NOLINT(bugprone-use-after-move)
}

}  // namespace
}  // namespace lumbra
