// Composing coverage onto bitmaps: the painters that the rasteriser's rows are handed to, and the
// straight-alpha source-over used by every drawing operation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/Bitmap.h"
#include "engine/Rasterizer.h"

namespace lumbra {

// x / 255 rounded to nearest, exact for 0 <= x <= 65025 + 255.
inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// Source-over onto an opaque pixel: each channel (rgb a + dst (255 - a)) / 255, rounded; alpha 255.
inline uint32_t BlendOverOpaque(uint32_t dst, uint32_t rgb, uint32_t a) {
  const uint32_t ia = 255 - a;
  uint32_t rb = (dst & 0xFF00FFu) * ia + (rgb & 0xFF00FFu) * a + 0x800080u;
  rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  uint32_t g = ((dst >> 8) & 0xFFu) * ia + ((rgb >> 8) & 0xFFu) * a + 0x80u;
  g = (g + (g >> 8)) & 0xFF00u;
  return 0xFF000000u | rb | g;
}

// BlendOver for a destination that is neither opaque nor transparent nor of the same colour.
uint32_t BlendOverMixed(uint32_t dst, uint32_t rgb, uint32_t a);

// Source-over of the colour `rgb` (0x00RRGGBB) with alpha `a` (0..255) onto the straight-alpha
// pixel `dst` (0xAARRGGBB): the result's alpha is a + dst.alpha (255 - a) / 255 and its colour the
// alpha-weighted mean of the two, both rounded to nearest.
inline uint32_t BlendOver(uint32_t dst, uint32_t rgb, uint32_t a) {
  if (a == 0) return dst;
  if (a == 255) return rgb | 0xFF000000u;
  const uint32_t da = dst >> 24;
  if (da == 255) return BlendOverOpaque(dst, rgb, a);
  if (da == 0 || ((dst ^ rgb) & 0xFFFFFFu) == 0) return (rgb & 0xFFFFFFu) | ((a + Div255(da * (255 - a))) << 24);
  return BlendOverMixed(dst, rgb, a);
}

// BlendOver for a > 0. A transparent pixel or one of the same colour only changes its alpha,
// whatever the two alphas (BlendOver's answer for them): the usual case for a layer of one colour,
// and without branches on alpha, which follow no pattern along a shape's edges.
[[gnu::always_inline]] inline uint32_t BlendOverCovered(uint32_t d, uint32_t rgb, uint32_t a) {
  if (d == 0) return rgb | (a << 24);  // a cleared layer: most pixels a shape's edges fall on
  if ((((d ^ rgb) & 0xFFFFFFu) == 0) | (d < 0x01000000u)) return rgb | ((a + Div255((d >> 24) * (255 - a))) << 24);
  return BlendOver(d, rgb, a);
}

// The alpha of the colour `argb` (straight alpha) at coverage `cover` (0..255).
inline uint32_t CoveredAlpha(uint32_t argb, uint32_t cover) {
  const uint32_t alpha = argb >> 24;
  return alpha == 255 ? cover : Div255(alpha * cover);
}

// The colour `argb` (straight alpha) with coverage `cover` (0..255) composed onto the straight-ARGB
// pixel d, as SolidPainter composes it.
inline uint32_t ArgbPainted(uint32_t d, uint32_t argb, uint32_t cover) {
  const uint32_t a = CoveredAlpha(argb, cover);
  return a == 0 ? d : BlendOverCovered(d, argb & 0xFFFFFFu, a);
}

// The same for the n pixels from p on, all with coverage `cover`.
void PaintArgbSpan(uint32_t* p, int n, uint32_t argb, uint32_t cover);

// Paints coverage with one colour (0xAARRGGBB, straight alpha) onto a bitmap of any format.
class SolidPainter final : public CoverageSink {
 public:
  // `overBackdrop`, when given, holds what the colour at each coverage gives on pixels of the
  // colour `backdrop` (SolidArgbTarget).
  SolidPainter(Bitmap& target, uint32_t argb, const uint32_t* overBackdrop = nullptr, uint32_t backdrop = 0)
      : target_(target),
        color_(argb),
        solid_{target.Data(), static_cast<size_t>(target.Stride()), target.Height(), argb, overBackdrop, backdrop} {}
  void Row(int y, const CoverSpan* spans, size_t count, const uint8_t* covers) override;
  const SolidArgbTarget* SolidArgb() const override {
    return target_.Format() == PixelFormat::Argb32 ? &solid_ : nullptr;
  }

 private:
  Bitmap& target_;
  uint32_t color_;
  SolidArgbTarget solid_;
};

// Paints coverage with a bitmap tiled from the device origin: pixel (x, y) takes the tile's pixel
// (x mod width, y mod height).
class TexturePainter final : public CoverageSink {
 public:
  TexturePainter(Bitmap& target, const Bitmap& tile) : target_(target), tile_(tile) {}
  void Row(int y, const CoverSpan* spans, size_t count, const uint8_t* covers) override;

 private:
  Bitmap& target_;
  const Bitmap& tile_;
};

// Composes one straight-alpha ARGB colour with an extra coverage (0..255) onto pixel (x, y) of
// the target, which must lie inside it.
void BlendPixel(Bitmap& target, int x, int y, uint32_t argb, uint32_t cover);

// Composes n straight-alpha ARGB pixels onto row y of the target from column x on (all inside).
void BlendRow(Bitmap& target, int y, int x, int n, const uint32_t* argb);

}  // namespace lumbra
