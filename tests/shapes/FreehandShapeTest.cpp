// Freehand lines: point capture through the in-place edit hooks, ending and cancelling the edit,
// persistence and broken stored point lists.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "FigureTestSupport.h"
#include "ShapeTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "platform/Canvas.h"
#include "platform/ViewHost.h"
#include "shapes/dtpFreehandShape.h"
#include "shapes/dtpLineShape.h"

namespace kivrano {
namespace {

using testing::PointsNear;

// A freehand line placed on the page of a document whose screen pixels are page millimetres, and
// being edited in place, as after its insertion.
struct FreehandFixture {
  test::DocumentFixture f;
  TdtpFreehandShape* shape = nullptr;

  explicit FreehandFixture(std::unique_ptr<TdtpFreehandShape> s = std::make_unique<TdtpFreehandShape>()) {
    shape = s.get();
    shape->SetBounds(10, 10, 40, 30);
    f.doc.AddShape(std::move(s));
    f.doc.BeginEditShape(shape);
  }

  bool OnPage() const { return f.doc.CurrentPage()->IndexOfShape(shape) >= 0; }

  // Page millimetres of every point.
  ArrayOfFPoint PagePoints(size_t line) const {
    ArrayOfFPoint page;
    for (const TFloatPoint& p : shape->Points()[line]) page.push_back({p.X + shape->DocLeft(), p.Y + shape->DocTop()});
    return page;
  }
};

TEST(FreehandShape, Defaults) {
  TdtpFreehandShape s;
  EXPECT_EQ(s.ClassName(), "TdtpFreehandShape");
  EXPECT_TRUE(s.AutoRestart());
  EXPECT_TRUE(s.StoresPoints());
  EXPECT_FALSE(s.IsClosed());
  EXPECT_FALSE(s.UseFill());
  EXPECT_TRUE(s.UseOutline());
  EXPECT_EQ(s.OutlineWidth(), 0.5f);
  EXPECT_FALSE(s.Capturing());
  EXPECT_TRUE(s.HasNoPoints());
  TdtpFreehandShape2 dashed;
  EXPECT_EQ(dashed.ClassName(), "TdtpFreehandShape2");
  EXPECT_TRUE(dashed.UseStipple());
}

TEST(FreehandShape, StrokeCapturesPointsAndFitsTheBox) {
  FreehandFixture x;
  const int depthBefore = x.f.doc.UpdateCount();
  x.shape->EditMouseDown(vkLButton, 0, 20, 20);
  EXPECT_TRUE(x.shape->Capturing());
  x.shape->EditMouseMove(vkLButton, 0, 20, 20);  // no movement
  x.shape->EditMouseMove(vkLButton, 0, 30, 25);
  x.shape->EditMouseMove(vkLButton, 0, 30, 25);
  x.shape->EditMouseMove(vkLButton, 0, 40, 15);
  x.shape->EditMouseUp(vkLButton, 0, 41, 15);
  ASSERT_TRUE(x.OnPage());
  EXPECT_FALSE(x.shape->Capturing());
  EXPECT_EQ(x.f.doc.EditedShape(), nullptr);
  // The trailing line started by the release is empty and gone.
  ASSERT_EQ(x.shape->Points().size(), 1u);
  EXPECT_TRUE(PointsNear(x.PagePoints(0), {{20, 20}, {30, 25}, {40, 15}, {41, 15}}));
  // The box sits on the points, which start at (0, 0).
  EXPECT_FLOAT_EQ(x.shape->DocLeft(), 20);
  EXPECT_FLOAT_EQ(x.shape->DocTop(), 15);
  EXPECT_FLOAT_EQ(x.shape->DocWidth(), 21);
  EXPECT_FLOAT_EQ(x.shape->DocHeight(), 10);
  // The undo bracket opened by the edit is closed again.
  EXPECT_EQ(x.f.doc.UpdateCount(), depthBefore - 1);
}

TEST(FreehandShape, SmallMovesAddNoPoints) {
  FreehandFixture x;
  x.f.doc.SetScreenDpm(10);  // a pixel is 0.1 mm
  x.shape->EditMouseDown(vkLButton, 0, 200, 200);
  x.shape->EditMouseMove(vkLButton, 0, 204, 200);  // 0.4 mm
  x.shape->EditMouseMove(vkLButton, 0, 203, 203);  // 0.42 mm
  EXPECT_EQ(x.shape->Points().back().size(), 1u);
  x.shape->EditMouseMove(vkLButton, 0, 206, 200);  // 0.6 mm
  EXPECT_EQ(x.shape->Points().back().size(), 2u);
  // Once the box has moved onto the points, steps are still measured from the last point.
  x.shape->EditMouseMove(vkLButton, 0, 206, 204);  // 0.4 mm from it
  EXPECT_EQ(x.shape->Points().back().size(), 2u);
  x.shape->EditMouseMove(vkLButton, 0, 206, 206);  // 0.6 mm; now the points span an area
  EXPECT_EQ(x.shape->Points().back().size(), 3u);
  x.shape->EditMouseMove(vkLButton, 0, 206, 210);  // 0.4 mm
  EXPECT_EQ(x.shape->Points().back().size(), 3u);
  x.shape->EditMouseMove(vkLButton, 0, 206, 212);  // 0.6 mm
  EXPECT_EQ(x.shape->Points().back().size(), 4u);
}

TEST(FreehandShape, SingleClickRemovesTheShape) {
  FreehandFixture x;
  x.shape->EditMouseDown(vkLButton, 0, 20, 20);
  x.shape->EditMouseUp(vkLButton, 0, 20, 20);
  EXPECT_EQ(x.f.doc.CurrentPage()->GetShapeCount(), 0);
  EXPECT_EQ(x.f.doc.EditedShape(), nullptr);
}

TEST(FreehandShape, SecondStrokeOfOneClickKeepsTheFirst) {
  FreehandFixture x;
  x.shape->EditMouseDown(vkLButton, 0, 20, 20);
  x.shape->EditMouseUp(vkLButton, 0, 30, 30);
  x.f.doc.BeginEditShape(x.shape);
  x.shape->EditMouseDown(vkLButton, 0, 50, 50);
  x.shape->EditMouseUp(vkLButton, 0, 50, 50);
  ASSERT_TRUE(x.OnPage());
  ASSERT_EQ(x.shape->Points().size(), 1u);
  EXPECT_TRUE(PointsNear(x.PagePoints(0), {{20, 20}, {30, 30}}));
}

TEST(FreehandShape, KeysEndTheEdit) {
  const struct {
    int key;
    bool kept;
    bool closed;
  } cases[] = {
      {27, false, false}, {3, false, false},                                   // cancel
      {32, true, true},                                                        // accept closed
      {9, true, false},   {13, true, false}, {43, true, false}, {113, true, false},  // accept
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    FreehandFixture x;
    x.shape->EditMouseDown(vkLButton, 0, 20, 20);
    x.shape->EditMouseMove(vkLButton, 0, 30, 30);
    x.shape->EditKeyDown(c.key, 0);
    EXPECT_EQ(x.f.doc.EditedShape(), nullptr);
    ASSERT_EQ(x.f.doc.CurrentPage()->GetShapeCount(), c.kept ? 1 : 0);
    if (c.kept) {
      EXPECT_EQ(x.shape->IsClosed(), c.closed);
    }
  }
  // Other keys leave the edit running.
  FreehandFixture x;
  x.shape->EditKeyDown('A', 0);
  EXPECT_EQ(x.f.doc.EditedShape(), x.shape);
}

TEST(FreehandShape, RightButtonEndsTheEdit) {
  FreehandFixture x;
  x.shape->EditMouseDown(vkLButton, 0, 20, 20);
  x.shape->EditMouseMove(vkLButton, 0, 30, 30);
  x.shape->EditMouseDown(vkRButton, 0, 40, 40);
  EXPECT_EQ(x.f.doc.EditedShape(), nullptr);
  ASSERT_TRUE(x.OnPage());
  EXPECT_TRUE(PointsNear(x.PagePoints(0), {{20, 20}, {30, 30}}));
}

TEST(FreehandShape, NewLineReusesShortLines) {
  TdtpFreehandShape s;
  s.NewLine();
  EXPECT_EQ(s.Points().size(), 1u);  // the empty line is reused
  s.AddPoint(1, 1);
  s.NewLine();
  ASSERT_EQ(s.Points().size(), 1u);  // a single point is dropped and its line reused
  EXPECT_TRUE(s.Points()[0].empty());
  s.AddPoint(1, 1);
  s.AddPoint(2, 2);
  s.NewLine();
  EXPECT_EQ(s.Points().size(), 2u);
}

TEST(FreehandShape, NoSelectionFrameWhileDrawn) {
  FreehandFixture x;
  x.shape->EditMouseDown(vkLButton, 0, 20, 20);
  x.shape->EditMouseMove(vkLButton, 0, 30, 30);
  TBitmap32 surface;
  surface.SetSize(64, 64);
  surface.Clear(0xFF000000);
  TCanvas canvas(surface);
  x.shape->DrawSelection(canvas);
  for (int y = 0; y < 64; ++y) {
    for (int xx = 0; xx < 64; ++xx) ASSERT_EQ(surface.GetPixel(xx, y), 0xFF000000u);
  }
  x.shape->EditMouseUp(vkLButton, 0, 30, 30);
  x.shape->SetSelected(true);
  x.shape->DrawSelection(canvas);
  int drawn = 0;
  for (int y = 0; y < 64; ++y) {
    for (int xx = 0; xx < 64; ++xx) drawn += surface.GetPixel(xx, y) != 0xFF000000u;
  }
  EXPECT_GT(drawn, 0);
}

// ---- persistence ----

TEST(FreehandPersistence, RoundTrip) {
  TdtpFreehandShape s;
  s.SetAutoRestart(false);
  s.AddPoint(0, 0);
  s.AddPoint(5, 2.5f);
  s.NewLine();
  s.AddPoint(7, 7);
  s.AddPoint(9, 1);
  TdtpFreehandShape copy;
  const std::string xml = test::SaveAndLoad(s, copy);
  EXPECT_LT(xml.find("<Polygon>"), xml.find("<AutoRestart>"));
  EXPECT_FALSE(copy.AutoRestart());
  ASSERT_EQ(copy.Points().size(), 2u);
  EXPECT_TRUE(PointsNear(copy.Points()[0], {{0, 0}, {5, 2.5f}}));
  EXPECT_TRUE(PointsNear(copy.Points()[1], {{7, 7}, {9, 1}}));
}

TEST(FreehandPersistence, DashedFreehandDashesAgainAfterLoading) {
  TdtpFreehandShape2 s;
  s.AddPoint(0, 0);
  s.AddPoint(5, 5);
  TXmlDocument doc("Shape");
  s.SaveToXml(doc.Root());
  RegisterLineShapeClasses();
  std::unique_ptr<TdtpShape> loaded = FindShapeClass("TdtpFreehandShape2").Create();
  auto* dashed = dynamic_cast<TdtpFreehandShape2*>(loaded.get());
  ASSERT_NE(dashed, nullptr);
  dashed->SetUseStipple(false);
  dashed->LoadFromXml(doc.Root());
  EXPECT_TRUE(dashed->UseStipple());
}

TEST(FreehandPersistence, BrokenPointListsNeverCrash) {
  std::string many = "<Line>";
  for (int i = 0; i < 5000; ++i) {
    many += "<Point><X>" + std::to_string(i % 97) + "</X><Y>" + std::to_string((i * 7) % 89) + "</Y></Point>";
  }
  many += "</Line>";
  const struct {
    const char* name;
    std::string lines;
  } cases[] = {
      {"no lines", ""},
      {"empty lines", "<Line/><Line></Line>"},
      {"one point", "<Line><Point><X>3</X><Y>3</Y></Point></Line>"},
      {"not a number", "<Line><Point><X>NaN</X><Y>3</Y></Point><Point><X>9</X><Y>inf</Y></Point></Line>"},
      {"huge", "<Line><Point><X>-3e38</X><Y>3e38</Y></Point><Point><X>3e38</X><Y>-3e38</Y></Point></Line>"},
      {"thousands", many},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TXmlDocument doc;
    doc.ParseText("<Shape><ClassName>TdtpFreehandShape</ClassName><DocWidth>40</DocWidth><DocHeight>30</DocHeight>"
                  "<UseOutline>True</UseOutline><OutlineWidth>0.5</OutlineWidth><IsClosed>False</IsClosed>"
                  "<Polygon>" + c.lines + "</Polygon></Shape>");
    TdtpFreehandShape s;
    s.LoadFromXml(doc.Root());
    for (const ArrayOfFPoint& line : s.Points()) {
      for (const TFloatPoint& p : line) ASSERT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y));
    }
    auto image = test::NewSurface(48, 48);
    s.SetPaintMatrix(test::ScaleMatrix(1));
    s.PaintBitmap(*image);
    s.SetPaintMatrix(test::ScaleMatrix(25));
    s.PaintBitmap(*image);
  }
}

}  // namespace
}  // namespace kivrano
