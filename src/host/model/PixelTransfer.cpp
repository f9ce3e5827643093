#include "host/model/PixelTransfer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace lumbra {

namespace {

// Sample k of the pixel at p, as 8 bits (kDeep: a 16-bit sample scaled down).
template <bool kDeep>
inline uint8_t Sample8(const uint8_t* p, int k) {
  if constexpr (kDeep) {
    uint16_t v;
    std::memcpy(&v, p + 2 * k, 2);
    return Host16To8(v);
  } else {
    return p[k];
  }
}

inline uint32_t Load16(const uint8_t* p, int k) {
  uint16_t v;
  std::memcpy(&v, p + 2 * k, 2);
  return v;
}

inline void Store16(uint8_t* p, int k, uint32_t v) {
  const auto s = static_cast<uint16_t>(v);
  std::memcpy(p + 2 * k, &s, 2);
}

template <bool kDeep>
void ReadRow(const HostPlanes& in, int y, Bitmap& image) {
  const uint8_t* s = in.data + static_cast<ptrdiff_t>(in.rowBytes) * y;
  uint8_t* d = image.Row(y);
  const int c = in.colorOffset;
  for (int x = 0; x < image.Width(); ++x, s += in.columnBytes, d += 4) {
    if (in.colorPlanes == 1) {
      d[0] = d[1] = d[2] = Sample8<kDeep>(s, c);
    } else {
      d[0] = Sample8<kDeep>(s, c + 2);
      d[1] = Sample8<kDeep>(s, c + 1);
      d[2] = Sample8<kDeep>(s, c);
    }
    d[3] = in.transparencyOffset >= 0 ? Sample8<kDeep>(s, in.transparencyOffset) : 255;
  }
}

// Straight-alpha source-over of a colour channel in the host's range: `line` with alpha `la`
// over `dst` with alpha `da` (both 0..32768), into a result of alpha `ra`.
inline uint32_t Over16(uint32_t line, uint32_t la, uint32_t dst, uint32_t da, uint32_t ra) {
  const uint64_t num = uint64_t{line} * la * kHost16Max + uint64_t{dst} * da * (kHost16Max - la);
  const uint64_t den = uint64_t{ra} * kHost16Max;
  return static_cast<uint32_t>((num + den / 2) / den);
}

}  // namespace

HostPlanes DescribeHostPlanes(uint8_t* data, int32_t rowBytes, int32_t columnBytes, bool rgb, int depth,
                              const HostPlaneCounts& counts, int planesDelivered) {
  HostPlanes planes;
  planes.data = data;
  planes.rowBytes = rowBytes;
  planes.bytesPerSample = depth == 16 ? 2 : 1;
  const int delivered = std::max(planesDelivered, 1);
  planes.columnBytes = columnBytes > 0 ? columnBytes : delivered * planes.bytesPerSample;
  // The planes one pixel really holds.
  const int available = std::max(1, std::min(delivered, planes.columnBytes / planes.bytesPerSample));

  const int masks = counts.layerMasks + counts.invertedLayerMasks;
  int offset = 0;
  int count = available;  // a host that reports no counts: what it delivered
  if (counts.layer > 0) {
    count = counts.layer;
  } else if (counts.nonLayer > 0) {
    offset = counts.transparency + masks;
    count = counts.nonLayer;
  } else if (masks > 0) {
    offset = counts.transparency;
    count = masks;
  }
  count = std::min(count, available - offset);
  if (count < 1) {
    offset = 0;
    count = 1;
  }
  planes.colorOffset = offset;
  planes.colorPlanes = rgb && count >= 3 ? 3 : 1;
  const int transparency = counts.layer;
  const bool overlapsColor = transparency >= offset && transparency < offset + planes.colorPlanes;
  if (counts.transparency > 0 && transparency < available && !overlapsColor) planes.transparencyOffset = transparency;
  return planes;
}

