// Bitmap shapes: pictures kept in their resource, sized at 150 dots per inch, painted with their
// alpha through the document's view, kept in the drawing's XML, and harmless when undecodable.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "PictureShapeSupport.h"
#include "ShapeTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "platform/BmpCodec.h"
#include "shapes/dtpBitmapShape.h"
#include "shapes/dtpShapeClasses.h"
#include "storage/XmlDocuments.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpResource.h"

namespace kivrano {
namespace {

using testing::Bytes;
using testing::HalfTransparent;
using testing::PngOf;
using testing::StreamBytes;

class BitmapShape : public testing::PictureViewTest {
 protected:
  // A bitmap shape with the file loaded, on the page.
  TdtpBitmapShape* Insert(const std::string& path, float left = 0, float top = 0, float width = 0,
                          float height = 0) {
    auto shape = std::make_unique<TdtpBitmapShape>();
    shape->SetBounds(left, top, width, height);
    shape->Resource().LoadFromFile(path);
    return Add(std::move(shape));
  }
};

TEST_F(BitmapShape, NewShapeTakesThePictureSizeAt150DotsPerInch) {
  const Bytes png = PngOf(HalfTransparent(300, 150));
  TdtpBitmapShape* shape = Insert(WriteFile("Picture.PNG", png), 5, 6);
  EXPECT_FLOAT_EQ(shape->DocWidth(), 300 / 5.905512f);
  EXPECT_FLOAT_EQ(shape->DocHeight(), 150 / 5.905512f);
  EXPECT_NEAR(shape->DocWidth(), 50.8f, 1e-4f);
  EXPECT_NEAR(shape->DocHeight(), 25.4f, 1e-4f);
  EXPECT_FLOAT_EQ(shape->DocLeft(), 5);
  EXPECT_TRUE(shape->PreserveAspect());
  EXPECT_FLOAT_EQ(shape->AspectRatio(), 2);
  EXPECT_EQ(shape->Resource().Ext(), ".png");
  EXPECT_EQ(StreamBytes(shape->Resource().Bytes()), png) << "the file's bytes, unchanged";
  EXPECT_EQ(shape->Resource().LockCount(), 0);
  EXPECT_EQ(shape->InsertCursor(), -38);
}

TEST_F(BitmapShape, ShapeWithASizeKeepsItAndStretchesThePicture) {
  TdtpBitmapShape* shape = Insert(WriteFile("p.png", PngOf(HalfTransparent(300, 150))), 10, 10, 20, 20);
  // Reductions through mapping tables lose a little alpha; nearest sampling keeps colours exact.
  doc.SetQuality(sfNearest);
  EXPECT_FLOAT_EQ(shape->DocWidth(), 20);
  EXPECT_FLOAT_EQ(shape->DocHeight(), 20);
  EXPECT_FALSE(shape->PreserveAspect());
  PaintAll();  // the shape covers pixels (20, 20)-(60, 60)
  EXPECT_EQ(At(21, 58), 0xFF0000u) << "the red half fills the left half of the box";
  EXPECT_EQ(At(38, 21), 0xFF0000u);
  EXPECT_EQ(At(42, 21), 0xFFFFFFu) << "the transparent half shows the paper";
  EXPECT_EQ(At(58, 58), 0xFFFFFFu);
}

TEST_F(BitmapShape, TransparentPixelsStayTransparent) {
  TdtpBitmapShape* shape = Insert(WriteFile("p.png", PngOf(HalfTransparent(40, 20))), 10, 10, 40, 20);
  // The shape's own image: the picture's alpha copied in.
  TBitmap32 image;
  image.SetSize(80, 40);
  image.Clear(0xFF123456);
  shape->SetPaintMatrix(test::ScaleMatrix(1));
  shape->PaintBitmap(image);
  EXPECT_EQ(image.GetPixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(AlphaOf(image.GetPixel(30, 5)), 0u);
  EXPECT_EQ(image.GetPixel(50, 5), 0xFF123456u) << "outside the box nothing changes";
  // On the page, cached (turned half a turn: the halves swap) and direct.
  for (float angle : {0.0f, 180.0f}) {
    shape->SetAngleAroundCenter(angle);
    PaintAll();
    const bool turned = angle != 0;
    EXPECT_EQ(At(30, 30), turned ? 0xFFFFFFu : 0xFF0000u) << angle;
    EXPECT_EQ(At(90, 30), turned ? 0xFF0000u : 0xFFFFFFu) << angle;
  }
}

TEST_F(BitmapShape, QuarterTurnedPictureStandsUpright) {
  TdtpBitmapShape* shape = Insert(WriteFile("p.png", PngOf(HalfTransparent(40, 20))), 20, 10, 40, 20);
  shape->SetAngleAroundCenter(90);  // counter-clockwise: the red left half goes to the bottom
  PaintAll();                       // box centre at (40, 20) mm, pixels (80, 40)
  EXPECT_EQ(At(80, 60), 0xFF0000u);
  EXPECT_EQ(At(80, 20), 0xFFFFFFu);
}

TEST_F(BitmapShape, UndecodablePictureLeavesTheShapeEmptyAndTheDocumentUsable) {
  struct Case {
    const char* name;
    std::string file;
    Bytes bytes;
  };
  Case cases[] = {
      {"garbage as PNG", "broken.png", Bytes(64, 0x5A)},
      {"PNG bytes named JPEG", "wrong.jpg", PngOf(HalfTransparent(4, 4))},
      {"truncated PNG", "cut.png", Bytes(64, 0)},
  };
  const Bytes whole = PngOf(HalfTransparent(40, 40));
  std::copy(whole.begin(), whole.begin() + 64, cases[2].bytes.begin());
  for (const Case& c : cases) {
    const std::string path = WriteFile(c.file, c.bytes);
    TdtpBitmapShape* unsized = nullptr;
    ASSERT_NO_THROW(unsized = Insert(path)) << c.name;
    EXPECT_FLOAT_EQ(unsized->DocWidth(), 0) << c.name;
    EXPECT_FALSE(unsized->PreserveAspect()) << c.name;
    TdtpBitmapShape* sized = Insert(path, 10, 10, 30, 20);
    EXPECT_NO_THROW(PaintAll()) << c.name;
    EXPECT_EQ(sized->Resource().ResourceObject(), nullptr) << c.name;
    EXPECT_EQ(sized->Resource().LockCount(), 0) << c.name;
    EXPECT_FLOAT_EQ(sized->DocWidth(), 30) << c.name;
    EXPECT_EQ(At(40, 40), 0xFFFFFFu) << c.name << ": paints nothing";
    sized->SetDocAngle(30);  // through the cache as well
    EXPECT_NO_THROW(PaintAll()) << c.name;
  }
}

TEST_F(BitmapShape, XmlRoundTripKeepsThePicture) {
  const Bytes png = PngOf(HalfTransparent(30, 10));
  TdtpBitmapShape* source = Insert(WriteFile("p.png", png), 10, 10);
  source->SetDocAngle(180);
  TdtpBitmapShape copy;
  test::SaveAndLoad(*source, copy);
  EXPECT_EQ(StreamBytes(copy.Resource().Bytes()), png);
  EXPECT_EQ(copy.Resource().Ext(), ".png");
  EXPECT_EQ(copy.Resource().FileName(), "p.png");
  EXPECT_EQ(copy.Resource().Storage(), rsEmbedded);
  EXPECT_EQ(copy.Resource().State(), stData);
  EXPECT_FLOAT_EQ(copy.DocWidth(), source->DocWidth());
  EXPECT_FLOAT_EQ(copy.DocAngle(), 180);
  EXPECT_TRUE(copy.PreserveAspect());

  // Loaded through the class registry, as a page loads its shapes.
  RegisterStandardShapeClasses();
  TXmlDocument xml("Shape");
  source->SaveToXml(xml.Root());
  std::unique_ptr<TdtpShape> loaded = FindShapeClass("TdtpBitmapShape").Create();
  loaded->LoadFromXml(xml.Root());
  auto* bitmap = dynamic_cast<TdtpBitmapShape*>(loaded.get());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(StreamBytes(bitmap->Resource().Bytes()), png);
}

// A format that cannot be read back from a stream keeps the decoded picture (".hck"), here
// reached by a name whose extension no format claims, which the BMP reader decodes by content.
TEST_F(BitmapShape, UnstreamableFormatKeepsTheDecodedPictureLosslessly) {
  TBmpImage bmp;
  bmp.Width = 6;
  bmp.Height = 3;
  bmp.BitsPerPixel = 32;
  for (int i = 0; i < 18; ++i) bmp.Pixels.push_back(static_cast<uint32_t>(i * 14) << 24 | 0x00102030u * static_cast<uint32_t>(i + 1));
  const std::string path = WriteFile("scan.xyz", EncodeBmp(bmp, 32));
  ASSERT_EQ(RasterCapabilities(RasterFormatForFile(path)) & rcStreamLoad, 0);
  TdtpBitmapShape* shape = Insert(path);
  EXPECT_EQ(shape->Resource().Ext(), ".hck");
  const Bytes stored = StreamBytes(shape->Resource().Bytes());
  ASSERT_GE(stored.size(), 4u);
  EXPECT_EQ(std::memcmp(stored.data(), "KHCK", 4), 0);
  EXPECT_FLOAT_EQ(shape->DocWidth(), 6 / 5.905512f);

  TdtpBitmapShape copy;
  test::SaveAndLoad(*shape, copy);
  copy.Resource().LockObject();
  const TBitmap32* picture = copy.Resource().ObjectAs<TBitmap32>();
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->Width(), 6);
  ASSERT_EQ(picture->Height(), 3);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(picture->GetPixel(i % 6, i / 6), bmp.Pixels[static_cast<size_t>(i)]) << i;
  copy.Resource().UnlockObject();
}

// A JPEG 2000 file is decoded on insertion; the resource keeps the decoded picture. Runs only where
// the JPEG 2000 library is present.
TEST_F(BitmapShape, Jpeg2000PictureIsKeptDecoded) {
  auto picture = HalfTransparent(12, 8);
  const std::string path = Path("photo.jp2");
  try {
    TJ2KImage().SaveToFile(path, *picture);
  } catch (const Exception& e) {
    GTEST_SKIP() << e.what();
  }
  TdtpBitmapShape* shape = Insert(path);
  EXPECT_EQ(shape->Resource().Ext(), ".hck");
  EXPECT_FLOAT_EQ(shape->DocWidth(), 12 / 5.905512f);
}

// Inserting a picture that cannot be decoded reports it; a drawing that refers to one still opens,
// with the shape empty and the reference kept for the next save.
TEST_F(BitmapShape, DrawingReferringToAnUndecodablePictureStillOpens) {
  const std::string path = WriteFile("scan.jp2", Bytes(100, 0x33));
  TdtpBitmapShape source;
  source.SetBounds(5, 5, 30, 20);
  source.Resource().SetStorage(rsExternal);
  EXPECT_THROW(source.Resource().LoadFromFile(path), Exception);
  EXPECT_TRUE(source.Resource().IsEmpty());

  auto loaded = std::make_unique<TdtpBitmapShape>();
  ASSERT_NO_THROW(test::SaveAndLoad(source, *loaded));
  EXPECT_FLOAT_EQ(loaded->DocWidth(), 30);
  EXPECT_EQ(loaded->Resource().Storage(), rsExternal);
  EXPECT_EQ(loaded->Resource().FileName(), source.Resource().FileName());
  TdtpBitmapShape* shape = Add(std::move(loaded));
  EXPECT_NO_THROW(PaintAll());
  EXPECT_EQ(At(40, 30), 0xFFFFFFu);
  TdtpBitmapShape again;
  test::SaveAndLoad(*shape, again);
  EXPECT_EQ(again.Resource().FileName(), source.Resource().FileName());
}

TEST_F(BitmapShape, PaintingReusesTheDecodedPictureUntilCachesAreFreed) {
  TdtpBitmapShape* shape = Insert(WriteFile("p.png", PngOf(HalfTransparent(40, 20))), 10, 10, 40, 20);
  shape->SetDocAngle(30);
  PaintAll();
  TdtpResource& resource = shape->Resource();
  resource.LockObject();
  const TBitmap32* first = resource.ObjectAs<TBitmap32>();
  resource.UnlockObject();
  ASSERT_NE(first, nullptr);
  shape->SetDocAngle(60);
  PaintAll();
  resource.LockObject();
  EXPECT_EQ(resource.ObjectAs<TBitmap32>(), first) << "no decoding per paint";
  resource.UnlockObject();
  shape->FreeCaches();
  EXPECT_EQ(resource.State(), stData);
  EXPECT_EQ(resource.ResourceObject(), nullptr);
  PaintAll();
  EXPECT_EQ(resource.State(), stObject) << "decoded again from the kept bytes";
}

}  // namespace
}  // namespace kivrano
