// The preview box in a real window under wine, driven by its messages and checked through its
// scroll bars, its click notification and the pixels on the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "testhost/Automation.h"
#include "ui/settings/PictureBoxEx.h"

namespace lumbra {
namespace {

constexpr int kBoxId = 1000;
int g_clicks = 0;  // STN_CLICKED from the box at its parent

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && wParam == MAKEWPARAM(kBoxId, STN_CLICKED)) ++g_clicks;
  return DefWindowProcW(window, message, wParam, lParam);
}

uint32_t Rgb(COLORREF c) { return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c); }
uint32_t Marker(int u, int v) { return (static_cast<uint32_t>(u % 256) << 16) | ((v % 256) << 8) | 0x80; }

std::unique_ptr<Bitmap> Image(int width, int height, bool marked = true) {
  auto image = std::make_unique<Bitmap>(width, height);
  for (int v = 0; v < height && marked; ++v)
    for (int u = 0; u < width; ++u) image->SetPixel(u, v, 0xFF000000u | Marker(u, v));
  return image;
}

// Private memory the process has committed.
size_t CommittedBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION m{};
  for (const char* p = nullptr; VirtualQuery(p, &m, sizeof(m)) == sizeof(m);
       p = static_cast<const char*>(m.BaseAddress) + m.RegionSize)
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) total += m.RegionSize;
  return total;
}

class PictureBox : public ::testing::Test {
 protected:
  // A visible 640 x 480 parent with a width x height static frame at (10, 10) (as in the dialog), taken over.
  void Open(int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = L"LumbraPictureBoxTest";
    RegisterClassW(&wc);  // once per process; later calls fail harmlessly
    g_clicks = 0;
    parent_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                              nullptr, nullptr);
    box_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 10, 10, width, height, parent_,
                           reinterpret_cast<HMENU>(kBoxId), nullptr, nullptr);
    ASSERT_TRUE(picture_.Attach(box_));
    for (HWND child = GetWindow(box_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      (GetWindowLongPtrW(child, GWL_STYLE) & SBS_VERT ? vbar_ : hbar_) = child;
    ASSERT_TRUE(hbar_ && vbar_);
  }
  void TearDown() override { DestroyWindow(parent_); }

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam = 0) { return SendMessageW(box_, message, wParam, lParam); }
  void Zoom(float zoom) { Send(CPictureBoxEx::kSetZoomMessage, reinterpret_cast<WPARAM>(&zoom)); }
  void Show(std::unique_ptr<Bitmap> image) {
    Send(CPictureBoxEx::kSetImageMessage, reinterpret_cast<WPARAM>(image.release()));
  }
  void Scroll(HWND bar, WORD request, WORD track = 0) {
    Send(bar == hbar_ ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(request, track), reinterpret_cast<LPARAM>(bar));
  }
  void Mouse(UINT message, int x, int y) { Send(message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y)); }
  static int Pos(HWND bar) { return GetScrollPos(bar, SB_CTL); }
  static bool Shown(HWND bar) { return (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) != 0; }
  static RECT Place(HWND bar) {  // in the box's client coordinates
    RECT r{};
    GetWindowRect(bar, &r);
    MapWindowPoints(nullptr, GetParent(bar), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  // The box's pixel at (x, y) as the screen shows it, 0x00RRGGBB.
  uint32_t Pixel(int x, int y) {
    if (shot_.empty()) {
      RedrawWindow(box_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      HDC dc = GetDC(box_), memory = CreateCompatibleDC(dc);
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), 640, -480, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      void* bits = nullptr;
      HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      HGDIOBJ old = SelectObject(memory, dib);
      BitBlt(memory, 0, 0, 640, 480, dc, 0, 0, SRCCOPY);
      GdiFlush();
      shot_.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + 640 * 480);
      SelectObject(memory, old);
      DeleteObject(dib);
      DeleteDC(memory);
      ReleaseDC(box_, dc);
    }
    return shot_[static_cast<size_t>(y) * 640 + x] & 0xFFFFFFu;
  }
  void Changed() { shot_.clear(); }

  const int v_ = GetSystemMetrics(SM_CXVSCROLL), h_ = GetSystemMetrics(SM_CYHSCROLL);
  const uint32_t face_ = Rgb(GetSysColor(COLOR_BTNFACE));
  CPictureBoxEx picture_;
  HWND parent_ = nullptr, box_ = nullptr, hbar_ = nullptr, vbar_ = nullptr;
  std::vector<uint32_t> shot_;
};

