#include "ui/editors/GeneratorDialogs.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "ui/editors/model/PointFile.h"
#include "ui/framework/Controls.h"
#include "ui/framework/Module.h"

namespace lumbra {

BOOL CSpinFieldsDialog::OnInitDialog() {
  for (const Field& field : fields_) {
    SendDlgItemMessageW(Handle(), field.spin, UDM_SETRANGE32, field.range.min, field.range.max);
    SetSpinPosition(Handle(), field.spin, field.initial);
  }
  // Centred on the editor.
  if (Parent()) {
    RECT parent{}, own{};
    GetWindowRect(Parent(), &parent);
    GetWindowRect(Handle(), &own);
    SetWindowPos(Handle(), nullptr, (parent.left + parent.right - (own.right - own.left)) / 2,
                 (parent.top + parent.bottom - (own.bottom - own.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
}

bool CSpinFieldsDialog::OnCommand(int id, int code, HWND control) {
  if (code == EN_KILLFOCUS)
    for (const Field& field : fields_)
      if (field.edit == id) {
        // Out-of-range text goes to the nearest end of the range, as in the editor's fields.
        SetSpinPosition(Handle(), field.spin,
                        ClampedDecimal(Narrow(WindowText(Item(field.edit))), field.range.min, field.range.max));
        return true;
      }
  return CDialog::OnCommand(id, code, control);
}

int CSpinFieldsDialog::Value(size_t field) const {
  return SpinPosition(Handle(), fields_[field].spin);
}

CLinePosDialog::CLinePosDialog(CLayoutData& layout, HWND parent)
    : CSpinFieldsDialog(IDD_LINE_GENERATOR, parent,
                        {{IDC_LINE_START_X_EDIT, IDC_LINE_START_X_SPIN, LineGenerator::kCoordinateRange, 50},
                         {IDC_LINE_START_Y_EDIT, IDC_LINE_START_Y_SPIN, LineGenerator::kCoordinateRange, 0},
                         {IDC_LINE_END_X_EDIT, IDC_LINE_END_X_SPIN, LineGenerator::kCoordinateRange, 50},
                         {IDC_LINE_END_Y_EDIT, IDC_LINE_END_Y_SPIN, LineGenerator::kCoordinateRange, 100},
                         {IDC_DIVISIONS_EDIT, IDC_DIVISIONS_SPIN, LineGenerator::kDivisionsRange, 1}}),
      layout_(layout) {}

void CLinePosDialog::OnOK() {
  LineGenerator{Value(0), Value(1), Value(2), Value(3), Value(4)}.Apply(layout_);
  CDialog::OnOK();
}

CPolyPosDialog::CPolyPosDialog(CLayoutData& layout, HWND parent)
    : CSpinFieldsDialog(IDD_POLYGON_GENERATOR, parent,
                        {{IDC_CIRCLE_CX_EDIT, IDC_CIRCLE_CX_SPIN, PolygonGenerator::kCentreRange, 50},
                         {IDC_CIRCLE_CY_EDIT, IDC_CIRCLE_CY_SPIN, PolygonGenerator::kCentreRange, 50},
                         {IDC_CIRCLE_RX_EDIT, IDC_CIRCLE_RX_SPIN, PolygonGenerator::kRadiusRange, 75},
                         {IDC_CIRCLE_RY_EDIT, IDC_CIRCLE_RY_SPIN, PolygonGenerator::kRadiusRange, 75},
                         {IDC_VERTICES_EDIT, IDC_VERTICES_SPIN, PolygonGenerator::kVerticesRange, 36},
                         {IDC_POLYGON_START_EDIT, IDC_POLYGON_START_SPIN, PolygonGenerator::kStartAngleRange, 0},
                         {IDC_DIVISIONS_EDIT, IDC_DIVISIONS_SPIN, PolygonGenerator::kDivisionsRange, 1}}),
      layout_(layout) {}

void CPolyPosDialog::OnOK() {
  PolygonGenerator generator;
  generator.centreX = Value(0);
  generator.centreY = Value(1);
  generator.radiusX = Value(2);
  generator.radiusY = Value(3);
  generator.vertices = Value(4);
  generator.startAngle = Value(5);
  generator.divisionsPerSide = Value(6);
  generator.Apply(layout_);
  CDialog::OnOK();
}

}  // namespace lumbra
