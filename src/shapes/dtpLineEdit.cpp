#include "shapes/dtpLineEdit.h"

#include <algorithm>

#include "platform/FontEngine.h"
#include "platform/ViewHost.h"
#include "shapes/dtpEditKeys.h"

namespace kivrano {

namespace {

bool IsMovementKey(int key) { return key >= kKeyEnd && key <= kKeyDown; }

// Case mapping of ASCII and the Latin-1 letters (the multiplication and division signs excepted).
char32_t ToUpper(char32_t c) {
  if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  return c;
}

char32_t ToLower(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  return c;
}

}  // namespace

std::string CodePointsToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string TdtpLineEdit::Text() const { return CodePointsToUtf8(text_); }

void TdtpLineEdit::Changed() {
  if (OnChange) OnChange(*this);
}

void TdtpLineEdit::DeleteSelection() {
  text_.erase(static_cast<size_t>(selStart_), static_cast<size_t>(selLength_));
  caretPos_ = selStart_;
  selLength_ = 0;
}

void TdtpLineEdit::KeyDown(int key, int shift) {
  Validate();
  const int length = Length();
  if (key == kKeyBackspace || key == kKeyDelete) {
    if (selLength_ > 0) {
      DeleteSelection();
    } else if (key == kKeyBackspace && caretPos_ > 0) {
      text_.erase(static_cast<size_t>(--caretPos_), 1);
    } else if (key == kKeyDelete && caretPos_ < length) {
      text_.erase(static_cast<size_t>(caretPos_), 1);
    }
  } else if (key == kKeyEnter) {
    InsertText("\r");
  } else if (IsMovementKey(key)) {
    MoveCaret(key, shift);
  } else {
    return;
  }
  Validate();
  Changed();
}

void TdtpLineEdit::MoveCaret(int key, int shift) {
  int target = caretPos_;
  if (OnCaretMove) {
    target = OnCaretMove(*this, caretPos_, key);
  } else {
    switch (key) {
      case kKeyEnd: target = Length(); break;
      case kKeyHome: target = 0; break;
      case kKeyLeft:
      case kKeyUp: target = caretPos_ - 1; break;
      default: target = caretPos_ + 1; break;
    }
  }
  target = std::clamp(target, 0, Length());
  if (shift & ssShift) {
    const int step = target - caretPos_;
    if (selLength_ == 0) selStart_ = caretPos_;
    if (caretPos_ == selStart_) {
      selStart_ += step;
      selLength_ -= step;
    } else if (caretPos_ == selStart_ + selLength_) {
      selLength_ += step;
    }
    if (selLength_ < 0) {
      selStart_ += selLength_;
      selLength_ = -selLength_;
    }
  } else {
    selLength_ = 0;
  }
  caretPos_ = target;
}

void TdtpLineEdit::KeyPress(char32_t key) {
  Validate();
  switch (key) {
    case kCharCopy:
      if (clipboard_ && selLength_ > 0) clipboard_->SetClipboardText(GetSelText());
      break;
    case kCharPaste:
      if (clipboard_ && clipboard_->HasClipboardText()) InsertText(clipboard_->ClipboardText());
      break;
    case kCharCut:
      CutSelText();
      break;
    default:
      if (key >= 32 && key != 0x7F) InsertText(CodePointsToUtf8(std::u32string_view(&key, 1)));
      break;
  }
  Validate();
  Changed();
}

void TdtpLineEdit::ApplyCase(std::u32string& text) const {
  if (caseMode_ == cmUpperCase) {
    for (char32_t& c : text) c = ToUpper(c);
  } else if (caseMode_ == cmLowerCase) {
    for (char32_t& c : text) c = ToLower(c);
  }
}

void TdtpLineEdit::SetText(const std::string& text) {
  std::u32string chars = Utf8ToCodePoints(text);
  if (chars != text_) {
    text_ = std::move(chars);
    caretPos_ = Length();
    selStart_ = caretPos_;
    selLength_ = 0;
  }
  Changed();
}

void TdtpLineEdit::SelectAll() {
  caretPos_ = Length();
  selStart_ = 0;
  selLength_ = Length();
  Changed();
}

void TdtpLineEdit::InsertText(const std::string& text) {
  Validate();
  std::u32string chars = Utf8ToCodePoints(text);
  ApplyCase(chars);
  if (selLength_ > 0) DeleteSelection();
  if (maxLength_ > 0) {
    // Text beyond the limit is never inserted, so typing cannot push characters off the end.
    const size_t room = static_cast<size_t>(std::max(0, maxLength_ - Length()));
    if (chars.size() > room) chars.resize(room);
  }
  text_.insert(static_cast<size_t>(caretPos_), chars);
  caretPos_ += static_cast<int>(chars.size());
  selStart_ = caretPos_;
}

std::string TdtpLineEdit::GetSelText() const {
  const int start = std::clamp(selStart_, 0, Length());
  const int length = std::clamp(selLength_, 0, Length() - start);
  return CodePointsToUtf8(std::u32string_view(text_).substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

void TdtpLineEdit::CutSelText() {
  Validate();
  if (selLength_ <= 0) return;
  if (clipboard_) clipboard_->SetClipboardText(GetSelText());
  DeleteSelection();
}

void TdtpLineEdit::Validate() {
  if (maxLength_ > 0 && Length() > maxLength_) text_.resize(static_cast<size_t>(maxLength_));
  caretPos_ = std::clamp(caretPos_, 0, Length());
  selStart_ = std::clamp(selStart_, 0, Length());
  selLength_ = std::clamp(selLength_, 0, Length() - selStart_);
}

}  // namespace kivrano
