// In-place editing of text and memo shapes driven through the headless host with pointer and key
// events, as the view delivers them. The page sits at the view's origin at 4 pixels per millimetre.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "shapes/ShapeTestSupport.h"
#include "platform/HeadlessViewHost.h"
#include "shapes/dtpEditKeys.h"
#include "shapes/dtpLineEdit.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpTextShape.h"

namespace kivrano::test {
namespace {

constexpr float kDpm = 4;

int Px(float mm) { return static_cast<int>(std::lround(mm * kDpm)); }

struct TextEditingFixture : ::testing::Test {
  THeadlessViewHost host{800, 600};
  DocumentFixture f;
  TdtpDocument& doc = f.doc;
  std::vector<TdtpShape*> editClosed;

  TextEditingFixture() {
    doc.SetHost(&host);
    doc.SetScreenDpm(kDpm);
    doc.UpdateExtent();
    doc.OnShapeEditClosed = [this](TdtpDocument*, TdtpShape* s) { editClosed.push_back(s); };
  }

  template <typename T>
  T* Add(const std::string& text, float left = 40, float top = 40) {
    auto shape = std::make_unique<T>();
    shape->SetSmartHitTest(false);  // the whole box is hit, not only the letters
    shape->SetBounds(left, top, 40, 10);
    shape->SetText(text);
    return AddQuietly(doc, std::move(shape));
  }

  void DoubleClick(const TdtpShape& s) {
    const int x = Px(s.DocLeft() + s.DocWidth() / 2), y = Px(s.DocTop() + s.DocHeight() / 2);
    doc.MouseDown(mbLeft, ssLeft, x, y);
    doc.MouseUp(mbLeft, 0, x, y);
    doc.DblClick(mbLeft, ssLeft | ssDouble, x, y);
    doc.MouseUp(mbLeft, 0, x, y);
  }

  void Type(const std::u32string& text) {
    for (char32_t c : text) doc.KeyPress(c);
  }

  void Key(int key, int shift = 0) {
    doc.KeyDown(key, shift);
    doc.KeyUp(key, shift);
  }

  void PaintAll() { doc.Paint(TRect{0, 0, host.ClientWidth(), host.ClientHeight()}); }

  // Window pixels of a colour inside the shape's box (colour bits only: the canvas leaves alpha 0).
  int CountColour(const TdtpShape& s, TColor color) {
    const TColor32 want = ToColor32(color) & 0x00FFFFFF;
    const TBitmap32& surface = doc.WindowSurface();
    int count = 0;
    for (int y = Px(s.DocTop()) - 2; y <= Px(s.DocTop() + s.DocHeight()) + 2; ++y) {
      for (int x = Px(s.DocLeft()) - 2; x <= Px(s.DocLeft() + s.DocWidth()) + 2; ++x) {
        if (surface.InBounds(x, y) && (surface.GetPixel(x, y) & 0x00FFFFFF) == want) ++count;
      }
    }
    return count;
  }
};

TEST_F(TextEditingFixture, DoubleClickEditsWithEverythingSelectedAndABlinkingCaret) {
  TdtpTextShape* text = Add<TdtpTextShape>("Rondo");
  const int timers = host.TimerCount();
  DoubleClick(*text);
  ASSERT_EQ(doc.DragState(), dsEditing);
  ASSERT_EQ(doc.EditedShape(), text);
  ASSERT_NE(text->Editor(), nullptr);
  EXPECT_EQ(host.TimerCount(), timers + 1);
  EXPECT_EQ(text->SelStart(), 0);
  EXPECT_EQ(text->SelLength(), 5);
  EXPECT_EQ(text->CaretPos(), 5);

  EXPECT_FALSE(text->CaretHidden());
  host.ResetRecords();
  host.AdvanceTime(399);
  EXPECT_FALSE(text->CaretHidden());
  host.AdvanceTime(1);
  EXPECT_TRUE(text->CaretHidden());
  EXPECT_FALSE(host.Invalidated().empty());
  host.AdvanceTime(400);
  EXPECT_FALSE(text->CaretHidden());
}

TEST_F(TextEditingFixture, TypingReplacesTheSelectionAndEscapeRestoresTheText) {
  TdtpTextShape* text = Add<TdtpTextShape>("Rondo");
  const int timers = host.TimerCount();
  const float width = text->DocWidth();
  DoubleClick(*text);
  Type(U"Hats!");
  EXPECT_EQ(text->Text(), "Hats!");
  Key(kKeyBackspace);
  EXPECT_EQ(text->Text(), "Hats");
  EXPECT_EQ(text->CaretPos(), 4);
  EXPECT_NE(text->DocWidth(), width);  // the box follows while typing
  Key(kKeyEscape);
  EXPECT_EQ(text->Text(), "Rondo");
  EXPECT_FLOAT_EQ(text->DocWidth(), width);
  EXPECT_EQ(doc.DragState(), dsIdle);
  EXPECT_EQ(doc.EditedShape(), nullptr);
  EXPECT_EQ(text->Editor(), nullptr);
  EXPECT_EQ(host.TimerCount(), timers);
  ASSERT_EQ(editClosed.size(), 1u);
  EXPECT_EQ(editClosed[0], text);
}

TEST_F(TextEditingFixture, KeysThatEndTheEditAcceptIt) {
  for (int key : {kKeyEnter, kKeyTab, kKeyF2, 43}) {
    SCOPED_TRACE(key);
    TdtpTextShape* text = Add<TdtpTextShape>("Rondo", 40, 40 + static_cast<float>(editClosed.size()) * 15);
    DoubleClick(*text);
    ASSERT_EQ(doc.EditedShape(), text);
    Type(U"Pass");
    Key(key);
    EXPECT_EQ(doc.DragState(), dsIdle);
    EXPECT_EQ(text->Editor(), nullptr);
    EXPECT_EQ(text->Text(), "Pass");
  }
  // The typed word is one undo step.
  TdtpTextShape* last = dynamic_cast<TdtpTextShape*>(doc.CurrentPage()->GetShape(doc.CurrentPage()->GetShapeCount() - 1));
  ASSERT_NE(last, nullptr);
  doc.Undo();
  EXPECT_EQ(last->Text(), "Rondo");
}

TEST_F(TextEditingFixture, EnterBreaksAMemoLineAndKeepsEditing) {
  TdtpMemoShape* memo = Add<TdtpMemoShape>("Warming up");
  DoubleClick(*memo);
  ASSERT_EQ(doc.EditedShape(), memo);
  Key(kKeyRight);  // to the end, selection cleared
  const float height = memo->DocHeight();
  Key(kKeyEnter);
  Type(U"Rondo");
  EXPECT_EQ(doc.DragState(), dsEditing);
  EXPECT_EQ(memo->Text(), "Warming up\rRondo");
  EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"Warming up", "Rondo"}));
  EXPECT_FLOAT_EQ(memo->DocHeight(), height + memo->LineHeight());
  EXPECT_EQ(memo->CaretRows()[static_cast<size_t>(memo->CaretPos())], 1);
  Key(kKeyTab);
  EXPECT_EQ(doc.DragState(), dsIdle);
  EXPECT_EQ(memo->Text(), "Warming up\rRondo");
}

