// The rim drawn around a stroke: the stroke's outline widened on every side.
#pragma once

#include <vector>

#include "core/Geometry.h"

namespace lumbra {

// `outline` (a closed polygon, either orientation) widened by `width` with round joins, as one
// closed contour that encloses the outline itself: filled with the non-zero rule it covers every
// point within `width` of the outline or inside it. The round joins stray from their circles by
// at most `tolerance`. Empty when the outline has fewer than two distinct points.
void EdgeContour(const std::vector<PointF>& outline, float width, float tolerance, std::vector<PointF>& contour);

}  // namespace lumbra
