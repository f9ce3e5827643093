#include "engine/RasterPaint.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumbra {

namespace {

constexpr int kPrefetchRows = 2;

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline uint32_t Load24(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16); }
inline void Store24(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
}

void FillPixels(uint32_t* p, int n, uint32_t v) {
#if defined(__SSE2__)
  const __m128i x = _mm_set1_epi32(static_cast<int>(v));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), x);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i + 4), x);
  }
  for (; i < n; ++i) p[i] = v;
#else
  std::fill(p, p + n, v);
#endif
}

// A span of constant source alpha a (1..254) onto straight ARGB. Runs of opaque destinations, and
// runs of transparent or same-coloured ones (only alpha changes there), go four pixels at a time.
void OverSpanArgb(uint32_t* p, int n, uint32_t rgb, uint32_t a) {
  const uint32_t ia = 255 - a;
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i rgbMask = _mm_set1_epi32(0xFFFFFF);
  const __m128i vrgb = _mm_set1_epi32(static_cast<int>(rgb));
  const __m128i vi = _mm_set1_epi16(static_cast<short>(ia));
  const __m128i c128 = _mm_set1_epi16(128);
  // src * a + 128 per channel, the source's alpha channel taken as 255 (keeps opaque opaque).
  const __m128i src =
      _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(rgb | 0xFF000000u)), zero),
                                    _mm_set1_epi16(static_cast<short>(a))),
                    c128);
  const __m128i va = _mm_set1_epi32(static_cast<int>(a));
  const __m128i via32 = _mm_set1_epi32(static_cast<int>(ia));
  for (; i + 4 <= n; i += 4) {
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i alpha = _mm_and_si128(d, alphaMask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask)) == 0xFFFF) {
      __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), vi), src);
      __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), vi), src);
      lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_srli_epi16(lo, 8)), 8);
      hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_srli_epi16(hi, 8)), 8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(lo, hi));
      continue;
    }
    const __m128i clear = _mm_cmpeq_epi32(alpha, zero);
    const __m128i same = _mm_cmpeq_epi32(_mm_and_si128(d, rgbMask), vrgb);
    if (_mm_movemask_epi8(_mm_or_si128(clear, same)) == 0xFFFF) {
      // alpha := a + (da (255 - a) + 128 + ((da (255 - a) + 128) >> 8)) >> 8
      __m128i t = _mm_add_epi32(_mm_mullo_epi16(_mm_srli_epi32(d, 24), via32), _mm_set1_epi32(128));
      t = _mm_srli_epi32(_mm_add_epi32(t, _mm_srli_epi32(t, 8)), 8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_or_si128(vrgb, _mm_slli_epi32(_mm_add_epi32(t, va), 24)));
      continue;
    }
    for (int k = 0; k < 4; ++k) p[i + k] = BlendOver(p[i + k], rgb, a);
  }
#endif
  for (; i < n; ++i) {
    const uint32_t d = p[i];
    const uint32_t da = d >> 24;
    if (da == 255) {
      p[i] = BlendOverOpaque(d, rgb, a);
    } else if (da == 0 || ((d ^ rgb) & 0xFFFFFFu) == 0) {
      p[i] = rgb | ((a + Div255(da * ia)) << 24);
    } else {
      p[i] = BlendOverMixed(d, rgb, a);
    }
  }
}

// The same onto opaque 32-bit destinations.
void OverSpanOpaque(uint32_t* p, int n, uint32_t rgb, uint32_t a) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i vi = _mm_set1_epi16(static_cast<short>(255 - a));
  const __m128i src =
      _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(rgb | 0xFF000000u)), zero),
                                    _mm_set1_epi16(static_cast<short>(a))),
                    _mm_set1_epi16(128));
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= n; i += 4) {
    const __m128i d = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), alphaMask);
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), vi), src);
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), vi), src);
    lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_srli_epi16(lo, 8)), 8);
    hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_srli_epi16(hi, 8)), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) p[i] = BlendOverOpaque(p[i], rgb, a);
}

