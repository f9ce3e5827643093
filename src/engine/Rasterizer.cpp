#include "engine/Rasterizer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <thread>

#include "engine/RasterPaint.h"
#include "engine/RasterWorkers.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumbra {

namespace {

// Cells hold sums in 1/256 pixel: cover is the height an edge crosses in the cell, area is
// cover * (x at entry + x at exit) within the cell, so a full pixel is 256 * 512.
constexpr int kFullArea = 256 * 512;
// Rows of a band: shapes taller than this are cut into bands, each with cells only for the
// columns its edges reach, so that a band's cells stay in the nearest cache.
constexpr int kBandRows = 32;
// Shapes that cost less than this many pixels are not worth waking other threads for.
constexpr double kParallelWork = 50000;
// Farther than this from the picture nothing changes any pixel; keeps the clip arithmetic finite.
constexpr double kFar = 1e15;
// Rows of a strip of a batch: all the kept shapes are painted into one strip of the picture before
// the next, so a strip of a picture of a few thousand pixels' width (with the cells of a band) stays
// in a core's 1 MiB second-level cache while the shapes that reach it are painted. A multiple of
// kBandRows.
constexpr int kStripRows = 32;
static_assert(kStripRows % kBandRows == 0);
// A batch keeping more than this many bytes of edges and bands is painted there and then, which
// bounds its memory and the time a render takes to stop once its caller asks it to.
constexpr size_t kBatchBytes = size_t{32} << 20;
// Rows ahead whose pixels are fetched while a row is painted.
constexpr int kPrefetchRows = 2;

struct Cell {
  uint32_t cover;
  uint32_t area;
};

// floor(a / b) for b > 0; 32-bit division when the operands fit (a library call on 32-bit hosts).
inline int64_t FloorDiv(int64_t a, int64_t b) {
  if (a == static_cast<int32_t>(a) && b == static_cast<int32_t>(b)) {
    const auto a32 = static_cast<int32_t>(a), b32 = static_cast<int32_t>(b);
    int32_t q = a32 / b32;
    if (q * b32 > a32) --q;
    return q;
  }
  int64_t q = a / b;
  if (q * b > a) --q;
  return q;
}

// floor(v) for |v| < 2^31, without a library call.
inline int32_t Floor32(double v) {
  const auto i = static_cast<int32_t>(v);
  return i > v ? i - 1 : i;
}

// 1/256 pixel, rounded to nearest (v lies within the clip rectangle).
inline int32_t Fix(double v) { return Floor32(v * 256.0 + 0.5); }

// Coverage 0..255 of an area 0..kFullArea.
inline uint32_t AreaCoverage(uint32_t v) { return (v * 255 + kFullArea / 2) >> 17; }

// Coverage 0..255 from a running sum in 1/kFullArea pixel (two's complement, so that sums wrap
// harmlessly instead of overflowing).
template <bool kEvenOdd>
inline uint32_t Coverage(uint32_t sum) {
  uint32_t v = static_cast<int32_t>(sum) < 0 ? 0u - sum : sum;
  if constexpr (kEvenOdd) {
    v &= 2 * kFullArea - 1;
    if (v > kFullArea) v = 2 * kFullArea - v;
  } else {
    if (v > kFullArea) v = kFullArea;
  }
  return AreaCoverage(v);
}

// Sets the n pixels from p on to v. The runs between an outline's two sides are mostly short, so
// this stays inline: four pixels a store, the last four overlapping the ones before.
inline void FillShortSpan(uint32_t* p, int n, uint32_t v) {
#if defined(__SSE2__)
  if (n >= 4) {
    const __m128i x = _mm_set1_epi32(static_cast<int>(v));
    for (int i = 0; i < n - 4; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), x);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + n - 4), x);
    return;
  }
#endif
  for (int i = 0; i < n; ++i) p[i] = v;
}

// PaintArgbSpan, with the usual case of an opaque colour at full coverage done in place.
inline void PaintSpan(uint32_t* p, int n, uint32_t argb, uint32_t cover) {
  if (cover == 255 && argb >= 0xFF000000u) {
    FillShortSpan(p, n, argb);
  } else {
    PaintArgbSpan(p, n, argb, cover);
  }
}

// How the target's colour goes onto one pixel, as ArgbPainted gives it: kBackdrop when
// pixels of the target's backdrop colour take their blend from its table, kOpaque when the colour
// is opaque (its alpha at a coverage is then the coverage itself).
template <bool kBackdrop, bool kOpaque>
struct Ink {
  static constexpr bool backdrop = kBackdrop;
  static constexpr bool opaque = kOpaque;

  // The colour at the coverage cover() composed onto *p. An opaque pixel of the colour stays as it
  // is at any coverage (the usual pixel where lines overlap), so its coverage is not worked out.
  template <class Cover>
  [[gnu::always_inline]] static void Paint(const SolidArgbTarget& target, uint32_t* p, Cover&& cover) {
    const uint32_t d = *p;
    if (kBackdrop && d == target.backdrop) {
      *p = target.overBackdrop[cover()];
      return;
    }
    if (d == (target.argb | 0xFF000000u)) return;
    const uint32_t c = cover();
    const uint32_t a = kOpaque ? c : CoveredAlpha(target.argb, c);
    if (a == 0) return;
    *p = BlendOverCovered(d, target.argb & 0xFFFFFFu, a);
  }
};

// Calls paint.operator()<I>() with the Ink I that fits the target.
template <class Paint>
void WithInk(const SolidArgbTarget& target, Paint&& paint) {
  const bool opaque = target.argb >= 0xFF000000u;
  if (target.overBackdrop != nullptr) {
    opaque ? paint.template operator()<Ink<true, true>>() : paint.template operator()<Ink<true, false>>();
  } else {
    opaque ? paint.template operator()<Ink<false, true>>() : paint.template operator()<Ink<false, false>>();
  }
}

// One cell of a row swept onto its pixel: `cover` becomes the sum of covers through the cell.
template <bool kEvenOdd, class I>
[[gnu::always_inline]] inline void SweepCell(const SolidArgbTarget& target, uint32_t* p, Cell& cell, uint32_t& cover) {
  cover += cell.cover;
  const uint32_t area = cell.area;
  I::Paint(target, p, [&] { return Coverage<kEvenOdd>((cover << 9) - area); });
  cell = Cell{0, 0};
}

// The target's colour, spread over four lanes for SweepFour.
struct FourLanes {
#if defined(__SSE2__)
  __m128i rgb;
  __m128i alpha;  // the colour's alpha in each lane

  explicit FourLanes(uint32_t argb)
      : rgb(_mm_set1_epi32(static_cast<int>(argb & 0xFFFFFFu))), alpha(_mm_set1_epi32(static_cast<int>(argb >> 24))) {}
#else
  explicit FourLanes(uint32_t) {}
#endif
};

#if defined(__SSE2__)

