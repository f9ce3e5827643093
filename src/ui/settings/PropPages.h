// The two pages of the settings dialog: "線の配置方法" (where lines stand) and "線の形状" (the
// stroke). They hold no setting of their own: the dialog moves values between their controls and
// the preset, and every change goes to the dialog.
#pragma once

#include "data/LayoutData.h"
#include "data/RulerData.h"
#include "ui/editors/LayoutWindow.h"
#include "ui/framework/Controls.h"
#include "ui/framework/PropertySheet.h"
#include "ui/settings/ColorButton.h"

namespace lumbra {

// One slider / edit / spin row: the slider is the source of truth, the spin writes the edit.
struct SliderRow {
  int slider, edit, spin;
  int minimum, maximum, page;
};

// A page of the settings dialog: Ctrl+S saves a preset from anywhere on it.
class CSettingsPage : public CPropertyPage {
 public:
  using CPropertyPage::CPropertyPage;
  bool PreTranslateMessage(MSG& message) override;
};

// "線の配置方法": the layout list and its read-only canvas, the drawing side and angle, interval,
// jitter, overshoot and the position relative to the path.
class CPropLayout : public CSettingsPage {
 public:
  CPropLayout();
  CLayoutWindow& Canvas() { return canvas_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  CLayoutData layout_;  // shown until the dialog gives the canvas the preset's layout
  int rememberedAngle_ = 0;
  int rememberedInterval_ = 0;
  int rememberedOvershoot_ = 0;
  CLayoutWindow canvas_;
};

// "線の形状": the ruler list and its read-only canvas, the ruler's size, the pen and the taper.
class CPropRuler : public CSettingsPage {
 public:
  CPropRuler();
  CLayoutWindow& Canvas() { return canvas_; }
  // The copy of the preset's ruler that the canvas shows, with the page's pen and taper.
  CRulerData& ShownRuler() { return ruler_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  CRulerData ruler_;
  CLayoutWindow canvas_;
  int remembered_[6] = {};  // per row, the value when its edit took the focus
};

// "縁取りと束": the strokes' rims (width, colour, drawn per line or merged) and the bundles of
// lines (lines per bundle, the gap after each, their variation).
class CPropStyle : public CSettingsPage {
 public:
  CPropStyle();
  CColorButton& EdgeColorButton() { return edgeColor_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  CColorButton edgeColor_;
  int remembered_[4] = {};  // per row, the value when its edit took the focus
};

}  // namespace lumbra
