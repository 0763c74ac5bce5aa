// Lines with arrow heads: end points and their box, the outline ring, handles and point dragging,
// turning, insertion frames, persistence and broken stored lines.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "FigureTestSupport.h"
#include "ShapeTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "platform/Canvas.h"
#include "shapes/dtpLineShape.h"

namespace kivrano {
namespace {

using testing::PointsNear;

void ExpectPoint(TFloatPoint actual, TFloatPoint expected, const char* what = "") {
  EXPECT_NEAR(actual.X, expected.X, 1e-4f) << what;
  EXPECT_NEAR(actual.Y, expected.Y, 1e-4f) << what;
}

void ExpectBox(const TdtpShape& s, float left, float top, float width, float height) {
  EXPECT_NEAR(s.DocLeft(), left, 1e-4f);
  EXPECT_NEAR(s.DocTop(), top, 1e-4f);
  EXPECT_NEAR(s.DocWidth(), width, 1e-4f);
  EXPECT_NEAR(s.DocHeight(), height, 1e-4f);
}

// The drill editor's arrow: open head 2 wide, 3.5 long at the end of a 0.5 mm line.
void MakeEditorArrow(TdtpLineShape& line) {
  line.SetLineWidth(0.5f);
  line.Arrows(1)->SetStyle(OpenArrow);
  line.Arrows(1)->SetWidth(2);
  line.Arrows(1)->SetLength(3.5f);
}

TEST(LineShape, Defaults) {
  TdtpLineShape line;
  EXPECT_EQ(line.ClassName(), "TdtpLineShape");
  EXPECT_EQ(line.FillColor(), 0);
  EXPECT_TRUE(line.IsClosed());
  EXPECT_FALSE(line.StoresPoints());
  EXPECT_FALSE(line.UseOutline());
  EXPECT_TRUE(line.UseFill());
  EXPECT_EQ(line.LineWidth(), 1.0f);
  EXPECT_EQ(line.InsertCursor(), crDtpCrossLine);
  EXPECT_EQ(line.PointCount(), 2);
  ASSERT_NE(line.Arrows(0), nullptr);
  ASSERT_NE(line.Arrows(1), nullptr);
  EXPECT_EQ(line.Arrows(2), nullptr);
  EXPECT_EQ(line.Arrows(-1), nullptr);
  EXPECT_EQ(line.Arrows(0)->Style(), NoArrow);
  EXPECT_EQ(line.Arrows(0)->Width(), 5.0f);
  EXPECT_EQ(line.Arrows(0)->Length(), 7.0f);
  // Created from the box's top-left to its bottom-right corner.
  ExpectPoint(line.GetPoint(0), {0, 0});
  ExpectPoint(line.GetPoint(1), {40, 30});
  ExpectPoint(line.GetPoint(2), {0, 0});
}

TEST(LineShape, SettingPointsFitsTheBox) {
  TdtpLineShape line;
  line.SetPoint(0, {50, 20});
  line.SetPoint(1, {10, 60});
  ExpectBox(line, 10, 20, 40, 40);
  ExpectPoint(line.GetPoint(0), {50, 20});
  ExpectPoint(line.GetPoint(1), {10, 60});
  // A horizontal line gets a box 1 mm high, the line along its top.
  line.SetPoint(1, {80, 20});
  ExpectBox(line, 50, 20, 30, 1);
  ExpectPoint(line.GetPoint(1), {80, 20});
  // Other indices and unusable points change nothing.
  line.SetPoint(2, {0, 0});
  line.SetPoint(0, {std::numeric_limits<float>::quiet_NaN(), 5});
  ExpectBox(line, 50, 20, 30, 1);
}

TEST(LineShape, OutlineRingInLocalMillimetres) {
  TdtpLineShape line;
  MakeEditorArrow(line);
  line.SetPoint(0, {10, 10});
  line.SetPoint(1, {30, 10});
  line.BuildPoints();
  ASSERT_EQ(line.Points().size(), 1u);
  // 2 points for the plain start, 9 for the open head; page (10, 10) is local (0, 0).
  EXPECT_TRUE(PointsNear(line.Points()[0], {{0, 0.25f},
                                             {0, -0.25f},
                                             {16.5f, -0.25f},
                                             {17.30497f, -0.25f},
                                             {16.5f, -0.47999f},
                                             {16.5f, -1},
                                             {20, 0},
                                             {16.5f, 1},
                                             {16.5f, 0.47999f},
                                             {17.30497f, 0.25f},
                                             {16.5f, 0.25f}}));
}

TEST(LineShape, CoincidingEndsKeepThePreviousOutline) {
  TdtpLineShape line;
  line.SetPoint(0, {0, 0});
  line.SetPoint(1, {10, 0});
  line.BuildPoints();
  const ArrayOfArrayOfFPoint before = line.Points();
  ASSERT_EQ(before[0].size(), 4u);
  line.SetPoint(1, {0, 0});
  line.BuildPoints();
  ASSERT_EQ(line.Points().size(), 1u);
  EXPECT_EQ(line.Points()[0].size(), 4u);
}

TEST(LineShape, HeadsRepaintWithoutUndo) {
  test::DocumentFixture f;
  TdtpLineShape* line = testing::AddWithoutUndo<TdtpLineShape>(f);
  const int undo = f.doc.UndoCount();
  f.ResetRecords();
  line->RebuildPolygons();
  ASSERT_FALSE(line->PolygonsDirty());
  line->Arrows(0)->SetStyle(Diamond);
  EXPECT_TRUE(line->PolygonsDirty());
  line->SetLineWidth(2);
  line->Arrows(1)->SetLength(3);
  EXPECT_EQ(f.doc.UndoCount(), undo);
  EXPECT_FALSE(f.shapeChanged.empty());
}

TEST(LineShape, HandlesAreTheEndPoints) {
  TdtpLineShape line;
  line.SetPoint(0, {30, 10});
  line.SetPoint(1, {10, 20});
  line.UpdateHandles();
  ASSERT_EQ(line.HandleCount(), 2);
  EXPECT_EQ(line.Handle(0)->Kind, hkPoint);
  EXPECT_NEAR(line.Handle(0)->X, 20, 1e-4f);
  EXPECT_NEAR(line.Handle(0)->Y, 0, 1e-4f);
  EXPECT_NEAR(line.Handle(1)->X, 0, 1e-4f);
  EXPECT_NEAR(line.Handle(1)->Y, 10, 1e-4f);
  ASSERT_EQ(line.EdgeCount(), 1);
  EXPECT_EQ(line.Edge(0)->Kind, hkMove);
  EXPECT_EQ(line.Edge(0)->FromHandle, 0);
  EXPECT_EQ(line.Edge(0)->ToHandle, 1);
}

TEST(LineShape, DraggingAnEndPointMovesOnlyThatPoint) {
  test::DocumentFixture f;
  auto owned = std::make_unique<TdtpLineShape>();
  TdtpLineShape* line = owned.get();
  f.doc.AddShape(std::move(owned));
  line->SetPoint(0, {10, 10});
  line->SetPoint(1, {30, 20});
  line->SetSelected(true);
  line->UpdateHandles();
  // Pick the handle of point 1 on the screen (one pixel per millimetre).
  const TPoint at = line->HandleScreenPoint(1);
  ASSERT_EQ(line->HitTestHandle(at), hkPoint);
  ASSERT_EQ(line->TrackHandle(), 1);
  // What tracking a point drag leaves: the box as it is, the dragged handle moved.
  line->SetTracking(line->DocLeft(), line->DocTop(), line->DocWidth(), line->DocHeight(), line->DocAngle());
  line->SetHandleTrack(1, line->Handle(1)->X + 5, line->Handle(1)->Y + 15);
  line->ApplyTracking();
  ExpectPoint(line->GetPoint(0), {10, 10}, "point 0");
  ExpectPoint(line->GetPoint(1), {35, 35}, "point 1");
  ExpectBox(*line, 10, 10, 25, 25);
}

TEST(LineShape, MovingTheBoxMovesTheWholeLine) {
  TdtpLineShape line;
  line.SetPoint(0, {10, 10});
  line.SetPoint(1, {30, 20});
  line.SetTracking(15, 12, 20, 10, 0);
  line.ApplyTracking();
  ExpectPoint(line.GetPoint(0), {15, 12});
  ExpectPoint(line.GetPoint(1), {35, 22});
}

TEST(LineShape, InsertFrameDraggedBackwardsPointsTheLineBackwards) {
  const struct {
    TFloatRect frame;
    TFloatPoint p0, p1;
  } cases[] = {
      {{10, 10, 30, 20}, {10, 10}, {30, 20}},
      {{30, 10, 10, 20}, {30, 10}, {10, 20}},  // leftwards
      {{10, 20, 30, 10}, {10, 20}, {30, 10}},  // upwards
      {{30, 20, 10, 10}, {30, 20}, {10, 10}},  // both
  };
  for (const auto& c : cases) {
    TdtpLineShape line;
    line.SetBoundsRect(c.frame);
    ExpectPoint(line.GetPoint(0), c.p0, "start");
    ExpectPoint(line.GetPoint(1), c.p1, "end");
  }
}

TEST(LineShape, TurningMovesTheEndPointsAndKeepsTheAngle) {
  TdtpLineShape line;
  line.SetPoint(0, {10, 10});
  line.SetPoint(1, {30, 10});
  // Counter-clockwise on the screen about the box's centre (the engine's rotation entry).
  line.SetAngleAroundCenter(90);
  EXPECT_EQ(line.DocAngle(), 0.0f);
  // The box was 20 x 1 mm with the line along its top; its centre (20, 10.5) stays.
  ExpectPoint(line.GetPoint(0), {19.5f, 20.5f}, "start");
  ExpectPoint(line.GetPoint(1), {19.5f, 0.5f}, "end");
  // Direct turn: about the box's origin.
  TdtpLineShape direct;
  direct.SetPoint(0, {0, 0});
  direct.SetPoint(1, {20, 10});
  direct.SetDocAngle(90);
  EXPECT_EQ(direct.DocAngle(), 0.0f);
  ExpectPoint(direct.GetPoint(0), {0, 0});
  ExpectPoint(direct.GetPoint(1), {10, -20});
}

TEST(LineShape, InsertFrameIsADottedDiagonal) {
  TBitmap32 surface;
  surface.SetSize(20, 20);
  surface.Clear(0xFF000000);
  TCanvas canvas(surface);
  TdtpLineShape line;
  line.DrawInsertFrame(canvas, TRect{2, 2, 17, 17}, clWhite);
  int lit = 0;
  for (int i = 2; i < 17; ++i) lit += (surface.GetPixel(i, i) & 0xFFFFFF) != 0;
  EXPECT_GT(lit, 3);
  EXPECT_LT(lit, 15);  // dotted
  EXPECT_EQ(surface.GetPixel(16, 2) & 0xFFFFFF, 0u);  // no frame
  EXPECT_EQ(surface.GetPixel(2, 16) & 0xFFFFFF, 0u);
}

// ---- persistence ----

TEST(LinePersistence, RoundTripAndElementOrder) {
  TdtpLineShape line;
  MakeEditorArrow(line);
  line.Arrows(0)->SetStyle(Oval);
  line.SetPoint(0, {12.5f, 40});
  line.SetPoint(1, {60, 22.25f});
  TdtpLineShape copy;
  const std::string xml = test::SaveAndLoad(line, copy);
  // The line's own elements come before the polygon's, ClassName included.
  EXPECT_LT(xml.find("<Arrow0>"), xml.find("<Arrow1>"));
  EXPECT_LT(xml.find("<Arrow1>"), xml.find("<Points>"));
  EXPECT_LT(xml.find("<Points>"), xml.find("<LineWidth>"));
  EXPECT_LT(xml.find("<LineWidth>"), xml.find("<ClassName>"));
  EXPECT_NE(xml.find("<Style>OpenArrow</Style>"), std::string::npos);
  EXPECT_EQ(xml.find("<Polygon"), std::string::npos);
  EXPECT_EQ(copy.Arrows(0)->Style(), Oval);
  EXPECT_EQ(copy.Arrows(1)->Style(), OpenArrow);
  EXPECT_EQ(copy.Arrows(1)->Width(), 2.0f);
  EXPECT_EQ(copy.Arrows(1)->Length(), 3.5f);
  EXPECT_EQ(copy.LineWidth(), 0.5f);
  ExpectPoint(copy.GetPoint(0), {12.5f, 40});
  ExpectPoint(copy.GetPoint(1), {60, 22.25f});
  copy.BuildPoints();
  line.BuildPoints();
  EXPECT_TRUE(PointsNear(copy.Points()[0], line.Points()[0]));
}

TEST(LinePersistence, UnknownStyleLeavesTheStyle) {
  TXmlDocument doc("Arrow");
  doc.Root()->PutString("Style", "arrow", "");
  doc.Root()->PutFloat("Width", 3, 0);
  TdtpLineShape line;
  line.Arrows(0)->SetStyle(Diamond);
  line.Arrows(0)->LoadFromXml(doc.Root());
  EXPECT_EQ(line.Arrows(0)->Style(), Diamond);
  EXPECT_EQ(line.Arrows(0)->Width(), 3.0f);
  EXPECT_EQ(line.Arrows(0)->Length(), 0.0f);  // absent: 0
}

TEST(LinePersistence, DashedLineDashesAgainAfterLoading) {
  TdtpLineShape2 dashed;
  EXPECT_EQ(dashed.ClassName(), "TdtpLineShape2");
  EXPECT_TRUE(dashed.UseStipple());
  dashed.SetPoint(0, {0, 0});
  dashed.SetPoint(1, {30, 0});
  TXmlDocument doc("Shape");
  dashed.SaveToXml(doc.Root());
  EXPECT_EQ(doc.Root()->FindChild("UseStipple"), nullptr);  // not stored
  RegisterLineShapeClasses();
  std::unique_ptr<TdtpShape> loaded = FindShapeClass("TdtpLineShape2").Create();
  loaded->LoadFromXml(doc.Root());
  auto* line = dynamic_cast<TdtpLineShape2*>(loaded.get());
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->UseStipple());
}

// Stored lines as a damaged or hostile file may hold them.
std::string LineXml(const std::string& points) {
  return "<Shape><Points>" + points + "</Points><LineWidth>1</LineWidth><ClassName>TdtpLineShape</ClassName>"
         "<DocLeft>0</DocLeft><DocTop>0</DocTop><DocWidth>40</DocWidth><DocHeight>30</DocHeight>"
         "<UseFill>True</UseFill><FillAlpha>255</FillAlpha><Visible>True</Visible></Shape>";
}

std::string PointXml(const std::string& x, const std::string& y) {
  return "<Point><X>" + x + "</X><Y>" + y + "</Y></Point>";
}

int PaintedPixels(TdtpLineShape& line, float scale) {
  auto image = test::NewSurface(64, 64, 0x12345678);
  line.SetPaintMatrix(test::ScaleMatrix(scale));
  line.PaintBitmap(*image);
  int painted = 0;
  for (int y = 0; y < image->Height(); ++y) {
    for (int x = 0; x < image->Width(); ++x) painted += AlphaOf(image->GetPixel(x, y)) != 0;
  }
  return painted;
}

TEST(LinePersistence, BrokenPointListsPaintNothingWrong) {
  std::string thousands;
  for (int i = 0; i < 3000; ++i) thousands += PointXml(std::to_string(i % 50), std::to_string(i % 40));
  const struct {
    const char* name;
    std::string points;
    bool paints;
  } cases[] = {
      {"no points", "", false},
      {"one point", PointXml("5", "5"), false},
      {"not a number", PointXml("5", "5") + PointXml("NaN", "7"), false},
      {"unreadable", PointXml("5", "5") + PointXml("x", "7"), false},
      {"beyond a single", PointXml("5", "5") + PointXml("1e300", "7"), false},
      {"equal points", PointXml("5", "5") + PointXml("5", "5"), false},
      {"huge but finite", PointXml("-1e30", "5") + PointXml("1e30", "5"), true},
      {"thousands (first two count)", thousands, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TXmlDocument doc;
    doc.ParseText(LineXml(c.points));
    TdtpLineShape line;
    line.LoadFromXml(doc.Root());
    EXPECT_LE(line.PointCount(), 2);
    EXPECT_TRUE(std::isfinite(line.DocLeft()) && std::isfinite(line.DocWidth()));
    EXPECT_EQ(PaintedPixels(line, 2) > 0, c.paints);
  }
}

}  // namespace
}  // namespace kivrano
