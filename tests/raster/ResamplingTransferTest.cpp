#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ResamplingTestSurfaces.h"
#include "TestSurfaces.h"
#include "raster/Resamplers.h"
#include "raster/Transforms.h"

namespace kivrano {
namespace {

using namespace testing;

// Distinct opaque pixels, so that any misplaced copy shows.
struct Numbered : TBitmap32 {
  Numbered(int w, int h) {
    SetSize(w, h);
    for (int i = 0; i < w * h; ++i) Bits()[i] = 0xFF000000u | static_cast<TColor32>(i * 0x010203 + 7);
  }
};

void Stretch(TBitmap32& dst, const TRect& d, const TBitmap32& src, const TRect& s, TStretchFilter f,
             TDrawMode mode = dmOpaque, int master = 255, const TPixelCombineEvent& combine = {}) {
  StretchTransfer(dst, d, src, s, f, mode, combine, master);
}

TEST(StretchTransfer, FailuresAndNoOps) {
  TBitmap32 empty;
  Numbered src(4, 4);
  Filled dst(4, 4, kBackground);
  auto message = [](auto&& call) {
    try {
      call();
    } catch (const ETransformError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { Stretch(empty, {0, 0, 2, 2}, src, {0, 0, 2, 2}, sfLinear); }),
            "Destination bitmap is nil or empty");
  EXPECT_EQ(message([&] { Stretch(dst, {0, 0, 2, 2}, empty, {0, 0, 2, 2}, sfSpline); }),
            "Source bitmap is nil or empty");
  for (const TRect& r : {TRect{-1, 0, 2, 2}, TRect{0, 0, 5, 2}, TRect{2, 3, 4, 5}})
    EXPECT_EQ(message([&] { Stretch(dst, {0, 0, 2, 2}, src, r, sfNearest); }), "Source rectangle is invalid");
  EXPECT_EQ(message([&] { BoxShrink(dst, {0, 0, 2, 2}, src, {0, 0, 5, 5}); }), "Source rectangle is invalid");
  EXPECT_EQ(message([&] { BlockTransfer(dst, 0, 0, empty, {0, 0, 1, 1}, dmOpaque, {}, 255); }),
            "Source bitmap is nil or empty");
  // An empty source rectangle (even one outside the surface) and a destination rectangle that
  // misses the surface draw nothing.
  for (TStretchFilter f : {sfNearest, sfLinear, sfLinear2, sfSpline}) {
    Stretch(dst, {0, 0, 4, 4}, src, {2, 2, 2, 4}, f);
    Stretch(dst, {0, 0, 4, 4}, src, {9, 9, 3, 3}, f);
    Stretch(dst, {4, 0, 8, 4}, src, {0, 0, 4, 4}, f);
    Stretch(dst, {3, 3, 1, 1}, src, {0, 0, 4, 4}, f);
    Stretch(dst, {INT32_MIN, 0, INT32_MAX, 4}, src, {0, 0, 4, 4}, f);
  }
  EXPECT_EQ(Values(dst), Values(Filled(4, 4, kBackground)));
  // Drawing from or onto an empty surface through the surface does nothing, without failing.
  dst.Draw({0, 0, 2, 2}, empty);
  empty.Draw({0, 0, 2, 2}, src);
  EXPECT_EQ(Values(dst), Values(Filled(4, 4, kBackground)));
}

TEST(StretchTransfer, EqualSizesCopyUnchangedWithEveryFilter) {
  const Numbered src(10, 10);
  for (TStretchFilter f : {sfNearest, sfLinear, sfLinear2, sfSpline}) {
    Filled dst(10, 10, kBackground);
    Stretch(dst, {0, 0, 10, 10}, src, {0, 0, 10, 10}, f);
    EXPECT_EQ(Values(dst), Values(src)) << f;
  }
}

TEST(StretchTransfer, NearestStepsInFixedPointAndClippingStartsWith65535) {
  const TColor32 A = 0xFF0000AA, B = 0xFF0000BB, C = 0xFF0000CC;
  const Surface src(3, 1, {A, B, C});
  // 3 -> 7: step 3 * 65536 div 7 = 28086, columns floor(i * 28086 / 65536) = 0 0 0 1 1 2 2
  Filled dst(7, 1, kBackground);
  Stretch(dst, {0, 0, 7, 1}, src, {0, 0, 3, 1}, sfNearest);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{A, A, A, B, B, C, C}));
  // Clipped on the left by 2 of 4 columns of a 2 -> 4 stretch: the start position is
  // muldiv(2 * 2, 65535, 4) = 65535, still column 0, where the unclipped walk is at column 1.
  const Surface two(2, 1, {A, B});
  dst.SetSize(2, 1);
  dst.Clear(kBackground);
  Stretch(dst, {-2, 0, 2, 1}, two, {0, 0, 2, 1}, sfNearest);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{A, B}));
}

