// Anti-aliased polygon filling side by side with cairo, on the same geometry at 300 dots per
// inch: an ellipse of 240 points, a five-pointed star, and a freehand line of 2000 points
// outlined to 1 mm.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <random>
#include <vector>

#include "raster/Bitmap32.h"
#include "raster/Polygons.h"

namespace {

using namespace kivrano;

constexpr double kDpm = 300 / 25.4;  // dots per millimetre
constexpr int kWidth = 1900, kHeight = 1300;
constexpr TColor32 kFill = 0xFF1E6432;

struct Pt {
  double x, y;
};

std::vector<Pt> Ellipse() {
  std::vector<Pt> p;
  for (int i = 0; i < 240; ++i) {
    const double a = 2 * M_PI * i / 240;
    p.push_back({kDpm * (80 + 70 * std::cos(a)), kDpm * (55 + 45 * std::sin(a))});
  }
  return p;
}

std::vector<Pt> Star() {
  std::vector<Pt> p;
  for (int k = 0; k < 5; ++k) {
    const double a = (-90.0 + 144.0 * k) * M_PI / 180;
    p.push_back({kDpm * (80 + 52 * std::cos(a)), kDpm * (55 + 52 * std::sin(a))});
  }
  return p;
}

// A smooth random walk across the page, as a hand would draw it.
std::vector<Pt> Freehand() {
  std::mt19937 rng(7);
  std::normal_distribution<double> turn(0, 0.08);
  std::vector<Pt> p;
  double x = 20, y = 55, heading = 0.3;
  for (int i = 0; i < 2000; ++i) {
    p.push_back({kDpm * x, kDpm * y});
    heading += turn(rng);
    if (x < 10 || x > 150 || y < 10 || y > 100) heading += M_PI / 2;  // turn back inside
    x += 0.25 * std::cos(heading);
    y += 0.25 * std::sin(heading);
  }
  return p;
}

TPolygon32 ToPolygon(const std::vector<Pt>& pts, bool closed) {
  TPolygon32 poly;
  poly.SetAntialiased(true);
  poly.SetClosed(closed);
  for (const Pt& p : pts) poly.Add({ToFixed(static_cast<float>(p.x)), ToFixed(static_cast<float>(p.y))});
  return poly;
}

struct Surface : TBitmap32 {
  Surface() {
    SetSize(kWidth, kHeight);
    Clear(0xFFFFFFFF);
  }
};

void Kivrano(benchmark::State& state, const TPolygon32& poly) {
  Surface b;
  for (auto _ : state) {
    poly.DrawFill(b, kFill);
    benchmark::DoNotOptimize(b.Bits());
  }
}

// Cairo on its own image surface of the same size, with its default anti-aliasing.
void Cairo(benchmark::State& state, const TPolygon32& poly, bool winding) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0x1E / 255.0, 0x64 / 255.0, 0x32 / 255.0);
  cairo_set_fill_rule(cr, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  for (auto _ : state) {
    cairo_new_path(cr);
    for (const TArrayOfFixedPoint& line : poly.Points()) {
      if (line.empty()) continue;
      cairo_move_to(cr, line[0].X / 65536.0, line[0].Y / 65536.0);
      for (size_t i = 1; i < line.size(); ++i) cairo_line_to(cr, line[i].X / 65536.0, line[i].Y / 65536.0);
      cairo_close_path(cr);
    }
    cairo_fill(cr);
    cairo_surface_flush(s);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(s));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

const TPolygon32& EllipsePolygon() {
  static const TPolygon32 p = ToPolygon(Ellipse(), true);
  return p;
}
const TPolygon32& StarPolygon() {
  static const TPolygon32 p = ToPolygon(Star(), true);
  return p;
}
TPolygon32& FreehandLine() {
  static TPolygon32 p = ToPolygon(Freehand(), false);
  return p;
}
// The freehand line as a stroke of 1 mm: its double path grown by half a millimetre.
std::unique_ptr<TPolygon32> Stroke() {
  auto stroke = FreehandLine().Outline()->Grow(ToFixed(static_cast<float>(0.5 * kDpm)), 0.5f);
  stroke->SetFillMode(Winding);
  return stroke;
}
const TPolygon32& StrokePolygon() {
  static const std::unique_ptr<TPolygon32> p = Stroke();
  return *p;
}

void BM_Ellipse_Kivrano(benchmark::State& s) { Kivrano(s, EllipsePolygon()); }
void BM_Ellipse_Cairo(benchmark::State& s) { Cairo(s, EllipsePolygon(), false); }
void BM_Star_Kivrano(benchmark::State& s) { Kivrano(s, StarPolygon()); }
void BM_Star_Cairo(benchmark::State& s) { Cairo(s, StarPolygon(), false); }
void BM_StarWinding_Kivrano(benchmark::State& s) {
  TPolygon32 p = StarPolygon();
  p.SetFillMode(Winding);
  Kivrano(s, p);
}
void BM_StarWinding_Cairo(benchmark::State& s) { Cairo(s, StarPolygon(), true); }
// Fill of the same grown polygon by both.
void BM_FreehandStrokeFill_Kivrano(benchmark::State& s) { Kivrano(s, StrokePolygon()); }
void BM_FreehandStrokeFill_Cairo(benchmark::State& s) { Cairo(s, StrokePolygon(), true); }

// Outline, grow and fill in one, against cairo stroking the line 1 mm wide with mitred joins.
void BM_FreehandStroke_Kivrano(benchmark::State& state) {
  Surface b;
  for (auto _ : state) {
    auto stroke = Stroke();
    stroke->DrawFill(b, kFill);
    benchmark::DoNotOptimize(b.Bits());
  }
}
void BM_FreehandStroke_Cairo(benchmark::State& state) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0x1E / 255.0, 0x64 / 255.0, 0x32 / 255.0);
  cairo_set_line_width(cr, kDpm);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  const TArrayOfFixedPoint& line = FreehandLine().Points()[0];
  for (auto _ : state) {
    cairo_new_path(cr);
    cairo_move_to(cr, line[0].X / 65536.0, line[0].Y / 65536.0);
    for (size_t i = 1; i < line.size(); ++i) cairo_line_to(cr, line[i].X / 65536.0, line[i].Y / 65536.0);
    cairo_stroke(cr);
    cairo_surface_flush(s);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(s));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

BENCHMARK(BM_Ellipse_Kivrano);
BENCHMARK(BM_Ellipse_Cairo);
BENCHMARK(BM_Star_Kivrano);
BENCHMARK(BM_Star_Cairo);
BENCHMARK(BM_StarWinding_Kivrano);
BENCHMARK(BM_StarWinding_Cairo);
BENCHMARK(BM_FreehandStrokeFill_Kivrano);
BENCHMARK(BM_FreehandStrokeFill_Cairo);
BENCHMARK(BM_FreehandStroke_Kivrano);
BENCHMARK(BM_FreehandStroke_Cairo);

}  // namespace

BENCHMARK_MAIN();
