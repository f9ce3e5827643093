// The editing canvas's rules on real rulers and layouts: mapping, hit testing, and what presses,
// drags, hovers, releases and keys do to the points.
#include <gtest/gtest.h>

#include "data/LayoutData.h"
#include "data/RulerData.h"
#include "ui/editors/model/CanvasModel.h"

namespace lumbra {
namespace {

using Points = std::vector<Point>;

// The ruler editor's frame on a canvas whose shrunk window is 400 x 200.
CanvasModel RulerCanvas(CRulerData& ruler, bool editable = true) {
  CanvasModel canvas;
  canvas.SetData(false, editable, &ruler);
  canvas.SetDrawRect({5, 100, 395, 195});
  canvas.SetLimitRect(0, -100, 100, 100);
  return canvas;
}

// The layout editor's frame on a canvas whose shrunk window is 400 x 360.
CanvasModel LayoutCanvas(CLayoutData& layout, bool editable = true) {
  CanvasModel canvas;
  canvas.SetData(true, editable, &layout);
  canvas.SetDrawRect({100, 90, 300, 270});
  canvas.SetLimitRect(-500, -500, 500, 500);
  return canvas;
}

CRulerData Ruler(const Points& points) {
  CRulerData ruler;
  ruler.GetPoints() = points;
  return ruler;
}

// Drags to just inside the pixel of a percent point, so the mapping back gives that point.
void DragTo(CanvasModel& canvas, Point p, bool shift = false) {
  const Point s = canvas.PercentToPixel(p);
  canvas.Drag(s.x + 1, s.y + 1, shift);
}

// Presses at the pixel of a percent point (inside its hit box).
CanvasResponse PressOn(CanvasModel& canvas, Point p, bool ctrl = false) {
  const Point s = canvas.PercentToPixel(p);
  return canvas.Press(s.x + 1, s.y + 1, ctrl);
}

TEST(CanvasMapping, LayoutAndRulerFramesMapAndHitAsOnScreen) {
  CLayoutData layout;
  CanvasModel canvas = LayoutCanvas(layout);
  EXPECT_EQ(canvas.PercentToPixel({0, 0}), (Point{100, 90}));
  // The 5 x 5 hit box starts at the point and reaches right and down.
  EXPECT_EQ(canvas.HitTest(104, 94), 0);
  EXPECT_EQ(canvas.HitTest(100, 90), 0);
  EXPECT_EQ(canvas.HitTest(105, 90), -1);
  EXPECT_EQ(canvas.HitTest(99, 90), -1);
  EXPECT_EQ(canvas.HitTest(100, 270), 1);  // (0, 100)

  CRulerData ruler;
  CanvasModel rulerCanvas = RulerCanvas(ruler);
  EXPECT_EQ(rulerCanvas.PercentToPixel({50, 100}), (Point{200, 195}));
  EXPECT_EQ(rulerCanvas.PercentToPixel({50, -100}), (Point{200, 5}));
  // 195 x (100.0 / 390) comes out just below 50 and is truncated.
  EXPECT_EQ(rulerCanvas.PixelToPercent(200, 100), (Point{49, 0}));
  EXPECT_EQ(rulerCanvas.PixelToPercent(0, 0), (Point{-1, -105}));

  Point p{-700, 40};
  EXPECT_TRUE(canvas.ClampToLimit(p));
  EXPECT_EQ(p, (Point{-500, 40}));
  EXPECT_FALSE(canvas.ClampToLimit(p));
}

TEST(CanvasMapping, AZeroSizedFrameOrFarPointsDoNotOverflow) {
  CLayoutData layout;
  layout.GetPoints() = {{2147483647, -2147483647}, {0, 0}};
  CanvasModel canvas;
  canvas.SetData(true, true, &layout);
  canvas.SetDrawRect({10, 10, 10, 10});
  EXPECT_EQ(canvas.PixelToPercent(20, 20), (Point{2147483647, 2147483647}));
  EXPECT_EQ(canvas.PixelToPercent(10, 10), (Point{0, 0}));
  EXPECT_EQ(canvas.HitTest(10, 10), 0);  // the far point maps onto the frame's corner too
}

TEST(RulerCanvas, FirstPointIsFixedAndLastMovesOnlyVertically) {
  CRulerData ruler;  // (0, 0), (100, 0)
  CanvasModel canvas = RulerCanvas(ruler);
  CanvasResponse r = PressOn(canvas, {0, 0});
  EXPECT_FALSE(r.dragStarted);
  EXPECT_FALSE(canvas.IsDragging());

  // Hovering the first point keeps whatever cursor was shown and skips default handling.
  EXPECT_TRUE(canvas.Hover(120, 50, false).passOn);
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Add);
  const Point last = canvas.PercentToPixel({100, 0});
  canvas.Hover(last.x, last.y, true);
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Move);  // only two points: no deletion
  const Point first = canvas.PercentToPixel({0, 0});
  canvas.Hover(first.x, first.y, false);
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Move);
  EXPECT_FALSE(canvas.Hover(first.x, first.y, true).passOn);

  // Ctrl on the last of two points starts a vertical drag.
  r = PressOn(canvas, {100, 0}, true);
  EXPECT_TRUE(r.dragStarted);
  EXPECT_EQ(canvas.Selected(), 1);
  EXPECT_TRUE(canvas.Drag(60, 150, false));
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {100, 52}}));
  EXPECT_TRUE(canvas.Drag(-40, 500, false));  // clamped to y = 100, x stays
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {100, 100}}));
  EXPECT_TRUE(canvas.Release().wasDragging);
  EXPECT_FALSE(canvas.Drag(60, 150, false));
}

