// The in-place text editor on its own: keys, selection, clipboard, limits, UTF-8.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/HeadlessViewHost.h"
#include "shapes/dtpEditKeys.h"
#include "shapes/dtpLineEdit.h"

namespace kivrano::test {
namespace {


struct KeyStep {
  int key;
  int shift;
};

struct KeyCase {
  const char* name;
  const char* text;
  int caret;
  int selStart;
  int selLength;
  std::vector<KeyStep> keys;
  const char* expectText;
  int expectCaret;
  int expectSelStart;
  int expectSelLength;
};

TEST(LineEditTest, KeysEditAndMoveTheCaretAndSelection) {
  const std::vector<KeyCase> cases = {
      {"backspace deletes before the caret", "abcd", 2, 0, 0, {{kKeyBackspace, 0}}, "acd", 1, 0, 0},
      {"delete deletes after the caret", "abcd", 2, 0, 0, {{kKeyDelete, 0}}, "abd", 2, 0, 0},
      {"backspace at the start does nothing", "ab", 0, 0, 0, {{kKeyBackspace, 0}}, "ab", 0, 0, 0},
      {"delete at the end does nothing", "ab", 2, 0, 0, {{kKeyDelete, 0}}, "ab", 2, 0, 0},
      {"backspace removes the selection", "abcdef", 4, 1, 3, {{kKeyBackspace, 0}}, "aef", 1, 1, 0},
      {"delete removes the selection", "abcdef", 1, 1, 3, {{kKeyDelete, 0}}, "aef", 1, 1, 0},
      {"enter inserts a carriage return", "ab", 1, 0, 0, {{kKeyEnter, 0}}, "a\rb", 2, 2, 0},
      {"home, end, left, right", "abcd", 2, 0, 0, {{kKeyHome, 0}, {kKeyRight, 0}, {kKeyRight, 0}, {kKeyLeft, 0}}, "abcd", 1, 1, 0},
      {"up and down step by one by default", "abcd", 2, 0, 0, {{kKeyUp, 0}, {kKeyUp, 0}, {kKeyDown, 0}}, "abcd", 1, 1, 0},
      {"movement stops at the ends", "ab", 0, 0, 0, {{kKeyLeft, 0}, {kKeyEnd, 0}, {kKeyRight, 0}}, "ab", 2, 2, 0},
      {"a plain move clears the selection", "abcd", 4, 0, 4, {{kKeyLeft, 0}}, "abcd", 3, 0, 0},
      {"shift+right starts a selection at the caret", "abcd", 1, 0, 0, {{kKeyRight, ssShift}, {kKeyRight, ssShift}}, "abcd", 3, 1, 2},
      {"shift+left starts a selection to the left", "abcd", 3, 0, 0, {{kKeyLeft, ssShift}, {kKeyLeft, ssShift}}, "abcd", 1, 1, 2},
      {"shift+right after shift+left shrinks", "abcd", 3, 0, 0, {{kKeyLeft, ssShift}, {kKeyLeft, ssShift}, {kKeyRight, ssShift}}, "abcd", 2, 2, 1},
      {"shift+home from a selection's end flips it", "abcde", 5, 2, 3, {{kKeyHome, ssShift}}, "abcde", 0, 0, 2},
      {"shift+end from the start of the text", "abc", 0, 0, 0, {{kKeyEnd, ssShift}}, "abc", 3, 0, 3},
      {"other keys are ignored", "abc", 1, 0, 0, {{65, 0}, {112, 0}}, "abc", 1, 0, 0},
      {"characters are counted, not bytes", "\xC3\xA9t\xC3\xA9", 3, 0, 0, {{kKeyBackspace, 0}, {kKeyLeft, 0}, {kKeyDelete, 0}}, "\xC3\xA9", 1, 1, 0},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    TdtpLineEdit editor;
    editor.SetText(c.text);
    editor.SetCaretPos(c.caret);
    editor.SetSelStart(c.selStart);
    editor.SetSelLength(c.selLength);
    for (const KeyStep& k : c.keys) editor.KeyDown(k.key, k.shift);
    EXPECT_EQ(editor.Text(), c.expectText);
    EXPECT_EQ(editor.CaretPos(), c.expectCaret);
    EXPECT_EQ(editor.SelLength(), c.expectSelLength);
    if (c.expectSelLength > 0) {
      EXPECT_EQ(editor.SelStart(), c.expectSelStart);
    }
  }
}

TEST(LineEditTest, TypingInsertsOrReplacesAndAppliesTheCaseMode) {
  TdtpLineEdit editor;
  int changes = 0;
  editor.OnChange = [&](TdtpLineEdit&) { ++changes; };
  editor.SetText("hello");
  editor.SelectAll();
  EXPECT_EQ(editor.SelStart(), 0);
  EXPECT_EQ(editor.SelLength(), 5);
  EXPECT_EQ(editor.CaretPos(), 5);
  editor.KeyPress(U'J');
  EXPECT_EQ(editor.Text(), "J");
  EXPECT_EQ(editor.SelLength(), 0);
  editor.KeyPress(U'\u00EB');  // e with diaeresis
  EXPECT_EQ(editor.Text(), "J\xC3\xAB");
  editor.KeyPress(7);  // control characters are not text
  EXPECT_EQ(editor.Text(), "J\xC3\xAB");
  EXPECT_EQ(changes, 5);  // SetText, SelectAll and every key press notify

  editor.SetCaseMode(cmUpperCase);
  editor.KeyPress(U'a');
  editor.KeyPress(U'\u00E9');
  editor.SetCaseMode(cmLowerCase);
  editor.InsertText("XY");
  EXPECT_EQ(editor.Text(), "J\xC3\xAB" "A\xC3\x89xy");
}

TEST(LineEditTest, SetTextNotifiesEvenWhenUnchangedAndKeepsTheCaretThen) {
  TdtpLineEdit editor;
  int changes = 0;
  editor.OnChange = [&](TdtpLineEdit&) { ++changes; };
  editor.SetText("abc");
  editor.SetCaretPos(1);
  editor.SetText("abc");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(editor.CaretPos(), 1);
  editor.SetText("xy");
  EXPECT_EQ(editor.CaretPos(), 2);
  EXPECT_EQ(editor.SelLength(), 0);
}

TEST(LineEditTest, MaximumLengthNeverLetsTheTextGrowAndNeverDropsItsEnd) {
  TdtpLineEdit editor;
  editor.SetMaxLength(5);
  for (char32_t c : std::u32string(U"abcdefgh")) editor.KeyPress(c);
  EXPECT_EQ(editor.Text(), "abcde");
  // Typing inside a full text inserts nothing instead of pushing the last character out.
  editor.SetCaretPos(1);
  editor.KeyPress(U'x');
  EXPECT_EQ(editor.Text(), "abcde");
  editor.KeyDown(kKeyEnter, 0);
  EXPECT_EQ(editor.Text(), "abcde");
  // A replaced selection makes room.
  editor.SetSelStart(1);
  editor.SetSelLength(2);
  editor.InsertText("XYZW");
  EXPECT_EQ(editor.Text(), "aXYde");
  // A longer text set from outside is cut by Validate.
  editor.SetText("123456789");
  editor.Validate();
  EXPECT_EQ(editor.Text(), "12345");
  EXPECT_EQ(editor.CaretPos(), 5);
}

TEST(LineEditTest, ValidateClampsCaretAndSelection) {
  TdtpLineEdit editor;
  editor.SetText("abc");
  editor.SetCaretPos(10);
  editor.SetSelStart(-4);
  editor.SetSelLength(99);
  editor.Validate();
  EXPECT_EQ(editor.CaretPos(), 3);
  EXPECT_EQ(editor.SelStart(), 0);
  EXPECT_EQ(editor.SelLength(), 3);
  editor.SetSelStart(2);
  editor.SetSelLength(-1);
  editor.Validate();
  EXPECT_EQ(editor.SelLength(), 0);
}

TEST(LineEditTest, ClipboardKeysCopyCutAndPaste) {
  THeadlessViewHost host;
  TdtpLineEdit editor(&host);
  editor.SetText("drill sheet");
  editor.SetSelStart(0);
  editor.SetSelLength(5);
  editor.SetCaretPos(5);
  editor.KeyPress(3);
  EXPECT_EQ(host.ClipboardText(), "drill");
  EXPECT_EQ(editor.Text(), "drill sheet");
  editor.KeyPress(24);
  EXPECT_EQ(editor.Text(), " sheet");
  EXPECT_EQ(editor.CaretPos(), 0);
  EXPECT_EQ(editor.SelLength(), 0);
  editor.KeyDown(kKeyEnd, 0);
  editor.KeyPress(22);
  EXPECT_EQ(editor.Text(), " sheetdrill");
  EXPECT_EQ(editor.CaretPos(), 11);

  // A cut of a selection made leftwards leaves the caret where the selection was.
  editor.SetText("abcdef");
  editor.KeyDown(kKeyLeft, ssShift);
  editor.KeyDown(kKeyLeft, ssShift);
  editor.KeyPress(24);
  EXPECT_EQ(editor.Text(), "abcd");
  EXPECT_EQ(editor.CaretPos(), 4);
  EXPECT_EQ(host.ClipboardText(), "ef");

  // Nothing selected: copy and cut leave the clipboard alone.
  editor.KeyPress(3);
  editor.KeyPress(24);
  EXPECT_EQ(host.ClipboardText(), "ef");
  EXPECT_EQ(editor.Text(), "abcd");
}

TEST(LineEditTest, WithoutAClipboardTheClipboardKeysOnlyCut) {
  TdtpLineEdit editor;
  editor.SetText("abc");
  editor.SelectAll();
  editor.KeyPress(3);
  editor.KeyPress(22);
  EXPECT_EQ(editor.Text(), "abc");
  editor.KeyPress(24);
  EXPECT_EQ(editor.Text(), "");
}

TEST(LineEditTest, TheCaretMoveHookDecidesWhereMovementKeysGo) {
  TdtpLineEdit editor;
  std::vector<int> keys;
  editor.OnCaretMove = [&](TdtpLineEdit&, int position, int key) {
    keys.push_back(key);
    return key == kKeyDown ? position + 3 : 100;  // clamped to the text
  };
  editor.SetText("abcdefgh");
  editor.SetCaretPos(1);
  editor.KeyDown(kKeyDown, 0);
  EXPECT_EQ(editor.CaretPos(), 4);
  editor.KeyDown(kKeyHome, ssShift);
  EXPECT_EQ(editor.CaretPos(), 8);
  EXPECT_EQ(editor.SelStart(), 4);
  EXPECT_EQ(editor.SelLength(), 4);
  EXPECT_EQ(keys, (std::vector<int>{kKeyDown, kKeyHome}));
}

TEST(LineEditTest, MalformedUtf8BecomesReplacementCharacters) {
  TdtpLineEdit editor;
  editor.SetText(std::string("a\xFF\xC3", 3));
  EXPECT_EQ(editor.Length(), 3);
  EXPECT_EQ(editor.Text(), "a\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(CodePointsToUtf8(U"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(CodePointsToUtf8(std::u32string(1, static_cast<char32_t>(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kivrano::test
