#include "ui/framework/Window.h"

#include <commctrl.h>

#include "ui/framework/Exceptions.h"

namespace lumbra {

namespace {
constexpr UINT_PTR kSubclassId = 0x4C4D4252;  // one subclass of ours per window
constexpr wchar_t kOwnerProperty[] = L"LumbraWindow";
}

CWindow::~CWindow() { Detach(); }

bool CWindow::Attach(HWND window) {
  if (!window || window_) return false;
  if (GetPropW(window, kOwnerProperty)) return false;
  if (!SetWindowSubclass(window, &CWindow::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  SetPropW(window, kOwnerProperty, this);
  window_ = window;
  OnAttached();
  return true;
}

void CWindow::Detach() {
  if (!window_) return;
  RemoveWindowSubclass(window_, &CWindow::SubclassProc, kSubclassId);
  RemovePropW(window_, kOwnerProperty);
  window_ = nullptr;
}

LRESULT CWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return DefProc(message, wParam, lParam); }

LRESULT CWindow::DefProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(window_, message, wParam, lParam);
}

LRESULT CALLBACK CWindow::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) {
  auto* object = reinterpret_cast<CWindow*>(self);
  if (message == WM_NCDESTROY) {
    // The window goes: the object lets go of it first.
    const LRESULT result = object->WindowProc(message, wParam, lParam);
    RemoveWindowSubclass(window, &CWindow::SubclassProc, kSubclassId);
    RemovePropW(window, kOwnerProperty);
    object->window_ = nullptr;
    return result;
  }
  try {
    return object->WindowProc(message, wParam, lParam);
  } catch (...) {
    KeepCurrentException();
    return 0;
  }
}

}  // namespace lumbra