// Four cells of a row swept onto their pixels at once, as SweepCell does one by one. When the four
// pixels are all transparent, of the painted colour or of the backdrop (the usual ones on a layer
// of lines), they are blended in the lanes; otherwise they go one by one.
template <bool kEvenOdd, class I>
[[gnu::always_inline]] inline void SweepFour(const SolidArgbTarget& target, const FourLanes& lanes, uint32_t* p,
                                             Cell* cells, uint32_t& cover) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i da = _mm_srli_epi32(d, 24);
  const __m128i easy =
      _mm_or_si128(_mm_cmpeq_epi32(da, zero), _mm_cmpeq_epi32(_mm_and_si128(d, _mm_set1_epi32(0xFFFFFF)), lanes.rgb));
  const __m128i onBackdrop = I::backdrop ? _mm_cmpeq_epi32(d, _mm_set1_epi32(static_cast<int>(target.backdrop))) : zero;
  if (_mm_movemask_epi8(_mm_or_si128(easy, onBackdrop)) != 0xFFFF) {
    for (int k = 0; k < 4; ++k) SweepCell<kEvenOdd, I>(target, p + k, cells[k], cover);
    return;
  }
  const __m128 lo = _mm_loadu_ps(reinterpret_cast<const float*>(cells));
  const __m128 hi = _mm_loadu_ps(reinterpret_cast<const float*>(cells + 2));
  __m128i sum = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i area = _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(cells), zero);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + 2), zero);
  // The running sums of cover, lane by lane.
  sum = _mm_add_epi32(sum, _mm_slli_si128(sum, 4));
  sum = _mm_add_epi32(sum, _mm_slli_si128(sum, 8));
  sum = _mm_add_epi32(sum, _mm_set1_epi32(static_cast<int>(cover)));
  cover = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(sum, _MM_SHUFFLE(3, 3, 3, 3))));
  // Coverage, as Coverage<kEvenOdd> gives it.
  __m128i v = _mm_sub_epi32(_mm_slli_epi32(sum, 9), area);
  const __m128i sign = _mm_srai_epi32(v, 31);
  v = _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
  const __m128i full = _mm_set1_epi32(kFullArea);
  if constexpr (kEvenOdd) {
    v = _mm_and_si128(v, _mm_set1_epi32(2 * kFullArea - 1));
    const __m128i over = _mm_cmpgt_epi32(v, full);
    v = _mm_or_si128(_mm_andnot_si128(over, v), _mm_and_si128(over, _mm_sub_epi32(_mm_set1_epi32(2 * kFullArea), v)));
  } else {
    const __m128i bias = _mm_set1_epi32(INT32_MIN);  // compared as unsigned
    const __m128i over = _mm_cmpgt_epi32(_mm_xor_si128(v, bias), _mm_xor_si128(full, bias));
    v = _mm_or_si128(_mm_andnot_si128(over, v), _mm_and_si128(over, full));
  }
  const __m128i c =
      _mm_srli_epi32(_mm_add_epi32(_mm_sub_epi32(_mm_slli_epi32(v, 8), v), _mm_set1_epi32(kFullArea / 2)), 17);
  __m128i a = c;
  if (!I::opaque) {
    a = _mm_add_epi32(_mm_mullo_epi16(lanes.alpha, c), _mm_set1_epi32(128));  // Div255(alpha * c)
    a = _mm_srli_epi32(_mm_add_epi32(a, _mm_srli_epi32(a, 8)), 8);
  }
  // Transparent pixels and those of the colour: only the alpha changes, to a + Div255(da (255 - a));
  // none at all where a is 0.
  const __m128i keep = _mm_cmpeq_epi32(a, zero);
  __m128i t = _mm_add_epi32(_mm_mullo_epi16(da, _mm_sub_epi32(_mm_set1_epi32(255), a)), _mm_set1_epi32(128));
  t = _mm_srli_epi32(_mm_add_epi32(t, _mm_srli_epi32(t, 8)), 8);
  __m128i out = _mm_or_si128(_mm_and_si128(keep, d),
                             _mm_andnot_si128(keep, _mm_or_si128(lanes.rgb, _mm_slli_epi32(_mm_add_epi32(t, a), 24))));
  if (I::backdrop && _mm_movemask_epi8(onBackdrop) != 0) {
    alignas(16) uint32_t cs[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(cs), c);
    const uint32_t* table = target.overBackdrop;
    const __m128i blended = _mm_setr_epi32(static_cast<int>(table[cs[0]]), static_cast<int>(table[cs[1]]),
                                           static_cast<int>(table[cs[2]]), static_cast<int>(table[cs[3]]));
    out = _mm_or_si128(_mm_and_si128(onBackdrop, blended), _mm_andnot_si128(onBackdrop, out));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), out);
}
#endif

// Sweeps one row of anti-aliased cells (columns x0..x0 + width - 1 of picture row y), clearing
// them, and blends the coverage straight into the target's pixels: pixel for pixel what the spans
// of the general sweep give through a SolidPainter, each pixel put there as the Ink I puts it.
// Runs of three touched cells or more go four cells at a time (fewer would not repay it); untouched
// cells swept with them lie in a run of constant coverage and get the blend the run would give.
template <bool kEvenOdd, class I>
void PaintCellRow(const SolidArgbTarget& painted, const FourLanes& colour, int y, int x0, Cell* cells, uint64_t* bits,
                  int words, int width) {
  // Copies, which no pixel written can alias: the colour stays in registers.
  const SolidArgbTarget target = painted;
  const FourLanes lanes = colour;
  uint8_t* row = target.pixels + static_cast<size_t>(y) * target.stride;
  uint32_t* px = reinterpret_cast<uint32_t*>(row) + x0;
  const uint32_t argb = target.argb;
  int first = 0;
  while (first < words && bits[first] == 0) ++first;
  if (first == words) return;
  if (y + kPrefetchRows < target.height) {
    // Shapes move little from one row to the next, so the pixels a few rows down at this row's
    // ends are the ones wanted soon; asking for them early hides much of the memory latency.
    int last = words - 1;
    while (bits[last] == 0) --last;
    const uint8_t* below = reinterpret_cast<const uint8_t*>(px) + kPrefetchRows * target.stride;
    __builtin_prefetch(below + 4 * ((first << 6) + std::countr_zero(bits[first])), 1);
    __builtin_prefetch(below + 4 * ((last << 6) + 63 - std::countl_zero(bits[last])), 1);
  }
  uint32_t cover = 0;
  int next = 0;  // cells before it are swept
  for (int w = first; w < words; ++w) {
    uint64_t b = bits[w];
    if (b == 0) continue;
    bits[w] = 0;
    do {
      // A run of touched cells [i, i + run) within this word, after a gap of constant coverage.
      const int bit = std::countr_zero(b);
      const int run = std::countr_one(b >> bit);
      b &= b + (uint64_t{1} << bit);
      const int i = (w << 6) + bit;
      const int end = i + run;
      if (end <= next) continue;
      int k = std::max(i, next);
      if (k != next && cover != 0) PaintSpan(px + next, k - next, argb, Coverage<kEvenOdd>(cover << 9));
      for (; k < end; ++k) {
#if defined(__SSE2__)
        if (end - k >= 3 && k + 4 <= width) {
          SweepFour<kEvenOdd, I>(target, lanes, px + k, cells + k, cover);
          k += 3;
          continue;
        }
#endif
        SweepCell<kEvenOdd, I>(target, px + k, cells[k], cover);
      }
      next = k;
    } while (b != 0);
  }
  if (cover != 0 && next < width) PaintSpan(px + next, width - next, argb, Coverage<kEvenOdd>(cover << 9));
}

// The cell buffer of one band: rows [top, bottom) of the picture, columns [x0, x0 + width).
struct BandCells {
  Cell* cells;
  uint64_t* bits;  // a bit per cell: touched
  int words;       // 64-bit words of bits per row
  int width;
  int x0;
  int top;
  int bottom;
};

// The piece of an edge inside a row, from (x1, y1) to (x2, y2), x in 1/256 pixel, y in 1/256 of the
// row (0 <= y1 < y2 <= 256), split at the cell borders it crosses: visit(column, cover, area) for
// each cell, from the cell of (x1, y1) to that of (x2, y2).
template <int kDir = 0, class Visit>
[[gnu::always_inline]] inline void PieceCells(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Visit&& visit) {
  const int32_t ex1 = x1 >> 8;
  const int32_t ex2 = x2 >> 8;
  const int32_t fx1 = x1 & 255;
  const int32_t fx2 = x2 & 255;
  const int32_t dy = y2 - y1;
  if (ex1 == ex2) {
    visit(ex1, dy, (fx1 + fx2) * dy);
    return;
  }
  int32_t dx, p, first, incr;
  if (kDir > 0 || (kDir == 0 && x2 > x1)) {
    dx = x2 - x1;
    p = (256 - fx1) * dy;
    first = 256;
    incr = 1;
  } else {
    dx = x1 - x2;
    p = fx1 * dy;
    first = 0;
    incr = -1;
  }
  int32_t delta = p / dx;
  int32_t mod = p % dx;
  int32_t ex = ex1;
  int32_t y = y1 + delta;
  visit(ex, delta, (fx1 + first) * delta);
  ex += incr;
  if (ex != ex2) {
    const int32_t lift = (256 * dy) / dx;
    const int32_t rem = (256 * dy) % dx;
    mod -= dx;
    while (ex != ex2) {
      // The carries follow no pattern a branch predictor could learn: added without branches.
      mod += rem;
      const int32_t carry = mod >= 0 ? 1 : 0;
      delta = lift + carry;
      mod -= dx & -carry;
      visit(ex, delta, 256 * delta);
      y += delta;
      ex += incr;
    }
  }
  delta = y2 - y;
  visit(ex2, delta, (fx2 + 256 - first) * delta);
}

// One row of a band's cells.
struct CellRow {
  Cell* cells;
  uint64_t* bits;
  int width;
  int x0;

  template <bool kNeg>
  void Add(int32_t ex, int32_t cover, int32_t area) const {
    const int col = ex - x0;
    if (static_cast<unsigned>(col) >= static_cast<unsigned>(width)) return;  // right of the picture
    Cell& c = cells[col];
    if constexpr (kNeg) {
      c.cover -= static_cast<uint32_t>(cover);
      c.area -= static_cast<uint32_t>(area);
    } else {
      c.cover += static_cast<uint32_t>(cover);
      c.area += static_cast<uint32_t>(area);
    }
    bits[col >> 6] |= uint64_t{1} << (col & 63);
  }

