// The settings dialog, run in this process under wine and driven from a second thread with
// window messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>  // after windows.h

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "data/Record.h"
#include "engine/Compose.h"
#include "resources/resource.h"
#include "support/TestSupport.h"
#include "testhost/Automation.h"
#include "testhost/DialogDriver.h"
#include "ui/TestPictures.h"
#include "ui/settings/SettingDialog.h"

namespace lumbra {
namespace {

constexpr uint32_t kSeed = 20261208;  // the dialog's renders and the tests' own draw the same lines

using testhost::ClickButton;
using testhost::WaitUntil;
using testhost::WindowScript;

const std::wstring kCaption = L"Korvane : Lumbra";

using test::ComposedRender;
using test::DifferingPixels;
using test::HeldKeys;
using test::Pattern;
using test::TabControlOf;
using test::Text;

class SettingDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CPresetData latest;
    latest.layout.SetCircle(50, 50, 73, 73, 0, 360);
    ASSERT_TRUE(latest.layout.Save("circle", false));
    ASSERT_TRUE(latest.layout.Load("circle"));
    latest.antialias = 1;
    latest.drawSide = 0;  // inwards, over the picture
    latest.interval = 6;
    latest.length = 60;
    latest.thickness = 4;
    ASSERT_TRUE(latest.Save(kLatestName, true));
    latestBytes = test::ReadBytes(RecordPath(RecordKind::Preset, kLatestName));
    params.layerImage = &layer;
    params.mergedImage = &merged;
    params.seed = kSeed;
  }

  void TearDown() override { EXPECT_EQ(CSettingDialog::PresetWritesDuringRender(), 0); }

  test::TempDataFolder folder;
  Bitmap layer = Pattern(200, 150, 10);
  Bitmap merged = Pattern(200, 150, 200);
  SettingDialogParams params;
  std::vector<unsigned char> latestBytes;
};

