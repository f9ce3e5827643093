#include "engine/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

namespace lumbra {
namespace {

// Where one source column or row lands among the zoomed pixels: its zoomed extent [u r, (u + 1) r)
// lies in pixel `first` (weight w0) and, when it crosses a pixel edge, in the next (weight w1).
struct Tap {
  int first;
  float w0;
  float w1;
};

Tap TapOf(int u, double ratio) {
  const double z0 = u * ratio, z1 = (u + 1) * ratio;
  const double edge = std::floor(z0) + 1;
  Tap tap{static_cast<int>(std::floor(z0)), 0, 0};
  tap.w0 = static_cast<float>(std::min(z1, edge) - z0);
  tap.w1 = z1 > edge ? static_cast<float>(z1 - edge) : 0.0f;
  return tap;
}

// A source column's share of its zoomed column, in 256ths of the source pixel (the rest goes to
// the next zoomed column).
struct ColumnTap {
  int slot;
  uint32_t w0;
};

// Premultiplied sums of one zoomed pixel: alpha, and alpha times each colour.
struct Sum {
  float a, r, g, b;
};

// One source row summed into its zoomed columns, in integers: weight x alpha, and weight x alpha
// x each colour. A row whose pixels all have the layer's colour (the usual line layer) sums
// alpha alone; its colour sums are that colour times the alpha sum.
struct RowSums {
  std::vector<uint64_t> a, r, g, b;
  explicit RowSums(size_t n) : a(n), r(n), g(n), b(n) {}
};

uint32_t FromSum(const Sum& s) {
  if (s.a <= 0.0f) return 0;
  const auto a8 = static_cast<uint32_t>(std::min(s.a + 0.5f, 255.0f));
  if (a8 == 0) return 0;
  const auto channel = [&](float v) { return static_cast<uint32_t>(std::min(v / s.a + 0.5f, 255.0f)); };
  return a8 << 24 | channel(s.r) << 16 | channel(s.g) << 8 | channel(s.b);
}

// Shrinks zoomed rows [rowBegin, rowEnd) of the region. Source rows are visited once each, and
// within a row only the pixels that are not fully transparent are summed.
void ShrinkRows(const Bitmap& src, double ratio, int left, int top, Bitmap& out, int rowBegin, int rowEnd) {
  const int ow = out.Width();
  const bool straight = src.Format() == PixelFormat::Argb32;  // else every pixel is opaque
  const int zw = ZoomedSide(src.Width(), ratio), zh = ZoomedSide(src.Height(), ratio);
  // Zoomed pixels of the region that lie inside the zoomed picture; the rest stay transparent.
  const int inW = std::clamp(zw - left, 0, ow);
  const int inBegin = rowBegin, inEnd = std::clamp(zh - top, rowBegin, rowEnd);
  for (int j = rowBegin; j < rowEnd; ++j) std::memset(out.Row(j), 0, static_cast<size_t>(ow) * 4);
  if (inW <= 0 || inBegin >= inEnd) return;

  const int u0 = std::max(0, static_cast<int>(std::floor(left / ratio))),
            u1 = std::min(src.Width(), static_cast<int>(std::ceil((left + inW) / ratio)) + 1);
  // Slot c + 1 holds zoomed column c of the region; slots 0 and inW + 1 catch what falls outside.
  const auto slot = [&](int c) { return std::clamp(c, -1, inW) + 1; };
  std::vector<ColumnTap> cols(static_cast<size_t>(std::max(0, u1 - u0)));
  for (int u = u0; u < u1; ++u) {
    const Tap t = TapOf(u, ratio);
    const auto w0 = static_cast<uint32_t>(std::lround(t.w0 / ratio * 256.0));
    cols[static_cast<size_t>(u - u0)] = {slot(t.first - left), std::min<uint32_t>(w0, 256)};
  }
  const size_t slots = static_cast<size_t>(inW) + 3;  // and one for the next column of the last
  RowSums line(slots);
  std::vector<Sum> acc[2];
  acc[0].assign(slots, Sum{});
  acc[1].assign(slots, Sum{});
  const float unit = static_cast<float>(ratio / 256.0);  // 256ths of a source pixel -> zoomed widths

  int current = inBegin;  // acc[0] is this zoomed row, acc[1] the next
  const auto finish = [&] {
    auto* row = reinterpret_cast<uint32_t*>(out.Row(current));
    for (int c = 0; c < inW; ++c) row[c] = FromSum(acc[0][static_cast<size_t>(c) + 1]);
    std::swap(acc[0], acc[1]);
    std::fill(acc[1].begin(), acc[1].end(), Sum{});
    ++current;
  };
  bool haveColour = false;
  uint32_t colour = 0;  // the first colour met: rows of it alone take the quick way
  const int v0 = std::max(0, static_cast<int>(std::floor((top + inBegin) / ratio)) - 1),
            v1 = std::min(src.Height(), static_cast<int>(std::ceil((top + inEnd) / ratio)) + 1);
  for (int v = v0; v < v1 && current < inEnd; ++v) {
    const Tap t = TapOf(v, ratio);
    const int r = t.first - top;
    if (r + 1 < current) continue;  // above the band
    while (r > current && current < inEnd) finish();
    if (current >= inEnd) break;

    const auto* p = reinterpret_cast<const uint32_t*>(src.Row(v));
    int lo = INT32_MAX, hi = -1;
    bool oneColour = true;
    // Alpha sums only, while every pixel has the colour; false (and nothing kept) at another.
    const auto sumAlpha = [&] {
      for (int u = u0; u < u1; ++u) {
        if (u + 4 <= u1 && (p[u] | p[u + 1] | p[u + 2] | p[u + 3]) == 0) {
          u += 3;
          continue;
        }
        const uint32_t px = p[u];
        const uint32_t a = px >> 24;
        if (a == 0) continue;
        if (!haveColour) {
          colour = px & 0xFFFFFFu;
          haveColour = true;
        }
        if ((px & 0xFFFFFFu) != colour) return false;
        const ColumnTap& c = cols[static_cast<size_t>(u - u0)];
        line.a[static_cast<size_t>(c.slot)] += c.w0 * a;
        line.a[static_cast<size_t>(c.slot) + 1] += (256 - c.w0) * a;
        lo = std::min(lo, c.slot);
        hi = std::max(hi, c.slot + 1);
      }
      return true;
    };
    if (!straight || !sumAlpha()) {
      oneColour = false;
      std::fill(line.a.begin(), line.a.end(), 0);
      lo = INT32_MAX;
      hi = -1;
      for (int u = u0; u < u1; ++u) {
        const uint32_t px = straight ? p[u] : src.GetPixel(u, v);
        const uint32_t a = px >> 24;
        if (a == 0) continue;
        const ColumnTap& c = cols[static_cast<size_t>(u - u0)];
        const size_t s = static_cast<size_t>(c.slot);
        const uint64_t wa0 = c.w0 * a, wa1 = (256 - c.w0) * a;
        const uint32_t cr = (px >> 16) & 0xFF, cg = (px >> 8) & 0xFF, cb = px & 0xFF;
        line.a[s] += wa0;
        line.r[s] += wa0 * cr;
        line.g[s] += wa0 * cg;
        line.b[s] += wa0 * cb;
        line.a[s + 1] += wa1;
        line.r[s + 1] += wa1 * cr;
        line.g[s + 1] += wa1 * cg;
        line.b[s + 1] += wa1 * cb;
        lo = std::min(lo, c.slot);
        hi = std::max(hi, c.slot + 1);
      }
    }
    if (hi < 0) continue;
    const auto s0 = static_cast<size_t>(lo), s1 = static_cast<size_t>(hi);
    const float cr = static_cast<float>((colour >> 16) & 0xFF), cg = static_cast<float>((colour >> 8) & 0xFF),
                cb = static_cast<float>(colour & 0xFF);
    const auto spread = [&](std::vector<Sum>& into, float w) {
      if (w <= 0) return;
      w *= unit;
      for (size_t s = s0; s <= s1; ++s) {
        const float a = w * static_cast<float>(line.a[s]);
        into[s].a += a;
        if (oneColour) {
          into[s].r += a * cr;
          into[s].g += a * cg;
          into[s].b += a * cb;
        } else {
          into[s].r += w * static_cast<float>(line.r[s]);
          into[s].g += w * static_cast<float>(line.g[s]);
          into[s].b += w * static_cast<float>(line.b[s]);
        }
      }
    };
    if (r == current) {
      spread(acc[0], t.w0);
      spread(acc[1], t.w1);
    } else {  // r == current - 1: only its lower part reaches this band
      spread(acc[0], t.w1);
    }
    std::fill(line.a.begin() + static_cast<long>(s0), line.a.begin() + static_cast<long>(s1) + 1, 0);
    if (!oneColour) {
      std::fill(line.r.begin() + static_cast<long>(s0), line.r.begin() + static_cast<long>(s1) + 1, 0);
      std::fill(line.g.begin() + static_cast<long>(s0), line.g.begin() + static_cast<long>(s1) + 1, 0);
      std::fill(line.b.begin() + static_cast<long>(s0), line.b.begin() + static_cast<long>(s1) + 1, 0);
    }
  }
  while (current < inEnd) finish();
}

void EnlargeRows(const Bitmap& src, double ratio, int left, int top, Bitmap& out, int rowBegin, int rowEnd) {
  const int ow = out.Width();
  std::vector<int> cols(static_cast<size_t>(ow));
  for (int i = 0; i < ow; ++i) cols[static_cast<size_t>(i)] = static_cast<int>(std::floor((left + i + 0.5) / ratio));
  for (int j = rowBegin; j < rowEnd; ++j) {
    auto* row = reinterpret_cast<uint32_t*>(out.Row(j));
    const int v = static_cast<int>(std::floor((top + j + 0.5) / ratio));
    for (int i = 0; i < ow; ++i) {
      const int u = cols[static_cast<size_t>(i)];
      row[i] = v >= 0 && v < src.Height() && u >= 0 && u < src.Width() ? src.GetPixel(u, v) : 0;
    }
  }
}

}  // namespace

int ZoomedSide(int side, double ratio) {
  if (side <= 0) return 0;
  return std::max(1, static_cast<int>(std::min(side * ratio, 2e9)));
}

void ZoomRegion(const Bitmap& src, double ratio, int left, int top, Bitmap& out, int threads) {
  if (!out.Ok() || out.Format() != PixelFormat::Argb32) return;
  if (!src.Ok() || !(ratio > 0)) {
    for (int j = 0; j < out.Height(); ++j) std::memset(out.Row(j), 0, static_cast<size_t>(out.Width()) * 4);
    return;
  }
  const int n = std::clamp(threads, 1, std::max(1, out.Height() / 16));
  std::vector<std::exception_ptr> errors(static_cast<size_t>(n));
  // An exception may not leave a thread: each band keeps its own, the first is thrown here.
  const auto band = [&](int k) {
    try {
      const int begin = out.Height() * k / n, end = out.Height() * (k + 1) / n;
      if (ratio < 1.0)
        ShrinkRows(src, ratio, left, top, out, begin, end);
      else
        EnlargeRows(src, ratio, left, top, out, begin, end);
    } catch (...) {
      errors[static_cast<size_t>(k)] = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  for (int k = 1; k < n; ++k) {
    try {
      helpers.emplace_back(band, k);
    } catch (...) {
      band(k);  // no thread to be had: this one does that band too
    }
  }
  band(0);
  for (std::thread& t : helpers) t.join();
  for (const std::exception_ptr& error : errors)
    if (error) std::rethrow_exception(error);
}

}  // namespace lumbra
