// A layout: where the effect lines stand, as a path (percent of the picture) or an
// elliptical arc (centre, radii, start and sweep in degrees).
#pragma once

#include "data/LineData.h"

namespace lumbra {

class CLayoutData : public CLineData {
 public:
  static constexpr uint8_t kLine = 0;
  static constexpr uint8_t kCircle = 1;

  CLayoutData();
  CLayoutData(const CLayoutData&) = default;
  CLayoutData& operator=(const CLayoutData&) = default;

  void DrawPreview(Bitmap& target, int selectedIndex, int left, int top, int right, int bottom) override;
  bool Save(const std::string& name, bool asLatest) override;
  bool Load(const std::string& name) override;
  void SetDefaults() override;
  void CopyTo(CLineData& target) const override;
  void ReadFile(const std::string& path) override;

  // Circle mode with entries (cx, cy), (rx, ry), (start, sweep).
  void SetCircle(int cx, int cy, int rx, int ry, int start, int sweep);
  // The full circle round the picture's centre that reaches past its corners.
  void SetDefaultCircle();
};

}  // namespace lumbra
