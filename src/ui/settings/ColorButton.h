// The owner-drawn "描画色" button: its face is the line colour and its caption is drawn in the
// inverse colour, so it stays readable on any colour. The dialog handles the click and calls
// SetColor; it also forwards its WM_DRAWITEM for the button to DrawItem.
#pragma once

#include <windows.h>

#include "ui/framework/Window.h"

namespace lumbra {

class CColorButton : public CWindow {
 public:
  // Stores the colour and its inverse; repaints the button when it exists.
  void SetColor(COLORREF color);
  COLORREF GetColor() const { return color_; }
  COLORREF TextColor() const { return textColor_; }

  void DrawItem(const DRAWITEMSTRUCT& item);

 private:
  COLORREF color_ = RGB(255, 255, 255);
  COLORREF textColor_ = RGB(0, 0, 0);
};

}  // namespace lumbra
