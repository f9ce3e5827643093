#include "testhost/DialogDriver.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "testhost/Automation.h"

namespace lumbra::test {

namespace {

BOOL CALLBACK FindTab(HWND child, LPARAM out) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (std::wstring(name) != WC_TABCONTROLW) return TRUE;
  *reinterpret_cast<HWND*>(out) = child;
  return FALSE;
}

BOOL CALLBACK FindPage(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<int, HWND>*>(param);
  if (!GetDlgItem(child, search->first)) return TRUE;
  search->second = child;
  return FALSE;
}

}  // namespace

HWND TabControlOf(HWND dialog) {
  HWND found = nullptr;
  EnumChildWindows(dialog, FindTab, reinterpret_cast<LPARAM>(&found));
  return found;
}

void ShowTab(HWND dialog, int index) {
  HWND tab = TabControlOf(dialog);
  SendMessageW(tab, TCM_SETCURSEL, index, 0);
  NMHDR header{tab, static_cast<UINT_PTR>(GetDlgCtrlID(tab)), TCN_SELCHANGE};
  SendMessageW(GetParent(tab), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

HWND PageWith(HWND dialog, int id) {
  std::pair<int, HWND> search{id, nullptr};
  EnumChildWindows(dialog, FindPage, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

void Focus(HWND control) {
  SendMessageW(GetAncestor(control, GA_ROOT), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void TypeInto(HWND page, int edit, const std::wstring& text, HWND next) {
  Focus(GetDlgItem(page, edit));
  SendMessageW(GetDlgItem(page, edit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  Focus(next);
}

void Slide(HWND page, int slider, int position) {
  HWND control = GetDlgItem(page, slider);
  SendMessageW(control, TBM_SETPOS, TRUE, position);
  SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(control));
}

void Click(HWND page, int id) { SendMessageW(GetDlgItem(page, id), BM_CLICK, 0, 0); }

void Choose(HWND page, int list, int index) {
  HWND combo = GetDlgItem(page, list);
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void ChooseLater(HWND page, int list, int index) {
  HWND combo = GetDlgItem(page, list);
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  PostMessageW(page, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::wstring Text(HWND page, int id) { return testhost::WindowText(GetDlgItem(page, id)); }

std::vector<std::wstring> Entries(HWND page, int list) {
  HWND combo = GetDlgItem(page, list);
  std::vector<std::wstring> entries;
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
    entries.push_back(text);
  }
  return entries;
}

int Selection(HWND page, int list) { return static_cast<int>(SendDlgItemMessageW(page, list, CB_GETCURSEL, 0, 0)); }
int SliderAt(HWND page, int slider) { return static_cast<int>(SendDlgItemMessageW(page, slider, TBM_GETPOS, 0, 0)); }
bool Checked(HWND page, int id) { return SendDlgItemMessageW(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

HeldKeys::HeldKeys(std::initializer_list<int> keys) {
  GetKeyboardState(saved_);
  BYTE held[256];
  std::copy(std::begin(saved_), std::end(saved_), held);
  for (int key : keys) held[key] |= 0x80;
  SetKeyboardState(held);
}

HeldKeys::~HeldKeys() { SetKeyboardState(saved_); }

}  // namespace lumbra::test
