// The `lumbra` program's pages end to end, on 4000 x 6000 comic pages (panels with gradients,
// a painted texture, a dot screen, outlined shapes):
//
//   Pages/Workers:1, Pages/Workers:N   `render --out-dir` of 20 pages (read, draw the focus scene
//                                      of Scenes.h, compose, write) with one page at a time and
//                                      with one per core. Counters: pages/s, cores.
//   Png/Write   one composed page written to a file (RGB), ms and MB.
//   Png/Read    the same file read back, ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Scenes.h"
#include "cli/Png.h"
#include "cli/RenderPages.h"
#include "data/PresetData.h"
#include "data/Record.h"
#include "engine/Bitmap.h"
#include "engine/Graphics.h"
#include "platform/FileSystem.h"

namespace {

using lumbra::Bitmap;
namespace fs = std::filesystem;

constexpr int kWidth = lumbra::bench::kSceneWidth;
constexpr int kHeight = lumbra::bench::kSceneHeight;
constexpr int kPages = 20;

uint32_t Rgb(double r, double g, double b) {
  const auto c = [](double v) { return static_cast<uint32_t>(std::lround(std::fmin(std::fmax(v, 0.0), 255.0))); };
  return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

// A comic page: five framed panels, each with its own background, and outlined shapes in them.
Bitmap MakeComicPage() {
  Bitmap page(kWidth, kHeight);
  lumbra::Graphics g(page);
  g.Clear(0xFFFFFFFF);
  struct Panel {
    int x, y, w, h;
  };
  const Panel panels[] = {{150, 150, 1800, 1800},
                          {2050, 150, 1800, 1800},
                          {150, 2100, 3700, 1900},
                          {150, 4050, 1800, 1800},
                          {2050, 4050, 1800, 1800}};
  for (int k = 0; k < 5; ++k) {
    const Panel& p = panels[k];
    for (int y = p.y; y < p.y + p.h; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(page.Row(y));
      const double v = static_cast<double>(y - p.y) / p.h;
      for (int x = p.x; x < p.x + p.w; ++x) {
        const double u = static_cast<double>(x - p.x) / p.w;
        switch (k) {
          case 0:  // sky: a vertical gradient
            row[x] = Rgb(248 - 121 * v, 240 - 72 * v, 216 - 8 * v);
            break;
          case 1: {  // a painted texture: smooth waves of colour
            const double t = std::sin(u * 23 + std::sin(v * 7) * 3) + std::sin(v * 31 + u * 5) + std::sin((u + v) * 13);
            row[x] = Rgb(120 + 40 * t, 140 + 30 * t, 190 + 20 * t);
            break;
          }
          case 2: {  // a radial gradient
            const double d = std::hypot(u - 0.5, (v - 0.5) * 0.5) * 2;
            row[x] = Rgb(255 - 31 * d, 246 - 134 * d, 224 - 144 * d);
            break;
          }
          case 3:  // a dot screen
            row[x] = ((x / 8) % 2 == 0 && (y / 8) % 2 == 0) ? 0xFF303030u : 0xFFD8D8D8u;
            break;
          default:  // night: a dark vertical gradient
            row[x] = Rgb(48 + 112 * v, 56 + 112 * v, 72 + 112 * v);
        }
      }
    }
  }
  g.SetSmoothingMode(lumbra::SmoothingMode::HighQuality);
  g.SetPixelOffsetMode(lumbra::PixelOffsetMode::Half);
  const lumbra::Brush black = lumbra::Brush::Solid(0xFF000000u);
  for (const Panel& p : panels) {
    g.FillRectangle(black, static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.w), 14);
    g.FillRectangle(black, static_cast<float>(p.x), static_cast<float>(p.y + p.h - 14), static_cast<float>(p.w), 14);
    g.FillRectangle(black, static_cast<float>(p.x), static_cast<float>(p.y), 14, static_cast<float>(p.h));
    g.FillRectangle(black, static_cast<float>(p.x + p.w - 14), static_cast<float>(p.y), 14, static_cast<float>(p.h));
  }
  const auto outlined = [&](float cx, float cy, float rx, float ry, uint32_t fill) {
    g.FillEllipse(black, cx - rx - 8, cy - ry - 8, 2 * rx + 16, 2 * ry + 16);
    g.FillEllipse(lumbra::Brush::Solid(fill), cx - rx, cy - ry, 2 * rx, 2 * ry);
  };
  outlined(1000, 1000, 400, 400, 0xFFE06048u);
  outlined(1000, 1000, 200, 200, 0xFFF2C050u);
  outlined(2950, 600, 650, 300, 0xFFFFFFFFu);
  outlined(2000, 3000, 900, 500, 0xFFFFFFFFu);
  outlined(1050, 4950, 550, 550, 0xFFF0D0B0u);
  outlined(3000, 4900, 400, 400, 0xFFF0D0B0u);
  const std::vector<lumbra::PointF> triangle = {{600, 3700}, {1200, 2600}, {1800, 3700}};
  g.FillPolygon(lumbra::Brush::Solid(0xFF204080u), triangle);
  return page;
}

// A scratch folder with the page written once and linked under 20 names, and the focus preset.
struct PageFiles {
  fs::path dir = fs::temp_directory_path() / "lumbra-bench-pages";
  std::vector<std::string> inputs, outputs;
  Bitmap page = MakeComicPage();
  lumbra::CPresetData preset;

