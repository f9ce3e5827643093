// The colour button as the settings dialog has it: an owner-drawn button whose parent forwards
// WM_DRAWITEM, painted into a bitmap and checked by its pixels.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "ui/settings/ColorButton.h"

namespace lumbra {
namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 24;

LRESULT CALLBACK ForwardingParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_DRAWITEM) return DefWindowProcW(window, message, wParam, lParam);
  auto* button = reinterpret_cast<CColorButton*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  button->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  return TRUE;
}

// The button painted (through its parent) into a bitmap, as COLORREF pixels row by row.
std::vector<COLORREF> Painted(HWND button) {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  DWORD* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  std::vector<COLORREF> pixels;
  for (int i = 0; i < kWidth * kHeight; ++i) pixels.push_back(RGB(bits[i] >> 16, bits[i] >> 8, bits[i]));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

// The box (left, top, right, bottom) around the pixels of `color` inside the frames.
RECT BoundsOf(const std::vector<COLORREF>& pixels, COLORREF color) {
  RECT box{kWidth, kHeight, 0, 0};
  for (int y = 3; y < kHeight - 3; ++y)
    for (int x = 3; x < kWidth - 3; ++x)
      if (pixels[y * kWidth + x] == color)
        box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
               std::max<LONG>(box.bottom, y)};
  return box;
}

class ColorButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW parentClass{};
    parentClass.lpfnWndProc = ForwardingParent;
    parentClass.lpszClassName = L"LumbraColorButtonParent";
    RegisterClassW(&parentClass);
    parent_ = CreateWindowExW(0, parentClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, nullptr, nullptr);
    SetWindowLongPtrW(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&button_));
    HWND control = CreateWindowExW(0, L"BUTTON", L"描画色", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, kWidth,
                                   kHeight, parent_, reinterpret_cast<HMENU>(1077), nullptr, nullptr);
    // Glyphs without smoothing: every caption pixel has exactly the caption's colour.
    font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0,
                        L"MS UI Gothic");
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ASSERT_TRUE(button_.Attach(control));
  }
  void TearDown() override {
    DestroyWindow(parent_);
    DeleteObject(font_);
  }
  HWND parent_ = nullptr;
  HFONT font_ = nullptr;
  CColorButton button_;
};

TEST_F(ColorButtonTest, CaptionIsDrawnInTheInverseColour) {
  for (const auto& [color, inverse] : {std::pair{RGB(0, 0, 0), RGB(255, 255, 255)},
                                       {RGB(255, 255, 255), RGB(0, 0, 0)},
                                       {RGB(128, 128, 128), RGB(127, 127, 127)},
                                       {RGB(255, 0, 64), RGB(0, 255, 191)}}) {
    button_.SetColor(color);
    EXPECT_EQ(button_.TextColor(), inverse);
    const auto pixels = Painted(button_.Handle());
    int caption = 0, other = 0;
    for (int y = 3; y < kHeight - 3; ++y) {
      for (int x = 3; x < kWidth - 3; ++x) {
        caption += pixels[y * kWidth + x] == inverse;
        other += pixels[y * kWidth + x] != inverse && pixels[y * kWidth + x] != color;
      }
    }
    EXPECT_GT(caption, 20) << std::hex << color;
    EXPECT_EQ(other, 0) << std::hex << color;
  }
}

TEST_F(ColorButtonTest, PressingSinksTheFrameAndMovesTheCaptionByOnePixel) {
  button_.SetColor(RGB(40, 90, 200));
  const auto up = Painted(button_.Handle());
  SendMessageW(button_.Handle(), BM_SETSTATE, TRUE, 0);
  const auto down = Painted(button_.Handle());
  const auto at = [](const std::vector<COLORREF>& pixels, int x, int y) { return pixels[y * kWidth + x]; };
  for (const auto* pixels : {&up, &down}) {
    EXPECT_EQ(at(*pixels, 0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(*pixels, kWidth - 1, kHeight - 1), GetSysColor(COLOR_BTNSHADOW));
  }
  EXPECT_EQ(at(up, 1, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(at(up, kWidth - 2, kHeight - 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(at(up, 2, 2), RGB(40, 90, 200));
  EXPECT_EQ(at(down, 1, 1), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(at(down, kWidth - 2, kHeight - 2), GetSysColor(COLOR_BTNHIGHLIGHT));

  RECT caption = BoundsOf(up, button_.TextColor());
  ASSERT_LT(caption.left, caption.right);
  OffsetRect(&caption, 1, 1);
  const RECT pressed = BoundsOf(down, button_.TextColor());
  EXPECT_TRUE(EqualRect(&caption, &pressed));
}

TEST_F(ColorButtonTest, StartsWhiteAndRepaintsOnANewColourOnlyWhenItHasAWindow) {
  CColorButton unattached;
  EXPECT_EQ(unattached.GetColor(), RGB(255, 255, 255));
  unattached.SetColor(RGB(1, 2, 3));  // only stores
  EXPECT_EQ(unattached.GetColor(), RGB(1, 2, 3));
  EXPECT_EQ(unattached.TextColor(), RGB(254, 253, 252));

  ValidateRect(button_.Handle(), nullptr);
  button_.SetColor(RGB(10, 20, 30));
  EXPECT_TRUE(GetUpdateRect(button_.Handle(), nullptr, FALSE));
}

}  // namespace
}  // namespace lumbra
