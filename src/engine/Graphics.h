// The drawing context: everything the program draws goes through a Graphics on a Bitmap.
//
// Geometry. Coordinates are pixels, transformed by the world transform into device space.
// Where a pixel sits in device space depends on the pixel offset mode:
//   PixelOffsetMode::Default  pixel (i, j) is centred on the point (i, j),
//   PixelOffsetMode::Half     pixel (i, j) is the square [i, i+1) x [j, j+1), centred on (i+.5, j+.5).
// Filling with SmoothingMode::None sets a pixel when its centre lies inside the shape (a centre
// exactly on a left or top edge is inside, on a right or bottom edge outside). Filling with
// SmoothingMode::HighQuality gives each pixel the exact area of its square that the shape covers
// (vertices snapped to 1/256 pixel), rounded to 0..255; where contours overlap, the non-zero rule
// clamps the summed winding area to a full pixel and the alternate rule folds it even-odd.
//
// Colour. Colours are 0xAARRGGBB with straight alpha. Every operation except Clear composes
// source-over: the source alpha is the colour's alpha times the coverage (rounded to 0..255) and
// the result is the correctly rounded straight-alpha source-over of that onto the destination.
// RGB bitmaps count as opaque destinations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/Geometry.h"
#include "engine/Bitmap.h"
#include "engine/Rasterizer.h"

namespace lumbra {

enum class SmoothingMode { None, HighQuality };
enum class PixelOffsetMode { Default, Half };
enum class InterpolationMode { NearestNeighbor, HighQuality };
enum class DashStyle { Solid, Dash };

// A 1-pixel pen. Dash draws 3 pixels and leaves 1, measured along the path, starting with a dash.
struct Pen {
  uint32_t color = 0xFF000000u;
  DashStyle dash = DashStyle::Solid;
};

// A solid colour, or a bitmap tiled from the device origin (the bitmap is borrowed and must
// outlive the brush's use).
class Brush {
 public:
  static Brush Solid(uint32_t argb);
  static Brush Texture(const Bitmap& tile);

  bool IsSolid() const { return tile_ == nullptr; }
  uint32_t Color() const { return color_; }
  const Bitmap* Tile() const { return tile_; }

 private:
  uint32_t color_ = 0;
  const Bitmap* tile_ = nullptr;
};

class Graphics {
 public:
  // The target is borrowed; it must outlive the Graphics.
  explicit Graphics(Bitmap& target);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Bitmap& Target() { return target_; }

  // Sets every pixel to the colour, alpha included (no blending).
  void Clear(uint32_t argb);

  void SetSmoothingMode(SmoothingMode mode) { smoothing_ = mode; }
  void SetPixelOffsetMode(PixelOffsetMode mode) { pixelOffset_ = mode; }
  void SetInterpolationMode(InterpolationMode mode) { interpolation_ = mode; }
  SmoothingMode GetSmoothingMode() const { return smoothing_; }
  PixelOffsetMode GetPixelOffsetMode() const { return pixelOffset_; }
  InterpolationMode GetInterpolationMode() const { return interpolation_; }

  // Threads that large fills may use: 0 (the default) picks the machine's core count, 1 keeps
  // all work on the calling thread. The pixels are the same whatever the count.
  void SetThreadCount(int threads);
  // See Rasterizer::SetPaintProgress.
  void SetPaintProgress(std::function<void(int done, int total)> progress);

  // Batching: between BeginBatch and EndBatch, solid anti-aliased fills onto an ARGB target (and a
  // Clear) may be kept and painted later, all together, strip by strip of the target while each
  // strip stays in the cache; the pixels are exactly those of drawing every operation at once, and
  // every other operation keeps its place in the order. The target's pixels are final only after
  // EndBatch; a Graphics destroyed while batching drops what it has kept.
  void BeginBatch();
  void EndBatch();

  // Up to two opaque colours that much of what follows is painted onto (a rim beneath its stroke,
  // and strokes beneath the rims drawn after them), 0 for none: a solid anti-aliased fill takes its
  // blends onto pixels of exactly the first of them that is not its own colour from a table. The
  // pixels are the same either way.
  void SetBackdrops(uint32_t first, uint32_t second = 0) {
    backdrops_[0] = (first >> 24) == 255 ? first : 0;
    backdrops_[1] = (second >> 24) == 255 ? second : 0;
  }

