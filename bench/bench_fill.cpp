// Polygon filling side by side: Lumbra's rasteriser, AGG and cairo fill the same seeded polygon
// lists into the same kind of bitmap in the same run.
//
//   Lumbra    Graphics::FillPolygon (winding), straight-alpha BGRA bitmap, default thread count
//   Lumbra1T  the same on the calling thread only
//   AGG       agg::rasterizer_scanline_aa, fill_non_zero, pixfmt_bgra32_plain (straight alpha, the
//             same pixel format as ours), scanline_p8 + render_scanlines_aa_solid; aliased:
//             gamma_threshold(0.5) + scanline_bin + render_scanlines_bin_solid
//   Cairo     image surface CAIRO_FORMAT_ARGB32 (premultiplied), CAIRO_FILL_RULE_WINDING, default
//             antialias (CAIRO_ANTIALIAS_NONE when aliased)
//
// Aliased Lumbra fills sample the pixel centre (i, j); AGG and cairo get the geometry moved by half
// a pixel so that all three sample the same points. Anti-aliased Lumbra fills use pixel offset
// Half (pixel = unit square), the convention of the other two.
//
// Scenes: 1) 5000 tapered strokes of 10..300 vertices on 4000 x 4000; 2) 50 000 tiny polygons;
// 3) 300 large strokes covering most of the picture; 4) scene 1 on 8000 x 8000 rotated and scaled,
// colour alpha 255 and 128, over an opaque and over a transparent bitmap.
//
// After each library's timed runs its picture is compared with AGG's, channel by channel on
// premultiplied values: the largest difference, and the mean over the pixels that either picture
// changed of each pixel's largest channel difference. A table with speed ratios is printed at
// the end. Run a part with --benchmark_filter, e.g. 'Fill/Scene1/AA/' or 'Lumbra$'; set the
// environment variable LUMBRA_BENCH_NODIFF to skip the comparisons.
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_bin.h>
#include <agg_scanline_p.h>
#include <agg_trans_affine.h>
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "engine/Bitmap.h"
#include "engine/Graphics.h"
#include "platform/Memory.h"

namespace {

using lumbra::Affine;
using lumbra::Bitmap;
using lumbra::PointF;
using Polygon = std::vector<PointF>;

struct Scene {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<Polygon> polygons;
  Affine transform;
  uint32_t color = 0xFF202830u;
  uint32_t background = 0;
  int iterations = 5;
};

// A brush stroke: a gently curved spine with a width that holds, then tapers to a point.
Polygon Stroke(std::mt19937& rng, int vertices, double x, double y, double angle, double length, double thickness) {
  std::uniform_real_distribution<double> u(0, 1);
  const int spine = std::max(2, vertices / 2);
  const double bend = (u(rng) - 0.5) * 0.6;
  const double taperFrom = 0.2 + 0.5 * u(rng);
  Polygon upper, lower;
  for (int k = 0; k < spine; ++k) {
    const double t = static_cast<double>(k) / (spine - 1);
    const double a = angle + bend * (t - 0.5);
    const double dx = std::cos(a), dy = std::sin(a);
    const double sx = x + dx * t * length - dy * bend * 0.3 * length * std::sin(std::numbers::pi * t);
    const double sy = y + dy * t * length + dx * bend * 0.3 * length * std::sin(std::numbers::pi * t);
    const double half = 0.5 * thickness * (t < taperFrom ? 1.0 : (1.0 - t) / (1.0 - taperFrom));
    upper.push_back({static_cast<float>(sx - dy * half), static_cast<float>(sy + dx * half)});
    lower.push_back({static_cast<float>(sx + dy * half), static_cast<float>(sy - dx * half)});
  }
  upper.insert(upper.end(), lower.rbegin(), lower.rend());
  return upper;
}

std::vector<Polygon> FocusStrokes(uint32_t seed, int count, double size, double minLen, double maxLen, double minThick,
                                  double maxThick) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::uniform_int_distribution<int> verts(10, 300);
  std::vector<Polygon> out;
  for (int i = 0; i < count; ++i) {
    const double a = u(rng) * 2 * std::numbers::pi;
    // Strokes start near the border and point roughly at the middle, as focus lines do.
    const double r = size * (0.35 + 0.2 * u(rng));
    const double x = size / 2 + r * std::cos(a), y = size / 2 + r * std::sin(a);
    out.push_back(Stroke(rng, verts(rng), x, y, a + std::numbers::pi + (u(rng) - 0.5) * 0.3,
                         minLen + (maxLen - minLen) * u(rng), minThick + (maxThick - minThick) * u(rng)));
  }
  return out;
}

