// Text and memo shapes: painting a text shape's coverage mask, wrapping and painting a memo, and
// the caret positions rebuilt on every key stroke while editing. Side by side: cairo showing and
// measuring the same text on an image surface of the same size.

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "raster/Bitmap32.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpTextShape.h"

namespace {

using namespace kivrano;

constexpr float kD = 5.905512f;  // 150 dots per inch

const std::string kTitle = "Oefening 1: passen en kaatsen";
const std::string kParagraph =
    "Dribbel met de bal om de kegels heen, speel daarna de bal in op de speler in het vak. Die "
    "kaatst terug en de eerste speler schiet op doel. Wissel na vijf minuten van rol. Variatie: "
    "laat de verdediger meelopen en beperk het aantal balcontacten tot twee.";

TdtpMatrix Scale(float s) {
  TdtpMatrix m;
  m.M[0][0] = s;
  m.M[1][1] = s;
  return m;
}

struct TCairoImage {
  cairo_surface_t* Surface;
  cairo_t* Context;
  TCairoImage(int width, int height, double pixels)
      : Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), Context(cairo_create(Surface)) {
    cairo_select_font_face(Context, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(Context, pixels);
  }
  ~TCairoImage() {
    cairo_destroy(Context);
    cairo_surface_destroy(Surface);
  }
  void Clear() {
    cairo_set_operator(Context, CAIRO_OPERATOR_CLEAR);
    cairo_paint(Context);
    cairo_set_operator(Context, CAIRO_OPERATOR_OVER);
    cairo_set_source_rgb(Context, 0.5, 0, 0);
  }
  void Show(const std::string& text, double x, double baseline) {
    cairo_move_to(Context, x, baseline);
    cairo_show_text(Context, text.c_str());
  }
  double Width(const std::string& text) {
    cairo_text_extents_t e;
    cairo_text_extents(Context, text.c_str(), &e);
    return e.x_advance;
  }
};

// The em size in pixels of the shapes' default font as the surfaces draw it (25 points at 96 per inch).
constexpr double kEmPixels = 25.0 * 96 / 72;

void BM_TextShapePaint(benchmark::State& state) {
  TdtpTextShape shape;
  shape.SetText(kTitle);
  shape.SetFontColor(0x800000);
  TBitmap32 image;
  image.SetSize(static_cast<int>(shape.DocWidth() * kD) + 1, static_cast<int>(shape.DocHeight() * kD) + 1);
  shape.SetPaintMatrix(Scale(kD));
  for (auto _ : state) {
    shape.PaintBitmap(image);
    benchmark::DoNotOptimize(image.Bits());
  }
}
BENCHMARK(BM_TextShapePaint);

void BM_CairoTextPaint(benchmark::State& state) {
  TdtpTextShape shape;
  shape.SetText(kTitle);
  TCairoImage cairo(static_cast<int>(shape.DocWidth() * kD) + 1, static_cast<int>(shape.DocHeight() * kD) + 1, kEmPixels);
  for (auto _ : state) {
    cairo.Clear();
    cairo.Show(kTitle, 0, kEmPixels);
    cairo_surface_flush(cairo.Surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(cairo.Surface));
  }
}
BENCHMARK(BM_CairoTextPaint);

void BM_MemoWrap(benchmark::State& state) {
  TdtpMemoShape memo;
  memo.SetText(kParagraph);
  for (auto _ : state) {
    memo.UpdateSize();
    benchmark::DoNotOptimize(memo.WrappedLines().size());
  }
}
BENCHMARK(BM_MemoWrap);

// The same greedy rule measured with cairo: cut at the last space before the line grows too wide.
void BM_CairoWrap(benchmark::State& state) {
  TCairoImage cairo(8, 8, kEmPixels);
  const double box = 40 * kD;
  for (auto _ : state) {
    std::vector<std::string> lines;
    std::string rest = kParagraph;
    while (!rest.empty()) {
      std::string candidate = rest;
      while (candidate.size() > 1 && cairo.Width(candidate) >= box) {
        const size_t space = candidate.rfind(' ', candidate.size() - 2);
        candidate = space != std::string::npos && space > 0 ? candidate.substr(0, space) : candidate.substr(0, candidate.size() - 1);
      }
      lines.push_back(candidate);
      rest = rest.substr(candidate.size());
      while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    }
    benchmark::DoNotOptimize(lines.size());
  }
}
BENCHMARK(BM_CairoWrap);

void BM_MemoPaint(benchmark::State& state) {
  TdtpMemoShape memo;
  memo.SetText(kParagraph);
  TBitmap32 image;
  image.SetSize(static_cast<int>(memo.DocWidth() * kD) + 1, static_cast<int>(memo.DocHeight() * kD) + 1);
  memo.SetPaintMatrix(Scale(kD));
  for (auto _ : state) {
    memo.PaintBitmap(image);
    benchmark::DoNotOptimize(image.Bits());
  }
}
BENCHMARK(BM_MemoPaint);

void BM_CairoMemoPaint(benchmark::State& state) {
  TdtpMemoShape memo;
  memo.SetText(kParagraph);
  TCairoImage cairo(static_cast<int>(memo.DocWidth() * kD) + 1, static_cast<int>(memo.DocHeight() * kD) + 1, kEmPixels);
  const double step = memo.LineHeight() * kD;
  for (auto _ : state) {
    cairo.Clear();
    double baseline = kEmPixels;
    for (const std::string& line : memo.WrappedLines()) {
      cairo.Show(line, 0, baseline);
      baseline += step;
    }
    cairo_surface_flush(cairo.Surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(cairo.Surface));
  }
}
BENCHMARK(BM_CairoMemoPaint);

// What a key stroke costs in a memo under edit: new text, new wrap and box, new caret positions.
void BM_MemoKeyStroke(benchmark::State& state) {
  TdtpMemoShape memo;
  bool toggle = false;
  for (auto _ : state) {
    memo.SetText(toggle ? kParagraph : kParagraph + "x");
    memo.BuildCaretPositions();
    toggle = !toggle;
    benchmark::DoNotOptimize(memo.CaretX().data());
  }
}
BENCHMARK(BM_MemoKeyStroke);

}  // namespace

BENCHMARK_MAIN();
