#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/dtpGroupShape.h"

namespace kivrano {
namespace {

using Corners = std::array<TFloatPoint, 4>;

// Where a shape's corners lie on the page, through all its parents.
Corners PageCorners(const TdtpShape& s) {
  return {s.LocalToPage({0, 0}), s.LocalToPage({s.DocWidth(), 0}), s.LocalToPage({0, s.DocHeight()}),
          s.LocalToPage({s.DocWidth(), s.DocHeight()})};
}

void ExpectSameCorners(const Corners& got, const Corners& want, const std::string& what) {
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(got[i].X, want[i].X, 1e-3f) << what << " corner " << i;
    EXPECT_NEAR(got[i].Y, want[i].Y, 1e-3f) << what << " corner " << i;
  }
}

class GroupTest : public ::testing::Test {
 protected:
  // Six shapes "A" ... "F"; B is turned by 30 degrees and D has a curb of 2 mm.
  void SetUp() override {
    // Undo records bring removed groups back by class name.
    RegisterGroupShapeClass();
    const float geometry[6][4] = {{5, 5, 10, 10},   {30, 40, 20, 10}, {60, 10, 5, 5},
                                  {70, 20, 10, 30}, {20, 90, 15, 5},  {150, 150, 10, 10}};
    for (int i = 0; i < 6; ++i) {
      TdtpShape* s = f.Add(geometry[i][0], geometry[i][1], geometry[i][2], geometry[i][3]);
      s->SetName(std::string(1, static_cast<char>('A' + i)));
      shapes.push_back(s);
    }
    shapes[1]->SetDocAngle(30);
    shapes[3]->SetCurb(2);
    f.doc.ClearUndo();
    f.ResetRecords();
  }

  std::string Order(const TdtpShape& parent) {
    std::string order;
    for (int i = 0; i < parent.GetShapeCount(); ++i) {
      const TdtpShape* s = parent.GetShape(i);
      order += dynamic_cast<const TdtpGroupShape*>(s) ? "G" : s->Name();
    }
    return order;
  }

  void Select(const std::string& names) {
    for (int i = 0; i < f.doc.ShapeCount(); ++i) {
      TdtpShape* s = f.doc.Shapes(i);
      s->SetSelected(!s->Name().empty() && names.find(s->Name()) != std::string::npos);
    }
  }

  TdtpShape* Named(const std::string& name) {
    for (TdtpShape* s : shapes) {
      if (s->Name() == name) return s;
    }
    return nullptr;
  }

