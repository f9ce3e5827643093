// How long the settings dialog takes, under wine, from a change of a setting to the preview
// showing the newly rendered lines, on a 4000 x 6000 picture for each scene of Scenes.h.
//
//   lumbra_dialog_timing [ROUNDS]
//
// The change is a click on "マスクより長さを決定" (without a selection it changes nothing drawn, so
// every round renders the same scene in full); the time runs from the click to the moment the
// preview has taken the new picture. The first render, started when the dialog opens, is left out.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
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

std::atomic<int> g_imagesTaken{0};
HHOOK g_hook = nullptr;

// Counts the pictures the preview takes from the queue.
LRESULT CALLBACK CountPreviewImages(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_USER + 102) ++g_imagesTaken;
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  const auto folder = std::filesystem::temp_directory_path() / L"lumbra-dialog-timing";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  SetDataFolder(folder.string() + "\\");

  const int scale = argc > 2 ? std::max(1, _wtoi(argv[2])) : 1;  // a smaller picture, for trying out
  Bitmap layer(bench::kSceneWidth / scale, bench::kSceneHeight / scale);
  for (int y = 0; y < layer.Height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(layer.Row(y));
    std::fill(row, row + layer.Width(), 0xFFE8F0FFu);
  }
  g_hook = SetWindowsHookExW(WH_GETMESSAGE, &CountPreviewImages, nullptr, GetCurrentThreadId());
  std::printf("%dx%d picture; ms from a change to the preview update (%d rounds): min / median / max\n",
              layer.Width(), layer.Height(), rounds);
  std::fflush(stdout);
  for (bench::Scene scene : {bench::Scene::Focus, bench::Scene::Speed, bench::Scene::Curve}) {
    CPresetData preset;
    bench::ConfigureScene(preset, scene, true);
    const std::string name = bench::SceneName(scene);
    preset.layout.Save(name, false);
    preset.layout.Load(name);
    preset.ruler.Save(name, false);
    preset.ruler.Load(name);
    preset.Save(kLatestName, true);

    double renderAlone = 0;
    {
      // The render alone, for comparison.
      Bitmap lines(layer.Width(), layer.Height());
      RenderJob job;
      CPresetData loaded;
      loaded.Load(kLatestName);
      job.preset = &loaded;
      job.target = &lines;
      const Clock::time_point start = Clock::now();
      RenderLines(job);
      renderAlone = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    SettingDialogParams params;
    params.layerImage = &layer;
    CSettingDialog dialog(params);
    std::vector<double> times;
    testhost::WindowScript script(L"Korvane : Lumbra", [&](HWND d) {
      HWND preview = GetDlgItem(d, IDC_PREVIEW);
      // The renders the dialog starts while it opens: the last one finishes and shows.
      testhost::WaitUntil([&] { return dialog.RenderCount() > 0 && !dialog.RenderRunning(); }, 120000);
      Sleep(500);
      SendMessageW(preview, WM_NULL, 0, 0);
      for (int i = 0; i < rounds; ++i) {
        const int taken = g_imagesTaken.load();
        const Clock::time_point start = Clock::now();
        testhost::ClickButton(d, IDC_LENGTH_FROM_MASK);
        if (!testhost::WaitUntil([&] { return g_imagesTaken.load() > taken && !dialog.RenderRunning(); }, 20000))
          std::fprintf(stderr, "round %d: no new picture (%d renders, %d pictures, rendering %d)\n", i,
                       dialog.RenderCount(), g_imagesTaken.load(), dialog.RenderRunning());
        SendMessageW(preview, WM_NULL, 0, 0);  // returns once the preview has handled the picture
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      }
      testhost::ClickButton(d, IDC_CANCEL);
    });
    dialog.DoModal();
    std::sort(times.begin(), times.end());
    if (times.empty()) {
      std::printf("%-6s no measurement\n", bench::SceneName(scene));
      continue;
    }
    std::printf("%-6s %7.1f / %7.1f / %7.1f   (the render alone: %.1f)\n", bench::SceneName(scene), times.front(),
                times[times.size() / 2], times.back(), renderAlone);
    std::fflush(stdout);
  }
  UnhookWindowsHookEx(g_hook);
  std::filesystem::remove_all(folder);
  return 0;
}