  // The piece of an edge inside this row (PieceCells) added to its cells.
  template <bool kNeg>
  [[gnu::always_inline]] inline void Piece(int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    PieceCells(
        x1, y1, x2, y2, [this](int32_t ex, int32_t cover, int32_t area) __attribute__((always_inline)) {
          Add<kNeg>(ex, cover, area);
        });
  }
};

// The cells of row r of the band.
CellRow BandRow(const BandCells& band, int r) {
  const size_t at = static_cast<size_t>(r - band.top);
  return CellRow{band.cells + at * static_cast<size_t>(band.width), band.bits + at * static_cast<size_t>(band.words),
                 band.width, band.x0};
}

// An anti-aliased edge stepped down a row at a time from row r on, through rows it crosses from top
// to bottom: xa and xb are where it enters and leaves the current row (in 1/256 pixel; in its
// first row, xa is where it starts), each the exact floor of its crossing.
struct FullRows {
  int32_t x0;
  int32_t xa, xb;
  int64_t q, m, lift, rem, dy;

  FullRows(int32_t ex0, int32_t ey0, int32_t ex1, int32_t ey1, int r) : x0(ex0), dy(ey1 - ey0) {
    const int64_t dx = ex1 - ex0;
    xa = r << 8 <= ey0 ? x0 : x0 + static_cast<int32_t>(FloorDiv((static_cast<int64_t>(r) * 256 - ey0) * dx, dy));
    const int64_t num = (static_cast<int64_t>(r) * 256 + 256 - ey0) * dx;
    q = FloorDiv(num, dy);
    m = num - q * dy;
    lift = FloorDiv(dx * 256, dy);
    rem = dx * 256 - lift * dy;
    xb = x0 + static_cast<int32_t>(q);
  }

  void Step() {
    xa = xb;
    q += lift;
    m += rem;
    const int64_t carry = m >= dy ? 1 : 0;  // without a branch, as in PieceCells
    q += carry;
    m -= dy & -carry;
    xb = x0 + static_cast<int32_t>(q);
  }
};

// Where two edges cross the borders of this row and the n - 1 rows after it (n >= 1): xa, then xb
// of each row. Stepped together, the two end in one loop.
void Crossings(FullRows a, FullRows b, int32_t* as, int32_t* bs, int n) {
  as[0] = a.xa;
  as[1] = a.xb;
  bs[0] = b.xa;
  bs[1] = b.xb;
  for (int k = 2; k <= n; ++k) {
    a.Step();
    b.Step();
    as[k] = a.xb;
    bs[k] = b.xb;
  }
}

// The piece of an edge inside a row: from (x1, y1) to (x2, y2), x in 1/256 pixel, y in 1/256 of
// the row.
struct RowPiece {
  int32_t x1, y1, x2, y2;
};

// The piece of the edge from (x0, y0) to (x1, y1) inside row r, which it reaches.
RowPiece PieceInRow(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int r) {
  const int32_t top = r << 8;
  const int64_t dx = x1 - x0;
  const int64_t dy = y1 - y0;
  const int32_t xa = y0 >= top ? x0 : x0 + static_cast<int32_t>(FloorDiv((top - y0) * dx, dy));
  const int32_t xb = y1 <= top + 256 ? x1 : x0 + static_cast<int32_t>(FloorDiv((top + 256 - y0) * dx, dy));
  return RowPiece{xa, std::max(y0 - top, 0), xb, std::min(y1 - top, 256)};
}

// The piece of an edge inside row r, which it reaches, added to that row's cells.
template <bool kNeg>
void AddEdgeRow(const CellRow& row, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int r) {
  const RowPiece p = PieceInRow(x0, y0, x1, y1, r);
  row.Piece<kNeg>(p.x1, p.y1, p.x2, p.y2);
}

// Adds one edge's cells for the rows of the band (anti-aliased). Every row's piece depends only on
// where the edge crosses that row's top and bottom, computed exactly, so banding changes nothing.
template <bool kNeg>
void EdgeCells(const BandCells& band, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const int32_t firstRow = y0 >> 8;
  const int32_t lastRow = (y1 - 1) >> 8;
  int r = std::max(firstRow, band.top);
  const int r1 = std::min(lastRow, band.bottom - 1);
  if (r > r1) return;
  CellRow row = BandRow(band, r);
  const int words = band.words;
  if (x1 == x0) {
    const int32_t ex = x0 >> 8;
    const int32_t twoFx = (x0 & 255) * 2;
    for (; r <= r1; ++r, row.cells += row.width, row.bits += words) {
      const int32_t ya = r == firstRow ? (y0 & 255) : 0;
      const int32_t yb = r == lastRow ? y1 - (r << 8) : 256;
      row.Add<kNeg>(ex, yb - ya, twoFx * (yb - ya));
    }
    return;
  }
  if (r == lastRow) {  // short edges often stay within one row: no stepping needed
    AddEdgeRow<kNeg>(row, x0, y0, x1, y1, r);
    return;
  }
  FullRows edge(x0, y0, x1, y1, r);
  row.Piece<kNeg>(edge.xa, r == firstRow ? (y0 & 255) : 0, edge.xb, 256);
  while (r != r1) {
    ++r;
    row.cells += row.width;
    row.bits += words;
    edge.Step();
    if (r == lastRow) {
      row.Piece<kNeg>(edge.xa, 0, x1, y1 - (r << 8));
      return;
    }
    row.Piece<kNeg>(edge.xa, 0, edge.xb, 256);
  }
}

// The coverage of a cell of a stroke's side inside a row, whatever the way its edges run: with
// `left` the covers of the side's cells up to this one's (of the 256 of a row), a cell of area
// `area` is covered by (left << 9) - area when the shape lies right of the side (kLeft), or by
// ((256 - left) << 9) + area when it lies left of it: what PaintCellRow gives it from the cells.
template <bool kLeft>
inline uint32_t PieceCoverage(int32_t left, int32_t area) {
  return AreaCoverage(static_cast<uint32_t>(kLeft ? (left << 9) - area : ((256 - left) << 9) + area));
}

// A stroke's side painted across a row cell by cell, as PaintCellRow would paint it from the
// cells: from the left when it runs rightwards (kRightward), with PieceCoverage's coverage.
template <class I, bool kRightward, bool kLeft>
struct SideCells {
  const SolidArgbTarget& target;
  uint32_t* row;
  int32_t left = kRightward ? 0 : 256;  // the covers of the side's cells up to the current one's

  // Paints the side's next cell.
  [[gnu::always_inline]] void Paint(int32_t ex, int32_t cover, int32_t area) {
    if (kRightward) left += cover;
    I::Paint(target, row + ex, [&] { return PieceCoverage<kLeft>(left, area); });
    if (!kRightward) left -= cover;
  }
};

// Whether the columns [lo, hi] of a row, three at most, all hold opaque pixels of the target's
// colour, which painting it leaves as they are: a side there (running inside an earlier stroke) is
// passed over before its cells are worked out. Tested with no branch per pixel; wider sides, which
// are few, are painted.
inline bool OnOpaqueColour(const SolidArgbTarget& target, const uint32_t* row, int32_t lo, int32_t hi) {
  const uint32_t full = target.argb | 0xFF000000u;
  return (hi - lo <= 2) & (row[lo] == full) & (row[(lo + hi) >> 1] == full) & (row[hi] == full);
}

// Paints the piece of an edge across a row, from x1 at its top to x2 at its bottom (1/256 pixel),
// onto the row's pixels `row` (column 0 on), when no other piece shares its cells: kRightward when
// x2 >= x1, kLeft when the shape lies right of the piece rather than left of it.
template <class I, bool kRightward, bool kLeft>
[[gnu::always_inline]] inline void PaintPiece(const SolidArgbTarget& target, uint32_t* row, int32_t x1, int32_t x2) {
  if (OnOpaqueColour(target, row, (kRightward ? x1 : x2) >> 8, (kRightward ? x2 : x1) >> 8)) return;
  SideCells<I, kRightward, kLeft> side{target, row};
  PieceCells<kRightward ? 1 : -1>(
      x1, 0, x2, 256, [&](int32_t ex, int32_t cover, int32_t area) __attribute__((always_inline)) {
        side.Paint(ex, cover, area);
      });
}

