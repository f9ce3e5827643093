// The canvas window on a real static control, with a real list box and spin buttons beside it as
// the layout editor's panels have them; mouse and keys arrive as window messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "data/LayoutData.h"
#include "data/RulerData.h"
#include "resources/resource.h"
#include "ui/editors/LayoutWindow.h"
#include "ui/framework/Module.h"

namespace lumbra {
namespace {

using Points = std::vector<Point>;

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// A window holding a 402 x 362 black frame (400 x 360 inside its border), a list box and spins.
class CanvasHost {
 public:
  CanvasHost() {
    parent =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr, nullptr, nullptr, nullptr);
    frame = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 10, 10, 402, 362, parent,
                            reinterpret_cast<HMENU>(1040), nullptr, nullptr);
    list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 420, 10, 100, 200, parent, nullptr,
                           nullptr, nullptr);
    for (int i = 0; i < 8; ++i) spins[i] = Spin(420 + (i % 4) * 60, 220 + (i / 4) * 30);
  }
  ~CanvasHost() { DestroyWindow(parent); }

  HWND Spin(int x, int y) const {
    HWND edit =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, x, y, 40, 20, parent, nullptr, nullptr, nullptr);
    HWND spin = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 0, 0,
                                0, 0, parent, nullptr, nullptr, nullptr);
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    SendMessageW(spin, UDM_SETRANGE32, -500, 500);
    return spin;
  }
  static int Position(HWND spin) { return static_cast<int>(SendMessageW(spin, UDM_GETPOS32, 0, 0)); }
  int ListCount() const { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }
  int ListSelection() const { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageW(frame, message, wParam, lParam);
  }

  // The layout editor's frame on this canvas.
  void AttachLayout(CLayoutWindow& canvas, CLayoutData& layout) const {
    canvas.SetData(true, true, &layout);
    canvas.AttachDlgItem(parent, 1040);
    canvas.SetDrawRect(100, 90, 300, 270);
    canvas.SetLimitRect(-500, -500, 500, 500);
  }

  HWND parent, frame, list;
  HWND spins[8];
};

HCURSOR Cursor(int id) { return LoadCursorW(PluginModule(), MAKEINTRESOURCEW(id)); }

TEST(CanvasCursors, AreThirtyTwoSquareMonochromeWithTheHotSpotAtTheTip) {
  std::vector<std::vector<uint8_t>> masks;
  for (int id : {IDR_CURSOR_ADD, IDR_CURSOR_DELETE, IDR_CURSOR_MOVE}) {
    HCURSOR cursor = Cursor(id);
    ASSERT_NE(cursor, nullptr) << id;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 1u);
    EXPECT_EQ(info.yHotspot, 1u);
    EXPECT_EQ(info.hbmColor, nullptr);  // monochrome: both masks in one bitmap
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64);
    std::vector<uint8_t> bits(static_cast<size_t>(mask.bmWidthBytes) * 64);
    GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data());
    masks.push_back(bits);
    // The arrow's tip: drawn (not transparent) at the hot spot, transparent in the corner.
    const auto transparent = [&](int x, int y) { return (bits[y * mask.bmWidthBytes + x / 8] >> (7 - x % 8)) & 1; };
    EXPECT_EQ(transparent(1, 1), 0);
    EXPECT_EQ(transparent(31, 0), 1);
    DeleteObject(info.hbmMask);
  }
  EXPECT_NE(masks[0], masks[1]);
  EXPECT_NE(masks[1], masks[2]);
  EXPECT_NE(masks[0], masks[2]);
}