TEST_F(PictureBox, AttachingAddsTheBarsInsideADarkFrame) {
  Open(302, 202);
  EXPECT_TRUE(GetWindowLongPtrW(box_, GWL_STYLE) & SS_NOTIFY);
  EXPECT_TRUE(Shown(hbar_) && Shown(vbar_));
  const RECT vr = Place(vbar_), hr = Place(hbar_);
  EXPECT_EQ(vr.left, 302 - v_ - 1);
  EXPECT_EQ(vr.bottom, 202 - h_ - 1);
  EXPECT_EQ(hr.top, 202 - h_ - 1);
  EXPECT_EQ(hr.right, 302 - v_ - 1);
  EXPECT_EQ(Pixel(301, 100), Rgb(GetSysColor(COLOR_3DDKSHADOW)));
  EXPECT_EQ(Pixel(50, 50), face_);
  // Resizing moves the bars along.
  SetWindowPos(box_, nullptr, 0, 0, 402, 252, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Place(vbar_).left, 402 - v_ - 1);
  EXPECT_EQ(Place(hbar_).top, 252 - h_ - 1);
}

TEST_F(PictureBox, SmallImageIsCentredOverTheCheckerboardAtItsZoom) {
  Open(202, 152);
  Show(Image(40, 30, false));  // transparent
  Zoom(2.0f);
  EXPECT_FALSE(Shown(hbar_) || Shown(vbar_));
  // The 80 x 60 image starts at (60, 45) in the view, which starts at (1, 1).
  for (int y = 44; y <= 105; ++y)
    for (int x = 59; x <= 140; ++x) {
      const bool under = x >= 60 && x < 140 && y >= 45 && y < 105;
      ASSERT_EQ(Pixel(x + 1, y + 1), !under                       ? face_
                                     : (x / 15 + y / 15) % 2 == 0 ? 0xD3D3D3u
                                                                  : 0xFFFFFFu)
          << x << "," << y;
    }
  Show(Image(40, 30));
  Changed();
  for (int v = 0; v < 30; ++v)
    for (int u = 0; u < 40; ++u) ASSERT_EQ(Pixel(62 + 2 * u, 47 + 2 * v), Marker(u, v)) << u << "," << v;
}

TEST_F(PictureBox, ScrollRequestsMoveTheirOwnEnabledBar) {
  Open(502, 302);
  Show(Image(1000, 100));
  EXPECT_TRUE(Shown(hbar_));
  EXPECT_FALSE(Shown(vbar_));
  SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(hbar_, SB_CTL, &info);
  EXPECT_EQ(info.nMax, 999);
  EXPECT_EQ(info.nPage, 500u);
  Scroll(hbar_, SB_BOTTOM);
  EXPECT_EQ(Pos(hbar_), 500);
  EXPECT_EQ(Pixel(1, 101), Marker(500, 0));  // centred: (300 - 100) / 2 rows down

  Show(Image(1000, 1000));
  Scroll(hbar_, SB_TOP);
  Scroll(hbar_, SB_PAGEDOWN);
  Scroll(vbar_, SB_PAGEDOWN);
  EXPECT_EQ(Pos(hbar_), 10);
  EXPECT_EQ(Pos(vbar_), 50);
  Scroll(vbar_, SB_THUMBTRACK, 300);
  Scroll(vbar_, SB_LINEUP);
  EXPECT_EQ(Pos(vbar_), 290);
  Changed();
  EXPECT_EQ(Pixel(1, 1), Marker(10, 290));
  Scroll(vbar_, SB_BOTTOM);
  EXPECT_EQ(Pos(vbar_), 1000 - (300 - h_));
  // Requests naming the other bar, or a disabled bar, change nothing.
  Send(WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), reinterpret_cast<LPARAM>(vbar_));
  EnableWindow(hbar_, FALSE);
  Scroll(hbar_, SB_PAGEDOWN);
  EXPECT_EQ(Pos(hbar_), 10);
}

