// The two setting pages, the settings transfer and the three lists, in the real dialog under
// wine, driven from a second thread as a person would: focus moving through the edits, typing,
// sliders, radios, list choices and Ctrl+S.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "InputBoxIds.h"
#include "data/Record.h"
#include "resources/resource.h"
#include "support/TestSupport.h"
#include "testhost/Automation.h"
#include "testhost/DialogDriver.h"
#include "ui/TestPictures.h"
#include "ui/editors/LayoutWindow.h"
#include "ui/framework/Module.h"
#include "ui/settings/SettingDialog.h"

namespace lumbra {
namespace {

using namespace test;
using testhost::ClickButton;
using testhost::FindProcessWindow;
using testhost::WaitUntil;

const std::wstring kCaption = L"Korvane : Lumbra";
const std::wstring kSaveCaption = L"プリセットの保存";
const std::wstring kLatest = L"<最新の設定>";
const std::wstring kNew = L"<新規作成>";

constexpr int kHeightEdit = IDC_ROW_EDIT, kLengthEdit = IDC_ROW_EDIT + 3, kMinLengthEdit = IDC_ROW_EDIT + 6,
              kThicknessEdit = IDC_ROW_EDIT + 9, kTaperEdit = IDC_ROW_EDIT + 15;
constexpr int kHeightSlider = IDC_ROW_SLIDER, kLengthSlider = IDC_ROW_SLIDER + 3,
              kMinThicknessSlider = IDC_ROW_SLIDER + 12, kTaperSlider = IDC_ROW_SLIDER + 15;

int IndexOf(const std::vector<std::wstring>& entries, const std::wstring& entry) {
  const auto it = std::find(entries.begin(), entries.end(), entry);
  return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

const CLayoutWindow* CanvasOf(HWND page, int id) {
  return dynamic_cast<const CLayoutWindow*>(static_cast<CWindow*>(GetPropW(GetDlgItem(page, id), L"LumbraWindow")));
}

std::vector<uint8_t> Pixels(const Bitmap& b) {
  return {b.Data(), b.Data() + static_cast<size_t>(b.Stride()) * static_cast<size_t>(b.Height())};
}

// What the shape page's canvas must show for a ruler: drawn apart, the same size, no selection.
std::vector<uint8_t> ExpectedRulerCanvas(const CRulerData& ruler, bool millPen, int taperStart, const Bitmap& like) {
  CRulerData shown = ruler;
  shown.SetMillPen(millPen);
  shown.SetTaperStart(static_cast<float>(taperStart));
  shown.SetLengthPercent(100.0f);
  Bitmap expected(like.Width(), like.Height(), PixelFormat::Rgb24);
  shown.DrawPreview(expected, -1, 5, like.Height() / 2, like.Width() - 5, like.Height() - 5);
  return Pixels(expected);
}

int32_t ScriptedPicker(int32_t) { return 0x00336699; }  // red 0x99, green 0x66, blue 0x33

class SettingPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    params.layerImage = &layer;
    params.mergedImage = &merged;
  }
  void TearDown() override { EXPECT_EQ(CSettingDialog::PresetWritesDuringRender(), 0); }

  // "latest" with a value of its own in every field the tests change.
  static void StoreLatest() {
    CPresetData latest;
    latest.antialias = 1;
    latest.drawSide = 0;
    latest.interval = 6;
    latest.overshoot = 10;
    latest.height = 40;
    latest.length = 60;
    latest.thickness = 4;
    ASSERT_TRUE(latest.Save(kLatestName, true));
  }

  // Runs the dialog while `script` drives it from another thread with the dialog, the placement
  // page and the shape page; the dialog is cancelled if the script leaves it open.
  int Run(CSettingDialog& dialog, const std::function<void(HWND, HWND, HWND)>& script) {
    testhost::WindowScript driver(kCaption, [&](HWND d) {
      WaitUntil([&] { return dialog.RenderCount() > 0; });
      script(d, PageWith(d, IDC_LAYOUT_LIST), PageWith(d, IDC_RULER_LIST));
      if (FindProcessWindow(kCaption) == d) ClickButton(d, IDC_CANCEL);
    });
    const int result = static_cast<int>(dialog.DoModal());
    EXPECT_TRUE(driver.Found());
    return result;
  }

