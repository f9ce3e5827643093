#include "cli/Png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <vector>

#include "platform/FileSystem.h"

namespace lumbra {

bool WritePng(const Bitmap& bitmap, const std::string& path, std::string& error) {
  if (!bitmap.Ok()) {
    error = "no picture to write";
    return false;
  }
  errno = 0;
  FilePtr file = OpenFile(path, "wb");
  if (!file) {
    error = SystemErrorText(errno);
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
  png_init_io(png, file.get());
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
  if (std::fflush(file.get()) != 0) {
    error = SystemErrorText(errno);
    return false;
  }
  return true;
}

}  // namespace lumbra