TEST_F(TextEditingFixture, APressOutsideTheShapeAcceptsAndOneInsideKeepsEditing) {
  TdtpTextShape* text = Add<TdtpTextShape>("Rondo");
  DoubleClick(*text);
  Type(U"Goal");
  doc.MouseDown(mbLeft, ssLeft, Px(text->DocLeft() + 1), Px(text->DocTop() + 1));
  doc.MouseUp(mbLeft, 0, Px(text->DocLeft() + 1), Px(text->DocTop() + 1));
  EXPECT_EQ(doc.DragState(), dsEditing);
  doc.MouseDown(mbLeft, ssLeft, Px(150), Px(120));
  EXPECT_EQ(doc.DragState(), dsIdle);
  EXPECT_EQ(text->Text(), "Goal");
  ASSERT_EQ(editClosed.size(), 1u);
}

TEST_F(TextEditingFixture, ClipboardKeysAndTheEditMenuReachTheEditor) {
  TdtpTextShape* text = Add<TdtpTextShape>("Rondo");
  DoubleClick(*text);
  doc.KeyPress(3);  // copy: the selected text, not the shape
  EXPECT_EQ(host.ClipboardText(), "Rondo");
  EXPECT_EQ(doc.ShapeCount(), 1);
  doc.KeyPress(24);  // cut
  EXPECT_EQ(text->Text(), "");
  doc.KeyPress(22);  // paste
  doc.KeyPress(22);
  EXPECT_EQ(text->Text(), "RondoRondo");
  EXPECT_EQ(doc.ShapeCount(), 1);
  doc.ContextPopup(Px(45), Px(45));
  ASSERT_EQ(host.LastPopup().size(), 3u);
  text->Editor()->SelectAll();
  host.LastPopup()[0].OnClick();  // "Cut"
  EXPECT_EQ(text->Text(), "");
  EXPECT_EQ(host.ClipboardText(), "RondoRondo");
}

TEST_F(TextEditingFixture, TheSelectionIsHatchedAndTheCaretBlinksOnTheWindow) {
  TdtpTextShape* text = Add<TdtpTextShape>("Rondo");
  DoubleClick(*text);
  PaintAll();
  const TColor hatch = 0x808080, caret = 0x800000;
  EXPECT_GT(CountColour(*text, hatch), 10);
  EXPECT_GT(CountColour(*text, caret), 10);
  Key(kKeyRight);  // clears the selection
  PaintAll();
  EXPECT_EQ(CountColour(*text, hatch), 0);
  EXPECT_GT(CountColour(*text, caret), 10);
  host.AdvanceTime(400);
  PaintAll();
  EXPECT_EQ(CountColour(*text, caret), 0);
  // After the edit the ordinary selection frame is back.
  Key(kKeyEnter);
  PaintAll();
  EXPECT_EQ(CountColour(*text, caret), 0);
}

TEST_F(TextEditingFixture, ADisabledShapeEndsItsEditAtOnce) {
  TdtpTextShape* text = Add<TdtpTextShape>("Rondo");
  text->SetEnabled(false);
  text->SetSelected(true);
  const int timers = host.TimerCount();
  Key(kKeyF2);
  EXPECT_EQ(doc.DragState(), dsIdle);
  EXPECT_EQ(text->Editor(), nullptr);
  EXPECT_EQ(host.TimerCount(), timers);
  ASSERT_EQ(editClosed.size(), 1u);
  EXPECT_EQ(text->Text(), "Rondo");
}

TEST_F(TextEditingFixture, DeletingTheEditedShapeStopsItsTimer) {
  TdtpTextShape* text = Add<TdtpTextShape>("Rondo");
  const int timers = host.TimerCount();
  DoubleClick(*text);
  doc.EndEditShape(1);
  text->BeginEdit();  // editing without the document's state, as a caller may do
  EXPECT_EQ(host.TimerCount(), timers + 1);
  doc.LockUndo();
  doc.DeleteShape(0);
  doc.UnlockUndo();
  EXPECT_EQ(host.TimerCount(), timers);
  host.AdvanceTime(2000);
}

}  // namespace
}  // namespace kivrano::test