// Paints rows [r, end) of a shape whose only edges there are `down` (running downwards) and `up`,
// both crossing every one of those rows from top to bottom: the pixels PaintCellRow would give from
// their cells. Where the two pieces of a row lie in different cells, it is one piece's pixels, a
// run of full coverage and the other's, painted straight from where the edges cross the row with
// no cells; so is a row where both lie within one cell. Other rows go through `spare`, a row of
// cells that is all zero and left so.
template <bool kEvenOdd, class I, bool kDownRightward, bool kUpRightward>
void PaintTwoEdgeRows(const SolidArgbTarget& painted, const FourLanes& lanes, FullRows downEdge, FullRows upEdge, int r,
                      int end, const CellRow& spare, int words) {
  // A copy, which no pixel written can alias: its colour stays in a register.
  const SolidArgbTarget target = painted;
  const int x0 = spare.x0;
  const int right = x0 + spare.width;  // the column past the band
  // Both edges stepped through the rows first, apart from the painting, which keeps each loop's
  // values in registers.
  int32_t downs[kBandRows + 1], ups[kBandRows + 1];
  Crossings(downEdge, upEdge, downs, ups, end - r);
  uint8_t* bytes = target.pixels + static_cast<size_t>(r) * target.stride;
  for (int k = 0; r < end; ++r, ++k, bytes += target.stride) {
    const struct { int32_t xa, xb; } down{downs[k], downs[k + 1]}, up{ups[k], ups[k + 1]};
    auto* row = reinterpret_cast<uint32_t*>(bytes);
    const uint8_t* below = bytes + kPrefetchRows * target.stride;
    const bool prefetch = r + kPrefetchRows < target.height;
    if (((down.xa ^ down.xb) | (up.xa ^ up.xb)) >> 8 == 0) {
      // Each piece within one cell (steep edges, the usual case): an edge pixel, a run of full
      // coverage and another edge pixel, or a single pixel.
      int32_t cl = down.xa >> 8, cr = up.xa >> 8;
      int32_t al = ((down.xa & 255) + (down.xb & 255)) << 8;  // each piece's area in its cell
      int32_t ar = ((up.xa & 255) + (up.xb & 255)) << 8;
      if (cl > cr) {
        std::swap(cl, cr);
        std::swap(al, ar);
      }
      if (cl >= x0 && cr < right) {  // the cells drop what lies outside the band
        if (prefetch) {
          __builtin_prefetch(below + 4 * cl, 1);
          __builtin_prefetch(below + 4 * cr, 1);
        }
        if (cl == cr) {
          I::Paint(target, row + cl, [&] { return AreaCoverage(static_cast<uint32_t>(std::abs(al - ar))); });
          continue;
        }
        I::Paint(target, row + cl, [&] { return AreaCoverage(static_cast<uint32_t>(kFullArea - al)); });
        if (cr - cl > 1) PaintSpan(row + cl + 1, cr - cl - 1, target.argb, 255);
        I::Paint(target, row + cr, [&] { return AreaCoverage(static_cast<uint32_t>(ar)); });
        continue;
      }
    } else {
      // The columns each piece reaches: when the two do not meet, painted piece by piece.
      const int32_t dl = (kDownRightward ? down.xa : down.xb) >> 8, dr = (kDownRightward ? down.xb : down.xa) >> 8;
      const int32_t ul = (kUpRightward ? up.xa : up.xb) >> 8, ur = (kUpRightward ? up.xb : up.xa) >> 8;
      const int32_t lo = std::min(dl, ul), hi = std::max(dr, ur);
      if (lo >= x0 && hi < right && (dr < ul || ur < dl)) {
        if (prefetch) {
          __builtin_prefetch(below + 4 * lo, 1);
          __builtin_prefetch(below + 4 * hi, 1);
        }
        if (dr < ul) {
          PaintPiece<I, kDownRightward, true>(target, row, down.xa, down.xb);
          if (ul - dr > 1) PaintSpan(row + dr + 1, ul - dr - 1, target.argb, 255);
          PaintPiece<I, kUpRightward, false>(target, row, up.xa, up.xb);
        } else {
          PaintPiece<I, kUpRightward, true>(target, row, up.xa, up.xb);
          if (dl - ur > 1) PaintSpan(row + ur + 1, dl - ur - 1, target.argb, 255);
          PaintPiece<I, kDownRightward, false>(target, row, down.xa, down.xb);
        }
        continue;
      }
    }
    spare.Piece<false>(down.xa, 0, down.xb, 256);
    spare.Piece<true>(up.xa, 0, up.xb, 256);
    PaintCellRow<kEvenOdd, I>(target, lanes, r, x0, spare.cells, spare.bits, words, spare.width);
  }
}

// The edges of a band split into a stroke's two sides: those running downwards and those running
// upwards, each side in order of y with no two of its edges sharing a row's height.
struct StrokeSides {
  static constexpr int kMaxEdges = 8;  // a side
  struct SideEdge {
    int32_t x0, y0, x1, y1;
  };
  SideEdge down[kMaxEdges];
  SideEdge up[kMaxEdges];
  int downs = 0;
  int ups = 0;

  // Adds an edge; false when a side has no room left.
  bool Add(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool negative) {
    SideEdge* side = negative ? up : down;
    int& n = negative ? ups : downs;
    if (n == kMaxEdges) return false;
    int at = n++;
    for (; at > 0 && side[at - 1].y0 > y0; --at) side[at] = side[at - 1];
    side[at] = SideEdge{x0, y0, x1, y1};
    return true;
  }

  // Both sides have edges, and no two edges of a side share a row's height.
  bool Valid() const {
    if (downs == 0 || ups == 0) return false;
    for (int k = 1; k < downs; ++k) {
      if (down[k].y0 < down[k - 1].y1) return false;
    }
    for (int k = 1; k < ups; ++k) {
      if (up[k].y0 < up[k - 1].y1) return false;
    }
    return true;
  }
};

// One side of a stroke inside a row where it passes from one edge to the next: the pieces of its
// edges there (Gather), when they follow on from the row's top to its bottom and all run one way
// (`way` 1 rightwards, -1 leftwards, 0 straight down), with the columns [lo, hi] they reach.
struct SidePieces {
  RowPiece piece[StrokeSides::kMaxEdges];
  int count = 0;
  int way = 0;
  int32_t lo = 0, hi = 0;

  // From the side's edges [k, n) that reach row r on; false when they do not join up so.
  bool Gather(const StrokeSides::SideEdge* edges, int k, int n, int r) {
    const int32_t bottom = (r << 8) + 256;
    int32_t y = 0;
    for (; k < n && edges[k].y0 < bottom; ++k) {
      const StrokeSides::SideEdge& e = edges[k];
      const RowPiece p = PieceInRow(e.x0, e.y0, e.x1, e.y1, r);
      if (p.y1 != y || (count > 0 && p.x1 != piece[count - 1].x2)) return false;
      const int pieceWay = (p.x2 > p.x1) - (p.x2 < p.x1);
      if (pieceWay == -way && way != 0) return false;
      if (pieceWay != 0) way = pieceWay;
      piece[count++] = p;
      y = p.y2;
    }
    if (y != 256) return false;
    lo = std::min(piece[0].x1, piece[count - 1].x2) >> 8;
    hi = std::max(piece[0].x1, piece[count - 1].x2) >> 8;
    return true;
  }
};

// Paints a side's pieces across a row (SidePieces) when no other piece shares their cells, as
// PaintPiece paints a single piece; the cell where one piece ends and the next begins gets both.
template <class I, bool kRightward, bool kLeft>
void PaintSide(const SolidArgbTarget& target, uint32_t* row, const SidePieces& side) {
  if (OnOpaqueColour(target, row, side.lo, side.hi)) return;
  SideCells<I, kRightward, kLeft> cells{target, row};
  int32_t at = INT32_MIN, cover = 0, area = 0;  // the cell being summed
  for (int k = 0; k < side.count; ++k) {
    const RowPiece& p = side.piece[k];
    PieceCells<kRightward ? 1 : -1>(p.x1, p.y1, p.x2, p.y2, [&](int32_t ex, int32_t c, int32_t a) {
      if (ex != at) {
        if (at != INT32_MIN) cells.Paint(at, cover, area);
        at = ex;
        cover = 0;
        area = 0;
      }
      cover += c;
      area += a;
    });
  }
  cells.Paint(at, cover, area);
}