TEST_F(SettingDialogTest, OpensAtItsMinimumSizeAndZoomsWithoutRendering) {
  CSettingDialog dialog(params);
  RECT client{};
  int activeTab = -1;
  std::wstring zoomedIn, zoomedOut;
  bool plusEnabledAtTop = true, minusEnabledAtBottom = true, plusEnabledAtBottom = false;
  int rendersBefore = -1, rendersAfterZoom = -1, rendersAfterSetting = -1;
  bool enterKeptItOpen = false;
  WindowScript script(kCaption, [&](HWND d) {
    WaitUntil([&] { return dialog.RenderCount() > 0; });
    GetClientRect(d, &client);
    activeTab = static_cast<int>(SendMessageW(TabControlOf(d), TCM_GETCURSEL, 0, 0));
    rendersBefore = dialog.RenderCount();
    for (int i = 0; i < 5; ++i) ClickButton(d, IDC_ZOOM_IN);
    zoomedIn = Text(d, IDC_ZOOM_LABEL);
    plusEnabledAtTop = IsWindowEnabled(GetDlgItem(d, IDC_ZOOM_IN));
    for (int i = 0; i < 9; ++i) ClickButton(d, IDC_ZOOM_OUT);
    zoomedOut = Text(d, IDC_ZOOM_LABEL);
    minusEnabledAtBottom = IsWindowEnabled(GetDlgItem(d, IDC_ZOOM_OUT));
    plusEnabledAtBottom = IsWindowEnabled(GetDlgItem(d, IDC_ZOOM_IN));
    SendDlgItemMessageW(d, IDC_SHOW_MERGED, BM_SETCHECK, BST_CHECKED, 0);
    ClickButton(d, IDC_SHOW_MERGED);
    rendersAfterZoom = dialog.RenderCount();
    SendDlgItemMessageW(d, IDC_ANTIALIAS, BM_SETCHECK, BST_UNCHECKED, 0);
    ClickButton(d, IDC_ANTIALIAS);
    rendersAfterSetting = dialog.RenderCount();
    // Enter (an OK command) does not end the dialog.
    SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    enterKeptItOpen = IsWindowVisible(d) && testhost::FindProcessWindow(kCaption) == d;
    ClickButton(d, IDC_CANCEL);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  ASSERT_TRUE(script.Found());
  EXPECT_EQ(client.right, 770);
  EXPECT_EQ(client.bottom, 500);
  EXPECT_EQ(activeTab, 0);
  EXPECT_EQ(zoomedIn, L"1600%");
  EXPECT_FALSE(plusEnabledAtTop);
  EXPECT_EQ(zoomedOut, L"10%");
  EXPECT_FALSE(minusEnabledAtBottom);
  EXPECT_TRUE(plusEnabledAtBottom);
  EXPECT_EQ(rendersAfterZoom, rendersBefore);
  EXPECT_EQ(rendersAfterSetting, rendersBefore + 1);
  EXPECT_TRUE(enterKeptItOpen);
  // Cancel: no picture, no name, "latest" untouched, no render left running.
  EXPECT_EQ(dialog.TakeResult(), nullptr);
  EXPECT_EQ(dialog.ResultName(), "");
  EXPECT_FALSE(dialog.RenderThreadHeld());
  EXPECT_EQ(test::ReadBytes(RecordPath(RecordKind::Preset, kLatestName)), latestBytes);
}

TEST_F(SettingDialogTest, ApplyReturnsTheComposedPictureAndSavesLatest) {
  CSettingDialog dialog(params);
  WindowScript script(kCaption, [&](HWND d) {
    // A change the file does not hold yet: thinner lines.
    SendDlgItemMessageW(d, IDC_ANTIALIAS, BM_SETCHECK, BST_UNCHECKED, 0);
    ClickButton(d, IDC_ANTIALIAS);
    ClickButton(d, IDC_APPLY);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_FALSE(dialog.RenderThreadHeld());
  EXPECT_EQ(dialog.ResultName(), "latest");
  std::unique_ptr<Bitmap> result = dialog.TakeResult();
  ASSERT_NE(result, nullptr);

  CPresetData saved;
  ASSERT_TRUE(saved.Load(kLatestName));
  EXPECT_EQ(saved.antialias, 0);
  const Bitmap expected = ComposedRender(layer, saved, kSeed);
  EXPECT_EQ(DifferingPixels(*result, expected), 0);
  EXPECT_GT(DifferingPixels(expected, layer), 100);  // lines were drawn
}

// Opening the dialog again and again must not leave a handle behind each time. (Wine's
// GetGuiResources counts nothing, so the dialog's own icon handles are counted instead.)
TEST_F(SettingDialogTest, ReopeningLeavesNoIconHandleBehind) {
  std::vector<HICON> icons;
  for (int i = 0; i < 8; ++i) {
    CSettingDialog dialog(params);
    WindowScript script(kCaption, [&](HWND d) {
      icons.push_back(reinterpret_cast<HICON>(SendMessageW(d, WM_GETICON, ICON_SMALL, 0)));
      ClickButton(d, IDC_CANCEL);
    });
    dialog.DoModal();
  }
  ASSERT_EQ(icons.size(), 8u);
  int alive = 0;
  for (size_t i = 0; i < icons.size(); ++i) {
    ICONINFO info{};
    const bool first = std::find(icons.begin(), icons.begin() + static_cast<long>(i), icons[i]) ==
                       icons.begin() + static_cast<long>(i);
    if (first && icons[i] && GetIconInfo(icons[i], &info)) {
      ++alive;
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
    }
  }
  EXPECT_NE(icons[0], nullptr);
  EXPECT_LE(alive, 1);
}

// The merged picture chosen while a render is drawing: the preview must end as the merged
// picture with the finished lines composed once, never with a half-drawn layer composed too.
TEST_F(SettingDialogTest, TheMergedToggleDuringARenderComposesOnlyTheFinishedLayer) {
  const Bitmap bigLayer = Pattern(1600, 1200, 10), bigMerged = Pattern(1600, 1200, 140);
  params.layerImage = &bigLayer;
  params.mergedImage = &bigMerged;
  CSettingDialog dialog(params);
  bool toggledWhileRendering = false;
  CPresetData drawn;
  WindowScript script(kCaption, [&](HWND d) {
    // At most the first render's time: it began before this script did.
    const auto seen = std::chrono::steady_clock::now();
    WaitUntil([&] { return dialog.RenderCount() > 0 && !dialog.RenderRunning(); });
    const auto renderTime = std::chrono::steady_clock::now() - seen;
    // A new render starts (anti-aliased: a half-drawn layer composed under the finished one
    // would darken its edges).
    SendDlgItemMessageW(d, IDC_LENGTH_FROM_MASK, BM_SETCHECK, BST_CHECKED, 0);
    ClickButton(d, IDC_LENGTH_FROM_MASK);
    std::this_thread::sleep_for(renderTime / 3);  // some lines drawn, not all
    toggledWhileRendering = dialog.RenderRunning();
    SendDlgItemMessageW(d, IDC_SHOW_MERGED, BM_SETCHECK, BST_CHECKED, 0);
    ClickButton(d, IDC_SHOW_MERGED);
    WaitUntil([&] { return !dialog.RenderRunning(); });
    WaitUntil([&] { return dialog.PreviewImagesShown() == dialog.PreviewImagesPosted(); }, 20000);
    drawn = dialog.Preset();
    ClickButton(d, IDC_CANCEL);
  });
  dialog.DoModal();
  ASSERT_TRUE(script.Found());
  EXPECT_TRUE(toggledWhileRendering);
  // The dialog has ended: the box's last picture can be read on this thread.
  const PreviewPicture& shown = dialog.ShownPicture();
  ASSERT_TRUE(shown.base && shown.lines);
  EXPECT_EQ(shown.base.get(), &bigMerged);
  EXPECT_EQ(shown.linesScale, 1.0);
  EXPECT_EQ(shown.generation, dialog.RenderCount());
  Bitmap composed = shown.base->Clone();
  ComposeOver(composed, *shown.lines);
  drawn.grayscale = false;
  EXPECT_EQ(DifferingPixels(composed, ComposedRender(bigMerged, drawn, kSeed)), 0);
}

// Zoomed out, each render shows a quick picture at the zoom and then its full-size lines. Changes
// made while rendering never bring an older render's picture back, the last picture is the last
// render's full-size lines, and Apply returns exactly the full-size render.
TEST_F(SettingDialogTest, ZoomedOutRendersShowAQuickPictureThenTheFullLinesInOrder) {
  const Bitmap bigLayer = Pattern(1600, 1200, 10);
  CPresetData latest;
  ASSERT_TRUE(latest.Load(kLatestName));
  latest.length = 500;  // from the corners well into the page
  ASSERT_TRUE(latest.Save(kLatestName, true));
  params.layerImage = &bigLayer;
  CSettingDialog dialog(params);
  std::vector<std::pair<int, double>> seen;  // (render, lines' scale) as the preview changed
  int lastRender = 0;
  CPresetData drawn;
  WindowScript script(kCaption, [&](HWND d) {
    WaitUntil([&] { return dialog.RenderCount() > 0 && !dialog.RenderRunning(); });
    ClickButton(d, IDC_ZOOM_OUT);
    ClickButton(d, IDC_ZOOM_OUT);  // 50 %
    // Scrolled a line right and down, after the box has taken the zoom.
    const HWND box = GetDlgItem(d, IDC_PREVIEW);
    std::vector<HWND> bars;
    for (HWND bar = FindWindowExW(box, nullptr, L"ScrollBar", nullptr); bar;
         bar = FindWindowExW(box, bar, L"ScrollBar", nullptr))
      bars.push_back(bar);
    ASSERT_EQ(bars.size(), 2u);
    for (HWND bar : bars) {
      const bool vertical = (GetWindowLongW(bar, GWL_STYLE) & SBS_VERT) != 0;
      PostMessageW(box, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(bar));
    }
    WaitUntil([&] { return GetScrollPos(bars[0], SB_CTL) > 0 && GetScrollPos(bars[1], SB_CTL) > 0; });
    std::atomic<bool> watching{true};
    std::thread watcher([&] {
      while (watching) {
        const std::pair<int, double> now{dialog.ShownGeneration(), dialog.ShownLinesScale()};
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
    // Changes in quick succession, some while the previous render is still drawing.
    for (int i = 0; i < 6; ++i) {
      SendDlgItemMessageW(d, IDC_ANTIALIAS, BM_SETCHECK, i % 2 ? BST_CHECKED : BST_UNCHECKED, 0);
      ClickButton(d, IDC_ANTIALIAS);
      std::this_thread::sleep_for(std::chrono::milliseconds(i * 15));
    }
    WaitUntil([&] { return !dialog.RenderRunning(); });
    WaitUntil([&] { return dialog.PreviewImagesShown() == dialog.PreviewImagesPosted(); }, 20000);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    watching = false;
    watcher.join();
    lastRender = dialog.RenderCount();
    drawn = dialog.Preset();
    ClickButton(d, IDC_APPLY);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(script.Found());
  ASSERT_FALSE(seen.empty());
  bool quickSeen = false;
  for (size_t i = 1; i < seen.size(); ++i) {
    // Renders only move forward; within one render the quick picture comes before the full one.
    EXPECT_GE(seen[i].first, seen[i - 1].first) << i;
    if (seen[i].first == seen[i - 1].first) {
      EXPECT_GT(seen[i].second, seen[i - 1].second) << i;
    }
    quickSeen = quickSeen || seen[i].second == 0.5;
  }
  EXPECT_TRUE(quickSeen);
  EXPECT_EQ(seen.back(), std::make_pair(lastRender, 1.0));
  const std::unique_ptr<Bitmap> result = dialog.TakeResult();
  ASSERT_NE(result, nullptr);
  drawn.grayscale = false;
  EXPECT_EQ(DifferingPixels(*result, ComposedRender(bigLayer, drawn, kSeed)), 0);
  // The quick picture held only the part of the page the box showed (the whole page is 800 x 600
  // at 50 %): those very lines.
  ViewRect part;
  const std::shared_ptr<const Bitmap> quick = dialog.LatestQuickPicture(part);
  ASSERT_NE(quick, nullptr);
  EXPECT_GT(part.x, 0);
  EXPECT_GT(part.y, 0);
  EXPECT_GT(part.width * part.height, 100 * 100);
  EXPECT_LT(part.width * part.height, 800 * 600);
  Bitmap expected(part.width, part.height);
  RenderJob job;
  job.preset = &drawn;
  job.target = &expected;
  job.seed = kSeed;
  job.scale = 0.5;
  job.pictureWidth = 1600;
  job.pictureHeight = 1200;
  job.originX = part.x;
  job.originY = part.y;
  job.threadCount = 1;
  ASSERT_EQ(RenderLines(job), 1);
  EXPECT_EQ(DifferingPixels(*quick, expected), 0);
  EXPECT_GT(DifferingPixels(expected, Bitmap(part.width, part.height)), 1000);  // lines were drawn there
}

// Paints seen by windows of the dialog, counted on their own thread.
std::atomic<int> g_paints{0};
WNDPROC g_countedProcs[2] = {};
template <int k>
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) ++g_paints;
  return CallWindowProcW(g_countedProcs[k], window, message, wParam, lParam);
}

// Maximised and restored, the buttons and the active page are painted again at their new places.
TEST_F(SettingDialogTest, ResizingRedrawsTheButtonsAndThePage) {
  CSettingDialog dialog(params);
  int paints[2][2] = {{-1, -1}, {-1, -1}};  // [apply, page][maximise, restore]
  WindowScript script(kCaption, [&](HWND d) {
    WaitUntil([&] { return dialog.RenderCount() > 0 && !dialog.RenderRunning(); });
    const HWND windows[2] = {GetDlgItem(d, IDC_APPLY), test::PageWith(d, IDC_LAYOUT_LIST)};
    const WNDPROC counting[2] = {&CountingProc<0>, &CountingProc<1>};
    for (int w = 0; w < 2; ++w) {
      g_countedProcs[w] = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(windows[w], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting[w])));
    }
    Sleep(200);
    for (int step = 0; step < 2; ++step)
      for (int w = 0; w < 2; ++w) {
        g_paints = 0;
        // Each window counted alone: the other is given back its own procedure meanwhile.
        SetWindowLongPtrW(windows[1 - w], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_countedProcs[1 - w]));
        SetWindowLongPtrW(windows[w], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting[w]));
        SendMessageW(d, WM_SYSCOMMAND, step == 0 ? SC_MAXIMIZE : SC_RESTORE, 0);
        WaitUntil([&] { return g_paints.load() > 0; }, 2000);
        paints[w][step] = g_paints.load();
        if (w == 0)
          SendMessageW(d, WM_SYSCOMMAND, step == 0 ? SC_RESTORE : SC_MAXIMIZE, 0);  // back, for the page's turn
        Sleep(100);
      }
    for (int w = 0; w < 2; ++w)
      SetWindowLongPtrW(windows[w], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_countedProcs[w]));
    ClickButton(d, IDC_CANCEL);
  });
  dialog.DoModal();
  ASSERT_TRUE(script.Found());
  for (int w = 0; w < 2; ++w)
    for (int step = 0; step < 2; ++step) EXPECT_GT(paints[w][step], 0) << (w ? "page" : "apply") << " step " << step;
}

TEST_F(SettingDialogTest, WithoutAMergedImageTheToggleIsDisabled) {
  params.mergedImage = nullptr;
  CSettingDialog dialog(params);
  bool toggleEnabled = true;
  WindowScript script(kCaption, [&](HWND d) {
    toggleEnabled = IsWindowEnabled(GetDlgItem(d, IDC_SHOW_MERGED));
    PostMessageW(d, WM_CLOSE, 0, 0);  // the close box
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_FALSE(toggleEnabled);
  EXPECT_FALSE(dialog.RenderThreadHeld());
  EXPECT_EQ(dialog.TakeResult(), nullptr);
}

int32_t g_pickerAnswer = -1;
std::atomic<int> g_pickerCalls{0};
int32_t ScriptedPicker(int32_t colorref) {
  ++g_pickerCalls;
  return g_pickerAnswer < 0 ? colorref : g_pickerAnswer;
}

TEST_F(SettingDialogTest, TheColourPickersAnswerReachesThePresetAndItsCancelChangesNothing) {
  params.colorPicker = &ScriptedPicker;
  g_pickerCalls = 0;
  CSettingDialog dialog(params);
  int rendersBefore = 0, rendersAfterCancelledPick = 0;
  WindowScript script(kCaption, [&](HWND d) {
    g_pickerAnswer = -1;  // the host's picker cancelled: the colour comes back unchanged
    rendersBefore = dialog.RenderCount();
    ClickButton(d, IDC_COLOR);
    rendersAfterCancelledPick = dialog.RenderCount();
    g_pickerAnswer = 0x00336699;  // COLORREF: blue 0x33, green 0x66, red 0x99
    ClickButton(d, IDC_COLOR);
    ClickButton(d, IDC_APPLY);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(g_pickerCalls.load(), 2);
  EXPECT_EQ(rendersAfterCancelledPick, rendersBefore);
  EXPECT_EQ(dialog.Preset().color, 0xFF996633u);
}

TEST_F(SettingDialogTest, CtrlShiftClickNearTheCircleCentreGivesRadiiOfFive) {
  CSettingDialog dialog(params);
  HeldKeys held({VK_CONTROL, VK_SHIFT});  // this thread runs the dialog
  WindowScript script(kCaption, [&](HWND d) {
    HWND preview = GetDlgItem(d, IDC_PREVIEW);
    // The picture must be in the box, centred, before the click is mapped onto it.
    WaitUntil([&] { return dialog.RenderCount() > 0 && !dialog.RenderRunning(); });
    WaitUntil([&] { return dialog.PreviewImagesShown() == dialog.PreviewImagesPosted(); }, 20000);
    RECT r;
    GetWindowRect(preview, &r);
    // The 200 x 150 picture sits centred at 100 %: its centre is the box's centre.
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    SetCursorPos(centre.x, centre.y);
    POINT client = centre;
    ScreenToClient(preview, &client);
    SendMessageW(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    SendMessageW(preview, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    ClickButton(d, IDC_CANCEL);
  });
  dialog.DoModal();
  const auto& points = dialog.Preset().layout.GetPoints();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[1].x, 5);
  EXPECT_EQ(points[1].y, 5);
  EXPECT_EQ(dialog.Preset().pathPosition, 0);
}

}  // namespace
}  // namespace lumbra
