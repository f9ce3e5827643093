#include "ui/framework/Dialog.h"

#include <commctrl.h>

#include "ui/framework/Exceptions.h"
#include "ui/framework/Module.h"

namespace lumbra {

CDialog::~CDialog() {
  if (window_) DestroyWindow(window_);
}

bool CDialog::Create(HWND parent) {
  if (parent) parent_ = parent;
  // The common controls the templates use must be registered in this process.
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS |
                                                                     ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                                     ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)registered;
  window_ = CreateDialogParamW(PluginModule(), MAKEINTRESOURCEW(templateId_), parent_, &CDialog::DialogProc,
                               reinterpret_cast<LPARAM>(this));
  return window_ != nullptr;
}

INT_PTR CDialog::DoModal() {
  ended_ = false;
  modal_ = true;
  result_ = IDCANCEL;
  const bool ownerWasEnabled = parent_ && IsWindowEnabled(parent_);
  if (!Create()) {
    ThrowPendingException();
    return IDCANCEL;
  }
  if (ownerWasEnabled) EnableWindow(parent_, FALSE);
  ShowWindow(window_, SW_SHOW);

  MSG message;
  while (!ended_ && !ExceptionPending()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // leave the quit for the host's loop
      break;
    }
    if (got < 0) break;
    if (PreTranslateMessage(message)) continue;
    if (IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The owner comes back before this window goes, so the activation returns to it.
  if (ownerWasEnabled) EnableWindow(parent_, TRUE);
  DestroyWindow(window_);
  window_ = nullptr;
  modal_ = false;
  ThrowPendingException();  // what a handler threw goes on from here, on our side of the system
  return result_;
}

void CDialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  if (window_ && modal_) {
    ShowWindow(window_, SW_HIDE);
    // Ended from a message sent by another thread, the loop would wait in GetMessage for a
    // posted one: give it one.
    PostMessageW(window_, WM_NULL, 0, 0);
  }
}

bool CDialog::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

INT_PTR CDialog::OnMessage(UINT, WPARAM, LPARAM, bool&) { return 0; }

bool CDialog::PreTranslateMessage(MSG&) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return HandleMessage(window, message, wParam, lParam);
  } catch (...) {
    KeepCurrentException();
    if (auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER))) self->EndDialog(IDCANCEL);
    return FALSE;
  }
}

INT_PTR CDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->window_ = window;
    LocalizeWindowTexts(window);
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    self->window_ = nullptr;
    return FALSE;
  }
  if (message == WM_COMMAND) return self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
  bool handled = false;
  const INT_PTR result = self->OnMessage(message, wParam, lParam, handled);
  if (handled) {
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
  if (message == WM_CLOSE) {
    self->OnCancel();
    return TRUE;
  }
  return FALSE;
}

}  // namespace lumbra
