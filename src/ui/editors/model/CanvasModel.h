// The editing rules of the canvas on which one ruler or one layout is shown and edited with the
// mouse: the mapping between percent and pixels, hit testing, and what a press, a drag, a hover,
// a release and the keys do to the points. The window (CLayoutWindow) forwards its messages here
// and carries out what the answers ask for: beeps, mouse capture, the point list, the fields.
//
// The model does not own the data; it edits the attached object's points in place.
#pragma once

#include <cstdint>
#include <limits>

#include "core/Geometry.h"
#include "data/LineData.h"

namespace lumbra {

struct IntRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

enum class CanvasCursor { Add, Delete, Move };

// What a mouse message asks of the window besides the model's own changes.
struct CanvasResponse {
  bool passOn = false;       // give the message its default handling
  bool beep = false;         // sound the default system beep
  bool dragStarted = false;  // capture the mouse, show the selection in the list, redraw
  bool wasDragging = false;  // (release) the drag ended: release the capture, redraw
  int deleted = -1;          // (press) the index of a point removed, or -1
  bool appended = false;     // (press) a point was added at the end of a layout path
};

class CanvasModel {
 public:
  static constexpr int kHandleSize = 5;     // hit box, from the point to the right and down
  static constexpr int kMinRadius = 5;      // a corner handle stays this far from the centre
  static constexpr int kCircleRecords = 3;  // centre, radii, angles

  void SetData(bool layout, bool editable, CLineData* data);
  void SetDrawRect(IntRect rect);
  void SetLimitRect(int minX, int minY, int maxX, int maxY);

  CLineData* Data() const { return data_; }
  bool IsLayout() const { return layout_; }
  bool IsEditable() const { return editable_; }
  bool IsReady() const { return ready_; }
  bool IsDragging() const { return dragging_; }
  // A layout in circle mode: the canvas edits handles, not points.
  bool IsCircle() const;
  int Selected() const { return selected_; }
  const IntRect& DrawRect() const { return draw_; }
  CanvasCursor Cursor() const { return cursor_; }

  Point PixelToPercent(int px, int py) const;
  Point PercentToPixel(Point p) const;
  bool ClampToLimit(Point& p) const;
  // The candidate under the pixel: a circle handle in circle mode, otherwise a point; -1 for none.
  int HitTest(int px, int py) const;

  CanvasResponse Press(int px, int py, bool ctrl);
  // While dragging: moves the selected point or handle; false when not dragging.
  bool Drag(int px, int py, bool shift);
  // While not dragging: chooses the cursor for the mouse at (px, py).
  CanvasResponse Hover(int px, int py, bool ctrl);
  CanvasResponse Release();

  // Removes point i and selects its successor (or the new last point). False when i is no point.
  bool DeletePoint(int i);
  // The Delete key with the point list's selection: false when deletion is not allowed here.
  bool DeleteByKey(int listSelection);
  // Ctrl went down with the mouse at (px, py): true when the cursor became the delete cursor.
  bool CtrlCursor(int px, int py);
  // A key went up: add or move cursor for the mouse at (px, py).
  void RefreshCursor(int px, int py);

  // The point list and fields of the layout editor's line panel.
  void SelectPoint(int i);
  bool SetSelectedPoint(Point p);
  // The circle panel: the three records from its six fields, and back.
  void SetCircle(int cx, int cy, int rx, int ry, int start, int sweep);

 private:
  int PointCount() const;
  bool MayDelete(int h) const;
  void DragRuler(Point p);
  void DragCircle(Point p, bool shift);
  void RemoveRulerDuplicate();

  CLineData* data_ = nullptr;
  bool layout_ = false;
  bool editable_ = false;
  bool dragging_ = false;
  bool ready_ = false;
  int selected_ = 0;
  CanvasCursor cursor_ = CanvasCursor::Add;
  IntRect draw_;
  IntRect limit_{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(),
                 std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()};
};

}  // namespace lumbra