  PageFiles() {
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    lumbra::SetDataFolder((dir / "data").string() + "/");
    lumbra::bench::ConfigureScene(preset, lumbra::bench::Scene::Focus, true);
    std::string error;
    const std::string first = (dir / "page00.png").string();
    if (!lumbra::WritePng(page, first, error)) std::fprintf(stderr, "bench_pages: %s\n", error.c_str());
    for (int i = 0; i < kPages; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "page%02d.png", i);
      if (i > 0) fs::create_hard_link(first, dir / name);
      inputs.push_back((dir / name).string());
      outputs.push_back(lumbra::cli::PageOutputPath((dir / "out").string(), inputs.back()));
    }
  }
};

PageFiles& Files() {
  static PageFiles files;
  return files;
}

void BM_Pages(benchmark::State& state, bool allCores) {
  PageFiles& files = Files();
  const int cores = lumbra::cli::UsableCores();
  lumbra::cli::PageBatch batch;
  batch.preset = &files.preset;
  batch.inputs = files.inputs;
  batch.outputs = files.outputs;
  batch.seed = 2024;
  batch.workers = allCores ? cores : 1;
  batch.threadsPerPage = std::max(1, cores / batch.workers);
  size_t failed = 0;
  for (auto _ : state) failed += lumbra::cli::RenderPages(batch);
  if (failed > 0) state.SkipWithError("pages failed");
  state.counters["pages/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPages, benchmark::Counter::kIsRate);
  state.counters["cores"] = cores;
  state.counters["workers"] = batch.workers;
}

void BM_PngWrite(benchmark::State& state) {
  PageFiles& files = Files();
  const std::string path = (files.dir / "write.png").string();
  std::string error;
  for (auto _ : state) {
    lumbra::FilePtr file = lumbra::OpenFile(path, "wb");
    if (!file || !lumbra::WritePng(files.page, file.get(), error)) state.SkipWithError("cannot write");
  }
  state.counters["MB"] = static_cast<double>(fs::file_size(path)) / 1e6;
}

void BM_PngRead(benchmark::State& state) {
  PageFiles& files = Files();
  std::string error;
  for (auto _ : state) {
    const Bitmap picture = lumbra::ReadPng(files.inputs[0], error);
    if (!picture.Ok()) state.SkipWithError("cannot read");
    benchmark::DoNotOptimize(picture.Data());
  }
}

void RegisterAll() {
  benchmark::RegisterBenchmark("Pages/Workers:1", BM_Pages, false)
      ->Unit(benchmark::kSecond)
      ->UseRealTime()
      ->Iterations(1);
  benchmark::RegisterBenchmark("Pages/Workers:AllCores", BM_Pages, true)
      ->Unit(benchmark::kSecond)
      ->UseRealTime()
      ->Iterations(1);
  benchmark::RegisterBenchmark("Png/Write", BM_PngWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
  benchmark::RegisterBenchmark("Png/Read", BM_PngRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}

const bool registered = (RegisterAll(), true);

}  // namespace
