// Plain point and rectangle types shared by the data layer and the engine.
#pragma once

#include <cstdint>

namespace lumbra {

// An integer point: ruler and layout coordinates in percent.
struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A single-precision point: polygon vertices in pixels.
struct PointF {
  float x = 0;
  float y = 0;
  friend bool operator==(const PointF&, const PointF&) = default;
};

struct RectF {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
};

}  // namespace lumbra