// Paints row r of a stroke from its two sides' pieces there, when their columns lie apart within
// [x0, right): the left side's pixels, a run of full coverage and the right side's. False, with
// nothing painted, otherwise.
template <class I>
bool PaintSidesApart(const SolidArgbTarget& target, int r, const SidePieces& a, const SidePieces& b, int x0,
                     int right) {
  const bool aLeft = a.hi < b.lo;
  const SidePieces& l = aLeft ? a : b;
  const SidePieces& rs = aLeft ? b : a;
  if (!(l.hi < rs.lo) || l.lo < x0 || rs.hi >= right) return false;
  auto* row = reinterpret_cast<uint32_t*>(target.pixels + static_cast<size_t>(r) * target.stride);
  l.way < 0 ? PaintSide<I, false, true>(target, row, l) : PaintSide<I, true, true>(target, row, l);
  if (rs.lo - l.hi > 1) PaintSpan(row + l.hi + 1, rs.lo - l.hi - 1, target.argb, 255);
  rs.way < 0 ? PaintSide<I, false, false>(target, row, rs) : PaintSide<I, true, false>(target, row, rs);
  return true;
}

// Paints the rows [top, bottom) of a band whose edges are `sides`, with `spare` a row of cells (all
// zero, and left so) for the columns of the band: the pixels PaintCellRow gives from the band's
// cells. Rows crossed from top to bottom by one edge of each side go through PaintTwoEdgeRows; the
// others (where a side passes from one edge to the next) are painted from the sides' pieces when
// the two lie apart (PaintSidesApart), and through the cells when not.
template <bool kEvenOdd, class I>
void PaintStrokeSides(const SolidArgbTarget& target, const FourLanes& lanes, const StrokeSides& sides, int top,
                      int bottom, const CellRow& spare, int words) {
  int d = 0;
  int u = 0;
  for (int r = top; r < bottom;) {
    const int32_t y = r << 8;
    while (d < sides.downs && sides.down[d].y1 <= y) ++d;
    while (u < sides.ups && sides.up[u].y1 <= y) ++u;
    if (d < sides.downs && u < sides.ups && sides.down[d].y0 <= y && sides.up[u].y0 <= y) {
      const StrokeSides::SideEdge& a = sides.down[d];
      const StrokeSides::SideEdge& b = sides.up[u];
      const int end = std::min({a.y1 >> 8, b.y1 >> 8, bottom});
      if (end > r) {
        const FullRows down(a.x0, a.y0, a.x1, a.y1, r), up(b.x0, b.y0, b.x1, b.y1, r);
        // Each edge's pieces all run the way it runs (or stay within one cell).
        const auto paint = [&]<bool kDownRightward, bool kUpRightward>() {
          PaintTwoEdgeRows<kEvenOdd, I, kDownRightward, kUpRightward>(target, lanes, down, up, r, end, spare, words);
        };
        if (a.x1 > a.x0) {
          b.x1 > b.x0 ? paint.template operator()<true, true>() : paint.template operator()<true, false>();
        } else {
          b.x1 > b.x0 ? paint.template operator()<false, true>() : paint.template operator()<false, false>();
        }
        r = end;
        continue;
      }
    }
    SidePieces down, up;
    if (down.Gather(sides.down, d, sides.downs, r) && up.Gather(sides.up, u, sides.ups, r) &&
        PaintSidesApart<I>(target, r, down, up, spare.x0, spare.x0 + spare.width)) {
      ++r;
      continue;
    }
    for (int k = d; k < sides.downs && sides.down[k].y0 < y + 256; ++k) {
      const StrokeSides::SideEdge& e = sides.down[k];
      AddEdgeRow<false>(spare, e.x0, e.y0, e.x1, e.y1, r);
    }
    for (int k = u; k < sides.ups && sides.up[k].y0 < y + 256; ++k) {
      const StrokeSides::SideEdge& e = sides.up[k];
      AddEdgeRow<true>(spare, e.x0, e.y0, e.x1, e.y1, r);
    }
    PaintCellRow<kEvenOdd, I>(target, lanes, r, spare.x0, spare.cells, spare.bits, words, spare.width);
    ++r;
  }
}

// Adds one edge for the rows of the band (aliased): in every row j whose centre line y = j the
// edge crosses (top end included, bottom end excluded) the winding changes at the first pixel
// whose centre is at or right of the crossing.
template <bool kNeg>
void EdgeSamples(const BandCells& band, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const int32_t firstRow = (y0 + 255) >> 8;
  const int32_t lastRow = ((y1 + 255) >> 8) - 1;
  int r = std::max(firstRow, band.top);
  const int r1 = std::min(lastRow, band.bottom - 1);
  if (r > r1) return;
  CellRow row = BandRow(band, r);
  const int words = band.words;
  const int64_t dx = x1 - x0;
  const int64_t dy = y1 - y0;
  if (dx == 0) {
    const int32_t ex = (x0 + 255) >> 8;
    for (; r <= r1; ++r, row.cells += row.width, row.bits += words) row.Add<kNeg>(ex, 256, 0);
    return;
  }
  // Pixel column of row r: ceil(n / d) with n = x0 dy + (256 r - y0) dx and d = 256 dy.
  const int64_t d = dy * 256;
  const int64_t n = static_cast<int64_t>(x0) * dy + (static_cast<int64_t>(r) * 256 - y0) * dx;
  int64_t q = FloorDiv(n, d);
  int64_t m = n - q * d;
  const int64_t step = dx * 256;
  const int64_t lift = FloorDiv(step, d);
  const int64_t rem = step - lift * d;
  for (; r <= r1; ++r, row.cells += row.width, row.bits += words) {
    row.Add<kNeg>(static_cast<int32_t>(q + (m > 0 ? 1 : 0)), 256, 0);
    q += lift;
    m += rem;
    if (m >= d) {
      m -= d;
      ++q;
    }
  }
}

}  // namespace

Affine Affine::Rotate(double degrees) {
  const double a = degrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a);
  const double s = std::sin(a);
  return {c, s, -s, c, 0, 0};
}

Affine Affine::Then(const Affine& n) const {
  return {m11 * n.m11 + m12 * n.m21, m11 * n.m12 + m12 * n.m22,      m21 * n.m11 + m22 * n.m21,
          m21 * n.m12 + m22 * n.m22, dx * n.m11 + dy * n.m21 + n.dx, dx * n.m12 + dy * n.m22 + n.dy};
}

bool Affine::Invert(Affine& out) const {
  const double det = m11 * m22 - m12 * m21;
  if (det == 0 || !std::isfinite(det)) return false;
  const double i = 1.0 / det;
  Affine r;
  r.m11 = m22 * i;
  r.m12 = -m12 * i;
  r.m21 = -m21 * i;
  r.m22 = m11 * i;
  r.dx = -(dx * r.m11 + dy * r.m21);
  r.dy = -(dx * r.m12 + dy * r.m22);
  out = r;
  return true;
}

struct Rasterizer::Scratch {
  std::vector<Cell> cells;  // all zero between bands
  std::vector<uint64_t> bits;
  std::vector<CoverSpan> spans;
  std::vector<uint8_t> covers;
};

struct Rasterizer::Band {
  int top;
  int bottom;
  int x0;
  int width;
  const uint32_t* edges;  // indices into the edge array, or null for its first `count` edges
  size_t count;
};

Rasterizer::Rasterizer() { SetThreadCount(0); }

Rasterizer::~Rasterizer() = default;

void Rasterizer::SetThreadCount(int threads) {
  if (threads <= 0) {
    const unsigned hw = std::thread::hardware_concurrency();
    threads = hw == 0 ? 1 : static_cast<int>(std::min(hw, 8u));
  }
  if (threads != threads_) {
    workers_.reset();
    threads_ = threads;
  }
}

void Rasterizer::Reset(int width, int height, bool antialias) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  antialias_ = antialias;
  edges_.clear();
  invalid_ = false;
  reachesRight_ = false;
  area_ = 0;
  edgeRows_ = 0;
}

void Rasterizer::AddContour(const PointF* points, size_t count, const Affine& m, double shift) {
  if (count == 0 || invalid_ || width_ == 0 || height_ == 0) return;
  auto map = [&](const PointF& p, double& x, double& y) {
    x = m.X(p.x, p.y) + shift;
    y = m.Y(p.x, p.y) + shift;
    return std::isfinite(x) && std::isfinite(y);
  };
  double fx, fy;
  if (!map(points[0], fx, fy)) {
    invalid_ = true;
    return;
  }
  double px = fx, py = fy;
  for (size_t i = 1; i < count; ++i) {
    double x, y;
    if (!map(points[i], x, y)) {
      invalid_ = true;
      return;
    }
    AddSegment(px, py, x, y);
    px = x;
    py = y;
  }
  AddSegment(px, py, fx, fy);
}

