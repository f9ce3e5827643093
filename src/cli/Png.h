// PNG files for the command-line program (libpng).
#pragma once

#include <string>

#include "engine/Bitmap.h"

namespace lumbra {

// Writes a 32-bit ARGB bitmap as an 8-bit RGBA PNG. On failure returns false and sets error.
bool WritePng(const Bitmap& bitmap, const std::string& path, std::string& error);

}  // namespace lumbra
