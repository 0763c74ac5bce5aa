// What the user feels of the view: repainting a drill page of about 150 shapes at 100 % zoom on a
// 1600 x 1000 view, after moving one shape, after scrolling by 50 pixels, and after zooming in.
// KIVRANO_VIEW_SNAPSHOT=<file.bmp> saves the full repaint as a picture.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/Stream.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "platform/HeadlessViewHost.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

constexpr int kViewWidth = 1600;
constexpr int kViewHeight = 1000;

// A pitch marking: the outline of its box (a line when one side is thin), drawn with the canvas.
class TMarking : public TdtpShape {
 public:
  void PaintCanvas(TCanvas& canvas) override {
    canvas.Pen().SetColor(0x202020);
    canvas.Pen().SetWidth(2);
    canvas.Brush().SetStyle(bsClear);
    canvas.Rectangle(PaintLeft(), PaintTop(), PaintRight(), PaintBottom());
  }
};

// A player token: a filled circle with its number.
class TToken : public TdtpShape {
 public:
  explicit TToken(int number) : number_(number) {}
  void PaintCanvas(TCanvas& canvas) override {
    canvas.Pen().SetColor(0x000000);
    canvas.Pen().SetWidth(1);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(number_ % 2 ? 0x0000C0 : 0xC06000);
    canvas.Ellipse(PaintLeft(), PaintTop(), PaintRight(), PaintBottom());
    canvas.Font().SetColor(0xFFFFFF);
    canvas.Brush().SetStyle(bsClear);
    const std::string text = std::to_string(number_);
    const TSize size = canvas.TextExtent(text);
    canvas.TextOut((PaintLeft() + PaintRight() - size.cx) / 2, (PaintTop() + PaintBottom() - size.cy) / 2, text);
  }

 private:
  int number_;
};

// A picture-like shape: a colour gradient on the 32-bit image, turned, so it renders through a cache.
class TPicture : public TdtpShape {
 public:
  void PaintBitmap(TBitmap32& bitmap) override {
    const int l = PaintLeft(), t = PaintTop(), r = PaintRight(), b = PaintBottom();
    for (int y = std::max(t, 0); y < std::min(b, bitmap.Height()); ++y)
      for (int x = std::max(l, 0); x < std::min(r, bitmap.Width()); ++x)
        bitmap.SetPixel(x, y, 0xFF000000u | static_cast<TColor32>(((x - l) * 255 / std::max(r - l, 1)) << 16) |
                                  static_cast<TColor32>(((y - t) * 255 / std::max(b - t, 1)) << 8) | 0x40u);
  }
};

// An arrow: a shaft and a filled head along the shape's width.
class TArrow : public TdtpShape {
 public:
  void PaintCanvas(TCanvas& canvas) override {
    const int l = PaintLeft(), t = PaintTop(), r = PaintRight(), b = PaintBottom();
    const int my = (t + b) / 2, head = std::max((b - t), 4);
    canvas.Pen().SetColor(0x000000);
    canvas.Pen().SetWidth(2);
    canvas.MoveTo(l, my);
    canvas.LineTo(r - head, my);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(0x000000);
    canvas.Polygon({TPoint{r - head, t}, TPoint{r, my}, TPoint{r - head, b}});
  }
};

struct DrillView {
  THeadlessViewHost host{kViewWidth, kViewHeight};
  TdtpDocument doc;
  TdtpShape* moving = nullptr;
  const TRect all{0, 0, kViewWidth, kViewHeight};

