// The command-line program's PNG files, checked against libpng's own simplified reader and writer
// so that a mistake shared by our reader and writer (a channel order, a dropped alpha) shows.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "cli/Png.h"
#include "engine/Bitmap.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

using test::ReadBytes;

// A page with smooth gradients, hard-edged shapes and a noisy band, in every channel.
Bitmap MakePage(int width, int height) {
  Bitmap page(width, height);
  uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      uint32_t r = static_cast<uint32_t>(x * 255 / width), g = static_cast<uint32_t>(y * 255 / height), b = 0x40;
      const int dx = x - width / 2, dy = y - height / 3;
      if (dx * dx + dy * dy < width * width / 16) r = 0xE0, g = 0x60, b = 0x48;
      if (y > height * 2 / 3) b = (noise >> 24) & 0xFF;
      page.SetPixel(x, y, 0xFF000000u | r << 16 | g << 8 | b);
    }
  }
  return page;
}

// The file's pixels as libpng's simplified reader gives them: R, G, B, A bytes.
std::vector<uint8_t> ReadWithLibpng(const std::string& path, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return pixels;
}

uint8_t ColorType(const std::string& path) { return ReadBytes(path).at(25); }

void ExpectSamePixels(const Bitmap& bitmap, const std::vector<uint8_t>& rgba) {
  ASSERT_EQ(rgba.size(), static_cast<size_t>(bitmap.Width()) * bitmap.Height() * 4);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * bitmap.Width() + x) * 4];
      const uint32_t stored = uint32_t{p[3]} << 24 | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
      ASSERT_EQ(stored, bitmap.GetPixel(x, y)) << "at " << x << ", " << y;
    }
}

TEST(Png, OpaquePicturesAreWrittenAsRgbWithEveryPixelKept) {
  test::TempDataFolder folder;
  const Bitmap page = MakePage(301, 207);
  std::string error;
  ASSERT_TRUE(WritePng(page, folder.File("page.png"), error)) << error;
  EXPECT_EQ(ColorType(folder.File("page.png")), PNG_COLOR_TYPE_RGB);
  int width = 0, height = 0;
  const std::vector<uint8_t> stored = ReadWithLibpng(folder.File("page.png"), width, height);
  ASSERT_EQ(width, 301);
  ASSERT_EQ(height, 207);
  ExpectSamePixels(page, stored);
  const Bitmap back = ReadPng(folder.File("page.png"), error);
  ASSERT_TRUE(back.Ok()) << error;
  for (int y = 0; y < page.Height(); ++y)
    for (int x = 0; x < page.Width(); ++x) ASSERT_EQ(back.GetPixel(x, y), page.GetPixel(x, y)) << x << ", " << y;
}

TEST(Png, TransparencyIsWrittenAsRgbaWithTheColoursOfClearPixels) {
  test::TempDataFolder folder;
  Bitmap layer = MakePage(160, 90);
  // Alpha of every value, and colour kept under alpha 0 (straight alpha).
  for (int y = 0; y < layer.Height(); ++y)
    for (int x = 0; x < layer.Width(); ++x)
      layer.SetPixel(x, y, (layer.GetPixel(x, y) & 0xFFFFFFu) | static_cast<uint32_t>((x + y * 7) & 0xFF) << 24);
  std::string error;
  ASSERT_TRUE(WritePng(layer, folder.File("layer.png"), error)) << error;
  EXPECT_EQ(ColorType(folder.File("layer.png")), PNG_COLOR_TYPE_RGB_ALPHA);
  int width = 0, height = 0;
  ExpectSamePixels(layer, ReadWithLibpng(folder.File("layer.png"), width, height));
  const Bitmap back = ReadPng(folder.File("layer.png"), error);
  ASSERT_TRUE(back.Ok()) << error;
  EXPECT_EQ(back.GetPixel(0, 0), layer.GetPixel(0, 0));
  EXPECT_EQ(back.GetPixel(159, 89), layer.GetPixel(159, 89));
  EXPECT_EQ(back.GetPixel(80, 40), layer.GetPixel(80, 40));

  // A single pixel short of opaque keeps the alpha channel.
  Bitmap almost = MakePage(40, 30);
  almost.SetPixel(39, 29, almost.GetPixel(39, 29) & 0xFEFFFFFFu);
  ASSERT_TRUE(WritePng(almost, folder.File("almost.png"), error)) << error;
  EXPECT_EQ(ColorType(folder.File("almost.png")), PNG_COLOR_TYPE_RGB_ALPHA);
  EXPECT_EQ(ReadPng(folder.File("almost.png"), error).GetPixel(39, 29), almost.GetPixel(39, 29));
}

