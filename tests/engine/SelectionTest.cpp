#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "base/Exception.h"
#include "platform/HeadlessViewHost.h"

namespace kivrano {
namespace {

using DocOp = void (TdtpDocument::*)();

// The message the operation fails with, empty when it succeeds.
std::string ErrorOf(TdtpDocument& doc, DocOp op) {
  try {
    (doc.*op)();
  } catch (const Exception& e) {
    return e.what();
  }
  return {};
}

class SelectionTest : public ::testing::Test {
 protected:
  // Adds shapes named "A", "B", ... of 10 x 10 mm along a diagonal.
  std::vector<TdtpShape*> AddNamed(int count) {
    std::vector<TdtpShape*> shapes;
    for (int i = 0; i < count; ++i) {
      TdtpShape* s = f.Add(10.0f + 20 * i, 10.0f + 20 * i, 10, 10);
      s->SetName(std::string(1, static_cast<char>('A' + i)));
      shapes.push_back(s);
    }
    f.ResetRecords();
    return shapes;
  }

  std::string Order() {
    std::string order;
    for (int i = 0; i < f.doc.ShapeCount(); ++i) order += f.doc.Shapes(i)->Name();
    return order;
  }

  void SelectNamed(const std::string& names) {
    for (int i = 0; i < f.doc.ShapeCount(); ++i) {
      TdtpShape* s = f.doc.Shapes(i);
      s->SetSelected(names.find(s->Name()) != std::string::npos);
    }
  }