TEST(StretchTransfer, NearestVerticalEnlargementRepeatsRows) {
  const Numbered src(2, 2);
  Filled dst(3, 5, kBackground);
  Stretch(dst, {0, 0, 3, 5}, src, {0, 0, 2, 2}, sfNearest);
  // rows: step 2 * 65536 div 5 = 26214: 0 0 0 1 1; columns: 0 0 1
  const TColor32 a = src.GetPixel(0, 0), b = src.GetPixel(1, 0), c = src.GetPixel(0, 1), d = src.GetPixel(1, 1);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{a, a, b, a, a, b, a, a, b, c, c, d, c, c, d}));
}

TEST(StretchTransfer, DrawModesWriteSamplesBlendedOrThroughTheCallback) {
  const Surface src(1, 1, {0x80FF0000});
  // dmBlend: BlendWithMaster, weight ((M + 1) * 128) >> 8: 128 at M = 255, 64 at M = 127.
  Filled dst(2, 1, kBlack);
  Stretch(dst, {0, 0, 2, 1}, src, {0, 0, 1, 1}, sfNearest, dmBlend, 255);
  EXPECT_EQ(dst.GetPixel(1, 0), Combine(0x80FF0000, kBlack, 128));
  dst.Clear(kBlack);
  Stretch(dst, {0, 0, 2, 1}, src, {0, 0, 1, 1}, sfNearest, dmBlend, 127);
  EXPECT_EQ(dst.GetPixel(0, 0), Combine(0x80FF0000, kBlack, 64));
  // dmCustom hands sample, pixel and master alpha to the callback; without one it stores.
  std::vector<TColor32> seen;
  TPixelCombineEvent combine = [&seen](TColor32 f, TColor32& b, TColor32 m) {
    seen.push_back(m);
    b = f ^ b;
  };
  dst.Clear(kBlack);
  Stretch(dst, {0, 0, 2, 1}, src, {0, 0, 1, 1}, sfSpline, dmCustom, 77, combine);
  EXPECT_EQ(seen, (std::vector<TColor32>{77, 77}));
  // A one-pixel source weighs 255 on both axes: 255 * 255 * c >> 16 gives 253 and 127.
  EXPECT_EQ(dst.GetPixel(0, 0), 0x7FFD0000 ^ kBlack);
  dst.Clear(kBlack);
  Stretch(dst, {0, 0, 2, 1}, src, {0, 0, 1, 1}, sfNearest, dmCustom, 77);
  EXPECT_EQ(dst.GetPixel(1, 0), 0x80FF0000u);
}

TEST(StretchTransfer, BilinearMixesNeighboursWithWeightsFromThePosition) {
  // 2 -> 3: step (1 << 16) div 3 = 21845; weights 255, 170, 85 for the left column. The value
  // form of Combine gives 1 for a weight of 255 on black over white.
  const Surface src(2, 1, {kBlack, kWhite});
  Filled dst(3, 1, kBackground);
  Stretch(dst, {0, 0, 3, 1}, src, {0, 0, 2, 1}, sfLinear);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{0xFF010101, 0xFF565656, 0xFFAAAAAA}));
  // A one-column source rectangle reads only its own column, not its neighbour on the surface.
  dst.Clear(kBackground);
  Stretch(dst, {0, 0, 3, 1}, src, {0, 0, 1, 1}, sfLinear);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{kBlack, kBlack, kBlack}));
  // Master alpha 0 makes the linear filter draw nothing, whatever the mode.
  dst.Clear(kBackground);
  Stretch(dst, {0, 0, 3, 1}, src, {0, 0, 2, 1}, sfLinear, dmOpaque, 0);
  EXPECT_EQ(Values(dst), Values(Filled(3, 1, kBackground)));
}

