#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "base/Exception.h"
#include "platform/Dialogs.h"

namespace kivrano {
namespace {

// A document with undo recording on and a headless dialog box that records what it shows.
class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override { previousDialogs = SetDialogs(&dialogs); }
  void TearDown() override { SetDialogs(previousDialogs); }

  TdtpShape* AddRecorded(float left, float top, float width, float height) {
    auto shape = std::make_unique<TdtpShape>();
    shape->SetBounds(left, top, width, height);
    TdtpShape* raw = shape.get();
    f.doc.AddShape(std::move(shape));
    return raw;
  }

  test::DocumentFixture f;
  THeadlessDialogs dialogs;
  IDialogs* previousDialogs = nullptr;
};

TEST_F(UndoTest, AMoveIsUndoneInOneStep) {
  TdtpShape* s = f.Add(10, 20, 5, 5);
  s->SetBounds(30, 40, 5, 5);
  EXPECT_EQ(f.doc.UndoCount(), 2);
  f.doc.Undo();
  EXPECT_EQ(s->DocLeft(), 10.0f);
  EXPECT_EQ(s->DocTop(), 20.0f);
  EXPECT_EQ(f.doc.UndoCount(), 0);
  EXPECT_EQ(f.doc.RedoCount(), 2);
  f.doc.Redo();
  EXPECT_EQ(s->DocLeft(), 30.0f);
  EXPECT_EQ(s->DocTop(), 40.0f);
  EXPECT_EQ(f.doc.RedoCount(), 0);
}

TEST_F(UndoTest, ConsecutiveChangesOfOnePropertyMerge) {
  TdtpShape* s = f.Add(0, 0, 5, 5);
  s->SetMasterAlpha(100);
  s->SetMasterAlpha(50);
  EXPECT_EQ(f.doc.UndoCount(), 1);
  f.doc.Undo();
  EXPECT_EQ(s->MasterAlpha(), 255);
  EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(UndoTest, ChangesOfTwoShapesInOneGroupAreOneStep) {
  TdtpShape* a = f.Add(0, 0, 5, 5);
  TdtpShape* b = f.Add(0, 0, 5, 5);
  a->SetDocLeft(1);  // a step of its own before the group
  f.doc.BeginUndo();
  a->SetDocAngle(90);
  b->SetDocWidth(50);
  b->SetMasterAlpha(7);
  f.doc.EndUndo();
  f.doc.Undo();
  EXPECT_EQ(a->DocAngle(), 0.0f);
  EXPECT_EQ(b->DocWidth(), 5.0f);
  EXPECT_EQ(b->MasterAlpha(), 255);
  EXPECT_EQ(a->DocLeft(), 1.0f);
  f.doc.Undo();
  EXPECT_EQ(a->DocLeft(), 0.0f);
  // Redo replays the group as it was recorded into the redo list.
  f.doc.Redo();
  EXPECT_EQ(a->DocLeft(), 1.0f);
  EXPECT_EQ(b->DocWidth(), 5.0f);
  f.doc.Redo();
  EXPECT_EQ(a->DocAngle(), 90.0f);
  EXPECT_EQ(b->DocWidth(), 50.0f);
  EXPECT_EQ(b->MasterAlpha(), 7);
}

TEST_F(UndoTest, DeletedShapeComesBackWithItsIndexAndId) {
  f.Add(0, 0, 5, 5);
  TdtpShape* s = f.Add(1, 2, 3, 4);
  f.Add(0, 0, 5, 5);
  s->SetName("pion");
  s->SetDocAngle(30);  // an earlier change, to be undone after the restore
  const int32_t id = s->ShapeID();
  f.doc.DeleteShape(1);
  EXPECT_EQ(f.doc.ShapeCount(), 2);
  f.doc.Undo();
  ASSERT_EQ(f.doc.ShapeCount(), 3);
  TdtpShape* back = f.doc.Shapes(1);
  EXPECT_EQ(back->ShapeID(), id);
  EXPECT_EQ(back->Name(), "pion");
  EXPECT_EQ(back->DocLeft(), 1.0f);
  EXPECT_EQ(back->DocHeight(), 4.0f);
  EXPECT_EQ(back->DocAngle(), 30.0f);
  f.doc.Undo();
  EXPECT_EQ(back->DocAngle(), 0.0f);
  EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(UndoTest, InsertionIsUndoneAndRedoneWithTheSameId) {
  TdtpShape* s = AddRecorded(5, 5, 10, 10);
  const int32_t id = s->ShapeID();
  EXPECT_EQ(f.doc.UndoCount(), 1);
  f.doc.Undo();
  EXPECT_EQ(f.doc.ShapeCount(), 0);
  f.doc.Redo();
  ASSERT_EQ(f.doc.ShapeCount(), 1);
  EXPECT_EQ(f.doc.Shapes(0)->ShapeID(), id);
  EXPECT_EQ(f.doc.Shapes(0)->DocWidth(), 10.0f);
  f.doc.Undo();
  EXPECT_EQ(f.doc.ShapeCount(), 0);
}

TEST_F(UndoTest, DisabledRecordingMakesNoRecords) {
  TdtpShape* s = f.Add(0, 0, 5, 5);
  s->SetDocLeft(3);
  f.doc.SetUndoEnabled(false);
  EXPECT_EQ(f.doc.UndoCount(), 0);
  s->SetDocLeft(4);
  EXPECT_EQ(f.doc.UndoCount(), 0);
  f.doc.Undo();
  EXPECT_EQ(s->DocLeft(), 4.0f);
  f.doc.SetUndoEnabled(true);
  EXPECT_EQ(f.doc.UndoCount(), 0);
  EXPECT_EQ(f.doc.RedoCount(), 0);
  f.doc.LockUndo();
  EXPECT_FALSE(f.doc.UndoEnabled());
  s->SetDocLeft(5);
  f.doc.UnlockUndo();
  EXPECT_EQ(f.doc.UndoCount(), 0);
}

TEST_F(UndoTest, TheOldestRecordsGoWhenTenMebibytesAreExceeded) {
  // A record counts its name, its value and 4 bytes.
  const struct {
    size_t secondValue;
    int kept;
  } cases[] = {{10485760 - 4 - 1 - 1000 - 4 - 1, 2}, {10485760 - 4 - 1 - 1000 - 4, 1}};
  for (const auto& c : cases) {
    TdtpDocument doc;
    doc.AddUndoCommand(std::make_unique<TdtpCommand>(0, std::string(1000, 'a'), "A", 5));
    doc.AddUndoCommand(std::make_unique<TdtpCommand>(0, std::string(c.secondValue, 'b'), "B", 5));
    EXPECT_EQ(doc.UndoCount(), c.kept) << c.secondValue;
    EXPECT_EQ(doc.UndoList().Last()->Name(), "B");
  }
}

TEST_F(UndoTest, RecordForAMissingShapeIsReportedOnceAndConsumed) {
  TdtpShape* s = f.Add(0, 0, 5, 5);
  f.doc.BeginUndo();
  s->SetDocLeft(9);
  f.doc.AddUndoCommand(std::make_unique<TdtpCommand>(0, "1", "DocTop", 99999));
  f.doc.EndUndo();
  f.doc.Undo();
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].Text, "Unable to execute UNDO");
  EXPECT_EQ(f.doc.UndoCount(), 0);
  EXPECT_EQ(s->DocLeft(), 0.0f) << "the rest of the group is still undone";
}

TEST_F(UndoTest, UnbalancedEndUndoFails) {
  try {
    f.doc.EndUndo();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "dtpDocument: EndUndo called more often than BeginUndo");
  }
  // The document stays usable.
  TdtpShape* s = f.Add(0, 0, 5, 5);
  s->SetBounds(1, 1, 5, 5);
  f.doc.Undo();
  EXPECT_EQ(s->DocLeft(), 0.0f);
}

