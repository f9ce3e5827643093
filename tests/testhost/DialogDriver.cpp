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

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring Describe(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  RECT r{};
  GetWindowRect(window, &r);
  return ClassOf(window) + L" \"" + text + L"\" #" + std::to_wstring(GetDlgCtrlID(window)) + L" at " +
         std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"-" + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom);
}

// Controls that may hold or sit on others: group boxes, frames, the pages' placeholder, tabs.
bool IsContainer(HWND window) {
  const std::wstring cls = ClassOf(window);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  if (cls == L"Button") return (style & 0x0F) == BS_GROUPBOX;
  if (cls == L"Static") return (style & SS_TYPEMASK) == SS_BLACKFRAME || (style & SS_TYPEMASK) == SS_ETCHEDFRAME;
  return cls == L"#32770" || cls == L"SysTabControl32";
}

// The text of a label, check box or radio fits its box on one line (check boxes and radios
// leave room for their mark).
bool TextFits(HWND window, std::wstring& text) {
  const std::wstring cls = ClassOf(window);
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  const bool label = cls == L"Static" && (style & SS_TYPEMASK) <= SS_RIGHT;
  const LONG kind = style & 0x0F;
  const bool mark = cls == L"Button" && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON ||
                                         kind == BS_RADIOBUTTON) && !(style & BS_PUSHLIKE);
  const bool push = cls == L"Button" && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || (style & BS_PUSHLIKE));
  if (!label && !mark && !push) return true;
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  text = buffer;
  if (text.empty()) return true;
  RECT box{};
  GetClientRect(window, &box);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  const int room = box.right - (mark ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0) - (push ? 4 : 0);
  return size.cx <= room;
}

}  // namespace

std::vector<std::wstring> LayoutFaults(HWND window) {
  std::vector<std::wstring> faults;
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child)) children.push_back(child);
  RECT inside{};
  GetClientRect(window, &inside);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&inside), 2);
  for (HWND child : children) {
    std::wstring text;
    if (!TextFits(child, text)) faults.push_back(L"cut: " + Describe(child));
    RECT r{}, clipped{};
    GetWindowRect(child, &r);
    IntersectRect(&clipped, &r, &inside);
    if (!EqualRect(&clipped, &r) && ClassOf(child) != L"ScrollBar")
      faults.push_back(L"outside its window (" + std::to_wstring(inside.bottom) + L"): " + Describe(child));
  }
  for (size_t i = 0; i < children.size(); ++i)
    for (size_t j = i + 1; j < children.size(); ++j) {
      if (IsContainer(children[i]) || IsContainer(children[j])) continue;
      // An up-down control sits against its edit by design.
      if (ClassOf(children[i]) == L"msctls_updown32" || ClassOf(children[j]) == L"msctls_updown32") continue;
      RECT a{}, b{}, both{};
      GetWindowRect(children[i], &a);
      GetWindowRect(children[j], &b);
      if (IntersectRect(&both, &a, &b)) faults.push_back(L"touching: " + Describe(children[i]) + L" / " + Describe(children[j]));
    }
  // Into pages, panels and the property sheet that holds the pages (not into the parts of
  // common controls).
  for (HWND child : children) {
    const std::wstring cls = ClassOf(child);
    if (cls == L"ComboBox" || cls == L"ListBox" || cls == L"Edit" || cls == L"SysTabControl32" ||
        cls == L"msctls_trackbar32" || !GetWindow(child, GW_CHILD))
      continue;
    const auto inner = LayoutFaults(child);
    faults.insert(faults.end(), inner.begin(), inner.end());
  }
  return faults;
}

}  // namespace lumbra::test