TEST(StretchTransfer, BilinearIn2DMixesRowsFirst) {
  // 2 x 2 -> 3 x 3; the middle pixel mixes all four at weights 170 (row) and 170 (column).
  const Surface src(2, 2, {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000});
  Filled dst(3, 3, kBackground);
  Stretch(dst, {0, 0, 3, 3}, src, {0, 0, 2, 2}, sfLinear);
  const TColor32 expected = Combine(Combine(src.GetPixel(0, 0), src.GetPixel(0, 1), 170),
                                    Combine(src.GetPixel(1, 0), src.GetPixel(1, 1), 170), 170);
  EXPECT_EQ(dst.GetPixel(1, 1), expected);
  // rows: green 86 on the left; blue 169 and red 86 on the right; then columns: 29, 57, 57
  EXPECT_EQ(expected, 0xFF1D3939u);
}

// Wider surfaces go through the row-at-a-time path (four pixels at a time where possible); it
// must give exactly the per-pixel formula: positions stepping from muldiv(offset * (S - 1),
// 65535, D) by ((S - 1) << 16) div D, rows mixed first, the last row and column standing in
// for their missing neighbours.
TEST(StretchTransfer, BilinearOnWideSurfacesMatchesThePixelFormula) {
  Filled src(11, 6, 0);
  uint32_t seed = 12345;
  for (int i = 0; i < 66; ++i) src.Bits()[i] = seed = seed * 1664525u + 1013904223u;
  // Source columns 2..10, rows 1..5 into a rectangle clipped by 3 columns and 2 rows.
  Filled dst(17, 9, kBackground), blended(17, 9, kBackground);
  Stretch(dst, {-3, -2, 19, 12}, src, {2, 1, 11, 6}, sfLinear);
  Stretch(blended, {-3, -2, 19, 12}, src, {2, 1, 11, 6}, sfLinear, dmBlend, 200);
  const int SW = 9, SH = 5, DW = 22, DH = 14;
  auto start = [](int offset, int s, int d) {  // muldiv, rounding halves up (all positive)
    const int64_t p = int64_t{offset} * (s - 1) * 65535;
    return (2 * p + d) / (2 * d);
  };
  for (int y = 0; y < 9; ++y) {
    const int64_t py = start(2, SH, DH) + (int64_t{SH - 1} << 16) / DH * y;
    const int sy = 1 + static_cast<int>(py >> 16), wy = 255 - static_cast<int>((py >> 8) & 255);
    const int sy1 = sy < 5 ? sy + 1 : sy;
    for (int x = 0; x < 17; ++x) {
      const int64_t px = start(3, SW, DW) + (int64_t{SW - 1} << 16) / DW * x;
      const int sx = 2 + static_cast<int>(px >> 16), wx = 255 - static_cast<int>((px >> 8) & 255);
      const int sx1 = sx < 10 ? sx + 1 : sx;
      const TColor32 expected = Combine(Combine(src.GetPixel(sx, sy), src.GetPixel(sx, sy1), wy),
                                        Combine(src.GetPixel(sx1, sy), src.GetPixel(sx1, sy1), wy), wx);
      ASSERT_EQ(dst.GetPixel(x, y), expected) << x << "," << y;
      ASSERT_EQ(blended.GetPixel(x, y), BlendWithMaster(expected, kBackground, 200)) << x << "," << y;
    }
  }
}

