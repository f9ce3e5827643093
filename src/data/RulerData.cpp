#include "data/RulerData.h"

#include "data/RecordFile.h"
#include "engine/Bitmap.h"
#include "engine/Graphics.h"

namespace lumbra {

CRulerData::CRulerData() {
  EnsureRecordFolder(RecordKind::Ruler);
  SetDefaults();
}

void CRulerData::SetDefaults() {
  name = kLatestName;
  mode = kStraight;
  millPen = true;
  fixedTaper = false;
  taperStart = 50.0f;
  lengthPercent = 100.0f;
  SetTwoPoints({0, 0}, {100, 0});
}

void CRulerData::CopyTo(CLineData& target) const {
  auto* ruler = dynamic_cast<CRulerData*>(&target);
  if (!ruler) return;
  ruler->name = name;
  ruler->mode = mode;
  ruler->millPen = millPen;
  ruler->fixedTaper = fixedTaper;
  ruler->SetTaperStart(taperStart);
  ruler->SetLengthPercent(lengthPercent);
  ruler->points = points;
}

static float ClampPercent(float value) {
  if (value < 0) return 0;
  if (value > 100) return 100;
  return value;
}

void CRulerData::SetTaperStart(float value) { taperStart = ClampPercent(value); }
void CRulerData::SetLengthPercent(float value) { lengthPercent = ClampPercent(value); }

bool CRulerData::Load(const std::string& recordName) { return LoadRecord(RecordKind::Ruler, recordName); }

void CRulerData::ReadFile(const std::string& path) {
  // Only the byte 1 means a curve.
  ReadRecordFile(RecordKind::Ruler, path, [this](RecordReader& reader) {
    ReadModeAndPoints(reader, [](uint8_t b) { return b == kCurve ? kCurve : kStraight; });
  });
}

bool CRulerData::Save(const std::string& recordName, bool asLatest) {
  return SaveRecordFile(RecordKind::Ruler, recordName, asLatest,
                        [this](RecordWriter& writer) { WriteModeAndPoints(writer); });
}

void CRulerData::BuildOutline(const std::vector<Point>& pts, int length, int height, float thickness,
                              std::vector<PointF>& out) {
  OutlineSettings settings{mode, millPen, fixedTaper, taperStart, lengthPercent};
  lumbra::BuildOutline(settings, pts, length, height, thickness, out, &outlineCache_);
  taperStart = settings.taperStart;
}

void CRulerData::SmoothCurve(const std::vector<Point>& pts, std::vector<PointF>& out) {
  lumbra::SmoothCurve(pts.data(), pts.size(), out);
}

void CRulerData::SmoothCurve(const std::vector<PointF>& pts, std::vector<PointF>& out) {
  lumbra::SmoothCurve(pts.data(), pts.size(), out);
}

CRulerData::PreviewPoints CRulerData::PreviewPointsFor(int left, int top, int right, int bottom) const {
  PreviewPoints result;
  const int64_t hb = static_cast<int64_t>(bottom) - top;
  const int64_t width = static_cast<int64_t>(right) - left;
  for (const Point& p : points) {
    const auto sx = static_cast<float>(left + width * p.x / 100);
    const auto sy = static_cast<float>(top + hb * p.y / 100);
    if (!result.screen.empty() && result.screen.back().x == sx) continue;
    result.kept.push_back(p);
    result.screen.push_back({sx, sy});
  }
  return result;
}

void CRulerData::DrawPreview(Bitmap& target, int selectedIndex, int left, int top, int right, int bottom) {
  const int w = target.Width();
  const int h = target.Height();
  const int hb = bottom - top;
  Graphics g(target);
  g.Clear(0xFFFFFFFF);

  const PreviewPoints preview = PreviewPointsFor(left, top, right, bottom);
  std::vector<PointF> outline;
  BuildOutline(preview.kept, right - left, hb, static_cast<float>(h) / 10.0f, outline);
  if (!outline.empty()) {
    g.TranslateTransform(static_cast<float>(left), static_cast<float>(top));
    g.FillPolygon(Brush::Solid(0xFFD3D3D3), outline, FillRule::Winding);
    g.ResetTransform();
  }

  const auto f = [](int v) { return static_cast<float>(v); };
  const Pen orange{0xFFFFA500};
  g.DrawLine(orange, 0, f(top - hb / 2), f(w), f(top - hb / 2));
  g.DrawLine(orange, 0, f(top + hb / 2), f(w), f(top + hb / 2));
  g.DrawLine(Pen{0xFFA52A2A}, f(left), f(top), f(right), f(top));
  g.DrawLine(orange, f((left + right) / 2), 0, f((left + right) / 2), f(h));
  g.DrawRectangle(Pen{0xFF00FFFF}, f(left), f(top - hb), f(right - left), f(2 * hb));

  if (mode == kCurve) {
    g.DrawLines(Pen{0xFFFF6347, DashStyle::Dash}, preview.screen);
    std::vector<PointF> curve;
    std::vector<Point> integerScreen;
    for (const PointF& p : preview.screen)
      integerScreen.push_back({static_cast<int32_t>(p.x), static_cast<int32_t>(p.y)});
    SmoothCurve(integerScreen, curve);
    g.DrawLines(Pen{0xFFFF0000}, curve);
  } else {
    g.DrawLines(Pen{0xFFFF0000}, preview.screen);
  }

  if (selectedIndex != -1) {
    for (size_t i = 0; i < preview.screen.size(); ++i) {
      const uint32_t color = static_cast<int>(i) == selectedIndex ? 0xFF0000FF : 0xFF000000;
      g.FillEllipse(Brush::Solid(color), preview.screen[i].x - 2, preview.screen[i].y - 2, 5, 5);
    }
  }
}

}  // namespace lumbra
