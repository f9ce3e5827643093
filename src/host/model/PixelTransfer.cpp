#include "host/model/PixelTransfer.h"

#include <algorithm>
#include <cstddef>

namespace lumbra {

HostPlanes DescribeHostPlanes(uint8_t* data, int32_t rowBytes, int32_t columnBytes, bool grayscale,
                              int layerPlanes, bool transparency, int planesDelivered) {
  HostPlanes planes;
  planes.data = data;
  planes.rowBytes = rowBytes;
  planes.columnBytes = columnBytes > 0 ? columnBytes : std::max(planesDelivered, 1);
  const int available = std::min(planes.columnBytes, std::max(planesDelivered, 1));
  planes.colorPlanes = grayscale || layerPlanes < 3 || available < 3 ? 1 : 3;
  planes.transparency = transparency && available > planes.colorPlanes;
  return planes;
}

void ReadLayerRow(const HostPlanes& in, int y, Bitmap& image) {
  const uint8_t* s = in.data + static_cast<ptrdiff_t>(in.rowBytes) * y;
  uint8_t* d = image.Row(y);
  for (int x = 0; x < image.Width(); ++x, s += in.columnBytes, d += 4) {
    if (in.colorPlanes == 1) {
      d[0] = d[1] = d[2] = s[0];
    } else {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
    d[3] = in.transparency ? s[in.colorPlanes] : 255;
  }
}

void WriteResultRow(const Bitmap& image, int y, const HostPlanes& out) {
  uint8_t* d = out.data + static_cast<ptrdiff_t>(out.rowBytes) * y;
  const uint8_t* s = image.Row(y);
  for (int x = 0; x < image.Width(); ++x, d += out.columnBytes, s += 4) {
    if (out.colorPlanes == 1) {
      d[0] = s[0];
    } else {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
    if (out.transparency) d[out.colorPlanes] = s[3];
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
