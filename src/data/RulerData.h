// A ruler: the shape of one effect line, a polyline (or curve) in percent coordinates
// along the stroke (x 0..100) and across it (y -100..100).
#pragma once

#include <vector>

#include "data/LineData.h"
#include "engine/Outline.h"

namespace lumbra {

class CRulerData : public CLineData {
 public:
  static constexpr uint8_t kStraight = 0;
  static constexpr uint8_t kCurve = 1;

  CRulerData();
  CRulerData(const CRulerData&) = default;
  CRulerData& operator=(const CRulerData&) = default;

  void DrawPreview(Bitmap& target, int selectedIndex, int left, int top, int right, int bottom) override;
  bool Save(const std::string& name, bool asLatest) override;
  bool Load(const std::string& name) override;
  void SetDefaults() override;
  void CopyTo(CLineData& target) const override;
  void ReadFile(const std::string& path) override;

  bool GetMillPen() const { return millPen; }
  bool GetFixedTaper() const { return fixedTaper; }
  float GetTaperStart() const { return taperStart; }
  float GetLengthPercent() const { return lengthPercent; }
  void SetMillPen(bool value) { millPen = value; }
  void SetFixedTaper(bool value) { fixedTaper = value; }
  void SetTaperStart(float value);
  void SetLengthPercent(float value);

  // The outline of one stroke along `pts` (normally this ruler's own points): length in pixels,
  // height the pixel distance of y = 100, thickness the pen's. May lower taperStart.
  void BuildOutline(const std::vector<Point>& pts, int length, int height, float thickness, std::vector<PointF>& out);
  static void SmoothCurve(const std::vector<Point>& pts, std::vector<PointF>& out);
  static void SmoothCurve(const std::vector<PointF>& pts, std::vector<PointF>& out);

  // The kept points of the preview: a point whose screen column equals the last kept one is skipped.
  struct PreviewPoints {
    std::vector<Point> kept;
    std::vector<PointF> screen;
  };
  PreviewPoints PreviewPointsFor(int left, int top, int right, int bottom) const;

 private:
  bool millPen = true;
  bool fixedTaper = false;
  float taperStart = 50.0f;
  float lengthPercent = 100.0f;
  OutlineCache outlineCache_;  // between the outlines of one render's strokes
};

}  // namespace lumbra
