// Small helpers for the standard controls, shared by every dialog: spin buttons (32-bit
// positions), sliders, check boxes and radio groups, and a window's text.
#pragma once

#include <windows.h>

#include <string>

namespace lumbra {

// A spin button's position; null spins read 0 and ignore writes. Reading makes the spin parse its
// buddy's text first (text it cannot read leaves the position as it was); writing rewrites the
// buddy, clamped to the range.
int SpinPos32(HWND spin);
void SetSpinPos32(HWND spin, int value);

// The same for control `id` of a dialog or page.
int SpinPosition(HWND dialog, int spin);
void SetSpinPosition(HWND dialog, int spin, int value);
int SliderPosition(HWND dialog, int slider);
void SetSliderPosition(HWND dialog, int slider, int value);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
// Checks radio first + value among the `count` radios from `first` on, clearing the others.
void CheckRadioOf(HWND dialog, int first, int count, int value);
// The offset of the checked radio among the `count` radios from `first` on (0 when none is).
int CheckedRadioOf(HWND dialog, int first, int count);

std::wstring WindowText(HWND window);

}  // namespace lumbra
