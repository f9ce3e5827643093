#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "engine/Bitmap.h"
#include "engine/RasterPaint.h"
#include "engine/Rasterizer.h"

namespace lumbra {
namespace {

// Collects the coverage a shape hands out, one value per pixel; counts pixels handed out twice.
class Grid : public CoverageSink {
 public:
  Grid(int w, int h) : w_(w), h_(h), cover_(static_cast<size_t>(w * h), 0), seen_(cover_.size(), 0) {}
  void Row(int y, const CoverSpan* spans, size_t count, const uint8_t* covers) override {
    int lastEnd = -1;
    for (size_t k = 0; k < count; ++k) {
      const CoverSpan& s = spans[k];
      if (y < 0 || y >= h_ || s.x < 0 || s.length <= 0 || s.x + s.length > w_ || s.x < lastEnd) {
        ++bad;
        continue;
      }
      lastEnd = s.x + s.length;
      for (int i = 0; i < s.length; ++i) {
        const size_t at = static_cast<size_t>(y * w_ + s.x + i);
        cover_[at] = s.covers < 0 ? static_cast<int>(s.cover) : covers[s.covers + i];
        if (seen_[at]++) ++bad;
      }
    }
  }
  int At(int x, int y) const { return cover_[static_cast<size_t>(y * w_ + x)]; }
  long Sum() const {
    long s = 0;
    for (int v : cover_) s += v;
    return s;
  }
  int Covered() const {
    int n = 0;
    for (int v : cover_) n += v != 0;
    return n;
  }
  int bad = 0;

 private:
  int w_, h_;
  std::vector<int> cover_;
  std::vector<int> seen_;
};

int Level(double area) { return static_cast<int>(std::floor(area * 255 + 0.5)); }

Grid Fill(int w, int h, bool aa, const std::vector<std::vector<PointF>>& contours, FillRule rule = FillRule::Winding,
          int threads = 1, const Affine& m = Affine()) {
  Rasterizer r;
  r.SetThreadCount(threads);
  r.Reset(w, h, aa);
  for (const auto& c : contours) r.AddContour(c.data(), c.size(), m);
  Grid g(w, h);
  r.Render(rule, g);
  EXPECT_EQ(g.bad, 0);
  return g;
}

std::vector<PointF> Rect(float x0, float y0, float x1, float y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }
std::vector<PointF> Reversed(std::vector<PointF> p) { return {p.rbegin(), p.rend()}; }

TEST(RasterizerArea, RectangleWithFractionalEdges) {
  // x from 1.25 to 4.75, y from 2.5 to 5.25: edge columns 3/4 covered, top row 1/2, bottom row 1/4.
  const Grid g = Fill(8, 8, true, {Rect(1.25f, 2.5f, 4.75f, 5.25f)});
  const double colShare[8] = {0, 0.75, 1, 1, 0.75, 0, 0, 0};
  const double rowShare[8] = {0, 0, 0.5, 1, 1, 0.25, 0, 0};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(g.At(x, y), Level(colShare[x] * rowShare[y])) << x << "," << y;
  }
  EXPECT_EQ(g.At(1, 2), 96);  // 0.375 of a pixel
  EXPECT_EQ(g.At(2, 3), 255);
}

TEST(RasterizerArea, TriangleAndDirectionDoNotMatter) {
  // Right triangle (0,0) (4,0) (0,4): the hypotenuse cuts the pixels with i + j = 3 corner to corner.
  for (const auto& tri : {std::vector<PointF>{{0, 0}, {4, 0}, {0, 4}}, std::vector<PointF>{{0, 4}, {4, 0}, {0, 0}}}) {
    const Grid g = Fill(6, 6, true, {tri});
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 6; ++x) {
        const int expect = x + y <= 2 ? 255 : (x + y == 3 ? 128 : 0);
        EXPECT_EQ(g.At(x, y), expect) << x << "," << y;
      }
    }
  }
  // A thin sliver inside one pixel: (0.25,0.25) (0.75,0.25) (0.25,0.75) has area 1/8.
  const Grid s = Fill(2, 2, true, {{{0.25f, 0.25f}, {0.75f, 0.25f}, {0.25f, 0.75f}}});
  EXPECT_EQ(s.At(0, 0), Level(0.125));
  EXPECT_EQ(s.Sum(), Level(0.125));
}

