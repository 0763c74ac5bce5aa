#include "shapes/dtpFreehandShape.h"

#include "engine/dtpDocument.h"
#include "platform/ViewHost.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

// Keys that end the edit.
constexpr int kKeyCtrlBreak = 3;
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyExecute = 43;
constexpr int kKeyF2 = 113;

// A pointer move adds a point only beyond this distance (0.5 mm) from the last point.
constexpr float kMinStepSquared = 0.25f;

}  // namespace

TdtpFreehandShape::TdtpFreehandShape() { TdtpFreehandShape::SetDefaults(); }

void TdtpFreehandShape::SetDefaults() {
  TdtpPolygonShape::SetDefaults();
  autoRestart_ = true;
  capturing_ = false;
  SetStoresPoints(true);
  SetIsClosed(false);
  SetUseFill(false);
}

// ---------------------------------------------------------------------------------------------
// Points

void TdtpFreehandShape::ReplaceLines(const ArrayOfArrayOfFPoint& lines) {
  ClearPoints();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) TdtpPolygonShape::NewLine();
    for (const TFloatPoint& p : lines[i]) AddPointRecord(p);
  }
}

void TdtpFreehandShape::NewLine() {
  const ArrayOfArrayOfFPoint& lines = Points();
  if (lines.empty() || lines.back().size() >= 2) {
    TdtpPolygonShape::NewLine();
    return;
  }
  if (lines.back().empty()) return;
  ArrayOfArrayOfFPoint reused = lines;
  reused.back().clear();
  ReplaceLines(reused);
}

void TdtpFreehandShape::RemoveTrailingShortLines() {
  const ArrayOfArrayOfFPoint& lines = Points();
  size_t keep = lines.size();
  while (keep > 0 && lines[keep - 1].size() <= 1) --keep;
  if (keep == lines.size()) return;
  ReplaceLines(ArrayOfArrayOfFPoint(lines.begin(), lines.begin() + static_cast<ptrdiff_t>(keep)));
}

void TdtpFreehandShape::FitBoxToPoints() {
  TFloatRect b;
  GetPointsBounds(b);
  const float width = b.Right - b.Left, height = b.Bottom - b.Top;
  if (!(width > 0 && height > 0)) return;
  OffsetPoints(-b.Left, -b.Top);
  // The last point moves with the others, so that the next step is measured from where it is.
  lastPoint_ = TFloatPoint{lastPoint_.X - b.Left, lastPoint_.Y - b.Top};
  fittingBox_ = true;
  SetBounds(DocLeft() + b.Left, DocTop() + b.Top, width, height);
  fittingBox_ = false;
}

void TdtpFreehandShape::SetSize(float width, float height) {
  if (!fittingBox_) {
    TdtpPolygonShape::SetSize(width, height);
    return;
  }
  // The box follows the points here: they must not be scaled with it.
  TdtpEffectShape::SetSize(width, height);
  MarkPolygonsDirty();
  UpdateCurbs();
}

void TdtpFreehandShape::AddCapturedPoint(TFloatPoint point) {
  AddPointRecord(point);
  FitBoxToPoints();
  if (NeedsCache()) {
    RefreshCache();
  } else {
    Invalidate();
  }
}

// ---------------------------------------------------------------------------------------------
// Editing

TFloatPoint TdtpFreehandShape::ScreenPoint(int x, int y) const {
  return ScreenToLocal(TFloatPoint{static_cast<float>(x), static_cast<float>(y)});
}

void TdtpFreehandShape::BeginEdit() {
  if (undoOpen_ || !Document()) return;
  BeginUndo();
  undoOpen_ = true;
}

void TdtpFreehandShape::EndEdit(int code) {
  const bool accepted = code != 0;
  capturing_ = false;
  TdtpDocument* document = Document();
  if (accepted || !document) RemoveTrailingShortLines();
  const bool closeBracket = undoOpen_;
  undoOpen_ = false;
  if (!document || (accepted && !HasNoPoints())) {
    Invalidate();
    if (closeBracket) EndUndo();
    return;
  }
  // A cancelled or empty stroke disappears; the bracket still closes (it holds the removal).
  document->RemoveShape(this);
  if (closeBracket) document->EndUndo();
}

void TdtpFreehandShape::EditKeyDown(int key, int /*shift*/) {
  switch (key) {
    case kKeyCtrlBreak:
    case kKeyEscape:
      FinishEdit(0);
      break;
    case kKeySpace:
      SetIsClosed(true);
      FinishEdit(1);
      break;
    case kKeyTab:
    case kKeyEnter:
    case kKeyExecute:
    case kKeyF2:
      FinishEdit(1);
      break;
    default:
      break;
  }
}

void TdtpFreehandShape::EditMouseDown(int buttons, int /*shift*/, int x, int y) {
  if (buttons & vkRButton) {
    FinishEdit(1);
    return;
  }
  const TFloatPoint p = ScreenPoint(x, y);
  capturing_ = true;
  lastPoint_ = p;
  NewLine();
  AddCapturedPoint(p);
}

void TdtpFreehandShape::EditMouseMove(int /*buttons*/, int /*shift*/, int x, int y) {
  if (!capturing_) return;
  const TFloatPoint p = ScreenPoint(x, y);
  const float dx = p.X - lastPoint_.X, dy = p.Y - lastPoint_.Y;
  if (dx * dx + dy * dy <= kMinStepSquared) return;
  lastPoint_ = p;
  AddCapturedPoint(p);
}

void TdtpFreehandShape::EditMouseUp(int /*buttons*/, int /*shift*/, int x, int y) {
  if (capturing_) {
    const TFloatPoint p = ScreenPoint(x, y);
    if (!(p == lastPoint_)) AddCapturedPoint(p);
    capturing_ = false;
    if (autoRestart_) NewLine();
  }
  FinishEdit(1);  // the shape may be gone from here on
}

void TdtpFreehandShape::DrawSelection(TCanvas& canvas) {
  if (Document() && Document()->EditedShape() == this) return;
  TdtpPolygonShape::DrawSelection(canvas);
}

// ---------------------------------------------------------------------------------------------
// Persistence

void TdtpFreehandShape::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpPolygonShape::SaveToXml(node);
  node->PutBool("AutoRestart", autoRestart_, false);
}

void TdtpFreehandShape::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpPolygonShape::LoadFromXml(node);
  autoRestart_ = node->GetBool("AutoRestart", false);
}

}  // namespace kivrano
