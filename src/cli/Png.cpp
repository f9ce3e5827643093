#include "cli/Png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <memory>
#include <vector>

#include "platform/FileSystem.h"

namespace lumbra {

namespace {
uint64_t g_pixelLimit = kDefaultPixelLimit;
}  // namespace

void SetPngPixelLimit(uint64_t pixels) { g_pixelLimit = pixels; }
uint64_t PngPixelLimit() { return g_pixelLimit; }

bool WritePng(const Bitmap& bitmap, const std::string& path, std::string& error) {
  errno = 0;
  FilePtr file = OpenFile(path, "wb");
  if (!file) {
    error = SystemErrorText(errno);
    return false;
  }
  return WritePng(bitmap, file.get(), error);
}

bool WritePng(const Bitmap& bitmap, std::FILE* file, std::string& error) {
  if (!bitmap.Ok()) {
    error = "no picture to write";
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory";
    return false;
  }
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  std::vector<png_byte> row(static_cast<size_t>(width) * 4);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "cannot write the PNG file";
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t argb = bitmap.GetPixel(x, y);
      png_byte* out = &row[static_cast<size_t>(x) * 4];
      out[0] = static_cast<png_byte>(argb >> 16);
      out[1] = static_cast<png_byte>(argb >> 8);
      out[2] = static_cast<png_byte>(argb);
      out[3] = static_cast<png_byte>(argb >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  errno = 0;
  if (std::fflush(file) != 0) {
    error = SystemErrorText(errno);
    return false;
  }
  return true;
}

namespace {

// The picture as 8-bit RGBA rows, whatever its stored format.
struct RgbaImage {
  int width = 0, height = 0;
  bool hasAlpha = false;
  // Not cleared first: a file that ends early fails without the whole picture's memory touched.
  std::unique_ptr<png_byte[]> pixels;
};

// libpng's own words for what is wrong, kept for our message instead of printed; then back to the
// reader's setjmp.
struct PngProblem {
  char text[200] = {};
};
[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* problem = static_cast<PngProblem*>(png_get_error_ptr(png));
  if (problem && message) std::snprintf(problem->text, sizeof problem->text, "%s", message);
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

std::string SizeText(uint64_t width, uint64_t height) { return std::to_string(width) + " x " + std::to_string(height); }

// Decodes the PNG at `path`; with `expected` (width, height) a picture of another size is refused
// from its header, before anything is decoded. Nothing is allocated before the header has been
// checked against the pixel limit, and no C++ object is made between setjmp and libpng's calls,
// so an error in the file (which jumps back) leaves nothing behind.
bool ReadRgba(const std::string& path, RgbaImage& image, std::string& error, const int* expected = nullptr) {
  error.clear();
  errno = 0;
  FilePtr file = OpenFile(path, "rb");
  if (!file) {
    error = SystemErrorText(errno);
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    error = "not a PNG file";
    return false;
  }
  PngProblem problem;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &problem, &OnPngError, &OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "out of memory";
    return false;
  }
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = std::string("the PNG file is damaged or unsupported") + (problem.text[0] ? " (" : "") + problem.text +
            (problem.text[0] ? ")" : "");
    return false;
  }
  png_init_io(png, file.get());
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);  // the sizes are checked here, with our messages
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const uint64_t pixels = uint64_t{width} * height;
  if (expected && (width != static_cast<png_uint_32>(expected[0]) || height != static_cast<png_uint_32>(expected[1]))) {
    error = "the mask is " + SizeText(width, height) + ", the picture " + SizeText(expected[0], expected[1]);
  } else if (pixels > g_pixelLimit) {
    error = "the picture is " + SizeText(width, height) + " (" + std::to_string(pixels) +
            " pixels), more than the limit of " + std::to_string(g_pixelLimit) + " pixels (raise it with --max-pixels)";
  } else if (width > static_cast<png_uint_32>(Bitmap::kMaxSide) || height > static_cast<png_uint_32>(Bitmap::kMaxSide)) {
    error = "the picture is " + SizeText(width, height) + "; a side may be at most " + std::to_string(Bitmap::kMaxSide) +
            " pixels";
  }
  if (!error.empty()) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  const int colorType = png_get_color_type(png, info);
  image.hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  try {
    image.pixels.reset(new png_byte[static_cast<size_t>(pixels) * 4]);
    rows.resize(height);
  } catch (const std::bad_alloc&) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "not enough memory for a picture of " + SizeText(width, height);
    return false;
  }
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = &image.pixels[static_cast<size_t>(y) * width * 4];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

Bitmap ReadPng(const std::string& path, std::string& error) {
  RgbaImage image;
  if (!ReadRgba(path, image, error)) return {};
  Bitmap bitmap(image.width, image.height);
  if (!bitmap.Ok()) {
    error = "not enough memory for a picture of " + std::to_string(image.width) + " x " + std::to_string(image.height);
    return {};
  }
  for (int y = 0; y < image.height; ++y) {
    const png_byte* in = &image.pixels[static_cast<size_t>(y) * image.width * 4];
    uint8_t* out = bitmap.Row(y);
    for (int x = 0; x < image.width; ++x, in += 4, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = in[3];
    }
  }
  return bitmap;
}

std::vector<uint8_t> ReadPngMask(const std::string& path, int width, int height, std::string& error) {
  RgbaImage image;
  const int expected[2] = {width, height};
  if (!ReadRgba(path, image, error, expected)) return {};
  std::vector<uint8_t> mask(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < mask.size(); ++i) {
    const png_byte* p = &image.pixels[i * 4];
    mask[i] = image.hasAlpha ? p[3] : static_cast<uint8_t>((p[0] + p[1] + p[2] + 1) / 3);
  }
  return mask;
}

}  // namespace lumbra
