#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "raster/Bitmap32.h"
#include "TestSurfaces.h"

namespace kivrano {
namespace {

constexpr TColor32 kInk = 0xFFFFFFFF;

TEST(Bitmap32Rectangles, FillRectExcludesRightAndBottom) {
  TBitmap32 b;
  Blank(b, 5, 4);
  b.FillRect(1, 1, 3, 3, kInk);
  EXPECT_EQ(Picture(b), ".....\n.##..\n.##..\n.....\n");
  Blank(b, 5, 4);
  b.FillRectClipped(-2, -2, 2, 10, kInk);
  EXPECT_EQ(Picture(b), "##...\n##...\n##...\n##...\n");
  Blank(b, 5, 4);
  b.FillRectClipped(3, 1, 3, 4, kInk);  // zero width
  b.FillRectClipped(6, 0, 9, 4, kInk);  // outside
  EXPECT_EQ(Picture(b), ".....\n.....\n.....\n.....\n");
}

TEST(Bitmap32Rectangles, FrameRectClipped) {
  ExpectPictures({
      {1, 0, 4, 3, ".###.\n.#.#.\n.###.\n.....\n"},
      {-1, -1, 3, 3, "..#..\n..#..\n###..\n.....\n"},  // top row and left column outside
      {0, 1, 5, 2, ".....\n#####\n.....\n.....\n"},    // one row high
      {4, 0, 5, 4, "....#\n....#\n....#\n....#\n"},    // one column wide
      {2, 2, 2, 4, ".....\n.....\n.....\n.....\n"},    // empty
  }, [](TBitmap32& b, const PictureCase& c) { b.FrameRectClipped(c.x1, c.y1, c.x2, c.y2, kInk); });
}

TEST(Bitmap32Lines, RowAndColumnFills) {
  TBitmap32 b;
  Blank(b, 5, 3);
  b.HorzLine(1, 0, 3, kInk);           // ends inclusive
  b.HorzLineClipped(7, 1, -3, kInk);   // swapped and clamped
  b.VertLineClipped(4, 5, -1, kInk);   // swapped and clamped
  b.VertLineClipped(5, 0, 2, kInk);    // column outside
  b.HorzLineClipped(0, -1, 4, kInk);   // row outside
  EXPECT_EQ(Picture(b), ".####\n#####\n....#\n");
  Blank(b, 3, 1);
  b.Clear(0xFF000000);
  b.HorzLineBlended(-5, 0, 1, 0x80FFFFFF);
  EXPECT_EQ(b.GetPixel(0, 0), Blend(0x80FFFFFF, 0xFF000000));
  EXPECT_EQ(b.GetPixel(1, 0), Blend(0x80FFFFFF, 0xFF000000));
  EXPECT_EQ(b.GetPixel(2, 0), 0xFF000000u);
}

TEST(Bitmap32Lines, BresenhamWalks) {
  struct Case {
    int x1, y1, x2, y2;
    bool includeLast;
    const char* picture;
  };
  const Case cases[] = {
      {0, 0, 4, 1, false, "###..\n...#.\n.....\n.....\n"},
      {0, 0, 4, 1, true, "###..\n...##\n.....\n.....\n"},
      {4, 1, 0, 0, false, ".#...\n..###\n.....\n.....\n"},  // walked backwards
      {4, 2, 0, 2, false, ".....\n.....\n.####\n.....\n"},  // row fill without the end point
      {0, 2, 4, 2, true, ".....\n.....\n#####\n.....\n"},
      {1, 0, 1, 3, true, ".#...\n.#...\n.#...\n.#...\n"},
      {1, 3, 1, 0, false, ".....\n.#...\n.#...\n.#...\n"},
      {0, 0, 1, 3, false, "#....\n#....\n#....\n.....\n"},  // steep
      {0, 0, 3, 3, true, "#....\n.#...\n..#..\n...#.\n"},
      {2, 2, 2, 2, false, ".....\n.....\n.....\n.....\n"},  // a point without its end is nothing
      {2, 2, 2, 2, true, ".....\n.....\n..#..\n.....\n"},
  };
  for (const Case& c : cases) {
    TBitmap32 b;
    Blank(b, 5, 4);
    b.DrawLine(c.x1, c.y1, c.x2, c.y2, kInk, c.includeLast);
    EXPECT_EQ(Picture(b), c.picture) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
  }
}

TEST(Bitmap32Lines, ClippedLinesIncludeTheEndWhenClippingMovedIt) {
  ExpectPictures({
      {-2, 1, 7, 1, ".....\n#####\n.....\n.....\n"},
      {7, 1, -2, 1, ".....\n#####\n.....\n.....\n"},
      {-1, -1, 5, 5, "#....\n.#...\n..#..\n...#.\n"},
      {2, 0, 2, 2, "..#..\n..#..\n.....\n.....\n"},  // inside: no end point
      {-3, -3, -1, 8, ".....\n.....\n.....\n.....\n"},  // outside
  }, [](TBitmap32& b, const PictureCase& c) { b.DrawLineClipped(c.x1, c.y1, c.x2, c.y2, kInk); });
}

TEST(Bitmap32Lines, LineToDrawsFromThePenWithoutTheEndPoint) {
  TBitmap32 b;
  Blank(b, 5, 3);
  b.SetPenColor(kInk);
  b.MoveTo(0, 0);
  b.LineToClipped(3, 0);
  EXPECT_EQ(b.PenPos(), (TPoint{3, 0}));
  b.LineToClipped(3, 2);
  EXPECT_EQ(Picture(b), "####.\n...#.\n.....\n");
  b.Clear(0xFF000000);
  b.SetPenColor(0x80FFFFFF);
  b.MoveTo(4, 2);
  b.LineToBlended(-10, 2);  // clipped: the row up to the edge, blended
  const TColor32 half = Blend(0x80FFFFFF, 0xFF000000);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.GetPixel(x, 2), half) << x;
  EXPECT_EQ(b.GetPixel(0, 1), 0xFF000000u);
}

TEST(Bitmap32Lines, EveryLineOperationNotifiesOnce) {
  TBitmap32 b;
  Blank(b, 6, 6);
  int changes = 0;
  b.OnChange = [&](TThreadPersistent*) { ++changes; };
  b.DrawLine(0, 0, 5, 3, kInk);
  EXPECT_EQ(changes, 1);
  b.DrawLineClipped(-5, 0, 10, 0, kInk);
  EXPECT_EQ(changes, 2);
  b.FrameRectClipped(0, 0, 6, 6, kInk);
  EXPECT_EQ(changes, 3);
  b.HorzLine(0, 1, 2, kInk);
  EXPECT_EQ(changes, 4);
}

TEST(Bitmap32Lines, OperationsOnAnEmptySurfaceDoNothing) {
  TBitmap32 b;
  int changes = 0;
  b.OnChange = [&](TThreadPersistent*) { ++changes; };
  b.FillRect(0, 0, 5, 5, kInk);
  b.FillRectClipped(0, 0, 5, 5, kInk);
  b.HorzLine(0, 0, 5, kInk);
  b.DrawLine(0, 0, 5, 5, kInk, true);
  b.DrawLineBlended(0, 0, 5, 5, kInk, true);
  b.FrameRectStippled(0, 0, 3, 3);
  b.MoveToFixed(0, 0);
  b.LineToAntialiased(5 << 16, 5 << 16);
  b.PlotAntialiasedSafe(256, 256, kInk);
  EXPECT_EQ(changes, 0);
}

// --- Stipple ---

constexpr TColor32 kBlack = 0xFF000000;
constexpr TColor32 kWhite = 0xFFFFFFFF;

TEST(Bitmap32Stipple, NextStippleColorInterpolatesAndWraps) {
  TBitmap32 b;
  EXPECT_EQ(b.NextStippleColor(), 0xFF000000u);  // empty pattern: opaque black
  b.SetStipple({kBlack, kWhite});
  b.SetStippleStep(0.5f);
  const TColor32 expected[] = {
      kBlack,
      0xFF808080,  // counter 0.5: Combine(black, white, 255 - 128)
      kWhite,      // counter 1.0: i = round(0.5) = 0 with w = 255 gives the next colour
      0xFF7F7F7F,  // counter 1.5: Combine(white, black wrapping to index 0, 127)
      kBlack,      // counter 2.0 wraps to 0
  };
  for (TColor32 e : expected) EXPECT_EQ(b.NextStippleColor(), e);
}

TEST(Bitmap32Stipple, SingleColourPatternAndCounterHandling) {
  TBitmap32 b;
  b.SetStipple({0x80123456});
  b.SetStippleStep(0.3f);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(b.NextStippleColor(), 0x80123456u);
  b.SetStipple({1, 2, 3});
  EXPECT_EQ(b.StippleCounter(), 0.0f);  // SetStipple restarts the pattern
  b.SetStippleStep(1.0f);
  b.AdvanceStipple(7);
  EXPECT_EQ(b.StippleCounter(), 1.0f);
  b.AdvanceStipple(-2);
  EXPECT_EQ(b.StippleCounter(), 2.0f);  // -1 modulo 3
  b.SetStippleStep(0.0f);
  b.AdvanceStipple(5);
  EXPECT_EQ(b.StippleCounter(), 2.0f);
  b.SetStippleCounter(-0.5f);  // brought into range before use
  b.SetStippleStep(1.0f);
  EXPECT_EQ(b.NextStippleColor(), Combine(3, 1, 255 - 128));
}

TEST(Bitmap32Stipple, CountersFarOutOfRangeDoNotHang) {
  TBitmap32 b;
  b.SetStipple({1, 2, 3});
  b.SetStippleStep(1e30f);  // each step leaves the counter far beyond the pattern
  for (int i = 0; i < 4; ++i) {
    const TColor32 c = b.NextStippleColor();
    EXPECT_TRUE(c >= 1 && c <= 3) << c;
  }
  b.SetStippleCounter(-1e30f);
  b.NextStippleColor();
  b.AdvanceStipple(std::numeric_limits<float>::infinity());
  EXPECT_GE(b.StippleCounter(), 0.0f);
  EXPECT_LT(b.StippleCounter(), 3.0f);
}

std::vector<TColor32> Opaque(int count) {
  std::vector<TColor32> colours;
  for (int i = 0; i < count; ++i) colours.push_back(0xFF000000u | static_cast<TColor32>(i + 1) * 0x010203u);
  return colours;
}

TEST(Bitmap32Stipple, ClippedStippledLinesStayAlignedWithTheUnclippedLine) {
  const std::vector<TColor32> c = Opaque(5);
  TBitmap32 b;
  Blank(b, 3, 1);
  b.SetStipple(c);
  b.HorzLineStippled(-2, 0, 4);  // x = -2, -1 only advance the pattern
  EXPECT_EQ(b.GetPixel(0, 0), c[2]);
  EXPECT_EQ(b.GetPixel(1, 0), c[3]);
  EXPECT_EQ(b.GetPixel(2, 0), c[4]);
  EXPECT_EQ(b.StippleCounter(), 2.0f);  // 7 pixels: 7 mod 5

  Blank(b, 3, 1);
  b.SetStipple(c);
  b.HorzLineStippled(4, 0, -2);  // walking right to left
  EXPECT_EQ(b.GetPixel(2, 0), c[2]);
  EXPECT_EQ(b.GetPixel(1, 0), c[3]);
  EXPECT_EQ(b.GetPixel(0, 0), c[4]);

  Blank(b, 1, 3);
  b.SetStipple(c);
  b.VertLineStippled(0, -1, 2);
  EXPECT_EQ(b.GetPixel(0, 0), c[1]);
  EXPECT_EQ(b.GetPixel(0, 2), c[3]);
  b.VertLineStippled(3, 0, 2);  // column outside: only advances
  EXPECT_EQ(b.StippleCounter(), 2.0f);
}

TEST(Bitmap32Stipple, StippledPixelsAreBlended) {
  TBitmap32 b;
  Blank(b, 2, 1);
  b.Clear(kBlack);
  b.SetStipple({0x80FFFFFF});
  b.HorzLineStippled(0, 0, 1);
  EXPECT_EQ(b.GetPixel(1, 0), Blend(0x80FFFFFF, kBlack));
}

TEST(Bitmap32Stipple, FrameRunsContinuouslyClockwise) {
  const std::vector<TColor32> c = Opaque(8);
  TBitmap32 b;
  Blank(b, 3, 3);
  b.SetStipple(c);
  b.FrameRectStippled(0, 0, 3, 3);
  EXPECT_EQ(b.GetPixel(0, 0), c[0]);
  EXPECT_EQ(b.GetPixel(1, 0), c[1]);
  EXPECT_EQ(b.GetPixel(2, 0), c[2]);
  EXPECT_EQ(b.GetPixel(2, 1), c[3]);
  EXPECT_EQ(b.GetPixel(2, 2), c[4]);
  EXPECT_EQ(b.GetPixel(1, 2), c[5]);
  EXPECT_EQ(b.GetPixel(0, 2), c[6]);
  EXPECT_EQ(b.GetPixel(0, 1), c[7]);
  EXPECT_EQ(b.GetPixel(1, 1), 0u);

  Blank(b, 3, 3);
  b.SetStipple(c);
  b.FrameRectStippled(1, 1, 2, 2);  // a single pixel is one stipple pixel
  EXPECT_EQ(b.GetPixel(1, 1), c[0]);
  EXPECT_EQ(b.StippleCounter(), 1.0f);

  Blank(b, 3, 3);
  b.SetStipple(c);
  b.FrameRectStippled(0, 1, 3, 2);  // one pixel high: a single line
  EXPECT_EQ(b.GetPixel(0, 1), c[0]);
  EXPECT_EQ(b.GetPixel(1, 1), c[1]);
  EXPECT_EQ(b.GetPixel(2, 1), c[2]);
  EXPECT_EQ(b.StippleCounter(), 3.0f);
}

// --- Anti-aliased lines ---

constexpr TColor32 kFull = 0xFFFCFCFC;  // white splatted at a whole pixel over black: W = 253

// An opaque black w x h surface with a white pen.
void BlackWithWhitePen(TBitmap32& b, int w, int h) {
  b.SetSize(w, h);
  b.Clear(kBlack);
  b.SetPenColor(kWhite);
}

TEST(Bitmap32Antialiased, PlotSpreadsOverFourPixelsThroughTheGammaTable) {
  TBitmap32 b;
  b.SetSize(6, 6);
  b.Clear(kBlack);
  b.PlotAntialiased(2 * 256, 3 * 256, kWhite);
  EXPECT_EQ(b.GetPixel(2, 3), kFull);
  EXPECT_EQ(b.GetPixel(3, 3), kBlack);
  EXPECT_EQ(b.GetPixel(2, 4), kBlack);

  b.Clear(kBlack);
  b.PlotAntialiased(2 * 256 + 128, 3 * 256 + 64, kWhite);
  EXPECT_EQ(b.GetPixel(2, 3), 0xFF7F7F7Fu);  // left column, top row
  EXPECT_EQ(b.GetPixel(3, 3), 0xFF7F7F7Fu);
  EXPECT_EQ(b.GetPixel(3, 4), 0xFF3B3B3Bu);
  EXPECT_EQ(b.GetPixel(2, 4), 0xFF3B3B3Bu);
}

TEST(Bitmap32Antialiased, SafePlotSkipsOutsidePixels) {
  TBitmap32 b;
  b.SetSize(2, 2);
  b.Clear(kBlack);
  b.PlotAntialiasedSafe(-128, -128, kWhite);  // only (0, 0) of the four lies inside
  EXPECT_NE(b.GetPixel(0, 0), kBlack);
  EXPECT_EQ(b.GetPixel(1, 0), kBlack);
  b.Clear(kBlack);
  b.PlotAntialiasedSafe(1 * 256 + 64, 1 * 256 + 64, kWhite);  // three of the four lie outside
  EXPECT_EQ(b.GetPixel(0, 0), kBlack);
  EXPECT_EQ(b.GetPixel(1, 1), BlendWithMaster(kWhite, kBlack, (GammaTable[191] * 255 * GammaTable[191]) >> 16));
}

TEST(Bitmap32Antialiased, WholePixelLineLightsOnePixelPerStep) {
  TBitmap32 b;
  BlackWithWhitePen(b, 8, 5);
  b.MoveToFixed(2 << 16, 2 << 16);
  b.LineToAntialiased(6 << 16, 2 << 16);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(b.GetPixel(x, y), y == 2 && x >= 2 && x <= 5 ? kFull : kBlack) << x << "," << y;
    }
  }
  // The pen moved to the end: the next segment continues there.
  b.LineToAntialiased(6 << 16, 4 << 16);
  EXPECT_EQ(b.GetPixel(6, 2), kFull);
  EXPECT_EQ(b.GetPixel(6, 3), kFull);
  EXPECT_EQ(b.GetPixel(6, 4), kBlack);
}

