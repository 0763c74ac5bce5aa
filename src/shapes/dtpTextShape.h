#pragma once

// A single run of text whose box follows the text, rendered as a coverage mask in the font
// colour and edited in place with a blinking caret.

#include <memory>
#include <string>
#include <vector>

#include "platform/Font.h"
#include "shapes/dtpEffectShape.h"

namespace kivrano {

class IViewHost;
class TBitmap32;
class TCanvas;
class TdtpLineEdit;
class TXmlNode;

// Horizontal anchor of the text in its box (stored values).
enum TdtpTextAlignment { dtaLeft = 0, dtaRight = 1, dtaCenter = 2 };

// The font's nominal resolution: its height counts 1/14400 inch.
constexpr int kTextFontPixelsPerInch = 14400;
// The caret blinks with this period.
constexpr int kCaretBlinkMs = 400;

// The process-wide 8 x 8 surface every text shape measures on.
TBitmap32& TextMeasuringSurface();

class TdtpTextShape : public TdtpEffectShape {
 public:
  TdtpTextShape();
  ~TdtpTextShape() override;

  std::string ClassName() const override { return "TdtpTextShape"; }

  // ---- properties ----
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& value);
  // Nominal text size in millimetres.
  float FontHeight() const { return fontHeight_; }
  void SetFontHeight(float value);
  const std::string& FontName() const { return font_.Name(); }
  void SetFontName(const std::string& value);
  TFontStyles GetFontStyle() const { return font_.Style(); }
  void SetFontStyle(TFontStyles value);
  TColor FontColor() const { return font_.Color(); }
  void SetFontColor(TColor value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  int Alignment() const { return alignment_; }
  void SetAlignment(int value);
  // The font at 14400 units per inch; its height is derived from FontHeight before each layout.
  const TFont& Font() const { return font_; }
  // 1.2 times FontHeight, millimetres.
  float LineHeight() const { return 1.2f * fontHeight_; }

  // ---- editing state ----
  // The editor while the shape is edited in place, otherwise none.
  TdtpLineEdit* Editor() const { return editor_.get(); }
  bool CaretHidden() const { return caretHidden_; }
  int CaretPos() const { return caretPos_; }
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  // The x (local millimetres) and the row of every caret position 0 .. length.
  const std::vector<float>& CaretX() const { return caretX_; }
  const std::vector<int>& CaretRows() const { return caretRows_; }

  // ---- layout ----
  // round(d * FontHeight * 200) units of 1/14400 inch, d the render resolution.
  int NominalFontUnits() const;
  // Sets the font height to NominalFontUnits; returns whether that changed it.
  bool UpdateFontHeight();
  // Caret offsets of every character boundary of one line in pixels of the measuring surface,
  // with the precision of the 14400-per-inch font.
  std::vector<float> MeasureCaretPositions(const std::string& text) const;
  virtual void UpdateSize();
  // Draws the text in the surface's font and colour into the box through the paint matrix.
  virtual void DrawTextTo(TBitmap32& surface);
  virtual void BuildCaretPositions();
  // Size of the text in millimetres at the current font height.
  virtual void GetTextSize(float& width, float& height);

  // ---- overrides ----
  void EndEdit(int code) override;
  TFloatPoint GetPasteOffset() const override { return TFloatPoint{0, LineHeight()}; }
  void PaintBitmap(TBitmap32& bitmap) override;
  void DrawSelection(TCanvas& canvas) override;
  void SetSize(float width, float height) override;
  void SetParentShape(TdtpShape* parent) override;
  void SetPropertyByName(const std::string& name, const std::string& value) override;
  void BeginEdit() override;
  void EditKeyDown(int key, int shift) override;
  void EditKeyPress(char32_t key) override;
  void EditKeyUp(int key, int shift) override;
  void EditDblClick(int buttons, int shift, int x, int y) override;
  void EditMouseDown(int buttons, int shift, int x, int y) override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 protected:
  bool Updating() const { return updating_; }
  void SetFontScalesWithBox(bool value) { fontScalesWithBox_ = value; }
  // Text size measured on the measuring surface at the current font height, millimetres.
  void MeasureText(const std::string& text, float& width, float& height) const;
  void SetCaretPositions(std::vector<float> x, std::vector<int> rows);
  // The horizontal offset of a line of the given width in the box by the alignment.
  float AlignmentOffset(float lineWidth) const;
  // Gives the box the text's size (no undo record, no scaling of the font).
  void ApplyTextBox(float left, float top, float width, float height);
  // Stores the text without any side effect (loading).
  void StoreText(const std::string& value) { text_ = value; }

 private:
  void StopEditing();
  void EditorChanged(TdtpLineEdit& editor);
  void FitFontToBox();
  bool TextFitsBox();
  void SetFontUnits(int units);
  TFloatPoint SelectionPoint(float x, float y) const;

  bool updating_ = false;
  int alignment_ = dtaLeft;
  bool autoSize_ = true;
  bool caretHidden_ = false;
  int caretPos_ = 0;
  int blinkTimer_ = 0;
  IViewHost* timerHost_ = nullptr;
  std::unique_ptr<TdtpLineEdit> editor_;
  std::string savedText_;
  std::string text_;
  float fontHeight_;
  int selStart_ = 0;
  int selLength_ = 0;
  bool fontScalesWithBox_ = true;
  std::vector<float> caretX_;
  std::vector<int> caretRows_;
  TFont font_;
};

}  // namespace kivrano
