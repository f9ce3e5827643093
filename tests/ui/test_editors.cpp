// The layout editor with its panels and generators, the point-file import and the ruler editor,
// run for real under wine and driven from a second thread; and both editors reached from the
// settings dialog's lists.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "InputBoxIds.h"
#include "data/Record.h"
#include "resources/resource.h"
#include "support/TestSupport.h"
#include "testhost/Automation.h"
#include "testhost/DialogDriver.h"
#include "ui/TestPictures.h"
#include "ui/editors/LayoutDialog.h"
#include "ui/editors/RulerDialog.h"
#include "ui/framework/Module.h"
#include "ui/settings/SettingDialog.h"

namespace lumbra {
namespace {

constexpr uint32_t kSeed = 20261208;  // the dialog's renders and the tests' own draw the same lines

using namespace test;
using testhost::ClickButton;
using testhost::AwaitWindow;
using testhost::FindProcessWindow;
using testhost::WaitUntil;
using testhost::WindowScript;
using Points = std::vector<Point>;

const std::wstring kLayoutEditor = L"線の配置設定";
const std::wstring kRulerEditor = L"定規";
const std::wstring kStoreBox = L"データの登録";

bool Exists(RecordKind kind, const std::string& name) { return std::filesystem::exists(RecordPath(kind, name)); }

// Returns once `window`'s thread has handled everything sent before.
void Settle(HWND window) { SendMessageW(window, WM_NULL, 0, 0); }

// Ends an editor opened from the settings dialog `settings` with `button`, and returns once the
// dialog has taken the editor's result. (Settling alone can return while the editor's own loop
// still runs, before the dialog has refilled its lists.)
void CloseEditor(HWND editor, int button, HWND settings) {
  ClickButton(editor, button);
  WaitUntil([&] { return !IsWindow(editor); });
  Settle(settings);
}

// A press and release on a canvas at client (x, y).
void ClickCanvas(HWND canvas, int x, int y) {
  SendMessageW(canvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(canvas, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

SIZE InnerSize(HWND canvas) {
  RECT r{};
  GetWindowRect(canvas, &r);
  return {r.right - r.left - 2, r.bottom - r.top - 2};
}

// Answers the name entry that `open` brings up (posted, since it is modal): `name`, or cancel
// when null. Returns the entry's caption, or "(no box)".
std::wstring AnswerNameEntry(HWND owner, const std::function<void()>& open, const wchar_t* name,
                             const std::wstring& caption = kStoreBox) {
  open();
  HWND box = AwaitWindow(caption);
  if (!box) return L"(no box)";
  if (name) SendDlgItemMessageW(box, IDC_INPUT_BOX_TEXT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
  PostMessageW(GetDlgItem(box, name ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
  WaitUntil([&] { return !IsWindow(box); });
  Settle(owner);
  return caption;
}

// Waits until the watcher has answered `count` message boxes and the last one is gone.
void AwaitAnswered(const testhost::MessageBoxWatcher& boxes, size_t count, HWND owner) {
  WaitUntil([&] { return boxes.Seen().size() >= count; });
  Sleep(100);
  Settle(owner);
}

class EditorTest : public ::testing::Test {
 protected:
  TempDataFolder folder;
};

TEST_F(EditorTest, LayoutEditorOpensOnTheDefaultPathAndKeepsTypedCoordinatesInRange) {
  EXPECT_EQ(CLineListBox::ItemText(0, {0, 0}), L"1 = [  0,   0]");
  EXPECT_EQ(CLineListBox::ItemText(1, {0, 100}), L"2 = [  0, 100]");
  EXPECT_EQ(CLineListBox::ItemText(11, {-500, 1234}), L"12 = [-500, 1234]");

  CLayoutDialog editor(nullptr);
  int count = 0, selection = -1;
  std::wstring x, y, clampedX, secondY;
  bool openAfterKeys = false, lineChecked = false;
  WindowScript script(kLayoutEditor, [&](HWND e) {
    HWND line = PageWith(e, IDC_POINT_LIST);
    count = static_cast<int>(SendDlgItemMessageW(line, IDC_POINT_LIST, LB_GETCOUNT, 0, 0));
    selection = static_cast<int>(SendDlgItemMessageW(line, IDC_POINT_LIST, LB_GETCURSEL, 0, 0));
    x = Text(line, IDC_POINT_X_EDIT);
    y = Text(line, IDC_POINT_Y_EDIT);
    lineChecked = Checked(e, IDC_MODE_LINE) && IsWindowVisible(line);
    TypeInto(line, IDC_POINT_X_EDIT, L"600", GetDlgItem(line, IDC_POINT_Y_EDIT));
    clampedX = Text(line, IDC_POINT_X_EDIT);
    SendDlgItemMessageW(line, IDC_POINT_LIST, LB_SETCURSEL, 1, 0);
    SendMessageW(line, WM_COMMAND, MAKEWPARAM(IDC_POINT_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(line, IDC_POINT_LIST)));
    secondY = Text(line, IDC_POINT_Y_EDIT);
    // Enter and Escape on one of the editor's own buttons do nothing.
    Focus(GetDlgItem(e, IDC_STORE_IN_LIST));
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) PostMessageW(GetDlgItem(e, IDC_STORE_IN_LIST), WM_KEYDOWN, key, 1);
    Settle(e);
    openAfterKeys = FindProcessWindow(kLayoutEditor) == e;
    ClickButton(e, IDCANCEL);
  });
  EXPECT_EQ(editor.DoModal(), IDCANCEL);
  ASSERT_TRUE(script.Found());
  EXPECT_EQ(count, 2);
  EXPECT_EQ(selection, 0);
  EXPECT_EQ(x, L"0");
  EXPECT_EQ(y, L"0");
  EXPECT_TRUE(lineChecked);
  EXPECT_EQ(clampedX, L"500");
  EXPECT_EQ(editor.Layout().GetPoints(), (Points{{500, 0}, {0, 100}}));
  EXPECT_EQ(secondY, L"100");
  EXPECT_TRUE(openAfterKeys);
  EXPECT_FALSE(Exists(RecordKind::Layout, kLatestName));  // cancelled: nothing stored
}

TEST_F(EditorTest, ModeButtonsStartEachModeFromItsDefault) {
  CLayoutDialog editor(nullptr);
  std::vector<std::wstring> circleFields;
  std::wstring rejectedRadius;
  bool circleShown = false, lineShownAgain = false;
  Points drawn, circleAfterTyping, lineAgain, lineAfterSecondClick;
  WindowScript script(kLayoutEditor, [&](HWND e) {
    HWND canvas = GetDlgItem(e, IDC_LAYOUT_EDITOR_CANVAS);
    HWND line = PageWith(e, IDC_POINT_LIST);
    HWND circle = PageWith(e, IDC_CIRCLE_CX_EDIT);
    ClickCanvas(canvas, 30, 30);
    drawn = editor.Layout().GetPoints();
    Click(e, IDC_MODE_CIRCLE);
    circleShown = IsWindowVisible(circle) && !IsWindowVisible(line);
    for (int edit : {IDC_CIRCLE_CX_EDIT, IDC_CIRCLE_CY_EDIT, IDC_CIRCLE_RX_EDIT, IDC_CIRCLE_RY_EDIT,
                     IDC_CIRCLE_START_EDIT, IDC_CIRCLE_SWEEP_EDIT})
      circleFields.push_back(Text(circle, edit));
    // Out of its range the field goes to the range's end, as the line panel's do; the circle follows.
    TypeInto(circle, IDC_CIRCLE_RX_EDIT, L"150", GetDlgItem(circle, IDC_CIRCLE_CX_EDIT));
    rejectedRadius = Text(circle, IDC_CIRCLE_RX_EDIT);
    TypeInto(circle, IDC_CIRCLE_RY_EDIT, L"90", GetDlgItem(circle, IDC_CIRCLE_CX_EDIT));
    circleAfterTyping = editor.Layout().GetPoints();
    Click(e, IDC_MODE_LINE);
    lineShownAgain = IsWindowVisible(line) && !IsWindowVisible(circle);
    lineAgain = editor.Layout().GetPoints();
    ClickCanvas(canvas, 30, 30);
    Click(e, IDC_MODE_LINE);  // the mode already chosen: the path starts again too
    lineAfterSecondClick = editor.Layout().GetPoints();
    ClickButton(e, IDCANCEL);
  });
  editor.DoModal();
  ASSERT_TRUE(script.Found());
  EXPECT_EQ(drawn.size(), 3u);
  EXPECT_TRUE(circleShown);
  EXPECT_EQ(circleFields, (std::vector<std::wstring>{L"50", L"50", L"73", L"73", L"0", L"360"}));
  EXPECT_EQ(rejectedRadius, L"100");
  EXPECT_EQ(circleAfterTyping, (Points{{50, 50}, {100, 90}, {0, 360}}));
  EXPECT_TRUE(lineShownAgain);
  EXPECT_EQ(lineAgain, (Points{{0, 0}, {0, 100}}));
  EXPECT_EQ(lineAfterSecondClick, (Points{{0, 0}, {0, 100}}));
}

// Runs a generator from the line panel: item 0 "線", 1 "多角形"; `fields` are typed before OK.
Points Generate(int item, const std::wstring& caption, const std::map<int, std::wstring>& fields) {
  CLayoutDialog editor(nullptr);
  WindowScript script(kLayoutEditor, [&](HWND e) {
    HWND line = PageWith(e, IDC_POINT_LIST);
    SendDlgItemMessageW(line, IDC_SOURCE_KIND, CB_SETCURSEL, item, 0);
    PostMessageW(line, WM_COMMAND, MAKEWPARAM(IDC_PLACE_POINTS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(line, IDC_PLACE_POINTS)));
    HWND generator = AwaitWindow(caption);
    for (const auto& [edit, text] : fields)
      SendDlgItemMessageW(generator, edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageW(generator, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(generator); });
    Settle(e);
    const int listed = static_cast<int>(SendDlgItemMessageW(line, IDC_POINT_LIST, LB_GETCOUNT, 0, 0));
    if (listed != static_cast<int>(editor.Layout().GetPoints().size())) editor.Layout().GetPoints().clear();
    ClickButton(e, IDCANCEL);
  });
  editor.DoModal();
  return script.Found() ? editor.Layout().GetPoints() : Points{};
}

TEST_F(EditorTest, GeneratorsReplaceThePathWithTheirPoints) {
  EXPECT_EQ(Generate(0, L"線の配置", {}), (Points{{50, 0}, {50, 100}}));
  EXPECT_EQ(Generate(0, L"線の配置",
                     {{IDC_LINE_START_X_EDIT, L"0"},
                      {IDC_LINE_START_Y_EDIT, L"0"},
                      {IDC_LINE_END_X_EDIT, L"100"},
                      {IDC_LINE_END_Y_EDIT, L"50"},
                      {IDC_DIVISIONS_EDIT, L"4"}}),
            (Points{{0, 0}, {25, 13}, {50, 25}, {75, 38}, {100, 50}}));
  EXPECT_EQ(Generate(1, L"多角形", {{IDC_VERTICES_EDIT, L"4"}}),
            (Points{{50, -25}, {125, 50}, {50, 125}, {-25, 50}, {49, -25}}));
  const Points sides = Generate(1, L"多角形", {{IDC_VERTICES_EDIT, L"4"}, {IDC_DIVISIONS_EDIT, L"2"}});
  ASSERT_EQ(sides.size(), 9u);
  EXPECT_EQ(sides[1], (Point{88, 13}));
  const Points circle = Generate(1, L"多角形", {});
  ASSERT_EQ(circle.size(), 37u);
  EXPECT_EQ(circle.front(), (Point{50, -25}));
  EXPECT_EQ(circle.back(), (Point{49, -25}));
}

TEST_F(EditorTest, GeneratorFieldsOutOfRangeGoToTheRangesEndAndCancelChangesNothing) {
  CLayoutDialog editor(nullptr);
  std::wstring clamped, divisions, accepted;
  WindowScript script(kLayoutEditor, [&](HWND e) {
    HWND line = PageWith(e, IDC_POINT_LIST);
    SendDlgItemMessageW(line, IDC_SOURCE_KIND, CB_SETCURSEL, 0, 0);
    PostMessageW(line, WM_COMMAND, MAKEWPARAM(IDC_PLACE_POINTS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(line, IDC_PLACE_POINTS)));
    HWND generator = AwaitWindow(L"線の配置");
    TypeInto(generator, IDC_LINE_START_X_EDIT, L"600", GetDlgItem(generator, IDC_DIVISIONS_EDIT));
    clamped = Text(generator, IDC_LINE_START_X_EDIT);
    TypeInto(generator, IDC_DIVISIONS_EDIT, L"0", GetDlgItem(generator, IDC_LINE_START_X_EDIT));
    divisions = Text(generator, IDC_DIVISIONS_EDIT);
    TypeInto(generator, IDC_LINE_END_Y_EDIT, L" -200", GetDlgItem(generator, IDC_LINE_START_X_EDIT));
    accepted = Text(generator, IDC_LINE_END_Y_EDIT);
    PostMessageW(generator, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(generator); });
    Settle(e);
    ClickButton(e, IDCANCEL);
  });
  editor.DoModal();
  ASSERT_TRUE(script.Found());
  EXPECT_EQ(clamped, L"200");  // the end of the range, as in the editor's own fields
  EXPECT_EQ(divisions, L"1");
  EXPECT_EQ(accepted, L"-200");
  EXPECT_EQ(editor.Layout().GetPoints(), (Points{{0, 0}, {0, 100}}));
}

BOOL CALLBACK FindFileDialog(HWND window, LPARAM out) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (process != GetCurrentProcessId() || std::wstring(name) != L"#32770" || !IsWindowVisible(window) ||
      testhost::WindowText(window) == kLayoutEditor)
    return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

// Imports `path` through the line panel's "ファイル" and the open-file dialog, then runs `after`
// (with the editor and its line panel) before cancelling.
Points Import(const std::string& path, testhost::MessageBoxWatcher* boxes = nullptr, HWND* editorWindow = nullptr,
              const std::function<void(HWND, HWND)>& after = nullptr) {
  CLayoutDialog editor(nullptr);
  WindowScript script(kLayoutEditor, [&](HWND e) {
    if (editorWindow) *editorWindow = e;
    HWND line = PageWith(e, IDC_POINT_LIST);
    SendDlgItemMessageW(line, IDC_SOURCE_KIND, CB_SETCURSEL, 2, 0);
    PostMessageW(line, WM_COMMAND, MAKEWPARAM(IDC_PLACE_POINTS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(line, IDC_PLACE_POINTS)));
    HWND files = nullptr;
    WaitUntil([&] { return EnumWindows(FindFileDialog, reinterpret_cast<LPARAM>(&files)), files != nullptr; });
    if (!files) return;
    constexpr int kFileNameBox = 0x47c;  // the file name's combo box of the standard dialog
    SetDlgItemTextW(files, kFileNameBox, Widen(path).c_str());
    PostMessageW(files, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(files); });
    if (boxes) AwaitAnswered(*boxes, 1, e);
    Settle(e);
    if (after) after(e, line);
    ClickButton(e, IDCANCEL);
  });
  editor.DoModal();
  return script.Found() ? editor.Layout().GetPoints() : Points{{-1, -1}};
}

TEST_F(EditorTest, PointFilesReplaceThePathAndShortOnesLeaveTheDefault) {
  const std::string four = folder.File("four.csv"), one = folder.File("one.csv"), wide = folder.File("wide.csv");
  std::ofstream(four) << "10,20\n30, 40\n\n50,60\n";
  std::ofstream(one) << "10,20\n";
  std::ofstream(wide, std::ios::binary) << std::string(
      "\xFF\xFE"
      "1\0,\0"
      "2\0",
      8);  // UTF-16
  EXPECT_EQ(Import(four), (Points{{10, 20}, {30, 40}}));
  EXPECT_EQ(Import(one), (Points{{0, 0}, {0, 100}}));

  // A file that cannot be read is reported, with the editor as the message's owner, and the
  // path stays as it was.
  testhost::MessageBoxWatcher boxes;
  HWND editor = nullptr;
  EXPECT_EQ(Import(wide, &boxes, &editor), (Points{{0, 0}, {0, 100}}));
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].caption, L"ファイル読み込みエラー");
  EXPECT_EQ(seen[0].owner, editor);
}

TEST_F(EditorTest, ImportedPointsKeepToOneRangeAndSelectingThemChangesNothing) {
  const std::string outside = folder.File("outside.csv");
  std::ofstream(outside) << "0,0\n600,-20\n-9000,9000\n";
  testhost::MessageBoxWatcher boxes;
  EXPECT_EQ(Import(outside, &boxes), (Points{{0, 0}, {500, -20}, {-500, 500}}));
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);  // the import says that it moved points
  EXPECT_NE(seen[0].text.find(L"2 個の点が範囲 (-500～500) の外にあったため"), std::wstring::npos);

  // Selecting each point in the list (the fields show it) leaves every point as it was.
  testhost::MessageBoxWatcher moreBoxes;
  const Points selected = Import(outside, &moreBoxes, nullptr, [](HWND e, HWND line) {
    for (int i = 2; i >= 0; --i) {
      SendDlgItemMessageW(line, IDC_POINT_LIST, LB_SETCURSEL, i, 0);
      SendMessageW(line, WM_COMMAND, MAKEWPARAM(IDC_POINT_LIST, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(GetDlgItem(line, IDC_POINT_LIST)));
    }
    Settle(e);
  });
  EXPECT_EQ(selected, (Points{{0, 0}, {500, -20}, {-500, 500}}));
}

TEST_F(EditorTest, DeleteInANumberFieldEditsTheNumberNotThePath) {
  CLayoutDialog editor(nullptr);
  size_t afterBoth = 0;
  WindowScript script(kLayoutEditor, [&](HWND e) {
    HWND canvas = GetDlgItem(e, IDC_LAYOUT_EDITOR_CANVAS);
    const SIZE size = InnerSize(canvas);
    ClickCanvas(canvas, size.cx / 2, size.cy / 2);  // four points
    ClickCanvas(canvas, size.cx / 3, size.cy / 2);
    HWND line = PageWith(e, IDC_POINT_LIST);
    HWND x = GetDlgItem(line, IDC_POINT_X_EDIT), list = GetDlgItem(line, IDC_POINT_LIST);
    // Delete typed in the X field, then in the point list: only the second removes a point (the
    // keys are handled in order, so once the list's has been, the field's has too).
    PostMessageW(x, WM_KEYDOWN, VK_DELETE, 1);
    PostMessageW(list, WM_KEYDOWN, VK_DELETE, 1);
    WaitUntil([&] { return editor.Layout().GetPoints().size() < 4; });
    Sleep(200);
    Settle(e);
    afterBoth = editor.Layout().GetPoints().size();
    ClickButton(e, IDCANCEL);
  });
  editor.DoModal();
  ASSERT_TRUE(script.Found());
  EXPECT_EQ(afterBoth, 3u);
}

TEST_F(EditorTest, ALargeImportFillsTheListWhole) {
  const std::string big = folder.File("big.csv");
  {
    std::ofstream out(big);
    for (int i = 0; i < 20000; ++i) out << i % 100 << "," << i / 200 << "\n";
  }
  int listed = 0;
  const Points points = Import(big, nullptr, nullptr, [&](HWND, HWND line) {
    listed = static_cast<int>(SendDlgItemMessageW(line, IDC_POINT_LIST, LB_GETCOUNT, 0, 0));
  });
  EXPECT_EQ(listed, 20000);
  ASSERT_EQ(points.size(), 20000u);
  EXPECT_EQ(points.back(), (Point{99, 99}));
}

TEST_F(EditorTest, RulerEditorInsertsJoinsAndStoresTheRuler) {
  testhost::MessageBoxWatcher boxes;
  CRulerData stored;
  CRulerDialog editor(nullptr);
  bool straightChecked = false, openAfterKeys = false;
  std::wstring storeCaption;
  bool storedAfterCancel = true;
  HWND editorWindow = nullptr;
  WindowScript script(kRulerEditor, [&](HWND e) {
    editorWindow = e;
    straightChecked = Checked(e, IDC_JOIN_STRAIGHT) && !Checked(e, IDC_JOIN_CURVE);
    HWND canvas = GetDlgItem(e, IDC_RULER_EDITOR_CANVAS);
    const SIZE size = InnerSize(canvas);
    // Halfway across, a quarter of the height above the middle line.
    ClickCanvas(canvas, 5 + (size.cx - 10) / 2 + 1, size.cy / 2 - size.cy / 4);
    Click(e, IDC_JOIN_CURVE);
    // Ctrl+S on a button asks for a name; cancelled, nothing is stored.
    Focus(GetDlgItem(e, IDC_STORE_IN_LIST));
    storeCaption = AnswerNameEntry(
        e, [&] { PostMessageW(GetDlgItem(e, IDC_STORE_IN_LIST), WM_KEYDOWN, 'S', 1); }, nullptr);
    storedAfterCancel = !ListRecordNames(RecordKind::Ruler).empty();
    // The reserved name is refused in a message owned by the editor.
    AnswerNameEntry(
        e, [&] { PostMessageW(e, WM_COMMAND, MAKEWPARAM(IDC_STORE_IN_LIST, BN_CLICKED), 0); }, L"latest");
    AwaitAnswered(boxes, 1, e);
    AnswerNameEntry(
        e, [&] { PostMessageW(e, WM_COMMAND, MAKEWPARAM(IDC_STORE_IN_LIST, BN_CLICKED), 0); }, L"peak");
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) PostMessageW(GetDlgItem(e, IDC_STORE_IN_LIST), WM_KEYDOWN, key, 1);
    Settle(e);
    openAfterKeys = FindProcessWindow(kRulerEditor) == e;
    ClickButton(e, IDOK);
  });
  {
    HeldKeys ctrl({VK_CONTROL});
    EXPECT_EQ(editor.DoModal(), IDOK);
  }
  ASSERT_TRUE(script.Found());
  EXPECT_TRUE(straightChecked);
  EXPECT_EQ(storeCaption, kStoreBox);
  EXPECT_FALSE(storedAfterCancel);
  EXPECT_TRUE(openAfterKeys);
  const Points& points = editor.Ruler().GetPoints();
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0], (Point{0, 0}));
  EXPECT_EQ(points[1].x, 50);
  EXPECT_LT(points[1].y, 0);
  EXPECT_EQ(points[2], (Point{100, 0}));
  EXPECT_EQ(editor.Ruler().GetMode(), CRulerData::kCurve);
  // OK stored it as "latest"; "peak" holds it too.
  for (const char* name : {kLatestName, "peak"}) {
    ASSERT_TRUE(stored.Load(name)) << name;
    EXPECT_EQ(stored.GetPoints(), points) << name;
    EXPECT_EQ(stored.GetMode(), CRulerData::kCurve) << name;
  }
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].owner, editorWindow);
  EXPECT_EQ(MessageOwner(), nullptr);  // the closed editor gave the role back
}

class EditorsFromSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    params.layerImage = &layer;
    params.mergedImage = &merged;
    params.seed = kSeed;
    CPresetData latest;
    latest.antialias = 1;
    latest.interval = 8;
    latest.length = 50;
    latest.thickness = 5;
    ASSERT_TRUE(latest.Save(kLatestName, true));
  }
  void TearDown() override { EXPECT_EQ(CSettingDialog::PresetWritesDuringRender(), 0); }

  TempDataFolder folder;
  Bitmap layer = Pattern(160, 120, 10);
  Bitmap merged = Pattern(160, 120, 200);
  SettingDialogParams params;
};

TEST_F(EditorsFromSettingsTest, ANewCurvedRulerReachesThePresetTheListsAndTheRender) {
  CSettingDialog dialog(params);
  int rulerSelection = -1, presetSelection = -1, rulerCount = 0, cancelledSelection = -1, rendersBefore = 0;
  int rendersAfterCancel = -1;
  Points editorPoints;
  WindowScript script(L"Korvane : Lumbra", [&](HWND d) {
    WaitUntil([&] { return dialog.RenderCount() > 0; });
    ShowTab(d, 1);
    HWND page = PageWith(d, IDC_RULER_LIST);
    // Cancelled first: the list returns to its choice and nothing renders.
    rendersBefore = dialog.RenderCount();
    ChooseLater(page, IDC_RULER_LIST, static_cast<int>(Entries(page, IDC_RULER_LIST).size()) - 1);
    HWND editor = AwaitWindow(kRulerEditor);
    CloseEditor(editor, IDCANCEL, d);
    cancelledSelection = Selection(page, IDC_RULER_LIST);
    rendersAfterCancel = dialog.RenderCount();

    ChooseLater(page, IDC_RULER_LIST, static_cast<int>(Entries(page, IDC_RULER_LIST).size()) - 1);
    editor = AwaitWindow(kRulerEditor);
    HWND canvas = GetDlgItem(editor, IDC_RULER_EDITOR_CANVAS);
    const SIZE size = InnerSize(canvas);
    ClickCanvas(canvas, size.cx / 3, size.cy / 4);
    ClickCanvas(canvas, 2 * size.cx / 3, 3 * size.cy / 4);
    Click(editor, IDC_JOIN_CURVE);
    CloseEditor(editor, IDOK, d);
    rulerCount = static_cast<int>(Entries(page, IDC_RULER_LIST).size());
    rulerSelection = Selection(page, IDC_RULER_LIST);
    presetSelection = Selection(d, IDC_PRESET_LIST);
    ClickButton(d, IDC_APPLY);
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  ASSERT_TRUE(script.Found());
  EXPECT_EQ(cancelledSelection, 0);
  EXPECT_EQ(rendersAfterCancel, rendersBefore);
  EXPECT_EQ(rulerCount, 2);
  EXPECT_EQ(rulerSelection, 0);   // "<最新の設定>"
  EXPECT_EQ(presetSelection, 0);  // "<最新の設定>"

  // The preset holds the drawn ruler, "latest" holds it, and the picture was drawn with it.
  const CRulerData& ruler = dialog.Preset().ruler;
  EXPECT_EQ(ruler.GetPoints().size(), 4u);
  EXPECT_EQ(ruler.GetMode(), CRulerData::kCurve);
  CRulerData latest;
  ASSERT_TRUE(latest.Load(kLatestName));
  EXPECT_EQ(latest.GetPoints(), ruler.GetPoints());
  CPresetData savedPreset;
  ASSERT_TRUE(savedPreset.Load(kLatestName));
  EXPECT_EQ(savedPreset.ruler.GetPoints(), ruler.GetPoints());

  std::unique_ptr<Bitmap> result = dialog.TakeResult();
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(DifferingPixels(*result, ComposedRender(layer, dialog.Preset(), kSeed)), 0);
}

TEST_F(EditorsFromSettingsTest, ACircleStoredUnderANameIsListedAndChosen) {
  testhost::MessageBoxWatcher boxes;
  CSettingDialog dialog(params);
  std::vector<std::wstring> afterEditor;
  int selectionAfterEditor = -1;
  Points chosen;
  uint8_t chosenMode = 0;
  HWND settingsWindow = nullptr;
  WindowScript script(L"Korvane : Lumbra", [&](HWND d) {
    settingsWindow = d;
    WaitUntil([&] { return dialog.RenderCount() > 0; });
    HWND page = PageWith(d, IDC_LAYOUT_LIST);
    ChooseLater(page, IDC_LAYOUT_LIST, static_cast<int>(Entries(page, IDC_LAYOUT_LIST).size()) - 1);
    HWND editor = AwaitWindow(kLayoutEditor);
    Click(editor, IDC_MODE_CIRCLE);
    HWND circle = PageWith(editor, IDC_CIRCLE_CX_EDIT);
    TypeInto(circle, IDC_CIRCLE_CX_EDIT, L"30", GetDlgItem(circle, IDC_CIRCLE_CY_EDIT));
    AnswerNameEntry(
        editor, [&] { PostMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_STORE_IN_LIST, BN_CLICKED), 0); }, L"ring");
    CloseEditor(editor, IDCANCEL, d);  // stored, then cancelled: the list still shows it
    afterEditor = Entries(page, IDC_LAYOUT_LIST);
    selectionAfterEditor = Selection(page, IDC_LAYOUT_LIST);
    Choose(page, IDC_LAYOUT_LIST, 0);
    chosen = dialog.Preset().layout.GetPoints();
    chosenMode = dialog.Preset().layout.GetMode();
    // After the editor has closed, a message belongs to the settings dialog: saving the preset
    // under the reserved name is refused.
    AnswerNameEntry(
        d, [&] { PostMessageW(GetDlgItem(page, IDC_LAYOUT_LIST), WM_KEYDOWN, 'S', 1); }, L"latest",
        L"プリセットの保存");
    AwaitAnswered(boxes, 1, d);
    ClickButton(d, IDC_CANCEL);
  });
  {
    HeldKeys ctrl({VK_CONTROL});
    dialog.DoModal();
  }
  ASSERT_TRUE(script.Found());
  EXPECT_EQ(afterEditor, (std::vector<std::wstring>{L"ring", L"<最新の設定>", L"<新規作成>"}));
  EXPECT_EQ(selectionAfterEditor, 1);
  EXPECT_EQ(chosen, (Points{{30, 50}, {73, 73}, {0, 360}}));
  EXPECT_EQ(chosenMode, CLayoutData::kCircle);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].owner, settingsWindow);
}

}  // namespace
}  // namespace lumbra
