// The polygon rasteriser behind every fill: turns closed contours into rows of pixel coverage.
//
// Contours are clipped to the target rectangle and their vertices snapped to 1/256 pixel. With
// anti-aliasing, pixel (i, j) is the square [i, i+1) x [j, j+1) and its coverage is the exact area
// of the snapped shape inside it: every edge adds its signed cover (height) and area to the cells it
// crosses, and a running sum of covers along the row turns that into coverage. Without
// anti-aliasing, pixel (i, j) is covered when the point (i, j) lies inside; a point exactly on a
// left edge or on a top edge counts as inside, on a right or bottom edge as outside.
//
// Work is done in bands of 32 rows, each over a dense cell buffer just wide enough for the edges
// that reach the band; only touched cells are visited (a bit per cell marks them), and the runs
// between them are handed out as constant spans. A band whose only edges are the two sides of a
// stroke, painted in one colour, needs no cells where the sides lie apart: each row is painted
// straight from where the two cross it. Big shapes have their bands shared among several
// threads. Each row's cells depend only on where the edges cross that row, computed exactly, so the
// pixels are the same whatever the banding and the thread count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/Geometry.h"

namespace lumbra {

enum class FillRule { Alternate, Winding };

// An affine map: x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy.
struct Affine {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

  static Affine Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Affine Translate(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
  // Positive angles turn +x towards +y.
  static Affine Rotate(double degrees);

  // This map followed by `next`.
  Affine Then(const Affine& next) const;
  double X(double x, double y) const { return m11 * x + m21 * y + dx; }
  double Y(double x, double y) const { return m12 * x + m22 * y + dy; }
  // False (and `out` untouched) when the map squashes the plane to a line or a point.
  bool Invert(Affine& out) const;
  bool IsIdentity() const { return m11 == 1 && m12 == 0 && m21 == 0 && m22 == 1 && dx == 0 && dy == 0; }
};

// A run of pixels of one row. `covers` < 0: every pixel has coverage `cover`; otherwise pixel
// x + k has coverage covers[this->covers + k] in the row's cover array. Coverage is 0..255.
struct CoverSpan {
  int32_t x;
  int32_t length;
  int32_t covers;
  uint32_t cover;
};

// A straight-ARGB bitmap (32 bits a pixel) to be painted with one colour.
struct SolidArgbTarget {
  uint8_t* pixels;  // row 0
  size_t stride;    // bytes from one row to the next
  int height;
  uint32_t argb;
  // Optionally, what `argb` at each coverage 0..255 gives on pixels of exactly the colour
  // `backdrop` (a rim beneath its stroke): looked up there instead of blended.
  const uint32_t* overBackdrop = nullptr;
  uint32_t backdrop = 0;
};

// Receives the coverage of a shape row by row. Rows of one shape arrive in no particular order and,
// for big shapes, from several threads at once (never the same row twice), so Row must only touch
// the pixels of its own row.
class CoverageSink {
 public:
  virtual ~CoverageSink() = default;
  // Spans are sorted by x and do not overlap; count > 0.
  virtual void Row(int y, const CoverSpan* spans, size_t count, const uint8_t* covers) = 0;
  // A sink that only paints one colour onto a straight-ARGB bitmap may hand that out: anti-aliased
  // rows are then blended straight from the cells into its pixels (the same pixels Row would give)
  // and Row is not called.
  virtual const SolidArgbTarget* SolidArgb() const { return nullptr; }
};

// A 32-bit bitmap that a batch sets to one value before it paints (Rasterizer::BatchClear).
struct ClearTarget {
  uint8_t* pixels;  // row 0
  size_t stride;    // bytes from one row to the next
  int width;
  int height;
  uint32_t value;
};

class RasterWorkers;

class Rasterizer {
 public:
  Rasterizer();
  ~Rasterizer();
  Rasterizer(const Rasterizer&) = delete;
  Rasterizer& operator=(const Rasterizer&) = delete;

  // Starts an empty shape clipped to [0, width) x [0, height).
  void Reset(int width, int height, bool antialias);
  // Adds a closed contour (the last point joins the first). Each point is mapped by m, then moved
  // by (shift, shift). A point that is not finite after mapping voids the whole shape.
  void AddContour(const PointF* points, size_t count, const Affine& m, double shift = 0);
  // The same with device coordinates given as x, y pairs (count points, 2 * count doubles).
  void AddContour(const double* xy, size_t count);

  // Hands the coverage of the shape to the sink and empties the shape (clip and mode stay).
  void Render(FillRule rule, CoverageSink& sink);

