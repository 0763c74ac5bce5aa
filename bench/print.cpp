// Printing and page rendering: the 25 drill pages of a drawing rendered with PrintTo at 5 dots per
// mm (also encoded as PNG), and one A4 page at 600 dots per inch through the 32 bands. The peer
// draws similar content (pitch lines, filled player discs, arrows, strokes) with cairo.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "platform/HeadlessPrinter.h"
#include "platform/Printer.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpFreehandShape.h"
#include "shapes/dtpLineShape.h"
#include "shapes/dtpShapeClasses.h"
#include "storage/dtpRasterFormats.h"

namespace {

using namespace kivrano;

constexpr int kPages = 25;
constexpr float kDpm = 5;
constexpr int kPlayers = 16;
constexpr int kArrows = 6;
constexpr int kStrokes = 3;
constexpr int kStrokePoints = 40;

// The kit colours of the players (TColor, red in the low byte).
constexpr TColor kKits[] = {0x0000C0, 0xC00000, 0x00A0FF, 0x202020};

float Wobble(int page, int i, float span) {
  return static_cast<float>((page * 37 + i * 53) % 100) / 100.0f * span;
}

template <class Shape>
std::unique_ptr<Shape> Outline(float left, float top, float width, float height) {
  auto shape = std::make_unique<Shape>();
  shape->SetBounds(left, top, width, height);
  shape->SetUseFill(false);
  shape->SetOutlineColor(0x209020);
  shape->SetOutlineWidth(0.6f);
  return shape;
}

// A drill page: a pitch with its markings, players as discs and triangles, passes and runs as
// arrows and freehand strokes.
void BuildDrillPage(TdtpDocument& doc, int page) {
  doc.AddShape(Outline<TdtpRectangleShape>(15, 18, 180, 260));
  doc.AddShape(Outline<TdtpRectangleShape>(55, 18, 100, 40));
  doc.AddShape(Outline<TdtpRectangleShape>(55, 238, 100, 40));
  doc.AddShape(Outline<TdtpEllipseShape>(85, 128, 40, 40));
  auto halfway = std::make_unique<TdtpLineShape>();
  halfway->SetPoint(0, {15, 148});
  halfway->SetPoint(1, {195, 148});
  halfway->SetLineWidth(0.6f);
  halfway->SetFillColor(0x209020);
  doc.AddShape(std::move(halfway));
  for (int i = 0; i < kPlayers; ++i) {
    std::unique_ptr<TdtpPolygonShape> player;
    if (i % 4 == 3) {
      player = std::make_unique<TdtpDrieHShape>();
    } else {
      player = std::make_unique<TdtpEllipseShape>();
    }
    player->SetBounds(25 + Wobble(page, i, 150), 30 + Wobble(page + 3, i * 7, 230), 8, 8);
    player->SetFillColor(kKits[i % 4]);
    player->SetOutlineColor(0);
    player->SetOutlineWidth(0.3f);
    player->SetName("Rspeler " + std::to_string(i + 1));
    doc.AddShape(std::move(player));
  }
  for (int i = 0; i < kArrows; ++i) {
    auto arrow = std::make_unique<TdtpLineShape>();
    arrow->SetLineWidth(0.5f);
    arrow->SetFillColor(0x000080);
    arrow->Arrows(1)->SetStyle(Arrow);
    arrow->SetPoint(0, {30 + Wobble(page, i * 3, 140), 40 + Wobble(page, i * 5, 200)});
    arrow->SetPoint(1, {40 + Wobble(page + 1, i * 11, 140), 50 + Wobble(page + 2, i * 13, 200)});
    doc.AddShape(std::move(arrow));
  }
  for (int i = 0; i < kStrokes; ++i) {
    auto stroke = std::make_unique<TdtpFreehandShape>();
    const float x0 = 30 + Wobble(page, i * 17, 120);
    const float y0 = 40 + Wobble(page, i * 19, 200);
    for (int k = 0; k < kStrokePoints; ++k) {
      const float t = static_cast<float>(k) / kStrokePoints;
      stroke->AddPoint(x0 + 40 * t, y0 + 6 * std::sin(t * 12));
    }
    doc.AddShape(std::move(stroke));
  }
}

TdtpDocument& DrillDocument() {
  static TdtpDocument* doc = [] {
    RegisterStandardShapeClasses();
    auto* d = new TdtpDocument();
    d->SetUndoEnabled(false);
    for (int p = 1; p < kPages; ++p) d->AddPage(nullptr);
    for (int p = 0; p < kPages; ++p) {
      d->SetCurrentPageIndex(p);
      BuildDrillPage(*d, p);
    }
    d->SetCurrentPageIndex(0);
    return d;
  }();
  return *doc;
}

void RenderPage(TdtpPage& page, TBitmap32& picture) {
  picture.SetSize(static_cast<int>(std::nearbyint(kDpm * page.DocWidth())),
                  static_cast<int>(std::nearbyint(kDpm * page.DocHeight())));
  picture.Clear(clWhite32);
  TCanvas canvas(picture);
  page.PrintTo(canvas, TRect{0, 0, picture.Width(), picture.Height()}, false, false, 0, kDpm);
}

void BM_PrintToAllPages(benchmark::State& state) {
  TdtpDocument& doc = DrillDocument();
  TBitmap32 picture;
  // KIVRANO_PICTURES names a folder to receive the first page as a picture to look at.
  if (const char* folder = std::getenv("KIVRANO_PICTURES")) {
    RenderPage(*doc.Pages(0), picture);
    TdtpImageFiler filer;
    filer.SetFileName(std::string(folder) + "/bench_print_page1.png");
    filer.SaveBitmap(&picture);
  }
  for (auto _ : state) {
    for (int p = 0; p < kPages; ++p) RenderPage(*doc.Pages(p), picture);
    benchmark::DoNotOptimize(picture.GetPixel(0, 0));
  }
  state.counters["pages/s"] = benchmark::Counter(kPages, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PrintToAllPages)->Unit(benchmark::kMillisecond);

void BM_PrintToAllPagesPng(benchmark::State& state) {
  TdtpDocument& doc = DrillDocument();
  TBitmap32 picture;
  TdtpPngFormat png;
  for (auto _ : state) {
    int64_t bytes = 0;
    for (int p = 0; p < kPages; ++p) {
      RenderPage(*doc.Pages(p), picture);
      TMemoryStream stream;
      png.SaveToStream(stream, picture);
      bytes += stream.Size();
    }
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_PrintToAllPagesPng)->Unit(benchmark::kMillisecond);

// Counts the band pixels and drops them: the rendering side of printing alone.
class TDiscardingTarget : public IBandTarget {
 public:
  void StretchBand(const TRect&, const TBitmap32& band) override {
    ++bands;
    pixels += static_cast<int64_t>(band.Width()) * band.Height();
  }
  int bands = 0;
  int64_t pixels = 0;
};

void BM_PrintA4PageHighQualityBands(benchmark::State& state) {
  TdtpDocument& doc = DrillDocument();
  TDiscardingTarget target;
  for (auto _ : state) {
    doc.Pages(1)->PrintTo(target, TRect{0, 0, 4961, 7016}, false, false, 0, 600 / 25.4f);
  }
  state.counters["bands/page"] = static_cast<double>(target.bands) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PrintA4PageHighQualityBands)->Unit(benchmark::kMillisecond);

// The whole job at 600 dots per inch onto a 300 dots-per-inch sheet, halftone stretching included.
void BM_PrintPagesHighQualityJob(benchmark::State& state) {
  TdtpDocument& doc = DrillDocument();
  TPrinterGeometry g;
  g.PhysicalWidth = g.PageWidth = 2480;
  g.PhysicalHeight = g.PageHeight = 3508;
  g.Dpi = 300;
  THeadlessPrinter printer(g);
  IPrinter* previous = SetPrinter(&printer);
  doc.SetPrintQuality(pqHigh);
  for (auto _ : state) doc.PrintPage(1);
  doc.SetPrintQuality(pqLow);
  SetPrinter(previous);
}
BENCHMARK(BM_PrintPagesHighQualityJob)->Unit(benchmark::kMillisecond);

// ---- peer: cairo drawing the same kind of page ----

void CairoColor(cairo_t* cr, TColor c) {
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

void CairoDrillPage(cairo_t* cr, int page) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_scale(cr, kDpm, kDpm);
  CairoColor(cr, 0x209020);
  cairo_set_line_width(cr, 0.6);
  cairo_rectangle(cr, 15, 18, 180, 260);
  cairo_rectangle(cr, 55, 18, 100, 40);
  cairo_rectangle(cr, 55, 238, 100, 40);
  cairo_stroke(cr);
  cairo_arc(cr, 105, 148, 20, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_move_to(cr, 15, 148);
  cairo_line_to(cr, 195, 148);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 0.3);
  for (int i = 0; i < kPlayers; ++i) {
    const double x = 25 + Wobble(page, i, 150), y = 30 + Wobble(page + 3, i * 7, 230);
    if (i % 4 == 3) {
      cairo_move_to(cr, x + 4, y);
      cairo_line_to(cr, x + 8, y + 8);
      cairo_line_to(cr, x, y + 8);
      cairo_close_path(cr);
    } else {
      cairo_arc(cr, x + 4, y + 4, 4, 0, 2 * M_PI);
    }
    CairoColor(cr, kKits[i % 4]);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_stroke(cr);
  }
  cairo_set_line_width(cr, 0.5);
  CairoColor(cr, 0x000080);
  for (int i = 0; i < kArrows; ++i) {
    const double x0 = 30 + Wobble(page, i * 3, 140), y0 = 40 + Wobble(page, i * 5, 200);
    const double x1 = 40 + Wobble(page + 1, i * 11, 140), y1 = 50 + Wobble(page + 2, i * 13, 200);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
    const double a = std::atan2(y1 - y0, x1 - x0);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x1 - 3 * std::cos(a - 0.4), y1 - 3 * std::sin(a - 0.4));
    cairo_line_to(cr, x1 - 3 * std::cos(a + 0.4), y1 - 3 * std::sin(a + 0.4));
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (int i = 0; i < kStrokes; ++i) {
    const double x0 = 30 + Wobble(page, i * 17, 120), y0 = 40 + Wobble(page, i * 19, 200);
    for (int k = 0; k < kStrokePoints; ++k) {
      const double t = static_cast<double>(k) / kStrokePoints;
      cairo_line_to(cr, x0 + 40 * t, y0 + 6 * std::sin(t * 12));
    }
    cairo_stroke(cr);
  }
  cairo_identity_matrix(cr);
}

cairo_status_t CountBytes(void* closure, const unsigned char*, unsigned int length) {
  *static_cast<int64_t*>(closure) += length;
  return CAIRO_STATUS_SUCCESS;
}

void CairoAllPages(benchmark::State& state, bool png) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1050, 1485);
  for (auto _ : state) {
    int64_t bytes = 0;
    for (int p = 0; p < kPages; ++p) {
      cairo_t* cr = cairo_create(surface);
      CairoDrillPage(cr, p);
      cairo_destroy(cr);
      cairo_surface_flush(surface);
      if (png) cairo_surface_write_to_png_stream(surface, CountBytes, &bytes);
    }
    benchmark::DoNotOptimize(bytes);
  }
  cairo_surface_destroy(surface);
}

void BM_Peer_CairoAllPages(benchmark::State& state) { CairoAllPages(state, false); }
BENCHMARK(BM_Peer_CairoAllPages)->Unit(benchmark::kMillisecond);

void BM_Peer_CairoAllPagesPng(benchmark::State& state) { CairoAllPages(state, true); }
BENCHMARK(BM_Peer_CairoAllPagesPng)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
