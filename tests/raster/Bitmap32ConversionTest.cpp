#include <gtest/gtest.h>

#include <vector>

#include "platform/BmpCodec.h"
#include "raster/Bitmap32.h"
#include "TestSurfaces.h"

namespace kivrano {
namespace {

TEST(Bitmap32Data, WritesSizeThenPixelsInMemoryOrder) {
  TBitmap32 b;
  Fill(b, 2, 1, {0x44112233, 0xFF445566});
  TMemoryStream s;
  b.WriteData(s);
  EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{2, 0, 0, 0, 1, 0, 0, 0, 0x33, 0x22, 0x11, 0x44, 0x66, 0x55, 0x44, 0xFF}));

  TBitmap32 back;
  int changes = 0;
  back.OnChange = [&](TThreadPersistent*) { ++changes; };
  s.SetPosition(0);
  back.ReadData(s);
  EXPECT_EQ(back.Width(), 2);
  EXPECT_EQ(back.Height(), 1);
  EXPECT_EQ(Values(back), Values(b));
  EXPECT_EQ(changes, 2);  // SetSize and the final Changed
}

TEST(Bitmap32Data, ReadingAClaimedSizeTheStreamCannotHoldFailsBeforeAllocating) {
  TMemoryStream s(std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 1, 2, 3, 4});
  TBitmap32 b;
  Fill(b, 1, 1, {0x12345678});
  try {
    b.ReadData(s);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  EXPECT_EQ(b.Width(), 1);  // untouched
  TMemoryStream truncated(std::vector<uint8_t>{2, 0, 0});
  EXPECT_THROW(b.ReadData(truncated), Exception);
  TMemoryStream empty(std::vector<uint8_t>{0, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF});  // 0 x -5
  b.ReadData(empty);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap32Bmp, SavesA32BitFileAndLoadsItBack) {
  TBitmap32 b;
  Fill(b, 2, 2, {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC});
  TMemoryStream s;
  b.SaveToBmpStream(s);
  ASSERT_EQ(s.Size(), 54 + 16);
  EXPECT_EQ(s.Bytes()[28], 32);
  // Bottom-up: the first stored pixel is (0, 1).
  EXPECT_EQ(s.Bytes()[54], 0x99);
  EXPECT_EQ(s.Bytes()[57], 0x00);

  TBitmap32 back;
  s.SetPosition(0);
  back.LoadFromBmpStream(s);
  EXPECT_EQ(Values(back), Values(b));  // a 32-bit file keeps its alpha
  EXPECT_TRUE(back.SameAs(&b));
}

TEST(Bitmap32Bmp, LoadingAFileBelow32BitsGivesOpaquePixels) {
  TBmpImage image;
  image.Width = 2;
  image.Height = 1;
  image.Pixels = {0x00102030, 0x80405060};
  TMemoryStream s;
  WriteBmp(image, 24, s);
  s.SetPosition(0);
  TBitmap32 b;
  b.LoadFromBmpStream(s);
  EXPECT_EQ(Values(b), (std::vector<TColor32>{0xFF102030, 0xFF405060}));
}

TEST(Bitmap32Bmp, DamagedInputLeavesAClearError) {
  TMemoryStream s(std::vector<uint8_t>{'B', 'M', 1, 2, 3});
  TBitmap32 b;
  EXPECT_THROW(b.LoadFromBmpStream(s), Exception);
  TBmpImage shortImage;
  shortImage.Width = 2;
  shortImage.Height = 2;
  shortImage.Pixels = {1, 2, 3};
  EXPECT_THROW(b.Assign(shortImage), Exception);
  EXPECT_EQ(b.UpdateCount(), 0);
}

TEST(Bitmap32Conversion, SameAs) {
  TBitmap32 a;
  TBitmap32 b;
  EXPECT_TRUE(a.SameAs(&b));  // both empty
  EXPECT_FALSE(a.SameAs(nullptr));
  Fill(a, 2, 1, {1, 2});
  EXPECT_FALSE(a.SameAs(&b));
  EXPECT_FALSE(b.SameAs(&a));
  Fill(b, 1, 2, {1, 2});
  EXPECT_FALSE(a.SameAs(&b));  // same pixels, other shape
  Fill(b, 2, 1, {1, 2});
  EXPECT_TRUE(a.SameAs(&b));
  b.SetPixel(1, 0, 0x01000002);  // alpha differs
  EXPECT_FALSE(a.SameAs(&b));
}

TEST(Bitmap32Conversion, AssignCopiesPixelsAndDrawingProperties) {
  TBitmap32 source;
  Fill(source, 2, 1, {0x11111111, 0x22222222});
  source.SetDrawMode(dmBlend);
  source.SetMasterAlpha(77);
  source.SetOuterColor(0x12345678);
  source.SetStretchFilter(sfLinear);
  TBitmap32 target;
  int changes = 0;
  target.OnChange = [&](TThreadPersistent*) { ++changes; };
  target.Assign(source);
  EXPECT_EQ(changes, 1);  // one notification for the whole assignment
  EXPECT_TRUE(target.SameAs(&source));
  EXPECT_EQ(target.DrawMode(), dmBlend);
  EXPECT_EQ(target.MasterAlpha(), 77);
  EXPECT_EQ(target.OuterColor(), 0x12345678u);
  EXPECT_EQ(target.StretchFilter(), sfLinear);
  source.SetPixel(0, 0, 0);
  EXPECT_EQ(target.GetPixel(0, 0), 0x11111111u);  // a copy, not shared memory

  target.Assign(&target);  // self: nothing happens
  EXPECT_EQ(target.Width(), 2);
  target.Assign(nullptr);
  EXPECT_TRUE(target.Empty());
  EXPECT_EQ(target.UpdateCount(), 0);

  TBitmap32 copy;
  source.AssignTo(copy);
  EXPECT_TRUE(copy.SameAs(&source));
  TBmpImage image;
  source.AssignTo(image);
  EXPECT_EQ(image.Width, 2);
  EXPECT_EQ(image.Pixels, Values(source));
}

}  // namespace
}  // namespace kivrano
