// The ruler editor "定規": the default ruler on the editing canvas, where points are placed,
// moved and removed, and "直線" or "曲線" for how they are joined.
#pragma once

#include <windows.h>

#include "data/RulerData.h"
#include "ui/editors/EditorDialog.h"
#include "ui/editors/LayoutWindow.h"

namespace lumbra {

class CRulerDialog : public CEditorDialog {
 public:
  explicit CRulerDialog(HWND parent);
  CRulerData& Ruler() { return ruler_; }
  bool PreTranslateMessage(MSG& message) override { return FilterKeys(message); }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  CRulerData ruler_;
  CLayoutWindow canvas_;
};

}  // namespace lumbra
