#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "raster/Bitmap32.h"
#include "TestSurfaces.h"

namespace kivrano {
namespace {

TEST(Bitmap32Utilities, FlipsAndRotations) {
  // a b c
  // d e f
  const std::vector<TColor32> abc = {'a', 'b', 'c', 'd', 'e', 'f'};
  struct Case {
    const char* name;
    void (TBitmap32::*operation)();
    int width, height;
    std::vector<TColor32> expected;
  };
  const Case cases[] = {
      {"Rotate90", &TBitmap32::Rotate90, 2, 3, {'c', 'f', 'b', 'e', 'a', 'd'}},  // counter-clockwise
      {"Rotate270", &TBitmap32::Rotate270, 2, 3, {'d', 'a', 'e', 'b', 'f', 'c'}},
      {"Rotate180", &TBitmap32::Rotate180, 3, 2, {'f', 'e', 'd', 'c', 'b', 'a'}},
      {"FlipHorizontal", &TBitmap32::FlipHorizontal, 3, 2, {'c', 'b', 'a', 'f', 'e', 'd'}},
      {"FlipVertical", &TBitmap32::FlipVertical, 3, 2, {'d', 'e', 'f', 'a', 'b', 'c'}},
  };
  for (const Case& c : cases) {
    TBitmap32 b;
    Fill(b, 3, 2, abc);
    (b.*c.operation)();
    EXPECT_EQ(b.Width(), c.width) << c.name;
    EXPECT_EQ(b.Height(), c.height) << c.name;
    EXPECT_EQ(Values(b), c.expected) << c.name;
  }
}

TEST(Bitmap32Utilities, RotationKeepsTheDrawingProperties) {
  TBitmap32 b;
  Fill(b, 3, 1, {1, 2, 3});
  b.SetMasterAlpha(90);
  b.SetDrawMode(dmBlend);
  b.SetOuterColor(7);
  int changes = 0;
  b.OnChange = [&](TThreadPersistent*) { ++changes; };
  b.Rotate90();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.MasterAlpha(), 90);
  EXPECT_EQ(b.DrawMode(), dmBlend);
  EXPECT_EQ(b.OuterColor(), 7u);
  b.Rotate270();
  EXPECT_EQ(Values(b), (std::vector<TColor32>{1, 2, 3}));
}

TEST(Bitmap32Utilities, InvertAlphaAndForEachPixel) {
  TBitmap32 b;
  Fill(b, 2, 1, {0x00123456, 0x80ABCDEF});
  b.InvertAlpha();
  EXPECT_EQ(Values(b), (std::vector<TColor32>{0xFF123456, 0x7FABCDEF}));
  b.ForEachPixel([](TColor32 p, intptr_t a) { return p + static_cast<TColor32>(a); }, 2);
  EXPECT_EQ(Values(b), (std::vector<TColor32>{0xFF123458, 0x7FABCDF1}));
}

TEST(Bitmap32Utilities, MergeDrawAtMergesOnlyTheOverlap) {
  TBitmap32 src;
  Fill(src, 2, 2, {0xFF000001, 0xFF000002, 0xFF000003, 0x80000004});
  TBitmap32 dst;
  dst.SetSize(3, 3);
  int changes = 0;
  dst.OnChange = [&](TThreadPersistent*) { ++changes; };
  src.MergeDrawAt(dst, -1, 1, 255);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{0, 0, 0, 0xFF000002, 0, 0, 0x80000004, 0, 0}));
  EXPECT_EQ(changes, 1);
  src.MergeDrawAt(dst, 3, 0, 255);  // no overlap
  src.MergeDrawAt(dst, 0, -2, 255);
  EXPECT_EQ(Values(dst)[0], 0u);

  dst.Clear(0xFF0000FF);
  src.MergeDrawAt(dst, 2, 2, 128);
  EXPECT_EQ(dst.GetPixel(2, 2), Merge(0xFF000001, 0xFF0000FF, 128));
}

TEST(Bitmap32Utilities, MergeWithNeedsTheSameSize) {
  TBitmap32 a;
  Fill(a, 2, 1, {0x80FF0000, 0x00000000});
  TBitmap32 b;
  Fill(b, 1, 2, {0xFF0000FF, 0xFF0000FF});
  a.MergeWith(b, 255);
  EXPECT_EQ(Values(a), (std::vector<TColor32>{0x80FF0000, 0}));
  Fill(b, 2, 1, {0xFF0000FF, 0xFF00FF00});
  a.MergeWith(b, 255);
  EXPECT_EQ(Values(a), (std::vector<TColor32>{Merge(0x80FF0000, 0xFF0000FF, 255), 0xFF00FF00}));
}

