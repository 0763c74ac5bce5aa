// Interactive editing driven through the headless host with pointer and key events in view pixels.
// The page sits at the view's origin at 4 pixels per millimetre.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "EngineTestSupport.h"
#include "base/Exception.h"
#include "engine/dtpCursors.h"
#include "platform/HeadlessViewHost.h"
#include "shapes/dtpFreehandShape.h"

namespace kivrano::test {
namespace {

constexpr float kDpm = 4;
constexpr int kEscape = 0x1B;
constexpr int kDelete = 0x2E;

int Px(float mm) { return static_cast<int>(std::lround(mm * kDpm)); }

struct EditingFixture : ::testing::Test {
  THeadlessViewHost host{800, 600};
  DocumentFixture f;
  TdtpDocument& doc = f.doc;
  std::vector<TdtpShape*> insertClosed;
  std::vector<TdtpShape*> editClosed;

  EditingFixture() {
    doc.SetHost(&host);
    doc.SetScreenDpm(kDpm);
    doc.UpdateExtent();
    doc.OnShapeInsertClosed = [this](TdtpDocument*, TdtpShape* s) { insertClosed.push_back(s); };
    doc.OnShapeEditClosed = [this](TdtpDocument*, TdtpShape* s) { editClosed.push_back(s); };
  }

  TdtpShape* AddSelected(float left, float top, float width, float height) {
    TdtpShape* s = f.Add(left, top, width, height);
    s->SetSelected(true);
    return s;
  }

