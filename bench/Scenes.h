// The three render scenes measured on a 4000 x 6000 picture, shared by the render benchmark and
// the settings dialog's timing under wine:
//   Focus  the default circle layout, interval 3, length 1500, thickness 12, lines pointing
//          inwards (about 7800 strokes)
//   Speed  a path across the middle, interval 4, length 3000, both sides mirrored, with jitter
//          (2000 strokes, most of them crossing the whole half picture)
//   Curve  a diagonal path, a curved five-point ruler with the mill pen, interval 5, length 2000,
//          both sides point-symmetric
#pragma once

#include <filesystem>

#include "data/PresetData.h"
#include "data/Record.h"
#include "engine/Bitmap.h"

namespace lumbra::bench {

enum class Scene { Focus, Speed, Curve };

constexpr int kSceneWidth = 4000;
constexpr int kSceneHeight = 6000;

// The scenes' presets need a data folder of their own (their layouts and rulers are records).
inline void UseScratchDataFolder() {
  static const bool done = [] {
    const auto dir = std::filesystem::temp_directory_path() / "lumbra-bench-data";
    std::filesystem::create_directories(dir);
    SetDataFolder(dir.string() + "/");
    return true;
  }();
  (void)done;
}

inline constexpr Scene kScenes[] = {Scene::Focus, Scene::Speed, Scene::Curve};

// An opaque picture with some texture, to compose over or zoom out.
inline Bitmap TexturedPicture(int width, int height) {
  Bitmap picture(width, height);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(picture.Row(y));
    for (int x = 0; x < width; ++x) row[x] = 0xFF000000u | static_cast<uint32_t>((x * 2654435761u) ^ (y * 40503u));
  }
  return picture;
}

inline const char* SceneName(Scene scene) {
  return scene == Scene::Focus ? "Focus" : scene == Scene::Speed ? "Speed" : "Curve";
}

inline void ConfigureScene(CPresetData& preset, Scene scene, bool antialias) {
  preset.antialias = antialias ? 1 : 0;
  preset.thickness = 12;
  switch (scene) {
    case Scene::Focus:
      preset.layout.SetDefaultCircle();
      preset.interval = 3;
      preset.length = 1500;
      preset.drawSide = 0;
      break;
    case Scene::Speed:
      preset.layout.SetMode(0);
      preset.layout.GetPoints() = {{0, 50}, {100, 50}};
      preset.interval = 4;
      preset.length = 3000;
      preset.drawSide = 3;
      preset.jitter = 2;
      break;
    case Scene::Curve:
      preset.layout.SetMode(0);
      preset.layout.GetPoints() = {{0, 0}, {100, 100}};
      preset.ruler.SetMode(1);
      preset.ruler.GetPoints() = {{0, 0}, {25, 40}, {50, -30}, {75, 20}, {100, 0}};
      preset.penTip = 1;
      preset.height = 200;
      preset.interval = 5;
      preset.length = 2000;
      preset.drawSide = 2;
      break;
  }
}

}  // namespace lumbra::bench
