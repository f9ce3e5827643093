// The canvas on which one ruler or one layout is drawn and, in the editors, edited with the mouse.
// It takes over a static control (a black frame in the templates), draws into a back buffer the
// size of the control less its one-pixel border, and forwards mouse and key input to CanvasModel,
// carrying out what the model asks for: the beep, the mouse capture, the cursor, and the
// controls of the layout editor's panels (point list, X and Y fields, circle fields).
//
// Calling order: construct, SetData, attach, SetDrawRect, (SetLimitRect), (SetControls), Redraw.
#pragma once

#include <windows.h>

#include <memory>

#include "engine/Bitmap.h"
#include "ui/editors/model/CanvasModel.h"
#include "ui/framework/Window.h"

namespace lumbra {

class CLayoutWindow : public CWindow {
 public:
  // The spin buttons of the layout editor's circle panel.
  struct CircleSpins {
    HWND centreX = nullptr, centreY = nullptr, radiusX = nullptr, radiusY = nullptr, start = nullptr, sweep = nullptr;
  };

  CLayoutWindow();
  ~CLayoutWindow() override;

  // The canvas constructed last (the open editor's, while one is open); null once it is gone.
  static CLayoutWindow* Current();

  // The data is not owned and must stay alive until the next SetData or the canvas's end.
  void SetData(bool layout, bool editable, CLineData* data);
  void SetDrawRect(int left, int top, int right, int bottom);
  void SetLimitRect(int minX, int minY, int maxX, int maxY);
  // The layout editor's panels; any of them may be null.
  void SetControls(HWND list, HWND spinX, HWND spinY, const CircleSpins& circle);
  // Draws the data into the back buffer and has the window repainted.
  void Redraw();

  // The layout editor's point list and fields.
  void RefillList();
  void SyncFromListSelection();
  void SetSelectedPoint(int x, int y);
  void RebuildCircleFromPanel();
  void LoadCircleToPanel();

  // The editors' key filtering: a key went down (in the window `from`, which has the focus), a
  // key went up.
  void HandleKeyDown(UINT key, HWND from);
  void RefreshCursor();

  // The window's size less its one-pixel border: the back buffer's size.
  SIZE InnerSize() const;

  const CanvasModel& Model() const { return model_; }
  const Bitmap* Buffer() const { return buffer_.get(); }

 protected:
  void OnAttached() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void RecreateBuffer();
  void Paint();
  CanvasResponse OnPress(int x, int y, bool ctrl);
  void OnDrag(int x, int y);
  CanvasResponse OnHover(int x, int y, bool ctrl);
  void EndDrag();
  void ShowCursor() const;
  bool MouseInClient(POINT& point) const;
  void SelectInList(int index) const;
  void ShowPointInFields(bool full) const;
  void ShowCircleInPanel(bool withAngles) const;

  CanvasModel model_;
  std::unique_ptr<Bitmap> buffer_;
  HWND list_ = nullptr;
  HWND spinX_ = nullptr;
  HWND spinY_ = nullptr;
  CircleSpins circle_;
  HCURSOR cursors_[3] = {};  // add, delete, move
  mutable bool showingPoint_ = false;  // the X and Y fields are being filled from the point
};

}  // namespace lumbra
