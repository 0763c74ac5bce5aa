// One pointer-move step of a drag of 50 selected shapes (erase and redraw their XOR outlines on the
// window surface), beside what repainting the page under them would cost instead.

#include <benchmark/benchmark.h>

#include <memory>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "platform/HeadlessViewHost.h"

namespace kivrano {
namespace {

constexpr int kViewWidth = 1600;
constexpr int kViewHeight = 1000;
constexpr int kShapes = 50;

// A filled, outlined box drawn with the canvas (renders through its cache).
class TBox : public TdtpShape {
 public:
  void PaintCanvas(TCanvas& canvas) override {
    canvas.Pen().SetColor(0x202020);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(0x30A0F0);
    canvas.Rectangle(PaintLeft(), PaintTop(), PaintRight(), PaintBottom());
  }
};

struct DragScene {
  THeadlessViewHost host{kViewWidth, kViewHeight};
  TdtpDocument doc;
  TdtpShape* first = nullptr;

  DragScene() {
    doc.SetViewStyle(vsNormal);
    doc.SetHost(&host);
    doc.SetScreenDpm(5);
    doc.UpdateExtent();
    doc.SetUndoEnabled(false);
    for (int i = 0; i < kShapes; ++i) {
      auto shape = std::make_unique<TBox>();
      shape->SetBounds(10 + static_cast<float>(i % 10) * 28, 10 + static_cast<float>(i / 10) * 30, 20, 12);
      shape->SetDocAngle(static_cast<float>(i % 4) * 15);
      shape->SetSmartHitTest(false);
      TdtpShape* raw = shape.get();
      doc.AddShape(std::move(shape));
      raw->SetSelected(true);
      if (!first) first = raw;
    }
    doc.Paint(TRect{0, 0, kViewWidth, kViewHeight});
  }
};

void BM_DragStep50Outlines(benchmark::State& state) {
  DragScene scene;
  const TFloatPoint centre = scene.first->LocalToScreen(TFloatPoint{10, 6});
  const int x = static_cast<int>(centre.X), y = static_cast<int>(centre.Y);
  scene.doc.MouseDown(mbLeft, ssLeft, x, y);
  scene.doc.MouseMove(ssLeft, x + 10, y + 10);
  scene.host.ResetRecords();
  int step = 0;
  for (auto _ : state) {
    ++step;
    scene.doc.MouseMove(ssLeft, x + 10 + (step & 15), y + 10 + (step & 7));
  }
  scene.doc.KeyDown(0x1B, 0);
  if (!scene.host.Invalidated().empty()) state.SkipWithError("the drag invalidated the window");
}
BENCHMARK(BM_DragStep50Outlines);

// What a step would cost if it repainted the page area the shapes cover.
void BM_RepaintUnderShapes(benchmark::State& state) {
  DragScene scene;
  const TRect area{0, 0, 1500, 950};
  for (auto _ : state) scene.doc.Paint(area);
}
BENCHMARK(BM_RepaintUnderShapes);

}  // namespace
}  // namespace kivrano

BENCHMARK_MAIN();
