#include "shapes/dtpMemoShape.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <strings.h>

#include "engine/dtpCommand.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpEditKeys.h"
#include "shapes/dtpLineEdit.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

constexpr float kDefaultMemoWidth = 40;

bool IsWrapPoint(char32_t c) { return c == U' ' || c == U'-'; }

// Pixel widths of any piece of one line of text, as the font measures the piece on its own:
// its characters' advances plus the kerning between them (none before its first character).
class TPieceWidths {
 public:
  TPieceWidths(TScaledFont& font, const std::u32string& text)
      : advances_(text.size() + 1, 0), kernings_(text.size() + 1, 0), lastWrapPoint_(text.size(), -1) {
    uint32_t previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const uint32_t glyph = font.GlyphIndex(text[i]);
      advances_[i + 1] = advances_[i] + font.Advance(glyph);
      kernings_[i + 1] = kernings_[i] + (previous ? font.Kerning(previous, glyph) : 0);
      previous = glyph;
      lastWrapPoint_[i] = IsWrapPoint(text[i]) ? static_cast<ptrdiff_t>(i) : (i > 0 ? lastWrapPoint_[i - 1] : -1);
    }
  }

  // Width of [begin, end).
  int64_t Width(size_t begin, size_t end) const {
    if (end <= begin) return 0;
    return advances_[end] - advances_[begin] + kernings_[end] - kernings_[begin + 1];
  }

  // The last space or hyphen at or before index, -1 for none.
  ptrdiff_t LastWrapPoint(size_t index) const { return lastWrapPoint_[index]; }

 private:
  std::vector<int64_t> advances_;  // sum of the advances before each index
  std::vector<int64_t> kernings_;  // sum of the kerning before each index
  std::vector<ptrdiff_t> lastWrapPoint_;
};

}  // namespace

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // A final line break opens an empty last line (where the caret goes after Enter).
  lines.push_back(text.substr(start));
  return lines;
}

TdtpMemoShape::TdtpMemoShape() {
  SetFontScalesWithBox(false);
  StoreBounds(DocLeft(), DocTop(), kDefaultMemoWidth, DocHeight());
}

// ---------------------------------------------------------------------------------------------
// Properties

void TdtpMemoShape::SetLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += lines[i];
  }
  SetText(joined);
}

void TdtpMemoShape::SetText(const std::string& value) {
  lines_ = SplitTextLines(value);
  TdtpTextShape::SetText(value);
}

void TdtpMemoShape::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  RecordUndoBoolean(ckProperty, "WordWrap", wordWrap_);
  wordWrap_ = value;
  UpdateSize();
  Changed();
}

void TdtpMemoShape::SetPropertyByName(const std::string& name, const std::string& value) {
  TdtpTextShape::SetPropertyByName(name, value);
  // Recorded by SetWordWrap, so undoing it must be able to apply it.
  if (strcasecmp(name.c_str(), "WordWrap") == 0) SetWordWrap(TextToBoolean(value));
}

// ---------------------------------------------------------------------------------------------
// Layout

void TdtpMemoShape::RebuildWrappedLines() {
  wrapped_.clear();
  const float box = DocWidth();
  if (!wordWrap_ || box == 0) {
    wrapped_ = lines_;
    return;
  }
  TBitmap32& surface = TextMeasuringSurface();
  surface.SetFont(Font());
  TScaledFont& font = surface.Font().Scaled();
  const float d = GetRenderDpm();
  for (const std::string& line : lines_) {
    const std::u32string text = Utf8ToCodePoints(line);
    const TPieceWidths widths(font, text);
    auto narrower = [&](size_t begin, size_t end) { return static_cast<float>(widths.Width(begin, end)) / d < box; };
    size_t begin = 0, end = text.size();
    do {
      const size_t length = end - begin;
      size_t count = length;
      if (length > 1 && !narrower(begin, end)) {
        // Widths grow with the piece, so every candidate longer than the first prefix that is
        // not narrower than the box fails as well: the search starts from that prefix.
        size_t first = 1;
        while (first < length && narrower(begin, begin + first)) ++first;
        count = first;
        while (count > 1 && !narrower(begin, begin + count)) {
          // Back to the last space or hyphen inside the candidate (one at its very start would
          // leave nothing), else one character shorter; then without trailing spaces.
          const ptrdiff_t point = widths.LastWrapPoint(begin + count - 1);
          count = point > static_cast<ptrdiff_t>(begin) ? static_cast<size_t>(point) - begin : count - 1;
          while (count > 0 && text[begin + count - 1] == U' ') --count;
        }
      }
      wrapped_.push_back(CodePointsToUtf8(std::u32string_view(text).substr(begin, count)));
      begin += count;
      while (begin < end && text[begin] == U' ') ++begin;
      while (end > begin && text[end - 1] == U' ') --end;
    } while (begin < end);
  }
}

void TdtpMemoShape::GetTextSize(float& width, float& height) {
  RebuildWrappedLines();
  width = 0;
  for (const std::string& line : wrapped_) {
    float w = 0, h = 0;
    MeasureText(line, w, h);
    width = std::max(width, w);
  }
  height = LineHeight() * static_cast<float>(wrapped_.size() + 1);
}

