// Painting predefined figures and arrow lines at 300 dots per inch, as the engine does for every
// rendering (points built from the size, polygons built, fill and outline drawn), side by side with
// cairo drawing the same geometry; and the point building alone.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>

#include "raster/Bitmap32.h"
#include "shapes/dtpArrowGeometry.h"
#include "shapes/dtpFigureGeometry.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpLineShape.h"

namespace {

using namespace kivrano;

constexpr float kDpm = 300 / 25.4f;
constexpr int kWidth = 1000, kHeight = 760;

TdtpMatrix Scale(float s) {
  TdtpMatrix m;
  m.M[0][0] = s;
  m.M[1][1] = s;
  return m;
}

// Runs draw on a cleared cairo surface of the benchmark's size for every iteration.
template <typename Draw>
void RunCairo(benchmark::State& state, Draw draw) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    draw(cr);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

// Paints the shape for every iteration, setting the paint matrix first as the engine does before
// every rendering (so the points and polygons are built again each time).
void RunShape(benchmark::State& state, TdtpPolygonShape& shape) {
  TBitmap32 image;
  image.SetSize(kWidth, kHeight);
  for (auto _ : state) {
    shape.SetPaintMatrix(Scale(kDpm));
    shape.PaintBitmap(image);
    benchmark::DoNotOptimize(image.ScanLine(0));
  }
}

// An 80 x 60 mm ellipse with a 0.5 mm outline.
void BM_EllipseShapePaint(benchmark::State& state) {
  TdtpEllipseShape ellipse;
  ellipse.SetBounds(0, 0, 80, 60);
  RunShape(state, ellipse);
}
BENCHMARK(BM_EllipseShapePaint)->Unit(benchmark::kMicrosecond);

// The same without the outline band: what the fill alone costs.
void BM_EllipseShapeFillOnly(benchmark::State& state) {
  TdtpEllipseShape ellipse;
  ellipse.SetBounds(0, 0, 80, 60);
  ellipse.SetUseOutline(false);
  RunShape(state, ellipse);
}
BENCHMARK(BM_EllipseShapeFillOnly)->Unit(benchmark::kMicrosecond);

void BM_EllipseCairoPaint(benchmark::State& state) {
  RunCairo(state, [](cairo_t* cr) {
    cairo_save(cr);
    cairo_scale(cr, kDpm, kDpm);
    cairo_translate(cr, 40, 30);
    cairo_scale(cr, 40, 30);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 0.5 * kDpm);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_stroke(cr);
  });
}
BENCHMARK(BM_EllipseCairoPaint)->Unit(benchmark::kMicrosecond);

// A 70 mm line, 1 mm wide, with a filled arrow head 5 x 7 mm.
void BM_ArrowLineShapePaint(benchmark::State& state) {
  TdtpLineShape line;
  line.Arrows(1)->SetStyle(Arrow);
  line.SetPoint(0, {5, 10});
  line.SetPoint(1, {75, 55});
  RunShape(state, line);
}
BENCHMARK(BM_ArrowLineShapePaint)->Unit(benchmark::kMicrosecond);

void BM_ArrowLineCairoPaint(benchmark::State& state) {
  // The same outline: body to the head base, then the head.
  const double len = std::hypot(70.0, 45.0), ux = 70 / len, uy = 45 / len, nx = -uy, ny = ux;
  const double bx = 75 - 7 * ux, by = 55 - 7 * uy;
  RunCairo(state, [=](cairo_t* cr) {
    cairo_save(cr);
    cairo_scale(cr, kDpm, kDpm);
    cairo_move_to(cr, 5 - 0.5 * nx, 10 - 0.5 * ny);
    cairo_line_to(cr, bx - 0.5 * nx, by - 0.5 * ny);
    cairo_line_to(cr, bx - 2.5 * nx, by - 2.5 * ny);
    cairo_line_to(cr, 75, 55);
    cairo_line_to(cr, bx + 2.5 * nx, by + 2.5 * ny);
    cairo_line_to(cr, bx + 0.5 * nx, by + 0.5 * ny);
    cairo_line_to(cr, 5 + 0.5 * nx, 10 + 0.5 * ny);
    cairo_close_path(cr);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill(cr);
  });
}
BENCHMARK(BM_ArrowLineCairoPaint)->Unit(benchmark::kMicrosecond);

// Point building alone: a 10 mm ellipse at 6 pixels per millimetre (240 points) and a line ring
// with a stealth and an oval head.
void BM_EllipsePoints(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(EllipsePoints(10, 10, 6).data());
}
BENCHMARK(BM_EllipsePoints);

void BM_CurvedHeadsRing(benchmark::State& state) {
  const TArrowHead stealth{StealthArrow, 5, 7}, oval{Oval, 5, 7};
  for (auto _ : state) benchmark::DoNotOptimize(LineOutlinePoints({0, 0}, {60, 20}, oval, stealth, 1, 6).data());
}
BENCHMARK(BM_CurvedHeadsRing);

}  // namespace

BENCHMARK_MAIN();
