#include "ui/editors/LayoutWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include "resources/resource.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Module.h"

namespace lumbra {

namespace {

CLayoutWindow* g_currentCanvas = nullptr;

}  // namespace

CLayoutWindow::CLayoutWindow() {
  const int ids[3] = {IDR_CURSOR_ADD, IDR_CURSOR_DELETE, IDR_CURSOR_MOVE};
  for (int i = 0; i < 3; ++i) {
    cursors_[i] = LoadCursorW(PluginModule(), MAKEINTRESOURCEW(ids[i]));
    if (!cursors_[i]) cursors_[i] = LoadCursorW(nullptr, i == 2 ? IDC_SIZEALL : IDC_ARROW);
  }
  g_currentCanvas = this;
}

CLayoutWindow::~CLayoutWindow() {
  if (g_currentCanvas == this) g_currentCanvas = nullptr;
}

CLayoutWindow* CLayoutWindow::Current() { return g_currentCanvas; }

void CLayoutWindow::SetData(bool layout, bool editable, CLineData* data) { model_.SetData(layout, editable, data); }

void CLayoutWindow::SetDrawRect(int left, int top, int right, int bottom) {
  model_.SetDrawRect({left, top, right, bottom});
}

void CLayoutWindow::SetLimitRect(int minX, int minY, int maxX, int maxY) {
  model_.SetLimitRect(minX, minY, maxX, maxY);
}

void CLayoutWindow::SetControls(HWND list, HWND spinX, HWND spinY, const CircleSpins& circle) {
  list_ = list;
  spinX_ = spinX;
  spinY_ = spinY;
  circle_ = circle;
  RefillList();
}

void CLayoutWindow::OnAttached() {
  SetWindowLongPtrW(Handle(), GWL_STYLE, GetWindowLongPtrW(Handle(), GWL_STYLE) | SS_NOTIFY);
  RecreateBuffer();
}

SIZE CLayoutWindow::InnerSize() const {
  RECT r{};
  GetWindowRect(Handle(), &r);
  return {r.right - r.left - 2, r.bottom - r.top - 2};
}

void CLayoutWindow::RecreateBuffer() {
  const SIZE size = InnerSize();
  buffer_ = std::make_unique<Bitmap>(std::max<int>(size.cx, 1), std::max<int>(size.cy, 1), PixelFormat::Rgb24);
  Redraw();
}

void CLayoutWindow::Redraw() {
  if (!model_.IsReady() || !buffer_ || !buffer_->Ok() || !model_.Data()) return;
  const IntRect& d = model_.DrawRect();
  model_.Data()->DrawPreview(*buffer_, model_.Selected(), d.left, d.top, d.right, d.bottom);
  if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

void CLayoutWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  RECT window{};
  GetWindowRect(Handle(), &window);
  if (buffer_ && buffer_->Ok()) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), buffer_->Width(), -buffer_->Height(), 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, 1, 1, buffer_->Width(), buffer_->Height(), 0, 0, 0, buffer_->Height(), buffer_->Data(), &info,
                      DIB_RGB_COLORS);
  }
  const RECT frame{0, 0, window.right - window.left, window.bottom - window.top};
  FrameRect(dc, &frame, GetSysColorBrush(COLOR_3DDKSHADOW));
  EndPaint(Handle(), &ps);
}

// --- mouse ---

CanvasResponse CLayoutWindow::OnPress(int x, int y, bool ctrl) {
  const CanvasResponse r = model_.Press(x, y, ctrl);
  if (r.beep) MessageBeep(0);
  if (list_) {
    if (r.deleted >= 0) SendMessageW(list_, LB_DELETESTRING, r.deleted, 0);
    if (r.appended) SendMessageW(list_, LB_ADDSTRING, 0, 0);
  }
  if (r.dragStarted) {
    if (list_ && IsWindowVisible(list_)) SelectInList(model_.Selected());
    SetCapture(Handle());
    Redraw();
  }
  return r;
}

void CLayoutWindow::OnDrag(int x, int y) {
  if (!model_.Drag(x, y, GetKeyState(VK_SHIFT) < 0)) return;
  if (model_.IsCircle())
    ShowCircleInPanel(false);
  else if (model_.IsLayout())
    ShowPointInFields(true);
  Redraw();
}

CanvasResponse CLayoutWindow::OnHover(int x, int y, bool ctrl) {
  const CanvasCursor before = model_.Cursor();
  const CanvasResponse r = model_.Hover(x, y, ctrl);
  if (model_.Cursor() != before) ShowCursor();
  return r;
}

void CLayoutWindow::EndDrag() {
  if (!model_.Release().wasDragging) return;
  if (model_.IsLayout() && !model_.IsCircle()) {
    if (list_) InvalidateRect(list_, nullptr, FALSE);
    ShowPointInFields(false);
  }
  Redraw();
  if (GetCapture() == Handle()) ReleaseCapture();
}