  DrillView() {
    doc.SetPageWidth(297);
    doc.SetPageHeight(210);
    doc.SetHost(&host);  // fits the page's width: 100 %
    doc.LockUndo();
    auto add = [this](std::unique_ptr<TdtpShape> s, float l, float t, float w, float h, float angle) {
      TdtpShape* raw = s.get();
      s->SetSmartHitTest(false);
      s->SetBoundsAndAngle(l, t, w, h, angle);
      doc.AddShape(std::move(s));
      return raw;
    };
    // The pitch: outline, halfway line, boxes, and a grid of practice zones: 98 markings.
    add(std::make_unique<TMarking>(), 10, 10, 277, 190, 0);
    add(std::make_unique<TMarking>(), 148, 10, 0.5f, 190, 0);
    for (int side = 0; side < 2; ++side) {
      add(std::make_unique<TMarking>(), side ? 243 : 10, 55, 44, 100, 0);
      add(std::make_unique<TMarking>(), side ? 272 : 10, 80, 15, 50, 0);
    }
    for (int i = 0; i < 92; ++i) add(std::make_unique<TMarking>(), 15 + (i % 23) * 11.5f, 20 + (i / 23) * 45, 9, 0.5f, 0);
    // 22 numbered tokens.
    for (int i = 0; i < 22; ++i) {
      TdtpShape* t = add(std::make_unique<TToken>(i + 1), 30 + (i % 11) * 22, 40 + (i / 11) * 100 + (i % 3) * 12, 8, 8, 0);
      if (i == 5) moving = t;
    }
    // 10 turned pictures (cones, goals, ...).
    for (int i = 0; i < 10; ++i) add(std::make_unique<TPicture>(), 25 + i * 25, 170, 14, 10, 12.0f * (i + 1));
    // 20 arrows.
    for (int i = 0; i < 20; ++i) add(std::make_unique<TArrow>(), 40 + (i % 10) * 23, 60 + (i / 10) * 70, 18, 3, (i % 4) * 30.0f);
    doc.UnlockUndo();
    doc.Paint(all);
  }
};

void BM_FullRepaint(benchmark::State& state) {
  DrillView view;
  for (auto _ : state) {
    view.doc.Paint(view.all);
    benchmark::DoNotOptimize(view.doc.WindowSurface().Bits());
  }
  if (const char* path = std::getenv("KIVRANO_VIEW_SNAPSHOT")) {
    TFileStream out(path, fmCreate);
    view.doc.WindowSurface().SaveToBmpStream(out);
  }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

// Moves one token back and forth and repaints what the move invalidated.
void BM_RepaintAfterMovingOneShape(benchmark::State& state) {
  DrillView view;
  float dx = 3;
  for (auto _ : state) {
    view.host.ResetRecords();
    view.doc.LockUndo();
    view.moving->SetBounds(view.moving->DocLeft() + dx, view.moving->DocTop(), view.moving->DocWidth(),
                           view.moving->DocHeight());
    view.doc.UnlockUndo();
    dx = -dx;
    TRect damage{};
    for (const TRect& r : view.host.Invalidated()) damage = UnionRect(damage, r);
    view.doc.Paint(Overlap(damage, view.all));
  }
}
BENCHMARK(BM_RepaintAfterMovingOneShape)->Unit(benchmark::kMillisecond);

// Scrolls down and up by 50 pixels and paints the strip that scrolled in.
void BM_ScrollBy50(benchmark::State& state) {
  DrillView view;
  int step = 50;
  for (auto _ : state) {
    int dx = 0, dy = step;
    view.doc.ScrollBy(dx, dy);
    view.doc.Paint(dy > 0 ? TRect{0, kViewHeight - dy, kViewWidth, kViewHeight} : TRect{0, 0, kViewWidth, -dy});
    step = -step;
  }
}
BENCHMARK(BM_ScrollBy50)->Unit(benchmark::kMillisecond);

// Zooms in (and back out, alternately) and repaints the whole view.
void BM_ZoomIn(benchmark::State& state) {
  DrillView view;
  bool in = true;
  for (auto _ : state) {
    if (in) {
      view.doc.ZoomIn();
    } else {
      view.doc.ZoomOut();
    }
    in = !in;
    view.doc.Paint(view.all);
  }
}
BENCHMARK(BM_ZoomIn)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivrano

BENCHMARK_MAIN();
