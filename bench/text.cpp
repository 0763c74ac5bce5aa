// Text output of a paragraph: the surface's formatted text call against cairo showing the same
// lines on an image surface of the same size.

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <string>
#include <vector>

#include "platform/FontEngine.h"
#include "raster/Bitmap32.h"

namespace {

using namespace kivrano;

const std::string kParagraph =
    "Dribbel met de bal om de kegels heen, speel daarna de bal in op de speler in het vak. Die "
    "kaatst terug en de eerste speler schiet op doel. Wissel na vijf minuten van rol. Variatie: "
    "laat de verdediger meelopen en beperk het aantal balcontacten tot twee. Let op de "
    "lichaamshouding bij het aannemen en op de snelheid van de pass. AVATAR Wolf 0123456789.";

constexpr int kWidth = 640;
constexpr int kHeight = 240;
constexpr int kCellHeight = 15;
const TRect kBox{10, 10, kWidth - 10, kHeight - 10};

// The wrapped lines with their pen positions, as the surface lays them out.
struct TLaidOutLine {
  std::string Text;
  int X;
  int Baseline;
};

std::vector<TLaidOutLine> WrappedLines(TScaledFont& font) {
  // Re-wrap word by word with the font's own measuring, the same greedy rule as the layout.
  std::vector<TLaidOutLine> lines;
  std::string line, word;
  int baseline = kBox.Top + font.Metrics().Ascent;
  auto flush = [&] {
    lines.push_back(TLaidOutLine{line, kBox.Left, baseline});
    baseline += font.Metrics().Height;
    line.clear();
  };
  size_t i = 0;
  while (i < kParagraph.size()) {
    size_t j = kParagraph.find(' ', i);
    if (j == std::string::npos) j = kParagraph.size();
    word = kParagraph.substr(i, j - i);
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && font.TextExtent(candidate).cx > kBox.Width()) {
      flush();
      line = word;
    } else {
      line = candidate;
    }
    i = j + 1;
  }
  if (!line.empty()) flush();
  return lines;
}

void BM_TextOutKivrano(benchmark::State& state) {
  TBitmap32 bmp;
  bmp.SetSize(kWidth, kHeight);
  bmp.Clear(0xFFFFFFFF);
  bmp.Font().SetName("DejaVu Sans");
  bmp.Font().SetHeight(kCellHeight);
  bmp.TextOut(kBox, tfWordBreak, kParagraph);  // warm the glyph cache, as cairo's is warmed below
  for (auto _ : state) {
    bmp.TextOut(kBox, tfWordBreak, kParagraph);
    benchmark::DoNotOptimize(bmp.Bits());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kParagraph.size()));
}
BENCHMARK(BM_TextOutKivrano);

void BM_TextOutCairo(benchmark::State& state) {
  TFontRequest request;
  request.Family = "DejaVu Sans";
  request.Height = kCellHeight;
  auto font = TFontEngine::Instance().Acquire(request);
  const std::vector<TLaidOutLine> lines = WrappedLines(*font);
  // cairo's font size is the em height; the cell height less the internal leading.
  const double emSize = kCellHeight - font->Metrics().InternalLeading;

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, emSize);
  cairo_set_source_rgb(cr, 0, 0, 0);
  auto draw = [&] {
    for (const TLaidOutLine& l : lines) {
      cairo_move_to(cr, l.X, l.Baseline);
      cairo_show_text(cr, l.Text.c_str());
    }
    cairo_surface_flush(surface);
  };
  draw();
  for (auto _ : state) {
    draw();
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kParagraph.size()));
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_TextOutCairo);

// Measuring one line: the surface's extent against cairo's text extents.
void BM_TextExtentKivrano(benchmark::State& state) {
  TBitmap32 bmp;
  bmp.Font().SetName("DejaVu Sans");
  bmp.Font().SetHeight(kCellHeight);
  const std::string text = kParagraph.substr(0, 80);
  for (auto _ : state) benchmark::DoNotOptimize(bmp.TextExtent(text));
}
BENCHMARK(BM_TextExtentKivrano);

void BM_TextExtentCairo(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 13);
  const std::string text = kParagraph.substr(0, 80);
  cairo_text_extents_t extents;
  for (auto _ : state) {
    cairo_text_extents(cr, text.c_str(), &extents);
    benchmark::DoNotOptimize(extents);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_TextExtentCairo);

}  // namespace

BENCHMARK_MAIN();
