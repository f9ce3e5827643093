// Cost of building one stroke outline, as the rendering pass does once per drawn stroke.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/Outline.h"

namespace {

using lumbra::OutlineSettings;
using lumbra::Point;
using lumbra::PointF;

// A wavy ruler with four bends, the kind drawn in the ruler editor.
const std::vector<Point> kWavyRuler{{0, 0}, {20, 12}, {45, -15}, {70, 10}, {85, -4}, {100, 0}};

void BM_Outline(benchmark::State& state, uint8_t mode, bool millPen) {
  const int length = static_cast<int>(state.range(0));
  const auto thickness = static_cast<float>(state.range(1));
  OutlineSettings settings;
  settings.mode = mode;
  settings.millPen = millPen;
  std::vector<PointF> out;
  for (auto _ : state) {
    lumbra::BuildOutline(settings, kWavyRuler, length, 60, thickness, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.counters["points"] = static_cast<double>(out.size());
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"length", "thickness"});
  for (const auto& [length, thickness] : {std::pair{200, 2}, {600, 10}, {2000, 40}}) b->Args({length, thickness});
}

BENCHMARK_CAPTURE(BM_Outline, StraightGPen, lumbra::kOutlineStraight, false)
    ->Name("Outline/Straight/GPen")
    ->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Outline, StraightMillPen, lumbra::kOutlineStraight, true)
    ->Name("Outline/Straight/MillPen")
    ->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Outline, CurveGPen, lumbra::kOutlineCurve, false)->Name("Outline/Curve/GPen")->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Outline, CurveMillPen, lumbra::kOutlineCurve, true)->Name("Outline/Curve/MillPen")->Apply(Sizes);

}  // namespace
