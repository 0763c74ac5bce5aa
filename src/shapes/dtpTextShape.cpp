#include "shapes/dtpTextShape.h"

#include <algorithm>
#include <cmath>
#include <strings.h>

#include "base/FlagScope.h"
#include "engine/dtpCommand.h"
#include "engine/dtpCursors.h"
#include "engine/dtpDocument.h"
#include "platform/Canvas.h"
#include "platform/ViewHost.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpEditKeys.h"
#include "shapes/dtpLineEdit.h"
#include "shapes/dtpShapeXml.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

// Font sizes are kept within 1 to 2000 points, whatever a file or a setter asks for: the font
// engine and the surfaces stay within sane sizes and the fitting loop within bounds.
constexpr int kMaxFontPoints = 2000;
constexpr int kMaxFontUnits = kMaxFontPoints * kTextFontPixelsPerInch / 72;

constexpr TColor kSelectionHatchColor = 0x808080;
constexpr TColor kCaretColor = 0x800000;
constexpr int kCaretWidth = 2;

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// The size in points the surfaces give a font of this many 1/14400-inch units.
int PointsOfUnits(int units) {
  return static_cast<int>(std::nearbyint(std::abs(static_cast<double>(units)) * 72.0 / kTextFontPixelsPerInch));
}

// The largest and the smallest unit count of a point size (0 for sizes below 0 points).
int MaxUnitsOfPoints(int points) {
  if (points < 0) return 0;
  int units = points * kTextFontPixelsPerInch / 72 + kTextFontPixelsPerInch / 144 + 1;
  while (PointsOfUnits(units) > points) --units;
  return units;
}

int MinUnitsOfPoints(int points) {
  int units = std::max(1, points * kTextFontPixelsPerInch / 72 - kTextFontPixelsPerInch / 144 - 1);
  while (PointsOfUnits(units) < points) ++units;
  return units;
}

}  // namespace

TBitmap32& TextMeasuringSurface() {
  // Lives for the whole process: fonts it holds must outlive every text shape.
  static TBitmap32* surface = [] {
    auto* s = new TBitmap32;
    s->SetSize(8, 8);
    return s;
  }();
  return *surface;
}

TdtpTextShape::TdtpTextShape() : fontHeight_(25.4f * 12 / 72) {
  font_.SetPixelsPerInch(kTextFontPixelsPerInch);
  font_.SetName("Verdana");
  font_.SetColor(clBlack);
  UpdateFontHeight();
  SetInsertCursor(crDtpCrossText);
  SetBackColor(ToColor32(font_.Color()));
}

TdtpTextShape::~TdtpTextShape() { StopEditing(); }

// ---------------------------------------------------------------------------------------------
// Properties

void TdtpTextShape::SetText(const std::string& value) {
  if (value == text_) return;
  RecordUndoString(ckProperty, "Text", text_);
  text_ = value;
  UpdateSize();
  Changed();
}

void TdtpTextShape::SetFontHeight(float value) {
  if (value == fontHeight_) return;
  RecordUndoFloat(ckProperty, "FontHeight", fontHeight_);
  fontHeight_ = value;
  UpdateSize();
  Changed();
}

void TdtpTextShape::SetFontName(const std::string& value) {
  if (value == font_.Name()) return;
  RecordUndoString(ckProperty, "FontName", font_.Name());
  font_.SetName(value);
  UpdateSize();
  Changed();
}

void TdtpTextShape::SetFontStyle(TFontStyles value) {
  if (value == font_.Style()) return;
  RecordUndoStyle(ckProperty, "FontStyle", font_.Style());
  font_.SetStyle(value);
  UpdateSize();
  Changed();
}

void TdtpTextShape::SetFontColor(TColor value) {
  if (value == font_.Color()) return;
  RecordUndoInteger(ckProperty, "FontColor", font_.Color());
  font_.SetColor(value);
  SetBackColor(ToColor32(value));
  Refresh();
  Changed();
}

void TdtpTextShape::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  RecordUndoBoolean(ckProperty, "AutoSize", autoSize_);
  Invalidate();
  autoSize_ = value;
  if (autoSize_) UpdateSize();
}

void TdtpTextShape::SetAlignment(int value) {
  if (value == alignment_) return;
  RecordUndoInteger(ckProperty, "Alignment", alignment_);
  alignment_ = value;
  if (editor_) BuildCaretPositions();
  Refresh();
}

