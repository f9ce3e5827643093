#include "cli/Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lumbra {

nlohmann::json FloatJson(float value) {
  if (!std::isfinite(value)) return nullptr;
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  const double shortest = std::strtod(text, nullptr);
  if (shortest == std::floor(shortest) && std::fabs(shortest) < 1e15) return static_cast<int64_t>(shortest);
  return shortest;
}

nlohmann::json PointsJson(const std::vector<PointF>& points) {
  nlohmann::json list = nlohmann::json::array();
  for (const PointF& p : points) list.push_back({FloatJson(p.x), FloatJson(p.y)});
  return list;
}

nlohmann::json PointsJson(const std::vector<Point>& points) {
  nlohmann::json list = nlohmann::json::array();
  for (const Point& p : points) list.push_back({p.x, p.y});
  return list;
}

}  // namespace lumbra