  // Batching (with more than one thread; one thread paints every shape at once). Between
  // BeginBatch and EndBatch, anti-aliased shapes whose sink hands out SolidArgb()
  // are kept instead of painted. FlushBatch (and EndBatch, and a batch grown too big) paints them
  // strip by strip of the target: every kept shape that reaches a strip is painted into it, in the
  // order the shapes came, before the next strip is begun, so that the strip stays in the cache
  // meanwhile; strips are shared among the threads. Each pixel sees the same blends in the same
  // order as when every shape is painted at once, so the pixels are the same. Any other shape
  // rendered meanwhile first flushes the batch; whoever writes the target's pixels otherwise must
  // flush it first too. The targets of kept shapes must stay valid until they are painted.
  void BeginBatch();
  void EndBatch();
  void FlushBatch();
  bool Batching() const { return batching_; }
  // Sets every pixel of the target to clear.value: while batching, as the first thing each strip
  // does when the batch is painted (what was kept before is dropped, it would be painted over);
  // otherwise at once.
  void BatchClear(const ClearTarget& clear);

  // Threads used for big shapes and batches: 0 = the machine's core count (at most 8), 1 = only the caller.
  void SetThreadCount(int threads);
  // Called on the calling thread while a batch is painted: (strips painted, strips in all), the
  // last call with the two equal.
  void SetPaintProgress(std::function<void(int done, int total)> progress) { paintProgress_ = std::move(progress); }
  int ThreadCount() const { return threads_; }

 private:
  struct Edge {
    int32_t x0, y0, x1, y1;  // 1/256 pixel, y0 < y1
    int32_t negative;        // 1 when the contour runs upwards here
  };
  struct Scratch;
  struct Band;
  // The rows [top, bottom) and columns [x0, x1] whose cells the shape's edges reach.
  struct Extent {
    int top, bottom, x0, x1;
  };
  // A band of a kept shape: its edges are keptIndex_[first, first + count) (into keptEdges_).
  struct KeptBand {
    int32_t top, bottom, x0, width;
    uint32_t first, count;
    uint32_t shape;  // into keptShapes_
  };
  struct KeptShape {
    SolidArgbTarget target;
    bool evenOdd;
  };

  void AddSegment(double x0, double y0, double x1, double y1);
  void PushEdge(double x0, double y0, double x1, double y1, bool negative);
  template <bool kAntialias>
  bool ShapeExtent(Extent& ext) const;
  // Sorts edges_ into bands of kBandRows rows from row `origin` on (bandStart_, bandEdges_,
  // bandLo_, bandHi_); returns the number of bands.
  template <bool kAntialias>
  int SortIntoBands(const Extent& ext, int origin);
  template <bool kAntialias, bool kEvenOdd>
  void RenderShape(CoverageSink& sink);
  // `sink` is only used when `solid` is null (or when not anti-aliasing).
  template <bool kAntialias, bool kEvenOdd>
  void RenderBand(Scratch& scratch, const Band& band, const Edge* edges, CoverageSink* sink,
                  const SolidArgbTarget* solid) const;
  void KeepShape(const Extent& ext, const SolidArgbTarget& target, bool evenOdd);
  static void ClearRows(const ClearTarget& clear, int y0, int y1);
  Scratch& ScratchFor(int worker);

  int width_ = 0;
  int height_ = 0;
  bool antialias_ = true;
  bool invalid_ = false;
  bool reachesRight_ = false;  // a part of the shape lies right of the clip rectangle
  int32_t minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
  double area_ = 0;       // signed area, px^2
  int64_t edgeRows_ = 0;  // rows crossed by all edges
  std::vector<Edge> edges_;
  std::vector<uint32_t> bandEdges_;
  std::vector<uint32_t> bandStart_;
  std::vector<uint32_t> scratchFill_;
  std::vector<int32_t> bandLo_;
  std::vector<int32_t> bandHi_;
  std::vector<std::unique_ptr<Scratch>> scratch_;
  int threads_ = 0;
  std::function<void(int, int)> paintProgress_;
  std::unique_ptr<RasterWorkers> workers_;

  bool batching_ = false;
  bool clearPending_ = false;
  ClearTarget clear_{};
  std::vector<Edge> keptEdges_;
  std::vector<uint32_t> keptIndex_;
  std::vector<KeptBand> keptBands_;
  std::vector<KeptShape> keptShapes_;
  std::vector<uint32_t> stripStart_;
  std::vector<uint32_t> stripBands_;
};

}  // namespace lumbra