TEST(RasterizerArea, SlantedEdgeAcrossManyCells) {
  // A shallow edge from (0, 0) to (8, 1): the pixels of row 0 under it are covered 1 - (i + .5)/8.
  const Grid g = Fill(8, 2, true, {{{0, 0}, {8, 1}, {8, 2}, {0, 2}}});
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(g.At(x, 0), Level(1 - (x + 0.5) / 8.0)) << x;
    EXPECT_EQ(g.At(x, 1), 255);
  }
}

TEST(RasterizerWinding, OverlappingSquares) {
  const auto a = Rect(0, 0, 4, 4);
  const auto b = Rect(2, 2, 6, 6);
  // Same direction: the overlap has winding 2.
  Grid nz = Fill(8, 8, true, {a, b}, FillRule::Winding);
  Grid eo = Fill(8, 8, true, {a, b}, FillRule::Alternate);
  EXPECT_EQ(nz.At(3, 3), 255);
  EXPECT_EQ(eo.At(3, 3), 0);
  EXPECT_EQ(nz.At(1, 1), 255);
  EXPECT_EQ(eo.At(1, 1), 255);
  EXPECT_EQ(nz.Covered(), 28);
  EXPECT_EQ(eo.Covered(), 24);
  // Opposite directions: the overlap has winding 0 under both rules.
  nz = Fill(8, 8, true, {a, Reversed(b)}, FillRule::Winding);
  eo = Fill(8, 8, true, {a, Reversed(b)}, FillRule::Alternate);
  EXPECT_EQ(nz.At(3, 3), 0);
  EXPECT_EQ(eo.At(3, 3), 0);
  EXPECT_EQ(nz.At(5, 5), 255);
  // A quarter-pixel overlap: the winding areas add up (clamped to a full pixel) or fold even-odd.
  const auto c = Rect(2.5f, 2.5f, 6.5f, 6.5f);
  EXPECT_EQ(Fill(8, 8, true, {a, c}, FillRule::Winding).At(2, 2), 255);
  EXPECT_EQ(Fill(8, 8, true, {a, c}, FillRule::Alternate).At(2, 2), Level(0.75));
  EXPECT_EQ(Fill(8, 8, true, {a, Reversed(c)}, FillRule::Winding).At(2, 2), Level(0.75));
  // The same rules without anti-aliasing.
  EXPECT_EQ(Fill(8, 8, false, {a, b}, FillRule::Winding).At(3, 3), 255);
  EXPECT_EQ(Fill(8, 8, false, {a, b}, FillRule::Alternate).At(3, 3), 0);
  EXPECT_EQ(Fill(8, 8, false, {a, Reversed(b)}, FillRule::Winding).At(3, 3), 0);
}

TEST(RasterizerWinding, SelfOverlappingOutline) {
  // A pentagram: its centre is wound twice.
  std::vector<PointF> star;
  for (int k = 0; k < 5; ++k) {
    const double a = -std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
    star.push_back({static_cast<float>(20 + 18 * std::cos(a)), static_cast<float>(20 + 18 * std::sin(a))});
  }
  EXPECT_EQ(Fill(40, 40, true, {star}, FillRule::Winding).At(20, 20), 255);
  EXPECT_EQ(Fill(40, 40, true, {star}, FillRule::Alternate).At(20, 20), 0);
  EXPECT_EQ(Fill(40, 40, false, {star}, FillRule::Winding).At(20, 20), 255);
  EXPECT_EQ(Fill(40, 40, false, {star}, FillRule::Alternate).At(20, 20), 0);
}