std::vector<Polygon> TinyPolygons(uint32_t seed, int count, double size) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::uniform_int_distribution<int> verts(3, 12);
  std::vector<Polygon> out;
  for (int i = 0; i < count; ++i) {
    const int n = verts(rng);
    const double cx = u(rng) * size, cy = u(rng) * size, r = 0.5 + 5.5 * u(rng);
    Polygon p;
    for (int k = 0; k < n; ++k) {
      const double a = 2 * std::numbers::pi * (k + 0.8 * u(rng)) / n;
      const double rr = r * (0.5 + 0.5 * u(rng));
      p.push_back({static_cast<float>(cx + rr * std::cos(a)), static_cast<float>(cy + rr * std::sin(a))});
    }
    out.push_back(std::move(p));
  }
  return out;
}

const Scene& GetScene(const std::string& name) {
  static std::map<std::string, Scene> scenes;
  auto it = scenes.find(name);
  if (it != scenes.end()) return it->second;
  Scene s;
  s.name = name;
  if (name == "Scene1") {
    s.width = s.height = 4000;
    s.polygons = FocusStrokes(1, 5000, 4000, 100, 1500, 3, 40);
  } else if (name == "Scene2") {
    s.width = s.height = 4000;
    s.polygons = TinyPolygons(2, 50000, 4000);
  } else if (name == "Scene3") {
    s.width = s.height = 4000;
    s.polygons = FocusStrokes(3, 300, 4000, 2000, 5000, 100, 500);
    s.iterations = 3;
  } else {  // Scene4_a<alpha>_<opaque|clear>
    s.width = s.height = 8000;
    s.polygons = FocusStrokes(1, 5000, 4000, 100, 1500, 3, 40);
    s.transform = Affine::Translate(-2000, -2000)
                      .Then(Affine::Rotate(30))
                      .Then(Affine::Scale(2, 2))
                      .Then(Affine::Translate(4000, 4000));
    if (name.find("a128") != std::string::npos) s.color = 0x80202830u;
    if (name.find("opaque") != std::string::npos) s.background = 0xFFF0E8E0u;
    s.iterations = 3;
  }
  return scenes.emplace(name, std::move(s)).first->second;
}

size_t VertexCount(const Scene& s) {
  size_t n = 0;
  for (const auto& p : s.polygons) n += p.size();
  return n;
}

// ---------------------------------------------------------------------------------------------
// The three painters, each drawing a whole scene into a 32-bit BGRA buffer of the scene's size.

struct Buffer {
  int width = 0, height = 0, stride = 0;
  std::vector<uint8_t> bytes;
  // The same large-page hint our bitmaps get, so that all three draw into the same kind of memory.
  Buffer(int w, int h) : width(w), height(h), stride(w * 4), bytes(static_cast<size_t>(w) * h * 4) {
    lumbra::AdviseLargePages(bytes.data(), bytes.size());
  }
  void Fill(uint32_t v) {
    uint32_t* p = reinterpret_cast<uint32_t*>(bytes.data());
    std::fill(p, p + static_cast<size_t>(width) * height, v);
  }
};

