// Moving pixels between the host's buffers and our ARGB bitmaps, one row at a time.
//
// The host hands the target as interleaved planes: a pixel's planes side by side, `columnBytes`
// apart from the next pixel, rows `rowBytes` apart, in the order: the target layer's planes, its
// transparency, its layer masks, its inverted layer masks, the non-layer planes. Hosts describe a
// picture without transparency either as layer planes or as non-layer planes only (0 layer
// planes); a layer mask or alpha channel chosen as the target is one plane. Samples are 8 bits,
// or 16 bits in 0..32768. The merged image comes as separate planes of width x height bytes.
#pragma once

#include <cstdint>

#include "engine/Bitmap.h"

namespace lumbra {

// The host's own 16-bit range.
constexpr uint32_t kHost16Max = 32768;

// The planes a host reports for one pixel, in their order.
struct HostPlaneCounts {
  int layer = 0;
  int transparency = 0;
  int layerMasks = 0;
  int invertedLayerMasks = 0;
  int nonLayer = 0;
  int Total() const { return layer + transparency + layerMasks + invertedLayerMasks + nonLayer; }
};

struct HostPlanes {
  uint8_t* data = nullptr;
  int32_t rowBytes = 0;
  int32_t columnBytes = 0;      // bytes from one pixel to the next
  int bytesPerSample = 1;       // 1, or 2 for 16-bit samples
  int colorPlanes = 3;          // 3 RGB; 1 grey, or a one-plane target (drawn as grey)
  int colorOffset = 0;          // the first colour plane among a pixel's planes
  int transparencyOffset = -1;  // the transparency plane, -1 when there is none
  bool Grey() const { return colorPlanes == 1; }
  bool Deep() const { return bytesPerSample == 2; }
};

// How the host's planes are laid out. `rgb` is the document's mode (RGB or RGB48, not grey);
// `planesDelivered` the planes the host put in the buffer; `columnBytes` 0 when the host left it
// unset (then the planes delivered, times the sample size). The colour comes from the layer planes,
// else the non-layer planes, else the layer masks; fewer than three of them in an RGB document
// (a mask or alpha channel as the target) is one grey plane. Planes the host did not deliver are
// never read.
HostPlanes DescribeHostPlanes(uint8_t* data, int32_t rowBytes, int32_t columnBytes, bool rgb, int depth,
                              const HostPlaneCounts& counts, int planesDelivered);

// Row y of the host's target into row y of the ARGB image: B = G = R = grey, or R, G, B; alpha
// from the transparency plane, else 255. 16-bit samples are scaled to 8 bits, rounded.
void ReadLayerRow(const HostPlanes& in, int y, Bitmap& image);

// Row y of the finished picture into the host's 8-bit buffer: the colour planes (grey from the blue
// component) and, when the target has one, the transparency plane from alpha. Other planes are
// left as they are.
void WriteResultRow(const Bitmap& image, int y, const HostPlanes& out);

// Row y of the line layer (straight-alpha ARGB) composed source-over onto the host's 16-bit
// samples of `source`, written to `out` (the same layout; may be the same buffer). The line colour
// is taken to the host's range (255 -> 32768); a fully covered pixel gets exactly that colour (and
// full transparency), an uncovered one keeps its samples unchanged. Only the target's colour and
// transparency planes are written. Grey targets take the blue component.
void ComposeLinesRow16(const Bitmap& lines, int y, const HostPlanes& source, const HostPlanes& out);

// Row y of the merged image from its separate planes (one for grey, three for RGB, each
// width x height bytes in a row) and an optional transparency plane (alpha 255 without one).
void ReadMergedRow(const uint8_t* const* colorPlanes, int colorPlaneCount, const uint8_t* transparency, int y,
                   Bitmap& image);

// A 16-bit sample in the host's range as 8 bits, rounded; values above the range count as full.
inline uint8_t Host16To8(uint32_t v) {
  if (v >= kHost16Max) return 255;
  return static_cast<uint8_t>((v * 255 + kHost16Max / 2) / kHost16Max);
}

// An 8-bit value in the host's 16-bit range, rounded: 0 -> 0, 255 -> 32768.
inline uint32_t Host8To16(uint32_t v) { return (v * kHost16Max + 127) / 255; }

}  // namespace lumbra
