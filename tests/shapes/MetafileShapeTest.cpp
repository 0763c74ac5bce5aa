// Metafile shapes: sizing from the picture's frame, playing into the shape's box with the
// picture's or the shape's own pen and brush, persistence, and damaged metafiles.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "PictureShapeSupport.h"
#include "ShapeTestSupport.h"
#include "platform/BmpCodec.h"
#include "shapes/dtpExposedMetafile.h"
#include "storage/XmlDocuments.h"
#include "storage/dtpResource.h"
#include "support/MetafileWriter.h"

namespace kivrano {
namespace {

using testing::Bytes;
using testing::StreamBytes;
using testing::TMetafileWriter;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kGreen = 0x00FF00;

// A blue rectangle outlined in red filling a 30 x 15 mm frame (300 x 150 reference pixels), with a
// red diagonal.
Bytes BoxPicture() {
  TMetafileWriter w(TRect{0, 0, 299, 149}, TRect{0, 0, 3000, 1500});
  w.Pen(1, 0, 2, kRed).Brush(2, 0, kBlue).Select(1).Select(2);
  w.Record(emrRectangle, {0, 0, 300, 150});
  w.Poly(emrPolyline16, {{0, 0}, {300, 150}});
  return w.Finish();
}

class MetafileShape : public testing::PictureViewTest {
 protected:
  TdtpExposedMetafile* Insert(const Bytes& bytes, float left = 0, float top = 0, float width = 0, float height = 0) {
    auto shape = std::make_unique<TdtpExposedMetafile>();
    shape->SetBounds(left, top, width, height);
    shape->Resource().LoadFromFile(WriteFile("picture.emf", bytes));
    return Add(std::move(shape));
  }

