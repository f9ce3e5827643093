// Moving pixels between the host's buffers and our ARGB bitmaps, one row at a time.
//
// The host hands the layer as interleaved planes (a pixel's planes side by side, `columnBytes`
// apart from the next pixel, rows `rowBytes` apart): grey or R, G, B, then the transparency
// plane when the layer has one. The merged image comes as separate planes of width x height bytes.
#pragma once

#include <cstdint>

#include "engine/Bitmap.h"

namespace lumbra {

struct HostPlanes {
  uint8_t* data = nullptr;
  int32_t rowBytes = 0;
  int32_t columnBytes = 0;
  int colorPlanes = 3;       // 1 grey, 3 RGB
  bool transparency = false;  // a transparency plane follows the colour planes
};

// How the host's planes of a layer are laid out, from what it reports: the image mode
// (greyscale or not), the planes the layer has, whether one of them is transparency, the planes
// delivered per pixel and the column step (0 when the host leaves it unset: then the planes
// delivered). Fewer colour planes than the mode implies (a mask as the target) read as grey;
// a transparency plane that was not delivered is ignored.
HostPlanes DescribeHostPlanes(uint8_t* data, int32_t rowBytes, int32_t columnBytes, bool grayscale,
                              int layerPlanes, bool transparency, int planesDelivered);

// Row y of the host's layer into row y of the ARGB image: B = G = R = grey, or R, G, B; alpha
// from the transparency plane, else 255.
void ReadLayerRow(const HostPlanes& in, int y, Bitmap& image);

// Row y of the finished picture into the host's buffer: the colour planes (grey from the blue
// component) and, when the layer has one, the transparency plane from alpha.
void WriteResultRow(const Bitmap& image, int y, const HostPlanes& out);

// Row y of the merged image from its separate planes (one for grey, three for RGB, each
// width x height bytes in a row) and an optional transparency plane (alpha 255 without one).
void ReadMergedRow(const uint8_t* const* colorPlanes, int colorPlaneCount, const uint8_t* transparency, int y,
                   Bitmap& image);

}  // namespace lumbra