  // The world transform. Each call appends: the operation given first acts on a point first.
  void ResetTransform();
  void ScaleTransform(float sx, float sy);
  void RotateTransform(float degrees);  // positive turns +x towards +y (clockwise on screen)
  void TranslateTransform(float dx, float dy);
  const Affine& Transform() const { return transform_; }
  void SetTransform(const Affine& m) { transform_ = m; }

  void FillPolygon(const Brush& brush, const PointF* points, size_t count, FillRule rule = FillRule::Alternate);
  void FillPolygon(const Brush& brush, const std::vector<PointF>& points, FillRule rule = FillRule::Alternate) {
    FillPolygon(brush, points.data(), points.size(), rule);
  }
  // Several closed contours filled together, so overlaps are composed once.
  void FillPolygons(const Brush& brush, const std::vector<std::vector<PointF>>& contours,
                    FillRule rule = FillRule::Alternate);

  // 1-pixel lines. Aliased lines include both end pixels; connected segments share theirs.
  void DrawLine(const Pen& pen, float x1, float y1, float x2, float y2);
  void DrawLines(const Pen& pen, const PointF* points, size_t count);
  void DrawLines(const Pen& pen, const std::vector<PointF>& points) { DrawLines(pen, points.data(), points.size()); }
  // Outline through the corners (x, y) and (x + w, y + h).
  void DrawRectangle(const Pen& pen, float x, float y, float w, float h);
  // The area from (x, y) to (x + w, y + h).
  void FillRectangle(const Brush& brush, float x, float y, float w, float h);
  // The ellipse inscribed in the rectangle (x, y, w, h).
  void DrawEllipse(const Pen& pen, float x, float y, float w, float h);
  void FillEllipse(const Brush& brush, float x, float y, float w, float h);

  // Draws the part srcRect of src (pixels of src) into dest (world coordinates), composed
  // source-over. Whatever the pixel offset mode, pixels are squares here: source pixel (u, v) is
  // [u, u+1) x [v, v+1), and a device pixel is drawn when its centre (i+.5, j+.5) falls inside
  // the transformed dest; so an unscaled image at whole coordinates lands pixel for pixel. Parts of
  // srcRect outside src draw nothing. Nearest neighbour takes the source pixel under the device
  // pixel's centre; high quality averages the covered source area along an axis that shrinks and
  // interpolates bilinearly along one that grows (and bilinearly throughout when rotated).
  void DrawImage(const Bitmap& src, const RectF& dest, const RectF& srcRect);

 private:
  void FillContours(const Brush& brush, const PointF* const* contours, const size_t* counts, size_t n, FillRule rule);
  void RenderFill(const Brush& brush, FillRule rule);
  void DrawPath(const Pen& pen, const PointF* points, size_t count, bool closed);
  void DrawPathAliased(const Pen& pen, const std::vector<double>& device, bool closed);
  void DrawPathSmooth(const Pen& pen, const std::vector<double>& device, bool closed);
  double RasterShift() const;
  // The backdrop (SetBackdrops) of a fill of the colour, or 0 for none.
  uint32_t BackdropOf(uint32_t argb) const;
  // The table of the colour's blends onto the backdrop, or null when there is none.
  const uint32_t* BackdropTable(uint32_t argb, uint32_t backdrop);
  void EllipsePoints(float x, float y, float w, float h, std::vector<PointF>& out) const;

  Bitmap& target_;
  SmoothingMode smoothing_ = SmoothingMode::None;
  PixelOffsetMode pixelOffset_ = PixelOffsetMode::Default;
  InterpolationMode interpolation_ = InterpolationMode::HighQuality;
  Affine transform_;
  std::unique_ptr<Rasterizer> rasterizer_;
  std::vector<double> scratch_;
  std::vector<PointF> pointScratch_;
  uint32_t backdrops_[2] = {0, 0};
  // Tables stay while the Graphics lives: batched fills may still use them.
  struct BackdropBlends {
    uint32_t argb, backdrop;
    std::unique_ptr<uint32_t[]> table;
  };
  std::vector<BackdropBlends> backdropTables_;
};

}  // namespace lumbra
