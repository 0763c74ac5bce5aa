// The payload compressor against zlib level 6 on a 1000 x 700 32-bit picture, photo-like and
// drawing-like. Both sides get the pixel bytes as the payload nodes see them: split into four
// planes (zlib also on the plain interleaved bytes, its natural input). Counters: "ratio" is the
// source size divided by the compressed size; bytes_per_second counts source bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "storage/Compressors.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kWidth = 1000;
constexpr int kHeight = 700;

void Put(Bytes& px, int x, int y, double r, double g, double b) {
  uint8_t* p = &px[(static_cast<size_t>(y) * kWidth + x) * 4];
  p[0] = static_cast<uint8_t>(std::clamp(b, 0.0, 255.0));
  p[1] = static_cast<uint8_t>(std::clamp(g, 0.0, 255.0));
  p[2] = static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
  p[3] = 255;
}

// Smooth colour fields with fine sensor-like noise.
Bytes PhotoLike() {
  Bytes px(static_cast<size_t>(kWidth) * kHeight * 4);
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 2.5);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double u = x / 180.0, v = y / 140.0;
      const double base = 110 + 60 * std::sin(u) * std::cos(v * 0.7) + 30 * std::sin(u * 0.3 + v);
      Put(px, x, y, base + 40 * std::cos(v * 1.3) + noise(rng), base * 0.9 + 20 * std::sin(u + v) + noise(rng),
          base * 0.7 + 50 * std::sin(v * 0.5) + noise(rng));
    }
  return px;
}

// A drill sheet: white paper, a green pitch with white lines, coloured player discs and cones,
// all edges anti-aliased by area coverage.
Bytes DrawingLike() {
  Bytes px(static_cast<size_t>(kWidth) * kHeight * 4);
  struct Disc {
    double cx, cy, radius, r, g, b;
  };
  std::vector<Disc> discs;
  std::mt19937 rng(11);
  const double kits[][3] = {{200, 20, 30}, {20, 40, 200}, {250, 220, 0}, {0, 0, 0}, {255, 128, 0}};
  for (int i = 0; i < 60; ++i) {
    const double* kit = kits[i % 5];
    discs.push_back({80.0 + rng() % 840, 70.0 + rng() % 560, 6.0 + rng() % 14, kit[0], kit[1], kit[2]});
  }
  auto coverage = [](double distanceInside) { return std::clamp(distanceInside + 0.5, 0.0, 1.0); };
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const double fx = x + 0.5, fy = y + 0.5;
      double r = 255, g = 255, b = 255;
      auto blend = [&](double a, double cr, double cg, double cb) {
        r += (cr - r) * a;
        g += (cg - g) * a;
        b += (cb - b) * a;
      };
      // Pitch rectangle with a 3-pixel white outline and a centre line.
      const double inside = std::min({fx - 40, 960 - fx, fy - 30, 670 - fy});
      blend(coverage(inside), 60, 150, 60);
      const double outline = std::abs(inside - 4) - 1.5;
      blend(coverage(-outline) * (inside > -1 ? 1 : 0), 255, 255, 255);
      blend(coverage(1.5 - std::abs(fx - 500)) * (inside > 0 ? 1 : 0), 255, 255, 255);
      const double circle = std::abs(std::hypot(fx - 500, fy - 350) - 90) - 1.5;
      blend(coverage(-circle), 255, 255, 255);
      for (const Disc& d : discs) {
        const double dist = std::hypot(fx - d.cx, fy - d.cy);
        if (dist < d.radius + 1) blend(coverage(d.radius - dist), d.r, d.g, d.b);
      }
      Put(px, x, y, r, g, b);
    }
  return px;
}

const Bytes& Picture(int which) {
  static const Bytes photo = PhotoLike();
  static const Bytes drawing = DrawingLike();
  return which == 0 ? photo : drawing;
}

Bytes Planes(const Bytes& px) {
  Bytes split = px;
  kivrano::SplitPlanes(split.data(), split.size(), 4);
  return split;
}

void Label(benchmark::State& state) { state.SetLabel(state.range(0) == 0 ? "photo" : "drawing"); }

void Report(benchmark::State& state, size_t source, size_t compressed) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source));
  state.counters["ratio"] = static_cast<double>(source) / static_cast<double>(compressed);
  Label(state);
}

void BM_KivranoCompress(benchmark::State& state) {
  const Bytes& px = Picture(static_cast<int>(state.range(0)));
  size_t compressed = 0;
  for (auto _ : state) {
    Bytes split = Planes(px);
    Bytes out = kivrano::CompressBytes(split);
    compressed = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, px.size(), compressed);
}

void BM_KivranoDecompress(benchmark::State& state) {
  const Bytes& px = Picture(static_cast<int>(state.range(0)));
  const Bytes packed = kivrano::CompressBytes(Planes(px));
  for (auto _ : state) {
    Bytes out = kivrano::DecompressBytes(packed, px.size());
    kivrano::JoinPlanes(out.data(), out.size(), 4);
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, px.size(), packed.size());
}

Bytes Deflate(const Bytes& source) {
  uLongf length = compressBound(static_cast<uLong>(source.size()));
  Bytes out(length);
  compress2(out.data(), &length, source.data(), static_cast<uLong>(source.size()), 6);
  out.resize(length);
  return out;
}

// range(1): 0 = interleaved pixel bytes, 1 = split into planes first.
void BM_ZlibCompress(benchmark::State& state) {
  const Bytes& px = Picture(static_cast<int>(state.range(0)));
  const bool split = state.range(1) != 0;
  size_t compressed = 0;
  for (auto _ : state) {
    Bytes out = Deflate(split ? Planes(px) : px);
    compressed = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, px.size(), compressed);
  state.SetLabel(std::string(state.range(0) == 0 ? "photo" : "drawing") + (split ? " planes" : " interleaved"));
}

void BM_ZlibDecompress(benchmark::State& state) {
  const Bytes& px = Picture(static_cast<int>(state.range(0)));
  const Bytes packed = Deflate(Planes(px));
  for (auto _ : state) {
    Bytes out(px.size());
    uLongf length = static_cast<uLongf>(out.size());
    uncompress(out.data(), &length, packed.data(), static_cast<uLong>(packed.size()));
    kivrano::JoinPlanes(out.data(), out.size(), 4);
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, px.size(), packed.size());
}

}  // namespace

BENCHMARK(BM_KivranoCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KivranoDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
