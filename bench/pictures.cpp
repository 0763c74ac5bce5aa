// Picture shapes in the view: one paint of a page holding a large photo turned by 30 degrees,
// with the decoded picture kept by its resource (as painting does) and, for comparison, decoded
// again for every paint. The peer does the same pixel work with pixman: the photo scaled into a
// cache of the shape's size, then turned onto the window. Last, a metafile of a thousand records
// played onto a canvas.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "base/Stream.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "platform/EnhancedMetafile.h"
#include "platform/HeadlessViewHost.h"
#include "raster/Bitmap32.h"
#include "raster/Resamplers.h"
#include "shapes/dtpBitmapShape.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpResource.h"

namespace {

using namespace kivrano;

constexpr int kPhotoWidth = 3000, kPhotoHeight = 2000;
constexpr int kClientWidth = 800, kClientHeight = 600;
constexpr float kShapeWidth = 120, kShapeHeight = 80;

void FillPhoto(TBitmap32& photo) {
  photo.SetSize(kPhotoWidth, kPhotoHeight);
  for (int y = 0; y < kPhotoHeight; ++y)
    for (int x = 0; x < kPhotoWidth; ++x)
      photo.SetPixel(x, y, MakeColor32((x / 3) & 255, (y / 2) & 255, ((x ^ y) >> 3) & 255, 255));
}

const std::string& PhotoFile() {
  static const std::string path = [] {
    TBitmap32 photo;
    FillPhoto(photo);
    const std::string file = (std::filesystem::temp_directory_path() / "kivrano_bench_photo.jpg").string();
    TFileStream out(file, fmCreate);
    SaveJpegToStream(photo, out);
    return file;
  }();
  return path;
}

// A document on an 800 x 600 view at 3 pixels per mm with the turned photo on its page.
struct PhotoPage {
  THeadlessViewHost host{kClientWidth, kClientHeight};
  TdtpDocument doc;
  TdtpBitmapShape* shape = nullptr;

