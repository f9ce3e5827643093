// Moving pixels between the host's plane layouts and our bitmaps.
#include <gtest/gtest.h>

#include <vector>

#include "host/HostInterface.h"  // its layout asserts hold for this machine's x64 layout too
#include "host/model/PixelTransfer.h"

namespace lumbra {
namespace {

TEST(PixelTransfer, LayoutFollowsWhatTheHostReports) {
  uint8_t byte = 0;
  // RGB with transparency, column step set.
  HostPlanes p = DescribeHostPlanes(&byte, 40, 4, false, 3, true, 4);
  EXPECT_EQ(p.colorPlanes, 3);
  EXPECT_TRUE(p.transparency);
  EXPECT_EQ(p.columnBytes, 4);
  // Column step left unset: the planes delivered.
  p = DescribeHostPlanes(&byte, 40, 0, false, 3, false, 3);
  EXPECT_EQ(p.columnBytes, 3);
  EXPECT_FALSE(p.transparency);
  // Greyscale mode, or a single-plane target (a mask) in an RGB document, reads as grey.
  EXPECT_EQ(DescribeHostPlanes(&byte, 40, 2, true, 1, true, 2).colorPlanes, 1);
  p = DescribeHostPlanes(&byte, 40, 1, false, 1, false, 1);
  EXPECT_EQ(p.colorPlanes, 1);
  // A transparency plane the host did not deliver is not read.
  EXPECT_FALSE(DescribeHostPlanes(&byte, 40, 3, false, 3, true, 3).transparency);
}

TEST(PixelTransfer, LayerRowsRoundTripThroughTheHostLayout) {
  const int w = 3, h = 2;
  for (bool grey : {false, true})
    for (bool transparency : {false, true}) {
      const int planes = (grey ? 1 : 3) + (transparency ? 1 : 0);
      const int rowBytes = w * planes + 5;  // padded rows
      std::vector<uint8_t> host(static_cast<size_t>(rowBytes) * h, 0xEE);
      for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * planes; ++i) host[y * rowBytes + i] = static_cast<uint8_t>(10 + y * 40 + i);
      HostPlanes in = DescribeHostPlanes(host.data(), rowBytes, planes, grey, grey ? 1 : 3, transparency, planes);
      Bitmap image(w, h);
      for (int y = 0; y < h; ++y) ReadLayerRow(in, y, image);

      const uint8_t* s = host.data() + rowBytes + planes;  // pixel (1, 1)
      const uint32_t px = image.GetPixel(1, 1);
      const uint32_t a = transparency ? s[planes - 1] : 255;
      const uint32_t r = s[0], g = grey ? s[0] : s[1], b = grey ? s[0] : s[2];
      EXPECT_EQ(px, a << 24 | r << 16 | g << 8 | b) << grey << transparency;

      std::vector<uint8_t> out(host.size(), 0xEE);
      HostPlanes target = in;
      target.data = out.data();
      for (int y = 0; y < h; ++y) WriteResultRow(image, y, target);
      EXPECT_EQ(out, host) << "grey " << grey << ", transparency " << transparency;  // padding untouched
    }
}

TEST(PixelTransfer, MergedRowsComeFromSeparatePlanes) {
  const std::vector<uint8_t> r{1, 2, 3, 4}, g{5, 6, 7, 8}, b{9, 10, 11, 12}, t{100, 110, 120, 130};
  const uint8_t* rgb[] = {r.data(), g.data(), b.data()};
  Bitmap image(2, 2);
  for (int y = 0; y < 2; ++y) ReadMergedRow(rgb, 3, t.data(), y, image);
  EXPECT_EQ(image.GetPixel(1, 1), 0x8204080Cu);  // alpha 130, R 4, G 8, B 12
  for (int y = 0; y < 2; ++y) ReadMergedRow(rgb, 1, nullptr, y, image);
  EXPECT_EQ(image.GetPixel(0, 1), 0xFF030303u);
}

}  // namespace
}  // namespace lumbra