void TdtpTextShape::SetPropertyByName(const std::string& name, const std::string& value) {
  TdtpEffectShape::SetPropertyByName(name, value);
  if (SameText(name, "AutoSize")) {
    SetAutoSize(TextToBoolean(value));
  } else if (SameText(name, "Text")) {
    SetText(value);
  } else if (SameText(name, "FontName")) {
    SetFontName(value);
  } else if (SameText(name, "FontStyle")) {
    SetFontStyle(TextToFontStyle(value));
  } else if (SameText(name, "FontHeight")) {
    SetFontHeight(TextToFloat(value));
  } else if (SameText(name, "FontColor")) {
    SetFontColor(TextToInteger(value));
  } else if (SameText(name, "Alignment")) {
    // Recorded by SetAlignment, so undoing an alignment change must be able to apply it.
    SetAlignment(TextToInteger(value));
  }
}

// ---------------------------------------------------------------------------------------------
// Measuring and layout

void TdtpTextShape::SetFontUnits(int units) { font_.SetHeight(std::clamp(units, 1, kMaxFontUnits)); }

int TdtpTextShape::NominalFontUnits() const {
  const float units = std::nearbyint(GetRenderDpm() * fontHeight_ * 200.0f);
  return std::isfinite(units) ? static_cast<int>(std::clamp(units, 1.0f, static_cast<float>(kMaxFontUnits))) : 1;
}

bool TdtpTextShape::UpdateFontHeight() {
  const int before = font_.Height();
  SetFontUnits(NominalFontUnits());
  return font_.Height() != before;
}

void TdtpTextShape::MeasureText(const std::string& text, float& width, float& height) const {
  TBitmap32& surface = TextMeasuringSurface();
  surface.SetFont(font_);
  const TSize size = surface.TextExtent(text);
  const float d = GetRenderDpm();
  width = static_cast<float>(size.cx) / d;
  height = static_cast<float>(size.cy) / d;
}

void TdtpTextShape::GetTextSize(float& width, float& height) {
  MeasureText(text_.empty() ? std::string(" ") : text_, width, height);
}

std::vector<float> TdtpTextShape::MeasureCaretPositions(const std::string& text) const {
  TBitmap32& surface = TextMeasuringSurface();
  surface.SetFont(font_);
  const double surfaceWidth = surface.TextExtent(text).cx;
  // The nominal font places the characters with far finer steps; scaled to the surface's width
  // they give sub-pixel caret positions.
  const std::vector<int> fine = font_.Scaled().CaretPositions(text);
  const double fineWidth = fine.back();
  const double scale = fineWidth > 0 ? surfaceWidth / fineWidth : 0;
  std::vector<float> positions(fine.size());
  for (size_t i = 0; i < fine.size(); ++i) positions[i] = static_cast<float>(fine[i] * scale);
  return positions;
}

float TdtpTextShape::AlignmentOffset(float lineWidth) const {
  switch (alignment_) {
    case dtaRight: return DocWidth() - lineWidth;
    case dtaCenter: return (DocWidth() - lineWidth) / 2;
    default: return 0;
  }
}

void TdtpTextShape::ApplyTextBox(float left, float top, float width, float height) {
  if (left == DocLeft() && top == DocTop() && width == DocWidth() && height == DocHeight()) return;
  // The box is derived from the text: it is stored without undo records, since undoing the text
  // or the font brings it back, while undoing a size on its own would rescale the font.
  TFlagScope updating(updating_);
  BeginUpdate();
  Invalidate();
  StoreBounds(left, top, width, height);
  FreeCache();
  Invalidate();
  Changed();
  EndUpdate();
  if (OnBoundsChanged) OnBoundsChanged(this);
}

void TdtpTextShape::UpdateSize() {
  if (autoSize_) {
    UpdateFontHeight();
    float width = 0, height = 0;
    GetTextSize(width, height);
    // The anchored edge (or the centre) stays where it is.
    float left = DocLeft();
    if (alignment_ == dtaRight) {
      left = DocLeft() + DocWidth() - width;
    } else if (alignment_ == dtaCenter) {
      left = DocLeft() + (DocWidth() - width) / 2;
    }
    ApplyTextBox(left, DocTop(), width, height);
  }
  Refresh();
}

void TdtpTextShape::SetCaretPositions(std::vector<float> x, std::vector<int> rows) {
  caretX_ = std::move(x);
  caretRows_ = std::move(rows);
}

void TdtpTextShape::BuildCaretPositions() {
  std::vector<float> x = MeasureCaretPositions(text_);
  const float d = GetRenderDpm();
  for (float& v : x) v /= d;
  const float offset = AlignmentOffset(x.back());
  for (float& v : x) v += offset;
  std::vector<int> rows(x.size(), 0);
  SetCaretPositions(std::move(x), std::move(rows));
}

void TdtpTextShape::SetSize(float width, float height) {
  if (autoSize_ && fontScalesWithBox_ && !updating_ && width != 0 && height != 0 && DocHeight() > 0) {
    // The text scales with the box; the box then follows the text.
    SetFontHeight(fontHeight_ * height / DocHeight());
    return;
  }
  TdtpEffectShape::SetSize(width, height);
}

