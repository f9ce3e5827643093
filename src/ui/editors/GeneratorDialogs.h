// The two path generators of the layout editor's line panel: "線の配置" (a straight line cut
// into equal parts) and "多角形" (a regular polygon on an ellipse). Each replaces the layout's
// path on OK; cancel leaves it untouched. The arithmetic is LineGenerator's and
// PolygonGenerator's.
#pragma once

#include <windows.h>

#include <vector>

#include "data/LayoutData.h"
#include "ui/editors/model/PathGenerators.h"
#include "ui/framework/Dialog.h"

namespace lumbra {

// A dialog of spin fields, each with a range and a default, centred on its parent.
class CSpinFieldsDialog : public CDialog {
 public:
  struct Field {
    int edit, spin;
    SpinRange range;
    int initial;
  };

 protected:
  CSpinFieldsDialog(int templateId, HWND parent, std::vector<Field> fields)
      : CDialog(templateId, parent), fields_(std::move(fields)) {}
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  // The field's value: its spin's position, always inside the range.
  int Value(size_t field) const;

 private:
  std::vector<Field> fields_;
};

class CLinePosDialog : public CSpinFieldsDialog {
 public:
  CLinePosDialog(CLayoutData& layout, HWND parent);

 protected:
  void OnOK() override;

 private:
  CLayoutData& layout_;
};

class CPolyPosDialog : public CSpinFieldsDialog {
 public:
  CPolyPosDialog(CLayoutData& layout, HWND parent);

 protected:
  void OnOK() override;

 private:
  CLayoutData& layout_;
};

}  // namespace lumbra
