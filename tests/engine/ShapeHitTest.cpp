#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/HeadlessViewHost.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

using test::DocumentFixture;

TEST(ScreenQuad, ContainsPixelsWhoseCentreIsInside) {
  const TScreenQuad rect{{TPoint{10, 10}, TPoint{30, 10}, TPoint{30, 20}, TPoint{10, 20}}};
  EXPECT_TRUE(rect.Contains(TPoint{10, 10}));
  EXPECT_TRUE(rect.Contains(TPoint{29, 19}));
  EXPECT_FALSE(rect.Contains(TPoint{30, 15}));
  EXPECT_FALSE(rect.Contains(TPoint{15, 20}));
  EXPECT_FALSE(rect.Contains(TPoint{9, 15}));
  const TScreenQuad diamond{{TPoint{10, 0}, TPoint{20, 10}, TPoint{10, 20}, TPoint{0, 10}}};
  EXPECT_TRUE(diamond.Contains(TPoint{10, 10}));
  EXPECT_FALSE(diamond.Contains(TPoint{1, 1}));
  EXPECT_FALSE(diamond.Contains(TPoint{18, 18}));
}

TEST(ScreenQuad, MeetsRectanglesThatOverlapInArea) {
  const TScreenQuad diamond{{TPoint{10, 0}, TPoint{20, 10}, TPoint{10, 20}, TPoint{0, 10}}};
  EXPECT_TRUE(diamond.Meets(TRect{8, 8, 12, 12}));
  EXPECT_TRUE(diamond.Meets(TRect{-5, -5, 50, 50}));  // encloses it
  EXPECT_FALSE(diamond.Meets(TRect{0, 0, 4, 4}));     // inside the bounding box, outside the diamond
  EXPECT_FALSE(diamond.Meets(TRect{20, 0, 30, 20}));  // touches a corner only
  EXPECT_FALSE(diamond.Meets(TRect{5, 5, 5, 9}));     // empty
}

TEST(ShapeHandles, DefaultHandlesAndTheirScreenRectangles) {
  DocumentFixture f;
  TdtpShape* s = f.Add(10, 10, 20, 10);
  s->UpdateHandles();
  ASSERT_EQ(s->HandleCount(), 5);
  ASSERT_EQ(s->EdgeCount(), 4);
  const uint8_t kinds[5] = {hkTopLeft, hkBottomLeft, hkBottomRight, hkTopRight, hkRotate};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(s->Handle(i)->Kind, kinds[i]);
  EXPECT_FLOAT_EQ(s->Handle(4)->X, 20.6f);
  EXPECT_EQ(s->GetHandleRect(0), (TRect{7, 7, 14, 14}));
  // The rotate handle at (30.6, 15): left rounds 27.6, right 33.6 + 1, bottom 19.
  EXPECT_EQ(s->GetHandleRect(4), (TRect{28, 12, 35, 19}));
  EXPECT_EQ(s->GetHandleRect(9), TRect{});
  EXPECT_EQ(s->Edge(1)->Kind, hkBottom);
  EXPECT_EQ(s->Edge(7), nullptr);
}

TEST(ShapeHandles, HitTestHandleFindsHandlesThenEdges) {
  DocumentFixture f;
  TdtpShape* s = f.Add(10, 10, 20, 10);
  EXPECT_EQ(s->HitTestHandle(TPoint{10, 10}), hkNone) << "not selected";
  s->SetSelected(true);
  const struct {
    TPoint p;
    uint8_t kind;
  } cases[] = {
      {{7, 7}, hkTopLeft},      {{10, 20}, hkBottomLeft}, {{31, 21}, hkBottomRight}, {{33, 15}, hkRotate},
      {{14, 14}, hkLeft},       {{20, 19}, hkBottom},     {{20, 8}, hkTop},          {{20, 15}, hkBottom},
      {{100, 100}, hkNone},
  };
  for (const auto& c : cases) EXPECT_EQ(s->HitTestHandle(c.p), c.kind) << c.p.X << "," << c.p.Y;
  s->HitTestHandle(TPoint{31, 21});
  EXPECT_EQ(s->TrackHandle(), 2);
  s->SetAllowRotate(false);
  EXPECT_EQ(s->HitTestHandle(TPoint{33, 15}), hkNone);
}

