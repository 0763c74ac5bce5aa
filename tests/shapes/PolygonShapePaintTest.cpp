// Painting of polygon shapes: fill, outline band, hairline, dashes, and broken point lists.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "ShapeTestSupport.h"
#include "raster/TestSurfaces.h"
#include "shapes/dtpShadowEffects.h"
#include "support/PngPictures.h"

namespace kivrano {
namespace {

using test::StoredPolygon;

constexpr TColor kRed = 0x0000FF;   // toolkit colours: red in the low byte
constexpr TColor kBlue = 0xFF0000;
constexpr TColor32 kRed32 = 0xFFFF0000;
constexpr TColor32 kBlue32 = 0xFF0000FF;

// A polygon painted at a known paint matrix into a surface of a known size.
class PolygonPaintTest : public ::testing::Test {
 protected:
  PolygonPaintTest() {
    shape.SetFillColor(kRed);
    shape.SetOutlineColor(kBlue);
    shape.SetUseOutline(false);
  }

  TBitmap32& Paint(int width, int height, float scale = 1) {
    image.SetSize(width, height);
    image.Clear(0x12345678);  // whatever was there before must go
    shape.SetPaintMatrix(test::ScaleMatrix(scale));
    shape.PaintBitmap(image);
    return image;
  }

  int Alpha(int x, int y) const { return AlphaOf(image.GetPixel(x, y)); }

  StoredPolygon shape;
  TBitmap32 image;
};

TEST_F(PolygonPaintTest, FillsThePointsMappedThroughThePaintMatrix) {
  shape.SetLines({{{2, 2}, {8, 2}, {8, 7}, {2, 7}}});
  image.SetSize(24, 24);
  shape.SetPaintMatrix(test::ScaleMatrix(2, 1.5f, 3));
  shape.PaintBitmap(image);
  // What the rasterizer paints for the corners in pixels: (2 * x + 1.5, 2 * y + 3).
  TPolygon32 expected;
  expected.SetAntialiased(true);
  for (const TFixedPoint& p : {TFixedPoint{5 * 65536 + 32768, 7 * 65536}, {17 * 65536 + 32768, 7 * 65536},
                               {17 * 65536 + 32768, 17 * 65536}, {5 * 65536 + 32768, 17 * 65536}}) {
    expected.Add(p);
  }
  auto reference = test::NewSurface(24, 24);
  expected.DrawFill(*reference, kRed32);
  EXPECT_EQ(Values(image), Values(*reference));
  EXPECT_EQ(image.GetPixel(10, 10), kRed32);
}

TEST_F(PolygonPaintTest, SecondLinesCutHoles) {
  shape.SetLines({{{0, 0}, {6, 0}, {6, 6}, {0, 6}}, {{2, 2}, {4, 2}, {4, 4}, {2, 4}}});
  Paint(6, 6);
  EXPECT_EQ(Picture(image, kRed32).substr(7 * 3),
            "##..##\n"
            "######\n"
            "######\n");
}

TEST_F(PolygonPaintTest, FillAlphaScalesInteriorAndEdges) {
  shape.SetLines({{{2.5f, 2}, {7.5f, 2}, {7.5f, 8}, {2.5f, 8}}});
  const std::vector<TColor32> opaque = Values(Paint(10, 10));
  EXPECT_GT(Alpha(2, 5), 0);
  EXPECT_LT(Alpha(2, 5), 255);
  shape.SetFillAlpha(128);
  const std::vector<TColor32> translucent = Values(Paint(10, 10));
  EXPECT_EQ(image.GetPixel(5, 5), 0x80FF0000u);
  for (size_t i = 0; i < opaque.size(); ++i) {
    EXPECT_EQ(translucent[i], opaque[i] == 0 ? 0u : SetAlpha(opaque[i], AlphaOf(opaque[i]) * 128 / 255)) << i;
  }
}

TEST_F(PolygonPaintTest, NothingSwitchedOnPaintsNothing) {
  shape.SetLines({{{1, 1}, {9, 1}, {5, 9}}});
  shape.SetUseFill(false);
  Paint(10, 10);
  for (TColor32 v : Values(image)) ASSERT_EQ(v, 0u);
}

TEST_F(PolygonPaintTest, OutlineBandIsCentredOnTheEdges) {
  shape.SetLines({{{3, 3}, {13, 3}, {13, 13}, {3, 13}}});
  shape.SetUseOutline(true);
  shape.SetOutlineWidth(2);
  // At one and at two pixels per millimetre the band spans one millimetre each side of the edge.
  for (const float scale : {1.0f, 2.0f}) {
    const int s = static_cast<int>(scale);
    Paint(16 * s, 16 * s, scale);
    EXPECT_EQ(image.GetPixel(0, 8 * s), 0u) << scale;
    EXPECT_EQ(image.GetPixel(1 * s, 8 * s), 0u) << scale;
    EXPECT_EQ(image.GetPixel(2 * s, 8 * s), kBlue32) << scale;
    EXPECT_EQ(image.GetPixel(4 * s - 1, 8 * s), kBlue32) << scale;
    EXPECT_EQ(image.GetPixel(4 * s, 8 * s), kRed32) << scale;
    EXPECT_EQ(image.GetPixel(8 * s, 8 * s), kRed32) << scale;
    EXPECT_EQ(image.GetPixel(8 * s, 14 * s - 1), kBlue32) << scale;
    EXPECT_EQ(image.GetPixel(8 * s, 15 * s), 0u) << scale;
  }
}

TEST_F(PolygonPaintTest, OutlineBandKeepsItsWidthWhenTurned) {
  shape.SetLines({{{3, 3}, {13, 3}, {13, 13}, {3, 13}}});
  shape.SetUseOutline(true);
  shape.SetOutlineWidth(2);
  image.SetSize(16, 16);
  for (const float angle : {90.0f, 180.0f}) {
    TdtpMatrix m;  // turned about the centre (8, 8)
    const float c = std::round(std::cos(angle * static_cast<float>(M_PI) / 180));
    const float sn = std::round(std::sin(angle * static_cast<float>(M_PI) / 180));
    m.M[0][0] = c;
    m.M[1][0] = sn;
    m.M[0][1] = -sn;
    m.M[1][1] = c;
    m.M[2][0] = 8 - 8 * c - 8 * sn;
    m.M[2][1] = 8 + 8 * sn - 8 * c;
    shape.SetPaintMatrix(m);
    shape.PaintBitmap(image);
    EXPECT_EQ(image.GetPixel(1, 8), 0u) << angle;
    EXPECT_EQ(image.GetPixel(2, 8), kBlue32) << angle;
    EXPECT_EQ(image.GetPixel(3, 8), kBlue32) << angle;
    EXPECT_EQ(image.GetPixel(8, 8), kRed32) << angle;
  }
}

TEST_F(PolygonPaintTest, OpenLinesGetNoClosingOutline) {
  shape.SetLines({{{2, 2}, {12, 2}, {12, 12}}});
  shape.SetUseFill(false);
  shape.SetUseOutline(true);
  shape.SetOutlineWidth(2);
  Paint(16, 16);
  EXPECT_EQ(image.GetPixel(7, 7), kBlue32);  // on the closing diagonal
  shape.SetIsClosed(false);
  Paint(16, 16);
  EXPECT_EQ(image.GetPixel(7, 7), 0u);
  EXPECT_EQ(image.GetPixel(7, 2), kBlue32);
  EXPECT_EQ(image.GetPixel(12, 7), kBlue32);
}

TEST_F(PolygonPaintTest, NegativeWidthsDrawNoOutlineAtAll) {
  shape.SetLines({{{3, 3}, {13, 3}, {13, 13}, {3, 13}}});
  shape.SetUseFill(false);
  shape.SetUseOutline(true);
  shape.SetOutlineWidth(-2);
  Paint(16, 16);
  for (TColor32 v : Values(image)) ASSERT_EQ(v, 0u);
}

TEST_F(PolygonPaintTest, ZeroWidthDrawsAHairline) {
  shape.SetLines({{{3, 3}, {13, 3}, {13, 13}, {3, 13}}});
  shape.SetUseFill(false);
  shape.SetUseOutline(true);
  shape.SetOutlineWidth(0);
  Paint(16, 16);
  EXPECT_EQ(Alpha(8, 8), 0);
  EXPECT_EQ(Alpha(8, 0), 0);
  int onEdge = 0;
  for (int x = 4; x < 13; ++x) {
    const int a = std::max(Alpha(x, 2), Alpha(x, 3));
    EXPECT_GT(a, 0) << x;
    EXPECT_EQ(RedOf(image.GetPixel(x, 3)), 0) << x;
    onEdge += a > 0;
  }
  EXPECT_EQ(onEdge, 9);
  // Dashes replace the hairline.
  shape.SetUseStipple(true);
  shape.SetOutlineColor(0x00FF00);
  Paint(16, 16);
  for (TColor32 v : Values(image)) EXPECT_NE(v & 0x00FFFFFF, 0x0000FF00u);
}

// The colour of the strongest pixel of each column of a horizontal line: 'W' white, 'K' black,
// '-' nothing, '?' anything else.
std::string DashColours(const TBitmap32& b, int fromX, int toX) {
  std::string out;
  for (int x = fromX; x < toX; ++x) {
    TColor32 best = 0;
    for (int y = 0; y < b.Height(); ++y) {
      if (AlphaOf(b.GetPixel(x, y)) > AlphaOf(best)) best = b.GetPixel(x, y);
    }
    if (AlphaOf(best) == 0) {
      out += '-';
    } else if (RedOf(best) >= 224 && GreenOf(best) >= 224 && BlueOf(best) >= 224) {
      out += 'W';
    } else if (RedOf(best) <= 32 && GreenOf(best) <= 32 && BlueOf(best) <= 32) {
      out += 'K';
    } else {
      out += '?';
    }
  }
  return out;
}

TEST_F(PolygonPaintTest, DashesRepeatOverTheDashPeriod) {
  shape.SetUseFill(false);
  shape.SetUseStipple(true);
  shape.SetIsClosed(false);
  // Ten parts white and six black over one period, whatever the scale.
  for (const float scale : {1.0f, 4.0f}) {
    shape.SetLines({{{0, 2 / scale}, {70 / scale, 2 / scale}}});
    shape.SetDashPeriod(16 / scale);
    Paint(72, 5, scale);
    const std::string dashes = DashColours(image, 1, 65);
    SCOPED_TRACE(dashes);
    for (size_t x = 0; x + 16 < dashes.size(); ++x) EXPECT_EQ(dashes[x], dashes[x + 16]) << x;
    const std::string period = dashes.substr(16, 16);
    EXPECT_GE(std::count(period.begin(), period.end(), 'W'), 9);
    EXPECT_GE(std::count(period.begin(), period.end(), 'K'), 5);
  }
}

TEST_F(PolygonPaintTest, ClosedDashedLinesReturnToTheirStart) {
  shape.SetUseFill(false);
  shape.SetUseStipple(true);
  shape.SetLines({{{2, 2}, {30, 2}, {30, 12}}});
  shape.SetDashPeriod(2);
  Paint(32, 16);
  EXPECT_GT(Alpha(16, 7) + Alpha(16, 6) + Alpha(17, 7), 0);  // on the closing diagonal
  shape.SetIsClosed(false);
  Paint(32, 16);
  EXPECT_EQ(Alpha(16, 7) + Alpha(16, 6) + Alpha(17, 7), 0);
}

// ---------------------------------------------------------------------------------------------
// Broken point lists

struct BrokenCase {
  const char* Name;
  ArrayOfArrayOfFPoint Lines;
  bool PaintsNothing;
};

std::vector<BrokenCase> BrokenCases() {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  ArrayOfArrayOfFPoint many(1);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-20, 60);
  for (int i = 0; i < 5000; ++i) many[0].push_back({coordinate(random), coordinate(random)});
  return {
      {"no lines", {}, true},
      {"one empty line", {{}}, true},
      {"empty lines", {{}, {}, {}}, true},
      {"one point", {{{5, 5}}}, false},  // a closed line's lone point is a dot of the hairline
      {"not a number", {{{nan, nan}, {nan, 1}, {1, nan}}}, true},
      {"infinite", {{{inf, 0}, {-inf, inf}, {0, -inf}}}, false},
      {"huge", {{{0, 0}, {1e30f, 0}, {0, 1e30f}}}, false},
      {"huge and tiny", {{{-3e38f, 2}, {3e38f, 5}, {1e-40f, 8}}}, false},
      {"thousands", many, false},
  };
}

TEST(PolygonShapeBrokenPoints, PaintWithoutHarmInEveryStyle) {
  struct Style {
    const char* Name;
    bool Fill, Outline, Stipple;
    float Width;
  } const styles[] = {
      {"fill and band", true, true, false, 1},
      {"hairline", false, true, false, 0},
      {"dashes", false, false, true, 0.5f},
  };
  for (const BrokenCase& c : BrokenCases()) {
    for (const Style& st : styles) {
      SCOPED_TRACE(std::string(c.Name) + " / " + st.Name);
      StoredPolygon s;
      s.SetUseFill(st.Fill);
      s.SetUseOutline(st.Outline);
      s.SetUseStipple(st.Stipple);
      s.SetOutlineWidth(st.Width);
      s.SetLines(c.Lines);
      s.UpdateCurbs();
      EXPECT_TRUE(std::isfinite(s.EffectiveCurbLeft()) && std::isfinite(s.EffectiveCurbBottom()));
      auto image = test::NewSurface(24, 24, 0x12345678);
      s.SetPaintMatrix(test::ScaleMatrix(1));
      s.PaintBitmap(*image);
      if (c.PaintsNothing) {
        for (TColor32 v : Values(*image)) ASSERT_EQ(v, 0u);
      }
      (void)s.CreateBodyRegion().Contains(TPoint{3, 3});
    }
  }
}

TEST(PolygonShapeBrokenPoints, HugeTrianglesCoverTheImage) {
  StoredPolygon s;
  s.SetUseOutline(false);
  s.SetLines({{{0, 0}, {1e30f, 0}, {0, 1e30f}}});
  auto image = test::NewSurface(8, 8);
  s.SetPaintMatrix(test::ScaleMatrix(1));
  s.PaintBitmap(*image);
  EXPECT_EQ(image->GetPixel(7, 7), 0xFF0000FFu);
  EXPECT_EQ(image->GetPixel(1, 1), 0xFF0000FFu);
}

TEST(PolygonShapeBrokenPoints, DamagedStoredPointsLoadAndPaint) {
  TXmlDocument xml;
  xml.ParseText(
      "<Shape><DocWidth>20</DocWidth><DocHeight>20</DocHeight><UseFill>True</UseFill>"
      "<UseOutline>True</UseOutline><OutlineWidth>1</OutlineWidth><FillAlpha>900</FillAlpha>"
      "<Polygon><Line/><Line><Point><X>abc</X><Y>1e39</Y></Point><Point><X>nan</X><Y>-inf</Y></Point>"
      "<Point/><Point><X>5</X></Point><Point><Y>5</Y><Y>6</Y></Point><Junk>1</Junk></Line>"
      "<Line><Point><X>1e38</X><Y>-1e38</Y></Point><Point><X>2</X><Y>2</Y></Point><Point><X>3</X><Y>9</Y>"
      "</Point></Line></Polygon></Shape>");
  StoredPolygon s;
  s.LoadFromXml(xml.Root());
  ASSERT_EQ(s.Points().size(), 3u);
  EXPECT_TRUE(s.Points()[0].empty());
  ASSERT_EQ(s.Points()[1].size(), 5u);
  for (const TFloatPoint& p : s.Points()[1]) EXPECT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
  EXPECT_EQ(s.FillAlpha(), 255);
  auto image = test::NewSurface(40, 40);
  s.SetPaintMatrix(test::ScaleMatrix(2));
  s.PaintBitmap(*image);
  EXPECT_TRUE(std::isfinite(s.EffectiveCurbRight()));
}

// ---------------------------------------------------------------------------------------------
// A picture to look at: the sample figure with its outline band and a shadow, and a dashed copy,
// painted at the resolution without a document and composited onto white paper.

TEST(PolygonShapePicture, FillOutlineDashesAndShadow) {
  TdtpPolygonShape solid;
  solid.SetBounds(0, 0, 40, 30);
  solid.SetFillColor(0xE05030);
  solid.SetFillAlpha(200);
  solid.SetOutlineWidth(1.5f);
  auto shadow = std::make_unique<TdtpShadowEffect>();
  shadow->SetColor(0x404040);
  solid.AddEffect(std::move(shadow));
  TdtpPolygonShape dashed;
  dashed.SetBounds(0, 0, 40, 30);
  dashed.SetUseFill(false);
  dashed.SetUseOutline(false);
  dashed.SetUseStipple(true);

  const float d = solid.GetRenderDpm();
  const int side = static_cast<int>(55 * d);
  TBitmap32 paper;
  paper.SetSize(2 * side, side);
  paper.Clear(clWhite32);
  TdtpPolygonShape* const shapes[] = {&solid, &dashed};
  for (int i = 0; i < 2; ++i) {
    TdtpPolygonShape& shape = *shapes[i];
    TBitmap32 layer;
    layer.SetSize(side, side);
    shape.SetPaintMatrix(test::ScaleMatrix(d, 5 * d, 5 * d));
    shape.PaintBitmap(layer);
    shape.ApplyFlip(layer);
    layer.SetDrawMode(dmBlend);
    paper.Draw(TRect{i * side, 0, (i + 1) * side, side}, layer);
  }
  testing::DumpPicture(paper, "polygon_fill_outline_dashes_shadow");

  auto at = [&](float x, float y) { return paper.GetPixel(static_cast<int>(x * d), static_cast<int>(y * d)); };
  // Grey shadow right of and below the figure, whose right edge runs at x = 45 mm.
  EXPECT_LT(RedOf(at(47, 20)), 200);
  EXPECT_EQ(RedOf(at(47, 20)), BlueOf(at(47, 20)));
  EXPECT_EQ(at(52, 20), clWhite32);
  EXPECT_EQ(at(2, 20), clWhite32);  // nothing left of the figure
  // The band is opaque black; the square hole shows paper, darkened by the shadow.
  EXPECT_EQ(at(5, 20), clBlack32);
  const TColor32 hole = at(5 + 12 * 40 / 30.0f, 17);
  EXPECT_EQ(RedOf(hole), GreenOf(hole));
  EXPECT_GT(RedOf(hole), 100);
  // The fill lies translucent over paper and shadow.
  EXPECT_GT(BlueOf(at(10, 20)), 200);
  EXPECT_LT(RedOf(at(10, 20)), 128);
  // The dashed copy's top edge alternates paper and dark dashes.
  int dark = 0;
  int light = 0;
  for (int x = static_cast<int>(60 * d); x < static_cast<int>(95 * d); ++x) {
    const TColor32 c = paper.GetPixel(x, static_cast<int>(5 * d));
    dark += RedOf(c) < 160;
    light += RedOf(c) > 192;
  }
  EXPECT_GT(dark, 20);
  EXPECT_GT(light, 40);
}

}  // namespace
}  // namespace kivrano
