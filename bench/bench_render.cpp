// Whole rendering passes on a 4000 x 6000 picture, and composing the line layer over the picture.
//
//   Render/Focus, Render/Speed, Render/Curve    the three scenes of Scenes.h,
// each anti-aliased (AA) and aliased, on the calling thread only (1T) and with the default thread
// count (MT). Counters: ms per render and strokes per second; the MT variants also give the
// number of cores the render may use ("cores", the default thread count) and "speed-up", the
// time of the 1T variant of the same scene (run just before) over their own.
//
//   Compose/Over    the focus layer composed over an opaque picture (with a fresh copy of the
//                   picture each round, timed apart), against
//   Compose/Memcpy  a plain copy of the same number of bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "Scenes.h"
#include "data/PresetData.h"
#include "data/Record.h"
#include "engine/Bitmap.h"
#include "engine/Compose.h"
#include "engine/Rasterizer.h"
#include "engine/Render.h"

namespace {

using lumbra::Bitmap;
using lumbra::CPresetData;

using lumbra::bench::Scene;
constexpr int kWidth = lumbra::bench::kSceneWidth;
constexpr int kHeight = lumbra::bench::kSceneHeight;

std::unique_ptr<CPresetData> MakePreset(Scene scene, bool antialias) {
  lumbra::bench::UseScratchDataFolder();
  auto preset = std::make_unique<CPresetData>();
  lumbra::bench::ConfigureScene(*preset, scene, antialias);
  return preset;
}

// Milliseconds per render of the last 1T run of each scene and mode, for the MT variant's speed-up.
std::map<std::string, double>& OneThreadMs() {
  static std::map<std::string, double> ms;
  return ms;
}

// Renders the preset once into the layer; the seconds it took, with the strokes drawn in `strokes`.
double RenderOnce(const CPresetData& preset, Bitmap& layer, int threads, int64_t& strokes) {
  const auto start = std::chrono::steady_clock::now();
  lumbra::RenderJob job;
  job.preset = &preset;
  job.target = &layer;
  job.seed = 2024;
  job.threadCount = threads;
  int64_t count = 0;
  job.strokeSink = [&](const std::vector<lumbra::PointF>&, uint32_t) { ++count; };
  benchmark::DoNotOptimize(lumbra::RenderLines(job));
  strokes = count;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// `edge` > 0 gives every stroke a rim that wide (`merged`: every rim before the first stroke).
// Such runs time the edged render alone, but render the same scene without rims after each one:
// "x plain" is the fastest edged render against the fastest plain one, so that the slower and
// faster spells of a busy machine fall on both alike.
void BM_Render(benchmark::State& state, Scene scene, bool antialias, int threads, int edge, bool merged) {
  const auto preset = MakePreset(scene, antialias);
  const auto plainPreset = MakePreset(scene, antialias);
  preset->edgeWidth = edge;
  preset->edgeMode = merged ? CPresetData::kEdgeMerged : CPresetData::kEdgeSeparate;
  Bitmap layer(kWidth, kHeight);
  // The layer's pages are made before the clock runs: the system clears each new page when it is
  // first written, which would otherwise land on the first render and weigh on short runs.
  std::memset(layer.Data(), 1, static_cast<size_t>(layer.Stride()) * kHeight);
  int64_t strokes = 0;
  int64_t perRender = 0;
  double seconds = 0;
  double fastest = 1e9, fastestPlain = 1e9;
  for (auto _ : state) {
    const double t = RenderOnce(*preset, layer, threads, perRender);
    seconds += t;
    strokes += perRender;
    fastest = std::min(fastest, t);
    if (edge > 0) {
      state.SetIterationTime(t);
      int64_t plainStrokes = 0;
      fastestPlain = std::min(fastestPlain, RenderOnce(*plainPreset, layer, threads, plainStrokes));
    }
  }
  state.counters["strokes"] = static_cast<double>(perRender);
  state.counters["strokes/s"] = benchmark::Counter(static_cast<double>(strokes), benchmark::Counter::kIsRate);
  const double ms = 1e3 * seconds / static_cast<double>(state.iterations());
  state.counters["ms/render"] = ms;
  const std::string key = std::string(lumbra::bench::SceneName(scene)) + (antialias ? "/AA" : "/Aliased");
  if (edge > 0) {
    state.counters["x plain"] = fastest / fastestPlain;
    return;
  }
  if (threads != 1) OneThreadMs()[key + "/MT"] = ms;
  if (threads == 1) {
    OneThreadMs()[key] = ms;
  } else {
    state.counters["cores"] = lumbra::Rasterizer().ThreadCount();
    const auto one = OneThreadMs().find(key);
    if (one != OneThreadMs().end() && ms > 0) state.counters["speed-up"] = one->second / ms;
  }
}

// An opaque picture with some texture, and the focus lines as the layer.
struct ComposeInputs {
  Bitmap picture = lumbra::bench::TexturedPicture(kWidth, kHeight);
  Bitmap layer{kWidth, kHeight};
  ComposeInputs() {
    const auto preset = MakePreset(Scene::Focus, true);
    lumbra::RenderJob job;
    job.preset = preset.get();
    job.target = &layer;
    job.seed = 2024;
    lumbra::RenderLines(job);
  }
};

ComposeInputs& Inputs() {
  static ComposeInputs inputs;
  return inputs;
}

void BM_ComposeOver(benchmark::State& state) {
  ComposeInputs& in = Inputs();
  Bitmap picture(kWidth, kHeight);
  const size_t bytes = static_cast<size_t>(in.picture.Stride()) * kHeight;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(picture.Data(), in.picture.Data(), bytes);
    state.ResumeTiming();
    lumbra::ComposeOver(picture, in.layer);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_Memcpy(benchmark::State& state) {
  ComposeInputs& in = Inputs();
  Bitmap picture(kWidth, kHeight);
  const size_t bytes = static_cast<size_t>(in.picture.Stride()) * kHeight;
  for (auto _ : state) {
    std::memcpy(picture.Data(), in.layer.Data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void RegisterAll() {
  for (Scene scene : lumbra::bench::kScenes) {
    for (bool aa : {true, false}) {
      for (int threads : {1, 0}) {
        const std::string name = std::string("Render/") + lumbra::bench::SceneName(scene) + (aa ? "/AA" : "/Aliased") +
                                 (threads == 1 ? "/1T" : "/MT");
        benchmark::RegisterBenchmark(name.c_str(), BM_Render, scene, aa, threads, 0, false)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(1.0);
      }
    }
    // With rims 2 and 4 px wide.
    for (const auto& [width, merged] : {std::pair{2, false}, std::pair{4, false}, std::pair{4, true}})
      for (int threads : {1, 0}) {
        const std::string name = std::string("Render/") + lumbra::bench::SceneName(scene) + "/AA" +
                                 (threads == 1 ? "/1T" : "/MT") + (merged ? "/EdgeMerged" : "/Edge") +
                                 std::to_string(width);
        benchmark::RegisterBenchmark(name.c_str(), BM_Render, scene, true, threads, width, merged)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->MinTime(2.0);
      }
  }
  benchmark::RegisterBenchmark("Compose/Over", BM_ComposeOver)->Unit(benchmark::kMillisecond)->MinTime(0.5);
  benchmark::RegisterBenchmark("Compose/Memcpy", BM_Memcpy)->Unit(benchmark::kMillisecond)->MinTime(0.5);
}

const bool registered = (RegisterAll(), true);

}  // namespace
