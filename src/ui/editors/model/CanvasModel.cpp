#include "ui/editors/model/CanvasModel.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "data/LayoutData.h"
#include "ui/editors/model/PointFile.h"

namespace lumbra {

namespace {

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t TruncateToInt(double v) {
  // NaN (a zero-width rectangle) and values beyond the integer range do not convert.
  if (!(v == v)) return 0;
  return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

}  // namespace

void CanvasModel::SetData(bool layout, bool editable, CLineData* data) {
  layout_ = layout;
  editable_ = editable;
  data_ = data;
  selected_ = editable ? 0 : -1;
}

void CanvasModel::SetDrawRect(IntRect rect) {
  draw_ = rect;
  ready_ = true;
}

void CanvasModel::SetLimitRect(int minX, int minY, int maxX, int maxY) { limit_ = {minX, minY, maxX, maxY}; }

bool CanvasModel::IsCircle() const { return layout_ && data_ && data_->GetMode() == CLayoutData::kCircle; }

int CanvasModel::PointCount() const { return data_ ? static_cast<int>(data_->GetPoints().size()) : 0; }

Point CanvasModel::PixelToPercent(int px, int py) const {
  const double sx = 100.0 / (static_cast<double>(draw_.right) - draw_.left);
  const double sy = 100.0 / (static_cast<double>(draw_.bottom) - draw_.top);
  return {TruncateToInt((static_cast<double>(px) - draw_.left) * sx),
          TruncateToInt((static_cast<double>(py) - draw_.top) * sy)};
}

Point CanvasModel::PercentToPixel(Point p) const {
  const int64_t w = static_cast<int64_t>(draw_.right) - draw_.left;
  const int64_t h = static_cast<int64_t>(draw_.bottom) - draw_.top;
  return {Saturate(w * p.x / 100 + draw_.left), Saturate(h * p.y / 100 + draw_.top)};
}

bool CanvasModel::ClampToLimit(Point& p) const {
  const Point before = p;
  p.x = std::clamp(p.x, limit_.left, std::max(limit_.left, limit_.right));
  p.y = std::clamp(p.y, limit_.top, std::max(limit_.top, limit_.bottom));
  return !(p == before);
}

int CanvasModel::HitTest(int px, int py) const {
  if (!data_) return -1;
  const std::vector<Point>& points = data_->GetPoints();
  std::vector<Point> handles;
  if (IsCircle()) {
    if (points.size() < 2) return -1;
    const int64_t cx = points[0].x, cy = points[0].y, rx = points[1].x, ry = points[1].y;
    handles = {{Saturate(cx), Saturate(cy)},
               {Saturate(cx - rx), Saturate(cy - ry)},
               {Saturate(cx + rx), Saturate(cy - ry)},
               {Saturate(cx + rx), Saturate(cy + ry)},
               {Saturate(cx - rx), Saturate(cy + ry)}};
  }
  const std::vector<Point>& candidates = IsCircle() ? handles : points;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const Point s = PercentToPixel(candidates[i]);
    if (s.x <= px && static_cast<int64_t>(px) <= int64_t{s.x} + kHandleSize - 1 && s.y <= py &&
        static_cast<int64_t>(py) <= int64_t{s.y} + kHandleSize - 1)
      return static_cast<int>(i);
  }
  return -1;
}

bool CanvasModel::MayDelete(int h) const {
  if (h < 0 || PointCount() <= 2 || IsCircle()) return false;
  // A ruler always starts at x = 0 and ends at x = 100.
  return layout_ || (h != 0 && h != PointCount() - 1);
}

CanvasResponse CanvasModel::Press(int px, int py, bool ctrl) {
  CanvasResponse response;
  if (!editable_ || !data_) return response;
  response.passOn = true;
  if (dragging_) return response;
  response.passOn = false;

  std::vector<Point>& points = data_->GetPoints();
  const int h = HitTest(px, py);
  if (!layout_ && h == 0) return response;  // the first ruler point cannot be grabbed
  if (h != -1 && ctrl && PointCount() > 2 && !IsCircle()) {
    if (!layout_ && h == PointCount() - 1) return response;
    DeletePoint(h);
    response.deleted = h;
  } else if (h == -1) {
    const Point p = PixelToPercent(px, py);
    if (p.x < limit_.left || p.x > limit_.right || p.y < limit_.top || p.y > limit_.bottom) return response;
    if (layout_ && !IsCircle()) {
      if (points.size() >= kMaxLayoutPoints) {
        response.beep = true;
        return response;
      }
      points.push_back(p);
      selected_ = PointCount() - 1;
      response.appended = true;
    } else if (!layout_) {
      if (p.x == 0 || p.x == 100) return response;
      size_t i = 0;
      while (i < points.size() && points[i].x <= p.x) ++i;
      if (i > 0 && points[i - 1].x == p.x) {
        response.beep = true;
        // The drag would move the point selected before; never the ruler's fixed first point.
        if (selected_ == 0) return response;
      } else {
        points.insert(points.begin() + static_cast<std::ptrdiff_t>(i), p);
        selected_ = static_cast<int>(i);
      }
    }
  } else {
    selected_ = h;
  }
  dragging_ = true;
  response.dragStarted = true;
  response.passOn = true;
  return response;
}

bool CanvasModel::Drag(int px, int py, bool shift) {
  if (!dragging_ || !data_) return false;
  Point p = PixelToPercent(px, py);
  ClampToLimit(p);
  std::vector<Point>& points = data_->GetPoints();
  if (!layout_) {
    DragRuler(p);
  } else if (IsCircle()) {
    DragCircle(p, shift);
  } else if (selected_ >= 0 && selected_ < PointCount()) {
    points[static_cast<size_t>(selected_)] = p;
  }
  return true;
}

void CanvasModel::DragRuler(Point p) {
  std::vector<Point>& points = data_->GetPoints();
  const int n = PointCount();
  if (selected_ < 0 || selected_ >= n) return;
  if (selected_ == n - 1) {
    p.x = 100;  // the last point moves only up and down
  } else if (p.x == 0) {
    p.y = 0;
  }
  points[static_cast<size_t>(selected_)] = p;
  // Stable exchange sort by x: points with equal x keep their order.
  for (int j = 0; j + 1 < n; ++j)
    for (int k = n - 1; k > j; --k)
      if (points[k].x < points[k - 1].x) std::swap(points[k], points[k - 1]);
  selected_ = static_cast<int>(std::find(points.begin(), points.end(), p) - points.begin());
  // Of two points with the same x the dragged one goes first, so that the release removes the
  // other one.
  int32_t previousX = std::numeric_limits<int32_t>::min();
  for (int k = 0; k < n; ++k) {
    if (k > 0 && points[k].x == previousX) {
      if (k == selected_) {
        std::swap(points[k - 1], points[k]);
        selected_ = k - 1;
      }
      break;
    }
    previousX = points[k].x;
  }
}

void CanvasModel::DragCircle(Point p, bool shift) {
  std::vector<Point>& points = data_->GetPoints();
  if (points.size() < 2 || selected_ < 0) return;
  if (selected_ == 0) {
    points[0] = p;
    return;
  }
  const int64_t cx = points[0].x, cy = points[0].y;
  int64_t x = p.x, y = p.y;
  const bool left = selected_ == 1 || selected_ == 4, top = selected_ == 1 || selected_ == 2;
  if (selected_ <= 4) {
    x = left ? std::min(x, cx - kMinRadius) : std::max(x, cx + kMinRadius);
    y = top ? std::min(y, cy - kMinRadius) : std::max(y, cy + kMinRadius);
  }
  int64_t rx = std::llabs(cx - x), ry = std::llabs(cy - y);
  if (shift) rx = ry = std::max(rx, ry);
  points[1] = {Saturate(rx), Saturate(ry)};
}

CanvasResponse CanvasModel::Hover(int px, int py, bool ctrl) {
  CanvasResponse response;
  if (!editable_ || dragging_) {
    response.passOn = true;
    return response;
  }
  const int h = HitTest(px, py);
  const bool fixedRulerEnd = !layout_ && (h == 0 || h == PointCount() - 1);
  if (h == -1) {
    cursor_ = CanvasCursor::Add;
  } else if (ctrl && PointCount() > 2 && !IsCircle()) {
    if (fixedRulerEnd) return response;
    cursor_ = CanvasCursor::Delete;
  } else {
    if (!layout_ && h == 0) return response;
    cursor_ = CanvasCursor::Move;
  }
  response.passOn = true;
  return response;
}

CanvasResponse CanvasModel::Release() {
  CanvasResponse response;
  if (!editable_) return response;
  response.passOn = true;
  if (!dragging_) return response;
  if (!layout_ && data_) RemoveRulerDuplicate();
  dragging_ = false;
  response.wasDragging = true;
  return response;
}

void CanvasModel::RemoveRulerDuplicate() {
  std::vector<Point>& points = data_->GetPoints();
  int32_t previousX = 0;
  for (int k = 0; k < PointCount(); ++k) {
    if (k > 0 && points[k].x == previousX) {
      // Dropped on x = 0 or 100 the dragged point goes; on another inner point's x, that one.
      const int removed = previousX == 0 || previousX == 100 ? selected_ : k;
      if (removed < 0 || removed >= PointCount()) return;
      points.erase(points.begin() + removed);
      if (removed < selected_) --selected_;
      selected_ = std::min(selected_, PointCount() - 1);
      return;
    }
    previousX = points[k].x;
  }
}

bool CanvasModel::DeletePoint(int i) {
  if (!data_ || i < 0 || i >= PointCount()) return false;
  std::vector<Point>& points = data_->GetPoints();
  points.erase(points.begin() + i);
  selected_ = i == PointCount() ? i - 1 : i;
  return true;
}

bool CanvasModel::DeleteByKey(int listSelection) {
  if (IsCircle() || PointCount() <= 2) return false;
  return DeletePoint(listSelection);
}

bool CanvasModel::CtrlCursor(int px, int py) {
  if (dragging_ || !MayDelete(HitTest(px, py))) return false;
  cursor_ = CanvasCursor::Delete;
  return true;
}

void CanvasModel::RefreshCursor(int px, int py) {
  cursor_ = HitTest(px, py) == -1 ? CanvasCursor::Add : CanvasCursor::Move;
}

void CanvasModel::SelectPoint(int i) { selected_ = i; }

bool CanvasModel::SetSelectedPoint(Point p) {
  if (!data_ || selected_ < 0 || selected_ >= PointCount()) return false;
  data_->GetPoints()[static_cast<size_t>(selected_)] = p;
  return true;
}

void CanvasModel::SetCircle(int cx, int cy, int rx, int ry, int start, int sweep) {
  if (!data_) return;
  std::vector<Point>& points = data_->GetPoints();
  points = {{cx, cy}, {rx, ry}, {start, sweep}};
}

}  // namespace lumbra