void TdtpMemoShape::UpdateSize() {
  UpdateFontHeight();
  float width = 0, height = 0;
  GetTextSize(width, height);
  if (AutoSize()) ApplyTextBox(DocLeft(), DocTop(), DocWidth(), height);
  Refresh();
}

void TdtpMemoShape::SetSize(float width, float height) {
  TdtpEffectShape::SetSize(width, height);
  if (!Updating()) UpdateSize();
}

void TdtpMemoShape::DrawTextTo(TBitmap32& surface) {
  const TFloatPoint a = LocalToPaint(TFloatPoint{0, 0});
  const TFloatPoint b = LocalToPaint(TFloatPoint{DocWidth(), DocHeight()});
  const TRect box{RoundToInt(a.X), RoundToInt(a.Y), RoundToInt(b.X), RoundToInt(b.Y)};
  const unsigned flags = Alignment() == dtaRight ? tfRight : Alignment() == dtaCenter ? tfCenter : tfLeft;
  const float step = GetRenderDpm() * LineHeight();
  for (size_t i = 0; i < wrapped_.size(); ++i) {
    TRect r = box;
    r.Top = box.Top + RoundToInt(step * static_cast<float>(i));
    // Lines below the box or the surface draw nothing.
    if (r.Top >= box.Bottom || r.Top >= surface.Height()) break;
    surface.TextOut(r, flags, wrapped_[i]);
  }
}

void TdtpMemoShape::BuildCaretPositions() {
  const std::u32string text = Utf8ToCodePoints(Text());
  std::vector<float> x = MeasureCaretPositions(Text());
  const float d = GetRenderDpm();
  std::vector<std::u32string> rows;
  std::vector<float> rowOffsets;
  for (const std::string& line : wrapped_) {
    rows.push_back(Utf8ToCodePoints(line));
    float w = 0, h = 0;
    MeasureText(line, w, h);
    rowOffsets.push_back(AlignmentOffset(w));
  }
  // Walk the text along the wrapped lines: each position gets the row of the line it falls
  // into, and x counts from that row's start. Characters no line contains (line breaks, spaces
  // removed at the wraps) move the row's start past them.
  std::vector<int> rowOf(x.size(), 0);
  std::vector<float> unshifted = x;
  size_t row = 0, column = 0;
  float start = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    rowOf[i] = static_cast<int>(row);
    x[i] = (unshifted[i] - start) / d + (row < rowOffsets.size() ? rowOffsets[row] : 0);
    if (i == text.size()) break;
    if (row + 1 < rows.size() && column == rows[row].size()) {
      ++row;
      column = 0;
      start = unshifted[i];
    }
    if (row < rows.size() && column < rows[row].size() && text[i] == rows[row][column]) {
      ++column;
    } else {
      start = unshifted[i + 1];
    }
  }
  SetCaretPositions(std::move(x), std::move(rowOf));
}

int TdtpMemoShape::MoveCaret(int position, int key) const {
  const std::vector<float>& xs = CaretX();
  const std::vector<int>& rows = CaretRows();
  if (xs.empty()) return 0;
  const int last = static_cast<int>(xs.size()) - 1;
  const int pos = std::clamp(position, 0, last);
  const int row = rows[static_cast<size_t>(pos)];
  auto rowOf = [&](int i) { return rows[static_cast<size_t>(i)]; };
  switch (key) {
    case kKeyEnd: {
      int i = pos;
      while (i < last && rowOf(i + 1) == row) ++i;
      return i;
    }
    case kKeyHome: {
      int i = pos;
      while (i > 0 && rowOf(i - 1) == row) --i;
      return i;
    }
    case kKeyLeft: return pos - 1;
    case kKeyRight: return pos + 1;
    default: break;
  }
  // Up and Down: the position of the neighbouring row closest to the caret's x (the first on ties).
  const int target = key == kKeyUp ? row - 1 : row + 1;
  const float x = xs[static_cast<size_t>(pos)];
  int best = pos;
  float bestDistance = 0;
  for (int i = 0; i <= last; ++i) {
    if (rowOf(i) != target) continue;
    const float distance = std::fabs(xs[static_cast<size_t>(i)] - x);
    if (best == pos || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

// ---------------------------------------------------------------------------------------------
// Editing

void TdtpMemoShape::BeginEdit() {
  TdtpTextShape::BeginEdit();
  if (TdtpLineEdit* editor = Editor()) {
    editor->OnCaretMove = [this](TdtpLineEdit&, int position, int key) { return MoveCaret(position, key); };
  }
}

void TdtpMemoShape::EditKeyDown(int key, int shift) {
  // Enter breaks the line instead of ending the edit.
  if (key == kKeyEnter && Editor()) {
    Editor()->KeyDown(key, shift);
    return;
  }
  TdtpTextShape::EditKeyDown(key, shift);
}

// ---------------------------------------------------------------------------------------------
// Persistence

void TdtpMemoShape::SaveToXml(TXmlNode* node) {
  TdtpTextShape::SaveToXml(node);
  if (node) node->PutBool("WordWrap", wordWrap_, false);
}

void TdtpMemoShape::LoadFromXml(TXmlNode* node) {
  TdtpTextShape::LoadFromXml(node);
  if (!node) return;
  wordWrap_ = node->GetBool("WordWrap", false);
  lines_ = SplitTextLines(Text());
  UpdateSize();
}

}  // namespace kivrano