void TdtpTextShape::SetParentShape(TdtpShape* parent) {
  TdtpEffectShape::SetParentShape(parent);
  UpdateSize();
}

// ---------------------------------------------------------------------------------------------
// Painting

bool TdtpTextShape::TextFitsBox() {
  float width = 0, height = 0;
  GetTextSize(width, height);
  return !(width > DocWidth() || height > DocHeight());
}

void TdtpTextShape::FitFontToBox() {
  // The surfaces measure in whole points, so the unit-by-unit search jumps from one point size
  // to the next and lands on the unit where a unit step would have stopped.
  int units = font_.Height();
  if (!TextFitsBox()) {
    bool fits = false;
    while (!fits && units > 1) {
      units = std::max(1, MaxUnitsOfPoints(PointsOfUnits(units) - 1));
      SetFontUnits(units);
      fits = TextFitsBox();
    }
    return;
  }
  float width = 0, height = 0;
  GetTextSize(width, height);
  bool stepped = false;
  while (width < DocWidth() && height < DocHeight() && units < kMaxFontUnits) {
    units = std::min(kMaxFontUnits, MinUnitsOfPoints(PointsOfUnits(units) + 1));
    SetFontUnits(units);
    GetTextSize(width, height);
    stepped = true;
  }
  if (stepped && (width > DocWidth() || height > DocHeight())) SetFontUnits(units - 1);
}

void TdtpTextShape::PaintBitmap(TBitmap32& bitmap) {
  if (UpdateFontHeight() && autoSize_) FitFontToBox();
  bitmap.SetFont(font_);
  bitmap.Clear(0);
  bitmap.Font().SetColor(clWhite);
  DrawTextTo(bitmap);
  // White coverage on black becomes the alpha of the font colour.
  const TColor32 color = ToColor32(font_.Color()) & 0x00FFFFFF;
  TColor32* p = bitmap.Bits();
  const size_t count = static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.Height());
  for (size_t i = 0; i < count; ++i) p[i] = (static_cast<TColor32>(BlueOf(p[i])) << 24) | color;
  bitmap.Changed();
}

void TdtpTextShape::DrawTextTo(TBitmap32& surface) {
  const TFloatPoint a = LocalToPaint(TFloatPoint{0, 0});
  const TFloatPoint b = LocalToPaint(TFloatPoint{DocWidth(), DocHeight()});
  const TRect r{RoundToInt(a.X), RoundToInt(a.Y), RoundToInt(b.X), RoundToInt(b.Y)};
  const unsigned flags = alignment_ == dtaRight ? tfRight : alignment_ == dtaCenter ? tfCenter : tfLeft;
  surface.TextOut(r, flags, text_);
}

TFloatPoint TdtpTextShape::SelectionPoint(float x, float y) const {
  if (Mirrored()) x = DocWidth() - x;
  return LocalToScreen(TFloatPoint{x, y});
}

void TdtpTextShape::DrawSelection(TCanvas& canvas) {
  if (!editor_) {
    TdtpEffectShape::DrawSelection(canvas);
    return;
  }
  if (!Document() || caretX_.empty()) return;
  const float line = LineHeight();
  auto screen = [this](float x, float y) {
    const TFloatPoint p = SelectionPoint(x, y);
    return TPoint{RoundToInt(p.X), RoundToInt(p.Y)};
  };
  const int last = static_cast<int>(caretX_.size()) - 1;
  const int first = std::clamp(selStart_, 0, last);
  const int end = std::clamp(selStart_ + selLength_, first, last);
  if (selLength_ > 0) {
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetStyle(bsDiagCross);
    canvas.Brush().SetColor(kSelectionHatchColor);
    // One polygon per row over the selected caret positions of that row.
    for (int i = first; i <= end;) {
      const int row = caretRows_[static_cast<size_t>(i)];
      float x0 = caretX_[static_cast<size_t>(i)], x1 = x0;
      for (; i <= end && caretRows_[static_cast<size_t>(i)] == row; ++i) {
        x0 = std::min(x0, caretX_[static_cast<size_t>(i)]);
        x1 = std::max(x1, caretX_[static_cast<size_t>(i)]);
      }
      const float top = static_cast<float>(row) * line;
      canvas.Polygon({screen(x0, top), screen(x1, top), screen(x1, top + line), screen(x0, top + line)});
    }
  }
  if (!caretHidden_) {
    const int i = std::clamp(caretPos_, 0, last);
    const float x = caretX_[static_cast<size_t>(i)];
    const float top = static_cast<float>(caretRows_[static_cast<size_t>(i)]) * line;
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(kCaretWidth);
    canvas.Pen().SetColor(kCaretColor);
    const TPoint a = screen(x, top);
    const TPoint b = screen(x, top + line);
    canvas.MoveTo(a.X, a.Y);
    canvas.LineTo(b.X, b.Y);
  }
}