TEST(StretchTransfer, MappingTableFilterEnlargesWithEndsOnEnds) {
  // 2 x 2 -> 3 x 3 with the triangle: corners are the source corners exactly, the middle the
  // mean of four (16384 * sum >> 16), edges the mean of two.
  const Surface src(2, 2, {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000});
  Filled dst(3, 3, kBackground);
  Stretch(dst, {0, 0, 3, 3}, src, {0, 0, 2, 2}, sfLinear2);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{0xFF000000, 0xFF00007F, 0xFF0000FF,  //
                                                0xFF007F00, 0xFF3F3F3F, 0xFF7F007F,  //
                                                0xFF00FF00, 0xFF7F7F00, 0xFFFF0000}));
}

TEST(StretchTransfer, MappingTableReductionWeightsSumTo255) {
  // 7 x 7 -> 3 x 3 with the triangle: weights 28 57 85 57 28 on both axes, so a uniform
  // colour comes out as 255 * 255 * c >> 16: 128 -> 127, 255 -> 253.
  const Filled src(7, 7, 0xFF808080);
  Filled dst(3, 3, kBackground);
  Stretch(dst, {0, 0, 3, 3}, src, {0, 0, 7, 7}, sfLinear2);
  EXPECT_EQ(dst.GetPixel(1, 1), 0xFD7F7F7Fu);
  // A reduction so strong that every weight rounds to 0 leaves the destination alone.
  const Filled wide(1000, 2, kWhite);
  Filled tiny(2, 2, kBackground);
  Stretch(tiny, {0, 0, 2, 2}, wide, {0, 0, 1000, 2}, sfLinear2);
  EXPECT_EQ(Values(tiny), Values(Filled(2, 2, kBackground)));
  // dmBlend with master alpha 0 draws nothing.
  Stretch(dst, {0, 0, 3, 3}, Filled(7, 7, kBlack), {0, 0, 7, 7}, sfSpline, dmBlend, 0);
  EXPECT_EQ(dst.GetPixel(0, 0), 0xFD7F7F7Fu);
}

// Mapping tables are built for the whole destination extent, so a clipped transfer draws exactly
// the visible part of the whole one. (Nearest and bilinear start clipped walks with the factor
// 65535, covered above.)
TEST(StretchTransfer, ClippedDestinationDrawsTheSamePixelsAsTheWholeOne) {
  Numbered src(7, 5);
  for (TStretchFilter f : {sfLinear2, sfSpline}) {
    Filled whole(23, 17, kBackground);
    Stretch(whole, {0, 0, 23, 17}, src, {1, 0, 7, 5}, f);
    Filled part(12, 9, kBackground);
    Stretch(part, {-9, -6, 14, 11}, src, {1, 0, 7, 5}, f);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x)
        ASSERT_EQ(part.GetPixel(x, y), whole.GetPixel(x + 9, y + 6)) << f << " " << x << "," << y;
  }
}

TEST(BlockTransfer, CopiesBlendsOrCombinesTheClippedBlock) {
  const Surface src(2, 2, {0xFF0000AA, 0x800000BB, 0x000000CC, 0xFF0000DD});
  Filled dst(3, 2, kBlack);
  BlockTransfer(dst, -1, 1, src, {0, 0, 2, 2}, dmOpaque, {}, 255);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{kBlack, kBlack, kBlack, 0x800000BB, kBlack, kBlack}));
  dst.Clear(kBlack);
  BlockTransfer(dst, 1, 0, src, {0, 0, 2, 2}, dmBlend, {}, 255);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{kBlack, 0xFF0000AA, Blend(0x800000BB, kBlack),  //
                                                kBlack, kBlack, 0xFF0000DD}));
  dst.Clear(kBlack);
  BlockTransfer(dst, 0, 0, src, {1, 0, 2, 1}, dmBlend, {}, 100);
  EXPECT_EQ(dst.GetPixel(0, 0), BlendWithMaster(0x800000BB, kBlack, 100));
  int calls = 0;
  BlockTransfer(dst, 0, 0, src, {0, 0, 2, 2}, dmCustom,
                [&calls](TColor32, TColor32& b, TColor32) {
                  ++calls;
                  b = 0;
                },
                255);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(dst.GetPixel(2, 0), kBlack);
}

