#include "ui/editors/InputBox.h"

#include <utility>

#include "InputBoxIds.h"
#include "ui/editors/model/NameField.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Module.h"

namespace lumbra {

CInputBox::CInputBox(std::string message, std::string title, std::string initialText, HWND parent)
    : CDialog(IDD_INPUT_BOX, parent),
      title_(std::move(title)),
      message_(std::move(message)),
      initialText_(std::move(initialText)) {}

BOOL CInputBox::OnInitDialog() {
  SetWindowTextW(Handle(), Widen(title_).c_str());
  SetDlgItemTextW(Handle(), IDC_INPUT_BOX_MESSAGE, Widen(message_).c_str());
  // The edit counts UTF-16 units; the limit in code page 932 bytes is kept on every change.
  SendMessageW(Item(IDC_INPUT_BOX_TEXT), EM_LIMITTEXT, kNameFieldLimit, 0);
  fieldText_ = initialText_;
  SetDlgItemTextW(Handle(), IDC_INPUT_BOX_TEXT, Widen(initialText_).c_str());
  return TRUE;
}

bool CInputBox::OnCommand(int id, int code, HWND control) {
  if (id == IDC_INPUT_BOX_TEXT && code == EN_CHANGE) {
    KeepFieldWithinLimit();
    return true;
  }
  return CDialog::OnCommand(id, code, control);
}

void CInputBox::OnOK() {
  result_ = FieldText();
  CDialog::OnOK();
}

std::string CInputBox::FieldText() const {
  return Narrow(WindowText(Item(IDC_INPUT_BOX_TEXT)));
}

void CInputBox::KeepFieldWithinLimit() {
  const std::string text = FieldText();
  const auto fitted = FitNameEdit(fieldText_, text);
  if (!fitted) {
    fieldText_ = text;
    return;
  }
  // Setting the text comes back here with the text already allowed.
  fieldText_ = fitted->text;
  HWND field = Item(IDC_INPUT_BOX_TEXT);
  SetWindowTextW(field, Widen(fieldText_).c_str());
  const auto caret = static_cast<WPARAM>(Widen(std::string_view(fieldText_).substr(0, fitted->caret)).size());
  SendMessageW(field, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

std::string AskName(std::string message, std::string title, std::string initialText) {
  // Modal to the window the user is working in (a dialog or an editor), which waits for it.
  CInputBox box(std::move(message), std::move(title), std::move(initialText), GetActiveWindow());
  if (box.DoModal() == IDCANCEL) return {};
  return box.Result();
}

}  // namespace lumbra
