#include "ui/framework/PropertySheet.h"

#include <commctrl.h>

#include "ui/framework/Module.h"

namespace lumbra {

namespace {

constexpr wchar_t kSheetClass[] = L"LumbraPropertySheet";
constexpr int kTabMargin = 5;

void RegisterSheetClass() {
  static const bool registered = [] {
    WNDCLASSEXW c{};
    c.cbSize = sizeof(c);
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = PluginModule();
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = kSheetClass;
    return RegisterClassExW(&c) != 0;
  }();
  (void)registered;
}

}  // namespace

bool CPropertySheet::Create(HWND parent, const RECT& rect) {
  RegisterSheetClass();
  HWND sheet = CreateWindowExW(WS_EX_CONTROLPARENT, kSheetClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                               rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                               PluginModule(), nullptr);
  if (!sheet || !Attach(sheet)) return false;
  tab_ = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, kTabMargin,
                         kTabMargin, 10, 10, sheet, nullptr, PluginModule(), nullptr);
  if (!tab_) return false;
  SendMessageW(tab_, WM_SETFONT, SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (!pages_[i]->Create(sheet)) return false;
    SetWindowLongPtrW(pages_[i]->Handle(), GWL_EXSTYLE,
                      GetWindowLongPtrW(pages_[i]->Handle(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    wchar_t title[128] = {};
    GetWindowTextW(pages_[i]->Handle(), title, 128);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = title;
    SendMessageW(tab_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  Move(rect);
  SetActivePage(0);
  return true;
}

void CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= PageCount()) return;
  active_ = index;
  SendMessageW(tab_, TCM_SETCURSEL, index, 0);
  for (int i = 0; i < PageCount(); ++i) {
    HWND page = pages_[static_cast<size_t>(i)]->Handle();
    if (i == index) {
      SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else {
      ShowWindow(page, SW_HIDE);
    }
  }
}

void CPropertySheet::Move(const RECT& rect) {
  MoveWindow(Handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
  RECT client;
  GetClientRect(Handle(), &client);
  SetWindowPos(tab_, nullptr, 0, 0, client.right - 10, client.bottom - 10, SWP_NOMOVE | SWP_NOZORDER);
  FitPages();
}

void CPropertySheet::FitPages() {
  RECT area;
  GetWindowRect(tab_, &area);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
  TabCtrl_AdjustRect(tab_, FALSE, &area);
  for (CPropertyPage* page : pages_)
    SetWindowPos(page->Handle(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->hwndFrom == tab_ && header->code == TCN_SELCHANGE) {
      SetActivePage(static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)));
      return 0;
    }
  }
  return DefProc(message, wParam, lParam);
}

}  // namespace lumbra