  // Answers the save-name box: returns the name it proposed, then types `name` and confirms
  // (or cancels when `name` is null); returns once the dialog has dealt with the answer.
  static std::wstring AnswerSaveBox(HWND dialog, const wchar_t* name) {
    HWND box = testhost::AwaitWindow(kSaveCaption);
    if (!box) return L"(no box)";
    const std::wstring proposed = Text(box, IDC_INPUT_BOX_TEXT);
    if (name) SendDlgItemMessageW(box, IDC_INPUT_BOX_TEXT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    PostMessageW(GetDlgItem(box, name ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); });
    SendMessageW(dialog, WM_NULL, 0, 0);  // handled once the dialog is back in its loop
    return proposed;
  }

  static void PressCtrlS(HWND control) { PostMessageW(control, WM_KEYDOWN, 'S', 1); }

  TempDataFolder folder;
  Bitmap layer = Pattern(160, 120, 10);
  Bitmap merged = Pattern(160, 120, 200);
  SettingDialogParams params;
};

TEST_F(SettingPagesTest, ListsShowStoredNamesThenLatestAndNewButNeverLatestItself) {
  testhost::MessageBoxWatcher boxes;
  std::vector<std::wstring> presets, layouts, rulers;
  int selections[3] = {-1, -1, -1};
  const auto look = [&](HWND d, HWND l, HWND r) {
    presets = Entries(d, IDC_PRESET_LIST);
    layouts = Entries(l, IDC_LAYOUT_LIST);
    rulers = Entries(r, IDC_RULER_LIST);
    selections[0] = Selection(d, IDC_PRESET_LIST);
    selections[1] = Selection(l, IDC_LAYOUT_LIST);
    selections[2] = Selection(r, IDC_RULER_LIST);
  };
  {
    CSettingDialog dialog(params);
    Run(dialog, look);
  }
  const std::vector<std::wstring> two{kLatest, kNew};
  EXPECT_EQ(presets, two);
  EXPECT_EQ(layouts, two);
  EXPECT_EQ(rulers, two);
  EXPECT_EQ(selections[0], 0);
  EXPECT_EQ(selections[1], 0);
  EXPECT_EQ(selections[2], 0);
  EXPECT_TRUE(boxes.Seen().empty());

  CLayoutData circle;
  circle.SetDefaultCircle();
  ASSERT_TRUE(circle.Save("circle", false));
  ASSERT_TRUE(circle.Save(kLatestName, true));
  ASSERT_TRUE(CRulerData().Save(kLatestName, true));
  ASSERT_TRUE(CPresetData().Save("focus", false));
  ASSERT_TRUE(CPresetData().Save(kLatestName, true));
  {
    CSettingDialog dialog(params);
    Run(dialog, look);
  }
  EXPECT_EQ(presets, (std::vector<std::wstring>{L"focus", kLatest, kNew}));
  EXPECT_EQ(layouts, (std::vector<std::wstring>{L"circle", kLatest, kNew}));
  EXPECT_EQ(rulers, two);
  EXPECT_EQ(selections[0], 1);
  EXPECT_EQ(selections[1], 1);  // the preset's layout is "latest" (the stored circle)
  EXPECT_EQ(selections[2], 0);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(SettingPagesTest, TypedValuesOutsideTheRangesAreDiscardedWhenTheEditIsLeft) {
  StoreLatest();
  CSettingDialog dialog(params);
  struct Seen {
    std::wstring text;
    int value = -1;
    int rendersAdded = -1;
  } length, height, thickness, unchanged, taper, interval, overshoot;
  int taperSlider = -1, overshootSlider = -1;
  Run(dialog, [&](HWND d, HWND l, HWND r) {
    ShowTab(d, 1);
    HWND away = GetDlgItem(r, IDC_RULER_LIST);
    const auto type = [&](HWND page, int edit, const wchar_t* text, int (*field)(const CPresetData&), Seen& seen) {
      const int before = dialog.RenderCount();
      TypeInto(page, edit, text, away);
      seen = {Text(page, edit), field(dialog.Preset()), dialog.RenderCount() - before};
    };
    type(
        r, kLengthEdit, L"20000", [](const CPresetData& p) { return p.length; }, length);
    type(
        r, kHeightEdit, L"0", [](const CPresetData& p) { return p.height; }, height);
    type(
        r, kThicknessEdit, L"abc", [](const CPresetData& p) { return p.thickness; }, thickness);
    type(
        r, kLengthEdit, L"60", [](const CPresetData& p) { return p.length; }, unchanged);
    type(
        r, kTaperEdit, L"0", [](const CPresetData& p) { return int{p.taperStart}; }, taper);
    taperSlider = SliderAt(r, kTaperSlider);
    ShowTab(d, 0);
    away = GetDlgItem(l, IDC_LAYOUT_LIST);
    type(
        l, IDC_INTERVAL_EDIT, L"0", [](const CPresetData& p) { return p.interval; }, interval);
    type(
        l, IDC_OVERSHOOT_EDIT, L"0", [](const CPresetData& p) { return p.overshoot; }, overshoot);
    overshootSlider = SliderAt(l, IDC_OVERSHOOT_SLIDER);
  });
  // Out of range or not a number: the old value shows again and nothing is re-rendered.
  EXPECT_EQ(length.text, L"60");
  EXPECT_EQ(length.value, 60);
  EXPECT_EQ(length.rendersAdded, 0);
  EXPECT_EQ(height.text, L"40");
  EXPECT_EQ(height.value, 40);
  EXPECT_EQ(height.rendersAdded, 0);
  EXPECT_EQ(thickness.text, L"4");
  EXPECT_EQ(thickness.rendersAdded, 0);
  EXPECT_EQ(unchanged.rendersAdded, 0);  // leaving an edit as it was
  EXPECT_EQ(interval.text, L"6");
  EXPECT_EQ(interval.value, 6);
  EXPECT_EQ(interval.rendersAdded, 0);
  // 0 is inside the taper start's and the overshoot's ranges.
  EXPECT_EQ(taper.value, 0);
  EXPECT_EQ(taper.rendersAdded, 1);
  EXPECT_EQ(taperSlider, 0);
  EXPECT_EQ(overshoot.value, 0);
  EXPECT_EQ(overshoot.rendersAdded, 1);
  EXPECT_EQ(overshootSlider, 0);
}

TEST_F(SettingPagesTest, TheAngleKeepsItsLimitsAndAlongThePathStoresMinus32768) {
  StoreLatest();
  CSettingDialog dialog(params);
  std::vector<int> angles;
  std::wstring waitingText;
  int whileAlongPath = 0;
  Run(dialog, [&](HWND, HWND l, HWND) {
    HWND away = GetDlgItem(l, IDC_LAYOUT_LIST);
    const auto typeAngle = [&](const wchar_t* text) {
      TypeInto(l, IDC_ANGLE_EDIT, text, away);
      angles.push_back(dialog.Preset().angle);
    };
    Click(l, IDC_ANGLE_FIXED);
    angles.push_back(dialog.Preset().angle);  // the field's 90
    for (const wchar_t* text : {L"-179", L"180", L"-180", L"181"}) typeAngle(text);
    Click(l, IDC_ANGLE_PATH);
    angles.push_back(dialog.Preset().angle);
    TypeInto(l, IDC_ANGLE_EDIT, L"45", away);  // waits in the field
    whileAlongPath = dialog.Preset().angle;
    waitingText = Text(l, IDC_ANGLE_EDIT);
    Click(l, IDC_ANGLE_FIXED);
    angles.push_back(dialog.Preset().angle);
  });
  EXPECT_EQ(angles, (std::vector<int>{90, -179, 180, 180, 180, -32768, 45}));
  EXPECT_EQ(whileAlongPath, -32768);
  EXPECT_EQ(waitingText, L"45");
}

TEST_F(SettingPagesTest, SlidersMoveTheirFieldsAndTheJitterLabel) {
  StoreLatest();
  CSettingDialog dialog(params);
  std::wstring label, intervalText, heightText;
  int jitter = -1, rendersAdded = -1, interval = -1;
  Run(dialog, [&](HWND d, HWND l, HWND r) {
    const int before = dialog.RenderCount();
    Slide(l, IDC_JITTER_SLIDER, 3);
    rendersAdded = dialog.RenderCount() - before;
    label = Text(l, IDC_JITTER_LABEL);
    jitter = dialog.Preset().jitter;
    Slide(l, IDC_INTERVAL_SLIDER, 250);
    intervalText = Text(l, IDC_INTERVAL_EDIT);
    interval = dialog.Preset().interval;
    ShowTab(d, 1);
    Slide(r, kHeightSlider, 123);
    heightText = Text(r, kHeightEdit);
  });
  EXPECT_EQ(label, L"強め");
  EXPECT_EQ(jitter, 3);
  EXPECT_EQ(rendersAdded, 1);
  EXPECT_EQ(intervalText, L"250");
  EXPECT_EQ(interval, 250);
  EXPECT_EQ(heightText, L"123");
}

// The third page shows the preset's rims and bundles, and every control of it changes the preset
// and re-renders: the width slider, a typed gap, the overlap radios and the rims' colour button.
TEST_F(SettingPagesTest, RimAndBundleControlsShowAndChangeThePreset) {
  CPresetData latest;
  latest.edgeWidth = 3;
  latest.edgeColor = 0xFF00FF00u;
  latest.edgeMode = CPresetData::kEdgeMerged;
  latest.bundleLines = 4;
  latest.bundleGap = 2;
  latest.bundleVariation = 10;
  ASSERT_TRUE(latest.Save(kLatestName, true));
  params.colorPicker = &ScriptedPicker;
  CSettingDialog dialog(params);
  std::wstring shown[4];
  bool merged = false;
  COLORREF shownColor = 0;
  int renders[4] = {};
  CPresetData after;
  Run(dialog, [&](HWND d, HWND, HWND) {
    ShowTab(d, 2);
    HWND s = PageWith(d, IDC_EDGE_WIDTH_SLIDER);
    const int ids[] = {IDC_EDGE_WIDTH_EDIT, IDC_BUNDLE_LINES_EDIT, IDC_BUNDLE_GAP_EDIT, IDC_BUNDLE_VARIATION_EDIT};
    for (int i = 0; i < 4; ++i) shown[i] = Text(s, ids[i]);
    merged = Checked(s, IDC_EDGE_MERGED);
    shownColor = dialog.Preset().edgeColor;
    int count = dialog.RenderCount();
    const auto rendered = [&] {
      const int now = dialog.RenderCount();
      const int added = now - count;
      count = now;
      return added;
    };
    Slide(s, IDC_EDGE_WIDTH_SLIDER, 7);
    renders[0] = rendered();
    TypeInto(s, IDC_BUNDLE_GAP_EDIT, L"5", GetDlgItem(s, IDC_BUNDLE_LINES_EDIT));
    renders[1] = rendered();
    Click(s, IDC_EDGE_SEPARATE);
    renders[2] = rendered();
    Click(s, IDC_EDGE_COLOR);
    renders[3] = rendered();
    after = dialog.Preset();
  });
  EXPECT_EQ(shown[0], L"3");
  EXPECT_EQ(shown[1], L"4");
  EXPECT_EQ(shown[2], L"2");
  EXPECT_EQ(shown[3], L"10");
  EXPECT_TRUE(merged);
  EXPECT_EQ(shownColor, 0xFF00FF00u);
  for (int added : renders) EXPECT_EQ(added, 1);
  EXPECT_EQ(after.edgeWidth, 7);
  EXPECT_EQ(after.bundleGap, 5);
  EXPECT_EQ(after.bundleLines, 4);
  EXPECT_EQ(after.bundleVariation, 10);
  EXPECT_EQ(after.edgeMode, CPresetData::kEdgeSeparate);
  EXPECT_EQ(after.edgeColor, 0xFF996633u);
}

TEST_F(SettingPagesTest, CanvasesShowThePresetsLayoutAndRulerWithThePagesPenAndTaper) {
  StoreLatest();
  CSettingDialog dialog(params);
  bool taperFollows = false, otherSliderLeftIt = false, penSwitchedAtOnce = false, layoutShown = false;
  float presetRulerTaper = 0;
  Run(dialog, [&](HWND d, HWND l, HWND r) {
    const CLayoutWindow* layoutCanvas = CanvasOf(l, IDC_LAYOUT_CANVAS);
    const CLayoutWindow* rulerCanvas = CanvasOf(r, IDC_RULER_CANVAS);
    if (!layoutCanvas || !rulerCanvas || !layoutCanvas->Buffer() || !rulerCanvas->Buffer()) return;
    const Bitmap& shape = *rulerCanvas->Buffer();
    const CRulerData& ruler = dialog.Preset().ruler;

    // The placement page: the preset's layout in the middle half of the canvas.
    const Bitmap& placed = *layoutCanvas->Buffer();
    CLayoutData layout = dialog.Preset().layout;
    Bitmap expected(placed.Width(), placed.Height(), PixelFormat::Rgb24);
    layout.DrawPreview(expected, -1, placed.Width() / 4, placed.Height() / 4, 3 * placed.Width() / 4,
                       3 * placed.Height() / 4);
    layoutShown = Pixels(placed) == Pixels(expected);

    ShowTab(d, 1);
    taperFollows = true;
    for (int taper : {20, 21, 80}) {
      Slide(r, kTaperSlider, taper);
      taperFollows = taperFollows && Pixels(shape) == ExpectedRulerCanvas(ruler, false, taper, shape);
    }
    const std::vector<uint8_t> before = Pixels(shape);
    Slide(r, kLengthSlider, 700);
    otherSliderLeftIt = Pixels(shape) == before;
    Click(r, IDC_PEN_MILL);
    penSwitchedAtOnce = Pixels(shape) != before && Pixels(shape) == ExpectedRulerCanvas(ruler, true, 80, shape);
    presetRulerTaper = ruler.GetTaperStart();
  });
  EXPECT_TRUE(layoutShown);
  EXPECT_TRUE(taperFollows);
  EXPECT_TRUE(otherSliderLeftIt);
  EXPECT_TRUE(penSwitchedAtOnce);
  EXPECT_EQ(presetRulerTaper, 50.0f);  // only the canvas's copy takes the page's taper
}

TEST_F(SettingPagesTest, ChoosingAPresetShowsEveryFieldAndItsLayoutByName) {
  StoreLatest();
  CLayoutData abc, abcd;
  abc.SetTwoPoints({10, 10}, {90, 90});
  abcd.SetTwoPoints({90, 10}, {10, 90});
  ASSERT_TRUE(abcd.Save("abcd", false));
  ASSERT_TRUE(abc.Save("abc", false));
  CPresetData stored;
  ASSERT_TRUE(stored.layout.Load("abc"));
  stored.pathPosition = 3;
  stored.drawSide = 2;
  stored.angle = 30;
  stored.jitter = 4;
  stored.penTip = 1;
  stored.lengthFromMask = 1;
  stored.color = 0xFF123456;
  stored.height = 321;
  ASSERT_TRUE(stored.Save("p3", false));

  CSettingDialog dialog(params);
  bool positions[4] = {}, sides[4] = {}, fixedAngle = false, millPen = false, fromMask = false;
  std::wstring angleText, jitterLabel, layoutEntry, heightText;
  std::vector<Point> layoutPoints;
  int presetSelection = -1, rulerSelection = -1;
  Run(dialog, [&](HWND d, HWND l, HWND r) {
    Choose(d, IDC_PRESET_LIST, IndexOf(Entries(d, IDC_PRESET_LIST), L"p3"));
    for (int i = 0; i < 4; ++i) positions[i] = Checked(l, IDC_POSITION_FRAME + i);
    for (int i = 0; i < 4; ++i) sides[i] = Checked(l, IDC_SIDE_RIGHT + i);
    fixedAngle = Checked(l, IDC_ANGLE_FIXED) && !Checked(l, IDC_ANGLE_PATH);
    angleText = Text(l, IDC_ANGLE_EDIT);
    jitterLabel = Text(l, IDC_JITTER_LABEL);
    millPen = Checked(r, IDC_PEN_MILL) && !Checked(r, IDC_PEN_G);
    fromMask = Checked(d, IDC_LENGTH_FROM_MASK);
    heightText = Text(r, kHeightEdit);
    const int layoutIndex = Selection(l, IDC_LAYOUT_LIST);
    layoutEntry = layoutIndex >= 0 ? Entries(l, IDC_LAYOUT_LIST)[static_cast<size_t>(layoutIndex)] : L"";
    layoutPoints = dialog.Preset().layout.GetPoints();
    presetSelection = Selection(d, IDC_PRESET_LIST);
    rulerSelection = Selection(r, IDC_RULER_LIST);
  });
  EXPECT_FALSE(positions[0] || positions[1] || positions[2]);
  EXPECT_TRUE(positions[3]);  // "右・下" alone
  EXPECT_FALSE(sides[0] || sides[1] || sides[3]);
  EXPECT_TRUE(sides[2]);
  EXPECT_TRUE(fixedAngle);
  EXPECT_EQ(angleText, L"30");
  EXPECT_EQ(jitterLabel, L"強い");
  EXPECT_TRUE(millPen);
  EXPECT_TRUE(fromMask);
  EXPECT_EQ(heightText, L"321");
  // "abcd" may come first in the folder; the preset's own layout is the one shown and used.
  EXPECT_EQ(layoutEntry, L"abc");
  EXPECT_EQ(layoutPoints, abc.GetPoints());
  EXPECT_EQ(presetSelection, 0);
  EXPECT_EQ(rulerSelection, 0);  // "<最新の設定>": no stored ruler
}

TEST_F(SettingPagesTest, AChosenPresetIsShownClampedAndItsRulerWithItsOwnPen) {
  StoreLatest();  // the G pen
  CPresetData wild;
  wild.penTip = 1;  // the mill pen
  wild.taperStart = 30;
  wild.drawSide = 7;  // values no control can show
  wild.pathPosition = 9;
  wild.jitter = 12;
  wild.interval = 0;
  ASSERT_TRUE(wild.Save("wild", false));
  const auto fileBefore = test::ReadBytes(RecordPath(RecordKind::Preset, "wild"));
  CSettingDialog dialog(params);
  bool rulerDrawnWithMillPen = false, sideChecked = false, positionChecked = false;
  std::wstring jitterLabel, intervalText;
  CPresetData shown;
  Run(dialog, [&](HWND d, HWND l, HWND r) {
    Choose(d, IDC_PRESET_LIST, IndexOf(Entries(d, IDC_PRESET_LIST), L"wild"));
    const CLayoutWindow* rulerCanvas = CanvasOf(r, IDC_RULER_CANVAS);
    if (rulerCanvas && rulerCanvas->Buffer())
      rulerDrawnWithMillPen = Pixels(*rulerCanvas->Buffer()) ==
                              ExpectedRulerCanvas(dialog.Preset().ruler, true, 30, *rulerCanvas->Buffer());
    sideChecked = Checked(l, IDC_SIDE_RIGHT + 3);
    positionChecked = Checked(l, IDC_POSITION_FRAME + 3);
    jitterLabel = Text(l, IDC_JITTER_LABEL);
    intervalText = Text(l, IDC_INTERVAL_EDIT);
    shown = dialog.Preset();
  });
  EXPECT_TRUE(rulerDrawnWithMillPen);
  EXPECT_TRUE(sideChecked);
  EXPECT_TRUE(positionChecked);
  EXPECT_EQ(jitterLabel, L"強い");
  EXPECT_EQ(intervalText, L"1");
  EXPECT_EQ(shown.drawSide, 3);
  EXPECT_EQ(shown.pathPosition, 3);
  EXPECT_EQ(shown.jitter, 4);
  EXPECT_EQ(shown.interval, 1);
  EXPECT_EQ(test::ReadBytes(RecordPath(RecordKind::Preset, "wild")), fileBefore);  // the file is not rewritten
}

TEST_F(SettingPagesTest, AStoredNameBeginningWithLatestNeverTakesTheWorkingRecordsPlace) {
  StoreLatest();  // its layout and ruler are the working ones, "latest"
  CLayoutData old;
  old.SetTwoPoints({90, 10}, {10, 90});
  ASSERT_TRUE(old.Save("latest-old", false));
  CRulerData oldRuler;
  oldRuler.GetPoints() = {{0, 0}, {50, 80}, {100, 0}};
  ASSERT_TRUE(oldRuler.Save("latest-old", false));
  CSettingDialog dialog(params);
  std::wstring layoutEntry, rulerEntry;
  std::vector<Point> layoutPoints, rulerPoints;
  Run(dialog, [&](HWND, HWND l, HWND r) {
    const auto selected = [](HWND page, int id) {
      const int index = Selection(page, id);
      return index >= 0 ? Entries(page, id)[static_cast<size_t>(index)] : std::wstring();
    };
    layoutEntry = selected(l, IDC_LAYOUT_LIST);
    rulerEntry = selected(r, IDC_RULER_LIST);
    layoutPoints = dialog.Preset().layout.GetPoints();
    rulerPoints = dialog.Preset().ruler.GetPoints();
  });
  EXPECT_EQ(layoutEntry, L"<最新の設定>");
  EXPECT_EQ(rulerEntry, L"<最新の設定>");
  EXPECT_NE(layoutPoints, old.GetPoints());
  EXPECT_NE(rulerPoints, oldRuler.GetPoints());
}

TEST_F(SettingPagesTest, CtrlSProposesTheChosenPresetsNameAndCancelReturnsToIt) {
  StoreLatest();
  ASSERT_TRUE(CPresetData().Save("speed", false));
  CSettingDialog dialog(params);
  HeldKeys ctrl({VK_CONTROL});  // for the thread that runs the dialog
  std::wstring fromLatest, fromStored, fromNewEntry;
  std::vector<std::wstring> afterSave;
  int selectionAfterSave = -1, selectionAfterCancel = -1, selectionAfterNewEntry = -1;
  Run(dialog, [&](HWND d, HWND l, HWND r) {
    // From a slider on the first page: "<最新の設定>" is chosen, so no name is proposed.
    PressCtrlS(GetDlgItem(l, IDC_INTERVAL_SLIDER));
    fromLatest = AnswerSaveBox(d, L"mine");
    afterSave = Entries(d, IDC_PRESET_LIST);
    selectionAfterSave = Selection(d, IDC_PRESET_LIST);
    // A stored preset chosen: its name is proposed, and cancelling keeps it chosen.
    const int speed = IndexOf(afterSave, L"speed");
    Choose(d, IDC_PRESET_LIST, speed);
    ShowTab(d, 1);
    PressCtrlS(GetDlgItem(r, IDC_RULER_LIST));
    fromStored = AnswerSaveBox(d, nullptr);
    selectionAfterCancel = Selection(d, IDC_PRESET_LIST) - speed;
    // "<新規作成>" asks too, with no name proposed, and an empty name returns to the chosen preset.
    ChooseLater(d, IDC_PRESET_LIST, static_cast<int>(afterSave.size()) - 1);
    fromNewEntry = AnswerSaveBox(d, L"");
    selectionAfterNewEntry = Selection(d, IDC_PRESET_LIST) - speed;
  });
  EXPECT_EQ(fromLatest, L"");
  ASSERT_EQ(afterSave.size(), 4u);
  EXPECT_NE(IndexOf(afterSave, L"mine"), -1);
  EXPECT_EQ(selectionAfterSave, 2);  // "<最新の設定>"
  EXPECT_EQ(fromStored, L"speed");
  EXPECT_EQ(selectionAfterCancel, 0);
  EXPECT_EQ(fromNewEntry, L"");
  EXPECT_EQ(selectionAfterNewEntry, 0);
  CPresetData mine;
  EXPECT_NO_THROW(mine.ReadFile(RecordPath(RecordKind::Preset, "mine")));
  EXPECT_EQ(mine.interval, 6);
}

// Every control set through the dialog, saved with Ctrl+S, the dialog cancelled: the file holds
// every value. With LUMBRA_ROUND_TRIP_DIR set, the file and the values expected of it are left
// there for `lumbra show` to read back (tests/ui/round-trip.sh).
TEST_F(SettingPagesTest, EveryControlReachesTheSavedPreset) {
  StoreLatest();
  CLayoutData circle;
  circle.SetDefaultCircle();
  ASSERT_TRUE(circle.Save("circle", false));
  CRulerData wave;
  wave.GetPoints() = {{0, 0}, {30, -40}, {70, 40}, {100, 0}};
  wave.SetMode(CRulerData::kCurve);
  ASSERT_TRUE(wave.Save("wave", false));
  params.colorPicker = &ScriptedPicker;
  CSettingDialog dialog(params);
  HeldKeys ctrl({VK_CONTROL});
  std::wstring proposed = L"(not asked)";
  Run(dialog, [&](HWND d, HWND l, HWND r) {
    ClickButton(d, IDC_COLOR);
    Click(d, IDC_ANTIALIAS);
    Click(d, IDC_LENGTH_FROM_MASK);
    HWND away = GetDlgItem(l, IDC_LAYOUT_LIST);
    Choose(l, IDC_LAYOUT_LIST, IndexOf(Entries(l, IDC_LAYOUT_LIST), L"circle"));
    Click(l, IDC_SIDE_LINE);
    TypeInto(l, IDC_ANGLE_EDIT, L"135", away);
    Click(l, IDC_ANGLE_FIXED);
    TypeInto(l, IDC_INTERVAL_EDIT, L"25", away);
    Slide(l, IDC_JITTER_SLIDER, 3);
    Slide(l, IDC_OVERSHOOT_SLIDER, 120);
    Click(l, IDC_POSITION_LEFT);
    ShowTab(d, 1);
    away = GetDlgItem(r, IDC_RULER_LIST);
    Choose(r, IDC_RULER_LIST, IndexOf(Entries(r, IDC_RULER_LIST), L"wave"));
    Click(r, IDC_PEN_MILL);
    Slide(r, kHeightSlider, 77);
    TypeInto(r, kLengthEdit, L"345", away);
    TypeInto(r, kMinLengthEdit, L"42", away);
    TypeInto(r, kThicknessEdit, L"9", away);
    Slide(r, kMinThicknessSlider, 33);
    TypeInto(r, kTaperEdit, L"0", away);
    Click(r, IDC_FIXED_TAPER);
    ShowTab(d, 2);
    HWND s = PageWith(d, IDC_EDGE_WIDTH_SLIDER);
    away = GetDlgItem(s, IDC_BUNDLE_LINES_SLIDER);
    TypeInto(s, IDC_EDGE_WIDTH_EDIT, L"6", away);
    Click(s, IDC_EDGE_COLOR);
    Click(s, IDC_EDGE_MERGED);
    Slide(s, IDC_BUNDLE_LINES_SLIDER, 4);
    TypeInto(s, IDC_BUNDLE_GAP_EDIT, L"3", away);
    Slide(s, IDC_BUNDLE_VARIATION_SLIDER, 25);
    PressCtrlS(GetDlgItem(s, IDC_EDGE_WIDTH_SLIDER));
    proposed = AnswerSaveBox(d, L"roundtrip");
  });
  EXPECT_EQ(proposed, L"");

  const std::string path = RecordPath(RecordKind::Preset, "roundtrip");
  CPresetData saved;
  std::string layoutName, rulerName;
  ASSERT_NO_THROW(saved.ReadFile(path, &layoutName, &rulerName));
  EXPECT_EQ(layoutName, "circle");
  EXPECT_EQ(rulerName, "wave");
  EXPECT_EQ(saved.color, 0xFF996633u);
  EXPECT_EQ(saved.antialias, 0);
  EXPECT_EQ(saved.lengthFromMask, 1);
  EXPECT_EQ(saved.drawSide, 3);
  EXPECT_EQ(saved.angle, 135);
  EXPECT_EQ(saved.interval, 25);
  EXPECT_EQ(saved.jitter, 3);
  EXPECT_EQ(saved.overshoot, 120);
  EXPECT_EQ(saved.pathPosition, 2);
  EXPECT_EQ(saved.penTip, 1);
  EXPECT_EQ(saved.height, 77);
  EXPECT_EQ(saved.length, 345);
  EXPECT_EQ(saved.minLengthPercent, 42);
  EXPECT_EQ(saved.thickness, 9);
  EXPECT_EQ(saved.minThicknessPercent, 33);
  EXPECT_EQ(saved.taperStart, 0);
  EXPECT_EQ(saved.fixedTaper, 0);
  EXPECT_EQ(saved.edgeWidth, 6);
  EXPECT_EQ(saved.edgeColor, 0xFF996633u);
  EXPECT_EQ(saved.edgeMode, CPresetData::kEdgeMerged);
  EXPECT_EQ(saved.bundleLines, 4);
  EXPECT_EQ(saved.bundleGap, 3);
  EXPECT_EQ(saved.bundleVariation, 25);
  // Cancelled: "latest" is as it was.
  CPresetData latest;
  ASSERT_TRUE(latest.Load(kLatestName));
  EXPECT_EQ(latest.interval, 6);

  if (const char* out = std::getenv("LUMBRA_ROUND_TRIP_DIR")) {
    CopyFileW(Widen(path).c_str(), Widen(std::string(out) + "\\roundtrip.qmfpreset").c_str(), FALSE);
    std::ofstream expected(std::string(out) + "\\expected.json");
    expected << R"({"kind":"preset","version":1000,"layout":"circle","ruler":"wave","color":"#996633",)"
             << R"("antialias":0,"lengthFromMask":1,"drawSide":3,"angle":135,"interval":25,"jitter":3,)"
             << R"("overshoot":120,"pathPosition":2,"penTip":1,"height":77,"length":345,)"
             << R"("minLengthPercent":42,"thickness":9,"minThicknessPercent":33,"taperStart":0,"fixedTaper":0,)"
             << R"("edgeWidth":6,"edgeColor":"#996633","edgeMode":"merged","bundleLines":4,"bundleGap":3,)"
             << R"("bundleVariation":25})"
             << "\n";
  }
}

}  // namespace
}  // namespace lumbra
