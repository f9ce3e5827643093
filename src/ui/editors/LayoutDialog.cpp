#include "ui/editors/LayoutDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>

#include "text/Text.h"
#include "platform/MessageService.h"
#include "resources/resource.h"
#include "ui/editors/GeneratorDialogs.h"
#include "ui/editors/model/PointFile.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Module.h"

namespace lumbra {

namespace {

void SetSpinRange(HWND dialog, int spin, int minimum, int maximum) {
  SendDlgItemMessageW(dialog, spin, UDM_SETRANGE32, minimum, maximum);
}

bool Contains(HWND ancestor, HWND window) { return ancestor && (window == ancestor || IsChild(ancestor, window)); }

}  // namespace

// --- the point list ---

std::wstring CLineListBox::ItemText(int index, Point point) {
  wchar_t text[64];
  std::swprintf(text, 64, L"%d = [%3d, %3d]", index + 1, point.x, point.y);
  return text;
}

void CLineListBox::DrawItem(const DRAWITEMSTRUCT& item) const {
  if (!points_ || static_cast<int>(item.itemID) < 0) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID < points_->size()) {
    const std::wstring text = ItemText(static_cast<int>(item.itemID), (*points_)[item.itemID]);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_WINDOW : COLOR_WINDOWTEXT));
    RECT r = item.rcItem;
    DrawTextW(item.hDC, text.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

// --- the line panel ---

CLineEditWnd::CLineEditWnd() : CDialog(IDD_LINE_PANEL, nullptr) {}

HWND CLineEditWnd::List() const { return Item(IDC_POINT_LIST); }
HWND CLineEditWnd::SpinX() const { return Item(IDC_POINT_X_SPIN); }
HWND CLineEditWnd::SpinY() const { return Item(IDC_POINT_Y_SPIN); }

BOOL CLineEditWnd::OnInitDialog() {
  for (int id : {IDS_SOURCE_LINE, IDS_SOURCE_POLYGON, IDS_SOURCE_FILE})
    SendDlgItemMessageW(Handle(), IDC_SOURCE_KIND, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(LoadResourceString(id).c_str()));
  SendDlgItemMessageW(Handle(), IDC_SOURCE_KIND, CB_SETCURSEL, 0, 0);
  SetSpinRange(Handle(), IDC_POINT_X_SPIN, -kLayoutPointLimit, kLayoutPointLimit);
  SetSpinRange(Handle(), IDC_POINT_Y_SPIN, -kLayoutPointLimit, kLayoutPointLimit);
  list_.SetPoints(layout_ ? &layout_->GetPoints() : nullptr);
  return TRUE;
}

bool CLineEditWnd::OnCommand(int id, int code, HWND) {
  if (!canvas_) return false;
  switch (id) {
    case IDC_POINT_LIST:
      if (code == LBN_SELCHANGE) canvas_->SyncFromListSelection();
      return true;
    case IDC_POINT_X_EDIT:
    case IDC_POINT_Y_EDIT:
      if (code == EN_CHANGE && SpinX() && SpinY()) canvas_->SetSelectedPoint(SpinPos32(SpinX()), SpinPos32(SpinY()));
      if (code == EN_KILLFOCUS) ClampField(id, id == IDC_POINT_X_EDIT ? SpinX() : SpinY());
      return true;
    case IDC_PLACE_POINTS:
      if (code == BN_CLICKED) PlacePoints();
      return true;
  }
  return false;
}

void CLineEditWnd::ClampField(int edit, HWND spin) const {
  int minimum = 0, maximum = 0;
  SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&minimum), reinterpret_cast<LPARAM>(&maximum));
  SetSpinPos32(spin, ClampedDecimal(Narrow(WindowText(Item(edit))), minimum, maximum));
}

INT_PTR CLineEditWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (message == WM_DRAWITEM && wParam == IDC_POINT_LIST) {
    list_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    handled = true;
    return TRUE;
  }
  return 0;
}

bool CLineEditWnd::PreTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && canvas_) canvas_->HandleKeyDown(static_cast<UINT>(message.wParam), message.hwnd);
  return IsDialogMessageW(Handle(), &message) != FALSE;
}

