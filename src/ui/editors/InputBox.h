// The name-entry dialog: a prompt, one line of text, OK and Cancel. It does not check the text;
// cleaning the name and refusing reserved or existing names is the data layer's work on saving.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/Dialog.h"

namespace lumbra {

class CInputBox : public CDialog {
 public:
  CInputBox(std::string message, std::string title, std::string initialText, HWND parent);

  // The field's text when OK was pressed.
  const std::string& Result() const { return result_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override;

 private:
  std::string FieldText() const;
  void KeepFieldWithinLimit();

  std::string title_;
  std::string message_;
  std::string result_;
  std::string initialText_;
  std::string fieldText_;  // the field as last allowed, to take back what goes over the limit
};

// Asks for a name; the empty string when the dialog was cancelled (button, close box, Escape).
std::string AskName(std::string message, std::string title, std::string initialText);

}  // namespace lumbra
