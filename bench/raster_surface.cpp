// The raster surface's hot paths side by side with pixman and cairo doing the same work: blending
// a row, filling rectangles and drawing anti-aliased lines.

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "raster/Bitmap32.h"

namespace {

using namespace kivrano;

constexpr int kRow = 1024;

std::vector<TColor32> RowWithMixedAlpha() {
  std::vector<TColor32> row(kRow);
  uint32_t state = 1;
  for (TColor32& c : row) {
    state = state * 1664525u + 1013904223u;
    c = state;  // every alpha, every colour
  }
  return row;
}

// Premultiplies a straight-alpha row for the peers, which composite premultiplied pixels.
std::vector<uint32_t> Premultiplied(const std::vector<TColor32>& row) {
  std::vector<uint32_t> out(row.size());
  for (size_t i = 0; i < row.size(); ++i) {
    const uint32_t a = row[i] >> 24;
    auto ch = [&](int shift) { return (((row[i] >> shift) & 0xFF) * a + 127) / 255; };
    out[i] = a << 24 | ch(16) << 16 | ch(8) << 8 | ch(0);
  }
  return out;
}

// One row of kRow mixed-alpha pixels blended onto an opaque row per iteration.
template <typename RowBlend>
void BlendRowBench(benchmark::State& state, RowBlend blend) {
  const std::vector<TColor32> src = RowWithMixedAlpha();
  std::vector<TColor32> dst(kRow, 0xFF336699);
  for (auto _ : state) {
    blend(src.data(), dst.data());
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * kRow);
}

void BM_BlendRow_Kivrano(benchmark::State& state) {
  BlendRowBench(state, [](const TColor32* s, TColor32* d) { BlendRow(s, d, kRow); });
}
BENCHMARK(BM_BlendRow_Kivrano);

void BM_BlendRow_KivranoPortable(benchmark::State& state) {
  BlendRowBench(state, [](const TColor32* s, TColor32* d) { BlendRowPortable(s, d, kRow); });
}
BENCHMARK(BM_BlendRow_KivranoPortable);

void BM_BlendRowWithMaster_Kivrano(benchmark::State& state) {
  BlendRowBench(state, [](const TColor32* s, TColor32* d) { BlendRowWithMaster(s, d, kRow, 200); });
}
BENCHMARK(BM_BlendRowWithMaster_Kivrano);

// The same row composited OVER with pixman; a master alpha becomes a solid mask.
void PixmanBlendRowBench(benchmark::State& state, int masterAlpha) {
  std::vector<uint32_t> src = Premultiplied(RowWithMixedAlpha());
  std::vector<uint32_t> dst(kRow, 0xFF336699);
  pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, kRow, 1, src.data(), kRow * 4);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, kRow, 1, dst.data(), kRow * 4);
  const pixman_color_t master = {0, 0, 0, static_cast<uint16_t>(masterAlpha * 257)};
  pixman_image_t* mask = masterAlpha < 255 ? pixman_image_create_solid_fill(&master) : nullptr;
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, s, mask, d, 0, 0, 0, 0, 0, 0, kRow, 1);
    benchmark::DoNotOptimize(dst.data());
  }
  if (mask != nullptr) pixman_image_unref(mask);
  pixman_image_unref(s);
  pixman_image_unref(d);
  state.SetItemsProcessed(state.iterations() * kRow);
}

void BM_BlendRow_Pixman(benchmark::State& state) { PixmanBlendRowBench(state, 255); }
BENCHMARK(BM_BlendRow_Pixman);

void BM_BlendRowWithMaster_Pixman(benchmark::State& state) { PixmanBlendRowBench(state, 200); }
BENCHMARK(BM_BlendRowWithMaster_Pixman);

constexpr int kSurface = 1024;
constexpr int kFill = 512;

// A shape cache (512 x 512, every alpha) merged onto a page: the compositing step of rendering.
std::vector<TColor32> CachePixels() {
  std::vector<TColor32> pixels;
  for (int y = 0; y < kFill; ++y) {
    const std::vector<TColor32> row = RowWithMixedAlpha();
    pixels.insert(pixels.end(), row.begin() + (y % 7), row.begin() + (y % 7) + kFill);
  }
  return pixels;
}

void BM_MergeDrawAt_Kivrano(benchmark::State& state) {
  const std::vector<TColor32> pixels = CachePixels();
  TBitmap32 cache;
  cache.SetSize(kFill, kFill);
  std::copy(pixels.begin(), pixels.end(), cache.Bits());
  TBitmap32 page;
  page.SetSize(kSurface, kSurface);
  page.Clear(0xFFFFFFFF);
  for (auto _ : state) {
    cache.MergeDrawAt(page, 100, 100, 255);
    benchmark::DoNotOptimize(page.Bits());
  }
  state.SetItemsProcessed(state.iterations() * kFill * kFill);
}
BENCHMARK(BM_MergeDrawAt_Kivrano);

void BM_CompositeOver_Pixman(benchmark::State& state) {
  std::vector<uint32_t> src = Premultiplied(CachePixels());
  std::vector<uint32_t> dst(static_cast<size_t>(kSurface) * kSurface, 0xFFFFFFFF);
  pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, kFill, kFill, src.data(), kFill * 4);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSurface, kSurface, dst.data(), kSurface * 4);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 100, 100, kFill, kFill);
    benchmark::DoNotOptimize(dst.data());
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  state.SetItemsProcessed(state.iterations() * kFill * kFill);
}
BENCHMARK(BM_CompositeOver_Pixman);

