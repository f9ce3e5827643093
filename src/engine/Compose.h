// Composing the line layer over the picture: straight-alpha source-over, pixel for pixel.
#pragma once

#include "engine/Bitmap.h"

namespace lumbra {

// Composes `layer` (straight-alpha ARGB) source-over onto `picture` (any format; the RGB formats
// count as opaque), the top-left corners together, over the part both cover. Every pixel gets
// exactly BlendOver's result; transparent layer pixels leave the picture's bytes untouched.
void ComposeOver(Bitmap& picture, const Bitmap& layer);

}  // namespace lumbra
