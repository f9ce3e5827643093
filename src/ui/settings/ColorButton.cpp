#include "ui/settings/ColorButton.h"

#include <string>

#include "ui/framework/Controls.h"

namespace lumbra {

namespace {

void FillSolid(HDC dc, int x, int y, int width, int height, COLORREF color) {
  SetBkColor(dc, color);
  const RECT rect{x, y, x + width, y + height};
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// A one-pixel frame: top and left in one colour, right and bottom (with both far corners) in
// the other.
void Draw3dFrame(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  FillSolid(dc, r.left, r.top, width - 1, 1, topLeft);
  FillSolid(dc, r.left, r.top, 1, height - 1, topLeft);
  FillSolid(dc, r.right - 1, r.top, 1, height, bottomRight);
  FillSolid(dc, r.left, r.bottom - 1, width, 1, bottomRight);
}

}  // namespace

void CColorButton::SetColor(COLORREF color) {
  color_ = color;
  textColor_ = RGB(255 - GetRValue(color), 255 - GetGValue(color), 255 - GetBValue(color));
  if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

void CColorButton::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const int saved = SaveDC(dc);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  SelectObject(dc, pen);

  RECT r = item.rcItem;
  FillSolid(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, color_);
  Rectangle(dc, r.left, r.top, r.right, r.bottom);

  InflateRect(&r, -1, -1);
  if (item.itemState & ODS_SELECTED) {
    Draw3dFrame(dc, r, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    OffsetRect(&r, 1, 1);
  } else {
    Draw3dFrame(dc, r, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
  }
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -2, -2);
    DrawFocusRect(dc, &focus);
  }

  const std::wstring text = WindowText(item.hwndItem);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor_);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

  RestoreDC(dc, saved);
  DeleteObject(pen);
}

}  // namespace lumbra
