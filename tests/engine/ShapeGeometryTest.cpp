#include <gtest/gtest.h>

#include <cmath>

#include "EngineTestSupport.h"
#include "base/Exception.h"

namespace kivrano {
namespace {

using test::DocumentFixture;

TEST(ShapeAngle, IsKeptInOneTurn) {
  struct Case {
    float set, stored;
  } cases[] = {{-90, 270}, {720, 0}, {360, 0}, {45, 45}, {-360, 0}, {-1e-8f, 0}, {725.5f, 5.5f}};
  for (const Case& c : cases) {
    TdtpShape shape;
    shape.SetDocAngle(c.set);
    EXPECT_EQ(shape.DocAngle(), c.stored) << c.set;
    EXPECT_GE(shape.DocAngle(), 0.0f);
    EXPECT_LT(shape.DocAngle(), 360.0f);
  }
}

TEST(ShapeAngle, SameAngleTwiceRecordsOnceAndNotifiesOnce) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  const int before = f.doc.UndoCount();
  s->SetDocAngle(-90);
  s->SetDocAngle(-90);
  EXPECT_EQ(f.doc.UndoCount(), before + 1);
  EXPECT_EQ(f.shapeChanged.size(), 1u);
}

TEST(ShapeAngle, TurningAroundTheCentreKeepsTheCentre) {
  TdtpShape shape;
  shape.SetBounds(0, 0, 20, 10);
  shape.SetAngleAroundCenter(90);
  EXPECT_EQ(shape.DocLeft(), 5.0f);
  EXPECT_EQ(shape.DocTop(), 15.0f);
  EXPECT_EQ(shape.DocAngle(), 90.0f);
  const TFloatPoint centre = shape.LocalToParent(TFloatPoint{10, 5});
  EXPECT_EQ(centre.X, 10.0f);
  EXPECT_EQ(centre.Y, 5.0f);
  // Back again, and at an odd angle the centre stays within rounding.
  shape.SetAngleAroundCenter(0);
  EXPECT_EQ(shape.DocLeft(), 0.0f);
  EXPECT_EQ(shape.DocTop(), 0.0f);
  shape.SetAngleAroundCenter(33);
  const TFloatPoint c2 = shape.LocalToParent(TFloatPoint{10, 5});
  EXPECT_NEAR(c2.X, 10.0f, 1e-4);
  EXPECT_NEAR(c2.Y, 5.0f, 1e-4);
}

TEST(ShapeFrames, PositiveAnglesTurnCounterClockwiseOnScreen) {
  TdtpShape shape;
  shape.SetBoundsAndAngle(100, 50, 20, 10, 90);
  // The local x axis points up on a y-down screen.
  const TFloatPoint p = shape.LocalToParent(TFloatPoint{20, 0});
  EXPECT_EQ(p.X, 100.0f);
  EXPECT_EQ(p.Y, 30.0f);
  const TFloatPoint back = shape.ParentToLocal(p);
  EXPECT_EQ(back.X, 20.0f);
  EXPECT_EQ(back.Y, 0.0f);
  const TFloatRect r = shape.GetBoundsRect();
  EXPECT_EQ(r.Left, 100.0f);
  EXPECT_EQ(r.Top, 30.0f);
  EXPECT_EQ(r.Right, 110.0f);
  EXPECT_EQ(r.Bottom, 50.0f);
}

TEST(ShapeFrames, NestedShapesMapThroughEveryParentToTheScreen) {
  DocumentFixture f;
  f.doc.SetScreenDpm(2);
  TdtpShape* group = f.Add(10, 20, 50, 50);
  auto child = std::make_unique<TdtpShape>();
  child->SetBoundsAndAngle(5, 5, 10, 10, 180);
  TdtpShape* c = child.get();
  group->AddShape(std::move(child));
  const TFloatPoint page = c->LocalToPage(TFloatPoint{1, 2});
  EXPECT_FLOAT_EQ(page.X, 10 + 5 - 1);
  EXPECT_FLOAT_EQ(page.Y, 20 + 5 - 2);
  const TFloatPoint screen = c->LocalToScreen(TFloatPoint{1, 2});
  EXPECT_FLOAT_EQ(screen.X, 28);
  EXPECT_FLOAT_EQ(screen.Y, 46);
  const TFloatPoint local = c->ScreenToLocal(screen);
  EXPECT_NEAR(local.X, 1, 1e-5);
  EXPECT_NEAR(local.Y, 2, 1e-5);
  // A mouse movement of (4, 0) pixels is 2 mm, pointing left in the turned child's frame.
  const TFloatPoint delta = c->ScreenDeltaToLocal(TFloatPoint{4, 0});
  EXPECT_FLOAT_EQ(delta.X, -2);
  EXPECT_NEAR(delta.Y, 0, 1e-6);
}

TEST(ShapeGeometry, BoundsSidesMoveTheShapeWithItsSize) {
  TdtpShape shape;
  shape.SetBoundsAndAngle(0, 0, 20, 10, 90);  // bounds (0, -20)-(10, 0)
  shape.SetBoundsRight(50);
  EXPECT_EQ(shape.BoundsRight(), 50.0f);
  EXPECT_EQ(shape.BoundsLeft(), 40.0f);
  shape.SetBoundsTop(0);
  EXPECT_EQ(shape.BoundsTop(), 0.0f);
  EXPECT_EQ(shape.BoundsBottom(), 20.0f);
  shape.SetCenter(100, 100);
  EXPECT_EQ(shape.BoundsLeft(), 95.0f);
  EXPECT_EQ(shape.BoundsTop(), 90.0f);
  EXPECT_EQ(shape.DocWidth(), 20.0f);
}

TEST(ShapeGeometry, ConstrainSizeCases) {
  struct Case {
    const char* name;
    bool allowResize;
    bool preserve;
    float ratio;
    float minW, minH, maxW, maxH;
    float askW, askH;
    float wantW, wantH;
    bool result;
  } cases[] = {
      {"resize not allowed", false, false, 0, 0, 0, 0, 0, 99, 99, 30, 20, false},
      {"aspect 2 of 10x10", true, true, 2, 0, 0, 0, 0, 10, 10, 10, 5, true},
      {"aspect 2 of 40x10", true, true, 2, 0, 0, 0, 0, 40, 10, 20, 10, true},
      {"zero size", true, false, 0, 0, 0, 0, 0, 0, 0, 0.1f, 0.1f, true},
      {"limits", true, false, 0, 5, 6, 50, 60, 1, 100, 5, 60, true},
      {"aspect below min width", true, true, 2, 30, 0, 0, 0, 10, 10, 30, 15, true},
      {"aspect below min height", true, true, 2, 0, 30, 0, 0, 10, 10, 60, 30, true},
      {"preserve without a ratio keeps the size", true, true, 0, 0, 0, 0, 0, 12, 7, 12, 7, true},
  };
  for (const Case& c : cases) {
    TdtpShape shape;
    shape.SetBounds(0, 0, 30, 20);
    shape.SetAllowResize(c.allowResize);
    shape.SetPreserveAspect(c.preserve);
    shape.SetAspectRatio(c.ratio);
    shape.Constraints().SetMinWidth(c.minW);
    shape.Constraints().SetMinHeight(c.minH);
    shape.Constraints().SetMaxWidth(c.maxW);
    shape.Constraints().SetMaxHeight(c.maxH);
    float w = c.askW, h = c.askH;
    EXPECT_EQ(shape.ConstrainSize(w, h), c.result) << c.name;
    EXPECT_FLOAT_EQ(w, c.wantW) << c.name;
    EXPECT_FLOAT_EQ(h, c.wantH) << c.name;
  }
}

TEST(ShapeGeometry, SetBoundsRectNormalisesAndConstrains) {
  TdtpShape shape;
  shape.Constraints().SetMaxWidth(15);
  shape.SetBoundsRect(TFloatRect{30, 40, 10, 20});
  EXPECT_EQ(shape.DocLeft(), 10.0f);
  EXPECT_EQ(shape.DocTop(), 20.0f);
  EXPECT_EQ(shape.DocWidth(), 15.0f);
  EXPECT_EQ(shape.DocHeight(), 20.0f);
}

TEST(GroupedLayout, ChildrenFollowTheirAnchors) {
  // A group of 100 x 50 mm grows to 200 x 100 mm; its child sits at (10, 10) with size 20 x 10.
  struct Case {
    const char* name;
    TdtpAnchors anchors;
    bool parentAllowResize;
    float wantX, wantW, wantY, wantH;
  } cases[] = {
      {"default: proportional centre and size", AnchorBit(DefaultAnchor), true, 20, 40, 20, 20},
      {"default, group not resizable: size kept", AnchorBit(DefaultAnchor), false, 30, 20, 25, 10},
      {"left lock only", AnchorBit(LeftLock), true, 10, 20, 10, 10},
      {"locks with proportional width", AnchorBit(LeftLock) | AnchorBit(TopLock) | AnchorBit(SizeXProp), true, 10,
       40, 10, 10},
      {"proportional position only", AnchorBit(PosXProp) | AnchorBit(PosYProp), true, 30, 20, 25, 10},
      {"proportional position and size", AnchorBit(PosXProp) | AnchorBit(SizeXProp), true, 20, 40, 10, 10},
      {"no flags: far edge kept", 0, true, 10, 20, 10, 10},
      {"far edge with proportional width", AnchorBit(SizeXProp), true, -10, 40, 10, 10},
  };
  for (const Case& c : cases) {
    TdtpShape group;
    group.SetBounds(0, 0, 100, 50);
    group.SetGrouped(true);
    group.SetAllowResize(c.parentAllowResize);
    auto child = std::make_unique<TdtpShape>();
    child->SetBounds(10, 10, 20, 10);
    child->SetAnchors(c.anchors);
    TdtpShape* ch = child.get();
    group.AddShape(std::move(child));
    group.SetDocSize(200, 100);
    EXPECT_FLOAT_EQ(ch->DocLeft(), c.wantX) << c.name;
    EXPECT_FLOAT_EQ(ch->DocWidth(), c.wantW) << c.name;
    EXPECT_FLOAT_EQ(ch->DocTop(), c.wantY) << c.name;
    EXPECT_FLOAT_EQ(ch->DocHeight(), c.wantH) << c.name;
    EXPECT_EQ(group.DocWidth(), 200.0f) << c.name;
  }
}

TEST(GroupedLayout, NotGroupedShapesLeaveChildrenAlone) {
  TdtpShape group;
  group.SetBounds(0, 0, 100, 50);
  auto child = std::make_unique<TdtpShape>();
  child->SetBounds(10, 10, 20, 10);
  TdtpShape* ch = child.get();
  group.AddShape(std::move(child));
  group.SetDocSize(200, 100);
  EXPECT_EQ(ch->DocLeft(), 10.0f);
  EXPECT_EQ(ch->DocWidth(), 20.0f);
}

TEST(ShapeGeometry, UnchangedGeometryHasNoEffect) {
  DocumentFixture f;
  TdtpShape* s = f.Add(1, 2, 3, 4);
  int bounds = 0;
  s->OnBoundsChanged = [&](TdtpShape*) { ++bounds; };
  const int undo = f.doc.UndoCount();
  s->SetDocLeft(1);
  s->SetBounds(1, 2, 3, 4);
  s->SetBoundsAndAngle(1, 2, 3, 4, 360);
  s->SetDocAngle(0);
  s->SetMasterAlpha(255);
  EXPECT_EQ(bounds, 0);
  EXPECT_EQ(f.doc.UndoCount(), undo);
  EXPECT_TRUE(f.shapeChanged.empty());
  s->SetDocTop(7);
  EXPECT_EQ(bounds, 1);
}

TEST(ShapeCurbs, EffectiveCurbsFollowMirroringAndFlipping) {
  TdtpShape shape;
  shape.SetBounds(0, 0, 10, 10);
  shape.SetCurbs(1, 2, 3, 4);
  EXPECT_EQ(shape.EffectiveCurbLeft(), 1.0f);
  shape.SetMirrored(true);
  EXPECT_EQ(shape.EffectiveCurbLeft(), 3.0f);
  EXPECT_EQ(shape.EffectiveCurbRight(), 3.0f);
  shape.SetFlipped(true);
  EXPECT_EQ(shape.EffectiveCurbTop(), 4.0f);
  const TFloatRect r = shape.GetBoundsRectWithCurbs();
  EXPECT_EQ(r.Left, -3.0f);
  EXPECT_EQ(r.Top, -4.0f);
  EXPECT_EQ(r.Right, 13.0f);
  EXPECT_EQ(r.Bottom, 14.0f);
}

TEST(ShapeDefaults, SetDefaultsResetsStateButKeepsNameCurbsAndConstraints) {
  TdtpShape shape;
  shape.SetName("kegel");
  shape.SetCurbs(1, 1, 1, 1);
  shape.Constraints().SetMaxWidth(9);
  shape.SetEnabled(false);
  shape.SetGrouped(true);
  shape.SetBoundsAndAngle(1, 2, 3, 4, 5);
  shape.SetMasterAlpha(3);
  shape.SetDefaults();
  EXPECT_TRUE(shape.Enabled());
  EXPECT_EQ(shape.DocWidth(), 0.0f);
  EXPECT_EQ(shape.DocAngle(), 0.0f);
  EXPECT_EQ(shape.MasterAlpha(), 255);
  EXPECT_EQ(shape.Name(), "kegel");
  EXPECT_EQ(shape.CurbLeft(), 1.0f);
  EXPECT_EQ(shape.Constraints().MaxWidth(), 9.0f);
  EXPECT_TRUE(shape.Grouped());
  EXPECT_EQ(shape.Anchors(), kDefaultAnchors);
}

TEST(TextConversions, RoundTripAndRejectNonNumbers) {
  EXPECT_EQ(TextToFloat(FloatToText(0.1f)), 0.1f);
  EXPECT_EQ(TextToFloat(FloatToText(-123.456f)), -123.456f);
  EXPECT_EQ(FloatToText(270), "270");
  EXPECT_THROW(TextToFloat("abc"), Exception);
  EXPECT_THROW(TextToFloat(""), Exception);
  EXPECT_EQ(TextToInteger("42"), 42);
  EXPECT_THROW(TextToInteger("4x"), Exception);
  const struct {
    const char* text;
    bool value;
  } booleans[] = {{"True", true}, {"t", true}, {"Yes", true}, {"y", true}, {"False", false}, {"", false}, {"1", false}};
  for (const auto& b : booleans) EXPECT_EQ(TextToBoolean(b.text), b.value) << b.text;
  EXPECT_EQ(FontStyleToText(TFontStyles{fsStrikeOut, fsBold, fsUnderline}), "BUS");
  EXPECT_EQ(TextToFontStyle("SI"), (TFontStyles{fsItalic, fsStrikeOut}));
  EXPECT_EQ(TextToFontStyle(""), TFontStyles{});
}

}  // namespace
}  // namespace kivrano