void ReadLayerRow(const HostPlanes& in, int y, Bitmap& image) {
  if (in.Deep()) {
    ReadRow<true>(in, y, image);
  } else {
    ReadRow<false>(in, y, image);
  }
}

void WriteResultRow(const Bitmap& image, int y, const HostPlanes& out) {
  uint8_t* d = out.data + static_cast<ptrdiff_t>(out.rowBytes) * y;
  const uint8_t* s = image.Row(y);
  const int c = out.colorOffset;
  for (int x = 0; x < image.Width(); ++x, d += out.columnBytes, s += 4) {
    if (out.colorPlanes == 1) {
      d[c] = s[0];
    } else {
      d[c] = s[2];
      d[c + 1] = s[1];
      d[c + 2] = s[0];
    }
    if (out.transparencyOffset >= 0) d[out.transparencyOffset] = s[3];
  }
}

void ComposeLinesRow16(const Bitmap& lines, int y, const HostPlanes& source, const HostPlanes& out) {
  const uint8_t* s = source.data + static_cast<ptrdiff_t>(source.rowBytes) * y;
  uint8_t* d = out.data + static_cast<ptrdiff_t>(out.rowBytes) * y;
  const uint8_t* l = lines.Row(y);
  const int c = out.colorOffset;
  const int t = out.transparencyOffset;
  const int n = out.colorPlanes;
  const bool copy = s != d;
  for (int x = 0; x < lines.Width(); ++x, s += source.columnBytes, d += out.columnBytes, l += 4) {
    const uint32_t a = l[3];
    if (a == 0) {
      // Uncovered: the target's samples as they were, to the bit.
      if (copy) {
        for (int k = 0; k < n; ++k) Store16(d, c + k, Load16(s, c + k));
        if (t >= 0) Store16(d, t, Load16(s, t));
      }
      continue;
    }
    const uint32_t rgb[3] = {Host8To16(l[2]), Host8To16(l[1]), Host8To16(l[0])};
    const uint32_t la = Host8To16(a);
    if (la == kHost16Max) {
      for (int k = 0; k < n; ++k) Store16(d, c + k, n == 1 ? rgb[2] : rgb[k]);
      if (t >= 0) Store16(d, t, kHost16Max);
      continue;
    }
    if (t < 0) {
      // Over an opaque target: (line la + dst (max - la)) / max, rounded.
      for (int k = 0; k < n; ++k) {
        const uint32_t dst = std::min(Load16(s, c + k), kHost16Max);
        const uint32_t line = n == 1 ? rgb[2] : rgb[k];
        Store16(d, c + k, (line * la + dst * (kHost16Max - la) + kHost16Max / 2) / kHost16Max);
      }
      continue;
    }
    const uint32_t da = std::min(Load16(s, t), kHost16Max);
    const uint32_t ra = la + (da * (kHost16Max - la) + kHost16Max / 2) / kHost16Max;
    for (int k = 0; k < n; ++k)
      Store16(d, c + k, Over16(n == 1 ? rgb[2] : rgb[k], la, std::min(Load16(s, c + k), kHost16Max), da, ra));
    Store16(d, t, ra);
  }
}

void ReadMergedRow(const uint8_t* const* colorPlanes, int colorPlaneCount, const uint8_t* transparency, int y,
                   Bitmap& image) {
  const size_t offset = static_cast<size_t>(y) * static_cast<size_t>(image.Width());
  uint8_t* d = image.Row(y);
  for (int x = 0; x < image.Width(); ++x, d += 4) {
    const size_t q = offset + static_cast<size_t>(x);
    if (colorPlaneCount == 1) {
      d[0] = d[1] = d[2] = colorPlanes[0][q];
    } else {
      d[0] = colorPlanes[2][q];
      d[1] = colorPlanes[1][q];
      d[2] = colorPlanes[0][q];
    }
    d[3] = transparency ? transparency[q] : 255;
  }
}

}  // namespace lumbra
