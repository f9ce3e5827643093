// A picture at a zoom, a region at a time, for showing it: the preview box never needs more than
// the pixels it shows, whatever the picture's size.
//
// Geometry. At the ratio r, zoomed pixel (k, l) stands for the source area [k / r, (k + 1) / r) x
// [l / r, (l + 1) / r). Shrinking (r < 1) averages that area exactly (each source pixel weighted by
// the part of it inside, colours weighted by their alpha; parts outside the source do not count).
// Enlarging or keeping the size (r >= 1) takes the source pixel under the zoomed pixel's centre.
#pragma once

#include "engine/Bitmap.h"

namespace lumbra {

// The zoomed size of a source side: whole zoomed pixels only, at least 1 for a non-empty side.
int ZoomedSide(int side, double ratio);

// Fills `out` (Argb32, straight alpha) with zoomed pixels (left + i, top + j) of `src` at `ratio`.
// Zoomed pixels beyond the source are transparent. Transparent source pixels cost almost nothing
// when shrinking, so a sparse line layer is cheap to zoom out. `threads` share the rows.
void ZoomRegion(const Bitmap& src, double ratio, int left, int top, Bitmap& out, int threads = 1);

}  // namespace lumbra