uint32_t Premultiply(uint32_t argb) {
  const uint32_t a = argb >> 24;
  auto c = [&](int s) { return ((((argb >> s) & 0xFF) * a + 127) / 255) << s; };
  return (a << 24) | c(16) | c(8) | c(0);
}

class Painter {
 public:
  virtual ~Painter() = default;
  virtual void Prepare(const Scene& s) = 0;        // untimed: clear the picture
  virtual void Draw(const Scene& s) = 0;           // timed
  virtual uint32_t Pixel(int x, int y) const = 0;  // straight ARGB
};

class LumbraPainter : public Painter {
 public:
  LumbraPainter(bool aa, int threads) : aa_(aa), threads_(threads) {}
  void Prepare(const Scene& s) override {
    if (bitmap_.Width() != s.width) bitmap_ = Bitmap(s.width, s.height);
    lumbra::Graphics g(bitmap_);
    g.Clear(s.background);
  }
  void Draw(const Scene& s) override {
    lumbra::Graphics g(bitmap_);
    g.SetThreadCount(threads_);
    if (aa_) {
      g.SetSmoothingMode(lumbra::SmoothingMode::HighQuality);
      g.SetPixelOffsetMode(lumbra::PixelOffsetMode::Half);
    }
    g.SetTransform(s.transform);
    const lumbra::Brush brush = lumbra::Brush::Solid(s.color);
    for (const auto& p : s.polygons) g.FillPolygon(brush, p, lumbra::FillRule::Winding);
  }
  uint32_t Pixel(int x, int y) const override { return bitmap_.GetPixel(x, y); }

 private:
  bool aa_;
  int threads_;
  Bitmap bitmap_;
};

class AggPainter : public Painter {
 public:
  explicit AggPainter(bool aa) : aa_(aa) {}
  void Prepare(const Scene& s) override {
    if (!buffer_ || buffer_->width != s.width) buffer_ = std::make_unique<Buffer>(s.width, s.height);
    buffer_->Fill(s.background);
  }
  void Draw(const Scene& s) override {
    using PixFmt = agg::pixfmt_bgra32_plain;
    agg::rendering_buffer rbuf(buffer_->bytes.data(), buffer_->width, buffer_->height, buffer_->stride);
    PixFmt pixf(rbuf);
    agg::renderer_base<PixFmt> base(pixf);
    agg::rasterizer_scanline_aa<> ras;
    ras.filling_rule(agg::fill_non_zero);
    if (!aa_) ras.gamma(agg::gamma_threshold(0.5));
    const agg::trans_affine m(s.transform.m11, s.transform.m12, s.transform.m21, s.transform.m22, s.transform.dx,
                              s.transform.dy);
    const double shift = aa_ ? 0.0 : 0.5;
    const agg::rgba8 color(static_cast<uint8_t>(s.color >> 16), static_cast<uint8_t>(s.color >> 8),
                           static_cast<uint8_t>(s.color), static_cast<uint8_t>(s.color >> 24));
    agg::scanline_p8 slp;
    agg::scanline_bin slb;
    for (const auto& p : s.polygons) {
      ras.reset();
      for (size_t i = 0; i < p.size(); ++i) {
        double x = p[i].x, y = p[i].y;
        m.transform(&x, &y);
        if (i == 0) {
          ras.move_to_d(x + shift, y + shift);
        } else {
          ras.line_to_d(x + shift, y + shift);
        }
      }
      if (aa_) {
        agg::render_scanlines_aa_solid(ras, slp, base, color);
      } else {
        agg::render_scanlines_bin_solid(ras, slb, base, color);
      }
    }
  }
  uint32_t Pixel(int x, int y) const override {
    uint32_t v;
    std::memcpy(&v, buffer_->bytes.data() + static_cast<size_t>(y) * buffer_->stride + 4 * static_cast<size_t>(x), 4);
    return v;
  }

 private:
  bool aa_;
  std::unique_ptr<Buffer> buffer_;
};