void BM_FillRect_Kivrano(benchmark::State& state) {
  TBitmap32 b;
  b.SetSize(kSurface, kSurface);
  for (auto _ : state) {
    b.FillRectClipped(100, 100, 100 + kFill, 100 + kFill, 0xFF336699);
    benchmark::DoNotOptimize(b.Bits());
  }
  state.SetItemsProcessed(state.iterations() * kFill * kFill);
}
BENCHMARK(BM_FillRect_Kivrano);

void BM_FillRect_Pixman(benchmark::State& state) {
  std::vector<uint32_t> bits(static_cast<size_t>(kSurface) * kSurface);
  for (auto _ : state) {
    pixman_fill(bits.data(), kSurface, 32, 100, 100, kFill, kFill, 0xFF336699);
    benchmark::DoNotOptimize(bits.data());
  }
  state.SetItemsProcessed(state.iterations() * kFill * kFill);
}
BENCHMARK(BM_FillRect_Pixman);

void BM_FillRect_Cairo(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSurface, kSurface);
  cairo_t* cr = cairo_create(surface);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgba(cr, 0.6, 0.4, 0.2, 1.0);
  for (auto _ : state) {
    cairo_rectangle(cr, 100, 100, kFill, kFill);
    cairo_fill(cr);
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  state.SetItemsProcessed(state.iterations() * kFill * kFill);
}
BENCHMARK(BM_FillRect_Cairo);

// A fan of 64 anti-aliased lines of about 400 pixels in every direction from the centre of a
// 1024 x 1024 surface, one pixel wide, half-transparent colour.
struct Fan {
  std::vector<float> x1, y1, x2, y2;
  Fan() {
    for (int i = 0; i < 64; ++i) {
      const float angle = static_cast<float>(i) * 0.0981748f + 0.013f;
      x1.push_back(512.3f);
      y1.push_back(511.7f);
      x2.push_back(512.3f + 400.0f * std::cos(angle));
      y2.push_back(511.7f + 400.0f * std::sin(angle));
    }
  }
  float Length() const { return 64 * 400.0f; }
};

// Draws the fan segment by segment on a white surface; style sets pen or stipple, lineTo draws.
template <typename Style, typename LineTo>
void DrawFanWithSurface(benchmark::State& state, Style style, LineTo lineTo) {
  const Fan fan;
  TBitmap32 b;
  b.SetSize(kSurface, kSurface);
  b.Clear(0xFFFFFFFF);
  style(b);
  for (auto _ : state) {
    for (size_t i = 0; i < fan.x1.size(); ++i) {
      b.MoveToFixed(ToFixed(fan.x1[i]), ToFixed(fan.y1[i]));
      lineTo(b, ToFixed(fan.x2[i]), ToFixed(fan.y2[i]));
    }
    benchmark::DoNotOptimize(b.Bits());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(fan.Length()));
}

void BM_AntialiasedLines_Kivrano(benchmark::State& state) {
  DrawFanWithSurface(
      state, [](TBitmap32& b) { b.SetPenColor(0xC0203040); },
      [](TBitmap32& b, TFixed x, TFixed y) { b.LineToAntialiased(x, y); });
}
BENCHMARK(BM_AntialiasedLines_Kivrano);

// Strokes the fan segment by segment (as the surface draws them) on a white cairo surface; style
// sets the source, width and dashes.
template <typename Style>
void StrokeFanWithCairo(benchmark::State& state, Style style) {
  const Fan fan;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSurface, kSurface);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_line_width(cr, 1.0);
  style(cr);
  for (auto _ : state) {
    for (size_t i = 0; i < fan.x1.size(); ++i) {
      cairo_move_to(cr, fan.x1[i], fan.y1[i]);
      cairo_line_to(cr, fan.x2[i], fan.y2[i]);
      cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(fan.Length()));
}

void BM_AntialiasedLines_Cairo(benchmark::State& state) {
  StrokeFanWithCairo(state, [](cairo_t* cr) { cairo_set_source_rgba(cr, 0.125, 0.19, 0.25, 0.75); });
}
BENCHMARK(BM_AntialiasedLines_Cairo);

void BM_AntialiasedStippledLines_Kivrano(benchmark::State& state) {
  DrawFanWithSurface(
      state,
      [](TBitmap32& b) {
        TArrayOfColor32 pattern(16, 0xFF000000);
        for (size_t i = 0; i < 10; ++i) pattern[i] = 0xFFFFFFFF;
        b.SetStipple(pattern);
        b.SetStippleStep(0.5f);
      },
      [](TBitmap32& b, TFixed x, TFixed y) { b.LineToAntialiasedStippled(x, y); });
}
BENCHMARK(BM_AntialiasedStippledLines_Kivrano);

void BM_AntialiasedDashedLines_Cairo(benchmark::State& state) {
  StrokeFanWithCairo(state, [](cairo_t* cr) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    const double dashes[] = {20.0, 12.0};
    cairo_set_dash(cr, dashes, 2, 0);
  });
}
BENCHMARK(BM_AntialiasedDashedLines_Cairo);

}  // namespace

BENCHMARK_MAIN();