void CLineEditWnd::PlacePoints() {
  if (!layout_) return;
  const HWND editor = GetParent(Handle());
  bool placed = false;
  switch (SendDlgItemMessageW(Handle(), IDC_SOURCE_KIND, CB_GETCURSEL, 0, 0)) {
    case 0: placed = CLinePosDialog(*layout_, editor).DoModal() == IDOK; break;
    case 1: placed = CPolyPosDialog(*layout_, editor).DoModal() == IDOK; break;
    default: placed = ImportPoints(); break;
  }
  if (placed) canvas_->RefillList();
}

bool CLineEditWnd::ImportPoints() {
  wchar_t path[MAX_PATH] = L"*.csv";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  // The editor owns the file dialog, so that it stays modal to it.
  dialog.hwndOwner = GetParent(Handle());
  dialog.lpstrFilter = L"Comma Separated Values (*.csv)\0*.csv\0All files\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return false;
  const PointFileResult result = ImportPointFile(Narrow(path), *layout_);
  // A file that cannot be read leaves the path as it was; points moved into range are told.
  if (!result.ok) ShowMessage(result.error, text::kCaptionReadError, MessageIcon::Warning);
  if (result.ok && result.clamped > 0) ShowMessage(result.Summary(), text::kCaptionNotice, MessageIcon::Information);
  return true;
}

// --- the circle panel ---

namespace {

struct CircleField {
  int edit, spin, minimum, maximum;
};
constexpr CircleField kCircleFields[] = {
    {IDC_CIRCLE_CX_EDIT, IDC_CIRCLE_CX_SPIN, -200, 200},       {IDC_CIRCLE_CY_EDIT, IDC_CIRCLE_CY_SPIN, -200, 200},
    {IDC_CIRCLE_RX_EDIT, IDC_CIRCLE_RX_SPIN, 5, 100},          {IDC_CIRCLE_RY_EDIT, IDC_CIRCLE_RY_SPIN, 5, 100},
    {IDC_CIRCLE_START_EDIT, IDC_CIRCLE_START_SPIN, -179, 180}, {IDC_CIRCLE_SWEEP_EDIT, IDC_CIRCLE_SWEEP_SPIN, 0, 360},
};

}  // namespace

CCircleEditWnd::CCircleEditWnd() : CDialog(IDD_CIRCLE_PANEL, nullptr) {}

CLayoutWindow::CircleSpins CCircleEditWnd::Spins() const {
  return {Item(IDC_CIRCLE_CX_SPIN), Item(IDC_CIRCLE_CY_SPIN),    Item(IDC_CIRCLE_RX_SPIN),
          Item(IDC_CIRCLE_RY_SPIN), Item(IDC_CIRCLE_START_SPIN), Item(IDC_CIRCLE_SWEEP_SPIN)};
}

BOOL CCircleEditWnd::OnInitDialog() {
  for (const CircleField& field : kCircleFields) SetSpinRange(Handle(), field.spin, field.minimum, field.maximum);
  ready_ = true;
  return TRUE;
}

bool CCircleEditWnd::OnCommand(int id, int code, HWND) {
  const CircleField* field = nullptr;
  for (const CircleField& f : kCircleFields)
    if (f.edit == id) field = &f;
  CLayoutWindow* canvas = CLayoutWindow::Current();
  if (!field || !canvas || !ready_) return false;
  if (code == EN_KILLFOCUS) {
    // Out-of-range text goes to the nearest end of the range, as in the line panel.
    SetSpinPos32(Item(field->spin), ClampedDecimal(Narrow(WindowText(Item(field->edit))), field->minimum, field->maximum));
    canvas->RebuildCircleFromPanel();
  } else if (code == EN_CHANGE) {
    canvas->RebuildCircleFromPanel();
  }
  return true;
}

// --- the editor ---

CLayoutDialog::CLayoutDialog(HWND parent) : CEditorDialog(IDD_LAYOUT_EDITOR, parent, layout_, canvas_) {
  canvas_.SetData(true, true, &layout_);
}