// ---------------------------------------------------------------------------------------------
// In-place editing

void TdtpTextShape::StopEditing() {
  if (blinkTimer_ != 0 && timerHost_) timerHost_->StopTimer(blinkTimer_);
  blinkTimer_ = 0;
  timerHost_ = nullptr;
  editor_.reset();
  caretHidden_ = false;
}

void TdtpTextShape::EditorChanged(TdtpLineEdit& editor) {
  SetText(editor.Text());
  selStart_ = editor.SelStart();
  selLength_ = editor.SelLength();
  caretPos_ = editor.CaretPos();
  BuildCaretPositions();
  // Typing shows the caret at once.
  caretHidden_ = false;
  InvalidateShape();
}

void TdtpTextShape::BeginEdit() {
  savedText_ = text_;
  if (!Enabled()) {
    FinishEdit(0);
    return;
  }
  StopEditing();
  BuildCaretPositions();
  TdtpDocument* document = Document();
  IViewHost* host = document ? document->Host() : nullptr;
  if (host) {
    timerHost_ = host;
    blinkTimer_ = host->StartTimer(kCaretBlinkMs, [this] {
      caretHidden_ = !caretHidden_;
      InvalidateShape();
    });
  }
  editor_ = std::make_unique<TdtpLineEdit>(host);
  editor_->OnChange = [this](TdtpLineEdit& editor) { EditorChanged(editor); };
  editor_->SetText(text_);
  editor_->SelectAll();
  Invalidate();
  if (document) document->Invalidate();
}

void TdtpTextShape::EndEdit(int code) {
  // Only an edit that really ran has a text to restore.
  if (code == 0 && editor_) SetText(savedText_);
  StopEditing();
  Invalidate();
}

void TdtpTextShape::EditKeyDown(int key, int shift) {
  switch (key) {
    case kKeyCtrlBreak:
    case kKeyEscape:
      FinishEdit(0);
      break;
    case kKeyTab:
    case kKeyExecute:
    case kKeyF2:
    case kKeyEnter:
      FinishEdit(1);
      break;
    default:
      if (editor_) editor_->KeyDown(key, shift);
      break;
  }
}

void TdtpTextShape::EditKeyPress(char32_t key) {
  if (editor_) editor_->KeyPress(key);
}

void TdtpTextShape::EditKeyUp(int key, int shift) {
  if (editor_) editor_->KeyUp(key, shift);
}

void TdtpTextShape::EditDblClick(int /*buttons*/, int /*shift*/, int /*x*/, int /*y*/) {
  if (editor_) editor_->SelectAll();
}

void TdtpTextShape::EditMouseDown(int /*buttons*/, int /*shift*/, int x, int y) {
  if (editor_ && !HitTest(TPoint{x, y})) FinishEdit(1);
}

// ---------------------------------------------------------------------------------------------
// Persistence

void TdtpTextShape::SaveToXml(TXmlNode* node) {
  TdtpEffectShape::SaveToXml(node);
  if (!node) return;
  node->PutString("Text", text_, "");
  TXmlFontData font;
  font.Name = font_.Name();
  font.Color = font_.Color();
  // The size FontHeight gives at the current render resolution, whatever the last paint fitted,
  // so that saving the same text always writes the same size.
  font.Size = PointsOfUnits(NominalFontUnits());
  font.Bold = font_.Style().Contains(fsBold);
  font.Italic = font_.Style().Contains(fsItalic);
  font.Underline = font_.Style().Contains(fsUnderline);
  font.Strikeout = font_.Style().Contains(fsStrikeOut);
  node->PutFont("Font", font);
  WriteXmlFloat(*node, "FontHeight", fontHeight_, 0);
}

void TdtpTextShape::LoadFromXml(TXmlNode* node) {
  TdtpEffectShape::LoadFromXml(node);
  if (!node) return;
  text_ = node->GetString("Text", "");
  const TXmlFontData font = node->GetFont("Font");
  font_.SetName(font.Name);
  font_.SetColor(font.Color);
  font_.SetSize(std::clamp(font.Size, 1, kMaxFontPoints));
  TFontStyles style;
  if (font.Bold) style.Include(fsBold);
  if (font.Italic) style.Include(fsItalic);
  if (font.Underline) style.Include(fsUnderline);
  if (font.Strikeout) style.Include(fsStrikeOut);
  font_.SetStyle(style);
  SetBackColor(ToColor32(font.Color));
  fontHeight_ = ReadXmlFloat(*node, "FontHeight", 0);
}

}  // namespace kivrano