void Rasterizer::AddContour(const double* xy, size_t count) {
  if (count == 0 || invalid_ || width_ == 0 || height_ == 0) return;
  for (size_t i = 0; i < 2 * count; ++i) {
    if (!std::isfinite(xy[i])) {
      invalid_ = true;
      return;
    }
  }
  for (size_t i = 1; i < count; ++i) AddSegment(xy[2 * i - 2], xy[2 * i - 1], xy[2 * i], xy[2 * i + 1]);
  AddSegment(xy[2 * count - 2], xy[2 * count - 1], xy[0], xy[1]);
}

void Rasterizer::AddSegment(double x0, double y0, double x1, double y1) {
  x0 = std::clamp(x0, -kFar, kFar);
  y0 = std::clamp(y0, -kFar, kFar);
  x1 = std::clamp(x1, -kFar, kFar);
  y1 = std::clamp(y1, -kFar, kFar);
  if (y0 == y1) return;  // no height, no cover
  bool negative = false;
  if (y0 > y1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
    negative = true;
  }
  const double w = width_;
  const double h = height_;
  if (y1 <= 0 || y0 >= h) return;  // rows outside the picture are independent of the rest
  double ax = x0, ay = y0, bx = x1, by = y1;
  if (y0 < 0) {
    ax = x0 + (x1 - x0) * (-y0 / (y1 - y0));
    ay = 0;
  }
  if (y1 > h) {
    bx = x0 + (x1 - x0) * ((h - y0) / (y1 - y0));
    by = h;
  }
  // Left of the picture only the cover matters: such parts become vertical edges on x = 0. Right of
  // it nothing matters: such parts are dropped, and the rows they span are filled to the right end.
  if (ax >= w && bx >= w) {
    reachesRight_ = true;
    return;
  }
  if (ax <= 0 && bx <= 0) {
    PushEdge(0, ay, 0, by, negative);
    return;
  }
  if (ax >= 0 && bx >= 0 && ax <= w && bx <= w) {
    PushEdge(ax, ay, bx, by, negative);
    return;
  }
  struct Stop {
    double t, x, y;
  };
  Stop stops[4];
  int n = 0;
  stops[n++] = {0, ax, ay};
  auto cross = [&](double cx) {
    const double t = (cx - ax) / (bx - ax);
    stops[n++] = {t, cx, std::clamp(ay + (by - ay) * t, ay, by)};
  };
  if ((ax < 0) != (bx < 0)) cross(0);
  if ((ax > w) != (bx > w)) cross(w);
  stops[n++] = {1, bx, by};
  if (n == 4 && stops[1].t > stops[2].t) std::swap(stops[1], stops[2]);
  for (int k = 0; k + 1 < n; ++k) {
    const Stop& p = stops[k];
    const Stop& q = stops[k + 1];
    const double mid = (p.x + q.x) * 0.5;
    if (mid < 0) {
      PushEdge(0, p.y, 0, q.y, negative);
    } else if (mid > w) {
      reachesRight_ = true;
    } else {
      PushEdge(std::clamp(p.x, 0.0, w), p.y, std::clamp(q.x, 0.0, w), q.y, negative);
    }
  }
}

void Rasterizer::PushEdge(double x0, double y0, double x1, double y1, bool negative) {
  const Edge e{Fix(x0), Fix(y0), Fix(x1), Fix(y1), negative ? 1 : 0};
  if (e.y0 >= e.y1) return;
  if (!antialias_ && ((e.y0 + 255) >> 8) > ((e.y1 + 255) >> 8) - 1) return;  // crosses no centre line
  const int32_t lo = std::min(e.x0, e.x1);
  const int32_t hi = std::max(e.x0, e.x1);
  if (edges_.empty()) {
    minX_ = lo;
    maxX_ = hi;
    minY_ = e.y0;
    maxY_ = e.y1;
  } else {
    minX_ = std::min(minX_, lo);
    maxX_ = std::max(maxX_, hi);
    minY_ = std::min(minY_, e.y0);
    maxY_ = std::max(maxY_, e.y1);
  }
  area_ += (negative ? -0.5 : 0.5) * (x0 + x1) * (y1 - y0);
  edgeRows_ += ((e.y1 - 1) >> 8) - (e.y0 >> 8) + 1;
  edges_.push_back(e);
}

Rasterizer::Scratch& Rasterizer::ScratchFor(int worker) {
  while (static_cast<int>(scratch_.size()) <= worker) scratch_.push_back(std::make_unique<Scratch>());
  return *scratch_[static_cast<size_t>(worker)];
}

void Rasterizer::Render(FillRule rule, CoverageSink& sink) {
  if (!invalid_ && !edges_.empty()) {
    const bool evenOdd = rule == FillRule::Alternate;
    if (antialias_) {
      if (evenOdd) {
        RenderShape<true, true>(sink);
      } else {
        RenderShape<true, false>(sink);
      }
    } else {
      if (evenOdd) {
        RenderShape<false, true>(sink);
      } else {
        RenderShape<false, false>(sink);
      }
    }
  }
  edges_.clear();
  invalid_ = false;
  reachesRight_ = false;
  area_ = 0;
  edgeRows_ = 0;
}

template <bool kAntialias>
bool Rasterizer::ShapeExtent(Extent& ext) const {
  // Rows whose cells the edges reach, and the columns of those cells.
  ext.top = std::max(kAntialias ? minY_ >> 8 : (minY_ + 255) >> 8, 0);
  ext.bottom = std::min(kAntialias ? ((maxY_ - 1) >> 8) + 1 : (maxY_ + 255) >> 8, height_);
  ext.x0 = std::max(0, minX_ >> 8);
  ext.x1 = reachesRight_ ? width_ - 1 : std::min(width_ - 1, (maxX_ + 255) >> 8);
  return ext.top < ext.bottom && ext.x0 <= ext.x1;
}

template <bool kAntialias>
int Rasterizer::SortIntoBands(const Extent& ext, int origin) {
  // Band b holds rows [origin + b kBandRows, origin + (b + 1) kBandRows) of the shape's rows. The
  // edges go into the bands they reach (counting sort, edge order kept), and each band only spans
  // the columns its own edges reach, so that its cells stay few.
  const int top = ext.top;
  const int bottom = ext.bottom;
  const int bands = (bottom - origin + kBandRows - 1) / kBandRows;
  auto rowRange = [&](const Edge& e, int& r0, int& r1) {
    r0 = std::max(kAntialias ? e.y0 >> 8 : (e.y0 + 255) >> 8, top);
    r1 = std::min(kAntialias ? (e.y1 - 1) >> 8 : ((e.y1 + 255) >> 8) - 1, bottom - 1);
  };
  bandStart_.assign(static_cast<size_t>(bands) + 1, 0);
  bandLo_.assign(static_cast<size_t>(bands), INT32_MAX);
  bandHi_.assign(static_cast<size_t>(bands), INT32_MIN);
  for (const Edge& e : edges_) {
    int r0, r1;
    rowRange(e, r0, r1);
    const int b0 = (r0 - origin) / kBandRows;
    const int b1 = (r1 - origin) / kBandRows;
    const int32_t lo = std::min(e.x0, e.x1) >> 8;
    const int32_t hi = (std::max(e.x0, e.x1) + 255) >> 8;
    if (b0 == b1) {
      ++bandStart_[static_cast<size_t>(b0) + 1];
      bandLo_[static_cast<size_t>(b0)] = std::min(bandLo_[static_cast<size_t>(b0)], lo);
      bandHi_[static_cast<size_t>(b0)] = std::max(bandHi_[static_cast<size_t>(b0)], hi);
      continue;
    }
    // Where the edge crosses each band, give or take a cell (x is monotonic along the edge).
    const double slope = static_cast<double>(e.x1 - e.x0) / (e.y1 - e.y0);
    for (int b = b0; b <= b1; ++b) {
      const size_t k = static_cast<size_t>(b);
      ++bandStart_[k + 1];
      const double ya = std::max<double>(e.y0, (origin + b * kBandRows) * 256.0);
      const double yb = std::min<double>(e.y1, (origin + (b + 1) * kBandRows) * 256.0);
      const double xa = e.x0 + (ya - e.y0) * slope;
      const double xb = e.x0 + (yb - e.y0) * slope;
      const int32_t l = Floor32(std::min(xa, xb) * (1.0 / 256)) - 1;
      const int32_t h = Floor32(std::max(xa, xb) * (1.0 / 256)) + 2;
      bandLo_[k] = std::min(bandLo_[k], std::max(l, lo));
      bandHi_[k] = std::max(bandHi_[k], std::min(h, hi));
    }
  }
  for (int b = 0; b < bands; ++b) bandStart_[static_cast<size_t>(b) + 1] += bandStart_[static_cast<size_t>(b)];
  bandEdges_.resize(bandStart_[static_cast<size_t>(bands)]);
  std::vector<uint32_t>& fill = scratchFill_;
  fill.assign(bandStart_.begin(), bandStart_.end() - 1);
  for (size_t i = 0; i < edges_.size(); ++i) {
    int r0, r1;
    rowRange(edges_[i], r0, r1);
    const int b1 = (r1 - origin) / kBandRows;
    for (int b = (r0 - origin) / kBandRows; b <= b1; ++b) {
      bandEdges_[fill[static_cast<size_t>(b)]++] = static_cast<uint32_t>(i);
    }
  }
  return bands;
}