class CairoPainter : public Painter {
 public:
  explicit CairoPainter(bool aa) : aa_(aa) {}
  ~CairoPainter() override {
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
  }
  void Prepare(const Scene& s) override {
    if (!buffer_ || buffer_->width != s.width) {
      if (surface_ != nullptr) cairo_surface_destroy(surface_);
      buffer_ = std::make_unique<Buffer>(s.width, s.height);
      surface_ = cairo_image_surface_create_for_data(buffer_->bytes.data(), CAIRO_FORMAT_ARGB32, s.width, s.height,
                                                     buffer_->stride);
    }
    buffer_->Fill(Premultiply(s.background));
    cairo_surface_mark_dirty(surface_);
  }
  void Draw(const Scene& s) override {
    cairo_t* cr = cairo_create(surface_);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_set_antialias(cr, aa_ ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    const double shift = aa_ ? 0.0 : 0.5;
    cairo_matrix_t m;
    cairo_matrix_init(&m, s.transform.m11, s.transform.m12, s.transform.m21, s.transform.m22, s.transform.dx + shift,
                      s.transform.dy + shift);
    cairo_set_matrix(cr, &m);
    cairo_set_source_rgba(cr, ((s.color >> 16) & 0xFF) / 255.0, ((s.color >> 8) & 0xFF) / 255.0,
                          (s.color & 0xFF) / 255.0, (s.color >> 24) / 255.0);
    for (const auto& p : s.polygons) {
      cairo_move_to(cr, p[0].x, p[0].y);
      for (size_t i = 1; i < p.size(); ++i) cairo_line_to(cr, p[i].x, p[i].y);
      cairo_close_path(cr);
      cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
  }
  uint32_t Pixel(int x, int y) const override {
    uint32_t v;
    std::memcpy(&v, buffer_->bytes.data() + static_cast<size_t>(y) * buffer_->stride + 4 * static_cast<size_t>(x), 4);
    const uint32_t a = v >> 24;
    if (a == 0) return 0;
    auto c = [&](int s) { return std::min<uint32_t>(255, (((v >> s) & 0xFF) * 255 + a / 2) / a) << s; };
    return (a << 24) | c(16) | c(8) | c(0);
  }

 private:
  bool aa_;
  std::unique_ptr<Buffer> buffer_;
  cairo_surface_t* surface_ = nullptr;
};

// ---------------------------------------------------------------------------------------------

struct Row {
  double ms = 0;
  double polysPerSecond = 0;
  int maxDiff = -1;
  double meanDiff = 0;
};
std::map<std::string, std::map<std::string, std::map<std::string, Row>>> g_results;  // scene, mode, library

void Compare(const Painter& a, const Painter& b, const Scene& s, int& maxDiff, double& meanDiff) {
  const uint32_t bg = s.background;
  maxDiff = 0;
  double sum = 0;
  size_t touched = 0;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const uint32_t p = a.Pixel(x, y), q = b.Pixel(x, y);
      if (p == bg && q == bg) continue;
      ++touched;
      // Compared premultiplied: what a pixel adds to whatever it is composed onto. (The colour of an
      // almost transparent straight-alpha pixel is imprecise in every library and shows nothing.)
      const int pa = static_cast<int>(p >> 24), qa = static_cast<int>(q >> 24);
      int worst = std::abs(pa - qa);
      for (int sh = 0; sh < 24; sh += 8) {
        const int pc = (static_cast<int>((p >> sh) & 0xFF) * pa + 127) / 255;
        const int qc = (static_cast<int>((q >> sh) & 0xFF) * qa + 127) / 255;
        worst = std::max(worst, std::abs(pc - qc));
      }
      maxDiff = std::max(maxDiff, worst);
      sum += worst;
    }
  }
  meanDiff = touched ? sum / static_cast<double>(touched) : 0;
}

std::unique_ptr<Painter> MakePainter(const std::string& library, bool aa) {
  if (library == "Lumbra") return std::make_unique<LumbraPainter>(aa, 0);
  if (library == "Lumbra1T") return std::make_unique<LumbraPainter>(aa, 1);
  if (library == "AGG") return std::make_unique<AggPainter>(aa);
  return std::make_unique<CairoPainter>(aa);
}