// Straight ARGB destinations, 32 bits a pixel.
struct ArgbRow {
  static void Fill(uint8_t* p, int n, uint32_t argb) { FillPixels(reinterpret_cast<uint32_t*>(p), n, argb); }
  static void Over(uint8_t* p, uint32_t rgb, uint32_t a) { Store32(p, BlendOver(Load32(p), rgb, a)); }
  static constexpr int kBytes = 4;
};

// Opaque destinations, 32 bits a pixel (the fourth byte is written as 0xFF).
struct RgbxRow {
  static void Fill(uint8_t* p, int n, uint32_t argb) {
    FillPixels(reinterpret_cast<uint32_t*>(p), n, argb | 0xFF000000u);
  }
  static void Over(uint8_t* p, uint32_t rgb, uint32_t a) { Store32(p, BlendOverOpaque(Load32(p), rgb, a)); }
  static constexpr int kBytes = 4;
};

// Opaque destinations, 24 bits a pixel.
struct RgbRow {
  static void Fill(uint8_t* p, int n, uint32_t argb) {
    for (int i = 0; i < n; ++i) Store24(p + 3 * i, argb);
  }
  static void Over(uint8_t* p, uint32_t rgb, uint32_t a) { Store24(p, BlendOverOpaque(Load24(p), rgb, a)); }
  static constexpr int kBytes = 3;
};

template <class Dst>
void PaintSolid(uint8_t* row, const CoverSpan* spans, size_t count, const uint8_t* covers, uint32_t argb) {
  const uint32_t rgb = argb & 0xFFFFFFu;
  const uint32_t alpha = argb >> 24;
  for (size_t k = 0; k < count; ++k) {
    const CoverSpan& s = spans[k];
    uint8_t* p = row + static_cast<size_t>(s.x) * Dst::kBytes;
    if (s.covers < 0) {
      const uint32_t a = alpha == 255 ? s.cover : Div255(alpha * s.cover);
      if (a == 0) continue;
      if (a == 255) {
        Dst::Fill(p, s.length, argb);
      } else if constexpr (std::is_same_v<Dst, ArgbRow>) {
        OverSpanArgb(reinterpret_cast<uint32_t*>(p), s.length, rgb, a);
      } else if constexpr (std::is_same_v<Dst, RgbxRow>) {
        OverSpanOpaque(reinterpret_cast<uint32_t*>(p), s.length, rgb, a);
      } else {
        for (int i = 0; i < s.length; ++i) Dst::Over(p + i * Dst::kBytes, rgb, a);
      }
    } else {
      const uint8_t* c = covers + s.covers;
      for (int i = 0; i < s.length; ++i, p += Dst::kBytes) {
        const uint32_t a = alpha == 255 ? c[i] : Div255(alpha * c[i]);
        if (a == 0) continue;
        if (a == 255) {
          Dst::Fill(p, 1, argb);
        } else {
          Dst::Over(p, rgb, a);
        }
      }
    }
  }
}

template <class Dst>
void PaintTexture(uint8_t* row, int y, const CoverSpan* spans, size_t count, const uint8_t* covers,
                  const Bitmap& tile) {
  const int tw = tile.Width();
  const uint8_t* trow = tile.Row(y % tile.Height());
  const PixelFormat tf = tile.Format();
  const int tb = BytesPerPixel(tf);
  for (size_t k = 0; k < count; ++k) {
    const CoverSpan& s = spans[k];
    uint8_t* p = row + static_cast<size_t>(s.x) * Dst::kBytes;
    int tx = s.x % tw;
    for (int i = 0; i < s.length; ++i, p += Dst::kBytes) {
      const uint32_t cover = s.covers < 0 ? s.cover : covers[s.covers + i];
      const uint8_t* t = trow + static_cast<size_t>(tx) * static_cast<size_t>(tb);
      if (++tx == tw) tx = 0;
      const uint32_t src = Load24(t) | (tf == PixelFormat::Argb32 ? uint32_t{t[3]} << 24 : 0xFF000000u);
      const uint32_t a = Div255((src >> 24) * cover);
      if (a == 0) continue;
      if (a == 255) {
        Dst::Fill(p, 1, src);
      } else {
        Dst::Over(p, src & 0xFFFFFFu, a);
      }
    }
  }
}

}  // namespace

