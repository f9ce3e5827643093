// The benchmark's three scenes, at their own size and shrunk (lengths scaled with the picture, so
// that the lines do not simply cover it): their pixels are pinned by hashes taken from a known-good
// render, so that any change to the drawing path that moves a single bit shows up here, and every
// thread count must give the pixels of one thread.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "../../bench/Scenes.h"
#include "data/PresetData.h"
#include "engine/Bitmap.h"
#include "engine/Render.h"
#include "support/TestSupport.h"

namespace lumbra {
namespace {

using bench::Scene;

// FNV-1a over the pixel bytes of every row (the padding left out).
uint64_t PixelHash(const Bitmap& b) {
  uint64_t h = 1469598103934665603ull;
  const size_t rowBytes = static_cast<size_t>(b.Width()) * static_cast<size_t>(BytesPerPixel(b.Format()));
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* row = b.Row(y);
    for (size_t i = 0; i < rowBytes; ++i) {
      h ^= row[i];
      h *= 1099511628211ull;
    }
  }
  return h;
}

struct SceneCase {
  Scene scene;
  bool antialias;
  bool grayscale;
  uint32_t color;
  int width;
  int height;
  int interval;  // 0: the scene's own
  uint64_t hash;
};

std::string CaseName(const SceneCase& c) {
  return std::string(bench::SceneName(c.scene)) + (c.antialias ? "/AA" : "/Aliased") + "/" + std::to_string(c.width) +
         "x" + std::to_string(c.height);
}

class RenderScenes : public ::testing::Test {
 protected:
  static CPresetData Preset(const SceneCase& c) {
    CPresetData preset;
    bench::ConfigureScene(preset, c.scene, c.antialias);
    preset.color = c.color;
    preset.grayscale = c.grayscale;
    preset.length = preset.length * c.width / bench::kSceneWidth;
    preset.height = preset.height * c.width / bench::kSceneWidth;
    if (c.interval != 0) preset.interval = c.interval;
    return preset;
  }

  Bitmap Render(const SceneCase& c, int threads) {
    CPresetData preset = Preset(c);
    Bitmap layer(c.width, c.height);
    // Stale pixels from an earlier picture, which the render must clear.
    for (int y = 0; y < c.height; y += 7)
      for (int x = 0; x < c.width; x += 5) layer.SetPixel(x, y, 0x80123456u);
    RenderJob job;
    job.preset = &preset;
    job.target = &layer;
    job.seed = 2024;
    job.threadCount = threads;
    EXPECT_EQ(RenderLines(job), 1) << CaseName(c);
    return layer;
  }

  test::TempDataFolder data;
  test::RecordingMessageService messages;
};

constexpr int kW = bench::kSceneWidth;
constexpr int kH = bench::kSceneHeight;

// The scenes as the benchmark draws them.
const SceneCase kFullCases[] = {
    {Scene::Focus, true, false, 0xFF000000u, kW, kH, 0, 0x68522980e89b39fcull},
    {Scene::Speed, true, false, 0xFF000000u, kW, kH, 0, 0xf7e2908ca254319ull},
    {Scene::Curve, true, false, 0xFF000000u, kW, kH, 0, 0xbc0a17ef8329d16full},
};

const SceneCase kCases[] = {
    {Scene::Focus, true, false, 0xFF000000u, 1000, 1500, 0, 0xe47a9043182e1cf9ull},
    {Scene::Speed, true, false, 0xFF000000u, 1000, 1500, 0, 0xaefaf402c6538291ull},
    {Scene::Curve, true, false, 0xFF000000u, 1000, 1500, 0, 0xf162f5b68f920e0aull},
    {Scene::Focus, false, false, 0xFF000000u, 1000, 1500, 0, 0x6d6f676fc0e75e7aull},
    {Scene::Curve, false, false, 0xFF000000u, 1000, 1500, 0, 0xd43e73b2aeb0df63ull},
    // A colour of its own (and its grey), on a picture whose width is no multiple of anything.
    {Scene::Focus, true, false, 0xFF3C8AE1u, 1213, 917, 0, 0xcba89ed2a4a12686ull},
    {Scene::Speed, true, true, 0xFF3C8AE1u, 1213, 917, 12, 0x4d2429a9abf16b25ull},
    {Scene::Curve, true, false, 0xFFE13C8Au, 1213, 917, 0, 0xb0477982eda8bc63ull},
};

TEST_F(RenderScenes, PixelsMatchTheRecordedRenders) {
  for (const SceneCase& c : kFullCases) {
    const Bitmap layer = Render(c, 1);
    EXPECT_EQ(PixelHash(layer), c.hash) << CaseName(c) << std::hex << " got 0x" << PixelHash(layer);
  }
  for (const SceneCase& c : kCases) {
    const Bitmap layer = Render(c, 1);
    EXPECT_EQ(PixelHash(layer), c.hash) << CaseName(c) << std::hex << " got 0x" << PixelHash(layer);
  }
}

TEST_F(RenderScenes, EveryThreadCountGivesThePixelsOfOne) {
  for (const SceneCase& c : kCases) {
    const uint64_t one = PixelHash(Render(c, 1));
    for (int threads : {2, 3, 0}) {
      EXPECT_EQ(PixelHash(Render(c, threads)), one) << CaseName(c) << " threads " << threads;
    }
  }
}

// A part of the picture drawn small leaves out the strokes that cannot reach it: the same pixels
// as drawing every stroke (which a stroke sink asks for). With rims too.
TEST_F(RenderScenes, APartDrawnSmallLosesNoStrokeThatReachesIt) {
  for (const SceneCase& c : kCases) {
    CPresetData preset = Preset(c);
    for (int edge : {0, 3}) {
      preset.edgeWidth = edge;
      for (double scale : {0.25, 0.5}) {
        const int zw = static_cast<int>(c.width * scale), zh = static_cast<int>(c.height * scale);
        int drawn = 0;
        for (const auto& [ox, oy] : {std::pair{0, 0}, std::pair{zw / 3, zh / 2}, std::pair{zw - 90, zh - 70}}) {
          Bitmap part(90, 70), every(90, 70);
          RenderJob job;
          job.preset = &preset;
          job.seed = 2024;
          job.threadCount = 1;
          job.scale = scale;
          job.pictureWidth = c.width;
          job.pictureHeight = c.height;
          job.originX = ox;
          job.originY = oy;
          job.target = &part;
          ASSERT_EQ(RenderLines(job), 1);
          job.strokeSink = [](const std::vector<PointF>&, uint32_t) {};
          job.target = &every;
          ASSERT_EQ(RenderLines(job), 1);
          EXPECT_EQ(PixelHash(part), PixelHash(every)) << CaseName(c) << " edge " << edge << " scale " << scale;
          for (int y = 0; y < every.Height(); ++y)
            for (int x = 0; x < every.Width(); ++x) drawn += (every.GetPixel(x, y) >> 24) != 0;
        }
        EXPECT_GT(drawn, 200) << CaseName(c) << " scale " << scale;
      }
    }
  }
}

}  // namespace
}  // namespace lumbra
