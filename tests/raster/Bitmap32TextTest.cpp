#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

class Bitmap32TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bmp.SetSize(120, 40);
    bmp.Font().SetName("Verdana");
    bmp.Font().SetHeight(20);
  }
  TBitmap32 bmp;
};

TEST_F(Bitmap32TextTest, TextGetsTheFontColourWithAlphaZeroBlendedByCoverage) {
  const TColor32 back = 0xFF204060;
  bmp.Clear(back);
  bmp.Font().SetColor(0x0000FF);  // red as TColor
  int changes = 0;
  bmp.OnChange = [&](TThreadPersistent*) { ++changes; };
  bmp.TextOut(TRect{2, 2, 118, 38}, tfLeft, "Wolf AV");
  EXPECT_EQ(changes, 1);
  int full = 0, partial = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const TColor32 c = bmp.GetPixel(x, y);
      if (c == back) continue;
      EXPECT_EQ(AlphaOf(c), 0);
      if (c == 0x00FF0000) {
        ++full;
        continue;
      }
      ++partial;
      // Between the background and red in every channel.
      EXPECT_GE(RedOf(c), 0x20);
      EXPECT_LE(GreenOf(c), 0x40);
      EXPECT_LE(BlueOf(c), 0x60);
    }
  EXPECT_GT(full, 50);
  EXPECT_GT(partial, 30);
}

TEST_F(Bitmap32TextTest, WhiteOnBlackGivesACoverageMaskWithSharpStems) {
  // The text shapes' way: clear to 0, draw white, read the blue byte as coverage.
  bmp.SetSize(60, 50);
  bmp.Clear(0);
  bmp.Font().SetHeight(33);
  bmp.Font().SetColor(clWhite);
  bmp.TextOut(TRect{4, 4, 60, 50}, tfLeft, "E");
  int left = 60, right = -1;
  std::set<int> levels;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 60; ++x)
      if (BlueOf(bmp.GetPixel(x, y))) left = std::min(left, x), right = std::max(right, x);
  ASSERT_LT(left, right);
  // A column through the arms of the E crosses only fully covered or empty rows: the
  // horizontal bars sit on whole pixels.
  const int x = (left + right) / 2;
  int bars = 0;
  for (int y = 0; y < 50; ++y) {
    const int v = BlueOf(bmp.GetPixel(x, y));
    levels.insert(v);
    if (v == 255 && (y == 0 || BlueOf(bmp.GetPixel(x, y - 1)) == 0)) ++bars;
  }
  EXPECT_EQ(levels, (std::set<int>{0, 255}));
  EXPECT_EQ(bars, 3);
}

TEST_F(Bitmap32TextTest, ClippingToTheRectangleUnlessNoClip) {
  for (unsigned flags : {0u + tfSingleLine, tfSingleLine | tfNoClip}) {
    bmp.Clear(0xFFFFFFFF);
    bmp.TextOut(TRect{10, 5, 40, 30}, flags, "Dribbelen");
    int outside = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 40; x < 120; ++x) outside += bmp.GetPixel(x, y) != 0xFFFFFFFF;
    if (flags & tfNoClip)
      EXPECT_GT(outside, 0);
    else
      EXPECT_EQ(outside, 0);
  }
}

TEST_F(Bitmap32TextTest, CalcRectMeasuresWithoutDrawing) {
  bmp.Clear(0xFFFFFFFF);
  int changes = 0;
  bmp.OnChange = [&](TThreadPersistent*) { ++changes; };
  const TRect r = bmp.TextOut(TRect{3, 4, 100, 40}, tfCalcRect | tfWordBreak, "passen en trappen");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(r.Left, 3);
  EXPECT_EQ(r.Top, 4);
  // Wrapped into lines no wider than the rectangle, each a cell high.
  EXPECT_LE(r.Right, 100);
  EXPECT_EQ(r.Right - r.Left, std::max(bmp.TextExtent("passen en").cx, bmp.TextExtent("trappen").cx));
  EXPECT_EQ(r.Bottom, 4 + 2 * 20);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) ASSERT_EQ(bmp.GetPixel(x, y), 0xFFFFFFFF);
}

TEST_F(Bitmap32TextTest, SetFontTakesThePointSizeAsACellHeight) {
  // A text shape's font: 25 points expressed in 1/14400 inch.
  TFont shapeFont;
  shapeFont.SetPixelsPerInch(14400);
  shapeFont.SetName("Verdana");
  shapeFont.SetHeight(5000);
  shapeFont.SetColor(0x008000);
  bmp.SetFont(shapeFont);
  EXPECT_EQ(bmp.Font().Height(), 33);
  EXPECT_EQ(bmp.Font().Color(), 0x008000);
  EXPECT_EQ(bmp.TextExtent("Wolf").cy, 33);
  // An empty surface measures the same through the shared measuring surface.
  TBitmap32 empty;
  empty.SetFont(shapeFont);
  EXPECT_EQ(empty.TextExtent("Wolf"), bmp.TextExtent("Wolf"));
  EXPECT_GT(empty.TextExtent("Wolf").cx, 40);
  // Drawing on an empty surface does nothing and does not fail.
  EXPECT_EQ(empty.TextOut(TRect{0, 0, 10, 10}, tfLeft, "x").Bottom, 33);
}

}  // namespace
}  // namespace kivrano