TEST(RasterizerCentres, PixelSetWhenItsCentreIsInside) {
  // Centres 1, 2 and 3 lie inside [0.5, 3.5].
  Grid g = Fill(6, 6, false, {Rect(0.5f, 0.5f, 3.5f, 3.5f)});
  EXPECT_EQ(g.Covered(), 9);
  EXPECT_EQ(g.At(1, 1), 255);
  EXPECT_EQ(g.At(3, 3), 255);
  // Centres on the boundary: left and top edges take them, right and bottom edges do not.
  g = Fill(6, 6, false, {Rect(1, 1, 3, 4)});
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(g.At(x, y), (x >= 1 && x < 3 && y >= 1 && y < 4) ? 255 : 0) << x << "," << y;
  }
  // The same rule for a slanted edge: x = y / 2 passes through the centres (0,0), (1,2), (2,4).
  g = Fill(6, 6, false, {{{0, 0}, {6, 0}, {6, 6}, {3, 6}}});
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(g.At(x, y), 2 * x >= y ? 255 : 0) << x << "," << y;
  }
  // Two squares sharing an edge cover every centre exactly once between them.
  Grid left = Fill(6, 6, false, {Rect(0.3f, 0.3f, 2.7f, 4.2f)});
  Grid right = Fill(6, 6, false, {Rect(2.7f, 0.3f, 5.1f, 4.2f)});
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_LE(left.At(x, y) + right.At(x, y), 255);
  }
  EXPECT_EQ(left.Covered() + right.Covered(), 5 * 4);
}

TEST(RasterizerClip, EdgesOfTheTarget) {
  // Reaching past every side: columns 0 and 1 full, column 2 half, every row.
  Grid g = Fill(8, 8, true, {Rect(-10.5f, -3, 2.5f, 100)});
  for (int y = 0; y < 8; ++y) {
    EXPECT_EQ(g.At(0, y), 255);
    EXPECT_EQ(g.At(1, y), 255);
    EXPECT_EQ(g.At(2, y), 128);
    EXPECT_EQ(g.At(3, y), 0);
  }
  // Reaching far past the right side: filled to the last column.
  g = Fill(8, 8, true, {Rect(5.5f, 2, 1e6f, 3)});
  EXPECT_EQ(g.At(5, 2), 128);
  EXPECT_EQ(g.At(7, 2), 255);
  EXPECT_EQ(g.Covered(), 3);
  // A triangle whose slanted edge leaves through the left side keeps its exact area inside.
  g = Fill(8, 8, true, {{{-4, 0}, {4, 0}, {-4, 8}}});
  EXPECT_EQ(g.At(0, 0), 255);
  EXPECT_EQ(g.At(3, 0), 128);
  EXPECT_EQ(g.At(0, 3), 128);
  EXPECT_EQ(g.Sum(), 255 * 6 + 128 * 4);  // rows 0..3: 3.5, 2.5, 1.5, 0.5 pixels
  // Wholly outside on each side: nothing.
  for (const auto& r : {Rect(-9, 1, -1, 5), Rect(9, 1, 20, 5), Rect(1, -9, 5, -1), Rect(1, 8, 5, 20)}) {
    EXPECT_EQ(Fill(8, 8, true, {r}).Covered(), 0);
    EXPECT_EQ(Fill(8, 8, false, {r}).Covered(), 0);
  }
  // Covering everything.
  EXPECT_EQ(Fill(8, 8, false, {Rect(-1e9f, -1e9f, 1e9f, 1e9f)}).Sum(), 64 * 255);
  EXPECT_EQ(Fill(8, 8, true, {Rect(-1e9f, -1e9f, 1e9f, 1e9f)}).Sum(), 64 * 255);
}

