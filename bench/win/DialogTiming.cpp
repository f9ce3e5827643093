// How long the settings dialog takes, under wine, from a change of a setting to the preview
// showing the new lines, for each scene of Scenes.h on a 4000 x 6000 picture at every zoom up to
// 100 %, and on an 8000 x 12000 picture zoomed out:
//
//   lumbra_dialog_timing [ROUNDS] [big | small]
//
// ("big": the 8000 x 12000 picture only; "small": the 4000 x 6000 picture at 10 % and 25 % only.)
//
// The change is the preset list's "<最新の設定>" chosen again: the scene is loaded and rendered
// anew, the same lines every round, as the render alone draws them. For each round the tool notes when the preview has
// drawn the quick first picture of the new render (zoomed out only) and when it has drawn the
// full-size lines; "the render alone" is the same render outside the dialog. Medians, minima and
// maxima are over the rounds. The render the dialog starts when it opens is left out. Each line
// ends with how long its dialog took to appear and how long the dialog took to handle the change
// (median: loading the preset into the controls and starting the render).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Scenes.h"
#include "data/Record.h"
#include "engine/Render.h"
#include "resources/resource.h"
#include "testhost/Automation.h"
#include "ui/settings/SettingDialog.h"

using namespace lumbra;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Spread {
  std::vector<double> values;
  void Print() {
    if (values.empty()) {
      std::printf("%25s", "-");
      return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%7.1f /%7.1f /%7.1f", values.front(), values[values.size() / 2], values.back());
  }
};

Bitmap Picture(int width, int height) {
  Bitmap layer(width, height);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(layer.Row(y));
    std::fill(row, row + width, 0xFFE8F0FFu);
  }
  return layer;
}

// The scene's preset stored as "latest", with its layout and ruler. The records of an earlier
// picture size go first: saving over them would ask whether to replace them, and nobody answers.
void StoreScene(bench::Scene scene) {
  CPresetData preset;
  bench::ConfigureScene(preset, scene, true);
  const std::string name = bench::SceneName(scene);
  for (RecordKind kind : {RecordKind::Layout, RecordKind::Ruler}) std::filesystem::remove(RecordPath(kind, name));
  preset.layout.Save(name, false);
  preset.layout.Load(name);
  preset.ruler.Save(name, false);
  preset.ruler.Load(name);
  preset.Save(kLatestName, true);
}

double RenderAlone(const Bitmap& picture) {
  Bitmap lines(picture.Width(), picture.Height());
  RenderJob job;
  CPresetData loaded;
  loaded.Load(kLatestName);
  job.preset = &loaded;
  job.target = &lines;
  const Clock::time_point start = Clock::now();
  RenderLines(job);
  return Ms(Clock::now() - start);
}

// One dialog per zoom; `rounds` changes at each.
void TimeScene(bench::Scene scene, const Bitmap& picture, const std::vector<int>& zoomIndexes, int rounds) {
  StoreScene(scene);
  Spread alone;
  for (int i = 0; i < rounds; ++i) alone.values.push_back(RenderAlone(picture));
  for (int zoomIndex : zoomIndexes) {
    SettingDialogParams params;
    params.layerImage = &picture;
    CSettingDialog dialog(params);
    Spread first, final, handled;
    double opened = 0;
    const Clock::time_point opening = Clock::now();
    // A dialog over a big picture may take long to open under wine: the script waits for it (it
    // would otherwise give up, and the dialog would wait for a click for ever).
    testhost::WindowScript script(L"Korvane : Lumbra", [&](HWND d) {
      opened = Ms(Clock::now() - opening);
      testhost::WaitUntil([&] { return dialog.RenderCount() > 0 && !dialog.RenderRunning(); }, 120000);
      for (int k = dialog.ZoomIndex(); k > zoomIndex; --k) testhost::ClickButton(d, IDC_ZOOM_OUT);
      Sleep(300);
      for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_PRESET_LIST, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_PRESET_LIST)));
        handled.values.push_back(Ms(Clock::now() - start));
        const int generation = dialog.RenderCount();
        bool sawFirst = false;
        const Clock::time_point deadline = start + std::chrono::seconds(30);
        while (Clock::now() < deadline) {
          if (dialog.ShownGeneration() == generation) {
            const double scale = dialog.ShownLinesScale();
            if (scale < 1.0 && !sawFirst) {
              first.values.push_back(Ms(Clock::now() - start));
              sawFirst = true;
            }
            if (scale == 1.0) {
              final.values.push_back(Ms(Clock::now() - start));
              break;
            }
          }
          Sleep(1);
        }
        testhost::WaitUntil([&] { return !dialog.RenderRunning(); }, 30000);
        Sleep(100);
      }
      testhost::ClickButton(d, IDC_CANCEL);
    }, 300000);
    dialog.DoModal();
    std::printf("%-6s %4d%%  ", bench::SceneName(scene), static_cast<int>(CSettingDialog::kZoomSteps[zoomIndex] * 100));
    first.Print();
    std::printf("   ");
    final.Print();
    std::printf("   ");
    alone.Print();
    std::sort(handled.values.begin(), handled.values.end());
    std::printf("   opened in %.0f ms, change handled in %.0f ms\n", opened,
                handled.values.empty() ? 0.0 : handled.values[handled.values.size() / 2]);
    std::fflush(stdout);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  const auto folder = std::filesystem::temp_directory_path() / L"lumbra-dialog-timing";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  SetDataFolder(folder.string() + "\\");

  std::printf("ms from a change to the preview (%d rounds, min / median / max), %u cores\n", rounds,
              std::thread::hardware_concurrency());
  std::printf("scene  zoom        first picture             full-size lines            the render alone\n");
  const bool bigOnly = argc > 2 && std::wstring(argv[2]) == L"big";
  const bool smallOnly = argc > 2 && std::wstring(argv[2]) == L"small";
  if (!bigOnly) {
    const Bitmap picture = Picture(bench::kSceneWidth, bench::kSceneHeight);
    std::printf("%dx%d\n", picture.Width(), picture.Height());
    std::fflush(stdout);
    for (bench::Scene scene : bench::kScenes)
      TimeScene(scene, picture, smallOnly ? std::vector<int>{0, 1} : std::vector<int>{0, 1, 2, 3, 4}, rounds);
  }
  if (!smallOnly) {
    const Bitmap picture = Picture(2 * bench::kSceneWidth, 2 * bench::kSceneHeight);
    std::printf("%dx%d\n", picture.Width(), picture.Height());
    std::fflush(stdout);
    for (bench::Scene scene : bench::kScenes) TimeScene(scene, picture, {0, 1}, rounds);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
