// A tab control with one child page per tab, itself a child window of a dialog: the pages are
// dialogs built from their own templates, shown one at a time.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/framework/Dialog.h"
#include "ui/framework/Window.h"

namespace lumbra {

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(int templateId) : CDialog(templateId, nullptr) {}
};

class CPropertySheet : public CWindow {
 public:
  // Pages are borrowed; add them before Create. The tab titles are the pages' captions.
  void AddPage(CPropertyPage* page) { pages_.push_back(page); }
  // Creates the sheet as a child of `parent` over `rect` (parent client coordinates), with its
  // tab control and every page; the first page is shown.
  bool Create(HWND parent, const RECT& rect);
  void SetActivePage(int index);
  int ActiveIndex() const { return active_; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  CPropertyPage* Page(int index) const { return pages_[static_cast<size_t>(index)]; }
  HWND Tab() const { return tab_; }
  // Moves the sheet to `rect`; the tab control takes the sheet's client size less 10 each way and
  // the pages its display area.
  void Move(const RECT& rect);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void FitPages();

  std::vector<CPropertyPage*> pages_;
  HWND tab_ = nullptr;
  int active_ = -1;
};

}  // namespace lumbra
