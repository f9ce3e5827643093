#include "data/LayoutData.h"

#include <algorithm>
#include <cmath>

#include "data/RecordFile.h"
#include "engine/Bitmap.h"
#include "engine/Graphics.h"

namespace lumbra {
namespace {

constexpr double kPi = 3.1415926535;
constexpr uint32_t kRed = 0xFFFF0000;

}  // namespace

CLayoutData::CLayoutData() {
  EnsureRecordFolder(RecordKind::Layout);
  SetDefaults();
}

void CLayoutData::SetDefaults() {
  name = kLatestName;
  mode = kLine;
  SetTwoPoints({0, 0}, {0, 100});
}

void CLayoutData::CopyTo(CLineData& target) const {
  auto* layout = dynamic_cast<CLayoutData*>(&target);
  if (!layout) return;
  layout->name = name;
  layout->mode = mode;
  layout->points = points;
}

void CLayoutData::SetCircle(int cx, int cy, int rx, int ry, int start, int sweep) {
  mode = kCircle;
  points = {{cx, cy}, {rx, ry}, {start, sweep}};
}

void CLayoutData::SetDefaultCircle() { SetCircle(50, 50, 73, 73, 0, 360); }

bool CLayoutData::Load(const std::string& recordName) { return LoadRecord(RecordKind::Layout, recordName); }

void CLayoutData::ReadFile(const std::string& path) {
  // Any non-zero byte means a circle.
  ReadRecordFile(RecordKind::Layout, path, [this](RecordReader& reader) {
    ReadModeAndPoints(reader, [](uint8_t b) { return b != 0 ? kCircle : kLine; });
  });
}

bool CLayoutData::Save(const std::string& recordName, bool asLatest) {
  return SaveRecordFile(RecordKind::Layout, recordName, asLatest,
                    [this](RecordWriter& writer) { WriteModeAndPoints(writer); });
}

void CLayoutData::DrawPreview(Bitmap& target, int selectedIndex, int left, int top, int right, int bottom) {
  const int w = target.Width();
  const int h = target.Height();
  const int cx = (left + right) / 2;
  const int cy = (top + bottom) / 2;
  const auto f = [](auto v) { return static_cast<float>(v); };
  Graphics g(target);
  g.Clear(0xFFFFFFFF);
  const Pen orange{0xFFFFA500};
  g.DrawLine(orange, 0, f(cy), f(w), f(cy));
  g.DrawLine(orange, f(cx), 0, f(cx), f(h));
  g.DrawRectangle(Pen{0xFF00FFFF}, f(left), f(top), f(right - left), f(bottom - top));

  const int64_t width = static_cast<int64_t>(right) - left;
  const int64_t height = static_cast<int64_t>(bottom) - top;
  const auto screen = [&](int64_t x, int64_t y) {
    return PointF{f(left + width * x / 100), f(top + height * y / 100)};
  };
  const Pen red{kRed};
  const auto handle = [&](PointF p, uint32_t color) { g.FillEllipse(Brush::Solid(color), p.x - 2, p.y - 2, 5, 5); };

  if (mode == kLine) {
    if (points.empty()) return;
    const PointF first = screen(points[0].x, points[0].y);
    g.DrawEllipse(red, first.x - 3, first.y - 3, 7, 7);
    for (size_t i = 1; i < points.size(); ++i) {
      const PointF s = screen(points[i].x, points[i].y);
      const PointF p = screen(points[i - 1].x, points[i - 1].y);
      if (i == points.size() - 1) {
        const double a = std::atan2(static_cast<double>(p.y) - s.y, static_cast<double>(p.x) - s.x);
        for (double k : {a - 0.5235987755833333, a + 0.5235987755833333}) {
          g.DrawLine(red, s.x, s.y, s.x + f(std::trunc(std::cos(k) * 10)), s.y + f(std::trunc(std::sin(k) * 10)));
        }
      }
      g.DrawLine(red, p.x, p.y, s.x, s.y);
      if (selectedIndex >= 0) handle(s, selectedIndex == static_cast<int>(i) ? 0xFF0000FF : 0xFF000000);
    }
    if (selectedIndex >= 0) handle(first, selectedIndex == 0 ? 0xFF0000FF : 0xFF000000);
    return;
  }

  if (points.size() != 3) return;  // a circle needs exactly centre, radii and angles
  const Point c = points[0], r = points[1], angles = points[2];
  const int64_t cx64 = c.x, cy64 = c.y, rx = r.x, ry = r.y;
  const PointF handles[5] = {screen(cx64, cy64), screen(cx64 - rx, cy64 - ry), screen(cx64 + rx, cy64 - ry),
                             screen(cx64 + rx, cy64 + ry), screen(cx64 - rx, cy64 + ry)};
  if (selectedIndex != -1) {
    g.DrawRectangle(Pen{0xFFFF6347, DashStyle::Dash}, handles[1].x, handles[1].y, handles[3].x - handles[1].x,
                    handles[3].y - handles[1].y);
  }
  const double u = (static_cast<double>(angles.x) - 90) * kPi / 180;
  const double v = (static_cast<double>(angles.x) + angles.y - 90) * kPi / 180;
  const auto arcPoint = [&](double t) {
    return PointF{f(left + static_cast<double>(width) * (std::cos(t) * r.x + c.x) / 100),
                  f(top + static_cast<double>(height) * (std::sin(t) * r.y + c.y) / 100)};
  };
  const double lo = std::min(u, v), hi = std::max(u, v);
  // Steps of 0.05 radian; a sweep of absurd size is bounded by whole turns (the drawing repeats).
  const double span = std::min(hi - lo, 2 * kPi + 0.05);
  PointF previous = arcPoint(lo);
  for (int i = 1; 0.05 * i <= span; ++i) {
    const PointF next = arcPoint(lo + 0.05 * i);
    g.DrawLine(red, previous.x, previous.y, next.x, next.y);
    previous = next;
  }
  const PointF start = arcPoint(u);
  g.DrawEllipse(red, start.x - 3, start.y - 3, 7, 7);
  const PointF end = arcPoint(v);
  const double pair[2][2] = {{120, 60}, {300, 240}};
  for (double k : pair[angles.y < 0 ? 1 : 0]) {
    const double a = v - k * kPi / 180;
    g.DrawLine(red, end.x, end.y, end.x + f(std::cos(a) * 10), end.y + f(std::sin(a) * 10));
  }
  if (selectedIndex != -1) {
    for (const PointF& p : handles) handle(p, 0xFF000000);
  }
}

}  // namespace lumbra
