// A window of the dialog layer that takes over an existing control (or any window) to handle
// its messages: WindowProc sees every message first and passes the rest on with DefProc.
#pragma once

#include <windows.h>

namespace lumbra {

class CWindow {
 public:
  CWindow() = default;
  virtual ~CWindow();
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;

  // Takes over the window; false when it is null or already taken over by another object.
  bool Attach(HWND window);
  bool AttachDlgItem(HWND dialog, int id) { return Attach(GetDlgItem(dialog, id)); }
  void Detach();
  HWND Handle() const { return window_; }

 protected:
  // Called once, right after the window was taken over.
  virtual void OnAttached() {}
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  HWND window_ = nullptr;
};

}  // namespace lumbra
