// Pictures in memory: the line layer, the host's layer copies and the window back buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace lumbra {

// Argb32: 32-bit ARGB with straight (not premultiplied) alpha, bytes B, G, R, A in memory.
// Rgb32:  32-bit RGB, bytes B, G, R, X; the fourth byte is written as 0xFF and never read.
// Rgb24:  24-bit RGB, bytes B, G, R.
enum class PixelFormat { Argb32, Rgb32, Rgb24 };

int BytesPerPixel(PixelFormat format);

// An owned block of pixels. Rows are stored top to bottom, each padded to a multiple of 4 bytes.
// A bitmap that could not be created (bad size, no memory) is empty: Ok() is false, its size is
// 0 x 0, and every accessor is harmless. Moving leaves the source empty.
class Bitmap {
 public:
  // The largest width or height, and the most bytes, accepted; more gives an empty bitmap.
  static constexpr int kMaxSide = 1 << 22;
  static constexpr uint64_t kMaxBytes = uint64_t{1} << 36;

  Bitmap() = default;
  // Every byte starts as 0 (transparent black for Argb32).
  Bitmap(int width, int height, PixelFormat format = PixelFormat::Argb32);

  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap() = default;

  bool Ok() const { return data_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  PixelFormat Format() const { return format_; }
  int Stride() const { return stride_; }

  // Row y (0 <= y < Height()); no range check.
  uint8_t* Row(int y) { return data_.get() + static_cast<size_t>(y) * static_cast<size_t>(stride_); }
  const uint8_t* Row(int y) const { return data_.get() + static_cast<size_t>(y) * static_cast<size_t>(stride_); }
  uint8_t* Data() { return data_.get(); }
  const uint8_t* Data() const { return data_.get(); }

  // The pixel as 0xAARRGGBB; alpha is 0xFF for the RGB formats. Outside the bitmap: 0.
  uint32_t GetPixel(int x, int y) const;
  // Stores 0xAARRGGBB as it is (no blending). Outside the bitmap: nothing happens.
  void SetPixel(int x, int y, uint32_t argb);

  // An independent copy; empty when this bitmap is empty or memory runs out.
  Bitmap Clone() const;

 private:
  struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, FreeDeleter> data_;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  PixelFormat format_ = PixelFormat::Argb32;
};

}  // namespace lumbra
