#include "engine/Compose.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/RasterPaint.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumbra {

namespace {

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// One layer pixel onto one 32-bit picture pixel.
template <bool kOpaque>
inline void OverPixel(uint8_t* dst, uint32_t src) {
  const uint32_t a = src >> 24;
  if (a == 0) return;
  if (a == 255) {
    Store32(dst, src);
  } else if constexpr (kOpaque) {
    Store32(dst, BlendOverOpaque(Load32(dst), src, a));
  } else {
    Store32(dst, BlendOver(Load32(dst), src & 0xFFFFFFu, a));
  }
}

#if defined(__SSE2__)
// Four layer pixels `v` (from `src`) onto four picture pixels. Over an opaque destination every
// channel is (s a + d (255 - a) + 128) / 255 rounded as Div255 does, exactly BlendOverOpaque.
template <bool kOpaque>
inline void Over4(uint8_t* dst, const uint8_t* src, __m128i v) {
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  const __m128i va = _mm_and_si128(v, alpha);
  const int clear = _mm_movemask_epi8(_mm_cmpeq_epi32(va, zero));
  if (clear == 0xFFFF) return;
  if (_mm_movemask_epi8(_mm_cmpeq_epi32(va, alpha)) == 0xFFFF) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
    return;
  }
  __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
  if (kOpaque) {
    d = _mm_or_si128(d, alpha);
  } else if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(d, alpha), alpha)) != 0xFFFF) {
    for (int k = 0; k < 4; ++k) OverPixel<false>(dst + 4 * k, Load32(src + 4 * k));
    return;
  }
  __m128i a = _mm_srli_epi32(v, 24);
  a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
  const __m128i aLo = _mm_unpacklo_epi32(a, a);
  const __m128i aHi = _mm_unpackhi_epi32(a, a);
  const __m128i c255 = _mm_set1_epi16(255);
  const __m128i c128 = _mm_set1_epi16(128);
  __m128i lo = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), aLo),
                                           _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(c255, aLo))),
                             c128);
  __m128i hi = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), aHi),
                                           _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(c255, aHi))),
                             c128);
  lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_srli_epi16(lo, 8)), 8);
  hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_srli_epi16(hi, 8)), 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(_mm_packus_epi16(lo, hi), alpha));
}
#endif

// A line layer is mostly transparent with opaque strokes, so whole blocks of transparent pixels are
// skipped and whole blocks of opaque ones copied; only the edges go through the blend.
template <bool kOpaque>
void OverRow32(uint8_t* dst, const uint8_t* src, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const uint8_t* s = src + 4 * static_cast<size_t>(i);
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
    const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 48));
    const __m128i any = _mm_and_si128(_mm_or_si128(_mm_or_si128(v0, v1), _mm_or_si128(v2, v3)), alpha);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(any, zero)) == 0xFFFF) continue;
    const __m128i all = _mm_and_si128(_mm_and_si128(_mm_and_si128(v0, v1), _mm_and_si128(v2, v3)), alpha);
    uint8_t* d = dst + 4 * static_cast<size_t>(i);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(all, alpha)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v0);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), v1);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32), v2);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 48), v3);
      continue;
    }
    const __m128i v[4] = {v0, v1, v2, v3};
    for (int k = 0; k < 4; ++k) Over4<kOpaque>(d + 16 * k, s + 16 * k, v[k]);
  }
#else
  for (; i + 4 <= n; i += 4) {
    const uint8_t* s = src + 4 * static_cast<size_t>(i);
    const uint32_t p0 = Load32(s), p1 = Load32(s + 4), p2 = Load32(s + 8), p3 = Load32(s + 12);
    if (((p0 | p1 | p2 | p3) >> 24) == 0) continue;
    uint8_t* d = dst + 4 * static_cast<size_t>(i);
    OverPixel<kOpaque>(d, p0);
    OverPixel<kOpaque>(d + 4, p1);
    OverPixel<kOpaque>(d + 8, p2);
    OverPixel<kOpaque>(d + 12, p3);
  }
#endif
  for (; i < n; ++i) OverPixel<kOpaque>(dst + 4 * static_cast<size_t>(i), Load32(src + 4 * static_cast<size_t>(i)));
}

}  // namespace

void ComposeOver(Bitmap& picture, const Bitmap& layer) {
  if (!picture.Ok() || !layer.Ok() || layer.Format() != PixelFormat::Argb32) return;
  const int w = std::min(picture.Width(), layer.Width());
  const int h = std::min(picture.Height(), layer.Height());
  if (picture.Format() == PixelFormat::Rgb24) {
    std::vector<uint32_t> row(static_cast<size_t>(std::max(w, 0)));
    for (int y = 0; y < h; ++y) {
      std::memcpy(row.data(), layer.Row(y), row.size() * 4);
      BlendRow(picture, y, 0, w, row.data());
    }
    return;
  }
  const bool opaque = picture.Format() == PixelFormat::Rgb32;
  for (int y = 0; y < h; ++y) {
    if (opaque) {
      OverRow32<true>(picture.Row(y), layer.Row(y), w);
    } else {
      OverRow32<false>(picture.Row(y), layer.Row(y), w);
    }
  }
}

}  // namespace lumbra