  // The colours found on the screen inside the shape's box (page pixels, box in mm at 2 px/mm).
  std::vector<TColor32> ColoursIn(float left, float top, float width, float height) {
    PaintAll();
    std::vector<TColor32> colours;
    for (int y = static_cast<int>(top * 2); y < static_cast<int>((top + height) * 2); ++y) {
      for (int x = static_cast<int>(left * 2); x < static_cast<int>((left + width) * 2); ++x) {
        const TColor32 c = At(x, y);
        if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
      }
    }
    return colours;
  }
  static bool Has(const std::vector<TColor32>& colours, TColor32 c) {
    return std::find(colours.begin(), colours.end(), c) != colours.end();
  }
};

TEST_F(MetafileShape, NewShapeTakesTheFrameSizeAt150DotsPerInch) {
  const Bytes bytes = BoxPicture();
  TdtpExposedMetafile* shape = Insert(bytes, 3, 4);
  EXPECT_NEAR(shape->DocWidth(), 50.8f, 1e-4f);
  EXPECT_NEAR(shape->DocHeight(), 25.4f, 1e-4f);
  EXPECT_TRUE(shape->PreserveAspect());
  EXPECT_EQ(StreamBytes(shape->Resource().Bytes()), bytes);
  EXPECT_EQ(shape->Resource().LockCount(), 0);
  EXPECT_EQ(shape->InsertCursor(), -38);
  TdtpExposedMetafile* sized = Insert(bytes, 3, 40, 20, 10);
  EXPECT_FLOAT_EQ(sized->DocWidth(), 20);
  EXPECT_FALSE(sized->PreserveAspect());
}

TEST_F(MetafileShape, PlaysIntoTheBoxWithThePicturesOrTheShapesPenAndBrush) {
  TdtpExposedMetafile* shape = Insert(BoxPicture(), 10, 10, 40, 20);
  std::vector<TColor32> own = ColoursIn(10, 10, 40, 20);
  EXPECT_TRUE(Has(own, 0xFF0000)) << "red outline and diagonal";
  EXPECT_TRUE(Has(own, 0x0000FF)) << "blue fill";
  EXPECT_EQ(At(19, 40), 0xFFFFFFu) << "nothing left of the box";
  EXPECT_EQ(At(40, 20), 0xFF0000u) << "the frame's top edge on the box's";
  EXPECT_EQ(At(60, 30), 0x0000FFu);

  shape->Pen().SetColor(kGreen);
  shape->SetOverridePen(true);
  std::vector<TColor32> pen = ColoursIn(10, 10, 40, 20);
  EXPECT_FALSE(Has(pen, 0xFF0000)) << "every line in the shape's pen";
  EXPECT_TRUE(Has(pen, 0x00FF00));
  EXPECT_TRUE(Has(pen, 0x0000FF));

  shape->Brush().SetColor(clBlack);
  shape->SetOverrideBrush(true);
  std::vector<TColor32> both = ColoursIn(10, 10, 40, 20);
  EXPECT_FALSE(Has(both, 0x0000FF));
  EXPECT_EQ(At(60, 30), 0x000000u);

  shape->Brush().SetStyle(bsClear);
  EXPECT_EQ(ColoursIn(10, 10, 40, 20).size(), 2u) << "green lines on the paper";
}

TEST_F(MetafileShape, OverrideSettersNotifyOnlyOnChange) {
  TdtpExposedMetafile* shape = Insert(BoxPicture(), 10, 10, 40, 20);
  std::vector<TdtpShape*> changed;
  doc.OnShapeChanged = [&](TdtpDocument*, TdtpShape* s) { changed.push_back(s); };
  shape->SetOverridePen(false);
  shape->SetOverrideBrush(false);
  EXPECT_TRUE(changed.empty());
  shape->SetOverridePen(true);
  shape->SetOverrideBrush(true);
  shape->Pen().SetWidth(3);
  shape->Brush().SetColor(kGreen);
  shape->Brush().SetColor(kGreen);
  EXPECT_EQ(changed.size(), 4u);
}

TEST_F(MetafileShape, DamagedMetafileShowsNothing) {
  const Bytes whole = BoxPicture();
  const Bytes cut(whole.begin(), whole.end() - 12);
  Bytes wrongSize = BoxPicture();
  wrongSize[92] = 0x03;  // first record's size no multiple of four
  for (const Bytes& bytes : {cut, wrongSize, Bytes(200, 0x41), Bytes{}}) {
    TdtpExposedMetafile* shape = nullptr;
    ASSERT_NO_THROW(shape = Insert(bytes, 10, 10, 40, 20));
    EXPECT_NO_THROW(PaintAll());
    EXPECT_EQ(shape->Resource().ResourceObject(), nullptr);
    EXPECT_EQ(At(60, 30), 0xFFFFFFu);
    doc.LockUndo();
    doc.CurrentPage()->DeleteShape(0);
    doc.UnlockUndo();
  }
}

TEST_F(MetafileShape, XmlRoundTrip) {
  const Bytes bytes = BoxPicture();
  TdtpExposedMetafile* plain = Insert(bytes, 10, 10, 40, 20);
  TdtpExposedMetafile copy;
  const std::string text = test::SaveAndLoad(*plain, copy);
  EXPECT_EQ(text.find("<Pen>"), std::string::npos);
  EXPECT_EQ(text.find("<Brush>"), std::string::npos);
  EXPECT_EQ(StreamBytes(copy.Resource().Bytes()), bytes);
  EXPECT_FALSE(copy.OverridePen());

  plain->Pen().SetColor(kGreen);
  plain->Pen().SetWidth(4);
  plain->Pen().SetStyle(psDash);
  plain->Brush().SetColor(kBlue);
  plain->Brush().SetStyle(bsCross);
  auto pattern = std::make_unique<TBmpImage>();
  pattern->Width = 2;
  pattern->Height = 2;
  pattern->BitsPerPixel = 24;
  pattern->Pixels = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
  plain->SetBrushBitmap(std::move(pattern));
  plain->SetOverridePen(true);
  plain->SetOverrideBrush(true);
  TdtpExposedMetafile styled;
  std::vector<TdtpShape*> changed;
  doc.OnShapeChanged = [&](TdtpDocument*, TdtpShape* s) { changed.push_back(s); };
  test::SaveAndLoad(*plain, styled);
  EXPECT_TRUE(styled.OverridePen());
  EXPECT_TRUE(styled.OverrideBrush());
  EXPECT_EQ(styled.Pen().Color(), kGreen);
  EXPECT_EQ(styled.Pen().Width(), 4);
  EXPECT_EQ(styled.Pen().Style(), psDash);
  EXPECT_EQ(styled.Brush().Color(), kBlue);
  EXPECT_EQ(styled.Brush().Style(), bsCross);
  ASSERT_NE(styled.BrushBitmap(), nullptr);
  EXPECT_EQ(styled.BrushBitmap()->Pixels, plain->BrushBitmap()->Pixels);
  EXPECT_EQ(StreamBytes(styled.Resource().Bytes()), bytes);
  EXPECT_TRUE(changed.empty()) << "loading is no edit";
}

}  // namespace
}  // namespace kivrano
