// What the settings dialog's preview costs on top of a render, on a 4000 x 6000 picture (and
// 8000 x 12000 where the preview has to stay quick on the biggest pages):
//
//   Preview/Lines/<scene>/<zoom>      the first picture: the scene's lines placed on the whole
//                                     picture and drawn at the zoom (the display's scale);
//   Preview/ZoomLines/<scene>/<zoom>  the finished full-size line layer zoomed out to a 600 x 600
//                                     view (what the box composes when the lines arrive), with
//                                     the box's two threads;
//   Preview/ZoomPicture/<zoom>        the whole picture zoomed out once (the box keeps it while the
//                                     zoom and the picture stay).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "Scenes.h"
#include "data/PresetData.h"
#include "data/Record.h"
#include "engine/Bitmap.h"
#include "engine/Render.h"
#include "engine/Resample.h"

namespace {

using lumbra::Bitmap;
using lumbra::bench::Scene;

void RenderScene(Scene scene, Bitmap& target, int pictureWidth, int pictureHeight, double scale) {
  lumbra::bench::UseScratchDataFolder();
  lumbra::CPresetData preset;
  lumbra::bench::ConfigureScene(preset, scene, true);
  lumbra::RenderJob job;
  job.preset = &preset;
  job.target = &target;
  job.seed = 2024;
  job.threadCount = 1;
  job.scale = scale;
  job.pictureWidth = pictureWidth;
  job.pictureHeight = pictureHeight;
  lumbra::RenderLines(job);
}

void BM_DisplayLines(benchmark::State& state, Scene scene, double zoom, int size) {
  const int w = lumbra::bench::kSceneWidth * size, h = lumbra::bench::kSceneHeight * size;
  Bitmap target(lumbra::ZoomedSide(w, zoom), lumbra::ZoomedSide(h, zoom));
  for (auto _ : state) RenderScene(scene, target, w, h, zoom);
}

const Bitmap& FullLayer(Scene scene) {
  static Bitmap layers[3];
  Bitmap& layer = layers[static_cast<int>(scene)];
  if (!layer.Ok()) {
    layer = Bitmap(lumbra::bench::kSceneWidth, lumbra::bench::kSceneHeight);
    RenderScene(scene, layer, 0, 0, 1.0);
  }
  return layer;
}

void BM_ZoomLines(benchmark::State& state, Scene scene, double zoom) {
  const Bitmap& layer = FullLayer(scene);
  Bitmap view(std::min(600, lumbra::ZoomedSide(layer.Width(), zoom)),
              std::min(600, lumbra::ZoomedSide(layer.Height(), zoom)));
  for (auto _ : state) lumbra::ZoomRegion(layer, zoom, 0, 0, view, 2);
}

void BM_ZoomPicture(benchmark::State& state, double zoom) {
  const Bitmap picture = lumbra::bench::TexturedPicture(lumbra::bench::kSceneWidth, lumbra::bench::kSceneHeight);
  Bitmap zoomed(lumbra::ZoomedSide(picture.Width(), zoom), lumbra::ZoomedSide(picture.Height(), zoom));
  for (auto _ : state) lumbra::ZoomRegion(picture, zoom, 0, 0, zoomed, 2);
}

void RegisterAll() {
  for (Scene scene : lumbra::bench::kScenes) {
    const std::string name = lumbra::bench::SceneName(scene);
    for (double zoom : {0.1, 0.25, 0.5}) {
      const std::string z = std::to_string(static_cast<int>(zoom * 100)) + "%";
      benchmark::RegisterBenchmark(("Preview/Lines/" + name + "/" + z).c_str(), BM_DisplayLines, scene, zoom, 1)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Preview/ZoomLines/" + name + "/" + z).c_str(), BM_ZoomLines, scene, zoom)
          ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(("Preview/Lines/" + name + "/10%/8000x12000").c_str(), BM_DisplayLines, scene, 0.1, 2)
        ->Unit(benchmark::kMillisecond);
  }
  for (double zoom : {0.1, 0.25, 0.75})
    benchmark::RegisterBenchmark(("Preview/ZoomPicture/" + std::to_string(static_cast<int>(zoom * 100)) + "%").c_str(),
                                 BM_ZoomPicture, zoom)
        ->Unit(benchmark::kMillisecond);
}

const bool registered = (RegisterAll(), true);

}  // namespace
