#include "cli/Png.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <memory>
#include <vector>

#include "platform/FileSystem.h"
#include "text/Text.h"

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

namespace {

bool IsOpaque(const Bitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.Row(y);
    uint8_t alpha = 0xFF;
    for (int x = 0; x < bitmap.Width(); ++x) alpha &= row[4 * x + 3];
    if (alpha != 0xFF) return false;
  }
  return true;
}

}  // namespace

bool WritePng(const Bitmap& bitmap, std::FILE* file, std::string& error) {
  if (!bitmap.Ok()) {
    error = text::kPngNothingToWrite;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    error = text::kPngOutOfMemory;
    return false;
  }
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const bool opaque = IsOpaque(bitmap);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = text::kPngCannotWrite;
    return false;
  }
  png_init_io(png, file);
  // Paeth rows compressed as runs: about the size of zlib's default level with adaptive filters
  // on drawn pages, smooth gradients and mostly clear line layers alike, in a quarter of the time
  // (faster levels with other filters grow one kind of picture or another by half or more).
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
  png_set_compression_strategy(png, Z_RLE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // The bitmap's rows as they are: bytes B, G, R, A, the alpha left out of an opaque picture.
  png_set_bgr(png);
  if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < height; ++y) png_write_row(png, bitmap.Row(y));
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

// Decodes the PNG at `path` into `picture` (bytes B, G, R, A: any stored format expanded to 8-bit
// colour with alpha), and tells whether it has an alpha channel or transparency of its own; with
// `expected` (width, height) a picture of another size is refused from its header, before
// anything is decoded. Nothing is allocated before the header has been checked against the pixel
// limit, and every C++ object a jump back to setjmp could skip (an error in the file) is made
// before it or lives outside, so such an error leaves nothing behind. The picture's memory is not written before its
// rows are decoded: a file that ends early fails without the whole picture touched.
bool Decode(const std::string& path, Bitmap& picture, bool& hasAlpha, std::string& error,
            const int* expected = nullptr) {
  error.clear();
  errno = 0;
  FilePtr file = OpenFile(path, "rb");
  if (!file) {
    error = SystemErrorText(errno);
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    error = text::kPngNotPng;
    return false;
  }
  PngProblem problem;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &problem, &OnPngError, &OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = text::kPngOutOfMemory;
    return false;
  }
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    picture = Bitmap();
    // libpng's own words stay as it gives them.
    error =
        std::string(text::kPngDamaged) + (problem.text[0] ? " (" : "") + problem.text + (problem.text[0] ? ")" : "");
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
    error = text::Format(text::kCliMaskSize, {SizeText(width, height), SizeText(expected[0], expected[1])});
  } else if (pixels > g_pixelLimit) {
    error = text::Format(text::kPngOverLimit,
                         {SizeText(width, height), std::to_string(pixels), std::to_string(g_pixelLimit)});
  } else if (width > static_cast<png_uint_32>(Bitmap::kMaxSide) ||
             height > static_cast<png_uint_32>(Bitmap::kMaxSide)) {
    error = text::Format(text::kPngSideTooLong, {SizeText(width, height), std::to_string(Bitmap::kMaxSide)});
  }
  if (!error.empty()) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  const int colorType = png_get_color_type(png, info);
  hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (picture.Width() != static_cast<int>(width) || picture.Height() != static_cast<int>(height) ||
      picture.Format() != PixelFormat::Argb32 || !picture.Ok()) {
    picture = Bitmap();  // the old memory goes before the new is taken
    picture = Bitmap(static_cast<int>(width), static_cast<int>(height));
  }
  bool allocated = picture.Ok();
  if (allocated) {
    try {
      rows.resize(height);
    } catch (const std::bad_alloc&) {
      allocated = false;
    }
  }
  if (!allocated) {
    png_destroy_read_struct(&png, &info, nullptr);
    picture = Bitmap();
    error = text::Format(text::kPngNoMemoryFor, {SizeText(width, height)});
    return false;
  }
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = picture.Row(static_cast<int>(y));
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

Bitmap ReadPng(const std::string& path, std::string& error) {
  Bitmap picture;
  ReadPng(path, picture, error);
  return picture;
}

bool ReadPng(const std::string& path, Bitmap& picture, std::string& error) {
  bool hasAlpha = false;
  if (Decode(path, picture, hasAlpha, error)) return true;
  picture = Bitmap();
  return false;
}

namespace {

std::vector<uint8_t> MaskOf(const Bitmap& picture, bool hasAlpha) {
  const int width = picture.Width();
  std::vector<uint8_t> mask(static_cast<size_t>(width) * picture.Height());
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.Row(y);
    uint8_t* out = &mask[static_cast<size_t>(y) * width];
    for (int x = 0; x < width; ++x, p += 4)
      out[x] = hasAlpha ? p[3] : static_cast<uint8_t>((p[0] + p[1] + p[2] + 1) / 3);
  }
  return mask;
}

}  // namespace

std::vector<uint8_t> ReadPngMask(const std::string& path, int width, int height, std::string& error) {
  Bitmap picture;
  bool hasAlpha = false;
  const int expected[2] = {width, height};
  if (!Decode(path, picture, hasAlpha, error, expected)) return {};
  return MaskOf(picture, hasAlpha);
}

std::vector<uint8_t> ReadPngMaskOfAnySize(const std::string& path, int& width, int& height, std::string& error) {
  Bitmap picture;
  bool hasAlpha = false;
  if (!Decode(path, picture, hasAlpha, error)) return {};
  width = picture.Width();
  height = picture.Height();
  return MaskOf(picture, hasAlpha);
}

}  // namespace lumbra