TEST(RasterizerClip, HugeAndNonFiniteCoordinates) {
  const float big = 1e30f;
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // A huge triangle that covers the whole target.
  Grid g = Fill(8, 8, true, {{{-big, -big}, {big, 0}, {0, big}}});
  EXPECT_EQ(g.Sum(), 64 * 255);
  g = Fill(8, 8, false, {{{-big, big}, {big, -big}, {big, big}}});
  EXPECT_GT(g.Covered(), 0);
  // Non-finite points void the shape.
  EXPECT_EQ(Fill(8, 8, true, {{{1, 1}, {nan, 5}, {6, 6}}}).Covered(), 0);
  EXPECT_EQ(Fill(8, 8, true, {{{1, 1}, {inf, 5}, {6, 6}}}).Covered(), 0);
  EXPECT_EQ(Fill(8, 8, false, {{{1, 1}, {6, -inf}, {6, 6}}}).Covered(), 0);
  // A transform that overflows to infinity, and degenerate contours.
  EXPECT_EQ(Fill(8, 8, true, {Rect(1, 1, 4, 4)}, FillRule::Winding, 1, Affine::Scale(1e300, 1e300)).Covered(), 0);
  EXPECT_EQ(Fill(8, 8, true, {{{1, 1}, {5, 5}}}).Covered(), 0);
  EXPECT_EQ(Fill(8, 8, true, {{{1, 1}, {5, 5}, {3, 3}}}).Covered(), 0);
  EXPECT_EQ(Fill(8, 8, true, {{}}).Covered(), 0);
}

// A regular polygon of n corners and radius r about (c, c).
std::vector<PointF> Regular(int n, double r, double c) {
  std::vector<PointF> p;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * std::numbers::pi * k / n;
    p.push_back({static_cast<float>(c + r * std::cos(a)), static_cast<float>(c + r * std::sin(a))});
  }
  return p;
}

TEST(RasterizerLarge, CoverageAddsUpToTheAreaWhateverTheThreads) {
  // Big enough to be cut into bands and shared among threads.
  const int n = 360;
  const double r = 900;
  const auto poly = Regular(n, r, 1000);
  const double area = 0.5 * n * r * r * std::sin(2 * std::numbers::pi / n);
  const Grid one = Fill(2000, 2000, true, {poly}, FillRule::Winding, 1);
  EXPECT_NEAR(one.Sum() / 255.0, area, 20.0);
  for (int threads : {2, 3, 8}) {
    const Grid many = Fill(2000, 2000, true, {poly}, FillRule::Winding, threads);
    EXPECT_EQ(many.Sum(), one.Sum());
    for (int y = 0; y < 2000; y += 7) {
      for (int x = 0; x < 2000; x += 3)
        ASSERT_EQ(many.At(x, y), one.At(x, y)) << x << "," << y << " threads " << threads;
    }
  }
  // Aliased: every pixel centre inside, none outside (checked on a lattice of centres).
  const Grid pix = Fill(2000, 2000, false, {poly}, FillRule::Alternate, 4);
  EXPECT_NEAR(pix.Covered(), area, 2 * std::numbers::pi * r);
  EXPECT_EQ(pix.At(1000, 1000), 255);
  EXPECT_EQ(pix.At(1000, 101), 255);  // just inside the corner at (1000, 100)
  EXPECT_EQ(pix.At(1000, 99), 0);
}

TEST(RasterizerLarge, TallSlantedStripKeepsItsWidthInEveryRow) {
  // A strip two pixels wide leaning across 1000 rows: cut into many bands, every row still holds
  // exactly two pixels of coverage (each pixel rounded to 1/255).
  const std::vector<PointF> strip = {{10.3f, 0}, {12.3f, 0}, {412.3f, 1000}, {410.3f, 1000}};
  for (int threads : {1, 2}) {
    Rasterizer r;
    r.SetThreadCount(threads);
    r.Reset(500, 1000, true);
    r.AddContour(strip.data(), strip.size(), Affine());
    Grid g(500, 1000);
    r.Render(FillRule::Winding, g);
    EXPECT_EQ(g.bad, 0);
    for (int y = 0; y < 1000; ++y) {
      int row = 0;
      for (int x = 0; x < 500; ++x) row += g.At(x, y);
      ASSERT_NEAR(row, 510, 2) << "row " << y;
    }
  }
}

