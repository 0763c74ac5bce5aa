#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/Canvas.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

class SelectionDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shape = f.Add(10, 10, 20, 10);
    surface.SetSize(60, 40);
    surface.Clear(0xFF808080);
  }
  test::DocumentFixture f;
  TdtpShape* shape = nullptr;
  TBitmap32 surface;
};

TEST_F(SelectionDrawingTest, HandlesAreFilledBoxesAndTheRotateHandleAnEllipse) {
  f.doc.SetHandleColor(0x0000FF);
  TCanvas canvas(surface);
  shape->DrawSelection(canvas);
  // Handle 0 spans (7, 7)-(14, 14): outline in the edge colour, inside in the handle colour.
  EXPECT_EQ(surface.GetPixel(7, 7) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(surface.GetPixel(10, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(surface.GetPixel(33, 15) & 0xFFFFFF, 0xFF0000u) << "inside the rotate handle";
  EXPECT_EQ(surface.GetPixel(34, 12) & 0xFFFFFF, 0x808080u) << "the ellipse leaves the box corner";
  EXPECT_NE(surface.GetPixel(20, 20) & 0xFFFFFF, 0x808080u) << "the bottom edge is drawn";

  surface.Clear(0xFF808080);
  shape->SetAllowRotate(false);
  shape->DrawSelection(canvas);
  EXPECT_EQ(surface.GetPixel(33, 15) & 0xFFFFFF, 0x808080u) << "no rotate handle";
}

TEST_F(SelectionDrawingTest, TrackOutlineDrawnTwiceRestoresTheSurface) {
  shape->UpdateHandles();
  for (int i = 0; i < shape->HandleCount(); ++i) {
    shape->SetHandleTrack(i, shape->Handle(i)->X + 5, shape->Handle(i)->Y + 3);
  }
  TBitmap32 before;
  before.Assign(surface);
  TCanvas canvas(surface);
  shape->DrawTrackOutline(canvas);
  EXPECT_FALSE(surface.SameAs(&before));
  int changed = 0;
  for (int y = 13; y < 23; ++y) changed += (surface.GetPixel(15, y) & 0xFFFFFF) != 0x808080u;
  EXPECT_GE(changed, 4) << "outline along the tracked left edge";
  EXPECT_EQ(surface.GetPixel(10, 15) & 0xFFFFFF, 0x808080u) << "nothing at the old position";
  shape->DrawTrackOutline(canvas);
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      ASSERT_EQ(surface.GetPixel(x, y) & 0xFFFFFF, before.GetPixel(x, y) & 0xFFFFFF) << x << "," << y;
    }
  }
}

TEST_F(SelectionDrawingTest, CanvasAlphaConversionAndFlips) {
  TBitmap32 image;
  image.SetSize(2, 1);
  image.SetPixel(0, 0, 0x00112233);  // painted by a canvas
  image.SetPixel(1, 0, 0xFFFFFFFF);  // untouched
  shape->ConvertCanvasAlpha(image, 0x00ABCDEF);
  EXPECT_EQ(image.GetPixel(0, 0), 0xFF112233u);
  EXPECT_EQ(image.GetPixel(1, 0), 0x00ABCDEFu);
  shape->SetMirrored(true);
  shape->ApplyFlip(image);
  EXPECT_EQ(image.GetPixel(1, 0), 0xFF112233u);
}

}  // namespace
}  // namespace kivrano