BOOL CLayoutDialog::OnInitDialog() {
  InitEditor(IDC_LAYOUT_EDITOR_CANVAS);
  linePanel_.SetCanvas(&canvas_, &layout_);
  linePanel_.Create(Handle());
  circlePanel_.Create(Handle());

  // Both panels take the placeholder's place, inside its edge.
  RECT place{};
  GetClientRect(Item(IDC_PANEL_PLACE), &place);
  MapWindowPoints(Item(IDC_PANEL_PLACE), Handle(), reinterpret_cast<POINT*>(&place), 2);
  InflateRect(&place, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  for (HWND panel : {linePanel_.Handle(), circlePanel_.Handle()})
    SetWindowPos(panel, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  MakeRoomForPanels();
  ShowWindow(linePanel_.Handle(), SW_SHOW);
  EnableWindow(linePanel_.Handle(), TRUE);
  EnableWindow(circlePanel_.Handle(), TRUE);
  CheckRadioButton(Handle(), IDC_MODE_LINE, IDC_MODE_CIRCLE, IDC_MODE_LINE);

  const SIZE size = canvas_.InnerSize();
  canvas_.SetDrawRect(size.cx / 4, size.cy / 4, 3 * size.cx / 4, 3 * size.cy / 4);
  canvas_.SetLimitRect(-kLayoutPointLimit, -kLayoutPointLimit, kLayoutPointLimit, kLayoutPointLimit);
  canvas_.SetControls(linePanel_.List(), linePanel_.SpinX(), linePanel_.SpinY(), circlePanel_.Spins());
  canvas_.Redraw();
  return TRUE;
}

void CLayoutDialog::MakeRoomForPanels() {
  // The panels' font may make them larger than their place (it differs from the editor's): the
  // row of buttons below then moves down, the canvas grows into the height freed, and the editor
  // grows (wider too, if need be), so that nothing is covered or cut.
  const auto rectOf = [this](HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const RECT store = rectOf(Item(IDC_STORE_IN_LIST));
  const RECT canvas = rectOf(Item(IDC_LAYOUT_EDITOR_CANVAS));
  const RECT line = rectOf(linePanel_.Handle()), circle = rectOf(circlePanel_.Handle());
  RECT client{};
  GetClientRect(Handle(), &client);
  const int gap = store.top - canvas.bottom;
  const int margin = canvas.left;
  const int down = std::max(std::max(line.bottom, circle.bottom) + gap - store.top, 0L);
  const int across = std::max(std::max(line.right, circle.right) + margin - client.right, 0L);
  if (down == 0 && across == 0) return;
  for (int id : {IDC_STORE_IN_LIST, IDOK, IDCANCEL}) {
    const RECT r = rectOf(Item(id));
    SetWindowPos(Item(id), nullptr, r.left + (id == IDC_STORE_IN_LIST ? 0 : across), r.top + down, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(Item(IDC_LAYOUT_EDITOR_CANVAS), nullptr, 0, 0, canvas.right - canvas.left, canvas.bottom - canvas.top + down,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT window{};
  GetWindowRect(Handle(), &window);
  SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left + across, window.bottom - window.top + down,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CLayoutDialog::OnCommand(int id, int code, HWND control) {
  if ((id == IDC_MODE_LINE || id == IDC_MODE_CIRCLE) && code == BN_CLICKED) {
    SwitchMode(id == IDC_MODE_CIRCLE);
    return true;
  }
  return CEditorDialog::OnCommand(id, code, control);
}

void CLayoutDialog::SwitchMode(bool circle) {
  if (!linePanel_.Handle() || !circlePanel_.Handle()) return;
  // Either way the path starts again from that mode's default.
  ShowWindow(linePanel_.Handle(), circle ? SW_HIDE : SW_SHOW);
  ShowWindow(circlePanel_.Handle(), circle ? SW_SHOW : SW_HIDE);
  if (circle) {
    layout_.SetDefaultCircle();
    canvas_.LoadCircleToPanel();
  } else {
    layout_.SetDefaults();
    canvas_.RefillList();
  }
}

bool CLayoutDialog::PreTranslateMessage(MSG& message) {
  if (Contains(linePanel_.Handle(), message.hwnd)) return linePanel_.PreTranslateMessage(message);
  if (Contains(circlePanel_.Handle(), message.hwnd)) return IsDialogMessageW(circlePanel_.Handle(), &message) != FALSE;
  return FilterKeys(message);
}

}  // namespace lumbra
