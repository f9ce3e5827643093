#include "ui/editors/EditorDialog.h"

#include "data/Record.h"
#include "resources/resource.h"
#include "text/Text.h"
#include "ui/editors/InputBox.h"

namespace lumbra {

void CEditorDialog::InitEditor(int canvasId) {
  canvas_.AttachDlgItem(Handle(), canvasId);
  owner_.emplace(Handle());
}

bool CEditorDialog::FilterKeys(MSG& message) {
  if (message.message == WM_KEYDOWN) {
    if (message.wParam == 'S' && GetKeyState(VK_CONTROL) < 0)
      StoreUnderName();
    else
      canvas_.HandleKeyDown(static_cast<UINT>(message.wParam), message.hwnd);
    return true;
  }
  if (message.message == WM_KEYUP) {
    canvas_.RefreshCursor();
    return true;
  }
  return false;
}

void CEditorDialog::StoreUnderName() {
  const std::string name = AskName(text::kStoreInListMessage.Get(), text::kStoreInListCaption.Get(), "");
  if (!name.empty()) data_.Save(name, false);
}

void CEditorDialog::OnOK() {
  data_.Save(kLatestName, true);
  CDialog::OnOK();
}

bool CEditorDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_STORE_IN_LIST && code == BN_CLICKED) {
    StoreUnderName();
    return true;
  }
  return CDialog::OnCommand(id, code, control);
}

INT_PTR CEditorDialog::OnMessage(UINT message, WPARAM, LPARAM, bool&) {
  // A closed editor must not stay the owner of later message boxes.
  if (message == WM_DESTROY) owner_.reset();
  return 0;
}

}  // namespace lumbra
