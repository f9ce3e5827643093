// JSON output helpers shared by the commands.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "core/Geometry.h"

namespace lumbra {

// A float as a JSON number written with 9 significant digits.
nlohmann::json FloatJson(float value);
nlohmann::json PointsJson(const std::vector<PointF>& points);
nlohmann::json PointsJson(const std::vector<Point>& points);

}  // namespace lumbra