TEST(ShapeHitTest, BodyHitAllowsFourPixelsAcrossAndThreeDiagonally) {
  DocumentFixture f;
  // Body (10, 10)-(30, 20); curbs widen the region so the tolerance can act outside the body.
  TdtpShape* s = f.Add(10, 10, 20, 10);
  s->SetCurb(5);
  const struct {
    TPoint p;
    bool hit;
  } cases[] = {
      {{20, 15}, true}, {{33, 15}, true},  {{34, 15}, false}, {{6, 15}, true},   {{5, 15}, false},
      {{20, 23}, true}, {{20, 24}, false}, {{32, 22}, true},  {{33, 22}, false}, {{7, 7}, true},
      {{6, 7}, false},  {{40, 15}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(s->HitTest(c.p), c.hit) << c.p.X << "," << c.p.Y;
  s->SetVisible(false);
  EXPECT_FALSE(s->HitTest(TPoint{20, 15}));
}

TEST(ShapeHitTest, ToleranceNeverReachesBeyondTheCurbs) {
  DocumentFixture f;
  TdtpShape* s = f.Add(10, 10, 20, 10);
  EXPECT_TRUE(s->HitTest(TPoint{29, 15}));
  EXPECT_FALSE(s->HitTest(TPoint{31, 15}));
  TdtpShape detached;
  detached.SetBounds(0, 0, 10, 10);
  detached.SetSmartHitTest(false);
  EXPECT_FALSE(detached.HitTest(TPoint{5, 5})) << "no document, no hit";
}

TEST(ShapePixelHit, CountsPixelsAboveTheAlphaThreshold) {
  DocumentFixture f;
  TdtpShape* s = f.Add(10, 10, 20, 10);
  s->SetSmartHitTest(true);
  EXPECT_TRUE(s->HitTestPixel(TPoint{20, 15})) << "no cache: a hit";
  s->PrepareCache();
  ASSERT_NE(s->Cache(), nullptr);
  EXPECT_TRUE(s->HitTestPixel(TPoint{20, 15})) << "cache not rendered yet: a hit";
  const struct {
    int alpha;
    int masterAlpha;
    bool hit;
  } cases[] = {{50, 255, false}, {51, 255, true}, {0, 255, false}, {20, 100, true}, {19, 100, false}};
  for (const auto& c : cases) {
    s->SetMasterAlpha(c.masterAlpha);
    s->PrepareCache();
    s->Cache()->Clear(SetAlpha(clBlack32, c.alpha));
    s->SetDirty(false);
    EXPECT_EQ(s->HitTestPixel(TPoint{20, 15}), c.hit) << c.alpha << " under " << c.masterAlpha;
    EXPECT_EQ(s->HitTest(TPoint{20, 15}), c.hit);
  }
  EXPECT_TRUE(s->HitTestPixel(TPoint{200, 150})) << "outside the cache: a hit";
}

TEST(ShapePixelHit, OpaquePixelNearbyCountsThroughTheOffsets) {
  DocumentFixture f;
  TdtpShape* s = f.Add(10, 10, 20, 10);
  s->SetSmartHitTest(true);
  const TdtpMatrix m = s->PrepareCache();
  s->Cache()->Clear(0);
  // An opaque pixel three cache pixels right of the probed one is found by offset (3, 0).
  const TPoint probe{20, 15};
  const TFloatPoint c = m.Transform(s->ScreenToLocal(TFloatPoint{20, 15}));
  s->Cache()->SetPixel(RoundToInt(c.X) + 3, RoundToInt(c.Y), clBlack32);
  s->SetDirty(false);
  EXPECT_TRUE(s->HitTestPixel(probe));
  s->Cache()->Clear(0);
  s->Cache()->SetPixel(RoundToInt(c.X) + 5, RoundToInt(c.Y), clBlack32);
  EXPECT_FALSE(s->HitTestPixel(probe));
}

TEST(ShapeCache, RotatedSquareGetsALargerCache) {
  TdtpShape s;
  s.SetBoundsAndAngle(0, 0, 10, 10, 45);
  s.PrepareCache();
  ASSERT_NE(s.Cache(), nullptr);
  EXPECT_EQ(s.Cache()->Width(), 84);
  EXPECT_EQ(s.Cache()->Height(), 84);
  EXPECT_TRUE(s.Dirty());
  s.SetDocAngle(10);
  EXPECT_EQ(s.Cache(), nullptr) << "an angle change frees the cache";
}

TEST(ShapeCache, AbsurdSizesLeaveNoCacheAndTheIdentity) {
  TdtpShape s;
  s.SetBounds(0, 0, 1e30f, 10);
  EXPECT_EQ(s.PrepareCache(), TdtpMatrix::Identity());
  EXPECT_EQ(s.Cache(), nullptr);
}

class HitTestChildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    group = f.Add(10, 10, 40, 40);
    auto a = std::make_unique<TdtpShape>();
    a->SetBounds(0, 0, 10, 10);  // page (10, 10)-(20, 20)
    a->SetSmartHitTest(false);
    memberA = a.get();
    group->AddShape(std::move(a));
    auto b = std::make_unique<TdtpShape>();
    b->SetBounds(5, 5, 10, 10);  // page (15, 15)-(25, 25), in front of a
    b->SetSmartHitTest(false);
    memberB = b.get();
    group->AddShape(std::move(b));
  }
  test::DocumentFixture f;
  TdtpShape* group = nullptr;
  TdtpShape* memberA = nullptr;
  TdtpShape* memberB = nullptr;
};

TEST_F(HitTestChildTest, ReturnsTheFrontmostMemberHit) {
  TdtpShape* hit = nullptr;
  EXPECT_TRUE(group->HitTestChild(TPoint{17, 17}, hit));
  EXPECT_EQ(hit, memberB);
  EXPECT_TRUE(group->HitTestChild(TPoint{11, 11}, hit));
  EXPECT_EQ(hit, memberA);
}

TEST_F(HitTestChildTest, GroupWithMembersIsHitOnlyThroughThem) {
  TdtpShape* hit = memberA;
  EXPECT_FALSE(group->HitTestChild(TPoint{40, 40}, hit));
  EXPECT_EQ(hit, nullptr);
}

TEST_F(HitTestChildTest, DisabledShapesArePassedOver) {
  TdtpShape* hit = nullptr;
  memberB->SetEnabled(false);
  EXPECT_TRUE(group->HitTestChild(TPoint{17, 17}, hit));
  EXPECT_EQ(hit, memberA);
  memberA->SetEnabled(false);
  // No enabled member is left: the group's own region decides.
  EXPECT_TRUE(group->HitTestChild(TPoint{40, 40}, hit));
  EXPECT_EQ(hit, group);
  group->SetEnabled(false);
  EXPECT_FALSE(group->HitTestChild(TPoint{40, 40}, hit));
  EXPECT_EQ(hit, nullptr);
}

TEST(ShapeInvalidate, RepaintRequestsAreRectanglesOfTheShape) {
  DocumentFixture f;
  THeadlessViewHost host(400, 300);
  f.doc.SetHost(&host);
  f.doc.SetViewStyle(vsNormal);
  f.doc.SetScreenDpm(1);
  f.doc.UpdateExtent();
  TdtpShape* s = f.Add(10, 10, 20, 10);
  s->SetAllowSelect(false);
  host.ResetRecords();
  s->SetDocLeft(50);
  EXPECT_EQ(host.InvalidateAllCount(), 0);
  ASSERT_FALSE(host.Invalidated().empty());
  for (const TRect& r : host.Invalidated()) {
    EXPECT_TRUE(r == (TRect{10, 10, 30, 20}) || r == (TRect{50, 10, 70, 20})) << r.Left << "," << r.Right;
  }
  f.doc.SetHost(nullptr);
}

}  // namespace
}  // namespace kivrano
