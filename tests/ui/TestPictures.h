// Pictures for the dialog tests.
#pragma once

#include <cstdint>

#include "data/PresetData.h"
#include "engine/Bitmap.h"
#include "engine/Compose.h"
#include "engine/Render.h"

namespace lumbra::test {

// A picture with a gradient in each channel, different for each salt.
inline Bitmap Pattern(int width, int height, uint32_t salt) {
  Bitmap image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.SetPixel(x, y, 0xFF000000u | ((x * 5 + salt) & 0xFF) << 16 | (y * 3 & 0xFF) << 8 | salt);
  return image;
}

// The layer with the preset's lines, drawn from `seed`, composed over it: what apply returns.
inline Bitmap ComposedRender(const Bitmap& layer, const CPresetData& preset, uint32_t seed) {
  CPresetData copy = preset;
  Bitmap lines(layer.Width(), layer.Height());
  RenderJob job;
  job.seed = seed;
  job.preset = &copy;
  job.target = &lines;
  RenderLines(job);
  Bitmap composed = layer.Clone();
  ComposeOver(composed, lines);
  return composed;
}

// How many pixels of two pictures of the same size differ.
inline int DifferingPixels(const Bitmap& a, const Bitmap& b) {
  int differing = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) differing += a.GetPixel(x, y) != b.GetPixel(x, y);
  return differing;
}

}  // namespace lumbra::test
