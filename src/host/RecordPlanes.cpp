#include "host/RecordPlanes.h"

namespace lumbra {

using namespace host;

bool IsSupportedMode(const FilterRecord& r) {
  const bool deepMode = r.imageMode == plugInModeGray16 || r.imageMode == plugInModeRGB48;
  const bool flatMode = r.imageMode == plugInModeGrayScale || r.imageMode == plugInModeRGBColor;
  // Hosts older than the depth field leave it 0.
  return (flatMode && (r.depth == 0 || r.depth == 8)) || (deepMode && (r.depth == 0 || r.depth == 16));
}

bool IsGreyMode(const FilterRecord& r) { return r.imageMode == plugInModeGrayScale || r.imageMode == plugInModeGray16; }

int SampleDepth(const FilterRecord& r) {
  return r.depth == 16 || r.imageMode == plugInModeGray16 || r.imageMode == plugInModeRGB48 ? 16 : 8;
}

HostPlaneCounts InputCounts(const FilterRecord& r) {
  HostPlaneCounts counts;
  counts.layer = r.inLayerPlanes;
  counts.transparency = r.inTransparencyMask;
  counts.layerMasks = r.inLayerMasks;
  counts.invertedLayerMasks = r.inInvertedLayerMasks;
  counts.nonLayer = r.inNonLayerPlanes;
  return counts;
}

HostPlanes InputPlanes(const FilterRecord& r) {
  return DescribeHostPlanes(static_cast<uint8_t*>(r.inData), r.inRowBytes, r.inColumnBytes, !IsGreyMode(r),
                            SampleDepth(r), InputCounts(r), r.inHiPlane - r.inLoPlane + 1);
}

HostPlanes OutputPlanes(const FilterRecord& r) {
  // Start asks for the same planes out as in, so the input's counts describe the output too.
  return DescribeHostPlanes(static_cast<uint8_t*>(r.outData), r.outRowBytes, r.outColumnBytes, !IsGreyMode(r),
                            SampleDepth(r), InputCounts(r), r.outHiPlane - r.outLoPlane + 1);
}

}  // namespace lumbra