template <bool kAntialias, bool kEvenOdd>
void Rasterizer::RenderShape(CoverageSink& sink) {
  Extent ext;
  if (!ShapeExtent<kAntialias>(ext)) return;
  const int top = ext.top;
  const int bottom = ext.bottom;
  const int x0 = ext.x0;
  const int x1 = ext.x1;
  const int width = x1 - x0 + 1;
  const int rows = bottom - top;

  // Aliased rows are constant spans only: nothing to gain from painting them from the cells.
  const SolidArgbTarget* solid = kAntialias ? sink.SolidArgb() : nullptr;
  if (batching_) {
    if (kAntialias && solid != nullptr) {
      KeepShape(ext, *solid, kEvenOdd);
      return;
    }
    FlushBatch();  // painted in order: what is kept goes first
  }
  const double work = std::fabs(area_) + 4.0 * static_cast<double>(edgeRows_);
  const bool parallel = threads_ > 1 && work >= kParallelWork && rows >= 2 * kBandRows;
  if (rows <= kBandRows) {
    RenderBand<kAntialias, kEvenOdd>(ScratchFor(0), Band{top, bottom, x0, width, nullptr, edges_.size()}, edges_.data(),
                                     &sink, solid);
    return;
  }

  const int bands = SortIntoBands<kAntialias>(ext, top);
  auto renderBand = [&](Scratch& scratch, int b) {
    const size_t k = static_cast<size_t>(b);
    const size_t s = bandStart_[k];
    const size_t e = bandStart_[k + 1];
    if (s == e) return;
    const int bx0 = std::max(x0, bandLo_[k]);
    const int bx1 = reachesRight_ ? x1 : std::min(x1, bandHi_[k]);
    if (bx1 < bx0) return;
    const int t = top + b * kBandRows;
    RenderBand<kAntialias, kEvenOdd>(
        scratch, Band{t, std::min(bottom, t + kBandRows), bx0, bx1 - bx0 + 1, bandEdges_.data() + s, e - s},
        edges_.data(), &sink, solid);
  };

  if (parallel) {
    if (!workers_) workers_ = std::make_unique<RasterWorkers>(threads_);
    for (int k = 0; k < workers_->Count(); ++k) ScratchFor(k);
    std::atomic<int> next{0};
    workers_->Run([&](int worker) {
      Scratch& scratch = *scratch_[static_cast<size_t>(worker)];
      for (int b = next.fetch_add(1); b < bands; b = next.fetch_add(1)) renderBand(scratch, b);
    });
  } else {
    Scratch& scratch = ScratchFor(0);
    for (int b = 0; b < bands; ++b) renderBand(scratch, b);
  }
}

// Keeping the shapes costs about what one thread gains from the strips staying in its cache, so a
// single thread paints at once; several share out the strips of a batch with no waiting in between.
void Rasterizer::BeginBatch() { batching_ = threads_ > 1; }

void Rasterizer::EndBatch() {
  FlushBatch();
  batching_ = false;
}

void Rasterizer::BatchClear(const ClearTarget& clear) {
  if (!batching_) {
    ClearRows(clear, 0, clear.height);
    return;
  }
  // Everything kept so far would be painted over.
  keptEdges_.clear();
  keptIndex_.clear();
  keptBands_.clear();
  keptShapes_.clear();
  clear_ = clear;
  clearPending_ = true;
}

void Rasterizer::ClearRows(const ClearTarget& clear, int y0, int y1) {
  // Pixels that hold the value already are only read: the untouched memory of a new bitmap (zero,
  // transparent) stays unwritten, and so never has to be handed to the process page by page, until
  // something is drawn there; and of a used one only the lines of the cache that were drawn on are
  // written back.
  const uint32_t v = clear.value;
  for (int y = y0; y < y1; ++y) {
    auto* p = reinterpret_cast<uint32_t*>(clear.pixels + static_cast<size_t>(y) * clear.stride);
    int i = 0;
#if defined(__SSE2__)
    const __m128i x = _mm_set1_epi32(static_cast<int>(v));
    for (; i + 16 <= clear.width; i += 16) {
      auto* q = reinterpret_cast<__m128i*>(p + i);
      const __m128i same = _mm_and_si128(
          _mm_and_si128(_mm_cmpeq_epi32(_mm_loadu_si128(q), x), _mm_cmpeq_epi32(_mm_loadu_si128(q + 1), x)),
          _mm_and_si128(_mm_cmpeq_epi32(_mm_loadu_si128(q + 2), x), _mm_cmpeq_epi32(_mm_loadu_si128(q + 3), x)));
      if (_mm_movemask_epi8(same) == 0xFFFF) continue;
      for (int k = 0; k < 4; ++k) _mm_storeu_si128(q + k, x);
    }
#endif
    for (; i < clear.width; ++i) {
      if (p[i] != v) p[i] = v;
    }
  }
}

void Rasterizer::KeepShape(const Extent& ext, const SolidArgbTarget& target, bool evenOdd) {
  if (!keptShapes_.empty()) {
    const SolidArgbTarget& last = keptShapes_.back().target;
    if (last.pixels != target.pixels || last.stride != target.stride || last.height != target.height) FlushBatch();
  }
  if (clearPending_ &&
      (clear_.pixels != target.pixels || clear_.stride != target.stride || clear_.height != target.height)) {
    FlushBatch();
  }
  const auto shape = static_cast<uint32_t>(keptShapes_.size());
  keptShapes_.push_back(KeptShape{target, evenOdd});
  const auto base = static_cast<uint32_t>(keptEdges_.size());
  keptEdges_.insert(keptEdges_.end(), edges_.begin(), edges_.end());
  // Bands start on multiples of kBandRows, so that every band lies within one strip.
  const int origin = ext.top - ext.top % kBandRows;
  if (ext.bottom - origin <= kBandRows) {
    keptBands_.push_back(KeptBand{ext.top, ext.bottom, ext.x0, ext.x1 - ext.x0 + 1,
                                  static_cast<uint32_t>(keptIndex_.size()), static_cast<uint32_t>(edges_.size()),
                                  shape});
    for (size_t i = 0; i < edges_.size(); ++i) keptIndex_.push_back(base + static_cast<uint32_t>(i));
  } else {
    const int bands = SortIntoBands<true>(ext, origin);
    for (int b = 0; b < bands; ++b) {
      const size_t k = static_cast<size_t>(b);
      const size_t s = bandStart_[k];
      const size_t e = bandStart_[k + 1];
      if (s == e) continue;
      const int bx0 = std::max(ext.x0, bandLo_[k]);
      const int bx1 = reachesRight_ ? ext.x1 : std::min(ext.x1, bandHi_[k]);
      if (bx1 < bx0) continue;
      const int t = origin + b * kBandRows;
      keptBands_.push_back(KeptBand{std::max(t, ext.top), std::min(ext.bottom, t + kBandRows), bx0, bx1 - bx0 + 1,
                                    static_cast<uint32_t>(keptIndex_.size()), static_cast<uint32_t>(e - s), shape});
      for (size_t i = s; i < e; ++i) keptIndex_.push_back(base + bandEdges_[i]);
    }
  }
  const size_t bytes =
      keptIndex_.size() * sizeof(uint32_t) + keptBands_.size() * sizeof(KeptBand) + keptEdges_.size() * sizeof(Edge);
  if (bytes >= kBatchBytes) FlushBatch();
}

