// The values the setting pages' controls can show. A preset file may hold anything; what is shown
// and drawn is first brought into these ranges.
#pragma once

#include "data/PresetData.h"

namespace lumbra {

struct ValueRange {
  int min;
  int max;
};

inline constexpr ValueRange kIntervalRange{1, 5000};
inline constexpr ValueRange kOvershootRange{0, 5000};
inline constexpr ValueRange kHeightRange{1, 1000};
inline constexpr ValueRange kLengthRange{5, 10000};
inline constexpr ValueRange kMinPercentRange{1, 100};
inline constexpr ValueRange kThicknessRange{1, 1000};
inline constexpr ValueRange kTaperStartRange{0, 100};
inline constexpr ValueRange kAngleRange{-179, 180};
inline constexpr ValueRange kJitterRange{0, 4};
inline constexpr ValueRange kFourWayRange{0, 3};  // draw side, path position
inline constexpr ValueRange kSwitchRange{0, 1};   // antialias, from mask, pen tip, fixed taper, edge mode
inline constexpr ValueRange kEdgeWidthRange{0, CPresetData::kMaxEdgeWidth};
inline constexpr ValueRange kBundleLinesRange{1, CPresetData::kMaxBundleLines};
inline constexpr ValueRange kBundleGapRange{0, CPresetData::kMaxBundleGap};
inline constexpr ValueRange kPercentRange{0, 100};  // bundle variation

// Every setting of `preset` brought to the nearest value its control can show ("follows the path"
// stays as it is). True when anything changed.
bool ClampToControls(CPresetData& preset);

}  // namespace lumbra
