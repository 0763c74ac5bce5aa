#pragma once

// The in-place text editor of text shapes: a caret between characters, a selection and the
// clipboard keys, fed with key strokes by the shape under edit. Positions count characters
// (code points), while the text is handed in and out as UTF-8.

#include <cstdint>
#include <functional>
#include <string>

namespace kivrano {

class IViewHost;

// Letter case applied to inserted text.
enum TdtpCaseMode : uint8_t { cmAsTyped = 0, cmUpperCase = 1, cmLowerCase = 2 };

class TdtpLineEdit {
 public:
  // Returns the caret position a movement key leads to (End, Home, Left, Up, Right, Down).
  using TCaretMoveHook = std::function<int(TdtpLineEdit& editor, int position, int key)>;
  using TChangeHook = std::function<void(TdtpLineEdit& editor)>;

  // The clipboard keys use the host's clipboard; without a host they do nothing.
  explicit TdtpLineEdit(IViewHost* clipboard = nullptr) : clipboard_(clipboard) {}
  virtual ~TdtpLineEdit() = default;
  TdtpLineEdit(const TdtpLineEdit&) = delete;
  TdtpLineEdit& operator=(const TdtpLineEdit&) = delete;

  int CaretPos() const { return caretPos_; }
  void SetCaretPos(int value) { caretPos_ = value; }
  uint8_t CaseMode() const { return caseMode_; }
  void SetCaseMode(uint8_t value) { caseMode_ = value; }
  // 0: unlimited.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value) { maxLength_ = value; }
  int SelStart() const { return selStart_; }
  void SetSelStart(int value) { selStart_ = value; }
  int SelLength() const { return selLength_; }
  void SetSelLength(int value) { selLength_ = value; }
  // The text as UTF-8; malformed input bytes came in as U+FFFD.
  std::string Text() const;
  const std::u32string& Characters() const { return text_; }
  int Length() const { return static_cast<int>(text_.size()); }

  TCaretMoveHook OnCaretMove;
  TChangeHook OnChange;

  // Editing and movement keys (virtual key codes) with the shift state (ssShift extends the
  // selection).
  virtual void KeyDown(int key, int shift);
  // Typed characters and the clipboard control characters 3 (copy), 22 (paste), 24 (cut).
  virtual void KeyPress(char32_t key);
  virtual void KeyUp(int /*key*/, int /*shift*/) {}

  // Replaces the text when different (caret at the end, no selection); notifies in any case.
  void SetText(const std::string& text);
  void SelectAll();
  // Inserts at the caret or replaces the selection; the caret ends after the inserted text.
  // With a maximum length only as much is inserted as fits.
  void InsertText(const std::string& text);
  std::string GetSelText() const;
  // Moves the selection to the clipboard; the caret goes to where it was.
  void CutSelText();
  // Cuts the text to the maximum length and clamps caret and selection to the text.
  void Validate();

 private:
  void Changed();
  void DeleteSelection();
  void MoveCaret(int key, int shift);
  void ApplyCase(std::u32string& text) const;

  int caretPos_ = 0;
  uint8_t caseMode_ = cmAsTyped;
  int maxLength_ = 0;
  int selLength_ = 0;
  int selStart_ = 0;
  std::u32string text_;
  IViewHost* clipboard_;
};

// UTF-8 of code points (surrogates and values beyond U+10FFFF become U+FFFD).
std::string CodePointsToUtf8(std::u32string_view text);

}  // namespace kivrano