  test::DocumentFixture f;
};

TEST_F(SelectionTest, SelectionIsTheSelectedShapesOfTheCurrentPageInPageOrder) {
  auto s = AddNamed(4);
  EXPECT_FALSE(f.doc.HasSelection());
  EXPECT_EQ(f.doc.Selection(0), nullptr);
  s[3]->SetSelected(true);
  s[1]->SetSelected(true);
  EXPECT_TRUE(f.doc.HasSelection());
  EXPECT_EQ(f.doc.SelectionCount(), 2);
  EXPECT_EQ(f.doc.Selection(0), s[1]);
  EXPECT_EQ(f.doc.Selection(1), s[3]);
  EXPECT_EQ(f.doc.Selection(2), nullptr);
  EXPECT_EQ(f.doc.Selection(-1), nullptr);

  // Another page has its own selection; the flags of the first page survive the switch.
  f.doc.AddPage(nullptr);
  f.doc.SetCurrentPageIndex(1);
  EXPECT_FALSE(f.doc.HasSelection());
  EXPECT_EQ(f.doc.SelectionCount(), 0);
  f.doc.SetCurrentPageIndex(0);
  EXPECT_EQ(f.doc.SelectionCount(), 2);
}

TEST_F(SelectionTest, ClearSelectionNotifiesOnce) {
  auto s = AddNamed(3);
  for (TdtpShape* shape : s) shape->SetSelected(true);
  f.ResetRecords();
  f.doc.ClearSelection();
  EXPECT_FALSE(f.doc.HasSelection());
  EXPECT_EQ(f.selectionChanged, 1);
}

TEST_F(SelectionTest, ToggleSelectionFocusesOnlyAShapeItSelects) {
  auto s = AddNamed(2);
  f.doc.ToggleSelection(s[0]);
  EXPECT_TRUE(s[0]->Selected());
  EXPECT_EQ(f.doc.FocusedShape(), s[0]);
  f.doc.ToggleSelection(s[1]);
  EXPECT_EQ(f.doc.FocusedShape(), s[1]);
  f.doc.ToggleSelection(s[0]);
  EXPECT_FALSE(s[0]->Selected());
  EXPECT_EQ(f.doc.FocusedShape(), s[1]) << "deselecting leaves the focus alone";

  s[0]->SetAllowSelect(false);
  f.doc.ToggleSelection(s[0]);
  EXPECT_FALSE(s[0]->Selected());
  EXPECT_EQ(f.doc.FocusedShape(), s[1]);
  f.doc.ToggleSelection(nullptr);
}

TEST_F(SelectionTest, SelectInRectUsesTheTurnedOutlineWithCurbs) {
  // The band is (0, 0)-(40, 30) in view pixels, which are millimetres in the fixture.
  TdtpShape* inside = f.Add(10, 10, 10, 10);
  TdtpShape* outside = f.Add(100, 100, 10, 10);
  // A thin bar turned by 45 degrees running from (30, 45) up to the right: its bounds meet the
  // band, the bar itself passes below its corner.
  TdtpShape* turned = f.Add(30, 45, 40, 2);
  turned->SetDocAngle(45);
  // Only its curb reaches into the band.
  TdtpShape* curbed = f.Add(45, 10, 10, 10);
  curbed->SetCurb(6);
  TdtpShape* locked = f.Add(5, 5, 10, 10);
  locked->SetAllowSelect(false);
  TdtpShape* hidden = f.Add(5, 5, 10, 10);
  hidden->SetVisible(false);
  outside->SetSelected(true);
  f.ResetRecords();

  f.doc.SelectInRect(TRect{0, 0, 40, 30});
  EXPECT_TRUE(inside->Selected());
  EXPECT_FALSE(outside->Selected()) << "what lies outside is deselected";
  EXPECT_FALSE(turned->Selected());
  EXPECT_TRUE(curbed->Selected());
  EXPECT_FALSE(locked->Selected());
  EXPECT_FALSE(hidden->Selected());
  EXPECT_EQ(f.doc.FocusedShape(), inside);
  EXPECT_EQ(f.selectionChanged, 1);

  // A band dragged up and to the left selects the same.
  f.doc.SelectInRect(TRect{40, 30, 0, 0});
  EXPECT_EQ(f.doc.SelectionCount(), 2);

  f.doc.SelectInRect(TRect{150, 150, 160, 160});
  EXPECT_FALSE(f.doc.HasSelection());
  EXPECT_EQ(f.doc.FocusedShape(), nullptr);
}

TEST_F(SelectionTest, DeleteSelectionRecordsOneUndoStepPerShape) {
  auto s = AddNamed(4);
  SelectNamed("BD");
  f.doc.DeleteSelection();
  EXPECT_EQ(Order(), "AC");
  EXPECT_EQ(f.doc.UndoCount(), 2);
  f.doc.Undo();
  EXPECT_EQ(Order(), "ABC") << "the backmost deleted shape was deleted last";
  f.doc.Undo();
  EXPECT_EQ(Order(), "ABCD");
  EXPECT_FLOAT_EQ(f.doc.Shapes(3)->DocLeft(), 70);
}

TEST_F(SelectionTest, OperationsRefuseToWorkWhileBusy) {
  THeadlessViewHost host;
  f.doc.SetHost(&host);
  auto s = AddNamed(2);
  SelectNamed("AB");
  host.SetClipboardText(f.doc.SelectionToXml());
  const DocOp ops[] = {&TdtpDocument::DeleteSelection,  &TdtpDocument::GroupSelection,   &TdtpDocument::UngroupSelection,
                       &TdtpDocument::AlignLeft,        &TdtpDocument::AlignRight,       &TdtpDocument::AlignTop,
                       &TdtpDocument::AlignBottom,      &TdtpDocument::AlignHorzCenters, &TdtpDocument::AlignVertCenters,
                       &TdtpDocument::BringToFront,     &TdtpDocument::SendToBack,       &TdtpDocument::BringForward,
                       &TdtpDocument::SendBackward,     &TdtpDocument::CopyToClipboard,  &TdtpDocument::CutToClipboard,
                       &TdtpDocument::PasteFromClipboard};
  f.doc.BeginBusy(crHourGlass);
  for (size_t i = 0; i < std::size(ops); ++i) EXPECT_EQ(ErrorOf(f.doc, ops[i]), "Working already") << "operation " << i;
  f.doc.EndBusy();
  EXPECT_EQ(Order(), "AB");
  // Reading and pasting XML directly stays possible while busy.
  f.doc.BeginBusy(crHourGlass);
  EXPECT_FALSE(f.doc.SelectionToXml().empty());
  EXPECT_TRUE(f.doc.CanPaste());
  EXPECT_EQ(f.doc.PasteXml(host.ClipboardText()), 2);
  f.doc.EndBusy();
  f.doc.SetHost(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Alignment

struct AlignCase {
  const char* Name;
  DocOp Op;
  bool Vertical;
  // Which coordinate of the rotated bounds all shapes share afterwards: 0 low edge, 1 high edge,
  // 2 centre.
  int Edge;
  float Expected;
};

float Measure(const TdtpShape& s, bool vertical, int edge) {
  const float lo = vertical ? s.BoundsTop() : s.BoundsLeft();
  const float hi = vertical ? s.BoundsBottom() : s.BoundsRight();
  return edge == 0 ? lo : edge == 1 ? hi : (lo + hi) / 2;
}

TEST_F(SelectionTest, AlignmentsMoveTheTurnedBoundsOfTheSelection) {
  // Bounds: A (10, 20)-(40, 30); B (50, 60)-(70, 80); C turned by 90 degrees (100, 60)-(110, 100).
  // D is not selected and stays where it is.
  const AlignCase cases[] = {
      {"AlignLeft", &TdtpDocument::AlignLeft, false, 0, 10},
      {"AlignRight", &TdtpDocument::AlignRight, false, 1, 110},
      {"AlignTop", &TdtpDocument::AlignTop, true, 0, 20},
      {"AlignBottom", &TdtpDocument::AlignBottom, true, 1, 100},
      {"AlignHorzCenters", &TdtpDocument::AlignHorzCenters, false, 2, 60},
      {"AlignVertCenters", &TdtpDocument::AlignVertCenters, true, 2, 60},
  };
  for (const AlignCase& c : cases) {
    SCOPED_TRACE(c.Name);
    test::DocumentFixture g;
    TdtpShape* a = g.Add(10, 20, 30, 10);
    TdtpShape* b = g.Add(50, 60, 20, 20);
    TdtpShape* turned = g.Add(100, 100, 40, 10);
    turned->SetDocAngle(90);
    TdtpShape* other = g.Add(150, 150, 5, 5);
    for (TdtpShape* s : {a, b, turned}) s->SetSelected(true);
    g.doc.ClearUndo();

    (g.doc.*c.Op)();
    for (TdtpShape* s : {a, b, turned}) EXPECT_NEAR(Measure(*s, c.Vertical, c.Edge), c.Expected, 1e-4f) << s->DocLeft();
    EXPECT_NEAR(turned->BoundsRight() - turned->BoundsLeft(), 10, 1e-4f) << "sizes are kept";
    EXPECT_NEAR(turned->BoundsBottom() - turned->BoundsTop(), 40, 1e-4f);
    EXPECT_FLOAT_EQ(other->DocLeft(), 150);
    EXPECT_FLOAT_EQ(turned->DocAngle(), 90);

    g.doc.Undo();
    EXPECT_FLOAT_EQ(a->DocLeft(), 10) << "one step undoes the whole alignment";
    EXPECT_FLOAT_EQ(a->DocTop(), 20);
    EXPECT_FLOAT_EQ(b->DocLeft(), 50);
    EXPECT_FLOAT_EQ(b->DocTop(), 60);
    EXPECT_FLOAT_EQ(turned->DocLeft(), 100);
    EXPECT_FLOAT_EQ(turned->DocTop(), 100);
  }
}

TEST_F(SelectionTest, AlignmentTargetsStayOnThePage) {
  // The page is 210 x 297 mm; a single 20 x 10 mm shape lies off the page.
  const struct {
    const char* Name;
    DocOp Op;
    float Left, Top;          // the shape's position before
    float WantLeft, WantTop;  // its bounds' top-left after
  } cases[] = {
      {"left beyond the right edge", &TdtpDocument::AlignLeft, 250, 50, 210, 50},
      {"right beyond the left edge", &TdtpDocument::AlignRight, -50, 50, -20, 50},
      {"top below the page", &TdtpDocument::AlignTop, 50, 400, 50, 297},
      {"bottom above the page", &TdtpDocument::AlignBottom, 50, -40, 50, -10},
      {"centre beyond the right edge", &TdtpDocument::AlignHorzCenters, 250, 50, 230, 50},
      {"centre above the page", &TdtpDocument::AlignVertCenters, 50, -40, 50, -25},
      {"on the page nothing moves", &TdtpDocument::AlignLeft, 50, 50, 50, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test::DocumentFixture g;
    TdtpShape* s = g.Add(c.Left, c.Top, 20, 10);
    s->SetSelected(true);
    (g.doc.*c.Op)();
    EXPECT_FLOAT_EQ(s->BoundsLeft(), c.WantLeft);
    EXPECT_FLOAT_EQ(s->BoundsTop(), c.WantTop);
  }
}

TEST_F(SelectionTest, AlignWithoutSelectionChangesNothing) {
  TdtpShape* s = f.Add(10, 20, 30, 10);
  f.doc.AlignRight();
  EXPECT_FLOAT_EQ(s->DocLeft(), 10);
  EXPECT_EQ(f.doc.UndoCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Stacking order

TEST_F(SelectionTest, StackingOperationsExchangePlaces) {
  const struct {
    const char* Start;
    const char* Selected;
    DocOp Op;
    const char* Want;
  } cases[] = {
      {"ABC", "A", &TdtpDocument::BringToFront, "CBA"},  // A and C exchange places
      {"ABC", "C", &TdtpDocument::SendToBack, "CBA"},
      {"ABCDE", "AC", &TdtpDocument::BringToFront, "DBEAC"},
      {"ABCDE", "BD", &TdtpDocument::SendToBack, "BDCAE"},
      {"ABCDE", "AB", &TdtpDocument::BringForward, "CABDE"},  // a block moves by one place
      {"ABCDE", "DE", &TdtpDocument::SendBackward, "ABDEC"},
      {"ABCDE", "BD", &TdtpDocument::BringForward, "ACBED"},
      {"ABCDE", "BD", &TdtpDocument::SendBackward, "BADCE"},
      {"ABC", "C", &TdtpDocument::BringForward, "ABC"},  // already in front
      {"ABC", "A", &TdtpDocument::SendBackward, "ABC"},  // already at the back
      {"ABC", "", &TdtpDocument::BringToFront, "ABC"},
      {"ABC", "ABC", &TdtpDocument::SendToBack, "ABC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Start) + " with " + c.Selected + " -> " + c.Want);
    test::DocumentFixture g;
    for (const char* p = c.Start; *p; ++p) {
      TdtpShape* s = g.Add(0, 0, 10, 10);
      s->SetName(std::string(1, *p));
      s->SetSelected(std::string(c.Selected).find(*p) != std::string::npos);
    }
    g.doc.ClearUndo();
    (g.doc.*c.Op)();
    std::string order;
    for (int i = 0; i < g.doc.ShapeCount(); ++i) order += g.doc.Shapes(i)->Name();
    EXPECT_EQ(order, c.Want);
    EXPECT_EQ(g.doc.UndoCount(), 0) << "stacking changes are not undone";
    EXPECT_EQ(g.doc.SelectionCount(), static_cast<int>(std::string(c.Selected).size()));
  }
}

}  // namespace
}  // namespace kivrano
