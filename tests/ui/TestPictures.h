// Pictures for the dialog tests.
#pragma once

#include <cstdint>

#include "engine/Bitmap.h"

namespace lumbra::test {

// A picture with a gradient in each channel, different for each salt.
inline Bitmap Pattern(int width, int height, uint32_t salt) {
  Bitmap image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.SetPixel(x, y, 0xFF000000u | ((x * 5 + salt) & 0xFF) << 16 | (y * 3 & 0xFF) << 8 | salt);
  return image;
}

}  // namespace lumbra::test
