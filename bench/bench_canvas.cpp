// The editing canvas's redraw: what a drag step costs on the editors' and pages' canvases (the
// canvas redraws on every mouse move and every taper-slider step). Sizes are the back buffers as
// the screenshots under wine show them: the ruler editor 350 x 162, the layout editor 288 x 268,
// the shape page's ruler 312 x 151.
//
//   CanvasRedraw/RulerStraight, RulerCurve    the ruler editor's canvas, 12 points
//   CanvasRedraw/RulerPage                    the shape page's canvas (G pen taper drawn too)
//   CanvasRedraw/LayoutPath                   the layout editor, the default 36-gon path (37 points)
//   CanvasRedraw/LayoutCircle                 the layout editor, the default circle with its handles
//   CanvasDrag/Ruler                          one drag step of a ruler point (rules and re-sort)
#include <benchmark/benchmark.h>

#include "data/LayoutData.h"
#include "data/RulerData.h"
#include "engine/Bitmap.h"
#include "ui/editors/model/CanvasModel.h"
#include "ui/editors/model/PathGenerators.h"

namespace lumbra {
namespace {

CRulerData TwelvePointRuler(uint8_t mode) {
  CRulerData ruler;
  ruler.GetPoints().clear();
  for (int i = 0; i < 12; ++i) ruler.GetPoints().push_back({i * 100 / 11, (i % 3 - 1) * 40});
  ruler.SetMode(mode);
  return ruler;
}

void RedrawRuler(benchmark::State& state, CRulerData ruler, int width, int height) {
  Bitmap buffer(width, height, PixelFormat::Rgb24);
  for (auto _ : state) {
    ruler.DrawPreview(buffer, 3, 5, height / 2, width - 5, height - 5);
    benchmark::DoNotOptimize(buffer.Data());
  }
}

void BM_RulerStraight(benchmark::State& state) {
  RedrawRuler(state, TwelvePointRuler(CRulerData::kStraight), 350, 162);
}
void BM_RulerCurve(benchmark::State& state) { RedrawRuler(state, TwelvePointRuler(CRulerData::kCurve), 350, 162); }
void BM_RulerPage(benchmark::State& state) {
  CRulerData ruler = TwelvePointRuler(CRulerData::kCurve);
  ruler.SetMillPen(false);
  ruler.SetTaperStart(30);
  RedrawRuler(state, ruler, 312, 151);
}

void RedrawLayout(benchmark::State& state, CLayoutData layout) {
  Bitmap buffer(288, 268, PixelFormat::Rgb24);
  for (auto _ : state) {
    layout.DrawPreview(buffer, 0, 288 / 4, 268 / 4, 3 * 288 / 4, 3 * 268 / 4);
    benchmark::DoNotOptimize(buffer.Data());
  }
}

void BM_LayoutPath(benchmark::State& state) {
  CLayoutData layout;
  PolygonGenerator{}.Apply(layout);
  RedrawLayout(state, layout);
}
void BM_LayoutCircle(benchmark::State& state) {
  CLayoutData layout;
  layout.SetDefaultCircle();
  RedrawLayout(state, layout);
}

void BM_RulerDrag(benchmark::State& state) {
  CRulerData ruler = TwelvePointRuler(CRulerData::kStraight);
  CanvasModel canvas;
  canvas.SetData(false, true, &ruler);
  canvas.SetDrawRect({5, 81, 345, 157});
  canvas.SetLimitRect(0, -100, 100, 100);
  const Point start = canvas.PercentToPixel(ruler.GetPoints()[5]);
  canvas.Press(start.x + 1, start.y + 1, false);
  int x = 0;
  for (auto _ : state) {
    canvas.Drag(40 + (x++ % 200), 100, false);
    benchmark::DoNotOptimize(ruler.GetPoints().data());
  }
}

BENCHMARK(BM_RulerStraight)->Name("CanvasRedraw/RulerStraight")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RulerCurve)->Name("CanvasRedraw/RulerCurve")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RulerPage)->Name("CanvasRedraw/RulerPage")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayoutPath)->Name("CanvasRedraw/LayoutPath")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayoutCircle)->Name("CanvasRedraw/LayoutCircle")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RulerDrag)->Name("CanvasDrag/Ruler")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumbra
