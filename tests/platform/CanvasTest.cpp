#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

constexpr TColor32 kBack = 0xFFFFFFFF;  // opaque white, what shapes clear to before canvas drawing

// A small surface cleared to opaque white with a canvas over it; Picture() shows it row by row:
// '.' untouched, '#' black with alpha 0 (the pen), 'o' red with alpha 0 (the brush).
class CanvasTest : public ::testing::Test {
 protected:
  void Make(int w, int h) {
    bmp.SetSize(w, h);
    bmp.Clear(kBack);
    canvas = std::make_unique<TCanvas>(bmp);
    canvas->Brush().SetColor(0x0000FF);  // red as TColor
  }
  std::vector<std::string> Picture() const {
    std::vector<std::string> rows;
    for (int y = 0; y < bmp.Height(); ++y) {
      std::string row;
      for (int x = 0; x < bmp.Width(); ++x) {
        const TColor32 c = bmp.GetPixel(x, y);
        row += c == kBack ? '.' : c == 0x00000000 ? '#' : c == 0x00FF0000 ? 'o' : '?';
      }
      rows.push_back(row);
    }
    return rows;
  }
  TBitmap32 bmp;
  std::unique_ptr<TCanvas> canvas;
};

TEST_F(CanvasTest, LineToLeavesOutTheEndPointAndMovesThePen) {
  Make(8, 6);
  canvas->MoveTo(1, 1);
  canvas->LineTo(6, 1);
  canvas->LineTo(6, 4);
  canvas->LineTo(1, 4);
  EXPECT_EQ(canvas->PenPos(), (TPoint{1, 4}));
  canvas->MoveTo(0, 5);
  canvas->LineTo(3, 2);  // diagonal up-right
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           "........",
                           ".######.",
                           "......#.",
                           "..#...#.",
                           ".######.",
                           "#.......",
                       }));
}

TEST_F(CanvasTest, ShallowLinesStepEvenly) {
  Make(9, 3);
  canvas->MoveTo(0, 0);
  canvas->LineTo(8, 2);
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           "##.......",
                           "..####...",
                           "......##.",
                       }));
}

TEST_F(CanvasTest, RectangleOutlinesWithThePenAndFillsWithTheBrushExcludingRightAndBottom) {
  Make(7, 6);
  canvas->Rectangle(1, 1, 6, 5);
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           ".......",
                           ".#####.",
                           ".#ooo#.",
                           ".#ooo#.",
                           ".#####.",
                           ".......",
                       }));
  // Arguments in any order describe the same rectangle.
  Make(7, 6);
  canvas->Rectangle(6, 5, 1, 1);
  EXPECT_EQ(Picture()[2], ".#ooo#.");
}

TEST_F(CanvasTest, RectangleWithoutPenAndWithWidePens) {
  Make(7, 6);
  canvas->Pen().SetStyle(psClear);
  canvas->Rectangle(1, 1, 6, 5);
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           ".......",
                           ".oooo..",
                           ".oooo..",
                           ".oooo..",
                           ".......",
                           ".......",
                       }));
  // A pen of width 3 is centred on the outline; inside-frame keeps it within the box.
  Make(9, 9);
  canvas->Pen().SetWidth(3);
  canvas->Rectangle(2, 2, 7, 7);
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           ".........",
                           ".#######.",
                           ".#######.",
                           ".#######.",
                           ".###o###.",
                           ".#######.",
                           ".#######.",
                           ".#######.",
                           ".........",
                       }));
  Make(9, 9);
  canvas->Pen().SetWidth(2);
  canvas->Pen().SetStyle(psInsideFrame);
  canvas->Rectangle(1, 1, 8, 8);
  EXPECT_EQ(Picture()[0], ".........");
  EXPECT_EQ(Picture()[2], ".#######.");
  EXPECT_EQ(Picture()[4], ".##ooo##.");
  EXPECT_EQ(Picture()[7], ".#######.");
}

TEST_F(CanvasTest, EllipseFitsItsBoxSymmetrically) {
  Make(9, 7);
  canvas->Ellipse(1, 1, 8, 6);
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           ".........",
                           "..#####..",
                           ".##ooo##.",
                           ".#ooooo#.",
                           ".##ooo##.",
                           "..#####..",
                           ".........",
                       }));
  // A circle with a wide pen stays a closed ring around a brush-filled middle.
  Make(13, 13);
  canvas->Pen().SetWidth(2);
  canvas->Ellipse(2, 2, 11, 11);
  const std::vector<std::string> p = Picture();
  EXPECT_EQ(p[6][6], 'o');
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(p[i], std::string(p[i].rbegin(), p[i].rend()));  // mirror symmetric
    const size_t first = p[i].find_first_not_of('.');
    if (first != std::string::npos) {
      EXPECT_EQ(p[i][first], '#') << i;
    }
  }
}

TEST_F(CanvasTest, PolygonFillsTheInsideAndOutlinesEveryEdge) {
  Make(8, 7);
  canvas->Polygon({{1, 1}, {6, 1}, {6, 5}});
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           "........",
                           ".######.",
                           "..#ooo#.",
                           "...##o#.",
                           ".....##.",
                           "......#.",
                           "........",
                       }));
  // A self-crossing outline leaves the doubly covered middle unfilled (alternate rule).
  Make(9, 9);
  canvas->Pen().SetStyle(psClear);
  canvas->Polygon({{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 0}});
  EXPECT_EQ(Picture()[1], "..oooooo.");
  EXPECT_EQ(Picture()[4], "oo....oo.");
  EXPECT_EQ(Picture()[7], "oooooooo.");
}

TEST_F(CanvasTest, DashPatternsAndOpaqueGaps) {
  struct Case {
    TPenStyle style;
    TBrushStyle brush;
    std::string row;
  } cases[] = {
      {psDot, bsClear, "###...###...###...##"},
      {psDot, bsSolid, "###ooo###ooo###ooo##"},
      {psDash, bsClear, "##################.."},
      {psDashDot, bsClear, "#########......###.."},
  };
  for (const Case& c : cases) {
    Make(21, 1);
    canvas->Pen().SetStyle(c.style);
    canvas->Brush().SetStyle(c.brush);
    canvas->MoveTo(0, 0);
    canvas->LineTo(20, 0);
    EXPECT_EQ(Picture()[0], c.row + ".") << c.style;
  }
  // The pattern runs on around corners of a connected outline and restarts at MoveTo.
  Make(8, 3);
  canvas->Pen().SetStyle(psDot);
  canvas->Brush().SetStyle(bsClear);
  canvas->MoveTo(0, 0);
  canvas->LineTo(2, 0);
  canvas->LineTo(2, 3);
  canvas->MoveTo(4, 0);
  canvas->LineTo(4, 3);
  EXPECT_EQ(Picture(), (std::vector<std::string>{"###.#...", "....#...", "....#..."}));
  // Wide pens draw solid whatever the style.
  Make(10, 3);
  canvas->Pen().SetStyle(psDot);
  canvas->Pen().SetWidth(3);
  canvas->MoveTo(1, 1);
  canvas->LineTo(8, 1);
  EXPECT_EQ(Picture(), (std::vector<std::string>{"##########", "##########", "##########"}));
}

TEST_F(CanvasTest, HatchedBrushesPaintOnlyTheirLines) {
  struct Case {
    TBrushStyle style;
    std::vector<std::string> rows;
  } cases[] = {
      {bsHorizontal, {"oooooooooo", "..........", "..........", ".........."}},
      {bsVertical, {"o.......o.", "o.......o.", "o.......o.", "o.......o."}},
      {bsFDiagonal, {"o.......o.", ".o.......o", "..o.......", "...o......"}},
      {bsBDiagonal, {"o.......o.", ".......o..", "......o...", ".....o...."}},
      {bsCross, {"oooooooooo", "o.......o.", "o.......o.", "o.......o."}},
  };
  for (const Case& c : cases) {
    Make(10, 4);
    canvas->Brush().SetStyle(c.style);
    canvas->FillRect(TRect{0, 0, 10, 4});
    EXPECT_EQ(Picture(), c.rows) << c.style;
  }
  Make(5, 4);
  canvas->FrameRect(TRect{0, 0, 5, 4});
  EXPECT_EQ(Picture(), (std::vector<std::string>{"ooooo", "o...o", "o...o", "ooooo"}));
}

TEST_F(CanvasTest, ClipRectConfinesEveryOperation) {
  Make(10, 10);
  canvas->SetClipRect(TRect{3, 3, 6, 6});
  canvas->Brush().SetStyle(bsSolid);
  canvas->Rectangle(0, 0, 10, 10);
  canvas->Ellipse(-5, -5, 20, 20);
  canvas->MoveTo(0, 0);
  canvas->LineTo(10, 10);
  canvas->Pen().SetWidth(5);
  canvas->LineTo(0, 10);
  canvas->TextOut(0, 0, "WWW");
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if (x < 3 || x >= 6 || y < 3 || y >= 6) {
        EXPECT_EQ(bmp.GetPixel(x, y), kBack) << x << "," << y;
      }
  // Lines far outside the surface are cheap and harmless.
  canvas->ResetClipRect();
  canvas->Pen().SetWidth(1);
  canvas->MoveTo(-2000000000, 5);
  canvas->LineTo(2000000000, 5);
  EXPECT_EQ(Picture()[5], "##########");
}

// Every drawing operation in copy mode, for the alpha and the XOR rules.
std::vector<std::pair<std::string, std::function<void(TCanvas&)>>> Figures() {
  return {
      {"line", [](TCanvas& c) { c.MoveTo(1, 2); c.LineTo(17, 11); }},
      {"dotted outline", [](TCanvas& c) { c.Pen().SetStyle(psDot); c.Rectangle(2, 2, 15, 12); }},
      {"wide polyline", [](TCanvas& c) { c.Pen().SetWidth(3); c.Polyline({{1, 1}, {15, 3}, {4, 12}, {18, 12}}); }},
      {"rectangle", [](TCanvas& c) { c.Rectangle(3, 3, 12, 9); }},
      {"ellipse", [](TCanvas& c) { c.Pen().SetWidth(2); c.Ellipse(1, 1, 18, 13); }},
      {"polygon", [](TCanvas& c) { c.Polygon({{2, 1}, {17, 6}, {3, 13}}); }},
      {"hatched", [](TCanvas& c) { c.Brush().SetStyle(bsDiagCross); c.Rectangle(0, 0, 20, 14); }},
  };
}

TEST_F(CanvasTest, PaintedPixelsKeepTheirColourWithAlphaZero) {
  for (const auto& [name, draw] : Figures()) {
    Make(20, 14);
    canvas->Pen().SetColor(0x336699);
    canvas->Brush().SetColor(0x00CC00);
    draw(*canvas);
    int painted = 0;
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 20; ++x) {
        const TColor32 c = bmp.GetPixel(x, y);
        if (c == kBack) continue;
        ++painted;
        EXPECT_TRUE(c == 0x00996633 || c == 0x0000CC00) << name << " " << std::hex << c;
      }
    EXPECT_GT(painted, 10) << name;
  }
}

TEST_F(CanvasTest, XorTwiceRestoresTheSurfaceExactly) {
  for (TPenMode mode : {pmXor, pmNot, pmNotXor}) {
    for (const auto& [name, draw] : Figures()) {
      Make(20, 14);
      for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 20; ++x) bmp.SetPixel(x, y, 0x01000000u * static_cast<uint32_t>(x * 13 + y) + 0x00345678u * static_cast<uint32_t>(x ^ y));
      TBitmap32 before;
      before.Assign(bmp);
      canvas->Pen().SetMode(mode);
      canvas->Pen().SetColor(0x00FF00);
      draw(*canvas);
      int changed = 0;
      for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 20; ++x) {
          const TColor32 now = bmp.GetPixel(x, y), was = before.GetPixel(x, y);
          changed += now != was;
          EXPECT_EQ(now >> 24, was >> 24) << name;  // alpha kept
        }
      EXPECT_GT(changed, 10) << name;
      draw(*canvas);
      for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(bmp.GetPixel(x, y), before.GetPixel(x, y)) << name << " mode " << mode;
    }
  }
  // Xor combines with the colour bytes: a green pen on grey gives magenta-ish grey.
  Make(2, 1);
  bmp.SetPixel(0, 0, 0xFF808080);
  canvas->Pen().SetMode(pmXor);
  canvas->Pen().SetColor(0x00FF00);
  canvas->MoveTo(0, 0);
  canvas->LineTo(1, 0);
  EXPECT_EQ(bmp.GetPixel(0, 0), 0xFF807F80);
}

TEST_F(CanvasTest, PenModesCombinePenAndSurface) {
  struct Case {
    TPenMode mode;
    TColor32 result;  // pen 0x0F0F0F... as TColor 0x00F0F0 (blue 0, green F0, red F0) on 0x33CC55
  } cases[] = {
      {pmBlack, 0x00000000}, {pmWhite, 0x00FFFFFF}, {pmNop, 0xFF33CC55}, {pmCopy, 0x00F0F000},
      {pmNotCopy, 0x000F0FFF}, {pmMerge, 0x00F3FC55}, {pmMask, 0x0030C000}, {pmMaskPenNot, 0x00C03000},
      {pmMergeNotPen, 0x003FCFFF},
  };
  for (const Case& c : cases) {
    Make(2, 1);
    bmp.SetPixel(0, 0, 0xFF33CC55);
    canvas->Pen().SetMode(c.mode);
    canvas->Pen().SetColor(0x00F0F0);
    canvas->MoveTo(0, 0);
    canvas->LineTo(1, 0);
    EXPECT_EQ(bmp.GetPixel(0, 0), c.result) << c.mode;
  }
}

TEST_F(CanvasTest, DrawCopiesAndStretchDrawResamples) {
  TBitmap32 src;
  src.SetSize(2, 2);
  src.SetPixel(0, 0, 0xFF000000);
  src.SetPixel(1, 0, 0xFFFF0000);
  src.SetPixel(0, 1, 0x800000FF);
  src.SetPixel(1, 1, 0x00FFFFFF);
  Make(6, 6);
  canvas->Draw(-1, 5, src);
  EXPECT_EQ(bmp.GetPixel(0, 5), 0xFFFF0000);
  EXPECT_EQ(bmp.GetPixel(1, 5), kBack);

  // Enlarging: corners keep the source pixels, the middle is bilinear.
  Make(4, 4);
  canvas->StretchDraw(TRect{0, 0, 4, 4}, src);
  EXPECT_EQ(bmp.GetPixel(0, 0), 0xFF000000);
  EXPECT_EQ(bmp.GetPixel(3, 0), 0xFFFF0000);
  EXPECT_EQ(bmp.GetPixel(0, 3), 0x800000FF);
  EXPECT_EQ(bmp.GetPixel(1, 0), 0xFF400000);  // a quarter of the way to red
  // Mirrored rectangles flip the picture.
  canvas->StretchDraw(TRect{4, 4, 0, 0}, src);
  EXPECT_EQ(bmp.GetPixel(0, 0), 0x00FFFFFF);
  EXPECT_EQ(bmp.GetPixel(3, 3), 0xFF000000);

  // Shrinking averages whole areas.
  TBitmap32 big;
  big.SetSize(4, 2);
  for (int x = 0; x < 4; ++x) {
    big.SetPixel(x, 0, x < 2 ? 0xFF000000 : 0xFFFFFFFF);
    big.SetPixel(x, 1, x < 2 ? 0xFF000000 : 0xFF0000FF);
  }
  Make(2, 1);
  canvas->StretchDraw(TRect{0, 0, 2, 1}, big);
  EXPECT_EQ(bmp.GetPixel(0, 0), 0xFF000000);
  EXPECT_EQ(bmp.GetPixel(1, 0), 0xFF8080FF);
  // Only the clip rectangle is written, with the same pixels as without clipping.
  Make(4, 4);
  canvas->StretchDraw(TRect{0, 0, 4, 4}, src);
  TBitmap32 whole;
  whole.Assign(bmp);
  EXPECT_EQ(whole.GetPixel(1, 1), 0xD7401040u);  // bilinear over all four channels
  Make(4, 4);
  canvas->SetClipRect(TRect{1, 1, 3, 4});
  canvas->StretchDraw(TRect{0, 0, 4, 4}, src);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(bmp.GetPixel(x, y), x >= 1 && x < 3 && y >= 1 ? whole.GetPixel(x, y) : kBack) << x << "," << y;
}

TEST_F(CanvasTest, TextCellsAreOpaqueWithASolidBrushOnly) {
  Make(80, 30);
  canvas->Font().SetHeight(20);
  canvas->Font().SetColor(0x000000);
  canvas->Brush().SetStyle(bsClear);
  canvas->TextOut(2, 3, "Hal");
  const int w = canvas->TextWidth("Hal");
  EXPECT_EQ(canvas->PenPos(), (TPoint{2 + w, 3}));
  int touched = 0, black = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      const TColor32 c = bmp.GetPixel(x, y);
      if (c == kBack) continue;
      ++touched;
      black += c == 0;
      EXPECT_EQ(c >> 24, 0u);
      EXPECT_EQ(RedOf(c), GreenOf(c));  // grey levels of black over white
      EXPECT_GE(x, 2);
      EXPECT_LT(y, 23);
    }
  EXPECT_GT(black, 20);
  EXPECT_GT(touched, black);

  Make(80, 30);
  canvas->Font().SetHeight(20);
  canvas->TextOut(2, 3, "Hal");
  EXPECT_EQ(bmp.GetPixel(2, 3), 0x00FF0000u);  // the cell's corner in the brush colour
  EXPECT_EQ(bmp.GetPixel(2 + w - 1, 22), 0x00FF0000u);
  EXPECT_EQ(bmp.GetPixel(2 + w, 3), kBack);

  // Formatted text: right aligned ink ends at the rectangle's right edge; calc rect draws nothing.
  Make(80, 30);
  canvas->Brush().SetStyle(bsClear);
  canvas->Font().SetHeight(20);
  const TRect calc = canvas->TextRect(TRect{0, 0, 70, 30}, "Hal", tfRight | tfCalcRect);
  EXPECT_EQ(calc, (TRect{0, 0, w, 20}));
  EXPECT_EQ(Picture()[10], std::string(80, '.'));
  canvas->TextRect(TRect{0, 0, 70, 30}, "Hal", tfRight | tfBottom | tfSingleLine);
  int rightmost = -1, lowest = -1;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x)
      if (bmp.GetPixel(x, y) != kBack) rightmost = std::max(rightmost, x), lowest = std::max(lowest, y);
  EXPECT_LT(rightmost, 70);
  EXPECT_GT(rightmost, 63);
  EXPECT_GT(lowest, 20);
}

TEST_F(CanvasTest, ExtremeCoordinatesAndSizesAreHarmless) {
  // Values that could come from damaged drawings: nothing may overflow, hang or crash.
  constexpr int kMax = 2147483647, kMin = -2147483647 - 1;
  Make(16, 16);
  canvas->Pen().SetWidth(kMax);
  canvas->Rectangle(kMin, kMin, kMax, kMax);
  canvas->Ellipse(kMin, 0, kMax, 10);
  canvas->MoveTo(kMin, kMin);
  canvas->LineTo(kMax, kMax);
  canvas->Polygon({{kMin, 0}, {kMax, 5}, {0, kMax}});
  canvas->Pen().SetWidth(1);
  canvas->Ellipse(kMin, kMin, kMax, kMax);
  canvas->Polyline({{kMin, kMax}, {kMax, kMin}});
  canvas->FillRect(TRect{kMin, kMin, kMax, kMax});
  canvas->StretchDraw(TRect{kMin, kMin, kMax, kMax}, bmp);
  canvas->TextRect(TRect{kMin, kMin, kMax, kMax}, "Wolf\nen\nbal", tfCenter | tfVCenter | tfWordBreak);
  for (int height : {kMax, kMin, 0, 1}) {
    canvas->Font().SetHeight(height);
    canvas->TextOut(kMax, kMin, "Wolf");
    canvas->TextOut(3, 3, "W");
    EXPECT_GE(canvas->TextWidth("Wolf"), 0);
  }
  canvas->Font().SetSize(kMax);
  EXPECT_GT(canvas->Font().Height(), 0);
}

}  // namespace
}  // namespace kivrano
