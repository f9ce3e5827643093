#include "ui/settings/PictureBoxEx.h"

#include <windowsx.h>

#include <utility>

#include "engine/Graphics.h"
#include "platform/MessageService.h"
#include "text/Text.h"
#include "platform/MessageServiceWin32.h"
#include "resources/resource.h"
#include "ui/framework/Module.h"

namespace lumbra {
namespace {

constexpr int kAddCursorId = IDR_CURSOR_ADD;  // arrow with a plus sign, shared with the editing canvas

uint32_t SystemArgb(int index) {
  const COLORREF c = GetSysColor(index);
  return 0xFF000000u | (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

bool IsShown(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

SIZE WindowSize(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

// Sets the bar to the state, unless it was last set to that very state: every call redraws the bar,
// and under some systems (wine) each is a slow round trip, which would hold up every new picture.
void ApplyBar(HWND bar, const PreviewBar& state, std::optional<PreviewBar>& applied) {
  if (applied == state) return;
  applied = state;
  ShowScrollBar(bar, SB_CTL, state.shown);
  SetWindowPos(bar, nullptr, 0, 0, state.width, state.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE, 0, state.maximum, static_cast<UINT>(state.page), 0, 0};
  SetScrollInfo(bar, SB_CTL, &info, TRUE);
  SetScrollPos(bar, SB_CTL, state.position, TRUE);
}

void MoveBar(HWND bar, const ViewRect& r) { MoveWindow(bar, r.x, r.y, r.width, r.height, TRUE); }

ScrollRequest RequestOf(WORD code) {
  switch (code) {
    case SB_LINEUP: return ScrollRequest::LineBack;
    case SB_LINEDOWN: return ScrollRequest::LineForward;
    case SB_PAGEUP: return ScrollRequest::PageBack;
    case SB_PAGEDOWN: return ScrollRequest::PageForward;
    case SB_THUMBTRACK: return ScrollRequest::ThumbTrack;
    case SB_TOP: return ScrollRequest::Top;
    case SB_BOTTOM: return ScrollRequest::Bottom;
    default: return ScrollRequest::Other;
  }
}

}  // namespace

CPictureBoxEx::CPictureBoxEx() : checkerboard_(MakeCheckerboard()) {}

CPictureBoxEx::~CPictureBoxEx() = default;

void CPictureBoxEx::OnAttached() {
  HWND box = Handle();
  SetWindowLongPtrW(box, GWL_STYLE, GetWindowLongPtrW(box, GWL_STYLE) | SS_NOTIFY);
  const SIZE size = WindowSize(box);
  view_.SetWindowSize(size.cx, size.cy);
  view_.SetBarThickness(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
  const ViewRect v = view_.VerticalBarHome(), h = view_.HorizontalBarHome();
  verticalBar_ = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_VERT, v.x, v.y, v.width,
                                 v.height, box, nullptr, PluginModule(), nullptr);
  horizontalBar_ = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, h.x, h.y, h.width,
                                   h.height, box, nullptr, PluginModule(), nullptr);
  addCursor_ = LoadCursorW(PluginModule(), MAKEINTRESOURCEW(kAddCursorId));
  RecreateBuffer();
}

void CPictureBoxEx::SetZoom(float zoom) {
  view_.SetZoom(zoom);
  UpdateView(view_.HorizontalPosition(), view_.VerticalPosition());
}

ViewRect CPictureBoxEx::ShownPart(float zoom) const {
  if (!view_.HasImage() || view_.Zoom() != zoom) return {};
  return view_.Layout().Shown();
}

void CPictureBoxEx::SetImage(std::unique_ptr<Bitmap> image) {
  if (!image) return;
  auto picture = std::make_unique<PreviewPicture>();
  picture->base = std::shared_ptr<const Bitmap>(std::move(image));
  picture->generation = picture_.generation;
  SetPicture(std::move(picture));
}

void CPictureBoxEx::SetPicture(std::unique_ptr<PreviewPicture> picture) {
  if (picture && picture->base && picture->generation >= picture_.generation) {
    picture_ = std::move(*picture);
    view_.SetImageSize(picture_.base->Width(), picture_.base->Height());
    UpdateView(view_.HorizontalPosition(), view_.VerticalPosition());
    shownLinesScale_ = picture_.lines ? picture_.linesScale : 0.0;
    shownGeneration_ = picture_.generation;
  }
  ++imagesShown_;  // taken, and drawn into the buffer unless dropped
}

void CPictureBoxEx::DiscardPosted(HWND box) {
  MSG pending;
  while (box && PeekMessageW(&pending, box, kSetImageMessage, kSetImageMessage, PM_REMOVE))
    delete reinterpret_cast<Bitmap*>(pending.wParam);
  while (box && PeekMessageW(&pending, box, kSetPictureMessage, kSetPictureMessage, PM_REMOVE))
    delete reinterpret_cast<PreviewPicture*>(pending.wParam);
}

void CPictureBoxEx::ClientToImage(POINT& point) const {
  GetCursorPos(&point);
  ScreenToClient(Handle(), &point);
  const Point pixel = view_.ClientToImage(point.x, point.y);
  point = {pixel.x, pixel.y};
}

void CPictureBoxEx::RecreateBuffer() {
  buffer_.reset();
  RECT client{};
  GetClientRect(Handle(), &client);
  auto buffer = std::make_unique<Bitmap>(client.right - 2, client.bottom - 2, PixelFormat::Rgb32);
  if (!buffer->Ok()) {
    // The box's parent owns the message for as long as it shows.
    const ScopedMessageOwner owner(GetParent(Handle()));
    ShowMessage(text::kPreviewBufferFailed, "", MessageIcon::None);
    return;
  }
  Graphics(*buffer).Clear(SystemArgb(COLOR_BTNFACE));
  buffer_ = std::move(buffer);
}

void CPictureBoxEx::UpdateView(int horizontal, int vertical) {
  if (!Handle() || !picture_.base || !view_.Update(horizontal, vertical)) return;
  ApplyBar(horizontalBar_, view_.Layout().horizontal, appliedHorizontal_);
  ApplyBar(verticalBar_, view_.Layout().vertical, appliedVertical_);
  if (buffer_)
    composer_.Draw(*buffer_, view_.Layout(), view_.Zoom(), picture_, checkerboard_, SystemArgb(COLOR_BTNFACE));
  InvalidateRect(Handle(), nullptr, TRUE);
}

void CPictureBoxEx::PlaceBars() {
  const SIZE size = WindowSize(Handle());
  view_.SetWindowSize(size.cx, size.cy);
  MoveBar(verticalBar_, view_.VerticalBarHome());
  MoveBar(horizontalBar_, view_.HorizontalBarHome());
  appliedHorizontal_.reset();  // their sizes are to be set again
  appliedVertical_.reset();
}

void CPictureBoxEx::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  const SIZE size = WindowSize(Handle());
  const int vb = IsShown(verticalBar_) ? WindowSize(verticalBar_).cx : 0;
  const int hb = IsShown(horizontalBar_) ? WindowSize(horizontalBar_).cy : 0;
  if (buffer_) {
    // Only the rows shown are described, so the copy starts at the buffer's top row.
    const int width = buffer_->Width() - vb, rows = buffer_->Height() - hb;
    if (width > 0 && rows > 0) {
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), buffer_->Width(), -rows, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      SetDIBitsToDevice(dc, 1, 1, width, rows, 0, 0, 0, rows, buffer_->Data(), &info, DIB_RGB_COLORS);
    }
  }
  if (vb > 0 && hb > 0) {
    const RECT corner{size.cx - vb, size.cy - hb, size.cx - 1, size.cy - 1};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
  const RECT frame{0, 0, size.cx, size.cy};
  FrameRect(dc, &frame, GetSysColorBrush(COLOR_3DDKSHADOW));
  EndPaint(Handle(), &ps);
}

void CPictureBoxEx::OnScroll(HWND bar, ScrollAxis axis, WPARAM wParam) {
  if (!bar || bar != (axis == ScrollAxis::Horizontal ? horizontalBar_ : verticalBar_) || !IsWindowEnabled(bar)) return;
  // The message carries 16 bits of the thumb's place; the bar knows all of it while tracking.
  int track = HIWORD(wParam);
  SCROLLINFO info{sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
  if (GetScrollInfo(bar, SB_CTL, &info) && (info.nTrackPos & 0xFFFF) == track) track = info.nTrackPos;
  const int position = view_.Scrolled(axis, RequestOf(LOWORD(wParam)), track);
  SetScrollPos(bar, SB_CTL, position, TRUE);
  if (axis == ScrollAxis::Horizontal)
    UpdateView(position, view_.VerticalPosition());
  else
    UpdateView(view_.HorizontalPosition(), position);
}

void CPictureBoxEx::UpdateCursor() const {
  LPCWSTR system = IDC_ARROW;
  switch (view_.Cursor(GetKeyState(VK_CONTROL) < 0)) {
    case PreviewCursor::Arrow: break;
    case PreviewCursor::Move: system = IDC_SIZEALL; break;
    case PreviewCursor::Add:
      if (addCursor_) {
        SetCursor(addCursor_);
        return;
      }
      system = IDC_SIZEALL;  // no cursor of our own in this build: panning still goes on
      break;
  }
  SetCursor(LoadCursorW(nullptr, system));
}

LRESULT CPictureBoxEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kSetZoomMessage:
      if (wParam) SetZoom(*reinterpret_cast<const float*>(wParam));
      break;
    case kSetImageMessage: SetImage(std::unique_ptr<Bitmap>(reinterpret_cast<Bitmap*>(wParam))); break;
    case kSetPictureMessage:
      SetPicture(std::unique_ptr<PreviewPicture>(reinterpret_cast<PreviewPicture*>(wParam)));
      break;
    case WM_SIZE: {
      const LRESULT result = DefProc(message, wParam, lParam);
      PlaceBars();
      RecreateBuffer();
      UpdateView(view_.HorizontalPosition(), view_.VerticalPosition());
      return result;
    }
    case WM_PAINT: Paint(); return 0;
    case WM_HSCROLL: OnScroll(reinterpret_cast<HWND>(lParam), ScrollAxis::Horizontal, wParam); return 0;
    case WM_VSCROLL: OnScroll(reinterpret_cast<HWND>(lParam), ScrollAxis::Vertical, wParam); return 0;
    case WM_LBUTTONDOWN:
      if (view_.Press(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), IsWindowEnabled(horizontalBar_),
                      IsWindowEnabled(verticalBar_))) {
        UpdateCursor();
        SetCapture(Handle());
      }
      break;  // the static control reports the click
    case WM_MOUSEMOVE:
      if (view_.Dragging()) {
        const auto [horizontal, vertical] = view_.DragTo(
            GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), IsWindowEnabled(horizontalBar_), IsWindowEnabled(verticalBar_));
        UpdateView(horizontal, vertical);
      }
      break;
    case WM_LBUTTONUP:
      if (view_.Dragging()) {
        view_.Release();
        UpdateCursor();
        ReleaseCapture();
      }
      break;
    case WM_CAPTURECHANGED:
      // Another window took the mouse (a menu, a message box): the drag ends here.
      if (reinterpret_cast<HWND>(lParam) != Handle()) view_.Release();
      break;
    case WM_SETCURSOR: UpdateCursor(); return TRUE;
    case WM_DESTROY: {
      buffer_.reset();
      // Pictures posted but not yet taken are owned by this box: they go with it.
      DiscardPosted(Handle());
      break;
    }
    default: break;
  }
  return DefProc(message, wParam, lParam);
}

}  // namespace lumbra
