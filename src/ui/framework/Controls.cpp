#include "ui/framework/Controls.h"

#include <commctrl.h>

namespace lumbra {

int SpinPos32(HWND spin) { return spin ? static_cast<int>(SendMessageW(spin, UDM_GETPOS32, 0, 0)) : 0; }
void SetSpinPos32(HWND spin, int value) {
  if (spin) SendMessageW(spin, UDM_SETPOS32, 0, value);
}

int SpinPosition(HWND dialog, int spin) { return SpinPos32(GetDlgItem(dialog, spin)); }
void SetSpinPosition(HWND dialog, int spin, int value) { SetSpinPos32(GetDlgItem(dialog, spin), value); }

int SliderPosition(HWND dialog, int slider) {
  return static_cast<int>(SendDlgItemMessageW(dialog, slider, TBM_GETPOS, 0, 0));
}
void SetSliderPosition(HWND dialog, int slider, int value) {
  SendDlgItemMessageW(dialog, slider, TBM_SETPOS, TRUE, value);
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void SetChecked(HWND dialog, int id, bool checked) {
  CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}
void CheckRadioOf(HWND dialog, int first, int count, int value) {
  for (int i = 0; i < count; ++i) SetChecked(dialog, first + i, i == value);
}
int CheckedRadioOf(HWND dialog, int first, int count) {
  for (int i = 0; i < count; ++i)
    if (IsChecked(dialog, first + i)) return i;
  return 0;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace lumbra
