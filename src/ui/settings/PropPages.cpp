#include "ui/settings/PropPages.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "resources/resource.h"
#include "ui/framework/Module.h"
#include "ui/settings/SettingDialog.h"
#include "ui/settings/model/PresetRanges.h"

namespace lumbra {

namespace {

constexpr SliderRow kLayoutRows[] = {
    {IDC_INTERVAL_SLIDER, IDC_INTERVAL_EDIT, IDC_INTERVAL_SPIN, kIntervalRange.min, kIntervalRange.max, 10},
    {IDC_OVERSHOOT_SLIDER, IDC_OVERSHOOT_EDIT, IDC_OVERSHOOT_SPIN, kOvershootRange.min, kOvershootRange.max, 0},
};

// Height, length, minimum length, thickness, minimum thickness, taper start.
constexpr SliderRow RulerRow(int r, ValueRange range, int page) {
  return {IDC_ROW_SLIDER + 3 * r, IDC_ROW_EDIT + 3 * r, IDC_ROW_SPIN + 3 * r, range.min, range.max, page};
}
constexpr SliderRow kRulerRows[] = {RulerRow(0, kHeightRange, 10),     RulerRow(1, kLengthRange, 100),
                                    RulerRow(2, kMinPercentRange, 10), RulerRow(3, kThicknessRange, 10),
                                    RulerRow(4, kMinPercentRange, 10), RulerRow(5, kTaperStartRange, 5)};

void SetUpRow(HWND page, const SliderRow& row) {
  SendDlgItemMessageW(page, row.slider, TBM_SETRANGEMIN, FALSE, row.minimum);
  SendDlgItemMessageW(page, row.slider, TBM_SETRANGEMAX, FALSE, row.maximum);
  if (row.page > 0) SendDlgItemMessageW(page, row.slider, TBM_SETPAGESIZE, 0, row.page);
  SendDlgItemMessageW(page, row.spin, UDM_SETRANGE32, row.minimum, row.maximum);
}

// A slider of the page moved: its spin follows, then the dialog collects.
template <size_t N>
bool FollowSlider(HWND page, HWND slider, const SliderRow (&rows)[N]) {
  const int id = GetDlgCtrlID(slider);
  for (const SliderRow& row : rows)
    if (row.slider == id) {
      SetSpinPosition(page, row.spin, SliderPosition(page, row.slider));
      return true;
    }
  return false;
}

// A notification from a row's edit. Taking the focus, it remembers the row's value. Losing it, the
// spin re-reads the edit (text out of range or not a number leaves the old value, and setting it
// again shows a clean number) and the slider follows. False when the notification is neither from
// a row's edit nor one of those two; `changed` is the row whose value is no longer the one it had
// when its edit took the focus, else -1.
template <size_t N>
bool RowEditNotified(HWND page, const SliderRow (&rows)[N], int (&remembered)[N], int id, int code, int& changed) {
  changed = -1;
  const auto row = std::find_if(std::begin(rows), std::end(rows), [&](const SliderRow& r) { return r.edit == id; });
  if (row == std::end(rows) || (code != EN_SETFOCUS && code != EN_KILLFOCUS)) return false;
  const auto k = static_cast<size_t>(row - std::begin(rows));
  if (code == EN_SETFOCUS) {
    remembered[k] = SliderPosition(page, row->slider);
    return true;
  }
  const int value = SpinPosition(page, row->spin);
  SetSpinPosition(page, row->spin, value);
  if (value != remembered[k]) {
    SetSliderPosition(page, row->slider, value);
    changed = static_cast<int>(k);
  }
  return true;
}

constexpr int kTaperRow = 5;

// Edge width, lines per bundle, gap, variation.
constexpr SliderRow kStyleRows[] = {
    {IDC_EDGE_WIDTH_SLIDER, IDC_EDGE_WIDTH_EDIT, IDC_EDGE_WIDTH_SPIN, kEdgeWidthRange.min, kEdgeWidthRange.max, 5},
    {IDC_BUNDLE_LINES_SLIDER, IDC_BUNDLE_LINES_EDIT, IDC_BUNDLE_LINES_SPIN, kBundleLinesRange.min,
     kBundleLinesRange.max, 10},
    {IDC_BUNDLE_GAP_SLIDER, IDC_BUNDLE_GAP_EDIT, IDC_BUNDLE_GAP_SPIN, kBundleGapRange.min, kBundleGapRange.max, 5},
    {IDC_BUNDLE_VARIATION_SLIDER, IDC_BUNDLE_VARIATION_EDIT, IDC_BUNDLE_VARIATION_SPIN, kPercentRange.min,
     kPercentRange.max, 10},
};

bool IsRadio(int id, int first, int count) { return id >= first && id < first + count; }

}  // namespace

bool CSettingsPage::PreTranslateMessage(MSG& message) {
  CSettingDialog* dialog = CSettingDialog::Current();
  return dialog && dialog->SavePresetAs(&message);
}

// --- line placement ---

CPropLayout::CPropLayout() : CSettingsPage(IDD_PAGE_LAYOUT) { canvas_.SetData(true, false, &layout_); }

BOOL CPropLayout::OnInitDialog() {
  canvas_.AttachDlgItem(Handle(), IDC_LAYOUT_CANVAS);
  const SIZE size = canvas_.InnerSize();
  // Percent 0..100 covers the middle half of the canvas each way.
  canvas_.SetDrawRect(size.cx / 4, size.cy / 4, 3 * size.cx / 4, 3 * size.cy / 4);
  canvas_.Redraw();
  for (const SliderRow& row : kLayoutRows) SetUpRow(Handle(), row);
  SendDlgItemMessageW(Handle(), IDC_JITTER_SLIDER, TBM_SETRANGEMIN, FALSE, 0);
  SendDlgItemMessageW(Handle(), IDC_JITTER_SLIDER, TBM_SETRANGEMAX, FALSE, 4);
  SendDlgItemMessageW(Handle(), IDC_ANGLE_SPIN, UDM_SETRANGE32, -179, 180);
  SetSpinPosition(Handle(), IDC_ANGLE_SPIN, 90);
  return TRUE;
}

bool CPropLayout::OnCommand(int id, int code, HWND) {
  CSettingDialog* dialog = CSettingDialog::Current();
  if (!dialog) return false;
  if (id == IDC_LAYOUT_LIST && code == CBN_SELCHANGE) {
    dialog->OnDataListChanged(1);
    return true;
  }
  if (code == BN_CLICKED &&
      (IsRadio(id, IDC_SIDE_RIGHT, 4) || IsRadio(id, IDC_ANGLE_PATH, 2) || IsRadio(id, IDC_POSITION_FRAME, 4))) {
    dialog->CollectSettings();
    return true;
  }
  int* remembered = id == IDC_INTERVAL_EDIT    ? &rememberedInterval_
                    : id == IDC_OVERSHOOT_EDIT ? &rememberedOvershoot_
                    : id == IDC_ANGLE_EDIT     ? &rememberedAngle_
                                               : nullptr;
  if (!remembered) return false;
  const int spin = id + 1;
  if (code == EN_SETFOCUS) {
    *remembered = SpinPosition(Handle(), spin);
    return true;
  }
  if (code != EN_KILLFOCUS) return false;
  // The spin re-reads its edit: text out of range or not a number leaves the old value, and
  // setting it again shows a clean number.
  const int value = id == IDC_ANGLE_EDIT
                        ? static_cast<short>(LOWORD(SendDlgItemMessageW(Handle(), spin, UDM_GETPOS, 0, 0)))
                        : SpinPosition(Handle(), spin);
  SetSpinPosition(Handle(), spin, value);
  if (value == *remembered) return true;
  if (id == IDC_ANGLE_EDIT) {
    // Along the path, the angle waits in its field until "角度固定" is chosen.
    if (IsChecked(Handle(), IDC_ANGLE_FIXED)) dialog->CollectSettings();
  } else {
    SetSliderPosition(Handle(), id - 1, value);
    dialog->CollectSettings();
  }
  return true;
}

INT_PTR CPropLayout::OnMessage(UINT message, WPARAM, LPARAM lParam, bool& handled) {
  CSettingDialog* dialog = CSettingDialog::Current();
  if (message == WM_HSCROLL && lParam && dialog) {
    auto* slider = reinterpret_cast<HWND>(lParam);
    if (GetDlgCtrlID(slider) == IDC_JITTER_SLIDER) {
      SetDlgItemTextW(Handle(), IDC_JITTER_LABEL,
                      Widen(CSettingDialog::JitterLabel(SliderPosition(Handle(), IDC_JITTER_SLIDER))).c_str());
    } else {
      FollowSlider(Handle(), slider, kLayoutRows);
    }
    dialog->CollectSettings();
    handled = true;
  }
  return 0;
}

// --- line shape ---

CPropRuler::CPropRuler() : CSettingsPage(IDD_PAGE_RULER) { canvas_.SetData(false, false, &ruler_); }

BOOL CPropRuler::OnInitDialog() {
  canvas_.AttachDlgItem(Handle(), IDC_RULER_CANVAS);
  const SIZE size = canvas_.InnerSize();
  // y = 0 on the middle line, 100 units each way.
  canvas_.SetDrawRect(5, size.cy / 2, size.cx - 5, size.cy - 5);
  canvas_.SetLimitRect(0, -100, 100, 100);
  canvas_.Redraw();
  for (const SliderRow& row : kRulerRows) SetUpRow(Handle(), row);
  return TRUE;
}

bool CPropRuler::OnCommand(int id, int code, HWND) {
  CSettingDialog* dialog = CSettingDialog::Current();
  if (!dialog) return false;
  if (id == IDC_RULER_LIST && code == CBN_SELCHANGE) {
    dialog->OnDataListChanged(2);
    return true;
  }
  if (code == BN_CLICKED && (id == IDC_PEN_G || id == IDC_PEN_MILL)) {
    dialog->CollectSettings();
    dialog->RefreshPagePreview(2);
    return true;
  }
  if (code == BN_CLICKED && id == IDC_FIXED_TAPER) {
    dialog->CollectSettings();
    return true;
  }
  int changed;
  if (!RowEditNotified(Handle(), kRulerRows, remembered_, id, code, changed)) return false;
  if (changed >= 0) {
    dialog->CollectSettings();
    if (changed == kTaperRow) dialog->RefreshPagePreview(2);
  }
  return true;
}

INT_PTR CPropRuler::OnMessage(UINT message, WPARAM, LPARAM lParam, bool& handled) {
  CSettingDialog* dialog = CSettingDialog::Current();
  if (message == WM_HSCROLL && lParam && dialog) {
    auto* slider = reinterpret_cast<HWND>(lParam);
    FollowSlider(Handle(), slider, kRulerRows);
    dialog->CollectSettings();
    // The canvas shows the taper: it follows the slider step by step, once the preset holds it.
    if (GetDlgCtrlID(slider) == kRulerRows[kTaperRow].slider) dialog->RefreshPagePreview(2);
    handled = true;
  }
  return 0;
}

// --- rims and bundles ---

CPropStyle::CPropStyle() : CSettingsPage(IDD_PAGE_STYLE) {}

BOOL CPropStyle::OnInitDialog() {
  edgeColor_.AttachDlgItem(Handle(), IDC_EDGE_COLOR);
  for (const SliderRow& row : kStyleRows) SetUpRow(Handle(), row);
  return TRUE;
}

bool CPropStyle::OnCommand(int id, int code, HWND) {
  CSettingDialog* dialog = CSettingDialog::Current();
  if (!dialog) return false;
  if (code == BN_CLICKED && id == IDC_EDGE_COLOR) {
    dialog->PickColor(edgeColor_);
    return true;
  }
  if (code == BN_CLICKED && IsRadio(id, IDC_EDGE_SEPARATE, 2)) {
    dialog->CollectSettings();
    return true;
  }
  int changed;
  if (!RowEditNotified(Handle(), kStyleRows, remembered_, id, code, changed)) return false;
  if (changed >= 0) dialog->CollectSettings();
  return true;
}

INT_PTR CPropStyle::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  CSettingDialog* dialog = CSettingDialog::Current();
  if (message == WM_HSCROLL && lParam && dialog) {
    FollowSlider(Handle(), reinterpret_cast<HWND>(lParam), kStyleRows);
    dialog->CollectSettings();
    handled = true;
  } else if (message == WM_DRAWITEM && wParam == IDC_EDGE_COLOR) {
    edgeColor_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    handled = true;
    return TRUE;
  }
  return 0;
}

}  // namespace lumbra