TEST_F(PictureBox, DraggingPansAndEveryPressReportsTheClick) {
  Open(202, 152);
  Show(Image(1000, 1000));
  Mouse(WM_LBUTTONDOWN, 100, 100);
  EXPECT_EQ(GetCapture(), box_);
  EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(box_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEALL));
  Mouse(WM_MOUSEMOVE, 80, 70);
  EXPECT_EQ(Pos(hbar_), 20);
  EXPECT_EQ(Pos(vbar_), 30);
  Mouse(WM_MOUSEMOVE, 90, 150);  // past the top: held at 0
  EXPECT_EQ(Pos(vbar_), 0);
  Mouse(WM_LBUTTONUP, 90, 150);
  EXPECT_EQ(GetCapture(), nullptr);
  Mouse(WM_MOUSEMOVE, 10, 10);
  EXPECT_EQ(Pixel(1, 1), Marker(10, 0));
  EXPECT_EQ(g_clicks, 1);

  // With both bars disabled a press only reports the click.
  EnableWindow(hbar_, FALSE);
  EnableWindow(vbar_, FALSE);
  Mouse(WM_LBUTTONDOWN, 100, 100);
  Mouse(WM_MOUSEMOVE, 20, 20);
  Mouse(WM_LBUTTONUP, 20, 20);
  EXPECT_EQ(Pos(hbar_), 10);
  EXPECT_EQ(g_clicks, 2);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(PictureBox, CursorPositionGivesImagePixels) {
  Open(202, 152);
  Show(Image(1000, 1000));
  Zoom(4.0f);
  Scroll(hbar_, SB_THUMBTRACK, 400);
  POINT point{3, 3};
  ClientToScreen(box_, &point);
  ASSERT_TRUE(SetCursorPos(point.x, point.y));
  picture_.ClientToImage(point);
  EXPECT_EQ(point.x, (3 + 400) / 4);
  EXPECT_EQ(point.y, 0);
}

TEST_F(PictureBox, ImagesReplaceEachOtherNullIsIgnoredZoomIsRaised) {
  Open(202, 152);
  Show(Image(1000, 1000));
  Send(CPictureBoxEx::kSetImageMessage, 0);
  EXPECT_TRUE(Shown(hbar_));
  Zoom(0.001f);
  EXPECT_FLOAT_EQ(picture_.Zoom(), 0.01f);
  EXPECT_FALSE(Shown(hbar_));  // 10 x 10 on the screen

  // Posted as the dialog does; each new picture frees the one before.
  const size_t before = CommittedBytes();
  for (int i = 0; i < 12; ++i) {
    PostMessageW(box_, CPictureBoxEx::kSetImageMessage, reinterpret_cast<WPARAM>(Image(2000, 2000, false).release()),
                 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  EXPECT_LT(CommittedBytes(), before + 64 * 1024 * 1024);  // twelve kept would be 192 MB
  // The last one, transparent, 20 x 20 and centred at (90, 65): checkerboard under it only.
  EXPECT_EQ(Pixel(1 + 90, 1 + 65), 0xD3D3D3u);
  EXPECT_EQ(Pixel(1 + 89, 1 + 65), face_);
}

// Lines over the picture: a picture of an older render than the one shown is dropped, so a
// change while rendering never brings older lines back.
TEST_F(PictureBox, LinesOfAnOlderRenderNeverReplaceNewerOnes) {
  Open(202, 152);
  auto base = std::shared_ptr<const Bitmap>(Image(100, 80, false).release());
  auto lines = [](uint32_t argb) {
    auto layer = std::make_shared<Bitmap>(100, 80);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) layer->SetPixel(x, y, argb);
    return std::shared_ptr<const Bitmap>(layer);
  };
  const auto post = [&](std::shared_ptr<const Bitmap> layer, int generation) {
    PostMessageW(box_, CPictureBoxEx::kSetPictureMessage,
                 reinterpret_cast<WPARAM>(new PreviewPicture{base, std::move(layer), 1.0, generation}), 0);
  };
  post(lines(0xFF0000FFu), 3);
  post(lines(0xFFFF0000u), 2);  // older: dropped
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(picture_.ShownGeneration(), 3);
  EXPECT_EQ(picture_.ImagesShown(), 2);
  EXPECT_EQ(Pixel(1 + 51, 1 + 36), 0x0000FFu);  // the middle of the 100 x 80 picture, centred
  // Posted and never taken (the box going away): freed, none left in the queue.
  post(lines(0xFF00FF00u), 4);
  CPictureBoxEx::DiscardPosted(box_);
  EXPECT_FALSE(
      PeekMessageW(&msg, box_, CPictureBoxEx::kSetPictureMessage, CPictureBoxEx::kSetPictureMessage, PM_NOREMOVE));
}

TEST_F(PictureBox, BackBufferFailureIsReportedToTheParent) {
  testhost::MessageBoxWatcher boxes(IDOK);
  Open(2, 2);                          // no room inside the frame
  ASSERT_EQ(boxes.Seen().size(), 1u);  // the box was modal: answered by now
  EXPECT_EQ(boxes.Seen()[0].text, L"Creating Drawimage Was Failed.");
  EXPECT_EQ(boxes.Seen()[0].caption, L"");
  EXPECT_EQ(boxes.Seen()[0].owner, parent_);
  Show(Image(10, 10));  // nothing to draw into, and no harm
}

}  // namespace
}  // namespace lumbra
