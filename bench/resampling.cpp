// Scaled and rotated drawing side by side with pixman: a 1000 x 1000 surface scaled up to
// 2000 x 2000 and down to 500 x 500 with each filter, and turned by 30 degrees.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <vector>

#include "raster/Bitmap32.h"
#include "raster/Resamplers.h"
#include "raster/Transforms.h"

namespace {

using namespace kivrano;

constexpr int kSource = 1000;

struct Picture : TBitmap32 {
  Picture(int w, int h) {
    SetSize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        SetPixel(x, y, MakeColor32((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255, 255 - ((x + y) & 63)));
  }
};

const Picture& Source() {
  static const Picture p(kSource, kSource);
  return p;
}

pixman_image_t* Wrap(const TBitmap32& b) {
  return pixman_image_create_bits(PIXMAN_a8r8g8b8, b.Width(), b.Height(), const_cast<uint32_t*>(b.Bits()),
                                  b.Width() * 4);
}

void Kivrano(benchmark::State& state, TStretchFilter filter, int size) {
  Picture dst(size, size);
  for (auto _ : state) {
    StretchTransfer(dst, {0, 0, size, size}, Source(), {0, 0, kSource, kSource}, filter, dmOpaque, {}, 255);
    benchmark::DoNotOptimize(dst.Bits());
  }
}

// Pixman maps destination pixels back through the transform; the separable convolutions stand in
// for the triangle and spline mapping tables, with kernels of the same reach.
void Pixman(benchmark::State& state, TStretchFilter filter, int size) {
  Picture dst(size, size);
  pixman_image_t* s = Wrap(Source());
  pixman_image_t* d = Wrap(dst);
  const double scale = static_cast<double>(kSource) / size;
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(scale), pixman_double_to_fixed(scale));
  pixman_image_set_transform(s, &t);
  pixman_fixed_t* params = nullptr;
  int count = 0;
  switch (filter) {
    case sfNearest: pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0); break;
    case sfLinear: pixman_image_set_filter(s, PIXMAN_FILTER_BILINEAR, nullptr, 0); break;
    case sfLinear2:
    case sfSpline: {
      const pixman_kernel_t k = filter == sfLinear2 ? PIXMAN_KERNEL_LINEAR : PIXMAN_KERNEL_CUBIC;
      const pixman_kernel_t sample = size < kSource ? PIXMAN_KERNEL_BOX : PIXMAN_KERNEL_IMPULSE;
      params = pixman_filter_create_separable_convolution(&count, pixman_double_to_fixed(std::max(scale, 1.0)),
                                                          pixman_double_to_fixed(std::max(scale, 1.0)), k, k, sample,
                                                          sample, 1, 1);
      pixman_image_set_filter(s, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
      break;
    }
  }
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, size, size);
    benchmark::DoNotOptimize(dst.Bits());
  }
  free(params);
  pixman_image_unref(s);
  pixman_image_unref(d);
}

void BM_ScaleUp_Kivrano(benchmark::State& s) { Kivrano(s, static_cast<TStretchFilter>(s.range(0)), 2000); }
void BM_ScaleUp_Pixman(benchmark::State& s) { Pixman(s, static_cast<TStretchFilter>(s.range(0)), 2000); }
void BM_ScaleDown_Kivrano(benchmark::State& s) { Kivrano(s, static_cast<TStretchFilter>(s.range(0)), 500); }
void BM_ScaleDown_Pixman(benchmark::State& s) { Pixman(s, static_cast<TStretchFilter>(s.range(0)), 500); }

// The area-averaging reduction that DrawScaled picks for opaque linear pictures.
void BM_ScaleDownBoxShrink_Kivrano(benchmark::State& state) {
  Picture dst(500, 500);
  for (auto _ : state) {
    DrawScaled(dst, {0, 0, 500, 500}, Source(), {0, 0, kSource, kSource}, sfLinear, dmOpaque, {}, 255);
    benchmark::DoNotOptimize(dst.Bits());
  }
}

constexpr int kTurned = 1400;

void BM_Rotate30_Kivrano(benchmark::State& state) {
  Picture dst(kTurned, kTurned);
  Picture& src = const_cast<Picture&>(Source());
  src.SetStretchFilter(static_cast<TStretchFilter>(state.range(0)));
  TAffineTransformation t;
  t.SetSourceRect({0, 0, kSource, kSource});
  t.Translate(200, 200);
  t.Rotate(700, 700, 30);
  for (auto _ : state) {
    Transform(dst, src, t);
    benchmark::DoNotOptimize(dst.Bits());
  }
  src.SetStretchFilter(sfNearest);
}

void BM_Rotate30_Pixman(benchmark::State& state) {
  Picture dst(kTurned, kTurned);
  pixman_image_t* s = Wrap(Source());
  pixman_image_t* d = Wrap(dst);
  // Destination to source: undo the placement, turn back by 30 degrees, move to the source.
  const double a = 30 * M_PI / 180;
  pixman_f_transform_t f;
  pixman_f_transform_init_translate(&f, -700, -700);
  pixman_f_transform_rotate(&f, nullptr, std::cos(a), -std::sin(a));
  pixman_f_transform_translate(&f, nullptr, 500, 500);
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  pixman_image_set_transform(s, &t);
  pixman_image_set_filter(s, state.range(0) == sfNearest ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, kTurned, kTurned);
    benchmark::DoNotOptimize(dst.Bits());
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
}

void Filters(benchmark::internal::Benchmark* b) {
  b->ArgName("filter");
  for (int f : {sfNearest, sfLinear, sfLinear2, sfSpline}) b->Arg(f);
}

BENCHMARK(BM_ScaleUp_Kivrano)->Apply(Filters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleUp_Pixman)->Apply(Filters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleDown_Kivrano)->Apply(Filters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleDown_Pixman)->Apply(Filters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScaleDownBoxShrink_Kivrano)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate30_Kivrano)->Arg(sfNearest)->Arg(sfLinear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate30_Pixman)->Arg(sfNearest)->Arg(sfLinear)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
