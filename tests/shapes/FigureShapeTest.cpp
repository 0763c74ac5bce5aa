// The figure classes: registration by name, points built from the box at the painted scale, the
// rounded rectangle's corner properties, persistence and painting.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "FigureTestSupport.h"
#include "ShapeTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "engine/dtpCommand.h"
#include "shapes/dtpFigures.h"

namespace kivrano {
namespace {

using testing::PointsNear;

struct FigureCase {
  std::string name;
  TCursor cursor;
  // The expected point line for a box of w x h at scale pixels per millimetre.
  std::function<std::vector<TFloatPoint>(float w, float h, float scale)> points;
};

std::vector<FigureCase> AllFigures() {
  std::vector<FigureCase> cases = {
      {"TdtpRectangleShape", crDtpCrossRectangle, [](float w, float h, float) { return RectanglePoints(w, h); }},
      {"TdtpRoundRectShape", crDtpCrossRectangle,
       [](float w, float h, float s) { return RoundRectPoints(w, h, 10, 7.5f, s); }},  // corners of the 40 x 30 box
      {"TdtpEllipseShape", crDtpCrossEllipse, [](float w, float h, float s) { return EllipsePoints(w, h, s); }},
      {"TdtpAchtHShape", crDtpCrossRectangle, [](float w, float h, float) { return OctagonPoints(w, h); }},
      {"TdtpDrieHShape", crCross, [](float w, float h, float) { return TrianglePoints(w, h); }},
      {"TdtpVijfHShape", crCross, [](float w, float h, float) { return PentagonPoints(w, h); }},
      {"TdtpZesHShape", crCross, [](float w, float h, float) { return HexagonPoints(w, h); }},
  };
  const char* families[] = {"Hcirkel1", "Hcirkel2", "Hcirkel3", "Hcirkel4", "Kcirkel1", "Kcirkel2", "Kcirkel3", "Kcirkel4"};
  for (int f = 0; f < 8; ++f) {
    for (const char* variant : {"A", "B", "C", "D", "V"}) {
      if (*variant == 'V' && f != 0) continue;  // only the first half arc has a V
      const TArcFamily family = static_cast<TArcFamily>(f);
      const TArcMarks marks = *variant == 'A' ? amBoth : *variant == 'C' ? amStart : *variant == 'D' ? amEnd : amNone;
      cases.push_back({std::string("Tdtp") + families[f] + "Shape" + variant, crCross,
                       [family, marks](float w, float h, float s) { return ArcPoints(family, marks, w, h, s); }});
    }
  }
  return cases;
}

TEST(FigureShape, EveryClassRegisteredAndBuiltFromItsBox) {
  const std::vector<FigureCase> cases = AllFigures();
  ASSERT_EQ(cases.size(), 7u + 33u);
  for (const FigureCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TdtpPolygonShape> shape = testing::CreateFigure(c.name);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->ClassName(), c.name);
    EXPECT_FALSE(shape->StoresPoints());
    EXPECT_EQ(shape->InsertCursor(), c.cursor);
    // Built at the scale of the image being painted.
    shape->SetPaintMatrix(test::ScaleMatrix(3));
    shape->BuildPoints();
    ASSERT_EQ(shape->Points().size(), 1u);
    EXPECT_TRUE(PointsNear(shape->Points()[0], c.points(40, 30, 3)));
  }
}

TEST(FigureShape, HalfArcWithBothMarksStartsAndEndsOnTheBaseLine) {
  TdtpHcirkel1ShapeA arc;
  arc.SetBounds(5, 5, 20, 10);
  arc.SetPaintMatrix(test::ScaleMatrix(6));
  arc.BuildPoints();
  const ArrayOfFPoint& p = arc.Points()[0];
  ASSERT_GE(p.size(), 8u);
  EXPECT_TRUE(PointsNear({p.begin(), p.begin() + 4}, {{0, 10}, {-1, 8}, {1, 8}, {0, 10}}));
  EXPECT_TRUE(PointsNear({p.end() - 4, p.end()}, {{20, 10}, {19, 8}, {21, 8}, {20, 10}}));
}

TEST(FigureShape, ResizingRebuildsMovingDoesNot) {
  TdtpVijfHShape pentagon;
  pentagon.SetBounds(0, 0, 48, 32);
  EXPECT_TRUE(PointsNear(pentagon.Points()[0], PentagonPoints(48, 32)));
  pentagon.SetBounds(100, 50, 48, 32);
  EXPECT_TRUE(PointsNear(pentagon.Points()[0], PentagonPoints(48, 32)));
  pentagon.SetBounds(100, 50, 24, 64);
  EXPECT_TRUE(PointsNear(pentagon.Points()[0], PentagonPoints(24, 64)));
}

TEST(FigureShape, EllipseFollowsTheZoom) {
  TdtpEllipseShape ellipse;
  ellipse.SetBounds(0, 0, 10, 10);
  ellipse.SetPaintMatrix(test::ScaleMatrix(6));
  ellipse.RebuildPolygons();
  EXPECT_EQ(ellipse.Points()[0].size(), 240u);
  ellipse.SetPaintMatrix(test::ScaleMatrix(0.001f));
  ellipse.RebuildPolygons();
  EXPECT_EQ(ellipse.Points()[0].size(), 4u);
}

// ---- rounded rectangle ----

TEST(FigureRoundRect, CornersDefaultToAQuarterOfTheBox) {
  TdtpRoundRectShape r;
  EXPECT_EQ(r.CornerWidth(), 10.0f);
  EXPECT_EQ(r.CornerHeight(), 7.5f);
  r.SetBounds(0, 0, 80, 20);
  r.SetDefaults();
  EXPECT_EQ(r.CornerWidth(), 10.0f);  // the defaults size the box back to 40 x 30 first
  EXPECT_EQ(r.CornerHeight(), 7.5f);
}

TEST(FigureRoundRect, CornerSettersRecordUndoAndRebuild) {
  test::DocumentFixture f;
  TdtpRoundRectShape* r = testing::AddWithoutUndo<TdtpRoundRectShape>(f);
  const int before = f.doc.UndoCount();

  r->SetCornerWidth(4);
  r->SetCornerWidth(4);  // equal: nothing
  r->SetCornerHeight(2);
  ASSERT_EQ(f.doc.UndoCount(), before + 2);
  r->SetPaintMatrix(test::ScaleMatrix(0.3f));
  r->RebuildPolygons();
  EXPECT_TRUE(PointsNear(r->Points()[0], RoundRectPoints(40, 30, 4, 2, 0.3f)));

  f.doc.Undo();
  f.doc.Undo();
  EXPECT_EQ(r->CornerWidth(), 10.0f);
  EXPECT_EQ(r->CornerHeight(), 7.5f);
}

TEST(FigureRoundRect, PropertyByNameAndPersistence) {
  TdtpRoundRectShape r;
  r.SetPropertyByName("cornerwidth", "3.5");
  r.SetPropertyByName("CornerHeight", "1.25");
  r.SetPropertyByName("FillColor", "255");  // the polygon's names still work
  EXPECT_EQ(r.CornerWidth(), 3.5f);
  EXPECT_EQ(r.CornerHeight(), 1.25f);
  EXPECT_EQ(r.FillColor(), 255);

  TdtpRoundRectShape copy;
  const std::string xml = test::SaveAndLoad(r, copy);
  EXPECT_NE(xml.find("<ClassName>TdtpRoundRectShape</ClassName>"), std::string::npos);
  EXPECT_LT(xml.find("<ClassName>"), xml.find("<CornerWidth>"));
  EXPECT_EQ(xml.find("<Polygon"), std::string::npos);  // figures derive their points
  EXPECT_EQ(copy.CornerWidth(), 3.5f);
  EXPECT_EQ(copy.CornerHeight(), 1.25f);
  copy.SetPaintMatrix(test::ScaleMatrix(2));
  copy.RebuildPolygons();
  EXPECT_TRUE(PointsNear(copy.Points()[0], RoundRectPoints(40, 30, 3.5f, 1.25f, 2)));
}

TEST(FigureShape, LoadedByClassNameRebuildsFromTheStoredBox) {
  TdtpKcirkel3ShapeD source;
  source.SetBounds(2, 3, 12, 8);
  source.SetIsClosed(false);
  TXmlDocument doc("Shape");
  source.SaveToXml(doc.Root());
  std::unique_ptr<TdtpPolygonShape> loaded = testing::CreateFigure(doc.Root()->GetString("ClassName", ""));
  ASSERT_NE(loaded, nullptr);
  loaded->LoadFromXml(doc.Root());
  EXPECT_EQ(loaded->ClassName(), "TdtpKcirkel3ShapeD");
  EXPECT_FALSE(loaded->IsClosed());
  EXPECT_TRUE(PointsNear(loaded->Points()[0], ArcPoints(afKcirkel3, amEnd, 12, 8, 1)));
}

// ---- painting ----

TEST(FigureShape, PaintedTriangleFillsInsideAndLeavesCornersClear) {
  TdtpDrieHShape triangle;
  triangle.SetBounds(0, 0, 20, 20);
  triangle.SetUseOutline(false);
  triangle.SetFillColor(0x0000FF);  // red
  auto image = test::NewSurface(40, 40);
  triangle.SetPaintMatrix(test::ScaleMatrix(2));
  triangle.PaintBitmap(*image);
  EXPECT_EQ(image->GetPixel(20, 30), 0xFFFF0000u);  // inside, near the base
  EXPECT_EQ(AlphaOf(image->GetPixel(2, 2)), 0u);    // top-left corner outside
  EXPECT_EQ(AlphaOf(image->GetPixel(37, 2)), 0u);
}

TEST(FigureShape, OpenArcDrawsNoChord) {
  // A half arch opened: its outline follows the arc and the end marks only, so the middle of the
  // base line stays clear; closed, the chord runs along it.
  for (bool closed : {true, false}) {
    TdtpHcirkel1ShapeA arc;
    arc.SetBounds(0, 0, 20, 10);
    arc.SetUseFill(false);
    arc.SetOutlineWidth(0.5f);
    arc.SetIsClosed(closed);
    auto image = test::NewSurface(50, 30);
    arc.SetPaintMatrix(test::ScaleMatrix(2, 5, 5));
    arc.PaintBitmap(*image);
    EXPECT_EQ(AlphaOf(image->GetPixel(25, 25)) > 0, closed) << (closed ? "closed" : "open");
    EXPECT_GT(AlphaOf(image->GetPixel(25, 5)), 0u);  // the top of the arch
  }
}

}  // namespace
}  // namespace kivrano