  test::DocumentFixture f;
  std::vector<TdtpShape*> shapes;
};

TEST_F(GroupTest, GroupingThreeOfSixAndUngroupingKeepsTheirGeometry) {
  std::vector<Corners> before;
  for (const TdtpShape* s : shapes) before.push_back(PageCorners(*s));
  Select("BDE");

  f.doc.GroupSelection();
  EXPECT_EQ(Order(*f.page()), "AGCF") << "the group takes the place of the backmost member";
  auto* group = dynamic_cast<TdtpGroupShape*>(f.doc.Shapes(1));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(Order(*group), "BDE") << "members keep their stacking order";
  EXPECT_TRUE(group->Grouped());
  EXPECT_TRUE(group->Selected());
  EXPECT_EQ(f.doc.SelectionCount(), 1);
  EXPECT_EQ(f.doc.FocusedShape(), group);
  EXPECT_FLOAT_EQ(group->DocAngle(), 0);
  for (int i = 0; i < 3; ++i) {
    const TdtpShape* member = group->GetShape(i);
    EXPECT_FALSE(member->AllowSelect());
    EXPECT_FALSE(member->Selected());
    ExpectSameCorners(PageCorners(*member), before[member->Name()[0] - 'A'], "grouped " + member->Name());
  }
  // The group spans its members' bounds with curbs: E starts at x 20, D's curb reaches from y 18 to
  // x 82, E ends at y 95.
  EXPECT_NEAR(group->DocLeft(), 20, 1e-4f);
  EXPECT_NEAR(group->DocTop(), 18, 1e-4f);
  EXPECT_NEAR(group->DocLeft() + group->DocWidth(), 82, 1e-4f);
  EXPECT_NEAR(group->DocTop() + group->DocHeight(), 95, 1e-4f);

  f.doc.UngroupSelection();
  EXPECT_EQ(Order(*f.page()), "ABDECF") << "the members stand directly above what was below the group";
  EXPECT_EQ(f.doc.SelectionCount(), 3);
  for (int i = 0; i < 6; ++i) {
    const TdtpShape* s = f.doc.Shapes(i);
    EXPECT_TRUE(s->AllowSelect());
    EXPECT_EQ(s->Selected(), i >= 1 && i <= 3) << s->Name();
    ExpectSameCorners(PageCorners(*s), before[s->Name()[0] - 'A'], "ungrouped " + s->Name());
  }
  EXPECT_FLOAT_EQ(Named("B")->DocAngle(), 30);
  EXPECT_FLOAT_EQ(Named("B")->DocLeft(), 30);
  EXPECT_FLOAT_EQ(Named("B")->DocTop(), 40);
}

TEST_F(GroupTest, UngroupingATurnedGroupKeepsWhatWasOnScreen) {
  Select("BC");
  f.doc.GroupSelection();
  TdtpShape* group = f.doc.FocusedShape();
  ASSERT_NE(group, nullptr);
  group->SetAngleAroundCenter(40);
  std::vector<Corners> onScreen;
  for (int i = 0; i < group->GetShapeCount(); ++i) onScreen.push_back(PageCorners(*group->GetShape(i)));

  f.doc.UngroupSelection();
  EXPECT_EQ(Order(*f.page()), "ABCDEF");
  ExpectSameCorners(PageCorners(*f.doc.Shapes(1)), onScreen[0], "B");
  ExpectSameCorners(PageCorners(*f.doc.Shapes(2)), onScreen[1], "C");
  EXPECT_NEAR(f.doc.Shapes(1)->DocAngle(), 70, 1e-4f);
  EXPECT_NEAR(f.doc.Shapes(2)->DocAngle(), 40, 1e-4f);
}

TEST_F(GroupTest, GroupingAndUngroupingAreEachUndoneAsOneStep) {
  std::vector<Corners> before;
  for (const TdtpShape* s : shapes) before.push_back(PageCorners(*s));
  Select("BDE");
  f.doc.GroupSelection();
  f.doc.Undo();
  EXPECT_EQ(Order(*f.page()), "ABCDEF");
  for (int i = 0; i < 6; ++i) {
    const TdtpShape* s = f.doc.Shapes(i);
    EXPECT_TRUE(s->AllowSelect()) << s->Name();
    ExpectSameCorners(PageCorners(*s), before[static_cast<size_t>(i)], "after undo " + s->Name());
  }
  EXPECT_EQ(f.doc.UndoCount(), 0);

  // Group again, then ungroup and undo the ungrouping: the group is back with unselectable members.
  Select("BDE");
  f.doc.GroupSelection();
  f.doc.UngroupSelection();
  f.doc.Undo();
  EXPECT_EQ(Order(*f.page()), "AGCF");
  const TdtpShape* group = f.doc.Shapes(1);
  ASSERT_EQ(group->ClassName(), "TdtpGroupShape");
  EXPECT_EQ(Order(*group), "BDE");
  for (int i = 0; i < group->GetShapeCount(); ++i) {
    const TdtpShape* member = group->GetShape(i);
    EXPECT_FALSE(member->AllowSelect()) << member->Name();
    ExpectSameCorners(PageCorners(*member), before[member->Name()[0] - 'A'], "regrouped " + member->Name());
  }
  f.doc.Undo();
  EXPECT_EQ(Order(*f.page()), "ABCDEF");
}

TEST_F(GroupTest, NothingSelectedGroupsNothing) {
  f.doc.GroupSelection();
  f.doc.UngroupSelection();
  EXPECT_EQ(Order(*f.page()), "ABCDEF");
  EXPECT_EQ(f.doc.UndoCount(), 0);
}

TEST_F(GroupTest, AMemberKeepingItsAspectLocksTheGroupsAspect) {
  Named("C")->SetPreserveAspect(true);
  Select("AC");
  f.doc.GroupSelection();
  const TdtpShape* group = f.doc.Shapes(0);
  EXPECT_TRUE(group->PreserveAspect());
  EXPECT_FLOAT_EQ(group->AspectRatio(), group->DocWidth() / group->DocHeight());

  Select("EF");
  f.doc.GroupSelection();
  EXPECT_FALSE(f.doc.FocusedShape()->PreserveAspect());
}

TEST_F(GroupTest, ResizingAGroupLaysOutItsMembers) {
  // A (5, 5)-(15, 15) and C (60, 10)-(65, 15): the group spans x 5 ... 65.
  Select("AC");
  f.doc.GroupSelection();
  TdtpShape* group = f.doc.FocusedShape();
  ASSERT_FLOAT_EQ(group->DocWidth(), 60);
  group->SetDocWidth(120);
  EXPECT_FLOAT_EQ(group->GetShape(0)->DocLeft(), 0);
  EXPECT_FLOAT_EQ(group->GetShape(0)->DocWidth(), 20);
  EXPECT_FLOAT_EQ(group->GetShape(1)->DocLeft(), 110);
  EXPECT_FLOAT_EQ(group->GetShape(1)->DocWidth(), 10);
}

TEST_F(GroupTest, UngroupingSeveralGroupsLeavesOtherSelectedShapesAlone) {
  Select("AB");
  f.doc.GroupSelection();
  Select("DE");
  f.doc.GroupSelection();
  ASSERT_EQ(Order(*f.page()), "GCGF");
  for (int i = 0; i < 3; ++i) f.doc.Shapes(i)->SetSelected(true);
  f.doc.UngroupSelection();
  EXPECT_EQ(Order(*f.page()), "ABCDEF");
  EXPECT_EQ(f.doc.SelectionCount(), 5);
  EXPECT_FALSE(Named("F")->Selected());
}

TEST_F(GroupTest, RedoFormsTheGroupAgain) {
  Select("BDE");
  f.doc.GroupSelection();
  std::vector<Corners> grouped;
  for (int i = 0; i < 3; ++i) grouped.push_back(PageCorners(*f.doc.Shapes(1)->GetShape(i)));
  f.doc.Undo();
  f.doc.Redo();
  EXPECT_EQ(Order(*f.page()), "AGCF");
  TdtpShape* group = f.doc.Shapes(1);
  ASSERT_EQ(Order(*group), "BDE");
  EXPECT_TRUE(group->Grouped());
  for (int i = 0; i < 3; ++i) ExpectSameCorners(PageCorners(*group->GetShape(i)), grouped[static_cast<size_t>(i)], "redone");
  group->SetSelected(true);
  f.doc.UngroupSelection();
  EXPECT_EQ(Order(*f.page()), "ABDECF");
}

}  // namespace
}  // namespace kivrano
