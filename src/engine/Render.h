// The rendering pass: draws every effect line of one preset into the line layer, a transparent
// straight-alpha ARGB bitmap of the picture's size, which the caller then composes over the
// picture (Compose.h).
//
// The pass clears the target, sets anti-aliased (high quality smoothing, half pixel offset) or
// aliased drawing, walks the layout (Placement.h), and fills one outline per placed side with a
// single colour (grey when the preset is marked grayscale), each with its rim just before it when
// the preset gives the strokes an edge (or, merged, every rim before the first stroke). It polls the abort flag at the start
// of every placement step, right after the progress call for that step, so a job aborted before it
// starts draws nothing. Only the target is written; the preset is read and left unchanged.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/Geometry.h"
#include "engine/Placement.h"

namespace lumbra {

class Bitmap;
class CPresetData;

struct RenderJob {
  const CPresetData* preset = nullptr;
  Bitmap* target = nullptr;
  const MaskInfo* mask = nullptr;  // null: no selection
  // At the start of every step with (position, path length), and once with (0, 0) at the end of
  // a finished walk. May set `abort` to stop the render.
  std::function<void(int32_t position, int32_t total)> progress;
  // Once, when the walk has run to its end.
  std::function<void()> completion;
  // Renders on more than one thread paint their strokes together once the walk has ended: while
  // they do, (strips painted, strips in all). Not called on one thread (painting keeps pace with
  // the walk there) nor after an abort.
  std::function<void(int32_t done, int32_t total)> paintProgress;
  // 0 runs; 1 (any non-zero value), set from any thread or by the progress callback, stops at the next step.
  std::atomic<uint8_t> abort{0};
  // The generator's seed; without one, the current time in seconds.
  std::optional<uint32_t> seed;
  // Receives every filled polygon, strokes and their rims, in picture coordinates with its colour,
  // in the order they are painted.
  std::function<void(const std::vector<PointF>& picturePolygon, uint32_t argb)> strokeSink;
  // Threads the fills may use (0 = the machine's cores, 1 = the rendering thread only).
  int threadCount = 0;
  // A smaller copy of the lines, for showing them at a display's scale: the lines are placed on a
  // picture of pictureWidth x pictureHeight (0: the target's size) exactly as at full size, then
  // drawn scaled by `scale` into the target, always anti-aliased, so that target pixel (i, j)
  // shows the picture's area [i, i + 1) / scale x [j, j + 1) / scale (aliased lines are shifted
  // by the half pixel that separates their pixel centres from that grid).
  double scale = 1.0;
  int pictureWidth = 0;
  int pictureHeight = 0;
  // The target may hold only a part of the scaled picture: the one from this pixel of it on.
  int originX = 0;
  int originY = 0;
};

// The colour a preset draws with: its colour, or when `grayscale` is set opaque grey of the
// colour's luminance.
uint32_t StrokeColor(const CPresetData& preset);
// The same for the colour of the strokes' rims.
uint32_t EdgeColor(const CPresetData& preset);

// Runs one render. 1 when the walk ran to its end, 0 when there was nothing to walk (no callback
// is called then, the target is cleared) or the job was aborted (no completion call; the target
// then holds what was painted before the stop, which may be less than the strokes placed, or
// still its old pixels where painting waits for the end). Shaped as a thread body: the job must
// outlive the call.
int32_t RenderLines(RenderJob& job);

}  // namespace lumbra
