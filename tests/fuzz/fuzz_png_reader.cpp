// Feeds arbitrary bytes to the PNG reader, as a picture and as a mask: a picture is either read
// whole, within the pixel limit, or refused with a reason; a mask only ever at the size asked
// for; nothing may crash or leak (libpng's errors jump back through the reader).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/Png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/lumbra-fuzz-" + std::to_string(getpid()) + ".png";
  // Small enough that any accepted picture decodes within the fuzzer's memory limit.
  static const bool limited = (lumbra::SetPngPixelLimit(1 << 22), true);
  (void)limited;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  std::string error;
  const lumbra::Bitmap picture = lumbra::ReadPng(path, error);
  if (picture.Ok() != error.empty()) __builtin_trap();
  if (picture.Ok() && uint64_t(picture.Width()) * uint64_t(picture.Height()) > lumbra::PngPixelLimit())
    __builtin_trap();

  const int width = picture.Ok() ? picture.Width() : 16, height = picture.Ok() ? picture.Height() : 16;
  const std::vector<uint8_t> mask = lumbra::ReadPngMask(path, width, height, error);
  if (!mask.empty() && mask.size() != size_t(width) * size_t(height)) __builtin_trap();
  if (mask.empty() && error.empty()) __builtin_trap();
  // The same bytes read as a picture and as a mask agree on whether they are a PNG of that size.
  if (picture.Ok() && mask.empty()) __builtin_trap();
  return 0;
}
