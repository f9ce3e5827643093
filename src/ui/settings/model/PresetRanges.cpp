#include "ui/settings/model/PresetRanges.h"

#include <algorithm>

namespace lumbra {

namespace {

template <typename T>
void Clamp(T& value, ValueRange range, bool& changed) {
  const auto clamped = static_cast<T>(std::clamp<long long>(value, range.min, range.max));
  changed |= clamped != value;
  value = clamped;
}

}  // namespace

bool ClampToControls(CPresetData& p) {
  bool changed = false;
  Clamp(p.antialias, kSwitchRange, changed);
  Clamp(p.lengthFromMask, kSwitchRange, changed);
  Clamp(p.drawSide, kFourWayRange, changed);
  if (p.angle != CPresetData::kAngleFollowsPath) Clamp(p.angle, kAngleRange, changed);
  Clamp(p.interval, kIntervalRange, changed);
  Clamp(p.jitter, kJitterRange, changed);
  Clamp(p.overshoot, kOvershootRange, changed);
  Clamp(p.pathPosition, kFourWayRange, changed);
  Clamp(p.penTip, kSwitchRange, changed);
  Clamp(p.height, kHeightRange, changed);
  Clamp(p.length, kLengthRange, changed);
  Clamp(p.minLengthPercent, kMinPercentRange, changed);
  Clamp(p.thickness, kThicknessRange, changed);
  Clamp(p.minThicknessPercent, kMinPercentRange, changed);
  Clamp(p.taperStart, kTaperStartRange, changed);
  Clamp(p.fixedTaper, kSwitchRange, changed);
  Clamp(p.edgeWidth, kEdgeWidthRange, changed);
  Clamp(p.edgeMode, kSwitchRange, changed);
  Clamp(p.bundleLines, kBundleLinesRange, changed);
  Clamp(p.bundleGap, kBundleGapRange, changed);
  Clamp(p.bundleVariation, kPercentRange, changed);
  return changed;
}

}  // namespace lumbra