// Hands the rows to a SolidPainter through Row, so that the rasteriser takes its general path.
struct SpansOnly : CoverageSink {
  SolidPainter& painter;
  explicit SpansOnly(SolidPainter& p) : painter(p) {}
  void Row(int y, const CoverSpan* spans, size_t count, const uint8_t* covers) override {
    painter.Row(y, spans, count, covers);
  }
};

// The pixels of `direct` that differ from `before`, once each is found to be that of `spans`
// (the general path's); -1, with a failure, at the first that is not.
int ChangedAsBySpans(const Bitmap& direct, const Bitmap& spans, const Bitmap& before, const std::string& what) {
  int changed = 0;
  for (int y = 0; y < direct.Height(); ++y) {
    for (int x = 0; x < direct.Width(); ++x) {
      if (direct.GetPixel(x, y) != spans.GetPixel(x, y)) {
        ADD_FAILURE() << std::hex << direct.GetPixel(x, y) << " instead of " << spans.GetPixel(x, y) << std::dec
                      << " at " << x << "," << y << " " << what;
        return -1;
      }
      changed += direct.GetPixel(x, y) != before.GetPixel(x, y);
    }
  }
  return changed;
}

TEST(RasterizerSolid, PaintingFromTheCellsMatchesTheSpans) {
  // Overlapping, self-crossing and clipped contours (past the left, right and bottom borders),
  // taller than a band and wider than a word of touched-cell bits, onto every kind of pixel:
  // transparent (of any colour), opaque, partly transparent, and of the painted colour (opaque too).
  const std::vector<std::vector<PointF>> shapes = {
      Regular(7, 60.3, 80.2),
      {{20.2f, 5.7f}, {170.9f, 140.1f}, {30.5f, 150.3f}, {160.1f, 8.8f}},
      {{-30.0f, 100.0f}, {250.0f, 90.5f}, {260.0f, 210.0f}, {-10.0f, 190.0f}},
  };
  const int w = 230, h = 200;
  for (uint32_t color : {0xFF000000u, 0xFF3080C0u, 0x80FF2010u}) {
    Bitmap before(w, h);
    uint32_t s = 12345;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        s = s * 1664525u + 1013904223u;
        const uint32_t v = s ^ (s >> 13);
        const uint32_t kinds[5] = {v & 0xFFFFFFu, v | 0xFF000000u, v, (color & 0xFFFFFFu) | (v & 0xFF000000u),
                                   color | 0xFF000000u};
        before.SetPixel(x, y, kinds[(s >> 29) % 5]);
      }
    }
    for (FillRule rule : {FillRule::Winding, FillRule::Alternate}) {
      Bitmap direct = before.Clone(), spans = before.Clone();
      SolidPainter directPainter(direct, color), spanPainter(spans, color);
      SpansOnly general(spanPainter);
      ASSERT_NE(directPainter.SolidArgb(), nullptr);
      Rasterizer r;
      for (CoverageSink* sink : std::initializer_list<CoverageSink*>{&directPainter, &general}) {
        r.Reset(w, h, true);
        for (const auto& c : shapes) r.AddContour(c.data(), c.size(), Affine::Translate(0.3, -0.2));
        r.Render(rule, *sink);
      }
      EXPECT_GT(ChangedAsBySpans(direct, spans, before, "colour " + std::to_string(color)), 15000);
    }
  }
}

