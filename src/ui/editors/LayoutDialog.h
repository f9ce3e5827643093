// The layout editor "線の配置設定": the editing canvas with the layout being drawn, the mode
// buttons "線" and "円", and in one spot either the line panel (source list with "配置", point
// list, X and Y fields) or the circle panel (centre, radii, start and sweep fields).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "data/LayoutData.h"
#include "ui/editors/EditorDialog.h"
#include "ui/editors/LayoutWindow.h"

namespace lumbra {

// The point list: owner-drawn items that show the path's points themselves.
class CLineListBox {
 public:
  void SetPoints(const std::vector<Point>* points) { points_ = points; }
  void DrawItem(const DRAWITEMSTRUCT& item) const;
  // "1 = [  0,   0]": the item's number, from 1, and the point, each coordinate in three places.
  static std::wstring ItemText(int index, Point point);

 private:
  const std::vector<Point>* points_ = nullptr;
};

class CLineEditWnd : public CDialog {
 public:
  CLineEditWnd();
  void SetCanvas(CLayoutWindow* canvas, CLayoutData* layout) {
    canvas_ = canvas;
    layout_ = layout;
  }
  HWND List() const;
  HWND SpinX() const;
  HWND SpinY() const;
  // Every key-down goes to the canvas first (Delete removes the selected point), then to the
  // panel's controls.
  bool PreTranslateMessage(MSG& message) override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  void OnOK() override {}
  void OnCancel() override {}

 private:
  void PlacePoints();
  bool ImportPoints();
  void ClampField(int edit, HWND spin) const;

  CLayoutWindow* canvas_ = nullptr;
  CLayoutData* layout_ = nullptr;
  CLineListBox list_;
};

class CCircleEditWnd : public CDialog {
 public:
  CCircleEditWnd();
  CLayoutWindow::CircleSpins Spins() const;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override {}
  void OnCancel() override {}

 private:
  bool ready_ = false;  // the fields have their ranges: their changes are the user's
};

class CLayoutDialog : public CEditorDialog {
 public:
  explicit CLayoutDialog(HWND parent);
  CLayoutData& Layout() { return layout_; }
  bool PreTranslateMessage(MSG& message) override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void SwitchMode(bool circle);
  void MakeRoomForPanels();

  CLineEditWnd linePanel_;
  CCircleEditWnd circlePanel_;
  CLayoutData layout_;
  CLayoutWindow canvas_;
};

}  // namespace lumbra