TEST_F(UndoTest, CommandsAreFoundOnOtherPagesToo) {
  TdtpShape* s = f.Add(0, 0, 5, 5);
  s->SetDocLeft(8);
  f.doc.AddPage(nullptr);
  f.doc.SetCurrentPageIndex(1);
  f.doc.Undo();
  EXPECT_EQ(s->DocLeft(), 0.0f);
  EXPECT_FALSE(f.doc.ExecuteCommand(TdtpCommand(0, "1", "DocLeft", 0))) << "id 0 is nobody";
}

TEST_F(UndoTest, AnUnreadableValueFailsWithoutLeavingTheDocumentLocked) {
  TdtpShape* s = f.Add(0, 0, 5, 5);
  f.doc.AddUndoCommand(std::make_unique<TdtpCommand>(0, "vijf", "DocLeft", s->ShapeID()));
  EXPECT_THROW(f.doc.Undo(), Exception);
  EXPECT_TRUE(f.doc.UndoEnabled());
  EXPECT_FALSE(f.doc.ExecutingUndo());
  s->SetDocLeft(2);
  EXPECT_EQ(f.doc.UndoCount(), 1);
}

TEST(UndoRecord, SizeAndDataOwnership) {
  auto data = std::make_unique<TMemoryStream>();
  data->WriteBuffer("12345678", 8);
  TdtpCommand command(2, std::move(data), "TdtpShape", "ClassName", 3);
  EXPECT_EQ(command.Size(), 9 + 9 + 4 + 8);
  EXPECT_EQ(command.Data()->Position(), 0);
  EXPECT_FALSE(command.GroupContinued());
}

}  // namespace
}  // namespace kivrano
