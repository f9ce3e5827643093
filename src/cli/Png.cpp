#include "cli/Png.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// A row's bytes filtered with Paeth's predictor (PNG filter type 4) from the row above (`prior`;
// zeros above the first row): each byte less the one of its left neighbour a, upper neighbour b or
// upper-left neighbour c that lies nearest to a + b - c (a first, then b, on ties). `raw` and
// `prior` start `bpp` zero bytes before the row, the left neighbours of its first pixel.
void PaethRow(const uint8_t* raw, const uint8_t* prior, size_t n, int bpp, uint8_t* out) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const auto load = [&](const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  };
  const auto abs16 = [](__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); };
  for (; i + 8 <= n; i += 8) {
    const __m128i a = load(raw + i - bpp), b = load(prior + i), c = load(prior + i - bpp), x = load(raw + i);
    const __m128i pa = abs16(_mm_sub_epi16(b, c));
    const __m128i pb = abs16(_mm_sub_epi16(a, c));
    const __m128i pc = abs16(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
    // a when pa <= pb and pa <= pc; else b when pb <= pc; else c.
    const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const __m128i notB = _mm_cmpgt_epi16(pb, pc);
    const __m128i bc = _mm_or_si128(_mm_and_si128(notB, c), _mm_andnot_si128(notB, b));
    const __m128i pred = _mm_or_si128(_mm_and_si128(notA, bc), _mm_andnot_si128(notA, a));
    const __m128i d = _mm_and_si128(_mm_sub_epi16(x, pred), _mm_set1_epi16(0xFF));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(d, d));
  }
#endif
  for (; i < n; ++i) {
    const int a = raw[i - bpp], b = prior[i], c = prior[i - bpp];
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int pred = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    out[i] = static_cast<uint8_t>(raw[i] - pred);
  }
}

// The bitmap's row y in the file's byte order: R, G, B and, unless opaque, A.
void FileRow(const Bitmap& bitmap, int y, bool opaque, uint8_t* out) {
  const uint8_t* s = bitmap.Row(y);
  const int width = bitmap.Width();
  if (opaque) {
    for (int x = 0; x < width; ++x, s += 4, out += 3) {
      out[0] = s[2];
      out[1] = s[1];
      out[2] = s[0];
    }
  } else {
    for (int x = 0; x < width; ++x, s += 4, out += 4) {
      out[0] = s[2];
      out[1] = s[1];
      out[2] = s[0];
      out[3] = s[3];
    }
  }
}

// A row of the bitmap from the file's bytes (the inverse of FileRow): B, G, R, A, with an
// alpha of 255 when the file's rows have none (`rgba` false).
void BitmapRow(const uint8_t* s, png_uint_32 width, bool rgba, uint8_t* out) {
  for (png_uint_32 x = 0; x < width; ++x, out += 4, s += rgba ? 4 : 3) {
    out[0] = s[2];
    out[1] = s[1];
    out[2] = s[0];
    out[3] = rgba ? s[3] : 0xFF;
  }
}