TEST(CanvasWindow, PaintsItsBufferInsideADarkFrame) {
  CanvasHost host;
  CRulerData ruler;
  CLayoutWindow canvas;
  canvas.SetData(false, false, &ruler);
  ASSERT_TRUE(canvas.AttachDlgItem(host.parent, 1040));
  ASSERT_NE(canvas.Buffer(), nullptr);
  EXPECT_EQ(canvas.Buffer()->Width(), 400);
  EXPECT_EQ(canvas.Buffer()->Height(), 360);
  EXPECT_NE(GetWindowLongPtrW(host.frame, GWL_STYLE) & SS_NOTIFY, 0);
  canvas.SetDrawRect(5, 180, 395, 355);
  canvas.Redraw();
  UpdateWindow(host.frame);
  HDC dc = GetDC(host.frame);
  const COLORREF frame = GetSysColor(COLOR_3DDKSHADOW);
  EXPECT_EQ(GetPixel(dc, 0, 0), frame);
  EXPECT_EQ(GetPixel(dc, 401, 361), frame);
  int differing = 0;
  for (int y = 0; y < 360; y += 7)
    for (int x = 0; x < 400; x += 5) {
      const uint32_t argb = canvas.Buffer()->GetPixel(x, y);
      differing += GetPixel(dc, x + 1, y + 1) != RGB(argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF);
    }
  ReleaseDC(host.frame, dc);
  EXPECT_EQ(differing, 0);

  // A resize makes a buffer of the new size and draws into it at once.
  SetWindowPos(host.frame, nullptr, 0, 0, 202, 102, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(canvas.Buffer()->Width(), 200);
  EXPECT_EQ(canvas.Buffer()->Height(), 100);
  EXPECT_EQ(canvas.Buffer()->GetPixel(0, 0), 0xFFFFFFFFu);  // drawn: the white ground
}

TEST(CanvasWindow, LineModeKeepsThePointListAndFieldsInStep) {
  CanvasHost host;
  CLayoutData layout;  // (0, 0), (0, 100)
  CLayoutWindow canvas;
  host.AttachLayout(canvas, layout);
  canvas.SetControls(host.list, host.spins[0], host.spins[1], {});
  EXPECT_EQ(host.ListCount(), 2);
  EXPECT_EQ(host.ListSelection(), 0);
  EXPECT_EQ(CanvasHost::Position(host.spins[1]), 0);

  // A press on empty space adds the point at the end and starts dragging it.
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(200, 180));
  EXPECT_EQ(layout.GetPoints(), (Points{{0, 0}, {0, 100}, {50, 50}}));
  EXPECT_EQ(host.ListCount(), 3);
  EXPECT_EQ(host.ListSelection(), 2);
  EXPECT_EQ(GetCapture(), host.frame);
  host.Send(WM_MOUSEMOVE, MK_LBUTTON, At(250, 200));
  EXPECT_EQ(layout.GetPoints()[2], (Point{75, 61}));
  EXPECT_EQ(CanvasHost::Position(host.spins[0]), 75);
  EXPECT_EQ(CanvasHost::Position(host.spins[1]), 61);
  host.Send(WM_LBUTTONUP, 0, At(250, 200));
  EXPECT_EQ(GetCapture(), nullptr);

  // The fields and the list drive the canvas too.
  SendMessageW(host.list, LB_SETCURSEL, 1, 0);
  canvas.SyncFromListSelection();
  EXPECT_EQ(canvas.Model().Selected(), 1);
  EXPECT_EQ(CanvasHost::Position(host.spins[1]), 100);
  canvas.SetSelectedPoint(-20, 300);
  EXPECT_EQ(layout.GetPoints()[1], (Point{-20, 300}));

  // Ctrl+press on the first point (client 100..104, 90..94) deletes it; the Delete key stops
  // at two points.
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, At(104, 94));
  host.Send(WM_LBUTTONUP, 0, At(104, 94));
  EXPECT_EQ(layout.GetPoints(), (Points{{-20, 300}, {75, 61}}));
  EXPECT_EQ(host.ListCount(), 2);
  SendMessageW(host.list, LB_SETCURSEL, 0, 0);
  canvas.HandleKeyDown(VK_DELETE, host.list);
  EXPECT_EQ(layout.GetPoints().size(), 2u);
  EXPECT_EQ(host.ListCount(), 2);
}

TEST(CanvasWindow, CircleDragsFillTheCircleFieldsAndTheFieldsRebuildTheCircle) {
  CanvasHost host;
  CLayoutData layout;
  layout.SetDefaultCircle();
  CLayoutWindow canvas;
  host.AttachLayout(canvas, layout);
  const CLayoutWindow::CircleSpins circle{host.spins[2], host.spins[3], host.spins[4],
                                          host.spins[5], host.spins[6], host.spins[7]};
  SendMessageW(host.spins[7], UDM_SETRANGE32, -360, 360);
  canvas.SetControls(nullptr, nullptr, nullptr, circle);
  canvas.LoadCircleToPanel();
  std::vector<int> fields;
  for (int i = 2; i < 8; ++i) fields.push_back(CanvasHost::Position(host.spins[i]));
  EXPECT_EQ(fields, (std::vector<int>{50, 50, 73, 73, 0, 360}));

  // Handle 3 (123, 123) is at client (346, 311); dragged onto the centre it stops 5 units away.
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(347, 312));
  host.Send(WM_MOUSEMOVE, MK_LBUTTON, At(200, 180));
  host.Send(WM_LBUTTONUP, 0, At(200, 180));
  EXPECT_EQ(layout.GetPoints()[1], (Point{5, 5}));
  EXPECT_EQ(CanvasHost::Position(host.spins[4]), 5);
  EXPECT_EQ(CanvasHost::Position(host.spins[5]), 5);

  SendMessageW(host.spins[6], UDM_SETPOS32, 0, 90);
  canvas.RebuildCircleFromPanel();
  EXPECT_EQ(layout.GetPoints(), (Points{{50, 50}, {5, 5}, {90, 360}}));
}

TEST(CanvasWindow, EditableCanvasesShowTheirOwnCursorsDisplayOnlyOnesIgnoreTheMouse) {
  CanvasHost host;
  CLayoutData layout;
  layout.GetPoints() = {{0, 0}, {50, 50}, {100, 100}};
  CLayoutWindow canvas;
  host.AttachLayout(canvas, layout);
  canvas.Redraw();
  const LPARAM cursorMessage = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  host.Send(WM_MOUSEMOVE, 0, At(30, 30));
  EXPECT_EQ(host.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(host.frame), cursorMessage), TRUE);
  EXPECT_EQ(GetCursor(), Cursor(IDR_CURSOR_ADD));
  host.Send(WM_MOUSEMOVE, 0, At(201, 181));  // over (50, 50)
  host.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(host.frame), cursorMessage);
  EXPECT_EQ(GetCursor(), Cursor(IDR_CURSOR_MOVE));
  host.Send(WM_MOUSEMOVE, MK_CONTROL, At(201, 181));
  host.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(host.frame), cursorMessage);
  EXPECT_EQ(GetCursor(), Cursor(IDR_CURSOR_DELETE));

  CLayoutData shown;
  canvas.SetData(true, false, &shown);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  host.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(host.frame), cursorMessage);
  EXPECT_NE(GetCursor(), Cursor(IDR_CURSOR_ADD));
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, At(30, 30));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(shown.GetPoints(), (Points{{0, 0}, {0, 100}}));
}

}  // namespace
}  // namespace lumbra
