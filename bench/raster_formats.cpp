// Picture codec speed on an exported drill sheet (A4 at 5 pixels per millimetre): the GIF
// quantiser, and PNG encoding and decoding side by side with cairo's PNG functions.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "storage/ColorQuantizer.h"
#include "storage/GifCodec.h"
#include "storage/JpegCodec.h"
#include "storage/PngCodec.h"

namespace {

using kivrano::TPixelBuffer;

constexpr int kWidth = 1050;
constexpr int kHeight = 1485;

uint32_t Mix(uint32_t under, uint32_t over, float coverage) {
  uint32_t out = 0xFF000000u;
  for (int shift : {0, 8, 16}) {
    float a = static_cast<float>((under >> shift) & 0xFF), b = static_cast<float>((over >> shift) & 0xFF);
    out |= static_cast<uint32_t>(std::lround(a + (b - a) * coverage)) << shift;
  }
  return out;
}

// White paper, a shaded title band, a green pitch with lines, and rows of kit-coloured tokens with
// soft edges: far more than 256 colours, most pixels in a few flat ones.
const TPixelBuffer& Sheet() {
  static const TPixelBuffer sheet = [] {
    TPixelBuffer p(kWidth, kHeight, 0xFFFFFFFF);
    for (int y = 60; y < kHeight - 60; ++y) {
      for (int x = 60; x < kWidth - 60; ++x) {
        bool line = std::abs(y - kHeight / 2) < 3 || x < 66 || x >= kWidth - 66 || y < 66 || y >= kHeight - 66;
        p.At(x, y) = line ? 0xFFFFFFFF : 0xFF2E8B57;
      }
    }
    for (int y = 0; y < 50; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        uint32_t r = static_cast<uint32_t>(90 + x * 150 / kWidth), g = static_cast<uint32_t>(60 + y * 3),
                 b = static_cast<uint32_t>(200 - x * 120 / kWidth + y);
        p.At(x, y) = 0xFF000000u | r << 16 | g << 8 | b;
      }
    }
    const uint32_t kits[] = {0xFFFF0000, 0xFF0000FF, 0xFFFFFF00, 0xFF800080, 0xFF00FFFF, 0xFFFF8C00};
    for (int i = 0; i < 48; ++i) {
      float cx = 120.0f + static_cast<float>(i % 8) * 115.0f, cy = 150.0f + static_cast<float>(i / 8) * 220.0f;
      for (int y = static_cast<int>(cy) - 26; y <= static_cast<int>(cy) + 26; ++y) {
        for (int x = static_cast<int>(cx) - 26; x <= static_cast<int>(cx) + 26; ++x) {
          float d = std::hypot(static_cast<float>(x) + 0.5f - cx, static_cast<float>(y) + 0.5f - cy);
          float rim = std::clamp(24.5f - d, 0.0f, 1.0f), fill = std::clamp(21.5f - d, 0.0f, 1.0f);
          uint32_t c = Mix(p.At(x, y), 0xFF000000u, rim);
          p.At(x, y) = Mix(c, kits[i % 6], fill);
        }
      }
    }
    return p;
  }();
  return sheet;
}

void BM_QuantizeDrillSheet(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kivrano::QuantizePicture(ViewOf(Sheet()), 256));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_QuantizeDrillSheet)->Unit(benchmark::kMillisecond);

void BM_SaveGif(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(kivrano::EncodeGif(kivrano::PrepareGifPicture(ViewOf(Sheet()), 32, 0xFFFFFF)));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_SaveGif)->Unit(benchmark::kMillisecond);

void BM_SaveJpeg(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kivrano::EncodeJpeg(ViewOf(Sheet()), 90));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_SaveJpeg)->Unit(benchmark::kMillisecond);

void BM_LoadJpeg(benchmark::State& state) {
  static const std::vector<uint8_t> jpeg = kivrano::EncodeJpeg(ViewOf(Sheet()), 90);
  int requested = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TPixelBuffer out;
    benchmark::DoNotOptimize(kivrano::DecodeJpeg(jpeg.data(), jpeg.size(), requested, requested, out));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_LoadJpeg)->Arg(4000)->Arg(200)->Unit(benchmark::kMillisecond);

// ---- PNG, ours (level 9, as saved) and cairo's ----

struct TCairoSheet {
  cairo_surface_t* surface;
  TCairoSheet() : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight)) {
    cairo_surface_flush(surface);
    auto* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < kHeight; ++y) std::memcpy(data + y * stride, Sheet().Data() + y * kWidth, kWidth * 4);
    cairo_surface_mark_dirty(surface);
  }
  ~TCairoSheet() { cairo_surface_destroy(surface); }
};

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

struct TByteReader {
  const std::vector<uint8_t>* bytes;
  size_t at;
};

cairo_status_t ReadBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<TByteReader*>(closure);
  if (reader->bytes->size() - reader->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes->data() + reader->at, length);
  reader->at += length;
  return CAIRO_STATUS_SUCCESS;
}

void BM_SavePng(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kivrano::EncodePng(ViewOf(Sheet())));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_SavePng)->Unit(benchmark::kMillisecond);

void BM_Peer_CairoSavePng(benchmark::State& state) {
  TCairoSheet sheet;
  for (auto _ : state) {
    std::vector<uint8_t> out;
    cairo_surface_write_to_png_stream(sheet.surface, AppendBytes, &out);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Peer_CairoSavePng)->Unit(benchmark::kMillisecond);

const std::vector<uint8_t>& CairoPng() {
  static const std::vector<uint8_t> bytes = [] {
    TCairoSheet sheet;
    std::vector<uint8_t> out;
    cairo_surface_write_to_png_stream(sheet.surface, AppendBytes, &out);
    return out;
  }();
  return bytes;
}

void BM_LoadPng(benchmark::State& state) {
  for (auto _ : state) {
    TPixelBuffer out;
    benchmark::DoNotOptimize(kivrano::DecodePng(CairoPng().data(), CairoPng().size(), out));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_LoadPng)->Unit(benchmark::kMillisecond);

void BM_Peer_CairoLoadPng(benchmark::State& state) {
  for (auto _ : state) {
    TByteReader reader{&CairoPng(), 0};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadBytes, &reader);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    cairo_surface_destroy(surface);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Peer_CairoLoadPng)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