uint32_t BlendOverMixed(uint32_t dst, uint32_t rgb, uint32_t a) {
  const uint32_t wd = (dst >> 24) * (255 - a);  // destination weight, in 1/255
  const uint32_t den = a * 255 + wd;            // the result's alpha, in 1/255
  const uint32_t ws = a * 255;
  uint32_t out = Div255(den) << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t num = ((rgb >> shift) & 0xFF) * ws + ((dst >> shift) & 0xFF) * wd;
    out |= ((2 * num + den) / (2 * den)) << shift;
  }
  return out;
}

void PaintArgbSpan(uint32_t* p, int n, uint32_t argb, uint32_t cover) {
  const uint32_t alpha = argb >> 24;
  const uint32_t a = alpha == 255 ? cover : Div255(alpha * cover);
  if (a == 0) return;
  if (a == 255) {
    FillPixels(p, n, argb);
  } else {
    OverSpanArgb(p, n, argb & 0xFFFFFFu, a);
  }
}

// Shapes move little from one row to the next, so the pixels a few rows down at this row's ends are
// the ones wanted soon; asking for them early hides most of the memory latency of tall shapes.
inline void PrefetchBelow(const Bitmap& target, int y, const CoverSpan* spans, size_t count) {
#if defined(__GNUC__)
  if (y + kPrefetchRows >= target.Height()) return;
  const int bytes = BytesPerPixel(target.Format());
  const uint8_t* row = target.Row(y + kPrefetchRows);
  __builtin_prefetch(row + static_cast<size_t>(spans[0].x) * static_cast<size_t>(bytes), 1);
  __builtin_prefetch(
      row + static_cast<size_t>(spans[count - 1].x + spans[count - 1].length - 1) * static_cast<size_t>(bytes), 1);
#else
  (void)target;
  (void)y;
  (void)spans;
  (void)count;
#endif
}

void SolidPainter::Row(int y, const CoverSpan* spans, size_t count, const uint8_t* covers) {
  PrefetchBelow(target_, y, spans, count);
  uint8_t* row = target_.Row(y);
  switch (target_.Format()) {
    case PixelFormat::Argb32: PaintSolid<ArgbRow>(row, spans, count, covers, color_); break;
    case PixelFormat::Rgb32: PaintSolid<RgbxRow>(row, spans, count, covers, color_); break;
    case PixelFormat::Rgb24: PaintSolid<RgbRow>(row, spans, count, covers, color_); break;
  }
}

void TexturePainter::Row(int y, const CoverSpan* spans, size_t count, const uint8_t* covers) {
  if (!tile_.Ok()) return;
  uint8_t* row = target_.Row(y);
  switch (target_.Format()) {
    case PixelFormat::Argb32: PaintTexture<ArgbRow>(row, y, spans, count, covers, tile_); break;
    case PixelFormat::Rgb32: PaintTexture<RgbxRow>(row, y, spans, count, covers, tile_); break;
    case PixelFormat::Rgb24: PaintTexture<RgbRow>(row, y, spans, count, covers, tile_); break;
  }
}

void BlendPixel(Bitmap& target, int x, int y, uint32_t argb, uint32_t cover) {
  const CoverSpan span{x, 1, -1, cover};
  SolidPainter(target, argb).Row(y, &span, 1, nullptr);
}

void BlendRow(Bitmap& target, int y, int x, int n, const uint32_t* argb) {
  const int bytes = BytesPerPixel(target.Format());
  uint8_t* p = target.Row(y) + static_cast<size_t>(x) * static_cast<size_t>(bytes);
  for (int i = 0; i < n; ++i, p += bytes) {
    const uint32_t src = argb[i];
    const uint32_t a = src >> 24;
    if (a == 0) continue;
    switch (target.Format()) {
      case PixelFormat::Argb32: Store32(p, BlendOver(Load32(p), src & 0xFFFFFFu, a)); break;
      case PixelFormat::Rgb32: Store32(p, a == 255 ? src : BlendOverOpaque(Load32(p), src, a)); break;
      case PixelFormat::Rgb24: Store24(p, a == 255 ? src : BlendOverOpaque(Load24(p), src, a)); break;
    }
  }
}

}  // namespace lumbra