TEST(Bitmap32Antialiased, ShortSegmentsSplatOnceWithScaledAlpha) {
  TBitmap32 b;
  BlackWithWhitePen(b, 5, 5);
  b.MoveToFixed(2 << 16, 2 << 16);
  b.LineToAntialiased((2 << 16) + 32768, 2 << 16);  // half a pixel: alpha 127 at the start
  // M = 255 * 127 * 255 >> 16 = 126, W = (127 * 127) >> 8 = 63.
  EXPECT_EQ(b.GetPixel(2, 2), Combine(0x7FFFFFFF, kBlack, 63));
  b.Clear(kBlack);
  b.LineToAntialiased((2 << 16) + 32768 + 255, 2 << 16);  // shorter than 1/256 pixel: nothing
  for (int i = 0; i < 25; ++i) EXPECT_EQ(b.Bits()[i], kBlack);
}

TEST(Bitmap32Antialiased, ClippedStartKeepsPixelsAndStipplePhase) {
  TBitmap32 b;
  BlackWithWhitePen(b, 8, 5);
  b.MoveToFixed(-10 << 16, 2 << 16);
  b.LineToAntialiased(3 << 16, 2 << 16);
  EXPECT_EQ(b.GetPixel(0, 2), kFull);
  EXPECT_EQ(b.GetPixel(2, 2), kFull);
  EXPECT_EQ(b.GetPixel(3, 2), kBlack);

  std::vector<TColor32> greys;
  for (TColor32 k = 0; k < 16; ++k) greys.push_back(0xFF000000u | k * 0x101010u);
  b.Clear(kBlack);
  b.SetStipple(greys);
  b.MoveToFixed(-10 << 16, 2 << 16);
  b.LineToAntialiasedStippled(5 << 16, 2 << 16);
  // The cut-off part (-10 .. -1) advanced the pattern by 9: pixel x takes colour 10 + x.
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.GetPixel(x, 2), Combine(greys[static_cast<size_t>(10 + x)], kBlack, 253)) << x;

  b.SetStipple(greys);
  b.MoveToFixed(-10 << 16, -5 << 16);
  b.LineToAntialiasedStippled(-2 << 16, -5 << 16);  // entirely outside: advances by its length
  EXPECT_EQ(b.StippleCounter(), 8.0f);
}

}  // namespace
}  // namespace kivrano