// The file libpng itself writes for the bitmap with every row filtered with Paeth's predictor and
// compressed as runs: the format our writer keeps, filtering the rows itself.
std::vector<uint8_t> WrittenByLibpng(const Bitmap& bitmap, bool opaque, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return {};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return {};
  }
  png_init_io(png, file);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
  png_set_compression_strategy(png, Z_RLE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()), static_cast<png_uint_32>(bitmap.Height()), 8,
               opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < bitmap.Height(); ++y) png_write_row(png, bitmap.Row(y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return ReadBytes(path);
}

TEST(Png, FilesAreByteForByteWhatLibpngWritesWithTheSameFilterAndCompression) {
  test::TempDataFolder folder;
  Bitmap layer = MakePage(301, 207);
  std::string error;
  ASSERT_TRUE(WritePng(layer, folder.File("ours.png"), error)) << error;
  EXPECT_EQ(ReadBytes(folder.File("ours.png")), WrittenByLibpng(layer, true, folder.File("libpng.png")));
  for (int y = 0; y < layer.Height(); ++y)
    for (int x = 0; x < layer.Width(); ++x)
      layer.SetPixel(x, y, (layer.GetPixel(x, y) & 0xFFFFFFu) | static_cast<uint32_t>((x * 3 + y) & 0xFF) << 24);
  ASSERT_TRUE(WritePng(layer, folder.File("ours.png"), error)) << error;
  EXPECT_EQ(ReadBytes(folder.File("ours.png")), WrittenByLibpng(layer, false, folder.File("libpng.png")));
}

TEST(Png, StoredFormatsAreReadAsPicturesAndMasks) {
  test::TempDataFolder folder;
  // Three pixels: reddish, greenish, bluish, with alpha 255, 128 and 0.
  const uint8_t rgba[] = {200, 30, 10, 255, 20, 180, 40, 128, 5, 60, 250, 0};
  const struct {
    const char* name;
    png_uint_32 format;
    uint32_t expected[3];
    uint8_t mask[3];
  } cases[] = {
      {"rgb.png", PNG_FORMAT_RGB, {0xFFC81E0A, 0xFF14B428, 0xFF053CFA}, {80, 80, 105}},
      {"rgba.png", PNG_FORMAT_RGBA, {0xFFC81E0A, 0x8014B428, 0x00053CFA}, {255, 128, 0}},
      {"bgr.png", PNG_FORMAT_BGR, {0xFFC81E0A, 0xFF14B428, 0xFF053CFA}, {80, 80, 105}},
  };
  std::string error;
  for (const auto& c : cases) {
    png_image stored{};
    stored.version = PNG_IMAGE_VERSION;
    stored.width = 3;
    stored.height = 1;
    stored.format = c.format;
    std::vector<uint8_t> converted(PNG_IMAGE_SIZE(stored));
    const int channels = PNG_IMAGE_SAMPLE_CHANNELS(c.format);
    const bool bgr = c.format & PNG_FORMAT_FLAG_BGR;
    for (int i = 0; i < 3; ++i) {
      for (int k = 0; k < 3; ++k) converted[i * channels + k] = rgba[i * 4 + (bgr ? 2 - k : k)];
      if (channels == 4) converted[i * channels + 3] = rgba[i * 4 + 3];
    }
    const std::string path = folder.File(c.name);
    ASSERT_TRUE(png_image_write_to_file(&stored, path.c_str(), 0, converted.data(), 0, nullptr)) << c.name;
    const Bitmap picture = ReadPng(path, error);
    ASSERT_TRUE(picture.Ok()) << c.name << ": " << error;
    const std::vector<uint8_t> mask = ReadPngMask(path, 3, 1, error);
    ASSERT_EQ(mask.size(), 3u) << c.name << ": " << error;
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(picture.GetPixel(x, 0), c.expected[x]) << c.name << " pixel " << x;
      EXPECT_EQ(mask[x], c.mask[x]) << c.name << " pixel " << x;
    }
  }
  // A grey picture: its grey level in every channel and as the mask.
  png_image grey{};
  grey.version = PNG_IMAGE_VERSION;
  grey.width = 2;
  grey.height = 1;
  grey.format = PNG_FORMAT_GRAY;
  const uint8_t levels[] = {17, 230};
  ASSERT_TRUE(png_image_write_to_file(&grey, folder.File("grey.png").c_str(), 0, levels, 0, nullptr));
  EXPECT_EQ(ReadPng(folder.File("grey.png"), error).GetPixel(1, 0), 0xFFE6E6E6u);
  EXPECT_EQ(ReadPngMask(folder.File("grey.png"), 2, 1, error), (std::vector<uint8_t>{17, 230}));
}

}  // namespace
}  // namespace lumbra
