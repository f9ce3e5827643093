#include "engine/Edge.h"

#include <algorithm>
#include <cmath>

namespace lumbra {

// Each edge of the outline is moved outwards by the width and the moved edges are joined at each
// corner:
// - where the outline turns outwards by more than an arc piece's angle, by an arc around the
//   corner;
// - where the moved edges meet within both (an inward turn, or an outward one too small for an arc),
//   at their meeting point;
// - else (an inward turn sharper than the edges are long) by running back to the corner and out.
// As winding numbers the contour with back-and-out joins is the outline plus, for every edge, the
// rectangle it sweeps while moving outwards, plus the arcs' sectors: all of one sign, so the
// non-zero rule fills exactly their union, whatever the outline's concavities. A meeting point
// only leaves out a loop that two rectangles cover, or adds a sliver beyond the arc within the
// tolerance.
void EdgeContour(const std::vector<PointF>& outline, float width, float tolerance, std::vector<PointF>& contour) {
  contour.clear();
  struct Edge {
    double x, y;    // start corner
    double dx, dy;  // unit direction
    double length;
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
    if (length > 1e-6) edges.push_back({a.x, a.y, dx / length, dy / length, length, 0, 0});
  }
  if (edges.size() < 2) return;
  const double sign = area >= 0 ? 1.0 : -1.0;  // +1: the outline turns from +x towards +y
  for (Edge& e : edges) {
    e.nx = sign * e.dy;
    e.ny = -sign * e.dx;
  }
  const double w = width;
  const double step = w > tolerance ? 2 * std::acos(1 - tolerance / w) : 3.14159265358979323846;
  const double cosStep = std::cos(step);
  contour.reserve(edges.size() + 16);
  const auto add = [&](double x, double y) { contour.push_back(PointF{static_cast<float>(x), static_cast<float>(y)}); };
  for (size_t i = 0; i < edges.size(); ++i) {
    const Edge& e = edges[i];
    const Edge& next = edges[(i + 1) % edges.size()];
    const double cx = next.x, cy = next.y;  // the corner between them
    const double cross = e.dx * next.dy - e.dy * next.dx;
    const double dot = e.dx * next.dx + e.dy * next.dy;
    const bool outwards = cross * sign > 0;
    // Where the moved edges meet lies w tan(turn / 2) = w |cross| / (1 + dot) before the corner.
    const double reach = dot > -0.999 ? w * std::abs(cross) / (1 + dot) : 1e300;
    if ((outwards ? dot >= cosStep : true) && reach <= std::min(e.length, next.length)) {
      const double k = w / (1 + dot);
      add(cx + k * (e.nx + next.nx), cy + k * (e.ny + next.ny));
      continue;
    }
    add(cx + w * e.nx, cy + w * e.ny);
    if (outwards) {
      const double turn = std::atan2(cross, dot);  // signed, from this edge's direction to the next's
      const int pieces = std::min(1024, static_cast<int>(std::ceil(std::abs(turn) / step)));
      for (int k = 1; k < pieces; ++k) {
        const double t = turn * k / pieces;
        const double c = std::cos(t), s = std::sin(t);
        add(cx + w * (e.nx * c - e.ny * s), cy + w * (e.nx * s + e.ny * c));
      }
    } else {
      add(cx, cy);
    }
    add(cx + w * next.nx, cy + w * next.ny);
  }
}

}  // namespace lumbra
