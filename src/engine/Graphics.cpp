#include "engine/Graphics.h"

#include <algorithm>
#include <cmath>

#include "engine/RasterPaint.h"

namespace lumbra {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Dash pattern of a 1-pixel pen: 3 on, 1 off.
constexpr double kDashOn = 3.0;
constexpr double kDashPeriod = 4.0;

// How much the transform enlarges lengths, at most.
double MaxScale(const Affine& m) { return std::max(std::hypot(m.m11, m.m12), std::hypot(m.m21, m.m22)); }

// Liang-Barsky: narrows [t0, t1] to the part of (x0, y0) + t (dx, dy) inside the box; false if none.
bool ClipParam(double x0, double y0, double dx, double dy, double left, double top, double right, double bottom,
               double& t0, double& t1) {
  auto edge = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  return edge(-dx, x0 - left) && edge(dx, right - x0) && edge(-dy, y0 - top) && edge(dy, bottom - y0) && t0 <= t1;
}

// Straight ARGB from premultiplied sums (alpha in 0..1 units times weight).
uint32_t FromPremultiplied(double a, double r, double g, double b, double weight) {
  if (weight <= 0 || a <= 0) return 0;
  const double alpha = a / weight;
  const auto channel = [&](double v) { return static_cast<uint32_t>(std::clamp(v / a + 0.5, 0.0, 255.0)); };
  const auto a8 = static_cast<uint32_t>(std::clamp(alpha * 255.0 + 0.5, 0.0, 255.0));
  if (a8 == 0) return 0;
  return (a8 << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

// Source pixels and weights for one destination column or row of an axis-aligned DrawImage.
struct Taps {
  std::vector<int> start;  // per output index: first tap; start[n] = total
  std::vector<int> index;
  std::vector<float> weight;
};

// Output pixel k (k = 0..count-1, first at device `first`) maps its centre to source coordinate
// (first + k + 0.5 - offset) / scale. Source pixels usable: [lo, hi) (integers); the destination
// only exists where the centre falls in [domainLo, domainHi).
void BuildTaps(Taps& taps, int first, int count, double scale, double offset, double domainLo, double domainHi, int lo,
               int hi, bool smooth) {
  taps.start.assign(static_cast<size_t>(count) + 1, 0);
  taps.index.clear();
  taps.weight.clear();
  const double footprint = 1.0 / std::fabs(scale);
  for (int k = 0; k < count; ++k) {
    taps.start[static_cast<size_t>(k)] = static_cast<int>(taps.index.size());
    const double u = (first + k + 0.5 - offset) / scale;
    if (!(u >= domainLo && u < domainHi)) continue;
    if (!smooth) {
      taps.index.push_back(std::clamp(static_cast<int>(std::floor(u)), lo, hi - 1));
      taps.weight.push_back(1.0f);
    } else if (footprint > 1.0) {
      const double a = std::max(u - footprint * 0.5, static_cast<double>(lo));
      const double b = std::min(u + footprint * 0.5, static_cast<double>(hi));
      for (int s = static_cast<int>(std::floor(a)); s < b; ++s) {
        const double w = std::min(b, s + 1.0) - std::max(a, static_cast<double>(s));
        if (w > 0) {
          taps.index.push_back(s);
          taps.weight.push_back(static_cast<float>(w));
        }
      }
    } else {
      const double s = u - 0.5;
      const double f = s - std::floor(s);
      const int i0 = static_cast<int>(std::floor(s));
      taps.index.push_back(std::clamp(i0, lo, hi - 1));
      taps.weight.push_back(static_cast<float>(1.0 - f));
      taps.index.push_back(std::clamp(i0 + 1, lo, hi - 1));
      taps.weight.push_back(static_cast<float>(f));
    }
  }
  taps.start[static_cast<size_t>(count)] = static_cast<int>(taps.index.size());
}

}  // namespace

Brush Brush::Solid(uint32_t argb) {
  Brush b;
  b.color_ = argb;
  return b;
}

Brush Brush::Texture(const Bitmap& tile) {
  Brush b;
  b.tile_ = &tile;
  return b;
}

Graphics::Graphics(Bitmap& target) : target_(target), rasterizer_(std::make_unique<Rasterizer>()) {}

Graphics::~Graphics() = default;

void Graphics::SetThreadCount(int threads) { rasterizer_->SetThreadCount(threads); }

void Graphics::BeginBatch() { rasterizer_->BeginBatch(); }

void Graphics::SetPaintProgress(std::function<void(int, int)> progress) {
  rasterizer_->SetPaintProgress(std::move(progress));
}

void Graphics::EndBatch() { rasterizer_->EndBatch(); }

void Graphics::Clear(uint32_t argb) {
  if (!target_.Ok()) return;
  if (target_.Format() != PixelFormat::Rgb24) {
    const uint32_t v = target_.Format() == PixelFormat::Argb32 ? argb : argb | 0xFF000000u;
    rasterizer_->BatchClear(
        ClearTarget{target_.Data(), static_cast<size_t>(target_.Stride()), target_.Width(), target_.Height(), v});
    return;
  }
  const int w = target_.Width();
  for (int y = 0; y < target_.Height(); ++y) {
    uint8_t* row = target_.Row(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(argb);
      row[3 * x + 1] = static_cast<uint8_t>(argb >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(argb >> 16);
    }
  }
}

void Graphics::ResetTransform() { transform_ = Affine(); }
void Graphics::ScaleTransform(float sx, float sy) { transform_ = transform_.Then(Affine::Scale(sx, sy)); }
void Graphics::RotateTransform(float degrees) { transform_ = transform_.Then(Affine::Rotate(degrees)); }
void Graphics::TranslateTransform(float dx, float dy) { transform_ = transform_.Then(Affine::Translate(dx, dy)); }

// The rasteriser's pixel (i, j) is the square [i, i+1) x [j, j+1) when anti-aliasing and the point
// (i, j) otherwise; this moves device coordinates onto that convention.
double Graphics::RasterShift() const {
  const bool half = pixelOffset_ == PixelOffsetMode::Half;
  if (smoothing_ == SmoothingMode::HighQuality) return half ? 0.0 : 0.5;
  return half ? -0.5 : 0.0;
}

void Graphics::FillPolygon(const Brush& brush, const PointF* points, size_t count, FillRule rule) {
  if (points == nullptr) return;
  FillContours(brush, &points, &count, 1, rule);
}

void Graphics::FillPolygons(const Brush& brush, const std::vector<std::vector<PointF>>& contours, FillRule rule) {
  std::vector<const PointF*> ptrs;
  std::vector<size_t> counts;
  for (const auto& c : contours) {
    ptrs.push_back(c.data());
    counts.push_back(c.size());
  }
  FillContours(brush, ptrs.data(), counts.data(), ptrs.size(), rule);
}

void Graphics::FillContours(const Brush& brush, const PointF* const* contours, const size_t* counts, size_t n,
                            FillRule rule) {
  if (!target_.Ok()) return;
  rasterizer_->Reset(target_.Width(), target_.Height(), smoothing_ == SmoothingMode::HighQuality);
  const double shift = RasterShift();
  for (size_t k = 0; k < n; ++k) {
    if (counts[k] >= 3) rasterizer_->AddContour(contours[k], counts[k], transform_, shift);
  }
  RenderFill(brush, rule);
}

void Graphics::RenderFill(const Brush& brush, FillRule rule) {
  if (brush.IsSolid()) {
    if ((brush.Color() >> 24) == 0) {
      rasterizer_->Reset(target_.Width(), target_.Height(), true);
      return;
    }
    const uint32_t backdrop = BackdropOf(brush.Color());
    SolidPainter painter(target_, brush.Color(), BackdropTable(brush.Color(), backdrop), backdrop);
    rasterizer_->Render(rule, painter);
  } else {
    if (!brush.Tile()->Ok()) {
      rasterizer_->Reset(target_.Width(), target_.Height(), true);
      return;
    }
    TexturePainter painter(target_, *brush.Tile());
    rasterizer_->Render(rule, painter);
  }
}

uint32_t Graphics::BackdropOf(uint32_t argb) const {
  for (uint32_t backdrop : backdrops_) {
    if (backdrop != 0 && backdrop != argb) return backdrop;
  }
  return 0;
}

const uint32_t* Graphics::BackdropTable(uint32_t argb, uint32_t backdrop) {
  if (backdrop == 0 || target_.Format() != PixelFormat::Argb32) return nullptr;
  for (const BackdropBlends& b : backdropTables_)
    if (b.argb == argb && b.backdrop == backdrop) return b.table.get();
  auto table = std::make_unique<uint32_t[]>(256);
  for (uint32_t c = 0; c < 256; ++c) table[c] = ArgbPainted(backdrop, argb, c);
  backdropTables_.push_back({argb, backdrop, std::move(table)});
  return backdropTables_.back().table.get();
}

void Graphics::FillRectangle(const Brush& brush, float x, float y, float w, float h) {
  const PointF corners[4] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
  FillPolygon(brush, corners, 4, FillRule::Winding);
}

void Graphics::EllipsePoints(float x, float y, float w, float h, std::vector<PointF>& out) const {
  // Enough vertices that the polygon strays from the curve by about 1/50 pixel at most.
  const double r = 0.5 * std::max(std::fabs(w), std::fabs(h)) * MaxScale(transform_);
  const double want = 24.0 * std::sqrt(std::max(r, 0.0));
  const int n = std::isfinite(want) ? std::clamp(static_cast<int>(std::ceil(want / 4)) * 4, 16, 16384) : 16;
  const double cx = x + 0.5 * static_cast<double>(w);
  const double cy = y + 0.5 * static_cast<double>(h);
  const double rx = 0.5 * static_cast<double>(w);
  const double ry = 0.5 * static_cast<double>(h);
  out.resize(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double a = 2 * kPi * k / n;
    out[static_cast<size_t>(k)] =
        PointF{static_cast<float>(cx + rx * std::cos(a)), static_cast<float>(cy + ry * std::sin(a))};
  }
}

void Graphics::FillEllipse(const Brush& brush, float x, float y, float w, float h) {
  EllipsePoints(x, y, w, h, pointScratch_);
  FillPolygon(brush, pointScratch_.data(), pointScratch_.size(), FillRule::Winding);
}

void Graphics::DrawEllipse(const Pen& pen, float x, float y, float w, float h) {
  EllipsePoints(x, y, w, h, pointScratch_);
  DrawPath(pen, pointScratch_.data(), pointScratch_.size(), true);
}

void Graphics::DrawLine(const Pen& pen, float x1, float y1, float x2, float y2) {
  const PointF pts[2] = {{x1, y1}, {x2, y2}};
  DrawPath(pen, pts, 2, false);
}

void Graphics::DrawLines(const Pen& pen, const PointF* points, size_t count) {
  if (points == nullptr || count < 2) return;
  DrawPath(pen, points, count, false);
}

void Graphics::DrawRectangle(const Pen& pen, float x, float y, float w, float h) {
  const PointF corners[4] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
  DrawPath(pen, corners, 4, true);
}

void Graphics::DrawPath(const Pen& pen, const PointF* points, size_t count, bool closed) {
  if (!target_.Ok() || count == 0 || (pen.color >> 24) == 0) return;
  scratch_.resize(2 * count);
  for (size_t i = 0; i < count; ++i) {
    const double x = transform_.X(points[i].x, points[i].y);
    const double y = transform_.Y(points[i].x, points[i].y);
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    scratch_[2 * i] = x;
    scratch_[2 * i + 1] = y;
  }
  if (smoothing_ == SmoothingMode::HighQuality) {
    DrawPathSmooth(pen, scratch_, closed);
  } else {
    DrawPathAliased(pen, scratch_, closed);
  }
}

// Aliased 1-pixel path: along the longer axis every pixel column (or row) from the pixel of one end
// to the pixel of the other gets the pixel whose centre is nearest to the line. A pixel shared by
// consecutive segments is drawn once.
void Graphics::DrawPathAliased(const Pen& pen, const std::vector<double>& dev, bool closed) {
  rasterizer_->FlushBatch();  // the pixels are written here, after what was kept
  const size_t n = dev.size() / 2;
  const double c = pixelOffset_ == PixelOffsetMode::Half ? 0.0 : 0.5;  // floor(v + c) is the pixel of v
  const int w = target_.Width();
  const int h = target_.Height();
  const bool dashed = pen.dash == DashStyle::Dash;
  bool any = false;
  int64_t lastX = 0, lastY = 0, firstX = 0, firstY = 0;
  double phase = 0;
  const size_t segments = n == 1 ? 1 : (closed && n > 2 ? n : n - 1);
  for (size_t s = 0; s < segments; ++s) {
    const size_t b = (s + 1) % n;
    const bool closing = closed && n > 2 && s + 1 == segments;
    const double x0 = dev[2 * s] + c, y0 = dev[2 * s + 1] + c;
    const double x1 = dev[2 * b] + c, y1 = dev[2 * b + 1] + c;
    const double dx = x1 - x0, dy = y1 - y0;
    const double len = std::hypot(dx, dy);
    auto visit = [&](int64_t i, int64_t j, double t) {
      if (any && i == lastX && j == lastY) return;
      if (closing && any && i == firstX && j == firstY) return;
      if (!any) {
        firstX = i;
        firstY = j;
      }
      any = true;
      lastX = i;
      lastY = j;
      if (dashed && std::fmod(phase + t * len, kDashPeriod) >= kDashOn) return;
      if (i >= 0 && j >= 0 && i < w && j < h)
        BlendPixel(target_, static_cast<int>(i), static_cast<int>(j), pen.color, 255);
    };
    double t0 = 0, t1 = 1;
    if (ClipParam(x0, y0, dx, dy, -2.0, -2.0, w + 2.0, h + 2.0, t0, t1)) {
      const bool xMajor = std::fabs(dx) >= std::fabs(dy);
      const double d = xMajor ? dx : dy;
      const double start = xMajor ? x0 : y0;
      const double minorStart = xMajor ? y0 : x0;
      const double minorDelta = xMajor ? dy : dx;
      if (d == 0) {
        visit(static_cast<int64_t>(std::floor(x0)), static_cast<int64_t>(std::floor(y0)), 0);
      } else {
        const auto a = static_cast<int64_t>(std::floor(start + t0 * d));
        const auto e = static_cast<int64_t>(std::floor(start + t1 * d));
        const int64_t step = d > 0 ? 1 : -1;
        for (int64_t i = a;; i += step) {
          const double t = std::clamp((static_cast<double>(i) + 0.5 - start) / d, 0.0, 1.0);
          const auto j = static_cast<int64_t>(std::floor(minorStart + t * minorDelta));
          if (xMajor) {
            visit(i, j, t);
          } else {
            visit(j, i, t);
          }
          if (i == e) break;
        }
      }
    }
    phase += len;
  }
}

// Anti-aliased 1-pixel path: every segment (or dash) becomes a rectangle one pixel wide, all filled
// together with the non-zero rule so that overlaps at the joins are painted once. Inside a solid
// path the segments reach half a pixel past their joins to close the corners.
void Graphics::DrawPathSmooth(const Pen& pen, const std::vector<double>& dev, bool closed) {
  const size_t n = dev.size() / 2;
  if (n < 2) return;
  const double shift = RasterShift();
  const int w = target_.Width();
  const int h = target_.Height();
  rasterizer_->Reset(w, h, true);
  const bool dashed = pen.dash == DashStyle::Dash;
  const size_t segments = closed && n > 2 ? n : n - 1;
  double phase = 0;
  for (size_t s = 0; s < segments; ++s) {
    const size_t b = (s + 1) % n;
    const double x0 = dev[2 * s] + shift, y0 = dev[2 * s + 1] + shift;
    const double dx = dev[2 * b] + shift - x0, dy = dev[2 * b + 1] + shift - y0;
    const double len = std::hypot(dx, dy);
    if (!(len > 0)) continue;
    const double ux = dx / len, uy = dy / len;
    const double nx = -uy * 0.5, ny = ux * 0.5;
    auto quad = [&](double a, double e) {
      const double q[8] = {x0 + ux * a + nx, y0 + uy * a + ny, x0 + ux * e + nx, y0 + uy * e + ny,
                           x0 + ux * e - nx, y0 + uy * e - ny, x0 + ux * a - nx, y0 + uy * a - ny};
      rasterizer_->AddContour(q, 4);
    };
    if (!dashed) {
      const double before = (closed || s > 0) ? 0.5 : 0.0;
      const double after = (closed || s + 1 < segments) ? 0.5 : 0.0;
      quad(-before, len + after);
    } else {
      double t0 = 0, t1 = 1;
      if (ClipParam(x0, y0, dx, dy, -2.0, -2.0, w + 2.0, h + 2.0, t0, t1)) {
        const double from = phase + t0 * len;
        const double to = phase + t1 * len;
        for (double d = std::floor(from / kDashPeriod) * kDashPeriod; d < to; d += kDashPeriod) {
          const double a = std::max(d, from) - phase;
          const double e = std::min(d + kDashOn, to) - phase;
          if (e > a) quad(a, e);
        }
      }
    }
    phase += len;
  }
  SolidPainter painter(target_, pen.color);
  rasterizer_->Render(FillRule::Winding, painter);
}

void Graphics::DrawImage(const Bitmap& src, const RectF& dest, const RectF& srcRect) {
  if (!target_.Ok() || !src.Ok()) return;
  if (!(srcRect.width > 0) || !(srcRect.height > 0) || dest.width == 0 || dest.height == 0) return;
  // Source pixel coordinates -> device coordinates, pixel squares [i, i+1) on both sides.
  const Affine m = Affine::Translate(-static_cast<double>(srcRect.x), -static_cast<double>(srcRect.y))
                       .Then(Affine::Scale(static_cast<double>(dest.width) / srcRect.width,
                                           static_cast<double>(dest.height) / srcRect.height))
                       .Then(Affine::Translate(dest.x, dest.y))
                       .Then(transform_);
  Affine inv;
  if (!m.Invert(inv)) return;
  // The source area that exists: srcRect within the bitmap.
  const double uLo = std::max(0.0, static_cast<double>(srcRect.x));
  const double uHi = std::min(static_cast<double>(src.Width()), static_cast<double>(srcRect.x) + srcRect.width);
  const double vLo = std::max(0.0, static_cast<double>(srcRect.y));
  const double vHi = std::min(static_cast<double>(src.Height()), static_cast<double>(srcRect.y) + srcRect.height);
  if (!(uLo < uHi) || !(vLo < vHi)) return;
  const int pxLo = static_cast<int>(std::floor(uLo)), pxHi = static_cast<int>(std::ceil(uHi));
  const int pyLo = static_cast<int>(std::floor(vLo)), pyHi = static_cast<int>(std::ceil(vHi));

  // Device pixels the image can reach.
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
  for (int k = 0; k < 4; ++k) {
    const double u = (k & 1) ? uHi : uLo;
    const double v = (k & 2) ? vHi : vLo;
    const double x = m.X(u, v), y = m.Y(u, v);
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
  if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(top) || !std::isfinite(bottom)) return;
  const int x0 = static_cast<int>(std::clamp(std::floor(left), 0.0, static_cast<double>(target_.Width())));
  const int x1 = static_cast<int>(std::clamp(std::ceil(right), 0.0, static_cast<double>(target_.Width())));
  const int y0 = static_cast<int>(std::clamp(std::floor(top), 0.0, static_cast<double>(target_.Height())));
  const int y1 = static_cast<int>(std::clamp(std::ceil(bottom), 0.0, static_cast<double>(target_.Height())));
  if (x0 >= x1 || y0 >= y1) return;
  rasterizer_->FlushBatch();  // the pixels are written here, after what was kept
  const bool smooth = interpolation_ == InterpolationMode::HighQuality;
  std::vector<uint32_t> row(static_cast<size_t>(x1 - x0));

  if (m.m12 == 0 && m.m21 == 0) {
    Taps cols, rows;
    BuildTaps(cols, x0, x1 - x0, m.m11, m.dx, uLo, uHi, pxLo, pxHi, smooth);
    BuildTaps(rows, y0, y1 - y0, m.m22, m.dy, vLo, vHi, pyLo, pyHi, smooth);
    for (int j = 0; j < y1 - y0; ++j) {
      const int r0 = rows.start[static_cast<size_t>(j)], r1 = rows.start[static_cast<size_t>(j) + 1];
      if (r0 == r1) continue;
      for (int i = 0; i < x1 - x0; ++i) {
        const int c0 = cols.start[static_cast<size_t>(i)], c1 = cols.start[static_cast<size_t>(i) + 1];
        if (c0 == c1) {
          row[static_cast<size_t>(i)] = 0;
        } else if (!smooth) {
          row[static_cast<size_t>(i)] =
              src.GetPixel(cols.index[static_cast<size_t>(c0)], rows.index[static_cast<size_t>(r0)]);
        } else {
          double a = 0, r = 0, g = 0, b = 0, wsum = 0;
          for (int ry = r0; ry < r1; ++ry) {
            const double wy = rows.weight[static_cast<size_t>(ry)];
            const int v = rows.index[static_cast<size_t>(ry)];
            for (int cx = c0; cx < c1; ++cx) {
              const double wgt = wy * cols.weight[static_cast<size_t>(cx)];
              const uint32_t p = src.GetPixel(cols.index[static_cast<size_t>(cx)], v);
              const double pa = wgt * (p >> 24) / 255.0;
              a += pa;
              r += pa * ((p >> 16) & 0xFF);
              g += pa * ((p >> 8) & 0xFF);
              b += pa * (p & 0xFF);
              wsum += wgt;
            }
          }
          row[static_cast<size_t>(i)] = FromPremultiplied(a, r, g, b, wsum);
        }
      }
      BlendRow(target_, y0 + j, x0, x1 - x0, row.data());
    }
    return;
  }

  // Rotated or skewed: map every device pixel centre back into the source.
  for (int j = y0; j < y1; ++j) {
    for (int i = x0; i < x1; ++i) {
      const double u = inv.X(i + 0.5, j + 0.5);
      const double v = inv.Y(i + 0.5, j + 0.5);
      uint32_t out = 0;
      if (u >= uLo && u < uHi && v >= vLo && v < vHi) {
        if (!smooth) {
          out = src.GetPixel(std::clamp(static_cast<int>(std::floor(u)), pxLo, pxHi - 1),
                             std::clamp(static_cast<int>(std::floor(v)), pyLo, pyHi - 1));
        } else {
          const double su = u - 0.5, sv = v - 0.5;
          const int iu = static_cast<int>(std::floor(su)), iv = static_cast<int>(std::floor(sv));
          const double fu = su - iu, fv = sv - iv;
          double a = 0, r = 0, g = 0, b = 0;
          for (int k = 0; k < 4; ++k) {
            const int pu = std::clamp(iu + (k & 1), pxLo, pxHi - 1);
            const int pv = std::clamp(iv + (k >> 1), pyLo, pyHi - 1);
            const double wgt = ((k & 1) ? fu : 1 - fu) * ((k >> 1) ? fv : 1 - fv);
            const uint32_t p = src.GetPixel(pu, pv);
            const double pa = wgt * (p >> 24) / 255.0;
            a += pa;
            r += pa * ((p >> 16) & 0xFF);
            g += pa * ((p >> 8) & 0xFF);
            b += pa * (p & 0xFF);
          }
          out = FromPremultiplied(a, r, g, b, 1.0);
        }
      }
      row[static_cast<size_t>(i - x0)] = out;
    }
    BlendRow(target_, j, x0, x1 - x0, row.data());
  }
}

}  // namespace lumbra
