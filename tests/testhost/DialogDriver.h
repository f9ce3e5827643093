// Driving the settings dialog from a second thread as a person would: tabs, focus moving in and
// out of edits, typing, sliders, radios, list choices; and reading what it shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace lumbra::test {

HWND TabControlOf(HWND dialog);
// Activates tab `index` of the dialog's property sheet as a click on the tab does.
void ShowTab(HWND dialog, int index);
// The page of the dialog that holds control `id`.
HWND PageWith(HWND dialog, int id);

// Moves the keyboard focus to a control (the dialog's own thread does it).
void Focus(HWND control);
// Focus into the edit, its text replaced, focus on to `next`.
void TypeInto(HWND page, int edit, const std::wstring& text, HWND next);
// The slider moved to `position` as a drag of its thumb reports it.
void Slide(HWND page, int slider, int position);
// A mouse click on a button, check box or radio.
void Click(HWND page, int id);
// Entry `index` chosen in a drop-down list.
void Choose(HWND page, int list, int index);
// The same, without waiting for the page to handle it (for choices that open a modal box).
void ChooseLater(HWND page, int list, int index);

std::wstring Text(HWND page, int id);
std::vector<std::wstring> Entries(HWND page, int list);
int Selection(HWND page, int list);
int SliderAt(HWND page, int slider);
bool Checked(HWND page, int id);

// What a person would call a layout fault in `window` and its visible descendants: a label,
// check box or radio whose text does not fit on one line in its box ("cut: ..."), or two sibling
// controls that overlap ("touching: ... / ..."); group boxes and frames may hold others.
std::vector<std::wstring> LayoutFaults(HWND window);

// Holds keys down for the calling thread (the one that runs the dialog) while it lives.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys);
  ~HeldKeys();
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE saved_[256] = {};
};

}  // namespace lumbra::test
