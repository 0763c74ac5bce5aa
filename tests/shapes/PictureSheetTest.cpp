// A sheet of pictures rendered through the view: a PNG with soft alpha over a figure, a JPEG, a
// turned picture, and a metafile with lines, polygons, Bezier curves, rectangles and ellipses,
// once in its own pens and brushes and once with the shape's.
//
// To look at it, name a folder:
//   KIVRANO_PICTURES=/tmp/sheet build/dev/tests/kivrano_tests_shapes --gtest_filter='PictureSheet*'
// which writes picture_sheet.png there.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "FigureTestSupport.h"
#include "PictureShapeSupport.h"
#include "shapes/dtpBitmapShape.h"
#include "shapes/dtpExposedMetafile.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpResource.h"
#include "support/MetafileWriter.h"
#include "support/PngPictures.h"

namespace kivrano {
namespace {

using testing::Bytes;
using testing::TMetafileWriter;

// A disc in a colour wheel, opaque in the middle and fading out to transparent corners.
Bytes SoftDiscPng(int size) {
  TBitmap32 picture;
  picture.SetSize(size, size);
  const float r = size / 2.0f;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = x + 0.5f - r, dy = y + 0.5f - r;
      const float d = std::sqrt(dx * dx + dy * dy) / r;
      const uint32_t alpha = d >= 1 ? 0 : d < 0.6f ? 255 : static_cast<uint32_t>(255 * (1 - d) / 0.4f);
      const float angle = std::atan2(dy, dx);
      const auto channel = [&](float phase) {
        return static_cast<uint32_t>(127.5f + 127.5f * std::cos(angle + phase));
      };
      picture.SetPixel(x, y, alpha << 24 | channel(0) << 16 | channel(2.094f) << 8 | channel(4.189f));
    }
  }
  return EncodePng(ViewOf(picture));
}

// Stripes over a vertical gradient, as a JPEG.
Bytes StripedJpeg(int width, int height) {
  TBitmap32 picture;
  picture.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t g = static_cast<uint32_t>(255 * y / height);
      picture.SetPixel(x, y, (x / 8) % 2 ? 0xFF000000u | g << 8 | 0x40 : 0xFFF0C000u);
    }
  }
  TMemoryStream stream;
  SaveJpegToStream(picture, stream);
  return testing::StreamBytes(stream);
}

// Lines, polygons, Bezier curves, rectangles and ellipses in several pens and brushes: a 400 x 300
// picture of 40 x 30 mm.
Bytes DrawingMetafile() {
  TMetafileWriter w(TRect{0, 0, 399, 299}, TRect{0, 0, 4000, 3000}, TSize{2000, 1000}, TSize{200, 100});
  w.Pen(1, 0, 6, 0x000080).Brush(2, 0, 0x80FFFF).Select(1).Select(2);
  w.Record(emrRectangle, {10, 10, 190, 140});
  w.Pen(3, 1, 0, 0x008000).Select(3).Brush(4, 2, 0x008000, 5).Select(4);
  w.Record(emrEllipse, {210, 10, 390, 140});
  w.Pen(5, 0, 4, 0xC00000).Select(5).Select(kEmfStockObject | soLightGrayBrush);
  w.Poly(emrPolygon16, {{20, 290}, {100, 160}, {180, 290}});
  w.Select(kEmfStockObject | soBlackPen);
  w.Poly(emrPolyline, {{210, 170}, {250, 290}, {290, 170}, {330, 290}, {370, 170}});
  w.Pen(6, 0, 3, 0x0080FF).Select(6);
  w.Poly(emrPolyBezier16, {{200, 290}, {200, 150}, {390, 300}, {390, 160}});
  w.Record(emrSaveDC, {});
  w.Record(emrSetMapMode, {mmAnisotropic}).Record(emrSetWindowExtEx, {100, 100}).Record(emrSetViewportExtEx, {50, 50});
  w.Record(emrSetViewportOrgEx, {100, 40}).Select(kEmfStockObject | soBlackBrush);
  w.Record(emrEllipse, {-20, -20, 20, 20});  // a 20-pixel dot at (100, 40) through the mapping
  w.Record(emrRestoreDC, {-1});
  return w.Finish();
}

class PictureSheet : public testing::PictureViewTest {
 protected:
  void SetUp() override {
    PictureViewTest::SetUp();
    host.SetClientSize(640, 400);
    doc.SetHost(&host);
    doc.SetPageWidth(160);
    doc.SetPageHeight(100);
    doc.SetScreenDpm(4);
    doc.UpdateExtent();
  }
  template <typename Shape>
  Shape* Picture(const std::string& file, const Bytes& bytes, float left, float top, float width, float height) {
    auto shape = std::make_unique<Shape>();
    shape->SetBounds(left, top, width, height);
    shape->Resource().LoadFromFile(WriteFile(file, bytes));
    return Add(std::move(shape));
  }
  TColor32 Screen(float x, float y) const { return doc.WindowSurface().GetPixel(RoundToInt(x * 4), RoundToInt(y * 4)); }
};

TEST_F(PictureSheet, PicturesOnAPage) {
  std::unique_ptr<TdtpPolygonShape> backing = testing::CreateFigure("TdtpRectangleShape");
  backing->SetFillColor(0x202020);
  backing->SetBounds(20, 15, 20, 20);
  Add(std::move(backing));
  Picture<TdtpBitmapShape>("disc.png", SoftDiscPng(160), 5, 5, 30, 30);
  Picture<TdtpBitmapShape>("stripes.jpg", StripedJpeg(240, 160), 42, 5, 36, 24);
  TdtpBitmapShape* turned = Picture<TdtpBitmapShape>("turned.png", SoftDiscPng(120), 85, 5, 30, 20);
  turned->SetAngleAroundCenter(30);
  Picture<TdtpExposedMetafile>("drawing.emf", DrawingMetafile(), 5, 45, 60, 45);
  TdtpExposedMetafile* overridden = Picture<TdtpExposedMetafile>("drawing.emf", DrawingMetafile(), 80, 45, 60, 45);
  overridden->Pen().SetColor(0xB00080);
  overridden->Pen().SetWidth(2);
  overridden->Brush().SetColor(0xD0F0D0);
  overridden->SetOverridePen(true);
  overridden->SetOverrideBrush(true);
  doc.Paint(TRect{0, 0, 640, 400});
  testing::DumpPicture(doc.WindowSurface(), "picture_sheet");

  EXPECT_EQ(Screen(6, 6) & 0xFFFFFF, 0xFFFFFFu) << "the disc's transparent corner shows the paper";
  EXPECT_EQ(Screen(38, 33) & 0xFFFFFF, 0x202020u) << "and its corner over the figure shows the figure";
  const TColor32 middle = Screen(20, 20);
  EXPECT_NE(middle & 0xFFFFFF, 0x202020u) << "the disc's opaque middle hides the figure";
  EXPECT_NE(Screen(60, 17) & 0xFFFFFF, 0xFFFFFFu) << "the JPEG";
  // The metafile's rectangle fill (light yellow) and, overridden, the shape's brush.
  EXPECT_EQ(Screen(20, 55) & 0xFFFFFF, 0xFFFF80u);
  EXPECT_EQ(Screen(95, 55) & 0xFFFFFF, 0xD0F0D0u);
}

}  // namespace
}  // namespace kivrano