TEST(RasterizerSolid, StrokesPaintedFromTheirSidesMatchTheSpans) {
  // Single strokes, each its own shape, as a layer of lines is drawn: straight and bent, steep and
  // nearly level, thinner than a pixel, with sides that cross, and past the left and right borders;
  // their joints fall inside rows and on row borders. In an opaque and a translucent colour, onto a
  // picture partly of the backdrop colour (with its table) and partly of every other kind of pixel,
  // the painted colour among them and in wide stretches, they must give what the spans give.
  const int w = 300, h = 260;
  const uint32_t backdrop = 0xFF102030u;
  uint32_t s = 777;
  auto next = [&s] {
    s = s * 1664525u + 1013904223u;
    return s ^ (s >> 13);
  };
  auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * (next() % 100000) / 100000.0; };
  std::vector<std::vector<PointF>> strokes;
  for (int k = 0; k < 120; ++k) {
    // A centre line from (ax, ay) to (bx, by), bent by `bend` in the middle, of half-width `half`.
    const double ay = uniform(-20, h / 2.0), by = uniform(ay + 5, h + 20);
    const double ax = uniform(-30, w + 30), bx = k % 4 == 0 ? ax + uniform(-300, 300) : ax + uniform(-30, 30);
    const double half = k % 5 == 0 ? uniform(0.01, 0.4) : uniform(0.4, 5);
    const double bend = k % 3 == 0 ? uniform(-15, 15) : 0;
    const double cross = k % 7 == 0 ? -1 : 1;  // the sides swap over halfway
    const int joints = k % 3 == 0 ? 6 : 1;
    std::vector<PointF> left, right;
    for (int j = 0; j <= joints; ++j) {
      const double t = static_cast<double>(j) / joints;
      const double x = ax + (bx - ax) * t + bend * std::sin(std::numbers::pi * t);
      double y = ay + (by - ay) * t;
      if (j % 2 == 1) y = std::round(y);  // a joint on a row border
      const double d = half * (cross < 0 ? 1 - 2 * t : 1);
      left.push_back({static_cast<float>(x - d), static_cast<float>(y)});
      right.push_back({static_cast<float>(x + d), static_cast<float>(y)});
    }
    strokes.push_back(left);
    strokes.back().insert(strokes.back().end(), right.rbegin(), right.rend());
  }
  // Within row 20 a left side that turns back, and one that steps back to the right (a level edge,
  // which has no cover and is dropped).
  strokes.push_back({{80, 10}, {40, 20.5f}, {60, 22}, {60.3f, 30.2f}, {100.4f, 30.2f}, {100.4f, 10}});
  strokes.push_back({{100, 10}, {97.6f, 20.5f}, {101.2f, 20.5f}, {98.9f, 31.7f}, {120.3f, 31.7f}, {120.3f, 10}});
  // Right sides in the last column, and on the right border itself.
  strokes.push_back({{297.3f, 3}, {296.2f, 200}, {299.6f, 200}, {299.5f, 3}});
  strokes.push_back({{298.3f, 10}, {290.2f, 250}, {330.0f, 250}, {300.0f, 10}});
  for (uint32_t color : {0xFF3080C0u, 0x80FF2010u}) {
    uint32_t table[256];
    for (uint32_t c = 0; c < 256; ++c) table[c] = ArgbPainted(backdrop, color, c);
    Bitmap before(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint32_t v = next();
        const uint32_t kinds[5] = {backdrop, v | 0xFF000000u, v & 0xFFFFFFu, (color & 0xFFFFFFu) | (v & 0xFF000000u),
                                   color | 0xFF000000u};
        // The lower half mostly of the opaque colour, as where strokes overlap, with holes in it.
        const bool inked = y >= h / 2 && v % 5 != 0;
        before.SetPixel(x, y, inked ? color | 0xFF000000u : kinds[(v >> 7) % 4 == 0 ? 1 + v % 4 : 0]);
      }
    }
    for (FillRule rule : {FillRule::Winding, FillRule::Alternate}) {
      Bitmap direct = before.Clone(), spans = before.Clone();
      SolidPainter directPainter(direct, color, table, backdrop), spanPainter(spans, color);
      SpansOnly general(spanPainter);
      Rasterizer r;
      for (CoverageSink* sink : std::initializer_list<CoverageSink*>{&directPainter, &general}) {
        for (const auto& stroke : strokes) {
          r.Reset(w, h, true);
          r.AddContour(stroke.data(), stroke.size(), Affine());
          r.Render(rule, *sink);
        }
      }
      EXPECT_GT(ChangedAsBySpans(direct, spans, before, "colour " + std::to_string(color)), 20000);
    }
  }
}

