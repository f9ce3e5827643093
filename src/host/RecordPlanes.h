// What the filter record says about the pixels of a run: the image mode and sample depth, and
// where the target's planes lie in the host's input and output buffers.
#pragma once

#include "host/HostInterface.h"
#include "host/model/PixelTransfer.h"

namespace lumbra {

// Greyscale and RGB, 8 or 16 bits a sample: the modes the filter draws. Others are refused.
bool IsSupportedMode(const host::FilterRecord& r);
// The document is grey (Grayscale or Gray16): the colour picker works in grey.
bool IsGreyMode(const host::FilterRecord& r);
// 16 for the 16-bit modes (or when the host says so), else 8.
int SampleDepth(const host::FilterRecord& r);
// The planes the host reports for the target, in their order.
HostPlaneCounts InputCounts(const host::FilterRecord& r);
// The input and output buffers as the host delivered them (the output holds the same planes).
HostPlanes InputPlanes(const host::FilterRecord& r);
HostPlanes OutputPlanes(const host::FilterRecord& r);

}  // namespace lumbra