TEST(RulerCanvas, ClickInsertsInOrderAndASecondClickAtTheSameXBeeps) {
  CRulerData ruler = Ruler({{0, 0}, {20, 10}, {80, -10}, {100, 0}});
  CanvasModel canvas = RulerCanvas(ruler);
  CanvasResponse r = canvas.Press(150, 120, false);  // (37, 21)
  EXPECT_TRUE(r.dragStarted);
  EXPECT_FALSE(r.beep);
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {20, 10}, {37, 21}, {80, -10}, {100, 0}}));
  EXPECT_EQ(canvas.Selected(), 2);
  canvas.Release();

  r = canvas.Press(150, 160, false);  // (37, 63)
  EXPECT_TRUE(r.beep);
  EXPECT_EQ(ruler.GetPoints().size(), 5u);
  EXPECT_TRUE(r.dragStarted);  // the drag moves the point selected before
  EXPECT_EQ(canvas.Selected(), 2);
  canvas.Release();

  // Outside the limits, or at x = 0 or 100: nothing at all.
  EXPECT_FALSE(canvas.Press(150, 0, false).dragStarted);  // y = -105
  EXPECT_FALSE(canvas.Press(5, 150, false).dragStarted);
  EXPECT_EQ(ruler.GetPoints().size(), 5u);
}

TEST(RulerCanvas, ABeepWithTheFirstPointSelectedDoesNotDragIt) {
  CRulerData ruler = Ruler({{0, 0}, {37, 50}, {100, 0}});
  CanvasModel canvas = RulerCanvas(ruler);  // selection starts on point 0
  const CanvasResponse r = canvas.Press(150, 120, false);
  EXPECT_TRUE(r.beep);
  EXPECT_FALSE(r.dragStarted);
  canvas.Drag(300, 150, false);
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {37, 50}, {100, 0}}));
}

TEST(RulerCanvas, DroppingOnXZeroRemovesTheDraggedPoint) {
  CRulerData ruler = Ruler({{0, 0}, {50, 20}, {100, 0}});
  CanvasModel canvas = RulerCanvas(ruler);
  ASSERT_TRUE(PressOn(canvas, {50, 20}).dragStarted);
  canvas.Drag(5, 170, false);  // x = 0 forces y = 0
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {0, 0}, {100, 0}}));
  // Dragging back out of x = 0 keeps working.
  canvas.Drag(46, 170, false);
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {10, 73}, {100, 0}}));
  canvas.Drag(2, 170, false);
  canvas.Release();
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {100, 0}}));
  EXPECT_EQ(canvas.Selected(), 0);
}

