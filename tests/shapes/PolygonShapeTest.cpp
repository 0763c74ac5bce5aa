// The polygon shape's model: defaults, points, setters with undo, sizing, margins, hit regions and
// persistence.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "ShapeTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "engine/dtpCommand.h"
#include "shapes/dtpShadowEffects.h"
#include "shapes/dtpShapeClasses.h"

namespace kivrano {
namespace {

using test::StoredPolygon;

void ExpectPoints(const ArrayOfArrayOfFPoint& actual, const ArrayOfArrayOfFPoint& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t l = 0; l < expected.size(); ++l) {
    ASSERT_EQ(actual[l].size(), expected[l].size()) << "line " << l;
    for (size_t i = 0; i < expected[l].size(); ++i) {
      EXPECT_FLOAT_EQ(actual[l][i].X, expected[l][i].X) << "line " << l << " point " << i;
      EXPECT_FLOAT_EQ(actual[l][i].Y, expected[l][i].Y) << "line " << l << " point " << i;
    }
  }
}

TEST(PolygonShape, Defaults) {
  TdtpPolygonShape s;
  EXPECT_EQ(s.ClassName(), "TdtpPolygonShape");
  EXPECT_TRUE(s.IsClosed());
  EXPECT_EQ(s.OutlineWidth(), 0.5f);
  EXPECT_EQ(s.FillAlpha(), 255);
  EXPECT_EQ(s.FillColor(), 0xFF0000);
  EXPECT_EQ(s.OutlineColor(), 0);
  EXPECT_EQ(s.DashPeriod(), 2.0f);
  EXPECT_TRUE(s.UseFill());
  EXPECT_TRUE(s.UseOutline());
  EXPECT_FALSE(s.UseStipple());
  EXPECT_FALSE(s.UseArrow1());
  EXPECT_FALSE(s.UseArrow2());
  EXPECT_FALSE(s.StoresPoints());
  EXPECT_FALSE(s.SmartHitTest());
  EXPECT_EQ(s.DocWidth(), 40.0f);
  EXPECT_EQ(s.DocHeight(), 30.0f);
  EXPECT_TRUE(s.HasNoPoints());
  EXPECT_EQ(s.Points().size(), 1u);
  EXPECT_TRUE(s.PolygonsDirty());
  ASSERT_NE(s.FillPolygon(), nullptr);
  EXPECT_TRUE(s.FillPolygon()->Antialiased());
  EXPECT_EQ(s.FillPolygon()->FillMode(), Alternate);
}

TEST(PolygonShape, SampleFigureFillsTheBox) {
  TdtpPolygonShape s;
  s.BuildPoints();
  const float k = 40.0f / 30.0f;
  ExpectPoints(s.Points(), {{{0, 0}, {0, 30}, {20 * k, 30}, {40, 15}, {40, 0}},
                            {{10 * k, 14}, {14 * k, 14}, {14 * k, 10}, {10 * k, 10}}});
}

TEST(PolygonShape, PointOperations) {
  StoredPolygon s;
  TFloatRect r{1, 1, 1, 1};
  s.GetPointsBounds(r);
  EXPECT_EQ(r, (TFloatRect{0, 0, 0, 0}));
  EXPECT_TRUE(s.HasNoPoints());

  s.AddPoint(2, 3);
  EXPECT_FALSE(s.HasNoPoints());
  s.NewLine();
  s.AddPointRecord({-1, 7});
  s.AddPoint(4, 5);
  s.GetPointsBounds(r);
  EXPECT_EQ(r, (TFloatRect{-1, 3, 4, 7}));

  s.OffsetPoints(1, -3);
  s.ScalePoints(2, 0.5f);
  ExpectPoints(s.Points(), {{{6, 0}}, {{0, 2}, {10, 1}}});

  s.FitPointsToRect({10, 20, 15, 30});
  ExpectPoints(s.Points(), {{{13, 20}}, {{10, 30}, {15, 25}}});

  s.ClearPoints();
  EXPECT_TRUE(s.HasNoPoints());
  EXPECT_EQ(s.Points().size(), 1u);
}

TEST(PolygonShape, FittingFlatPointsOnlyMovesThem) {
  StoredPolygon s;
  s.SetLines({{{3, 1}, {3, 9}}});
  s.FitPointsToRect({10, 10, 20, 20});
  ExpectPoints(s.Points(), {{{10, 10}, {10, 18}}});
  s.FitPointsToRect({0, 0, 0, 5});  // nor into a flat rectangle
  ExpectPoints(s.Points(), {{{0, 0}, {0, 8}}});
}

TEST(PolygonShape, BoundsIgnorePointsThatAreNoNumbers) {
  StoredPolygon s;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  s.SetLines({{{nan, 1}, {2, 3}, {4, nan}, {5, 6}}});
  TFloatRect r;
  s.GetPointsBounds(r);
  EXPECT_EQ(r, (TFloatRect{2, 3, 5, 6}));
}

TEST(PolygonShape, ScaleIsTheMatrixLengthAlongX) {
  TdtpPolygonShape s;
  EXPECT_EQ(s.GetScale(), 1.0f);
  s.SetPaintMatrix(test::ScaleMatrix(3.5f, 10, 10));
  EXPECT_EQ(s.GetScale(), 3.5f);
  TdtpMatrix turned;  // a quarter turn at 2 pixels per millimetre
  turned.M[0][0] = 0;
  turned.M[1][0] = 2;
  turned.M[0][1] = -2;
  turned.M[1][1] = 0;
  s.SetPaintMatrix(turned);
  EXPECT_EQ(s.GetScale(), 2.0f);
  s.SetPaintMatrix(test::ScaleMatrix(0));
  EXPECT_EQ(s.GetScale(), 1.0f);
}

// ---------------------------------------------------------------------------------------------
// Setters and undo

struct SetterCase {
  const char* Name;
  std::function<void(TdtpPolygonShape&)> Change;
  std::function<std::string(const TdtpPolygonShape&)> Read;
  const char* Before;
  const char* After;
};

std::string Text(bool v) { return v ? "true" : "false"; }

const SetterCase kSetters[] = {
    {"FillAlpha", [](auto& s) { s.SetFillAlpha(128); }, [](auto& s) { return std::to_string(s.FillAlpha()); }, "255",
     "128"},
    {"FillColor", [](auto& s) { s.SetFillColor(0x00FF00); }, [](auto& s) { return std::to_string(s.FillColor()); },
     "16711680", "65280"},
    {"OutlineColor", [](auto& s) { s.SetOutlineColor(0x0000FF); },
     [](auto& s) { return std::to_string(s.OutlineColor()); }, "0", "255"},
    {"OutlineWidth", [](auto& s) { s.SetOutlineWidth(2.5f); }, [](auto& s) { return FloatToText(s.OutlineWidth()); },
     "0.5", "2.5"},
    {"UseFill", [](auto& s) { s.SetUseFill(false); }, [](auto& s) { return Text(s.UseFill()); }, "true", "false"},
    {"UseOutline", [](auto& s) { s.SetUseOutline(false); }, [](auto& s) { return Text(s.UseOutline()); }, "true",
     "false"},
    {"UseStipple", [](auto& s) { s.SetUseStipple(true); }, [](auto& s) { return Text(s.UseStipple()); }, "false",
     "true"},
    {"IsClosed", [](auto& s) { s.SetIsClosed(false); }, [](auto& s) { return Text(s.IsClosed()); }, "true", "false"},
    {"UseArrow1", [](auto& s) { s.SetUseArrow1(true); }, [](auto& s) { return Text(s.UseArrow1()); }, "false", "true"},
    {"UseArrow2", [](auto& s) { s.SetUseArrow2(true); }, [](auto& s) { return Text(s.UseArrow2()); }, "false", "true"},
};

class PolygonSetterTest : public ::testing::TestWithParam<SetterCase> {
 protected:
  PolygonSetterTest() {
    auto owned = std::make_unique<TdtpPolygonShape>();
    shape = owned.get();
    f.doc.LockUndo();
    f.doc.AddShape(std::move(owned));
    f.doc.UnlockUndo();
    f.doc.ClearUndo();
  }
  test::DocumentFixture f;
  TdtpPolygonShape* shape = nullptr;
};

TEST_P(PolygonSetterTest, RecordsTheOldValueUnderItsNameAndUndoes) {
  const SetterCase& c = GetParam();
  f.ResetRecords();
  c.Change(*shape);
  EXPECT_EQ(c.Read(*shape), c.After);
  ASSERT_EQ(f.doc.UndoCount(), 1);
  const TdtpCommand* record = f.doc.UndoList().Last();
  EXPECT_EQ(record->Kind(), ckProperty);
  EXPECT_EQ(record->Name(), c.Name);
  EXPECT_FALSE(f.shapeChanged.empty());  // the document heard of it
  EXPECT_TRUE(shape->Modified());
  f.doc.Undo();
  EXPECT_EQ(c.Read(*shape), c.Before);
  f.doc.Redo();
  EXPECT_EQ(c.Read(*shape), c.After);
}

TEST_P(PolygonSetterTest, AnEqualValueRecordsNothingExceptForTheArrowSwitches) {
  const SetterCase& c = GetParam();
  c.Change(*shape);
  f.doc.ClearUndo();
  c.Change(*shape);
  const bool always = std::string(c.Name).rfind("UseArrow", 0) == 0;
  EXPECT_EQ(f.doc.UndoCount(), always ? 1 : 0);
}

TEST_P(PolygonSetterTest, SetPropertyByNameIgnoresCase) {
  const SetterCase& c = GetParam();
  std::string lower = c.Name;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  std::string value = c.After;
  if (value == "true" || value == "false") value = value == "true" ? "True" : "False";
  shape->SetPropertyByName(lower, value);
  EXPECT_EQ(c.Read(*shape), c.After);
}

INSTANTIATE_TEST_SUITE_P(Setters, PolygonSetterTest, ::testing::ValuesIn(kSetters),
                         [](const auto& param) { return std::string(param.param.Name); });

TEST(PolygonShape, OutlineWidthSetsTheCurbsEvenWhenUnchanged) {
  test::DocumentFixture f;
  auto owned = std::make_unique<TdtpPolygonShape>();
  TdtpPolygonShape* s = owned.get();
  f.doc.LockUndo();
  f.doc.AddShape(std::move(owned));
  f.doc.UnlockUndo();
  s->SetCurbs(3, 3, 3, 3);
  f.doc.ClearUndo();
  s->SetOutlineWidth(0.5f);
  EXPECT_EQ(f.doc.UndoCount(), 0);
  EXPECT_EQ(s->CurbLeft(), 0.25f);
  s->SetOutlineWidth(0.1f);
  EXPECT_EQ(s->CurbRight(), 0.1f);  // never below 0.1 mm
  s->SetOutlineWidth(4);
  EXPECT_EQ(s->CurbBottom(), 2.0f);
  EXPECT_TRUE(s->PolygonsDirty());
}

TEST(PolygonShape, ApplyDefaultPolygonStyleRestoresTheStyle) {
  TdtpPolygonShape s;
  s.SetFillAlpha(3);
  s.SetUseFill(false);
  s.SetUseOutline(false);
  s.SetFillColor(0x123456);
  s.SetOutlineColor(0x654321);
  s.SetOutlineWidth(7);
  ApplyDefaultPolygonStyle(&s);
  EXPECT_EQ(s.FillAlpha(), 255);
  EXPECT_TRUE(s.UseFill());
  EXPECT_TRUE(s.UseOutline());
  EXPECT_EQ(s.FillColor(), 0xFF0000);
  EXPECT_EQ(s.OutlineColor(), 0);
  EXPECT_EQ(s.OutlineWidth(), 0.5f);
  ApplyDefaultPolygonStyle(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Size

TEST(PolygonShape, ResizingScalesStoredPoints) {
  StoredPolygon s;
  s.SetLines({{{0, 0}, {40, 30}, {10, 5}}, {{-4, 60}}});
  s.SetBounds(0, 0, 80, 30);
  ExpectPoints(s.Points(), {{{0, 0}, {80, 30}, {20, 5}}, {{-8, 60}}});
  s.SetBounds(0, 0, 40, 15);
  ExpectPoints(s.Points(), {{{0, 0}, {40, 15}, {10, 2.5f}}, {{-4, 30}}});
}

TEST(PolygonShape, ResizingFromOrToNothingKeepsStoredPoints) {
  StoredPolygon s;
  s.SetLines({{{1, 2}, {3, 4}}});
  s.SetBounds(0, 0, 0, 30);
  s.SetBounds(0, 0, 50, 30);
  ExpectPoints(s.Points(), {{{1, 2}, {3, 4}}});
}

TEST(PolygonShape, ResizingTheShapeUnderEditKeepsItsPoints) {
  test::DocumentFixture f;
  auto owned = std::make_unique<StoredPolygon>();
  StoredPolygon* s = owned.get();
  s->SetLines({{{0, 0}, {40, 30}}});
  f.doc.AddShape(std::move(owned));
  f.doc.BeginEditShape(s);
  ASSERT_EQ(f.doc.EditedShape(), s);
  s->SetBounds(0, 0, 80, 60);
  ExpectPoints(s->Points(), {{{0, 0}, {40, 30}}});
  f.doc.EndEditShape(0);
  s->SetBounds(0, 0, 40, 30);
  ExpectPoints(s->Points(), {{{0, 0}, {20, 15}}});
}

TEST(PolygonShape, ResizingRebuildsDerivedPoints) {
  TdtpPolygonShape s;
  s.SetBounds(0, 0, 60, 30);
  ASSERT_EQ(s.Points().size(), 2u);
  EXPECT_FLOAT_EQ(s.Points()[0][3].X, 60);  // (30, 15) of the sample at the new width
  EXPECT_TRUE(s.PolygonsDirty());
}

// ---------------------------------------------------------------------------------------------
// Margins and hit regions

TEST(PolygonShape, MarginsCoverPointsOutsideTheBoxAndTheOutline) {
  StoredPolygon s;
  s.SetOutlineWidth(1);  // curbs 0.5 all round
  s.SetLines({{{-5, -2}, {50, 10}, {20, 40}}});
  s.UpdateCurbs();
  EXPECT_FLOAT_EQ(s.EffectiveCurbLeft(), 6);
  EXPECT_FLOAT_EQ(s.EffectiveCurbTop(), 3);
  EXPECT_FLOAT_EQ(s.EffectiveCurbRight(), 11);
  EXPECT_FLOAT_EQ(s.EffectiveCurbBottom(), 11);
  s.SetUseOutline(false);
  EXPECT_FLOAT_EQ(s.EffectiveCurbLeft(), 5);
  EXPECT_FLOAT_EQ(s.EffectiveCurbBottom(), 10);
  // Effects add to them.
  auto shadow = std::make_unique<TdtpShadowEffect>();
  shadow->SetBlur(0);
  shadow->SetDeltaX(1);
  shadow->SetDeltaY(0);
  s.AddEffect(std::move(shadow));
  EXPECT_FLOAT_EQ(s.EffectiveCurbLeft(), 5);
  EXPECT_FLOAT_EQ(s.EffectiveCurbRight(), 11);
}

TEST(PolygonShape, MarginsInsideTheBoxStayAtTheOutlineCurb) {
  TdtpPolygonShape s;
  s.SetOutlineWidth(0);
  s.UpdateCurbs();
  EXPECT_FLOAT_EQ(s.EffectiveCurbLeft(), 0.1f);
  EXPECT_FLOAT_EQ(s.EffectiveCurbBottom(), 0.1f);
}

TEST(PolygonShape, BodyRegionHasTheHolesOfItsLines) {
  test::DocumentFixture f;  // one pixel per millimetre, page at the origin
  auto owned = std::make_unique<TdtpPolygonShape>();
  TdtpPolygonShape* s = owned.get();
  s->SetBounds(10, 20, 400, 300);
  f.doc.AddShape(std::move(owned));
  s->UpdateCurbs();
  const TScreenRegion region = s->CreateBodyRegion();
  ASSERT_EQ(region.Polygons.size(), 2u);
  EXPECT_EQ(region.Polygons[0].size(), 5u);
  EXPECT_EQ(region.Polygons[0][2], (TPoint{10 + 267, 20 + 300}));  // (20 * 400 / 30, 300) rounded
  // The sample's square hole spans x 133 .. 187, y 100 .. 140 of the shape.
  EXPECT_TRUE(s->HitTest({10 + 60, 20 + 60}));
  EXPECT_FALSE(s->HitTest({10 + 160, 20 + 120}));
  EXPECT_FALSE(s->HitTest({10 + 390, 20 + 290}));  // outside the slanted edge, inside the box
}

// ---------------------------------------------------------------------------------------------
// Persistence

TEST(PolygonShape, SavesAndLoadsStyleAndStoredPoints) {
  StoredPolygon source;
  source.SetBounds(5, 6, 40, 30);
  source.SetOutlineWidth(1.25f);
  source.SetFillAlpha(77);
  source.SetFillColor(0x102030);
  source.SetOutlineColor(0x405060);
  source.SetUseFill(false);
  source.SetIsClosed(false);
  source.SetUseStipple(true);
  source.SetLines({{{1.5f, 2.25f}, {0, 0}}, {}, {{-3, 1e6f}}});

  StoredPolygon target;
  const std::string text = test::SaveAndLoad(source, target);
  EXPECT_EQ(target.OutlineWidth(), 1.25f);
  EXPECT_EQ(target.CurbLeft(), 0.625f);
  EXPECT_EQ(target.FillAlpha(), 77);
  EXPECT_EQ(target.FillColor(), 0x102030);
  EXPECT_EQ(target.OutlineColor(), 0x405060);
  EXPECT_FALSE(target.UseFill());
  EXPECT_TRUE(target.UseOutline());
  EXPECT_FALSE(target.IsClosed());
  EXPECT_FALSE(target.FillPolygon()->Closed());
  EXPECT_FALSE(target.UseStipple()) << "dashes are not stored";
  ExpectPoints(target.Points(), {{{1.5f, 2.25f}, {0, 0}}, {}, {{-3, 1e6f}}});
  EXPECT_NE(text.find("<Polygon>"), std::string::npos) << text;
  EXPECT_EQ(text.find("UseStipple"), std::string::npos) << text;
}

TEST(PolygonShape, DerivedPointsAreNotStored) {
  TdtpPolygonShape source;
  source.SetBounds(0, 0, 60, 30);
  TdtpPolygonShape target;
  const std::string text = test::SaveAndLoad(source, target);
  EXPECT_EQ(text.find("Polygon>"), std::string::npos) << text;
  ExpectPoints(target.Points(), source.Points());
}

TEST(PolygonShape, MissingElementsReadAsTheFileDefaults) {
  TXmlDocument xml;
  xml.ParseText("<Shape><ClassName>TdtpPolygonShape</ClassName></Shape>");
  TdtpPolygonShape s;
  s.LoadFromXml(xml.Root());
  EXPECT_EQ(s.OutlineWidth(), 0.0f);
  EXPECT_EQ(s.FillAlpha(), 0);
  EXPECT_EQ(s.FillColor(), 0);
  EXPECT_FALSE(s.UseFill());
  EXPECT_FALSE(s.UseOutline());
  EXPECT_TRUE(s.IsClosed());
  EXPECT_EQ(s.CurbTop(), 0.1f);
}

TEST(PolygonShape, LoadingIsNoEdit) {
  test::DocumentFixture f;
  auto owned = std::make_unique<TdtpPolygonShape>();
  TdtpPolygonShape* s = owned.get();
  f.doc.AddShape(std::move(owned));
  f.doc.ClearUndo();
  TXmlDocument xml;
  xml.ParseText("<Shape><OutlineWidth>3</OutlineWidth></Shape>");
  s->LoadFromXml(xml.Root());
  EXPECT_EQ(s->OutlineWidth(), 3.0f);
  EXPECT_EQ(f.doc.UndoCount(), 0);
}

TEST(PolygonShape, PagesLoadPolygonsAndEffectShapesByClassName) {
  RegisterStandardShapeClasses();
  EXPECT_EQ(FindShapeClass("TdtpPolygonShape").Create()->ClassName(), "TdtpPolygonShape");
  EXPECT_EQ(FindShapeClass("TdtpEffectShape").Create()->ClassName(), "TdtpEffectShape");

  TdtpShape group;
  auto child = std::make_unique<TdtpPolygonShape>();
  child->SetFillColor(0x00AA00);
  auto shadow = std::make_unique<TdtpShadowEffect>();
  shadow->SetBlur(4);
  child->AddEffect(std::move(shadow));
  group.AddShape(std::move(child));
  TdtpShape loaded;
  test::SaveAndLoad(group, loaded);
  ASSERT_EQ(loaded.GetShapeCount(), 1);
  auto* polygon = dynamic_cast<TdtpPolygonShape*>(loaded.GetShape(0));
  ASSERT_NE(polygon, nullptr);
  EXPECT_EQ(polygon->FillColor(), 0x00AA00);
  ASSERT_EQ(polygon->EffectCount(), 1);
  EXPECT_EQ(dynamic_cast<TdtpShadowEffect*>(polygon->Effects(0))->Blur(), 4.0f);
}

}  // namespace
}  // namespace kivrano