TEST(BoxShrink, AveragesConsecutiveBlocksSizedByTheRunningRemainder) {
  // 5 columns into 2: 2 each, the remainder 1 reaches 2 at the second block: [0, 1] [2, 3, 4].
  const Surface src(5, 1, {0xFF00000A, 0xFF000015, 0xFF00001E, 0xFF000028, 0xFF000033});
  Filled dst(2, 1, kBackground);
  BoxShrink(dst, {0, 0, 2, 1}, src, {0, 0, 5, 1});
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{0xFF00000F, 0xFF000028}));  // 31 / 2 = 15, 121 / 3 = 40
  // All four channels, over 2 x 2 blocks, clipped on the left.
  const Surface quad(4, 2, {0x10203040, 0x30405060, 0, 0, 0x50607080, 0x70809000, 0, 0x04040404});
  dst.SetSize(1, 1);
  dst.Clear(kBackground);
  BoxShrink(dst, {0, 0, 2, 1}, quad, {0, 0, 4, 2});
  EXPECT_EQ(dst.GetPixel(0, 0), 0x40506048u);
  dst.Clear(kBackground);
  BoxShrink(dst, {-1, 0, 1, 1}, quad, {0, 0, 4, 2});
  EXPECT_EQ(dst.GetPixel(0, 0), 0x01010101u);
  // Blocks of more than 257 pixels: 20 x 20 into one pixel, blue x + y averaging 19, and
  // alpha 255 - x - y giving 255 - 19 = 236.
  Filled big(20, 20, 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) big.SetPixel(x, y, MakeColor32(0, 0, x + y, 255 - x - y));
  BoxShrink(dst, {0, 0, 1, 1}, big, {0, 0, 20, 20});
  EXPECT_EQ(dst.GetPixel(0, 0), 0xEC000013u);
}

TEST(DrawScaled, ReducesOpaqueLinearPicturesByAveraging) {
  const Surface src(4, 1, {kBlack, kWhite, kBlack, kWhite});
  Filled dst(2, 1, kBackground);
  DrawScaled(dst, {0, 0, 2, 1}, src, {0, 0, 4, 1}, sfLinear, dmOpaque, {}, 255);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{0xFF7F7F7F, 0xFF7F7F7F}));
  // Blending goes through the bilinear stretch instead.
  dst.Clear(kBackground);
  DrawScaled(dst, {0, 0, 2, 1}, src, {0, 0, 4, 1}, sfLinear, dmBlend, {}, 255);
  Filled expected(2, 1, kBackground);
  StretchTransfer(expected, {0, 0, 2, 1}, src, {0, 0, 4, 1}, sfLinear, dmBlend, {}, 255);
  EXPECT_EQ(Values(dst), Values(expected));
  // The surface form takes filter, mode and master alpha from the source and notifies once.
  Surface picture(4, 1, {kBlack, kWhite, kBlack, kWhite});
  picture.SetStretchFilter(sfLinear);
  int changes = 0;
  dst.OnChange = [&changes](TThreadPersistent*) { ++changes; };
  dst.DrawScaled({0, 0, 2, 1}, {0, 0, 4, 1}, picture);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{0xFF7F7F7F, 0xFF7F7F7F}));
  EXPECT_EQ(changes, 1);
}

TEST(Bitmap32Draw, UsesTheSourcesFilterModeAndMasterAlpha) {
  Surface src(2, 1, {0xFF0000FF, 0xFFFF0000});
  src.SetDrawMode(dmBlend);
  src.SetMasterAlpha(127);
  Filled dst(4, 1, kBlack);
  int changes = 0;
  dst.OnChange = [&changes](TThreadPersistent*) { ++changes; };
  dst.Draw({0, 0, 4, 1}, src);
  EXPECT_EQ(changes, 1);
  const TColor32 half0 = BlendWithMaster(0xFF0000FF, kBlack, 127), half1 = BlendWithMaster(0xFFFF0000, kBlack, 127);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{half0, half0, half1, half1}));
  dst.Clear(kBlack);
  dst.Draw({1, 0, 2, 1}, {1, 0, 2, 1}, src);
  EXPECT_EQ(Values(dst), (std::vector<TColor32>{kBlack, half1, kBlack, kBlack}));
}

}  // namespace
}  // namespace kivrano
