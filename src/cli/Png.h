// PNG files for the command-line program (libpng).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/Bitmap.h"

namespace lumbra {

// The most pixels a PNG may have to be read (width x height), checked from its header before
// anything is decoded: 200 million by default (about 14000 x 14000; a picture, its line layer
// and the decoding buffer take 12 bytes a pixel). `--max-pixels` changes it.
inline constexpr uint64_t kDefaultPixelLimit = 200'000'000;
void SetPngPixelLimit(uint64_t pixels);
uint64_t PngPixelLimit();

// Writes a 32-bit ARGB bitmap as an 8-bit PNG, into a file or an open stream: RGB when every pixel
// is opaque, else RGBA. On failure returns false and sets error.
bool WritePng(const Bitmap& bitmap, const std::string& path, std::string& error);
bool WritePng(const Bitmap& bitmap, std::FILE* file, std::string& error);

// Reads a PNG (grey, grey + alpha, RGB, RGBA or palette; 8 or 16 bits) into a 32-bit ARGB
// bitmap. On failure the bitmap is empty and error says why (a picture over the pixel limit
// names its size and the limit).
Bitmap ReadPng(const std::string& path, std::string& error);
// The same into `picture`, whose memory is used again when it has the file's size already (pages
// of one size in a row); false on failure, the picture then empty.
bool ReadPng(const std::string& path, Bitmap& picture, std::string& error);

// One byte a pixel from a PNG of exactly width x height (refused from its header otherwise): its
// alpha when it has one, else its grey level (the mean of red, green and blue). Empty with error
// on failure.
std::vector<uint8_t> ReadPngMask(const std::string& path, int width, int height, std::string& error);
// The same from a PNG of any size, which is stored in width and height.
std::vector<uint8_t> ReadPngMaskOfAnySize(const std::string& path, int& width, int& height, std::string& error);

}  // namespace lumbra