void RunFill(benchmark::State& state, const std::string& sceneName, bool aa, const std::string& library) {
  const Scene& scene = GetScene(sceneName);
  auto painter = MakePainter(library, aa);
  double seconds = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    painter->Prepare(scene);
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    painter->Draw(scene);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ++runs;
  }
  Row row;
  row.ms = 1000.0 * seconds / static_cast<double>(runs);
  row.polysPerSecond = static_cast<double>(scene.polygons.size()) * static_cast<double>(runs) / seconds;
  state.counters["ms"] = row.ms;
  state.counters["polys/s"] = row.polysPerSecond;
  state.counters["vertices"] = static_cast<double>(VertexCount(scene));
  if (library != "AGG" && std::getenv("LUMBRA_BENCH_NODIFF") == nullptr) {
    AggPainter reference(aa);
    reference.Prepare(scene);
    reference.Draw(scene);
    Compare(*painter, reference, scene, row.maxDiff, row.meanDiff);
    state.counters["maxdiff"] = row.maxDiff;
    state.counters["meandiff"] = row.meanDiff;
  } else {
    row.maxDiff = 0;
  }
  g_results[sceneName][aa ? "AA" : "Aliased"][library] = row;
}

void PrintTable() {
  if (g_results.empty()) return;
  std::printf("\n%-22s %-8s %-9s %10s %12s %8s %9s %9s %9s\n", "scene", "mode", "library", "ms", "polys/s", "maxdiff",
              "meandiff", "vs AGG", "vs cairo");
  for (const auto& [scene, modes] : g_results) {
    for (const auto& [mode, libs] : modes) {
      const auto agg = libs.find("AGG");
      const auto cairo = libs.find("Cairo");
      for (const char* lib : {"Lumbra", "Lumbra1T", "AGG", "Cairo"}) {
        const auto it = libs.find(lib);
        if (it == libs.end()) continue;
        const Row& r = it->second;
        char vsAgg[32] = "-", vsCairo[32] = "-";
        if (agg != libs.end()) std::snprintf(vsAgg, sizeof vsAgg, "%.2fx", agg->second.ms / r.ms);
        if (cairo != libs.end()) std::snprintf(vsCairo, sizeof vsCairo, "%.2fx", cairo->second.ms / r.ms);
        std::printf("%-22s %-8s %-9s %10.1f %12.0f %8d %9.3f %9s %9s\n", scene.c_str(), mode.c_str(), lib, r.ms,
                    r.polysPerSecond, r.maxDiff, r.meanDiff, vsAgg, vsCairo);
      }
    }
  }
  std::printf("(vs AGG / vs cairo: how many times faster than that library; diff: against AGG, 0..255)\n");
}

struct TablePrinter {
  ~TablePrinter() { PrintTable(); }
} g_printer;

int RegisterAll() {
  const std::vector<std::string> scenes = {
      "Scene1",           "Scene2", "Scene3", "Scene4_a255_opaque", "Scene4_a255_clear", "Scene4_a128_opaque",
      "Scene4_a128_clear"};
  for (const auto& scene : scenes) {
    for (bool aa : {true, false}) {
      for (const char* lib : {"Lumbra", "Lumbra1T", "AGG", "Cairo"}) {
        const std::string name = "Fill/" + scene + "/" + (aa ? "AA" : "Aliased") + "/" + lib;
        const int iterations = scene == "Scene1" || scene == "Scene2" ? 5 : 3;
        benchmark::RegisterBenchmark(
            name.c_str(), [scene, aa, lib = std::string(lib)](benchmark::State& st) { RunFill(st, scene, aa, lib); })
            ->Iterations(iterations)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      }
    }
  }
  return 0;
}
const int g_registered = RegisterAll();

}  // namespace