TEST(Bitmap32Utilities, OffsetPixelsShiftsTheFlatMemory) {
  struct Case {
    int dx, dy;
    std::vector<TColor32> expected;
  };
  const Case cases[] = {
      {1, 0, {0, 1, 2, 3, 4, 5}},   // rows wrap into each other
      {0, 1, {0, 0, 0, 1, 2, 3}},
      {-2, 1, {0, 1, 2, 3, 4, 5}},  // dx + dy * Width = 1
      {0, -1, {4, 5, 6, 0, 0, 0}},
      {-1, 0, {2, 3, 4, 5, 6, 0}},
      {7, 0, {1, 2, 3, 4, 5, 6}},    // larger than the surface: nothing
      {0, -3, {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    TBitmap32 b;
    Fill(b, 3, 2, {1, 2, 3, 4, 5, 6});
    b.OffsetPixels(c.dx, c.dy);
    EXPECT_EQ(Values(b), c.expected) << c.dx << "," << c.dy;
  }
}

TEST(Bitmap32Utilities, AlphaToLevelsRoundsTiesToEven) {
  TBitmap32 b;
  Fill(b, 4, 1, {0xFF123456, 0x01FFFFFF, 0x03000000, 0x00FFFFFF});
  b.AlphaToLevels(0.5f);
  EXPECT_EQ(Values(b), (std::vector<TColor32>{32640, 128, 384, 0}));
  Fill(b, 3, 1, {0x01000000, 0x03000000, 0xFF000000});
  b.AlphaToLevels(1.0f / 512.0f);  // 0.5 -> 0, 1.5 -> 2, 127.5 -> 128
  EXPECT_EQ(Values(b), (std::vector<TColor32>{0, 2, 128}));
  Fill(b, 2, 1, {0xFF000000, 0xFF000000});
  b.AlphaToLevels(-1.0f);
  EXPECT_EQ(Values(b), (std::vector<TColor32>{0, 0}));
  Fill(b, 2, 1, {0xFF000000, 0x00000000});
  b.AlphaToLevels(std::numeric_limits<float>::infinity());  // saturates; 0 * infinity is no level
  EXPECT_EQ(Values(b), (std::vector<TColor32>{0xFFFFFFFF, 0}));
}

TEST(Bitmap32Utilities, LevelsToColorTurnsHighLevelsIntoAlpha) {
  TBitmap32 b;
  Fill(b, 5, 1, {100, 255, 256, 32768, 70000});
  b.LevelsToColor(0xFF102030);
  EXPECT_EQ(Values(b), (std::vector<TColor32>{100, 255, 0x01102030, 0x80102030, 0xFF102030}));
}

TEST(Bitmap32Utilities, BlurLevels) {
  TBitmap32 b;
  std::vector<TColor32> impulse(20, 0);
  impulse[1 * 5 + 2] = 65280 * 4;
  Fill(b, 5, 4, impulse);
  b.BlurLevels(1.4f);  // rounds to 1: nothing happens
  EXPECT_EQ(Values(b), impulse);
  // Radius 2 blurs with a window of 3; the flat passes run across row ends.
  b.BlurLevels(2.0f);
  EXPECT_EQ(Values(b), (std::vector<TColor32>{6208, 13768, 15082, 14127, 11978, 10346, 14525, 15957, 14525, 10744,
                                              11978, 14127, 15082, 13768, 7958, 13052, 14565, 14565, 13052, 4218}));
  // An even window uses two different leads.
  std::vector<TColor32> two(30, 0);
  two[2 * 6 + 3] = 65280;
  two[0] = 1000;
  Fill(b, 6, 5, two);
  b.BlurLevels(4.0f);
  EXPECT_EQ(Values(b), (std::vector<TColor32>{901,  2185, 2257, 2354, 2328, 2194, 1413, 2194, 2287, 2372,
                                              2307, 2089, 1797, 2212, 2335, 2416, 2326, 1890, 2033, 2201,
                                              2314, 2370, 2276, 1338, 2143, 2226, 2333, 2349, 2245, 807}));
}

}  // namespace
}  // namespace kivrano
