#include "engine/Edge.h"

#include <algorithm>
#include <cmath>

namespace lumbra {

// Each edge of the outline is moved outwards by the width. Where the outline turns outwards
// (a convex corner) the moved edges are joined by an arc around the corner; where it turns
// inwards the contour runs back to the corner and out again. As winding numbers the contour is
// the outline plus, for every edge, the rectangle it sweeps while moving outwards, plus the
// arcs' sectors: all of one sign, so the non-zero rule fills exactly their union, whatever the
// outline's concavities.
void EdgeContour(const std::vector<PointF>& outline, float width, float tolerance, std::vector<PointF>& contour) {
  contour.clear();
  struct Edge {
    double x, y;    // start corner
    double dx, dy;  // unit direction
    double nx, ny;  // unit outward normal
  };
  std::vector<Edge> edges;
  edges.reserve(outline.size());
  double area = 0;
  const size_t n = outline.size();
  for (size_t i = 0; i < n; ++i) {
    const PointF& a = outline[i];
    const PointF& b = outline[(i + 1) % n];
    area += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length > 1e-6) edges.push_back({a.x, a.y, dx / length, dy / length, 0, 0});
  }
  if (edges.size() < 2) return;
  const double sign = area >= 0 ? 1.0 : -1.0;  // +1: the outline turns from +x towards +y
  for (Edge& e : edges) {
    e.nx = sign * e.dy;
    e.ny = -sign * e.dx;
  }
  const double w = width;
  const double step = w > tolerance ? 2 * std::acos(1 - tolerance / w) : 3.14159265358979323846;
  contour.reserve(edges.size() * 3);
  const auto add = [&](double x, double y) { contour.push_back(PointF{static_cast<float>(x), static_cast<float>(y)}); };
  for (size_t i = 0; i < edges.size(); ++i) {
    const Edge& e = edges[i];
    const Edge& next = edges[(i + 1) % edges.size()];
    const double cx = next.x, cy = next.y;  // the corner between them
    add(e.x + w * e.nx, e.y + w * e.ny);
    add(cx + w * e.nx, cy + w * e.ny);
    const double cross = e.dx * next.dy - e.dy * next.dx;
    const double dot = e.dx * next.dx + e.dy * next.dy;
    const double turn = std::atan2(cross, dot);  // signed, from this edge's direction to the next's
    if (turn * sign > 0) {
      const int pieces = std::min(1024, static_cast<int>(std::ceil(std::abs(turn) / step)));
      for (int k = 1; k < pieces; ++k) {
        const double t = turn * k / pieces;
        const double c = std::cos(t), s = std::sin(t);
        add(cx + w * (e.nx * c - e.ny * s), cy + w * (e.nx * s + e.ny * c));
      }
    } else if (turn != 0) {
      add(cx, cy);
    }
  }
}

}  // namespace lumbra