  // Pointer events at view pixels; the left button is held between Press and Release.
  void Press(int x, int y, int shift = 0) {
    host.SetPointerPosition(TPoint{x, y});
    doc.MouseDown(mbLeft, shift | ssLeft, x, y);
  }
  void Move(int x, int y, int shift = ssLeft) {
    host.SetPointerPosition(TPoint{x, y});
    doc.MouseMove(shift, x, y);
  }
  void Release(int x, int y, int shift = 0) {
    host.SetPointerPosition(TPoint{x, y});
    doc.MouseUp(mbLeft, shift, x, y);
  }
  // A drag in a few steps, the modifiers held throughout.
  void Drag(int x0, int y0, int x1, int y1, int shift = 0) {
    Press(x0, y0, shift);
    for (int i = 1; i <= 4; ++i) Move(x0 + (x1 - x0) * i / 4, y0 + (y1 - y0) * i / 4, shift | ssLeft);
    Release(x1, y1, shift);
  }
  // A freehand line placed by a dragged frame and now edited in place.
  TdtpFreehandShape* StartFreehand() {
    auto line = std::make_unique<TdtpFreehandShape>();
    TdtpFreehandShape* raw = line.get();
    doc.InsertShape(std::move(line));
    Drag(Px(40), Px(40), Px(80), Px(80));
    return raw;
  }
  void PaintAll() { doc.Paint(TRect{0, 0, host.ClientWidth(), host.ClientHeight()}); }
  std::vector<TColor32> Surface() const {
    const TBitmap32& s = doc.WindowSurface();
    return std::vector<TColor32>(s.Bits(), s.Bits() + static_cast<size_t>(s.Width()) * s.Height());
  }
};

// ---- selecting by press ---------------------------------------------------------------------

TEST_F(EditingFixture, PressAndReleaseWithoutMovingSelectsAndChangesNothing) {
  TdtpShape* a = f.Add(40, 40, 20, 10);
  TdtpShape* b = AddSelected(100, 40, 20, 10);
  Press(Px(50), Px(45));
  Move(Px(50) + 3, Px(45) + 1);  // 10 px^2: still a click
  Release(Px(50) + 3, Px(45) + 1);
  EXPECT_TRUE(a->Selected());
  EXPECT_FALSE(b->Selected());
  EXPECT_EQ(doc.FocusedShape(), a);
  EXPECT_EQ(a->DocLeft(), 40);
  EXPECT_EQ(a->DocTop(), 40);
  EXPECT_EQ(doc.DragState(), dsIdle);
}

TEST_F(EditingFixture, ShiftPressTogglesAndBodyPressKeepsAMultipleSelection) {
  TdtpShape* a = AddSelected(40, 40, 20, 10);
  TdtpShape* b = f.Add(100, 40, 20, 10);
  Press(Px(110), Px(45), ssShift);
  Release(Px(110), Px(45), ssShift);
  EXPECT_TRUE(a->Selected());
  EXPECT_TRUE(b->Selected());
  EXPECT_EQ(doc.FocusedShape(), b);
  // Dragging the body of one moves both.
  Drag(Px(50), Px(45), Px(60), Px(45));
  EXPECT_FLOAT_EQ(a->DocLeft(), 50);
  EXPECT_FLOAT_EQ(b->DocLeft(), 110);
}

TEST_F(EditingFixture, NothingIsHitWhileReadOnlyOrOutsideEditMode) {
  f.Add(40, 40, 20, 10);
  uint8_t kind = 0;
  EXPECT_NE(doc.ShapeAtPos(TPoint{Px(50), Px(45)}, kind), nullptr);
  doc.SetMode(vmBrowse);
  Press(Px(50), Px(45));
  Release(Px(50), Px(45));
  EXPECT_EQ(doc.ShapeCount(), 1);
  EXPECT_FALSE(doc.Shapes(0)->Selected());
  doc.SetMode(vmEdit);
  doc.SetReadOnly(true);
  EXPECT_EQ(doc.ShapeAtPos(TPoint{Px(50), Px(45)}, kind), nullptr);
  EXPECT_EQ(kind, hkNone);
  TdtpShape* deep = nullptr;
  EXPECT_FALSE(doc.ShapeAtPosDeep(TPoint{Px(50), Px(45)}, deep));
}

// ---- resizing, rotating, moving -------------------------------------------------------------

TEST_F(EditingFixture, HandleDragsResizeFromTheOppositeSide) {
  struct Case {
    const char* name;
    float pressX, pressY;  // mm, on the handle
    float dx, dy;          // mm
    bool preserveAspect;
    float left, top, width, height;
  };
  const Case cases[] = {
      // The right edge is pressed above its middle, where the rotate handle sits.
      {"right edge +5", 60, 42, 5, 0, false, 40, 40, 25, 10},
      {"left edge +5", 40, 45, 5, 0, false, 45, 40, 15, 10},
      {"bottom edge +5", 50, 50, 0, 5, false, 40, 40, 20, 15},
      {"top edge -5", 50, 40, 0, -5, false, 40, 35, 20, 15},
      {"bottom-right corner", 60, 50, 5, 5, false, 40, 40, 25, 15},
      {"top-left corner", 40, 40, -5, -5, false, 35, 35, 25, 15},
      {"right edge, aspect 2", 60, 42, 10, 0, true, 40, 37.5f, 30, 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DocumentFixture fresh;
    fresh.doc.SetHost(&host);
    fresh.doc.SetScreenDpm(kDpm);
    fresh.doc.UpdateExtent();
    TdtpShape* s = fresh.Add(40, 40, 20, 10);
    if (c.preserveAspect) {
      s->SetPreserveAspect(true);
      s->SetAspectRatio(2);
    }
    s->SetSelected(true);
    const int x0 = Px(c.pressX), y0 = Px(c.pressY);
    host.SetPointerPosition(TPoint{x0, y0});
    fresh.doc.MouseDown(mbLeft, ssLeft, x0, y0);
    fresh.doc.MouseMove(ssLeft, x0 + Px(c.dx), y0 + Px(c.dy));
    fresh.doc.MouseUp(mbLeft, 0, x0 + Px(c.dx), y0 + Px(c.dy));
    EXPECT_FLOAT_EQ(s->DocLeft(), c.left);
    EXPECT_FLOAT_EQ(s->DocTop(), c.top);
    EXPECT_FLOAT_EQ(s->DocWidth(), c.width);
    EXPECT_FLOAT_EQ(s->DocHeight(), c.height);
    fresh.doc.SetHost(nullptr);
  }
}

TEST_F(EditingFixture, ResizingAShapeThatRefusesItKeepsItsSize) {
  TdtpShape* s = AddSelected(40, 40, 20, 10);
  s->SetAllowResize(false);
  Drag(Px(60), Px(45), Px(70), Px(45));
  EXPECT_FLOAT_EQ(s->DocWidth(), 20);
  EXPECT_FLOAT_EQ(s->DocLeft(), 40);
}

TEST_F(EditingFixture, RotationSnapsToTheStepAngleUnlessAltIsHeld) {
  // The rotate handle sits at (1.03 W, H / 2); moving it 4 mm up turns the box by atan(4 / 10).
  const float exact = std::atan2(4.0f, 10.0f) * 57.29578f;
  struct Case {
    float stepAngle;
    bool alt;
    float expected;
  };
  const Case cases[] = {{15, false, 15}, {15, true, exact}, {0, false, exact}, {0, true, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "step " << c.stepAngle << " alt " << c.alt);
    DocumentFixture fresh;
    fresh.doc.SetHost(&host);
    fresh.doc.SetScreenDpm(kDpm);
    fresh.doc.UpdateExtent();
    fresh.doc.SetStepAngle(c.stepAngle);
    TdtpShape* s = fresh.Add(40, 40, 20, 10);
    s->SetSelected(true);
    const int alt = c.alt ? ssAlt : 0;
    const int x0 = Px(60.6f), y0 = Px(45);
    fresh.doc.MouseDown(mbLeft, ssLeft | alt, x0, y0);
    fresh.doc.MouseMove(ssLeft | alt, x0, y0 - Px(4));
    EXPECT_EQ(host.CurrentCursor(), crRotation);
    fresh.doc.MouseUp(mbLeft, alt, x0, y0 - Px(4));
    EXPECT_NEAR(s->DocAngle(), c.expected, 1e-3);
    // The box turned about its centre.
    const TFloatPoint centre = s->LocalToParent(TFloatPoint{10, 5});
    EXPECT_NEAR(centre.X, 50, 1e-3);
    EXPECT_NEAR(centre.Y, 45, 1e-3);
    fresh.doc.SetHost(nullptr);
  }
}

TEST_F(EditingFixture, HandleCursorsTurnWithTheShape) {
  struct Case {
    float angle;
    uint8_t kind;
    TCursor cursor;
  };
  const Case cases[] = {
      {0, hkTopLeft, crSizeNWSE},   {0, hkLeft, crSizeWE},         {0, hkBottomLeft, crSizeNESW},
      {0, hkBottom, crSizeNS},      {0, hkBottomRight, crSizeNWSE}, {0, hkTop, crSizeNS},
      {45, hkTopLeft, crSizeWE},    {90, hkTopLeft, crSizeNESW},   {45, hkTop, crSizeNWSE},
      {350, hkTopLeft, crSizeNWSE}, {22, hkTopLeft, crSizeNWSE},   {23, hkTopLeft, crSizeWE},
      {0, hkRotate, crDefault},     {0, hkMove, crDefault},
  };
  TdtpShape* s = f.Add(40, 40, 20, 10);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.angle << " degrees, kind " << int(c.kind));
    s->SetDocAngle(c.angle);
    EXPECT_EQ(doc.HandleCursor(s, c.kind), c.cursor);
  }
}

TEST_F(EditingFixture, HoveringTheTopLeftHandleOfA45DegreeShapeShowsTheWestEastCursor) {
  TdtpShape* s = AddSelected(40, 40, 20, 10);
  s->SetDocAngle(45);
  const TPoint corner = s->HandleScreenPoint(0);
  Move(corner.X, corner.Y, 0);
  EXPECT_EQ(host.CurrentCursor(), crSizeWE);
  const TFloatPoint body = s->LocalToScreen(TFloatPoint{10, 5});
  Move(static_cast<int>(body.X), static_cast<int>(body.Y), 0);
  EXPECT_EQ(host.CurrentCursor(), crHandPoint);
}

TEST_F(EditingFixture, ShiftKeepsAMoveOnOneAxis) {
  TdtpShape* s = AddSelected(40, 40, 20, 10);
  // Shift is taken up after the press (a Shift-press toggles the selection).
  Press(Px(50), Px(45));
  Move(Px(50) + 20, Px(45) + 6, ssLeft | ssShift);
  Move(Px(50) + 40, Px(45) + 12, ssLeft | ssShift);
  Release(Px(50) + 40, Px(45) + 12, ssShift);
  EXPECT_FLOAT_EQ(s->DocLeft(), 50);
  EXPECT_FLOAT_EQ(s->DocTop(), 40);
  Press(Px(60), Px(45));
  Move(Px(60) - 8, Px(45) + 28, ssLeft | ssShift);
  Release(Px(60) - 8, Px(45) + 28, ssShift);
  EXPECT_FLOAT_EQ(s->DocLeft(), 50);
  EXPECT_FLOAT_EQ(s->DocTop(), 47);
  // A Shift-press on a selected shape deselects it.
  Press(Px(60), Px(45), ssShift);
  Release(Px(60), Px(45), ssShift);
  EXPECT_FALSE(s->Selected());
}

TEST_F(EditingFixture, SnappingPutsAMovedShapesOriginOnTheGridAndAltInvertsIt) {
  TdtpShape* s = AddSelected(41, 40, 20, 10);
  doc.SetSnapToGrid(true);
  Drag(Px(50), Px(45), Px(57), Px(45));  // +7 mm: origin 48 snaps to 50
  EXPECT_FLOAT_EQ(s->DocLeft(), 50);
  EXPECT_FLOAT_EQ(s->DocTop(), 40);
  Drag(Px(60), Px(45), Px(63), Px(45), ssAlt);  // Alt: no snapping
  EXPECT_FLOAT_EQ(s->DocLeft(), 53);
}

TEST_F(EditingFixture, CtrlDragCopiesTheSelectionAndLeavesTheOriginals) {
  TdtpShape* a = AddSelected(40, 40, 20, 10);
  TdtpShape* b = AddSelected(80, 60, 10, 10);
  Press(Px(50), Px(45), ssCtrl);
  Move(Px(55), Px(48), ssLeft | ssCtrl);
  EXPECT_EQ(host.CurrentCursor(), crSizeCopy);
  Release(Px(55), Px(48), ssCtrl);
  ASSERT_EQ(doc.ShapeCount(), 4);
  EXPECT_FALSE(a->Selected());
  EXPECT_FALSE(b->Selected());
  EXPECT_FLOAT_EQ(a->DocLeft(), 40);
  EXPECT_FLOAT_EQ(b->DocTop(), 60);
  TdtpShape* copyA = doc.Shapes(2);
  TdtpShape* copyB = doc.Shapes(3);
  EXPECT_TRUE(copyA->Selected());
  EXPECT_TRUE(copyB->Selected());
  EXPECT_FLOAT_EQ(copyA->DocLeft(), 45);
  EXPECT_FLOAT_EQ(copyA->DocTop(), 43);
  EXPECT_FLOAT_EQ(copyA->DocWidth(), 20);
  EXPECT_FLOAT_EQ(copyB->DocLeft(), 85);
  EXPECT_FLOAT_EQ(copyB->DocTop(), 63);
  EXPECT_NE(copyA->ShapeID(), a->ShapeID());
}

TEST_F(EditingFixture, AMoveLeavingTheViewCancelsAndStartsADragOfTheSelection) {
  TdtpShape* a = AddSelected(40, 40, 20, 10);
  f.Add(80, 60, 10, 10);  // not selected: not in the drag's data
  int startDrags = 0;
  doc.OnStartDrag = [&](TdtpDocument*) {
    ++startDrags;
    EXPECT_TRUE(host.ViewDrags().empty());  // the application hears of it before the drag runs
  };
  Press(Px(50), Px(45));
  Move(Px(50) + 30, Px(45));
  ASSERT_EQ(doc.DragState(), dsTracking);
  Move(host.ClientWidth() + 5, Px(45));
  EXPECT_EQ(startDrags, 1);
  EXPECT_EQ(doc.DragState(), dsIdle);
  ASSERT_EQ(host.ViewDrags().size(), 1u);
  EXPECT_EQ(host.ViewDrags()[0], doc.SelectionToXml());
  Release(host.ClientWidth() + 5, Px(45));
  // Nothing was applied: the shape stays where it was and no copy appeared.
  EXPECT_FLOAT_EQ(a->DocLeft(), 40);
  EXPECT_EQ(doc.ShapeCount(), 2);
  // A resize leaving the view is no drag-and-drop: it goes on tracking.
  Press(Px(60), Px(45));  // right edge handle
  Move(Px(60) + 30, Px(45));
  Move(host.ClientWidth() + 5, Px(45));
  EXPECT_EQ(doc.DragState(), dsTracking);
  EXPECT_EQ(host.ViewDrags().size(), 1u);
}

// ---- outlines on the window surface ---------------------------------------------------------

TEST_F(EditingFixture, DragOutlinesAreXorDrawnWithoutRepaintingAndLeaveNoTrace) {
  for (int i = 0; i < 5; ++i) AddSelected(20 + 25 * static_cast<float>(i), 40, 20, 10);
  PaintAll();
  const auto clean = Surface();
  host.ResetRecords();
  Press(Px(30), Px(45));
  Move(Px(40), Px(50));
  EXPECT_TRUE(doc.OverlayDrawn());
  EXPECT_NE(Surface(), clean);
  Move(Px(45), Px(60));
  // A repaint in the middle of a drag keeps the outlines where they are.
  const auto dragged = Surface();
  doc.Paint(TRect{100, 100, 300, 300});
  EXPECT_EQ(Surface(), dragged);
  EXPECT_TRUE(host.Invalidated().empty());
  EXPECT_EQ(host.InvalidateAllCount(), 0);
  EXPECT_FALSE(host.Presented().empty());
  doc.KeyDown(kEscape, ssLeft);  // cancels: nothing applied, outlines erased
  EXPECT_EQ(doc.DragState(), dsIdle);
  EXPECT_EQ(Surface(), clean);
  EXPECT_FLOAT_EQ(doc.Shapes(0)->DocLeft(), 20);
}

// ---- rubber band ----------------------------------------------------------------------------

TEST_F(EditingFixture, RubberBandSelectsWhatItMeetsInAnyDirection) {
  TdtpShape* a = f.Add(40, 40, 10, 10);
  TdtpShape* b = f.Add(60, 40, 10, 10);
  TdtpShape* c = AddSelected(100, 100, 10, 10);
  // Pulled up and to the left, from empty paper below-right of b to above-left of a.
  Drag(Px(65), Px(60), Px(45), Px(30));
  EXPECT_TRUE(a->Selected());
  EXPECT_TRUE(b->Selected());
  EXPECT_FALSE(c->Selected());
  EXPECT_EQ(doc.FocusedShape(), a);
  EXPECT_EQ(doc.DragState(), dsIdle);
  // A click on empty paper clears the selection.
  Press(Px(150), Px(150));
  Release(Px(150), Px(150));
  EXPECT_FALSE(a->Selected());
  EXPECT_FALSE(b->Selected());
}

TEST_F(EditingFixture, WithCtrlSelectionCtrlPressStartsTheBandAndEmptyPaperClears) {
  doc.SetMultiSelectMethod(msmCtrl);
  TdtpShape* a = AddSelected(40, 40, 10, 10);
  TdtpShape* b = f.Add(60, 40, 10, 10);
  Press(Px(150), Px(150));
  EXPECT_EQ(doc.DragState(), dsIdle);
  EXPECT_FALSE(a->Selected());
  Release(Px(150), Px(150));
  Drag(Px(55), Px(30), Px(75), Px(60), ssCtrl);  // over a shape, still a band
  EXPECT_TRUE(b->Selected());
  EXPECT_FALSE(a->Selected());
}

// ---- placing new shapes ---------------------------------------------------------------------

std::unique_ptr<TdtpShape> NewShape(float width, float height) {
  auto s = std::make_unique<TdtpShape>();
  s->SetSize(width, height);
  s->SetSmartHitTest(false);
  return s;
}

TEST_F(EditingFixture, InsertFramesGivePositiveShapesWhicheverWayTheyArePulled) {
  struct Case {
    const char* name;
    int dx, dy;  // pixels from the press at (100, 100) mm
    bool preserveAspect;
    float left, top, width, height;
  };
  const Case cases[] = {
      {"down-right", 40, 20, false, 100, 100, 10, 5},
      {"up-left", -40, -20, false, 90, 95, 10, 5},
      {"up-right", 24, -8, false, 100, 98, 6, 2},
      {"aspect kept", 100, 20, true, 100, 100, 10, 5},
      {"aspect kept up-left", -100, -20, true, 90, 95, 10, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto shape = NewShape(20, 10);
    if (c.preserveAspect) shape->LockAspectRatio();
    TdtpShape* raw = shape.get();
    doc.InsertShape(std::move(shape));
    EXPECT_EQ(doc.DragState(), dsInsertArmed);
    Move(Px(100), Px(100), 0);
    EXPECT_EQ(host.CurrentCursor(), crCross);
    Press(Px(100), Px(100));
    EXPECT_EQ(doc.DragState(), dsInsertDragging);
    Move(Px(100) + c.dx / 2, Px(100) + c.dy / 2);
    Move(Px(100) + c.dx, Px(100) + c.dy);
    Release(Px(100) + c.dx, Px(100) + c.dy);
    ASSERT_FALSE(insertClosed.empty());
    EXPECT_EQ(insertClosed.back(), raw);
    EXPECT_EQ(doc.Shapes(doc.ShapeCount() - 1), raw);
    EXPECT_TRUE(raw->Selected());
    EXPECT_FLOAT_EQ(raw->DocLeft(), c.left);
    EXPECT_FLOAT_EQ(raw->DocTop(), c.top);
    EXPECT_FLOAT_EQ(raw->DocWidth(), c.width);
    EXPECT_FLOAT_EQ(raw->DocHeight(), c.height);
    // A plain shape has no in-place editing: the edit closes at once.
    EXPECT_EQ(editClosed.back(), raw);
    EXPECT_EQ(doc.DragState(), dsIdle);
  }
}

TEST_F(EditingFixture, AReleaseOnThePressPointLeavesTheFrameFollowing) {
  TdtpShape* raw = nullptr;
  {
    auto shape = NewShape(20, 10);
    raw = shape.get();
    doc.InsertShape(std::move(shape));
  }
  Press(Px(100), Px(100));
  Release(Px(100), Px(100));
  EXPECT_EQ(doc.DragState(), dsInsertDragging);
  Move(Px(108), Px(104), 0);
  Release(Px(108), Px(104));
  EXPECT_EQ(doc.PendingInsertShape(), nullptr);
  EXPECT_FLOAT_EQ(raw->DocWidth(), 8);
  EXPECT_FLOAT_EQ(raw->DocHeight(), 4);
}

TEST_F(EditingFixture, InsertByClickPlacesTheTopLeftAtThePressPoint) {
  auto shape = NewShape(12, 8);
  shape->SetInsertCursor(crDtpCrossRectangle);
  TdtpShape* raw = shape.get();
  AddSelected(10, 10, 5, 5);
  doc.InsertShapeByClick(std::move(shape));
  EXPECT_FALSE(doc.Shapes(0)->Selected());
  Move(Px(25), Px(15), 0);
  EXPECT_EQ(host.CurrentCursor(), crDtpCrossRectangle);
  Press(Px(25), Px(15));
  Release(Px(25), Px(15));
  EXPECT_EQ(doc.ShapeCount(), 2);
  EXPECT_FLOAT_EQ(raw->DocLeft(), 25);
  EXPECT_FLOAT_EQ(raw->DocTop(), 15);
  EXPECT_FLOAT_EQ(raw->DocWidth(), 12);
  EXPECT_FLOAT_EQ(raw->DocHeight(), 8);
  EXPECT_TRUE(raw->Selected());
}

TEST_F(EditingFixture, EscapeWhilePlacingDestroysThePendingShape) {
  PaintAll();
  const auto clean = Surface();
  for (bool dragging : {false, true}) {
    SCOPED_TRACE(dragging ? "dragging the frame" : "armed");
    f.ResetRecords();
    insertClosed.clear();
    auto shape = NewShape(20, 10);
    TdtpShape* raw = shape.get();
    doc.InsertShape(std::move(shape));
    if (dragging) {
      Press(Px(100), Px(100));
      Move(Px(120), Px(110));
      EXPECT_NE(Surface(), clean);
    }
    doc.KeyDown(kEscape, 0);
    EXPECT_EQ(doc.DragState(), dsIdle);
    EXPECT_EQ(doc.PendingInsertShape(), nullptr);
    ASSERT_EQ(insertClosed.size(), 1u);
    EXPECT_EQ(insertClosed[0], nullptr);
    ASSERT_EQ(f.destroyed.size(), 1u);
    EXPECT_EQ(f.destroyed[0], raw);
    EXPECT_EQ(doc.ShapeCount(), 0);
    EXPECT_EQ(Surface(), clean);
    if (dragging) Release(Px(120), Px(110));
    EXPECT_EQ(doc.ShapeCount(), 0);
  }
}

TEST_F(EditingFixture, InsertingWhileBusyFailsAndANewInsertionCancelsThePendingOne) {
  doc.BeginBusy(crHourGlass);
  try {
    doc.InsertShape(NewShape(5, 5));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Working already");
  }
  doc.EndBusy();
  doc.InsertShape(NewShape(5, 5));
  doc.InsertShapeByClick(NewShape(6, 6));
  ASSERT_EQ(insertClosed.size(), 1u);
  EXPECT_EQ(insertClosed[0], nullptr);
  EXPECT_FLOAT_EQ(doc.PendingInsertShape()->DocWidth(), 6);
}

// ---- in-place editing -----------------------------------------------------------------------

TEST_F(EditingFixture, DoubleClickEditsTheDeepestEnabledShapeOnly) {
  TdtpShape* plain = f.Add(40, 40, 20, 10);
  TdtpShape* disabled = f.Add(100, 40, 20, 10);
  disabled->SetEnabled(false);
  doc.DblClick(mbLeft, ssLeft | ssDouble, Px(110), Px(45));
  EXPECT_TRUE(editClosed.empty());
  EXPECT_EQ(doc.DragState(), dsIdle);
  doc.DblClick(mbLeft, ssLeft | ssDouble, Px(50), Px(45));
  ASSERT_EQ(editClosed.size(), 1u);
  EXPECT_EQ(editClosed[0], plain);
  EXPECT_EQ(doc.DragState(), dsIdle);
}

TEST_F(EditingFixture, AnEditedFreehandShapeReceivesThePointer) {
  TdtpFreehandShape* raw = StartFreehand();
  ASSERT_EQ(doc.DragState(), dsEditing);
  ASSERT_EQ(doc.EditedShape(), raw);
  Press(Px(52), Px(52));
  Move(Px(60), Px(55));
  Move(Px(70), Px(60));
  EXPECT_EQ(doc.DragState(), dsEditing);
  Release(Px(70), Px(60));
  EXPECT_EQ(doc.DragState(), dsIdle);
  EXPECT_EQ(doc.EditedShape(), nullptr);
  ASSERT_EQ(editClosed.size(), 1u);
  EXPECT_EQ(editClosed[0], raw);
  ASSERT_FALSE(raw->Points().empty());
  EXPECT_GE(raw->Points()[0].size(), 3u);
}

TEST_F(EditingFixture, TheRightButtonReachesTheEditedShapeAsButtonTwo) {
  StartFreehand();
  ASSERT_EQ(doc.DragState(), dsEditing);
  doc.MouseDown(mbRight, ssRight, Px(60), Px(60));
  EXPECT_EQ(doc.DragState(), dsIdle);
}

TEST_F(EditingFixture, KeysGoToTheEditedShapeAndNotToTheViewsEvents) {
  int viewKeys = 0;
  doc.OnKeyDown = [&](TdtpDocument*, int, int) { ++viewKeys; };
  StartFreehand();
  Press(Px(52), Px(52));
  Move(Px(70), Px(60));
  ASSERT_EQ(doc.DragState(), dsEditing);
  doc.KeyDown(kEscape, 0);  // the shape cancels its stroke
  EXPECT_EQ(viewKeys, 0);
  EXPECT_EQ(doc.DragState(), dsIdle);
  doc.KeyDown(kEscape, 0);
  EXPECT_EQ(viewKeys, 1);
}

TEST_F(EditingFixture, TheContextMenuWhileEditingForwardsCutCopyPasteAsCharacters) {
  struct Recorder : TdtpShape {
    std::vector<char32_t> chars;
    void BeginEdit() override {}
    void EditKeyPress(char32_t ch) override { chars.push_back(ch); }
  };
  auto shape = std::make_unique<Recorder>();
  Recorder* raw = shape.get();
  doc.LockUndo();
  doc.AddShape(std::move(shape));
  doc.UnlockUndo();
  doc.BeginEditShape(raw);
  doc.ContextPopup(10, 20);
  ASSERT_EQ(host.LastPopup().size(), 3u);
  EXPECT_EQ(host.LastPopup()[0].Caption, "Cut");
  EXPECT_EQ(host.LastPopup()[1].Caption, "Copy");
  EXPECT_EQ(host.LastPopup()[2].Caption, "Paste");
  for (const auto& item : host.LastPopup()) item.OnClick();
  EXPECT_EQ(raw->chars, (std::vector<char32_t>{24, 3, 22}));
  doc.EndEditShape(1);
  bool clicked = false;
  doc.SetPopupMenu({{"Own", true, [&] { clicked = true; }}});
  doc.ContextPopup(10, 20);
  ASSERT_EQ(host.LastPopup().size(), 1u);
  host.LastPopup()[0].OnClick();
  EXPECT_TRUE(clicked);
}

// ---- hot-zone scrolling --------------------------------------------------------------------

TEST_F(EditingFixture, ARestingPointerInAZoneScrollsFasterAndFaster) {
  doc.SetHotZoneScrolling(hzsAlways);
  host.AdvanceTime(1000);
  Move(400, 590, 0);  // arrives fast: no scrolling yet
  host.AdvanceTime(100);
  EXPECT_EQ(doc.ScrollY(), 0);
  Move(400, 590, 0);  // resting in the bottom zone
  std::vector<float> positions;
  for (int i = 0; i < 6; ++i) {
    host.AdvanceTime(50);
    positions.push_back(doc.ScrollY());
  }
  EXPECT_GT(positions[0], 0);
  for (size_t i = 2; i < positions.size(); ++i) EXPECT_GT(positions[i] - positions[i - 1], positions[i - 1] - positions[i - 2]);
  // Leaving the zone stops it.
  Move(400, 300, 0);
  host.AdvanceTime(50);
  Move(400, 300, 0);
  const float stopped = doc.ScrollY();
  host.AdvanceTime(200);
  EXPECT_EQ(doc.ScrollY(), stopped);
}

TEST_F(EditingFixture, WhenMouseDownScrollsOnlyDuringADragAndTheDragFollowsThePage) {
  TdtpShape* s = AddSelected(40, 100, 20, 10);
  doc.SetHotZoneScrolling(hzsWhenMouseDown);
  host.AdvanceTime(1000);
  Move(400, 590, 0);
  Move(400, 590, 0);
  host.AdvanceTime(300);
  EXPECT_EQ(doc.ScrollY(), 0);

  PaintAll();
  Press(Px(50), Px(105));
  host.AdvanceTime(300);
  Move(Px(50), 590);
  host.AdvanceTime(1);
  Move(Px(50), 590);
  host.AdvanceTime(300);
  const float scrolled = doc.ScrollY();
  EXPECT_GT(scrolled, 0);
  // What scrolled in was painted at once and the outlines sit on it: a full repaint changes nothing.
  const auto during = Surface();
  PaintAll();
  EXPECT_EQ(Surface(), during);
  Release(Px(50), 590);
  // The shape went where the pointer points on the scrolled page.
  EXPECT_NEAR(s->DocTop(), 100 + (590 - Px(105) + scrolled) / kDpm, 0.5f);
}

// ---- keyboard -------------------------------------------------------------------------------

TEST_F(EditingFixture, DeleteRemovesTheSelectionOneUndoStepPerShape) {
  f.Add(10, 10, 5, 5);
  AddSelected(20, 10, 5, 5);
  AddSelected(30, 10, 5, 5);
  const int undo = doc.UndoCount();
  doc.KeyDown(kDelete, 0);
  ASSERT_EQ(doc.ShapeCount(), 1);
  EXPECT_FLOAT_EQ(doc.Shapes(0)->DocLeft(), 10);
  EXPECT_EQ(doc.UndoCount(), undo + 2);
}

TEST_F(EditingFixture, WithoutKeyInputKeysOnlyRaiseTheViewsEvents) {
  doc.SetAllowKeyInput(false);
  AddSelected(20, 10, 5, 5);
  int keys = 0;
  doc.OnKeyDown = [&](TdtpDocument*, int, int) { ++keys; };
  doc.KeyDown(kDelete, 0);
  EXPECT_EQ(doc.ShapeCount(), 1);
  EXPECT_EQ(keys, 1);
}

// ---- cursors --------------------------------------------------------------------------------

TEST(ProgramCursors, NineCursorsUnderTheirIdsWithInkNearTheHotSpot) {
  const char* names[] = {"ROTATION",          "SIZECOPY",           "CRDTPCROSS",
                         "CRDTPCROSSLINE",    "CRDTPCROSSARROW",    "CRDTPCROSSRECTANGLE",
                         "CRDTPCROSSELLIPSE", "CRDTPCROSSTEXT",     "CRDTPCROSSIMAGE"};
  ASSERT_EQ(ProgramCursors().size(), 9u);
  for (int i = 0; i < 9; ++i) {
    const TCursorImage* c = FindProgramCursor(static_cast<TCursor>(-30 - i));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ResourceName, names[i]);
    ASSERT_EQ(c->Pixels.size(), static_cast<size_t>(c->Width * c->Height));
    // Only black, white and transparent pixels: crisp at any background.
    for (uint32_t p : c->Pixels) EXPECT_TRUE(p == 0 || p == 0xFF000000u || p == 0xFFFFFFFFu);
    // The cross hairs leave the hot spot itself open; their arms start two pixels away.
    int inkNear = 0;
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        inkNear += c->Pixels[static_cast<size_t>((c->HotY + dy) * c->Width + c->HotX + dx)] == 0xFF000000u;
    EXPECT_GT(inkNear, 0) << names[i];
  }
  // Every image differs from the others.
  for (size_t i = 0; i < 9; ++i)
    for (size_t j = i + 1; j < 9; ++j) EXPECT_NE(ProgramCursors()[i].Pixels, ProgramCursors()[j].Pixels);
  EXPECT_EQ(FindProgramCursor(crCross), nullptr);
}

// ---- clipboard keys ----------------------------------------------------------------------------

TEST_F(EditingFixture, ClipboardKeysCopyPasteAndCutWithoutRaisingKeyPress) {
  AddSelected(40, 40, 20, 10);
  std::vector<char32_t> raised;
  doc.OnKeyPress = [&](TdtpDocument*, char32_t ch) { raised.push_back(ch); };
  doc.KeyPress(3);  // Ctrl+C
  EXPECT_TRUE(doc.CanPaste());
  doc.KeyPress(22);  // Ctrl+V
  ASSERT_EQ(doc.ShapeCount(), 2);
  EXPECT_TRUE(doc.Shapes(1)->Selected());
  EXPECT_FALSE(doc.Shapes(0)->Selected());
  doc.KeyPress(24);  // Ctrl+X removes the pasted copy
  EXPECT_EQ(doc.ShapeCount(), 1);
  doc.KeyPress('a');
  EXPECT_EQ(raised, (std::vector<char32_t>{'a'}));
}

}  // namespace
}  // namespace kivrano::test