TEST(RasterizerSolid, WindingsPastTheSumsRangeAreCoveredAsTheSpansCoverThem) {
  // Thousands of copies of one slanted shape: inside it, 16 384 of them make the running sum
  // exactly 2^31, and more make it wrap around 32 bits. The painting from the cells must still
  // give what the spans give.
  const std::vector<PointF> shape = {{2.3f, 1.2f}, {20.7f, 0.6f}, {18.1f, 5.4f}, {3.9f, 4.8f}};
  for (int copies : {16384, 16400}) {
    Bitmap direct(24, 6), spans(24, 6);
    SolidPainter directPainter(direct, 0xFF3080C0u), spanPainter(spans, 0xFF3080C0u);
    SpansOnly general(spanPainter);
    Rasterizer r;
    for (CoverageSink* sink : std::initializer_list<CoverageSink*>{&directPainter, &general}) {
      r.Reset(24, 6, true);
      for (int k = 0; k < copies; ++k) r.AddContour(shape.data(), shape.size(), Affine());
      r.Render(FillRule::Winding, *sink);
    }
    EXPECT_GT(ChangedAsBySpans(direct, spans, Bitmap(24, 6), "with " + std::to_string(copies)), 60);
  }
}

TEST(RasterizerSolid, FullRunsOfEveryShortLengthEndWhereTheShapeDoes) {
  // Rectangles on pixel borders, 1 to 13 pixels wide, at every offset within a 16-byte block: the
  // run between their sides is filled in an opaque colour, and not a pixel beside it.
  const uint32_t background = 0x00123456u, color = 0xFF3080C0u;
  for (int width = 1; width <= 13; ++width) {
    for (int x = 0; x < 4; ++x) {
      Bitmap bitmap(24, 3);
      for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 24; ++i) bitmap.SetPixel(i, j, background);
      }
      SolidPainter painter(bitmap, color);
      ASSERT_NE(painter.SolidArgb(), nullptr);
      Rasterizer r;
      r.Reset(24, 3, true);
      const float left = static_cast<float>(x + 2), right = left + static_cast<float>(width);
      const std::vector<PointF> rect = {{left, 1}, {right, 1}, {right, 2}, {left, 2}};
      r.AddContour(rect.data(), rect.size(), Affine());
      r.Render(FillRule::Winding, painter);
      for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 24; ++i) {
          const bool inside = j == 1 && i >= x + 2 && i < x + 2 + width;
          EXPECT_EQ(bitmap.GetPixel(i, j), inside ? color : background) << "width " << width << " at " << i << "," << j;
        }
      }
    }
  }
}

TEST(RasterizerSolid, PixelBlendIsSourceOverForEveryAlphaAndCoverage) {
  for (uint32_t color : {0xFF000000u, 0xFF3080C0u, 0x80FF2010u}) {
    const uint32_t rgb = color & 0xFFFFFFu;
    for (uint32_t cover = 0; cover < 256; ++cover) {
      const uint32_t a = Div255((color >> 24) * cover);
      for (uint32_t da = 0; da < 256; ++da) {
        for (uint32_t d : {da << 24 | rgb, da << 24 | (rgb ^ 0x010000u), da << 24 | (0xFFFFFFu - rgb)}) {
          ASSERT_EQ(ArgbPainted(d, color, cover), a == 0 ? d : BlendOver(d, rgb, a))
              << std::hex << d << " " << color << " " << cover;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lumbra