LRESULT CLayoutWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_SIZE: {
      const LRESULT result = DefProc(message, wParam, lParam);
      RecreateBuffer();
      return result;
    }
    case WM_ERASEBKGND: return TRUE;  // the buffer and the frame cover every pixel
    case WM_PAINT: Paint(); return 0;
    case WM_SETCURSOR:
      if (!model_.IsEditable()) break;
      ShowCursor();
      return TRUE;
    case WM_LBUTTONDOWN:
      if (!model_.IsEditable() || !OnPress(x, y, (wParam & MK_CONTROL) != 0).passOn) return 0;
      break;
    case WM_MOUSEMOVE:
      if (!model_.IsEditable()) break;
      if (model_.IsDragging())
        OnDrag(x, y);
      else if (!OnHover(x, y, (wParam & MK_CONTROL) != 0).passOn)
        return 0;
      break;
    case WM_LBUTTONUP:
      if (!model_.IsEditable()) return 0;
      EndDrag();
      break;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-drag (another window, a message box): the drag ends there.
      if (reinterpret_cast<HWND>(lParam) != Handle()) EndDrag();
      break;
  }
  return DefProc(message, wParam, lParam);
}

// --- keys and cursors ---

void CLayoutWindow::ShowCursor() const { SetCursor(cursors_[static_cast<int>(model_.Cursor())]); }

bool CLayoutWindow::MouseInClient(POINT& point) const {
  if (!GetCursorPos(&point)) return false;
  const bool over = WindowFromPoint(point) == Handle();
  ScreenToClient(Handle(), &point);
  return over;
}

void CLayoutWindow::HandleKeyDown(UINT key, HWND from) {
  // Delete removes a point only from the canvas or the point list, never while typing a number.
  if (key == VK_DELETE && list_ && (from == Handle() || from == list_)) {
    const int index = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
    if (model_.DeleteByKey(index)) {
      SendMessageW(list_, LB_DELETESTRING, index, 0);
      Redraw();
      SelectInList(model_.Selected());
      return;
    }
  }
  POINT mouse;
  const bool over = MouseInClient(mouse);
  if (GetKeyState(VK_CONTROL) < 0 && model_.CtrlCursor(mouse.x, mouse.y) && over) ShowCursor();
}

void CLayoutWindow::RefreshCursor() {
  POINT mouse;
  const bool over = MouseInClient(mouse);
  model_.RefreshCursor(mouse.x, mouse.y);
  if (over) ShowCursor();
}

// --- the layout editor's panels ---

void CLayoutWindow::SelectInList(int index) const {
  if (list_) SendMessageW(list_, LB_SETCURSEL, index, 0);
}

void CLayoutWindow::ShowPointInFields(bool full) const {
  const CLineData* data = model_.Data();
  const int i = model_.Selected();
  if (!data || i < 0 || i >= static_cast<int>(data->GetPoints().size())) return;
  const Point p = data->GetPoints()[static_cast<size_t>(i)];
  // The fields' change notices while they are filled here are not edits of the point.
  showingPoint_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{showingPoint_};
  for (auto [spin, value] : {std::pair{spinX_, p.x}, std::pair{spinY_, p.y}}) {
    if (!spin) continue;
    if (full)
      SetSpinPos32(spin, value);
    else
      SendMessageW(spin, UDM_SETPOS, 0, MAKELONG(static_cast<short>(value), 0));
  }
}

void CLayoutWindow::ShowCircleInPanel(bool withAngles) const {
  const CLineData* data = model_.Data();
  if (!data || data->GetPoints().size() < (withAngles ? 3u : 2u)) return;
  // Copied first: each field written makes the panel rebuild the records from all six.
  const std::vector<Point> records = data->GetPoints();
  SetSpinPos32(circle_.centreX, records[0].x);
  SetSpinPos32(circle_.centreY, records[0].y);
  SetSpinPos32(circle_.radiusX, records[1].x);
  SetSpinPos32(circle_.radiusY, records[1].y);
  if (!withAngles) return;
  SetSpinPos32(circle_.start, records[2].x);
  SetSpinPos32(circle_.sweep, records[2].y);
}

void CLayoutWindow::RefillList() {
  model_.SelectPoint(0);
  if (list_ && model_.Data()) {
    // Thousands of imported points: the list is filled without a redraw for each.
    const size_t count = model_.Data()->GetPoints().size();
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    SendMessageW(list_, LB_INITSTORAGE, count, 0);
    for (size_t i = 0; i < count; ++i) SendMessageW(list_, LB_ADDSTRING, 0, 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    SelectInList(0);
    SyncFromListSelection();
  }
  Redraw();
}

void CLayoutWindow::SyncFromListSelection() {
  if (!list_ || !model_.Data()) return;
  const int i = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
  if (i < 0 || i >= static_cast<int>(model_.Data()->GetPoints().size())) return;
  model_.SelectPoint(i);
  ShowPointInFields(true);
  Redraw();
}

void CLayoutWindow::SetSelectedPoint(int x, int y) {
  if (showingPoint_) return;
  model_.SetSelectedPoint({x, y});
  if (list_) InvalidateRect(list_, nullptr, FALSE);
  Redraw();
}

void CLayoutWindow::RebuildCircleFromPanel() {
  if (!model_.IsCircle()) return;  // the fields never turn a path into circle records
  model_.SetCircle(SpinPos32(circle_.centreX), SpinPos32(circle_.centreY), SpinPos32(circle_.radiusX), SpinPos32(circle_.radiusY),
                   SpinPos32(circle_.start), SpinPos32(circle_.sweep));
  Redraw();
}

void CLayoutWindow::LoadCircleToPanel() {
  ShowCircleInPanel(true);
  Redraw();
}

}  // namespace lumbra
