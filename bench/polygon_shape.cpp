// Painting of polygon shapes (points through the paint matrix, fill, outline band, dashes) and the
// shadow effect, side by side with cairo drawing the same geometry at 300 dots per inch.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>
#include <random>

#include "raster/Bitmap32.h"
#include "shapes/dtpPolygonShape.h"
#include "shapes/dtpShadowEffects.h"

namespace {

using namespace kivrano;

constexpr float kDpm = 300 / 25.4f;

// A shape whose points are given, as freehand lines keep them.
class Stored : public TdtpPolygonShape {
 public:
  explicit Stored(const ArrayOfFPoint& points) {
    SetStoresPoints(true);
    ClearPoints();
    for (const TFloatPoint& p : points) AddPointRecord(p);
  }
  void BuildPoints() override {}
};

// A player token: a circle of 8 mm in 64 points, centred in a 10 mm image.
ArrayOfFPoint Token() {
  ArrayOfFPoint p;
  for (int i = 0; i < 64; ++i) {
    const double a = 2 * M_PI * i / 64;
    p.push_back({static_cast<float>(5 + 4 * std::cos(a)), static_cast<float>(5 + 4 * std::sin(a))});
  }
  return p;
}

// A smooth random walk over 150 x 100 mm, as a hand would draw it.
ArrayOfFPoint Freehand() {
  std::mt19937 rng(7);
  std::normal_distribution<double> turn(0, 0.08);
  ArrayOfFPoint p;
  double x = 20, y = 55, heading = 0.3;
  for (int i = 0; i < 2000; ++i) {
    p.push_back({static_cast<float>(x), static_cast<float>(y)});
    heading += turn(rng);
    if (x < 10 || x > 150 || y < 10 || y > 100) heading += M_PI / 2;
    x += 0.25 * std::cos(heading);
    y += 0.25 * std::sin(heading);
  }
  return p;
}

TdtpMatrix Scale() {
  TdtpMatrix m;
  m.M[0][0] = kDpm;
  m.M[1][1] = kDpm;
  return m;
}

// Paints the shape as the renderer does: a fresh paint matrix (so the polygons are rebuilt) and
// the whole image.
void PaintShape(benchmark::State& state, TdtpPolygonShape& shape, int width, int height) {
  TBitmap32 b;
  b.SetSize(width, height);
  for (auto _ : state) {
    shape.SetPaintMatrix(Scale());
    shape.PaintBitmap(b);
    benchmark::DoNotOptimize(b.Bits());
  }
}

struct CairoImage {
  CairoImage(int width, int height)
      : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), cr(cairo_create(surface)) {
    cairo_scale(cr, kDpm, kDpm);
  }
  ~CairoImage() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  void Clear() {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  void Path(const ArrayOfFPoint& points, bool closed) {
    cairo_new_path(cr);
    cairo_move_to(cr, points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].X, points[i].Y);
    if (closed) cairo_close_path(cr);
  }
  void Done() {
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_surface_t* surface;
  cairo_t* cr;
};

constexpr int kTokenSide = static_cast<int>(10 * kDpm);
constexpr int kPageWidth = static_cast<int>(160 * kDpm), kPageHeight = static_cast<int>(110 * kDpm);

void BM_TokenFillAndOutline_Kivrano(benchmark::State& state) {
  Stored token(Token());
  PaintShape(state, token, kTokenSide, kTokenSide);
}

void BM_TokenFillAndOutline_Cairo(benchmark::State& state) {
  const ArrayOfFPoint points = Token();
  CairoImage c(kTokenSide, kTokenSide);
  cairo_set_line_width(c.cr, 0.5);
  cairo_set_fill_rule(c.cr, CAIRO_FILL_RULE_EVEN_ODD);
  for (auto _ : state) {
    c.Clear();
    c.Path(points, true);
    cairo_set_source_rgb(c.cr, 0, 0, 1);
    cairo_fill_preserve(c.cr);
    cairo_set_source_rgb(c.cr, 0, 0, 0);
    cairo_stroke(c.cr);
    c.Done();
  }
}

void BM_FreehandOutline_Kivrano(benchmark::State& state) {
  Stored line(Freehand());
  line.SetIsClosed(false);
  line.SetUseFill(false);
  PaintShape(state, line, kPageWidth, kPageHeight);
}

// Cairo stroking the freehand line on a cleared page, with the pen that setup chooses.
template <typename Setup>
void StrokeFreehandCairo(benchmark::State& state, Setup setup) {
  const ArrayOfFPoint points = Freehand();
  CairoImage c(kPageWidth, kPageHeight);
  setup(c.cr);
  for (auto _ : state) {
    c.Clear();
    c.Path(points, false);
    cairo_stroke(c.cr);
    c.Done();
  }
}

void BM_FreehandOutline_Cairo(benchmark::State& state) {
  StrokeFreehandCairo(state, [](cairo_t* cr) {
    cairo_set_line_width(cr, 0.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  });
}

void BM_FreehandDashes_Kivrano(benchmark::State& state) {
  Stored line(Freehand());
  line.SetIsClosed(false);
  line.SetUseFill(false);
  line.SetUseOutline(false);
  line.SetUseStipple(true);
  PaintShape(state, line, kPageWidth, kPageHeight);
}

void BM_FreehandDashes_Cairo(benchmark::State& state) {
  StrokeFreehandCairo(state, [](cairo_t* cr) {
    const double dashes[] = {1.25, 0.75};  // ten sixteenths of 2 mm on, six off
    cairo_set_dash(cr, dashes, 2, 0);
    cairo_set_line_width(cr, 1 / kDpm);
  });
}

// The drop shadow on the token's image (copy, levels, offset, blur, colour, merge).
void BM_TokenShadow_Kivrano(benchmark::State& state) {
  Stored token(Token());
  auto effect = std::make_unique<TdtpShadowEffect>();
  TdtpShadowEffect* shadow = effect.get();
  token.AddEffect(std::move(effect));
  TBitmap32 painted;
  painted.SetSize(kTokenSide * 2, kTokenSide * 2);
  token.SetPaintMatrix(Scale());
  token.PaintBitmap(painted);
  TBitmap32 b;
  for (auto _ : state) {
    b.Assign(painted);
    shadow->Apply(b);
    benchmark::DoNotOptimize(b.Bits());
  }
}

BENCHMARK(BM_TokenFillAndOutline_Kivrano);
BENCHMARK(BM_TokenFillAndOutline_Cairo);
BENCHMARK(BM_FreehandOutline_Kivrano);
BENCHMARK(BM_FreehandOutline_Cairo);
BENCHMARK(BM_FreehandDashes_Kivrano);
BENCHMARK(BM_FreehandDashes_Cairo);
BENCHMARK(BM_TokenShadow_Kivrano);

}  // namespace

BENCHMARK_MAIN();