TEST(RulerCanvas, DroppingOnAnotherInnerPointReplacesIt) {
  CRulerData ruler = Ruler({{0, 0}, {30, 10}, {60, -10}, {100, 0}});
  CanvasModel canvas = RulerCanvas(ruler);
  ASSERT_TRUE(PressOn(canvas, {30, 10}).dragStarted);
  canvas.Drag(240, 148, false);  // (60, 50): lands before the point it covers
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {60, 50}, {60, -10}, {100, 0}}));
  canvas.Release();
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {60, 50}, {100, 0}}));
  EXPECT_EQ(canvas.Selected(), 1);

  // From the right: the dragged point is moved in front of the one it meets.
  CRulerData other = Ruler({{0, 0}, {30, 10}, {60, -10}, {100, 0}});
  CanvasModel second = RulerCanvas(other);
  ASSERT_TRUE(PressOn(second, {60, -10}).dragStarted);
  second.Drag(124, 148, false);  // (30, 50)
  EXPECT_EQ(other.GetPoints(), (Points{{0, 0}, {30, 50}, {30, 10}, {100, 0}}));
  EXPECT_EQ(second.Selected(), 1);
  second.Release();
  EXPECT_EQ(other.GetPoints(), (Points{{0, 0}, {30, 50}, {100, 0}}));

  // Passing a neighbour re-sorts and the selection follows the dragged point.
  CRulerData third = Ruler({{0, 0}, {30, 10}, {60, -10}, {100, 0}});
  CanvasModel thirdCanvas = RulerCanvas(third);
  ASSERT_TRUE(PressOn(thirdCanvas, {30, 10}).dragStarted);
  thirdCanvas.Drag(318, 148, false);  // (80, 50)
  EXPECT_EQ(third.GetPoints(), (Points{{0, 0}, {60, -10}, {80, 50}, {100, 0}}));
  EXPECT_EQ(thirdCanvas.Selected(), 2);
}

TEST(RulerCanvas, CtrlDeletesInnerPointsOnlyAndTheDeleteCursorFollows) {
  CRulerData ruler = Ruler({{0, 0}, {30, 10}, {60, -10}, {100, 0}});
  CanvasModel canvas = RulerCanvas(ruler);
  const Point inner = canvas.PercentToPixel({60, -10});
  const Point last = canvas.PercentToPixel({100, 0});
  EXPECT_TRUE(canvas.CtrlCursor(inner.x, inner.y));
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Delete);
  canvas.RefreshCursor(inner.x, inner.y);
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Move);
  EXPECT_FALSE(canvas.CtrlCursor(last.x, last.y));
  canvas.Hover(inner.x, inner.y, true);
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Delete);

  EXPECT_FALSE(PressOn(canvas, {100, 0}, true).dragStarted);  // the last point stays
  const CanvasResponse r = PressOn(canvas, {60, -10}, true);
  EXPECT_EQ(r.deleted, 2);
  EXPECT_TRUE(r.dragStarted);
  EXPECT_EQ(canvas.Selected(), 2);  // the successor, here the last point, follows the mouse
  EXPECT_EQ(ruler.GetPoints(), (Points{{0, 0}, {30, 10}, {100, 0}}));
}

TEST(LayoutCanvas, ClicksAppendAtTheEndAndDragsStayInsideTheLimits) {
  CLayoutData layout;
  layout.GetPoints() = {{0, 0}, {100, 0}, {100, 100}};
  CanvasModel canvas = LayoutCanvas(layout);
  const CanvasResponse r = canvas.Press(110, 100, false);  // next to the first point
  EXPECT_TRUE(r.appended);
  EXPECT_EQ(layout.GetPoints().back(), (Point{5, 5}));
  EXPECT_EQ(canvas.Selected(), 3);
  canvas.Drag(-5000, 100, false);
  EXPECT_EQ(layout.GetPoints().back(), (Point{-500, 5}));
  canvas.Release();
  // A press beyond the limits adds nothing.
  EXPECT_FALSE(canvas.Press(-5000, 100, false).dragStarted);

  // Delete key: the list's selection goes, the selection moves to its successor or the new last
  // point; a path keeps at least two points.
  EXPECT_TRUE(canvas.DeleteByKey(3));
  EXPECT_EQ(canvas.Selected(), 2);
  EXPECT_FALSE(canvas.DeleteByKey(-1));
  EXPECT_TRUE(canvas.DeleteByKey(0));
  EXPECT_EQ(canvas.Selected(), 0);
  EXPECT_EQ(layout.GetPoints(), (Points{{100, 0}, {100, 100}}));
  EXPECT_FALSE(canvas.DeleteByKey(0));
}

