// The write-back into the host's buffer on a 4000 x 6000 RGB picture, per whole picture:
//   Transfer/Write8      the composed 8-bit picture into interleaved R, G, B bytes
//   Transfer/Compose16   the Focus scene's line layer composed over RGB48 samples (0..32768),
//                        what the 16-bit modes do instead of composing in 8 bits
#include <benchmark/benchmark.h>

#include <vector>

#include "Scenes.h"
#include "engine/Bitmap.h"
#include "engine/Render.h"
#include "host/model/PixelTransfer.h"

namespace {

using lumbra::Bitmap;
using lumbra::HostPlaneCounts;
constexpr int kWidth = lumbra::bench::kSceneWidth;
constexpr int kHeight = lumbra::bench::kSceneHeight;

const Bitmap& FocusLines() {
  static const Bitmap lines = [] {
    Bitmap layer(kWidth, kHeight);
    lumbra::CPresetData preset;
    lumbra::bench::ConfigureScene(preset, lumbra::bench::Scene::Focus, true);
    lumbra::RenderJob job;
    job.preset = &preset;
    job.target = &layer;
    job.seed = 2024;
    lumbra::RenderLines(job);
    return layer;
  }();
  return lines;
}

HostPlaneCounts FlatRgb() {
  HostPlaneCounts counts;
  counts.nonLayer = 3;
  return counts;
}

void BM_Write8(benchmark::State& state) {
  const Bitmap& picture = FocusLines();
  std::vector<uint8_t> host(static_cast<size_t>(kWidth) * kHeight * 3);
  const auto planes = lumbra::DescribeHostPlanes(host.data(), kWidth * 3, 0, true, 8, FlatRgb(), 3);
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) lumbra::WriteResultRow(picture, y, planes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(host.size()));
}

void BM_Compose16(benchmark::State& state) {
  const Bitmap& lines = FocusLines();
  std::vector<uint16_t> samples(static_cast<size_t>(kWidth) * kHeight * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>((i * 2654435761u) % 32769u);
  std::vector<uint16_t> out(samples.size());
  auto* source = reinterpret_cast<uint8_t*>(samples.data());
  const auto in = lumbra::DescribeHostPlanes(source, kWidth * 6, 0, true, 16, FlatRgb(), 3);
  auto target = in;
  target.data = reinterpret_cast<uint8_t*>(out.data());
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) lumbra::ComposeLinesRow16(lines, y, in, target);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.size() * 2));
}

BENCHMARK(BM_Write8)->Name("Transfer/Write8")->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Compose16)->Name("Transfer/Compose16")->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace
