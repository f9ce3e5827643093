// Moving pixels between the host's plane layouts and our bitmaps.
#include <gtest/gtest.h>

#include <vector>

#include "host/HostInterface.h"  // its layout asserts hold for this machine's x64 layout too
#include "host/model/PixelTransfer.h"

namespace lumbra {
namespace {

HostPlaneCounts Counts(int layer, int transparency, int layerMasks, int nonLayer) {
  HostPlaneCounts c;
  c.layer = layer;
  c.transparency = transparency;
  c.layerMasks = layerMasks;
  c.nonLayer = nonLayer;
  return c;
}

TEST(PixelTransfer, LayoutFollowsTheImageModeAndEveryPlaneCount) {
  uint8_t byte = 0;
  struct Case {
    const char* what;
    bool rgb;
    int depth;
    HostPlaneCounts counts;
    int columnBytes;
    int colorPlanes, colorOffset, transparencyOffset, step;
  } cases[] = {
      {"RGB layer with transparency", true, 8, Counts(3, 1, 0, 0), 4, 3, 0, 3, 4},
      {"flat RGB as non-layer planes", true, 8, Counts(0, 0, 0, 3), 3, 3, 0, -1, 3},
      {"flat RGB, column bytes left 0", true, 8, Counts(0, 0, 0, 3), 0, 3, 0, -1, 3},
      {"flat grey as non-layer planes", false, 8, Counts(0, 0, 0, 1), 0, 1, 0, -1, 1},
      {"grey layer with transparency", false, 8, Counts(1, 1, 0, 0), 2, 1, 0, 1, 2},
      {"RGB layer, transparency, layer mask", true, 8, Counts(3, 1, 1, 0), 0, 3, 0, 3, 5},
      {"layer mask as the target", true, 8, Counts(0, 0, 1, 0), 0, 1, 0, -1, 1},
      {"alpha channel as the target", true, 8, Counts(0, 0, 0, 1), 1, 1, 0, -1, 1},
      {"one-plane layer in RGB", true, 8, Counts(1, 0, 0, 0), 1, 1, 0, -1, 1},
      {"RGB48 layer with transparency", true, 16, Counts(3, 1, 0, 0), 8, 3, 0, 3, 8},
      {"RGB48 flat, column bytes left 0", true, 16, Counts(0, 0, 0, 3), 0, 3, 0, -1, 6},
      {"Gray16 flat", false, 16, Counts(0, 0, 0, 1), 0, 1, 0, -1, 2},
  };
  for (const Case& c : cases) {
    const HostPlanes p = DescribeHostPlanes(&byte, 40, c.columnBytes, c.rgb, c.depth, c.counts, c.counts.Total());
    EXPECT_EQ(p.colorPlanes, c.colorPlanes) << c.what;
    EXPECT_EQ(p.colorOffset, c.colorOffset) << c.what;
    EXPECT_EQ(p.transparencyOffset, c.transparencyOffset) << c.what;
    EXPECT_EQ(p.columnBytes, c.step) << c.what;
  }
  // Transparency before non-layer colour planes, as the plane order puts it.
  HostPlanes p = DescribeHostPlanes(&byte, 40, 0, true, 8, Counts(0, 1, 0, 3), 4);
  EXPECT_EQ(p.colorOffset, 1);
  EXPECT_EQ(p.transparencyOffset, 0);
  // Planes the host did not deliver are never read.
  p = DescribeHostPlanes(&byte, 40, 3, true, 8, Counts(3, 1, 0, 0), 3);
  EXPECT_EQ(p.transparencyOffset, -1);
  p = DescribeHostPlanes(&byte, 40, 0, true, 8, Counts(3, 0, 0, 0), 2);
  EXPECT_EQ(p.colorPlanes, 1);
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
      const HostPlaneCounts counts = Counts(grey ? 1 : 3, transparency ? 1 : 0, 0, 0);
      HostPlanes in = DescribeHostPlanes(host.data(), rowBytes, planes, !grey, 8, counts, planes);
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

TEST(PixelTransfer, OnlyTheTargetsColourAndTransparencyPlanesAreWritten) {
  // Flat RGB with a layer mask plane after the transparency: the mask keeps its bytes.
  std::vector<uint8_t> host{10, 20, 30, 40, 50, 11, 21, 31, 41, 51};
  const HostPlanes planes = DescribeHostPlanes(host.data(), 10, 0, true, 8, Counts(3, 1, 1, 0), 5);
  Bitmap image(2, 1);
  ReadLayerRow(planes, 0, image);
  EXPECT_EQ(image.GetPixel(1, 0), 0x290B151Fu);
  image.SetPixel(0, 0, 0x80010203u);
  image.SetPixel(1, 0, 0xFF040506u);
  WriteResultRow(image, 0, planes);
  EXPECT_EQ(host, (std::vector<uint8_t>{1, 2, 3, 0x80, 50, 4, 5, 6, 255, 51}));
  // A one-plane target in an RGB document takes the grey it is given.
  std::vector<uint8_t> mask{7, 8};
  const HostPlanes one = DescribeHostPlanes(mask.data(), 2, 0, true, 8, Counts(0, 0, 1, 0), 1);
  ReadLayerRow(one, 0, image);
  EXPECT_EQ(image.GetPixel(1, 0), 0xFF080808u);
  image.SetPixel(0, 0, 0xFF636363u);
  WriteResultRow(image, 0, one);
  EXPECT_EQ(mask, (std::vector<uint8_t>{0x63, 8}));
}

TEST(PixelTransfer, SixteenBitSamplesScaleAndComposeInTheHostsRange) {
  EXPECT_EQ(Host8To16(0), 0u);
  EXPECT_EQ(Host8To16(255), 32768u);
  EXPECT_EQ(Host16To8(32768), 255);
  EXPECT_EQ(Host16To8(65535), 255);
  EXPECT_EQ(Host16To8(16384), 128);
  for (uint32_t v = 0; v < 256; ++v) EXPECT_EQ(Host16To8(Host8To16(v)), v);

  // RGB48 with transparency, three pixels: uncovered, fully covered, half covered.
  std::vector<uint16_t> samples{1000, 2000, 3000, 32768, 1001, 2001, 3001, 0, 20000, 10000, 5000, 32768};
  const std::vector<uint16_t> before = samples;
  auto* bytes = reinterpret_cast<uint8_t*>(samples.data());
  const HostPlanes planes = DescribeHostPlanes(bytes, 24, 0, true, 16, Counts(3, 1, 0, 0), 4);
  Bitmap layer(3, 1);
  Bitmap lines(3, 1);
  ReadLayerRow(planes, 0, layer);
  EXPECT_EQ(layer.GetPixel(0, 0), 0xFF081017u);
  lines.SetPixel(1, 0, 0xFFFF0000u);  // red, fully covering a transparent pixel
  lines.SetPixel(2, 0, 0x80FF0000u);  // red at half over opaque
  ComposeLinesRow16(lines, 0, planes, planes);
  EXPECT_EQ(std::vector<uint16_t>(samples.begin(), samples.begin() + 4),
            std::vector<uint16_t>(before.begin(), before.begin() + 4));  // bit-identical
  EXPECT_EQ(std::vector<uint16_t>(samples.begin() + 4, samples.begin() + 8),
            (std::vector<uint16_t>{32768, 0, 0, 32768}));
  const uint32_t half = Host8To16(0x80);
  EXPECT_EQ(samples[8], (32768 * half + 20000 * (32768 - half) + 16384) / 32768);
  EXPECT_EQ(samples[9], (10000 * (32768 - half) + 16384) / 32768);
  EXPECT_EQ(samples[11], 32768);

  // Gray16 written into another buffer: the grey comes from blue, uncovered pixels are copied.
  std::vector<uint16_t> grey{500, 600}, out{0, 0};
  const HostPlanes in =
      DescribeHostPlanes(reinterpret_cast<uint8_t*>(grey.data()), 4, 0, false, 16, Counts(0, 0, 0, 1), 1);
  HostPlanes target = in;
  target.data = reinterpret_cast<uint8_t*>(out.data());
  Bitmap greyLines(2, 1);
  greyLines.SetPixel(1, 0, 0xFF4C4C4Cu);
  ComposeLinesRow16(greyLines, 0, in, target);
  EXPECT_EQ(out, (std::vector<uint16_t>{500, static_cast<uint16_t>(Host8To16(0x4C))}));
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