void Rasterizer::FlushBatch() {
  if (keptBands_.empty() && !clearPending_) {
    keptEdges_.clear();
    keptIndex_.clear();
    keptShapes_.clear();
    return;
  }
  const int height = clearPending_ ? clear_.height : keptShapes_.front().target.height;
  const int strips = (height + kStripRows - 1) / kStripRows;
  // The kept bands of each strip, in the order they were kept (counting sort).
  stripStart_.assign(static_cast<size_t>(strips) + 1, 0);
  for (const KeptBand& b : keptBands_) ++stripStart_[static_cast<size_t>(b.top / kStripRows) + 1];
  for (int k = 0; k < strips; ++k) stripStart_[static_cast<size_t>(k) + 1] += stripStart_[static_cast<size_t>(k)];
  stripBands_.resize(keptBands_.size());
  scratchFill_.assign(stripStart_.begin(), stripStart_.end() - 1);
  for (size_t i = 0; i < keptBands_.size(); ++i) {
    stripBands_[scratchFill_[static_cast<size_t>(keptBands_[i].top / kStripRows)]++] = static_cast<uint32_t>(i);
  }

  auto paintStrip = [&](Scratch& scratch, int k) {
    const int y0 = k * kStripRows;
    if (clearPending_) ClearRows(clear_, y0, std::min(height, y0 + kStripRows));
    for (uint32_t i = stripStart_[static_cast<size_t>(k)]; i < stripStart_[static_cast<size_t>(k) + 1]; ++i) {
      const KeptBand& kb = keptBands_[stripBands_[i]];
      const KeptShape& shape = keptShapes_[kb.shape];
      const Band band{kb.top, kb.bottom, kb.x0, kb.width, keptIndex_.data() + kb.first, kb.count};
      if (shape.evenOdd) {
        RenderBand<true, true>(scratch, band, keptEdges_.data(), nullptr, &shape.target);
      } else {
        RenderBand<true, false>(scratch, band, keptEdges_.data(), nullptr, &shape.target);
      }
    }
  };
  if (threads_ > 1 && strips > 1) {
    if (!workers_) workers_ = std::make_unique<RasterWorkers>(threads_);
    for (int k = 0; k < workers_->Count(); ++k) ScratchFor(k);
    std::atomic<int> next{0}, done{0};
    workers_->Run([&](int worker) {
      Scratch& scratch = *scratch_[static_cast<size_t>(worker)];
      for (int k = next.fetch_add(1); k < strips; k = next.fetch_add(1)) {
        paintStrip(scratch, k);
        const int painted = done.fetch_add(1) + 1;
        if (worker == 0 && paintProgress_) paintProgress_(painted, strips);
      }
    });
  } else {
    Scratch& scratch = ScratchFor(0);
    for (int k = 0; k < strips; ++k) {
      paintStrip(scratch, k);
      if (paintProgress_) paintProgress_(k + 1, strips);
    }
  }
  if (paintProgress_) paintProgress_(strips, strips);
  keptEdges_.clear();
  keptIndex_.clear();
  keptBands_.clear();
  keptShapes_.clear();
  clearPending_ = false;
}

template <bool kAntialias, bool kEvenOdd>
void Rasterizer::RenderBand(Scratch& s, const Band& band, const Edge* edges, CoverageSink* sink,
                            const SolidArgbTarget* solid) const {
  const int rows = band.bottom - band.top;
  const int width = band.width;
  const int words = (width + 63) >> 6;
  const size_t cellCount = static_cast<size_t>(rows) * static_cast<size_t>(width);
  const size_t bitCount = static_cast<size_t>(rows) * static_cast<size_t>(words);
  if (s.cells.size() < cellCount) s.cells.resize(cellCount, Cell{0, 0});
  if (s.bits.size() < bitCount) s.bits.resize(bitCount, 0);
  if (s.spans.size() < static_cast<size_t>(width) + 2) s.spans.resize(static_cast<size_t>(width) + 2);
  if (s.covers.size() < static_cast<size_t>(width)) s.covers.resize(static_cast<size_t>(width));

  const BandCells cells{s.cells.data(), s.bits.data(), words, width, band.x0, band.top, band.bottom};
  const auto edgeAt = [&](size_t i) -> const Edge& { return band.edges == nullptr ? edges[i] : edges[band.edges[i]]; };
  if (kAntialias && solid != nullptr && band.count <= 2 * StrokeSides::kMaxEdges) {
    // The band of a stroke's middle: two sides, mostly one edge each, and no cells needed.
    StrokeSides sides;
    bool split = true;
    for (size_t i = 0; i < band.count && split; ++i) {
      const Edge& e = edgeAt(i);
      split = sides.Add(e.x0, e.y0, e.x1, e.y1, e.negative != 0);
    }
    if (split && sides.Valid()) {
      const FourLanes lanes(solid->argb);
      const CellRow spare{s.cells.data(), s.bits.data(), width, band.x0};
      WithInk(*solid, [&]<class I>() {
        PaintStrokeSides<kEvenOdd, I>(*solid, lanes, sides, band.top, band.bottom, spare, words);
      });
      return;
    }
  }
  auto addEdge = [&](const Edge& e) {
    if constexpr (kAntialias) {
      if (e.negative) {
        EdgeCells<true>(cells, e.x0, e.y0, e.x1, e.y1);
      } else {
        EdgeCells<false>(cells, e.x0, e.y0, e.x1, e.y1);
      }
    } else {
      if (e.negative) {
        EdgeSamples<true>(cells, e.x0, e.y0, e.x1, e.y1);
      } else {
        EdgeSamples<false>(cells, e.x0, e.y0, e.x1, e.y1);
      }
    }
  };
  for (size_t i = 0; i < band.count; ++i) addEdge(edgeAt(i));

  // Sweep each row: touched cells in order of x; between them the coverage stays constant.
  if (kAntialias && solid != nullptr) {
    const FourLanes lanes(solid->argb);
    WithInk(*solid, [&]<class I>() {
      for (int r = 0; r < rows; ++r) {
        PaintCellRow<kEvenOdd, I>(*solid, lanes, band.top + r, band.x0,
                                  s.cells.data() + static_cast<size_t>(r) * static_cast<size_t>(width),
                                  s.bits.data() + static_cast<size_t>(r) * static_cast<size_t>(words), words, width);
      }
    });
    return;
  }
  CoverSpan* spans = s.spans.data();
  uint8_t* covers = s.covers.data();
  for (int r = 0; r < rows; ++r) {
    Cell* rowCells = s.cells.data() + static_cast<size_t>(r) * static_cast<size_t>(width);
    uint64_t* rowBits = s.bits.data() + static_cast<size_t>(r) * static_cast<size_t>(words);
    size_t ns = 0;
    int32_t nc = 0;
    uint32_t cover = 0;
    if constexpr (!kAntialias) {
      // Sampled pixels have no area: coverage is 0 or full and changes only at touched cells, so
      // the row is a list of constant spans.
      uint32_t a = 0;
      int start = 0;
      for (int w = 0; w < words; ++w) {
        uint64_t bits = rowBits[w];
        if (bits == 0) continue;
        rowBits[w] = 0;
        do {
          const int i = (w << 6) + std::countr_zero(bits);
          bits &= bits - 1;
          cover += rowCells[i].cover;
          rowCells[i] = Cell{0, 0};
          const uint32_t na = Coverage<kEvenOdd>(cover << 9);
          if (na != a) {
            if (a != 0) spans[ns++] = CoverSpan{band.x0 + start, i - start, -1, a};
            start = i;
            a = na;
          }
        } while (bits != 0);
      }
      if (a != 0) spans[ns++] = CoverSpan{band.x0 + start, width - start, -1, a};
      if (ns != 0) sink->Row(band.top + r, spans, ns, covers);
      continue;
    }
    int next = 0;
    for (int w = 0; w < words; ++w) {
      uint64_t bits = rowBits[w];
      if (bits == 0) continue;
      rowBits[w] = 0;
      do {
        // A run of touched cells [i, i + run) within this word.
        const int bit = std::countr_zero(bits);
        const int run = std::countr_one(bits >> bit);
        bits &= bits + (uint64_t{1} << bit);
        const int i = (w << 6) + bit;
        if (i != next || ns == 0) {
          if (i != next && cover != 0) {
            const uint32_t a = Coverage<kEvenOdd>(cover << 9);
            if (a != 0) spans[ns++] = CoverSpan{band.x0 + next, i - next, -1, a};
          }
          spans[ns++] = CoverSpan{band.x0 + i, 0, nc, 0};
        }
        Cell* c = rowCells + i;
        for (int k = 0; k < run; ++k) {
          cover += c[k].cover;
          covers[nc + k] = static_cast<uint8_t>(Coverage<kEvenOdd>((cover << 9) - c[k].area));
          c[k] = Cell{0, 0};
        }
        nc += run;
        spans[ns - 1].length += run;
        next = i + run;
      } while (bits != 0);
    }
    if (cover != 0 && next < width) {
      const uint32_t a = Coverage<kEvenOdd>(cover << 9);
      if (a != 0) spans[ns++] = CoverSpan{band.x0 + next, width - next, -1, a};
    }
    if (ns != 0) sink->Row(band.top + r, spans, ns, covers);
  }
}

}  // namespace lumbra