  PhotoPage() {
    doc.SetHost(&host);
    doc.SetViewStyle(vsNormal);
    doc.SetScreenDpm(3);
    doc.UpdateExtent();
    auto picture = std::make_unique<TdtpBitmapShape>();
    picture->SetBounds(20, 20, kShapeWidth, kShapeHeight);
    picture->Resource().LoadFromFile(PhotoFile());
    picture->SetAngleAroundCenter(30);
    shape = picture.get();
    doc.LockUndo();
    doc.AddShape(std::move(picture));
    doc.UnlockUndo();
    doc.Paint(TRect{0, 0, kClientWidth, kClientHeight});
  }
  ~PhotoPage() { doc.SetHost(nullptr); }
};

void BM_TurnedPhotoPaint(benchmark::State& state) {
  PhotoPage page;
  const bool decodeEveryPaint = state.range(0) != 0;
  for (auto _ : state) {
    if (decodeEveryPaint) page.shape->Resource().ReleaseObject();
    page.shape->Refresh();  // the shape's image is rendered again
    page.doc.Paint(TRect{0, 0, kClientWidth, kClientHeight});
    benchmark::DoNotOptimize(page.doc.WindowSurface().Bits());
  }
  state.SetLabel(decodeEveryPaint ? "decoded for every paint" : "decoded picture kept");
}
BENCHMARK(BM_TurnedPhotoPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The share of one paint spent scaling the photo into the shape's cache with the document's
// default filter (linear through mapping tables).
void BM_PhotoIntoCache(benchmark::State& state) {
  TBitmap32 photo;
  FillPhoto(photo);
  const float renderDpm = TdtpDocument().RenderDpm();
  TBitmap32 cache;
  cache.SetSize(static_cast<int>(std::lround(kShapeWidth * renderDpm)), static_cast<int>(std::lround(kShapeHeight * renderDpm)));
  for (auto _ : state) {
    StretchTransfer(cache, TRect{0, 0, cache.Width(), cache.Height()}, photo, TRect{0, 0, kPhotoWidth, kPhotoHeight},
                    sfLinear2, dmOpaque, {}, 255);
    benchmark::DoNotOptimize(cache.Bits());
  }
}
BENCHMARK(BM_PhotoIntoCache)->Unit(benchmark::kMillisecond);

pixman_image_t* Wrap(TBitmap32& b) {
  return pixman_image_create_bits(PIXMAN_a8r8g8b8, b.Width(), b.Height(), b.Bits(), b.Width() * 4);
}

void BM_TurnedPhotoPixman(benchmark::State& state) {
  TBitmap32 photo;
  FillPhoto(photo);
  const float renderDpm = TdtpDocument().RenderDpm();
  TBitmap32 cache, window;
  cache.SetSize(static_cast<int>(std::lround(kShapeWidth * renderDpm)), static_cast<int>(std::lround(kShapeHeight * renderDpm)));
  window.SetSize(kClientWidth, kClientHeight);
  pixman_image_t* src = Wrap(photo);
  pixman_image_t* mid = Wrap(cache);
  pixman_image_t* dst = Wrap(window);
  pixman_transform_t scale;
  pixman_transform_init_scale(&scale, pixman_double_to_fixed(static_cast<double>(kPhotoWidth) / cache.Width()),
                              pixman_double_to_fixed(static_cast<double>(kPhotoHeight) / cache.Height()));
  pixman_image_set_transform(src, &scale);
  pixman_image_set_filter(src, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  // Window pixels back to cache pixels: turn by 30 degrees about the window centre, at 3 / renderDpm.
  pixman_f_transform_t f;
  pixman_f_transform_init_identity(&f);
  pixman_f_transform_translate(&f, nullptr, -kClientWidth / 2.0, -kClientHeight / 2.0);
  pixman_f_transform_rotate(&f, nullptr, std::cos(M_PI / 6), std::sin(M_PI / 6));
  pixman_f_transform_scale(&f, nullptr, renderDpm / 3.0, renderDpm / 3.0);
  pixman_f_transform_translate(&f, nullptr, cache.Width() / 2.0, cache.Height() / 2.0);
  pixman_transform_t turn;
  pixman_transform_from_pixman_f_transform(&turn, &f);
  pixman_image_set_transform(mid, &turn);
  pixman_image_set_filter(mid, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, mid, 0, 0, 0, 0, 0, 0, cache.Width(), cache.Height());
    pixman_image_composite32(PIXMAN_OP_OVER, mid, nullptr, dst, 0, 0, 0, 0, 0, 0, kClientWidth, kClientHeight);
    benchmark::DoNotOptimize(window.Bits());
  }
  pixman_image_unref(src);
  pixman_image_unref(mid);
  pixman_image_unref(dst);
}
BENCHMARK(BM_TurnedPhotoPixman)->Unit(benchmark::kMillisecond);

// A thousand records: rectangles, ellipses, polygons, polylines and Bezier curves in changing pens
// and brushes, written by hand in the file layout.
std::vector<uint8_t> BusyMetafile() {
  std::vector<uint8_t> out;
  auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  for (uint32_t v : {1u, 88u, 0u, 0u, 799u, 599u, 0u, 0u, 8000u, 6000u, kEmfSignature, 0x10000u, 0u, 0u, 16u, 0u, 0u, 0u,
                     1000u, 1000u, 100u, 100u})
    put(v);
  for (uint32_t i = 0; i < 200; ++i) {
    const uint32_t x = (i * 37) % 700, y = (i * 53) % 500;
    put(emrCreatePen), put(28), put(1 + i % 8), put(0), put(1 + i % 4), put(0), put(i * 0x010203u & 0xFFFFFF);
    put(emrSelectObject), put(12), put(1 + i % 8);
    put(emrEllipse + i % 2), put(24), put(x), put(y), put(x + 90), put(y + 70);  // rectangle or ellipse
    put(emrPolygon16), put(40), put(0), put(0), put(0), put(0), put(3), put(x | (y + 80) << 16),
        put((x + 50) | y << 16), put((x + 99) | (y + 80) << 16);
    put(emrPolyBezier16), put(44), put(0), put(0), put(0), put(0), put(4), put(x | y << 16),
        put((x + 30) | (y + 90) << 16), put((x + 60) | y << 16), put((x + 95) | (y + 90) << 16);
  }
  put(emrEof), put(20), put(0), put(16), put(20);
  for (int i = 0; i < 4; ++i) out[48 + static_cast<size_t>(i)] = static_cast<uint8_t>(out.size() >> (8 * i));
  return out;
}

void BM_MetafilePlay(benchmark::State& state) {
  const std::vector<uint8_t> bytes = BusyMetafile();
  TEnhancedMetafile metafile(bytes.data(), bytes.size());
  TBitmap32 surface;
  surface.SetSize(kClientWidth, kClientHeight);
  TCanvas canvas(surface);
  for (auto _ : state) {
    metafile.Play(canvas, TRect{0, 0, kClientWidth, kClientHeight});
    benchmark::DoNotOptimize(surface.Bits());
  }
  state.counters["records"] = static_cast<double>(metafile.RecordCount());
}
BENCHMARK(BM_MetafilePlay)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