TEST(LayoutCanvas, CircleHandlesKeepFiveUnitsFromTheCentre) {
  CLayoutData layout;
  layout.SetDefaultCircle();
  CanvasModel canvas = LayoutCanvas(layout);
  const Point handles[5] = {{50, 50}, {-23, -23}, {123, -23}, {123, 123}, {-23, 123}};
  for (int i = 0; i < 5; ++i) {
    const Point s = canvas.PercentToPixel(handles[i]);
    EXPECT_EQ(canvas.HitTest(s.x, s.y), i);
  }

  ASSERT_TRUE(PressOn(canvas, {123, 123}).dragStarted);
  EXPECT_EQ(canvas.Selected(), 3);
  DragTo(canvas, {50, 50});
  EXPECT_EQ(layout.GetPoints(), (Points{{50, 50}, {5, 5}, {0, 360}}));
  DragTo(canvas, {80, 60}, true);
  EXPECT_EQ(layout.GetPoints()[1], (Point{30, 30}));
  DragTo(canvas, {80, 60});
  EXPECT_EQ(layout.GetPoints()[1], (Point{30, 10}));
  canvas.Release();

  // Handle 1 (top left) cannot cross to the right of or below the centre.
  ASSERT_TRUE(PressOn(canvas, {20, 40}).dragStarted);
  DragTo(canvas, {80, 60});
  EXPECT_EQ(layout.GetPoints()[1], (Point{5, 5}));
  canvas.Release();

  // The centre handle moves the circle; empty space only drags the selected handle.
  ASSERT_TRUE(PressOn(canvas, {50, 50}).dragStarted);
  DragTo(canvas, {80, 60});
  canvas.Release();
  EXPECT_EQ(layout.GetPoints()[0], (Point{80, 60}));
  EXPECT_FALSE(canvas.Press(280, 110, false).appended);
  EXPECT_EQ(layout.GetPoints().size(), 3u);
}

TEST(LayoutCanvas, CircleRecordsAreNeverDeleted) {
  CLayoutData layout;
  layout.SetDefaultCircle();
  CanvasModel canvas = LayoutCanvas(layout);
  const Point corner = canvas.PercentToPixel({123, 123});
  EXPECT_FALSE(canvas.DeleteByKey(1));
  EXPECT_FALSE(canvas.CtrlCursor(corner.x, corner.y));
  EXPECT_EQ(canvas.Press(corner.x, corner.y, true).deleted, -1);
  canvas.Release();
  canvas.Hover(corner.x, corner.y, true);
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Move);
  EXPECT_EQ(layout.GetPoints().size(), 3u);

  canvas.SetCircle(10, 20, 30, 40, 90, 180);
  EXPECT_EQ(layout.GetPoints(), (Points{{10, 20}, {30, 40}, {90, 180}}));
}

TEST(DisplayCanvas, IgnoresAllMouseInputAndSelectsNothing) {
  CRulerData ruler = Ruler({{0, 0}, {30, 10}, {100, 0}});
  CanvasModel canvas = RulerCanvas(ruler, false);
  EXPECT_EQ(canvas.Selected(), -1);
  const CanvasResponse press = canvas.Press(150, 120, false);
  EXPECT_FALSE(press.passOn);
  EXPECT_FALSE(press.dragStarted);
  EXPECT_FALSE(canvas.Release().passOn);
  canvas.Hover(150, 120, true);
  EXPECT_EQ(canvas.Cursor(), CanvasCursor::Add);
  EXPECT_EQ(ruler.GetPoints().size(), 3u);
}

}  // namespace
}  // namespace lumbra
