// Where the effect lines stand: the layout turned into a chain of straight pieces in picture
// pixels, walked at the preset's interval, with jitter along the path, a shift along the stroke,
// random lengths and thicknesses, one or two drawing sides, and optionally a length taken from
// the host's selection mask.
//
// The walk draws its random values from the generator it is given, always in the same order:
// per step the jitter value (only when jitter is on, also for steps that then fall off the path),
// then per placed step the sign and the size of the shift (only when overshoot is positive), the
// length factor and the thickness factor. Both sides of one step share them. Steps in the gaps
// between bundles draw theirs too and are handed over marked as gaps, so that bundles only take
// lines away.
//
// Degenerate input places nothing rather than failing: a line layout with fewer than two points,
// a circle layout with fewer than three entries (entries past the third are ignored), an interval
// below 1, or a path so long that more than kMaxPlacementSteps positions would be walked. A
// negative circle sweep walks the arc counter-clockwise on the screen. A position that lands on a
// piece of zero length (two equal consecutive points) stands on that point and takes the direction
// of the nearest piece before it that has a length, else the nearest after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/Geometry.h"
#include "core/Random.h"

namespace lumbra {

class CLayoutData;
class CPresetData;

// The host's selection mask: one byte per pixel, a byte of 128 or more is selected. Without a
// selection `data` is null and the whole picture counts as selected.
struct MaskInfo {
  const uint8_t* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;
};

struct PictureRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct PointD {
  double x = 0;
  double y = 0;
  friend bool operator==(const PointD&, const PointD&) = default;
};

// One straight piece of the path, in picture pixels.
struct CPathData {
  double x0 = 0, y0 = 0;
  double x1 = 0, y1 = 0;
  double length = 0;       // of this piece
  double endDistance = 0;  // along the whole path, at (x1, y1)
  double angle = 0;        // direction of travel, radians

  CPathData() = default;
  CPathData(double x0, double y0, double x1, double y1, double startDistance);
};

// Circle arcs are cut into one piece per pixel of arc, but never into more than this many pieces
// (longer arcs get longer pieces).
inline constexpr size_t kMaxArcPieces = size_t{1} << 20;
// A path on which more positions than this would be walked places nothing.
inline constexpr int64_t kMaxPlacementSteps = int64_t{1} << 24;

// A layout point (percent) in picture pixels, for the position setting (0 the whole frame,
// 1 a centred square, 2 the square at the left or top, 3 the square at the right or bottom).
PointD LayoutToImage(const PictureRect& rect, Point p, uint8_t pathPosition);
// The same scale without the offset: a layout vector (radii) in pixels.
PointD LayoutScale(const PictureRect& rect, Point v, uint8_t pathPosition);

// Empties `path` and fills it from the layout.
void BuildPathSegments(const CLayoutData& layout, uint8_t pathPosition, const PictureRect& rect,
                       std::vector<CPathData>& path);
void BuildPathSegments(const CPresetData& preset, const PictureRect& rect, std::vector<CPathData>& path);

// The index of the piece whose range [end of its predecessor, its own end) holds d, searching
// from `hint` in the direction of d; a d before the path gives the first piece, one at or past
// its end the last. A hint past the last piece is returned as it is.
size_t FindSegment(const std::vector<CPathData>& path, size_t hint, double d);

// How far a stroke from (x, y) in the direction (radians) may reach: past unselected pixels in
// front of it, through the first selected stretch, to the first unselected pixel after it (the
// picture's border counts as unselected), at most maxLength. 0 when it meets no selected pixel.
// A null mask gives 0.
double MaskRunLength(const MaskInfo* mask, double x, double y, double direction, double maxLength);

// One stroke side the walk hands to the renderer. The renderer builds its outline with the
// preset's length and half its height and this thickness and length percentage, mirrors it for
// side 1, shifts it by `shift` along the stroke, turns it to `theta` and moves it to (x, y).
struct PlacedSide {
  int32_t step = 0;         // index of the walk step (position step * interval)
  double pos = 0;           // where the base stands along the path, jitter included
  double x = 0, y = 0;      // base point, picture pixels
  double theta = 0;         // direction of side 0, radians; side 1 points the opposite way
  int32_t side = 0;         // 0 or 1
  double shift = 0;         // along the stroke, pixels
  float thickness = 0;      // pen thickness, pixels
  float lengthPercent = 0;  // drawn part of the nominal length, 0..100
  bool gap = false;         // the step falls in a bundle's gap: nothing is drawn for it
};

// Which placement steps fall in the gaps between bundles of lines: per bundle, its count of lines
// and its gap, each varied by up to the preset's variation (percent) with a generator of its own
// (seeded from `seed`), so that bundles leave every other random value of the walk as it was.
class BundleCounter {
 public:
  BundleCounter(const CPresetData& preset, uint32_t seed);
  // Whether the next step falls in a gap; called once per step, in order.
  bool Gap();

 private:
  int32_t Vary(int32_t value, int32_t least);

  int32_t lines_, gap_, variation_;
  Random random_;
  int32_t linesLeft_ = 0, gapLeft_ = 0;
};

enum class WalkEnd {
  Empty,     // nothing to walk (see above); no step was begun
  Finished,  // every position was walked
  Stopped,   // beginStep asked to stop
};

struct WalkSummary {
  WalkEnd end = WalkEnd::Empty;
  int32_t steps = 0;  // steps begun
  double total = 0;   // length of the path, pixels
};

// Called at the start of every step, also for steps that then place nothing; returning false
// stops the walk before that step draws any random value.
using BeginStepFn = std::function<bool(int32_t step, double pos, double total)>;
using PlaceSideFn = std::function<void(const PlacedSide&)>;

// Walks the preset's layout over a picture of the given size. `mask` is read only when the
// preset takes lengths from the mask (null then means no selection). Either callback may be empty.
WalkSummary WalkPlacement(const CPresetData& preset, int32_t width, int32_t height, const MaskInfo* mask,
                          Random& random, const BeginStepFn& beginStep, const PlaceSideFn& placeSide);

}  // namespace lumbra