// The image data of a PNG, written as its IDAT chunks: the rows, each filtered with Paeth's
// predictor, compressed as runs (zlib's Z_RLE at its default level) into chunks of 8 KiB, as libpng
// writes them with that filter and strategy. Paeth rows compressed as runs are about the size of
// zlib's default level with adaptive filters on drawn pages, smooth gradients and mostly clear line
// layers alike, in a quarter of the time (faster levels with other filters grow one kind of
// picture or another by half or more). Filtering here, eight bytes at a time, instead of in libpng
// takes another third off. Made before the writer's setjmp, so that a jump back from libpng skips
// none of its memory.
class ImageData {
 public:
  // Throws std::bad_alloc when out of memory.
  ImageData(const Bitmap& bitmap, bool opaque)
      : bpp_(opaque ? 3 : 4),
        rowBytes_(static_cast<size_t>(bitmap.Width()) * bpp_),
        rows_(2 * (rowBytes_ + bpp_), 0),
        filtered_(rowBytes_ + 1, 4),
        chunk_(8192) {
    open_ = deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_RLE) == Z_OK;
  }
  ~ImageData() {
    if (open_) deflateEnd(&z_);
  }
  ImageData(const ImageData&) = delete;
  ImageData& operator=(const ImageData&) = delete;

  // Writes the chunks; false when zlib fails. libpng jumps out of it when the file cannot be written.
  bool Write(png_structp png, const Bitmap& bitmap) {
    if (!open_) return false;
    // This row and the one above in the file's bytes, each after bpp zeros (its first pixel's left
    // neighbour).
    uint8_t* raw = rows_.data() + bpp_;
    uint8_t* prior = raw + rowBytes_ + bpp_;
    z_.next_out = chunk_.data();
    z_.avail_out = static_cast<uInt>(chunk_.size());
    for (int y = 0; y < bitmap.Height(); ++y) {
      FileRow(bitmap, y, bpp_ == 3, raw);
      PaethRow(raw, prior, rowBytes_, bpp_, filtered_.data() + 1);
      z_.next_in = filtered_.data();
      z_.avail_in = static_cast<uInt>(filtered_.size());
      if (!Compress(png, Z_NO_FLUSH)) return false;
      std::swap(raw, prior);
    }
    return Compress(png, Z_FINISH);
  }

 private:
  // Compresses what is in z_'s input, writing each chunk as it fills (and, at Z_FINISH, the last).
  bool Compress(png_structp png, int flush) {
    for (;;) {
      const int status = deflate(&z_, flush);
      if (status == Z_STREAM_ERROR) return false;
      const bool end = status == Z_STREAM_END;
      if (z_.avail_out == 0 || end) {
        const size_t bytes = chunk_.size() - z_.avail_out;
        if (bytes > 0) png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), chunk_.data(), bytes);
        z_.next_out = chunk_.data();
        z_.avail_out = static_cast<uInt>(chunk_.size());
        if (end) return true;
      } else if (flush != Z_FINISH && z_.avail_in == 0) {
        return true;
      }
    }
  }

  int bpp_;
  size_t rowBytes_;
  std::vector<uint8_t> rows_, filtered_, chunk_;
  z_stream z_{};
  bool open_ = false;
};

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
  std::unique_ptr<ImageData> data;
  try {
    data = std::make_unique<ImageData>(bitmap, opaque);
  } catch (const std::bad_alloc&) {
  }
  if (!data) {
    png_destroy_write_struct(&png, &info);
    error = text::kPngOutOfMemory;
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = text::kPngCannotWrite;
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (!data->Write(png, bitmap)) {
    png_destroy_write_struct(&png, &info);
    error = text::kPngCannotWrite;
    return false;
  }
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
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
  std::vector<uint8_t> line;
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
  // Every chunk's CRC already guards the data: zlib's own checksum over the decoded rows is not
  // worked out again.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
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
  // Rows that come one by one (not interlaced) are turned into the bitmap's bytes here, in one
  // pass, rather than by libpng in two.
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  if (interlaced) {
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
  }
  png_read_update_info(png, info);
  const bool rgba = png_get_channels(png, info) == 4;
  if (picture.Width() != static_cast<int>(width) || picture.Height() != static_cast<int>(height) ||
      picture.Format() != PixelFormat::Argb32 || !picture.Ok()) {
    picture = Bitmap();  // the old memory goes before the new is taken
    picture = Bitmap(static_cast<int>(width), static_cast<int>(height));
  }
  bool allocated = picture.Ok();
  if (allocated) {
    try {
      if (interlaced) {
        rows.resize(height);
      } else {
        line.resize(png_get_rowbytes(png, info));
      }
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
  if (interlaced) {
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = picture.Row(static_cast<int>(y));
    png_read_image(png, rows.data());
  } else {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, line.data(), nullptr);
      BitmapRow(line.data(), width, rgba, picture.Row(static_cast<int>(y)));
    }
  }
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
