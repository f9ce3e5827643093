#include "engine/Bitmap.h"

#include <bit>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/Memory.h"

namespace lumbra {

static_assert(std::endian::native == std::endian::little,
              "pixels are read and written as little-endian 32-bit words (B, G, R, A in memory)");

int BytesPerPixel(PixelFormat format) { return format == PixelFormat::Rgb24 ? 3 : 4; }

Bitmap::Bitmap(int width, int height, PixelFormat format) : format_(format) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return;
  const uint64_t stride = (static_cast<uint64_t>(width) * BytesPerPixel(format) + 3) & ~uint64_t{3};
  const uint64_t bytes = stride * static_cast<uint64_t>(height);
  // Offsets into the block must fit in ptrdiff_t on 32-bit hosts too.
  if (bytes > kMaxBytes || bytes > static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max())) return;
  // calloc hands out zeroed pages lazily for big blocks, much cheaper than writing zeros.
  auto* p = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
  if (p == nullptr) return;
  AdviseLargePages(p, static_cast<size_t>(bytes));
  data_.reset(p);
  width_ = width;
  height_ = height;
  stride_ = static_cast<int>(stride);
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : data_(std::move(other.data_)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      format_(other.format_) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    data_ = std::move(other.data_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    format_ = other.format_;
  }
  return *this;
}

uint32_t Bitmap::GetPixel(int x, int y) const {
  if (!Ok() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * BytesPerPixel(format_);
  const uint32_t rgb = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
  return format_ == PixelFormat::Argb32 ? rgb | (uint32_t{p[3]} << 24) : rgb | 0xFF000000u;
}

void Bitmap::SetPixel(int x, int y, uint32_t argb) {
  if (!Ok() || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = Row(y) + static_cast<size_t>(x) * BytesPerPixel(format_);
  p[0] = static_cast<uint8_t>(argb);
  p[1] = static_cast<uint8_t>(argb >> 8);
  p[2] = static_cast<uint8_t>(argb >> 16);
  if (format_ == PixelFormat::Argb32) {
    p[3] = static_cast<uint8_t>(argb >> 24);
  } else if (format_ == PixelFormat::Rgb32) {
    p[3] = 0xFF;
  }
}

Bitmap Bitmap::Clone() const {
  if (!Ok()) return Bitmap();
  const size_t bytes = static_cast<size_t>(stride_) * static_cast<size_t>(height_);
  auto* p = static_cast<uint8_t*>(std::malloc(bytes));
  if (p == nullptr) return Bitmap();
  AdviseLargePages(p, bytes);
  std::memcpy(p, data_.get(), static_cast<size_t>(stride_) * static_cast<size_t>(height_));
  Bitmap copy;
  copy.data_.reset(p);
  copy.width_ = width_;
  copy.height_ = height_;
  copy.stride_ = stride_;
  copy.format_ = format_;
  return copy;
}

}  // namespace lumbra
