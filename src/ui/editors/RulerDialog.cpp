#include "ui/editors/RulerDialog.h"

#include "resources/resource.h"

namespace lumbra {

CRulerDialog::CRulerDialog(HWND parent) : CEditorDialog(IDD_RULER_EDITOR, parent, ruler_, canvas_) {
  canvas_.SetData(false, true, &ruler_);
}

BOOL CRulerDialog::OnInitDialog() {
  InitEditor(IDC_RULER_EDITOR_CANVAS);
  CheckRadioButton(Handle(), IDC_JOIN_STRAIGHT, IDC_JOIN_CURVE, IDC_JOIN_STRAIGHT);
  // x 0..100 across the canvas; y 0 on the middle line, 100 five pixels above the bottom.
  const SIZE size = canvas_.InnerSize();
  canvas_.SetDrawRect(5, size.cy / 2, size.cx - 5, size.cy - 5);
  canvas_.SetLimitRect(0, -100, 100, 100);
  canvas_.Redraw();
  return TRUE;
}

bool CRulerDialog::OnCommand(int id, int code, HWND control) {
  if ((id == IDC_JOIN_STRAIGHT || id == IDC_JOIN_CURVE) && code == BN_CLICKED) {
    ruler_.SetMode(id == IDC_JOIN_CURVE ? CRulerData::kCurve : CRulerData::kStraight);
    canvas_.Redraw();
    return true;
  }
  return CEditorDialog::OnCommand(id, code, control);
}

}  // namespace lumbra
