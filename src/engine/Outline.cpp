#include "engine/Outline.h"

#include <algorithm>
#include <cmath>

namespace lumbra {

namespace {

// Rounds a double-precision intermediate to the single-precision value that is stored.
constexpr float F(double v) { return static_cast<float>(v); }

// A percent setting as the geometry uses it: 0..100, and 0 when it is not a number.
float ClampPercent(float v) {
  if (!(v >= 0.0f)) return 0.0f;
  return v > 100.0f ? 100.0f : v;
}

float CoordinateOf(int32_t v) { return static_cast<float>(v); }
float CoordinateOf(float v) { return v; }

// Whether q, a point of the line through a and b, lies on the segment from a to b: within the
// closed range of its ends along the axis the segment extends most in (x for all but steep
// segments, where the x range would be too narrow to say anything).
bool WithinSegment(PointF q, PointF a, PointF b) {
  const bool alongX = std::fabs(static_cast<double>(b.x) - a.x) >= std::fabs(static_cast<double>(b.y) - a.y);
  const float v = alongX ? q.x : q.y;
  const float lo = alongX ? std::min(a.x, b.x) : std::min(a.y, b.y);
  const float hi = alongX ? std::max(a.x, b.x) : std::max(a.y, b.y);
  return lo <= v && v <= hi;
}

// Whether a and b lie within a thousandth of a radian of each other on circle c. Two tangent
// points that close mean the stroke runs straight on; rounding may have put them in the wrong
// order, and an arc from one to the other would then go the long way round the circle.
bool NearlySamePoint(const CircleData& c, PointF a, PointF b) {
  const double ax = static_cast<double>(a.x) - c.x;
  const double ay = static_cast<double>(a.y) - c.y;
  const double bx = static_cast<double>(b.x) - c.x;
  const double by = static_cast<double>(b.y) - c.y;
  const double dot = ax * bx + ay * by;
  return dot > 0.0 && std::fabs(ax * by - ay * bx) < 1e-3 * dot;
}

template <typename P>
void SmoothCurveImpl(const P* pts, size_t n, std::vector<PointF>& out) {
  out.clear();
  if (n == 0 || pts == nullptr) return;

  const double last = static_cast<double>(n);
  const float step = F(0.025 * last);
  const float expected = F((last + 1.0) / step);
  out.reserve(static_cast<size_t>(expected) + 1);

  const auto lastIndex = static_cast<int64_t>(n) - 1;
  for (float t = -1.0f; t <= last; t = F(static_cast<double>(t) + step)) {
    // The basis is zero two or more knots away from t, so only the four knots around t can
    // contribute; they are visited in ascending order like the full sum over -2..n+1, and the
    // terms left out would each add an exact zero.
    const auto base = static_cast<int64_t>(std::floor(t));
    const int64_t lo = std::max<int64_t>(-2, base - 1);
    const int64_t hi = std::min<int64_t>(lastIndex + 2, base + 2);
    float x = 0.0f;
    float y = 0.0f;
    const P* only = nullptr;  // the one control point behind this sample, while there is one
    bool single = true;
    for (int64_t i = lo; i <= hi; ++i) {
      const float w = BSplineWeight(F(static_cast<double>(t) - static_cast<double>(i)));
      if (w == 0.0f) continue;
      const P& p = pts[std::clamp<int64_t>(i, 0, lastIndex)];
      if (only == nullptr) {
        only = &p;
      } else if (p.x != only->x || p.y != only->y) {
        single = false;
      }
      x = F(static_cast<double>(x) + static_cast<double>(w) * CoordinateOf(p.x));
      y = F(static_cast<double>(y) + static_cast<double>(w) * CoordinateOf(p.y));
    }
    // Weights that sum to one only up to rounding would scatter the samples of a repeated point
    // (the curve's ends, a point given several times) by a few ulps; such a sample is the point.
    if (single && only != nullptr) {
      x = CoordinateOf(only->x);
      y = CoordinateOf(only->y);
    }
    out.push_back({x, y});
  }
}

// Where the tangents of circle c at its points b and d cross, computed from the circle alone: with
// unit normals nb and nd, c + r (nb + nd) / (1 + nb.nd). False when a point is the centre or the
// tangents are (nearly) parallel, turning back on themselves.
bool TangentCrossing(const CircleData& c, PointF b, PointF d, PointF& crossing) {
  const double bx = static_cast<double>(b.x) - c.x;
  const double by = static_cast<double>(b.y) - c.y;
  const double dx = static_cast<double>(d.x) - c.x;
  const double dy = static_cast<double>(d.y) - c.y;
  const double lb = std::sqrt(bx * bx + by * by);
  const double ld = std::sqrt(dx * dx + dy * dy);
  if (!(lb > 0.0) || !(ld > 0.0)) return false;
  const double denominator = 1.0 + (bx * dx + by * dy) / (lb * ld);
  if (!(denominator > 1e-6)) return false;
  const double scale = static_cast<double>(c.r) / denominator;
  crossing = {F(c.x + (bx / lb + dx / ld) * scale), F(c.y + (by / lb + dy / ld) * scale)};
  return std::isfinite(crossing.x) && std::isfinite(crossing.y);
}

// Joins the tangent segment prevStart-prevEnd to the segment nextStart-nextEnd at circle c, both
// ending on c: the mitre point where the two tangent lines cross or, on the outer side of a bend
// of a straight mill-pen stroke, the arc of c between the two segments.
void AppendJoin(std::vector<PointF>& side, const CircleData& c, const PointF& prevStart, const PointF& prevEnd,
                const PointF& nextStart, const PointF& nextEnd, bool roundBends, bool increasing) {
  Intersection mitre = IntersectLines(prevStart, prevEnd, nextStart, nextEnd);

  // Between nearly parallel tangents, or along a very short segment, the slopes carry more
  // rounding than direction and their crossing can land anywhere on the line. The circle knows
  // the crossing better; when the two disagree, the circle's is taken.
  PointF crossing;
  if (TangentCrossing(c, prevEnd, nextStart, crossing)) {
    const double tolerance = 1e-3 + 1e-5 * std::max(std::fabs(crossing.x), std::fabs(crossing.y));
    const double ex = static_cast<double>(mitre.point.x) - crossing.x;
    const double ey = static_cast<double>(mitre.point.y) - crossing.y;
    if (ex * ex + ey * ey > tolerance * tolerance) {
      mitre.point = crossing;
      mitre.hit = WithinSegment(crossing, prevStart, prevEnd) && WithinSegment(crossing, nextStart, nextEnd);
    }
  }

  // Tangents that turn back on themselves cross far away, up to the ends of the float range: a
  // mitre longer than kMitreLimit radii is cut off square (a bevel from one tangent's end to the
  // other's), so every outline point stays within the stroke's reach.
  const double mx = static_cast<double>(mitre.point.x) - c.x;
  const double my = static_cast<double>(mitre.point.y) - c.y;
  const double limit = static_cast<double>(kMitreLimit) * c.r;
  const bool tooLong = !(mx * mx + my * my <= limit * limit);

  if (roundBends && !mitre.hit && !NearlySamePoint(c, prevEnd, nextStart)) {
    if (AppendArc(side, c, prevEnd, nextStart, increasing)) return;
  }
  if (tooLong) {
    side.push_back(prevEnd);
    if (!(nextStart == prevEnd)) side.push_back(nextStart);
    return;
  }
  side.push_back(mitre.point);
}

}  // namespace

PointF RotatePoint(float u, float v, float sinA, float cosA) {
  const double du = u;
  const double dv = v;
  return {F(du * cosA - dv * sinA), F(du * sinA + dv * cosA)};
}

float BSplineWeight(float t) {
  const double a = std::fabs(t);
  if (a < 1.0) return F((3.0 * a * a * a - 6.0 * a * a + 4.0) / 6.0);
  if (a < 2.0) {
    const double b = 2.0 - a;
    return F(b * b * b / 6.0);
  }
  return 0.0f;
}

void SmoothCurve(const Point* pts, size_t n, std::vector<PointF>& out) { SmoothCurveImpl(pts, n, out); }

void SmoothCurve(const PointF* pts, size_t n, std::vector<PointF>& out) { SmoothCurveImpl(pts, n, out); }

bool CircleTangents(const CircleData& c1, const CircleData& c2, TangentPair& onFirst, TangentPair& onSecond) {
  const float dx = F(static_cast<double>(c2.x) - c1.x);
  const float dy = F(static_cast<double>(c2.y) - c1.y);
  const float d = F(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
  if (!(d > 0.0f) || !std::isfinite(d)) return false;

  const float phi = F(std::atan2(static_cast<double>(dy), static_cast<double>(dx)));
  const float k = F((static_cast<double>(c2.r) - c1.r) / d);
  const float g = F(1.0 - static_cast<double>(k) * k);
  if (!(g >= 0.0f)) return false;  // one circle inside the other (or radii that are not numbers)
  const float h = F(std::sqrt(static_cast<double>(g)));
  const float sinPhi = F(std::sin(static_cast<double>(phi)));
  const float cosPhi = F(std::cos(static_cast<double>(phi)));

  const auto offset = [&](PointF p) {
    return PointF{F(static_cast<double>(c1.x) + p.x), F(static_cast<double>(c1.y) + p.y)};
  };

  const float u1 = F(static_cast<double>(c1.r) * (static_cast<double>(c1.r) - c2.r) / d);
  const float v1 = F(static_cast<double>(c1.r) * h);
  const float u2 = F(d - static_cast<double>(c2.r) * (static_cast<double>(c2.r) - c1.r) / d);
  const float v2 = F(static_cast<double>(c2.r) * h);

  onFirst.upper = offset(RotatePoint(u1, v1, sinPhi, cosPhi));
  onFirst.lower = offset(RotatePoint(u1, -v1, sinPhi, cosPhi));
  onSecond.upper = offset(RotatePoint(u2, v2, sinPhi, cosPhi));
  onSecond.lower = offset(RotatePoint(u2, -v2, sinPhi, cosPhi));
  return true;
}

bool AppendArc(std::vector<PointF>& list, const CircleData& c, PointF from, PointF to, bool increasing) {
  if (!(c.r > 0.0f) || !std::isfinite(c.r)) return false;
  const float q = std::max(F(1.0 / c.r), kMinArcStep);
  const float alpha = F(std::atan2(static_cast<double>(from.y) - c.y, static_cast<double>(from.x) - c.x));
  float beta = F(std::atan2(static_cast<double>(to.y) - c.y, static_cast<double>(to.x) - c.x));
  if (!std::isfinite(alpha) || !std::isfinite(beta)) return false;

  const double r = c.r;
  const auto append = [&](float a) {
    list.push_back({F(c.x + r * std::cos(static_cast<double>(a))), F(c.y + r * std::sin(static_cast<double>(a)))});
  };
  bool appended = false;
  if (increasing) {
    while (alpha > beta) beta = F(beta + kTwoPi);
    for (float a = F(static_cast<double>(alpha) + q); a < beta; a = F(static_cast<double>(a) + q)) {
      append(a);
      appended = true;
    }
  } else {
    while (alpha < beta) beta = F(beta - kTwoPi);
    for (float a = F(static_cast<double>(alpha) - q); a > beta; a = F(static_cast<double>(a) - q)) {
      append(a);
      appended = true;
    }
  }
  return appended;
}

Intersection IntersectLines(PointF p1, PointF p2, PointF p3, PointF p4) {
  if (p2 == p3) return {p2, true};
  if (p1 == p2 || p3 == p4) return {p2, false};  // a point gives no direction to intersect with

  // Slopes; a line whose slope is not a finite float is vertical.
  const float e = p1.x == p2.x ? 0.0f : F((static_cast<double>(p2.y) - p1.y) / (static_cast<double>(p2.x) - p1.x));
  const float m = p3.x == p4.x ? 0.0f : F((static_cast<double>(p4.y) - p3.y) / (static_cast<double>(p4.x) - p3.x));
  const bool vertical1 = p1.x == p2.x || !std::isfinite(e);
  const bool vertical2 = p3.x == p4.x || !std::isfinite(m);

  float x;
  float y;
  if (vertical1 && vertical2) {
    return {p2, false};
  } else if (vertical1) {
    x = p1.x;
    y = F(p3.y + static_cast<double>(m) * (static_cast<double>(x) - p3.x));
  } else if (vertical2) {
    x = p3.x;
    y = F(p1.y + static_cast<double>(e) * (static_cast<double>(x) - p1.x));
  } else {
    if (e == m) return {p2, false};
    const double de = e;
    const double dm = m;
    x = F((p1.x * de - p1.y - p3.x * dm + p3.y) / (de - dm));
    y = F((dm * de * (static_cast<double>(p1.x) - p3.x) - dm * p1.y + de * p3.y) / (de - dm));
  }
  if (!std::isfinite(x) || !std::isfinite(y)) return {p2, false};

  const PointF point{x, y};
  return {point, WithinSegment(point, p1, p2) && WithinSegment(point, p3, p4)};
}

float TaperProfile::RadiusAt(float x) const {
  if (!(te > ts)) return x < ts ? rb : 0.0f;  // no taper length: full width up to the tip
  return F(rb + (static_cast<double>(x) - ts) * rb / (static_cast<double>(ts) - te));
}

TaperProfile ComputeTaper(OutlineSettings& settings, int length, float thickness) {
  if (settings.lengthPercent < settings.taperStart) settings.taperStart = settings.lengthPercent;
  const double lp = ClampPercent(settings.lengthPercent);
  const double tp = std::min<double>(ClampPercent(settings.taperStart), lp);
  const double len = length;

  TaperProfile taper;
  const float r0 = F(thickness / 2.0);
  taper.te = F(len * lp / 100.0);
  if (settings.fixedTaper) {
    // The taper keeps the length it has on a full-length stroke; a shorter stroke starts inside it.
    taper.ts = F(len * (lp + tp - 100.0) / 100.0);
    if (taper.ts >= 0.0f) {
      taper.rb = r0;
    } else {
      taper.ts = 0.0f;
      taper.rb = F(r0 * (lp * 100.0 / (100.0 - tp)) / 100.0);
    }
  } else {
    taper.ts = F(len * tp / 100.0);
    taper.rb = r0;
  }
  return taper;
}

namespace {

// The curve smoothed through the points: the cache's, smoothed there when it holds another.
const std::vector<PointF>& Smoothed(const std::vector<Point>& points, OutlineCache* cache, std::vector<PointF>& local) {
  if (cache == nullptr) {
    SmoothCurve(points.data(), points.size(), local);
    return local;
  }
  if (cache->points != points) {
    cache->points = points;
    SmoothCurve(points.data(), points.size(), cache->curve);
  }
  return cache->curve;
}

}  // namespace

void BuildCircles(OutlineSettings& settings, const std::vector<Point>& points, int length, int height, float thickness,
                  std::vector<CircleData>& circles, OutlineCache* cache) {
  circles.clear();
  const TaperProfile taper = ComputeTaper(settings, length, thickness);
  if (length <= 0 || !std::isfinite(thickness) || thickness < 0.0f) return;
  const double len = length;
  const float ts = taper.ts;
  const float te = taper.te;

  if (settings.mode != kOutlineCurve) {
    circles.reserve(points.size() + 2);
    bool started = ts == 0.0f;
    for (const Point& p : points) {
      const float cx = F(p.x * len / 100.0);
      const float cy = F(static_cast<double>(static_cast<int64_t>(p.y) * height) / 100.0);
      if (!started && ts < cx) {
        // The taper starts inside this segment: a circle at the taper start. A first point past
        // the taper start has no segment in front of it and simply starts the (tapering) chain.
        if (!circles.empty()) {
          const CircleData t = circles.back();
          if (t.x != ts) {
            circles.push_back({ts,
                               F(t.y + (static_cast<double>(ts) - t.x) * (static_cast<double>(cy) - t.y) /
                                           (static_cast<double>(cx) - t.x)),
                               taper.rb});
          }
        }
        started = true;
      }
      if (te < cx) {
        // The tip falls inside this segment. A first point past the tip leaves nothing of the
        // ruler within the drawn length.
        if (!circles.empty()) {
          const CircleData t = circles.back();
          circles.push_back({te,
                             F(t.y + (static_cast<double>(te) - t.x) * (static_cast<double>(cy) - t.y) /
                                         (static_cast<double>(cx) - t.x)),
                             0.0f});
        }
        break;
      }
      circles.push_back({cx, cy, started ? taper.RadiusAt(cx) : taper.rb});
    }
    return;
  }

  std::vector<PointF> local;
  const std::vector<PointF>& samples = Smoothed(points, cache, local);
  circles.reserve(samples.size());
  CircleData working{0.0f, 0.0f, 0.0f};
  bool assigned = false;
  for (const PointF& s : samples) {
    working.x = F(s.x * len / 100.0);
    working.y = F(static_cast<double>(height) * s.y / 100.0);
    if (te < working.x) break;
    working.r = ts < working.x ? taper.RadiusAt(working.x) : taper.rb;
    assigned = true;
    circles.push_back(working);
  }
  if (!assigned) return;  // the curve starts past the tip: nothing within the drawn length
  while (circles.size() < 2) circles.push_back(working);
}

void OutlineFromCircles(std::vector<CircleData>& circles, bool millPen, bool straight, std::vector<PointF>& out) {
  out.clear();
  if (circles.size() < 2) return;

  // While a middle join is still to come, a leading circle that has no outer tangents with its
  // successor lies inside it or contains it: keep the larger of the two and start the chain there.
  TangentPair a{};
  TangentPair b{};
  size_t first = 0;
  while (circles.size() - first >= 3 && !CircleTangents(circles[first], circles[first + 1], a, b)) {
    if (circles[first + 1].r < circles[first].r) circles[first + 1] = circles[first];
    ++first;
  }

  std::vector<PointF> upper;
  std::vector<PointF> lower;
  upper.reserve(circles.size() - first + 16);
  lower.reserve(circles.size() - first + 16);
  const bool roundBends = straight && millPen;

  // (inStart, inEnd): the tangents of circles i - 1 and i, kept from the round before;
  // (outStart, outEnd): those of circles i and i + 1.
  TangentPair inStart{};
  TangentPair inEnd{};
  TangentPair outStart{};
  TangentPair outEnd{};
  bool inValid = false;
  for (size_t i = first; i < circles.size(); ++i) {
    const size_t count = circles.size();
    if (i == first) {
      inValid = CircleTangents(circles[i], circles[i + 1], outStart, outEnd);
      if (inValid) {
        if (millPen) AppendArc(upper, circles[i], outStart.lower, outStart.upper, false);  // round start cap
        upper.push_back(outStart.upper);
        lower.push_back(outStart.lower);
      }
    } else if (i == count - 1) {
      if (!inValid) {
        inEnd.upper = {circles[i - 1].x, circles[i - 1].y};
        inEnd.lower = {circles[i].x, circles[i].y};
      }
      upper.push_back(inEnd.upper);
      if (millPen) AppendArc(upper, circles[i], inEnd.upper, inEnd.lower, false);  // round end cap
      lower.push_back(inEnd.lower);
      break;
    } else {
      // The chain before a middle circle always has its tangents (see the loop above).
      if (!CircleTangents(circles[i], circles[i + 1], outStart, outEnd)) {
        // No tangent to the next circle: the stroke ends at this circle. (Dropping the circles
        // after it one by one would keep failing on the same pair until this one is the last.)
        circles.resize(i + 1);
        --i;
        continue;
      }
      AppendJoin(upper, circles[i], inStart.upper, inEnd.upper, outStart.upper, outEnd.upper, roundBends, false);
      AppendJoin(lower, circles[i], inStart.lower, inEnd.lower, outStart.lower, outEnd.lower, roundBends, true);
    }
    inStart = outStart;
    inEnd = outEnd;
  }

  out.reserve(upper.size() + lower.size());
  out.insert(out.end(), upper.begin(), upper.end());
  out.insert(out.end(), lower.rbegin(), lower.rend());
}

void BuildOutline(OutlineSettings& settings, const std::vector<Point>& points, int length, int height, float thickness,
                  std::vector<PointF>& out, OutlineCache* cache) {
  out.clear();
  std::vector<CircleData> local;
  std::vector<CircleData>& circles = cache != nullptr ? cache->circles : local;
  BuildCircles(settings, points, length, height, thickness, circles, cache);
  OutlineFromCircles(circles, settings.millPen, settings.mode != kOutlineCurve, out);
}

}  // namespace lumbra
