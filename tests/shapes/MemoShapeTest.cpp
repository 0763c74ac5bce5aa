// Memo shapes: word wrap at the box's width, the box's height following the lines, caret rows
// and the caret's movement between them, persistence.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ShapeTestSupport.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpEditKeys.h"
#include "shapes/dtpLineEdit.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpTextShape.h"

namespace kivrano::test {
namespace {

constexpr float kD = 5.905512f;

using Lines = std::vector<std::string>;

std::unique_ptr<TdtpMemoShape> NewMemo(const std::string& text, float width = 40) {
  auto memo = std::make_unique<TdtpMemoShape>();
  memo->SetBounds(10, 10, width, 10);
  memo->SetText(text);
  return memo;
}

// Width in millimetres of one line in the memo's default font.
float Measure(const std::string& text) {
  TdtpTextShape probe;
  probe.SetText(text);
  return probe.DocWidth();
}

TEST(MemoShapeTest, DefaultsAndLines) {
  TdtpMemoShape memo;
  EXPECT_FLOAT_EQ(memo.DocWidth(), 40);
  EXPECT_TRUE(memo.WordWrap());
  memo.SetLines({"Warming up", "", "Rondo"});
  EXPECT_EQ(memo.Text(), "Warming up\r\n\r\nRondo");
  memo.SetText("a\rb\nc\r\nd");
  EXPECT_EQ(memo.Lines(), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTextLines(""), Lines{});
  EXPECT_EQ(SplitTextLines("a\r"), (Lines{"a", ""}));
  // Resizing never scales the font.
  const float font = memo.FontHeight();
  memo.SetBounds(0, 0, 80, 60);
  EXPECT_FLOAT_EQ(memo.FontHeight(), font);
  EXPECT_FLOAT_EQ(memo.DocWidth(), 80);
}

TEST(MemoShapeTest, TwoWordsWrapOnlyWhenTheWholeLineIsNotNarrowerThanTheBox) {
  const std::string line = "Passing drill";
  const float width = Measure(line);
  ASSERT_LT(width, 40);
  struct Case {
    float box;
    Lines expect;
  };
  for (const Case& c : {Case{width + 0.01f, {"Passing drill"}}, Case{width, {"Passing", "drill"}},
                        Case{width - 1, {"Passing", "drill"}}}) {
    SCOPED_TRACE(c.box);
    auto memo = NewMemo(line, c.box);
    EXPECT_EQ(memo->WrappedLines(), c.expect);
  }
  // At 40 mm: a line just narrower stays whole, one a word longer wraps before that word.
  std::string words = "drill";
  while (Measure(words + " drill") < 40) words += " drill";
  EXPECT_EQ(NewMemo(words)->WrappedLines(), Lines{words});
  EXPECT_EQ(NewMemo(words + " drill")->WrappedLines(), (Lines{words, "drill"}));
}

TEST(MemoShapeTest, WrappingCutsAtSpacesAndHyphensAndBreaksLongWordsByCharacter) {
  auto memo = NewMemo("Keep the ball moving between the four cones quickly");
  for (const std::string& l : memo->WrappedLines()) {
    EXPECT_LT(Measure(l), 40) << l;
    EXPECT_NE(l.front(), ' ');
    EXPECT_NE(l.back(), ' ');
  }
  EXPECT_GT(memo->WrappedLines().size(), 1u);

  // A word wider than the box: each piece is the longest that stays narrower than the box.
  const std::string word(40, 'W');
  auto longWord = NewMemo(word);
  std::string joined;
  for (const std::string& l : longWord->WrappedLines()) {
    joined += l;
    EXPECT_LT(Measure(l), 40) << l;
  }
  EXPECT_EQ(joined, word);
  ASSERT_GT(longWord->WrappedLines().size(), 1u);
  const std::string first = longWord->WrappedLines()[0];
  EXPECT_GE(Measure(first + "W"), 40);

  // The cut goes before the hyphen; the hyphen starts the next piece.
  auto hyphen = NewMemo("aaaa-bbbb", Measure("aaaa-b"));
  EXPECT_EQ(hyphen->WrappedLines(), (Lines{"aaaa", "-bbbb"}));

  // Empty lines stay lines; a line too wide for a single character still makes progress.
  EXPECT_EQ(NewMemo("a\r\n\r\nb")->WrappedLines(), (Lines{"a", "", "b"}));
  EXPECT_EQ(NewMemo("ab", 0.1f)->WrappedLines(), (Lines{"a", "b"}));
  // Without word wrap (or without width) the lines are drawn as they are.
  auto plain = NewMemo("Keep the ball moving", 5);
  plain->SetWordWrap(false);
  EXPECT_EQ(plain->WrappedLines(), plain->Lines());
}

TEST(MemoShapeTest, ASeparatorAtThePieceStartNeverStallsTheWrap) {
  // A piece starting with a hyphen or spaces has no cut point before its end but its start.
  for (const std::string& text : {std::string("-") + std::string(60, 'x'), std::string("   ") + std::string(60, 'x'),
                                   std::string(30, '-'), std::string(200, ' ') + "x"}) {
    SCOPED_TRACE(text);
    auto memo = NewMemo(text);
    std::string joined;
    for (const std::string& l : memo->WrappedLines()) joined += l;
    EXPECT_NE(joined.find('x') == std::string::npos, text.find('x') != std::string::npos);
    EXPECT_LT(memo->WrappedLines().size(), 40u);
  }
}

TEST(MemoShapeTest, HeightFollowsTheWrappedLinesPlusOne) {
  auto memo = NewMemo("One\rTwo\rThree");
  EXPECT_FLOAT_EQ(memo->DocHeight(), memo->LineHeight() * 4);
  EXPECT_FLOAT_EQ(memo->DocLeft(), 10);
  EXPECT_FLOAT_EQ(memo->DocTop(), 10);
  EXPECT_FLOAT_EQ(memo->DocWidth(), 40);
  // A narrower box wraps more and grows.
  memo->SetText("Keep the ball moving between the cones");
  const float height = memo->DocHeight();
  memo->SetBounds(10, 10, 20, 5);
  EXPECT_GT(memo->DocHeight(), height);
  EXPECT_FLOAT_EQ(memo->DocWidth(), 20);
  EXPECT_FLOAT_EQ(memo->DocHeight(), memo->LineHeight() * static_cast<float>(memo->WrappedLines().size() + 1));
}

TEST(MemoShapeTest, CaretPositionsGetTheRowsOfTheWrappedLines) {
  const float box = Measure("ab c");
  auto memo = NewMemo("ab cd\ref", box);
  ASSERT_EQ(memo->WrappedLines(), (Lines{"ab", "cd", "ef"}));
  memo->BuildCaretPositions();
  EXPECT_EQ(memo->CaretRows(), (std::vector<int>{0, 0, 0, 1, 1, 1, 2, 2, 2}));
  const auto& x = memo->CaretX();
  // Every row starts at 0; positions grow along a row.
  EXPECT_FLOAT_EQ(x[0], 0);
  EXPECT_FLOAT_EQ(x[3], 0);
  EXPECT_FLOAT_EQ(x[6], 0);
  EXPECT_NEAR(x[2], Measure("ab"), 0.2);
  EXPECT_NEAR(x[5], Measure("cd"), 0.2);
  EXPECT_GT(x[4], x[3]);

  // Right alignment: each row ends at the box's right edge, as it is drawn.
  memo->SetAlignment(dtaRight);
  memo->BuildCaretPositions();
  EXPECT_NEAR(memo->CaretX()[2], box, 0.1);
  EXPECT_NEAR(memo->CaretX()[5], box, 0.1);
}

TEST(MemoShapeTest, CaretMovesBetweenRowsAndEnterBreaksTheLine) {
  const float box = Measure("abc d");
  auto memo = NewMemo("abc def\rgh", box);
  ASSERT_EQ(memo->WrappedLines(), (Lines{"abc", "def", "gh"}));
  memo->BeginEdit();
  TdtpLineEdit* editor = memo->Editor();
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(memo->CaretPos(), 10);
  // From the end (row 2, after "gh"): Up goes to the closest x on row 1, Home and End to its ends.
  editor->KeyDown(kKeyUp, 0);
  EXPECT_EQ(memo->CaretRows()[static_cast<size_t>(memo->CaretPos())], 1);
  editor->KeyDown(kKeyHome, 0);
  EXPECT_EQ(memo->CaretPos(), 4);
  editor->KeyDown(kKeyEnd, 0);
  EXPECT_EQ(memo->CaretPos(), 7);
  editor->KeyDown(kKeyUp, 0);
  EXPECT_EQ(memo->CaretPos(), 3);
  editor->KeyDown(kKeyUp, 0);  // no row above: stays
  EXPECT_EQ(memo->CaretPos(), 3);
  editor->KeyDown(kKeyHome, 0);
  editor->KeyDown(kKeyDown, 0);
  EXPECT_EQ(memo->CaretPos(), 4);
  // Enter inserts a line break and keeps editing.
  memo->EditKeyDown(kKeyEnter, 0);
  EXPECT_NE(memo->Editor(), nullptr);
  EXPECT_EQ(memo->Text(), "abc \rdef\rgh");
  EXPECT_EQ(memo->Lines(), (Lines{"abc ", "def", "gh"}));
  memo->EditKeyDown(27, 0);
  EXPECT_EQ(memo->Editor(), nullptr);
  EXPECT_EQ(memo->Text(), "abc def\rgh");
}

TEST(MemoShapeTest, PaintsEveryWrappedLineOnItsOwnRow) {
  auto memo = NewMemo("Rondo\rPassing\rShooting");
  auto image = NewSurface(static_cast<int>(memo->DocWidth() * kD) + 1, static_cast<int>(memo->DocHeight() * kD) + 1);
  memo->SetPaintMatrix(ScaleMatrix(kD));
  memo->PaintBitmap(*image);
  const int rowHeight = static_cast<int>(memo->LineHeight() * kD);
  for (int row = 0; row < 4; ++row) {
    int ink = 0;
    for (int y = row * rowHeight + 2; y < (row + 1) * rowHeight - 2 && y < image->Height(); ++y) {
      for (int x = 0; x < image->Width(); ++x) ink += AlphaOf(image->GetPixel(x, y)) > 128;
    }
    if (row < 3) {
      EXPECT_GT(ink, 20) << row;
    } else {
      EXPECT_EQ(ink, 0) << row;  // the extra line at the bottom stays empty
    }
  }
}

TEST(MemoShapeTest, PersistsWordWrapAndRebuildsLinesOnLoading) {
  auto memo = NewMemo("Warming up\r\nRondo 4 v 2 with two touches");
  TdtpMemoShape copy;
  std::string xml = SaveAndLoad(*memo, copy);
  EXPECT_NE(xml.find("<WordWrap>True</WordWrap>"), std::string::npos);
  EXPECT_EQ(copy.Lines(), memo->Lines());
  EXPECT_EQ(copy.WrappedLines(), memo->WrappedLines());
  EXPECT_FLOAT_EQ(copy.DocHeight(), memo->DocHeight());

  memo->SetWordWrap(false);
  TdtpMemoShape unwrapped;
  xml = SaveAndLoad(*memo, unwrapped);
  EXPECT_EQ(xml.find("WordWrap"), std::string::npos);
  EXPECT_FALSE(unwrapped.WordWrap());
  EXPECT_EQ(unwrapped.WrappedLines(), memo->Lines());
}

TEST(MemoShapeTest, UndoRestoresWordWrap) {
  TdtpDocument doc;
  TdtpMemoShape* memo = AddQuietly(doc, NewMemo("Keep the ball moving between the cones"));
  const Lines wrapped = memo->WrappedLines();
  memo->SetWordWrap(false);
  EXPECT_EQ(memo->WrappedLines().size(), 1u);
  doc.Undo();
  EXPECT_TRUE(memo->WordWrap());
  EXPECT_EQ(memo->WrappedLines(), wrapped);
}

}  // namespace
}  // namespace kivrano::test
