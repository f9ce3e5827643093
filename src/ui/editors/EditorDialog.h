// What the layout editor and the ruler editor share: the canvas's key filtering, storing the
// data under a name ("リストに登録" or Ctrl+S), finishing by storing it as "latest", and owning
// the data layer's message boxes while the editor is open.
#pragma once

#include <windows.h>

#include <optional>

#include "data/LineData.h"
#include "platform/MessageServiceWin32.h"
#include "ui/editors/LayoutWindow.h"
#include "ui/framework/Dialog.h"

namespace lumbra {

class CEditorDialog : public CDialog {
 protected:
  // `data` and `canvas` are members of the derived editor; they are used only once it runs.
  CEditorDialog(int templateId, HWND parent, CLineData& data, CLayoutWindow& canvas)
      : CDialog(templateId, parent), data_(data), canvas_(canvas) {}

  // Attaches the canvas to control `canvasId` and makes this window the owner of message boxes.
  void InitEditor(int canvasId);
  // Ctrl+S stores under a name; other key-downs go to the canvas, key-ups refresh its cursor;
  // all three are consumed, so Enter, Escape and Tab do nothing on the editor's own controls.
  bool FilterKeys(MSG& message);
  void StoreUnderName();
  // "配置終了" / "OK": stored as "latest" (the outcome does not depend on the save), then closed.
  void OnOK() override;
  bool OnCommand(int id, int code, HWND control) override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  CLineData& data_;
  CLayoutWindow& canvas_;
  std::optional<ScopedMessageOwner> owner_;
};

}  // namespace lumbra
