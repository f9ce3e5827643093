// PNG files for the command-line program (libpng).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Bitmap.h"

namespace lumbra {

// Writes a 32-bit ARGB bitmap as an 8-bit RGBA PNG. On failure returns false and sets error.
bool WritePng(const Bitmap& bitmap, const std::string& path, std::string& error);

// Reads a PNG (grey, grey + alpha, RGB, RGBA or palette; 8 or 16 bits) into a 32-bit ARGB
// bitmap. On failure the bitmap is empty and error says why.
Bitmap ReadPng(const std::string& path, std::string& error);

// One byte a pixel from a PNG: its alpha when it has one, else its grey level (the mean of
// red, green and blue). Empty with error on failure.
std::vector<uint8_t> ReadPngMask(const std::string& path, int& width, int& height, std::string& error);

}  // namespace lumbra
