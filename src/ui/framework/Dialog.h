// The base of every dialog of the plug-in: built from a template in the plug-in's resources,
// run in its own modal loop, which offers each message to PreTranslateMessage before the
// standard dialog keyboard handling.
#pragma once

#include <windows.h>

namespace lumbra {

class CDialog {
 public:
  CDialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Creates the window, disables the owner, runs until EndDialog, destroys the window and
  // returns the value given to EndDialog (IDCANCEL if the window could not be created). What a
  // handler of any of our windows threw meanwhile ends the loop and is thrown from here.
  INT_PTR DoModal();
  // Creates the window without a loop of its own (a child page, a modeless window), with
  // `parent` as its parent when one is given.
  bool Create(HWND parent = nullptr);
  void EndDialog(INT_PTR result);

  HWND Handle() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  HWND Parent() const { return parent_; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // A control notification or menu command; true when handled.
  virtual bool OnCommand(int id, int code, HWND control);
  // Any other message; set `handled` to keep it from the default handling.
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

 public:
  // Offered every message of the modal loop first; true when it was consumed.
  virtual bool PreTranslateMessage(MSG& message);

 protected:
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND parent_;
  HWND window_ = nullptr;
  bool ended_ = false;
  bool modal_ = false;
  INT_PTR result_ = IDCANCEL;
};

}  // namespace lumbra
