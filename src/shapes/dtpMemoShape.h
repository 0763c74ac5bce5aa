#pragma once

// A multi-line block of text of fixed width: the lines wrap at the box's width and the box's
// height follows them.

#include <string>
#include <vector>

#include "shapes/dtpTextShape.h"

namespace kivrano {

class TdtpMemoShape : public TdtpTextShape {
 public:
  TdtpMemoShape();

  std::string ClassName() const override { return "TdtpMemoShape"; }

  // The text split at line breaks. Setting them sets Text to the lines joined with "\r\n".
  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(const std::vector<std::string>& lines);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  // The lines as drawn: Lines cut at the box's width (rebuilt by GetTextSize).
  const std::vector<std::string>& WrappedLines() const { return wrapped_; }

  // ---- overrides ----
  void SetText(const std::string& value) override;
  void UpdateSize() override;
  void DrawTextTo(TBitmap32& surface) override;
  void BuildCaretPositions() override;
  void GetTextSize(float& width, float& height) override;
  void SetSize(float width, float height) override;
  void SetPropertyByName(const std::string& name, const std::string& value) override;
  void BeginEdit() override;
  void EditKeyDown(int key, int shift) override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 private:
  void RebuildWrappedLines();
  // The caret-move hook: rows of the wrapped lines instead of characters.
  int MoveCaret(int position, int key) const;

  std::vector<std::string> lines_;
  bool wordWrap_ = true;
  std::vector<std::string> wrapped_;
};

// Splits text at "\r\n", "\r" and "\n".
std::vector<std::string> SplitTextLines(const std::string& text);

}  // namespace kivrano
