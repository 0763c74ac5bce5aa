#include "engine/dtpShape.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <strings.h>

#include "base/Exception.h"
#include "engine/dtpCommand.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"

namespace kivrano {

namespace {

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text conversions

std::string FloatToText(float value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", static_cast<double>(value));
  return buffer;
}

float TextToFloat(const std::string& text) {
  const std::string t = Trimmed(text);
  double value = 0;
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (!t.empty() && *begin == '+') ++begin;
  const auto result = std::from_chars(begin, end, value);
  if (t.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
    throw Exception("'" + text + "' is not a valid floating point value");
  }
  return static_cast<float>(value);
}

int TextToInteger(const std::string& text) {
  const std::string t = Trimmed(text);
  int value = 0;
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  if (!t.empty() && *begin == '+') ++begin;
  const auto result = std::from_chars(begin, end, value);
  if (t.empty() || result.ec != std::errc() || result.ptr != end) {
    throw Exception("'" + text + "' is not a valid integer value");
  }
  return value;
}

namespace {
constexpr struct {
  TFontStyle Style;
  char Letter;
} kStyleLetters[] = {{fsBold, 'B'}, {fsItalic, 'I'}, {fsUnderline, 'U'}, {fsStrikeOut, 'S'}};
}  // namespace

std::string FontStyleToText(TFontStyles style) {
  std::string text;
  for (const auto& s : kStyleLetters) {
    if (style.Contains(s.Style)) text += s.Letter;
  }
  return text;
}

TFontStyles TextToFontStyle(const std::string& text) {
  TFontStyles style;
  for (const auto& s : kStyleLetters) {
    if (text.find(s.Letter) != std::string::npos) style.Include(s.Style);
  }
  return style;
}

bool TextToBoolean(const std::string& text) {
  if (text.empty()) return false;
  const char c = text[0];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

// ---------------------------------------------------------------------------------------------
// Construction

TdtpShape::TdtpShape() : constraints_(std::make_unique<TFloatSizeConstraint>()) { TdtpShape::SetDefaults(); }

void TdtpShape::SetHandleTrack(int index, float x, float y) {
  if (index < 0 || index >= HandleCount()) return;
  handles_[static_cast<size_t>(index)].TrackX = x;
  handles_[static_cast<size_t>(index)].TrackY = y;
}

TdtpShape::~TdtpShape() {
  // Children go first, while this shape is still whole; then nothing in the document may keep
  // pointing at this shape.
  children_.clear();
  if (document_) document_->ShapeReleased(this);
}

void TdtpShape::SetDefaults() {
  enabled_ = true;
  allowResize_ = true;
  allowRotate_ = true;
  allowSelect_ = true;
  anchors_ = kDefaultAnchors;
  aspectRatio_ = 0;
  StoreAngle(0);
  docLeft_ = 0;
  docTop_ = 0;
  docWidth_ = 0;
  docHeight_ = 0;
  flipped_ = false;
  mirrored_ = false;
  preserveAspect_ = false;
  masterAlpha_ = 255;
  smartHitTest_ = true;
  visible_ = true;
  backColor_ = 0xFFFFFFFF;
  effCurbLeft_ = effCurbTop_ = effCurbRight_ = effCurbBottom_ = 0;
  FreeCache();
}

// ---------------------------------------------------------------------------------------------
// Plain property stores with repaint

void TdtpShape::SetVisible(bool v) {
  if (v == visible_) return;
  Invalidate();
  visible_ = v;
  Invalidate();
  Changed();
}

void TdtpShape::SetFlipFlag(bool& flag, bool v) {
  if (v == flag) return;
  flag = v;
  UpdateCurbs();  // a flipped image needs its curbs on both sides
  Refresh();
  Changed();
}

void TdtpShape::SetFlipped(bool v) { SetFlipFlag(flipped_, v); }

void TdtpShape::SetMirrored(bool v) { SetFlipFlag(mirrored_, v); }

void TdtpShape::SetName(const std::string& value) {
  if (value == name_) return;
  name_ = value;
  Changed();
}

void TdtpShape::SetBackColor(TColor32 value) {
  if (value == backColor_) return;
  backColor_ = value;
  Refresh();
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Children

TdtpShape* TdtpShape::GetShape(int index) const {
  if (index < 0 || index >= static_cast<int>(children_.size())) return nullptr;
  return children_[static_cast<size_t>(index)].get();
}

int TdtpShape::IndexOfShape(const TdtpShape* child) const {
  for (size_t i = 0; i < children_.size(); ++i) {
    if (children_[i].get() == child) return static_cast<int>(i);
  }
  return -1;
}

int TdtpShape::AddShape(std::unique_ptr<TdtpShape> child) {
  if (!child) return -1;
  RecordUndoInteger(ckChildInserted, "", static_cast<int>(children_.size()));
  TdtpShape* added = child.get();
  children_.push_back(std::move(child));
  added->SetDocument(document_);
  added->SetParentShape(this);
  Invalidate();
  Changed();
  return static_cast<int>(children_.size()) - 1;
}

void TdtpShape::InsertShape(int index, std::unique_ptr<TdtpShape> child) {
  if (!child) return;
  if (index < 0 || index > static_cast<int>(children_.size())) {
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  }
  RecordUndoInteger(ckChildInserted, "", index);
  TdtpShape* inserted = child.get();
  children_.insert(children_.begin() + index, std::move(child));
  inserted->SetParentShape(this);
  inserted->SetDocument(document_);
  Invalidate();
  Changed();
}

void TdtpShape::DetachChild(TdtpShape* child) {
  child->SetParentShape(nullptr);
  child->SetDocument(nullptr);
}

void TdtpShape::DeleteShape(int index) {
  TdtpShape* child = GetShape(index);
  if (!child) return;
  RecordUndoShape(ckChildRemoved, child);
  Invalidate();
  child->SetSelected(false);
  if (document_) document_->ShapeDestroyed(child);
  DetachChild(child);
  children_.erase(children_.begin() + IndexOfShape(child));
  Changed();
}

std::unique_ptr<TdtpShape> TdtpShape::ExtractShape(TdtpShape* child) {
  const int index = IndexOfShape(child);
  if (!child || index < 0) return nullptr;
  RecordUndoShape(ckChildRemoved, child);
  Invalidate();
  child->SetSelected(false);
  DetachChild(child);
  std::unique_ptr<TdtpShape> taken = std::move(children_[static_cast<size_t>(index)]);
  children_.erase(children_.begin() + index);
  Changed();
  return taken;
}

int TdtpShape::RemoveShape(TdtpShape* child) {
  const int index = IndexOfShape(child);
  DeleteShape(index);
  return index;
}

void TdtpShape::ClearShapes() {
  while (!children_.empty()) DeleteShape(0);
}

void TdtpShape::ExchangeShapes(int i, int j) {
  TdtpShape* a = GetShape(i);
  TdtpShape* b = GetShape(j);
  if (!a || !b || i == j) return;
  std::swap(children_[static_cast<size_t>(i)], children_[static_cast<size_t>(j)]);
  a->Invalidate();
  b->Invalidate();
  Changed();
}

void TdtpShape::Clear() {
  BeginUpdate();
  children_.clear();
  resources_.clear();
  SetDefaults();
  EndUpdate();
}

void TdtpShape::AddResource(TdtpResource* resource) {
  if (resource && std::find(resources_.begin(), resources_.end(), resource) == resources_.end()) {
    resources_.push_back(resource);
  }
}

void TdtpShape::RemoveResource(TdtpResource* resource) {
  resources_.erase(std::remove(resources_.begin(), resources_.end(), resource), resources_.end());
}

TdtpPage* TdtpShape::Page() {
  TdtpShape* top = this;
  while (top->parent_) top = top->parent_;
  return dynamic_cast<TdtpPage*>(top);
}

TFloatRect TdtpShape::GetChildrenBounds() const {
  if (children_.empty()) return TFloatRect{};
  TFloatRect r = children_.front()->GetBoundsRectWithCurbs();
  for (const auto& child : children_) {
    const TFloatRect c = child->GetBoundsRectWithCurbs();
    r.Left = std::min(r.Left, c.Left);
    r.Top = std::min(r.Top, c.Top);
    r.Right = std::max(r.Right, c.Right);
    r.Bottom = std::max(r.Bottom, c.Bottom);
  }
  return r;
}

// ---------------------------------------------------------------------------------------------
// Attachment, modified flags, notification

void TdtpShape::SetDocument(TdtpDocument* document) {
  if (document != document_) {
    document_ = document;
    if (document_) shapeId_ = document_->NextShapeID();
    Invalidate();
  }
  for (const auto& child : children_) child->SetDocument(document);
}

void TdtpShape::SetParentShape(TdtpShape* parent) {
  if (parent == parent_) return;
  parent_ = parent;
  Invalidate();
}

void TdtpShape::SetModified(bool value) {
  modified_ = value;
  if (value) {
    if (parent_) {
      parent_->SetModified(true);
    } else if (document_) {
      document_->SetModified(true);
    }
  } else {
    for (const auto& child : children_) child->SetModified(false);
  }
}

void TdtpShape::Changed() {
  SetModified(true);
  if (updateCount_ > 0) {
    changePending_ = true;
    return;
  }
  if (document_) document_->ShapeChanged(this);
  changePending_ = false;
}

void TdtpShape::EndUpdate() {
  --updateCount_;
  if (updateCount_ < 0) throw Exception("dtpShape: EndUpdate called more often than BeginUpdate");
  if (updateCount_ == 0 && changePending_) Changed();
}

void TdtpShape::BeginUndo() {
  if (document_) document_->BeginUndo();
}

void TdtpShape::EndUndo() {
  if (document_) document_->EndUndo();
}

void TdtpShape::LockUndo() {
  if (document_) document_->LockUndo();
}

void TdtpShape::UnlockUndo() {
  if (document_) document_->UnlockUndo();
}

void TdtpShape::SetSelected(bool value) {
  if (value == selected_ || (value && !IsSelectable())) return;
  selected_ = value;
  if (document_) document_->SelectionChanged();
  InvalidateShape();
}

void TdtpShape::SetAllowSelect(bool value) {
  if (value == allowSelect_) return;
  InvalidateShape();
  allowSelect_ = value;
  InvalidateShape();
}

bool TdtpShape::IsDirty() const {
  if (dirty_) return true;
  return std::any_of(children_.begin(), children_.end(), [](const auto& c) { return c->IsDirty(); });
}

bool TdtpShape::IsEditing() const {
  return document_ && document_->DragState() == dsEditing && document_->EditedShape() == this;
}

void TdtpShape::BeginEdit() {
  if (document_) document_->EndEditShape(0);
}

void TdtpShape::FinishEdit(int code) {
  if (document_ && document_->EditedShape() == this) {
    document_->EndEditShape(code);
  } else {
    EndEdit(code);
  }
}

// ---------------------------------------------------------------------------------------------
// Undo

void TdtpShape::RecordUndoString(uint8_t kind, const std::string& name, const std::string& value) {
  if (!document_) return;
  if (document_->UndoEnabled()) {
    document_->AddUndoCommand(std::make_unique<TdtpCommand>(kind, value, name, shapeId_));
  } else if (document_->ExecutingUndo()) {
    document_->AddRedoCommand(std::make_unique<TdtpCommand>(kind, value, name, shapeId_));
  }
}

void TdtpShape::RecordUndoStyle(uint8_t kind, const std::string& name, TFontStyles style) {
  RecordUndoString(kind, name, FontStyleToText(style));
}

void TdtpShape::RecordUndoFloat(uint8_t kind, const std::string& name, float value) {
  RecordUndoString(kind, name, FloatToText(value));
}

void TdtpShape::RecordUndoInteger(uint8_t kind, const std::string& name, int value) {
  RecordUndoString(kind, name, std::to_string(value));
}

void TdtpShape::RecordUndoBoolean(uint8_t kind, const std::string& name, bool value) {
  RecordUndoString(kind, name, value ? "True" : "False");
}

bool TdtpShape::ExecuteCommand(const TdtpCommand& command) {
  if (command.ShapeID() != shapeId_) {
    // By index: the handling shape may change its own children, never this list.
    for (size_t i = 0; i < children_.size(); ++i) {
      if (children_[i]->ExecuteCommand(command)) return true;
    }
    return false;
  }
  switch (command.Kind()) {
    case ckProperty: SetPropertyByName(command.Name(), command.Value()); break;
    case ckChildInserted: DeleteShape(TextToInteger(command.Value())); break;
    case ckChildRemoved: RestoreChild(command); break;
    default: break;
  }
  return true;
}

void TdtpShape::SetPropertyByName(const std::string& name, const std::string& value) {
  if (SameText(name, "DocLeft")) {
    SetDocLeft(TextToFloat(value));
  } else if (SameText(name, "DocTop")) {
    SetDocTop(TextToFloat(value));
  } else if (SameText(name, "DocWidth")) {
    SetDocWidth(TextToFloat(value));
  } else if (SameText(name, "DocHeight")) {
    SetDocHeight(TextToFloat(value));
  } else if (SameText(name, "DocAngle")) {
    SetDocAngle(TextToFloat(value));
  } else if (SameText(name, "MasterAlpha")) {
    SetMasterAlpha(TextToInteger(value));
  }
}

// ---------------------------------------------------------------------------------------------
// Geometry

void TdtpShape::StoreAngle(float degrees) {
  docAngle_ = NormalizeAngle(degrees);
  SinCosDegrees(docAngle_, sin_, cos_);
}

void TdtpShape::StoreBounds(float left, float top, float width, float height) {
  docLeft_ = left;
  docTop_ = top;
  docWidth_ = width;
  docHeight_ = height;
}

void TdtpShape::StoreCurbs(float left, float top, float right, float bottom) {
  curbLeft_ = left;
  curbTop_ = top;
  curbRight_ = right;
  curbBottom_ = bottom;
}

void TdtpShape::SetDocLeft(float value) {
  if (value != docLeft_) SetBounds(value, docTop_, docWidth_, docHeight_);
}

void TdtpShape::SetDocTop(float value) {
  if (value != docTop_) SetBounds(docLeft_, value, docWidth_, docHeight_);
}

void TdtpShape::SetDocWidth(float value) {
  if (value != docWidth_) SetBounds(docLeft_, docTop_, value, docHeight_);
}

void TdtpShape::SetDocHeight(float value) {
  if (value != docHeight_) SetBounds(docLeft_, docTop_, docWidth_, value);
}

void TdtpShape::SetBounds(float left, float top, float width, float height) {
  SetBoundsAndAngle(left, top, width, height, docAngle_);
}

void TdtpShape::SetBoundsAndAngle(float left, float top, float width, float height, float angle) {
  const float turned = NormalizeAngle(angle);
  if (left == docLeft_ && top == docTop_ && width == docWidth_ && height == docHeight_ && turned == docAngle_) return;
  Invalidate();
  const bool sizeChanged = width != docWidth_ || height != docHeight_;
  if (grouped_ && sizeChanged) {
    try {
      LayoutChildren(width, height);
    } catch (...) {
      // A failing child layout must not stop the group's own change.
    }
  }
  BeginUndo();
  try {
    if (left != docLeft_ || top != docTop_) SetPosition(left, top);
    if (sizeChanged) SetSize(width, height);
    if (turned != docAngle_) SetDocAngle(turned);
  } catch (...) {
    EndUndo();
    throw;
  }
  EndUndo();
  Invalidate();
  Changed();
  if (OnBoundsChanged) OnBoundsChanged(this);
}

void TdtpShape::LayoutChildren(float newWidth, float newHeight) {
  if (children_.empty()) return;
  // A zero old size has no proportions to keep.
  if (docWidth_ == 0 || docHeight_ == 0) return;
  const float fx = newWidth / docWidth_;
  const float fy = newHeight / docHeight_;
  struct Axis {
    float p, s;
  };
  auto layout = [this](TdtpAnchors a, float f, float p, float s, TdtpAnchor posProp, TdtpAnchor sizeProp,
                       TdtpAnchor lock) {
    float s2 = s;
    float p2 = p;
    if (HasAnchor(a, DefaultAnchor)) {
      s2 = allowResize_ ? f * s : s;
      p2 = f * (p + s / 2) - s2 / 2;
    } else if (HasAnchor(a, posProp)) {
      s2 = HasAnchor(a, sizeProp) ? f * s : s;
      p2 = f * (p + s / 2) - s2 / 2;
    } else if (HasAnchor(a, lock)) {
      s2 = HasAnchor(a, sizeProp) ? f * s : s;
    } else {
      s2 = HasAnchor(a, sizeProp) ? f * s : s;
      p2 = p + s - s2;
    }
    return Axis{p2, s2};
  };
  for (size_t i = 0; i < children_.size(); ++i) {
    TdtpShape* child = children_[i].get();
    const TdtpAnchors a = child->anchors_;
    const Axis x = layout(a, fx, child->docLeft_, child->docWidth_, PosXProp, SizeXProp, LeftLock);
    const Axis y = layout(a, fy, child->docTop_, child->docHeight_, PosYProp, SizeYProp, TopLock);
    child->SetBounds(x.p, y.p, x.s, y.s);
  }
}

void TdtpShape::SetPosition(float left, float top) {
  BeginUndo();
  if (left != docLeft_) RecordUndoFloat(ckProperty, "DocLeft", docLeft_);
  if (top != docTop_) RecordUndoFloat(ckProperty, "DocTop", docTop_);
  EndUndo();
  docLeft_ = left;
  docTop_ = top;
}

void TdtpShape::SetSize(float width, float height) {
  BeginUndo();
  if (width != docWidth_) RecordUndoFloat(ckProperty, "DocWidth", docWidth_);
  if (height != docHeight_) RecordUndoFloat(ckProperty, "DocHeight", docHeight_);
  EndUndo();
  if (width != docWidth_ || height != docHeight_) {
    docWidth_ = width;
    docHeight_ = height;
    FreeCache();
  }
}

void TdtpShape::SetDocAngle(float degrees) {
  const float turned = NormalizeAngle(degrees);
  if (turned == docAngle_) return;
  RecordUndoFloat(ckProperty, "DocAngle", docAngle_);
  Invalidate();
  StoreAngle(turned);
  FreeCache();
  Invalidate();
  Changed();
}

void TdtpShape::SetMasterAlpha(int value) {
  if (value == masterAlpha_) return;
  RecordUndoFloat(ckProperty, "MasterAlpha", static_cast<float>(masterAlpha_));
  masterAlpha_ = value;
  Invalidate();
  Changed();
}

void TdtpShape::SetAngleAroundCenter(float angle) {
  const float turned = NormalizeAngle(angle);
  if (turned == docAngle_) return;
  const float w = docWidth_ / 2;
  const float h = docHeight_ / 2;
  float s2 = 0, c2 = 1;
  SinCosDegrees(turned, s2, c2);
  const float left = docLeft_ + (w * cos_ + h * sin_) - (w * c2 + h * s2);
  const float top = docTop_ + (-w * sin_ + h * cos_) - (-w * s2 + h * c2);
  SetBoundsAndAngle(left, top, docWidth_, docHeight_, turned);
}

void TdtpShape::SetCenter(float x, float y) {
  const TFloatRect r = GetBoundsRect();
  SetBoundsLeft(x - (r.Right - r.Left) / 2);
  SetBoundsTop(y - (r.Bottom - r.Top) / 2);
}

bool TdtpShape::ConstrainSize(float& width, float& height) const {
  if (!allowResize_) {
    width = docWidth_;
    height = docHeight_;
    return false;
  }
  const TFloatSizeConstraint& c = *constraints_;
  if (c.MinWidth() > 0) width = std::max(width, c.MinWidth());
  if (c.MaxWidth() > 0) width = std::min(width, c.MaxWidth());
  if (c.MinHeight() > 0) height = std::max(height, c.MinHeight());
  if (c.MaxHeight() > 0) height = std::min(height, c.MaxHeight());
  width = std::max(0.1f, width);
  height = std::max(0.1f, height);
  // Without a positive ratio there is no aspect to keep (it would collapse or blow up the size).
  if (preserveAspect_ && aspectRatio_ > 0) {
    if (width / height > aspectRatio_) {
      width = height * aspectRatio_;
    } else {
      height = width / aspectRatio_;
    }
    if (width < c.MinWidth()) {
      width = c.MinWidth();
      height = c.MinWidth() / aspectRatio_;
    }
    if (height < c.MinHeight()) {
      height = c.MinHeight();
      width = c.MinHeight() * aspectRatio_;
    }
  }
  return true;
}

void TdtpShape::SetBoundsConstrained(float left, float top, float width, float height) {
  ConstrainSize(width, height);
  SetBounds(left, top, width, height);
}

void TdtpShape::SetTracking(float left, float top, float width, float height, float angle) {
  trackLeft_ = left;
  trackTop_ = top;
  trackWidth_ = width;
  trackHeight_ = height;
  trackAngle_ = angle;
}

void TdtpShape::ApplyTracking() {
  SetBoundsConstrained(trackLeft_, trackTop_, trackWidth_, trackHeight_);
  SetAngleAroundCenter(trackAngle_);
}

void TdtpShape::SetBoundsRect(const TFloatRect& r) {
  SetBoundsConstrained(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::fabs(r.Right - r.Left),
                       std::fabs(r.Bottom - r.Top));
}

void TdtpShape::ApplyConstraints() {
  float w = docWidth_;
  float h = docHeight_;
  ConstrainSize(w, h);
  SetBounds(docLeft_, docTop_, w, h);
}

void TdtpShape::LockAspectRatio() {
  preserveAspect_ = true;
  // A zero height has no ratio; the previous one is kept.
  if (docHeight_ != 0) aspectRatio_ = docWidth_ / docHeight_;
}

void TdtpShape::Inflate(float dx, float dy) {
  SetBounds(docLeft_ - dx, docTop_ - dy, docWidth_ + 2 * dx, docHeight_ + 2 * dy);
}

TFloatRect TdtpShape::GetBoundsRect() const {
  const TFloatPoint corners[4] = {LocalToParent({0, 0}), LocalToParent({docWidth_, 0}),
                                  LocalToParent({0, docHeight_}), LocalToParent({docWidth_, docHeight_})};
  TFloatRect r{corners[0].X, corners[0].Y, corners[0].X, corners[0].Y};
  for (const TFloatPoint& c : corners) {
    r.Left = std::min(r.Left, c.X);
    r.Top = std::min(r.Top, c.Y);
    r.Right = std::max(r.Right, c.X);
    r.Bottom = std::max(r.Bottom, c.Y);
  }
  return r;
}

std::vector<TFloatPoint> TdtpShape::CurbCorners() const {
  return {{-effCurbLeft_, -effCurbTop_},
          {docWidth_ + effCurbRight_, -effCurbTop_},
          {docWidth_ + effCurbRight_, docHeight_ + effCurbBottom_},
          {-effCurbLeft_, docHeight_ + effCurbBottom_}};
}

TFloatRect TdtpShape::GetBoundsRectWithCurbs() const {
  const auto corners = CurbCorners();
  TFloatPoint first = LocalToParent(corners[0]);
  TFloatRect r{first.X, first.Y, first.X, first.Y};
  for (const TFloatPoint& c : corners) {
    const TFloatPoint p = LocalToParent(c);
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  return r;
}

// ---------------------------------------------------------------------------------------------
// Coordinate frames

TFloatPoint TdtpShape::LocalToParent(TFloatPoint p) const {
  return TFloatPoint{docLeft_ + p.X * cos_ + p.Y * sin_, docTop_ - p.X * sin_ + p.Y * cos_};
}

TFloatPoint TdtpShape::ParentToLocal(TFloatPoint p) const {
  const float u = p.X - docLeft_;
  const float v = p.Y - docTop_;
  return TFloatPoint{u * cos_ - v * sin_, u * sin_ + v * cos_};
}

TFloatPoint TdtpShape::LocalToPage(TFloatPoint p) const {
  const TFloatPoint q = LocalToParent(p);
  return parent_ ? parent_->LocalToPage(q) : q;
}

TFloatPoint TdtpShape::PageToLocal(TFloatPoint p) const {
  return ParentToLocal(parent_ ? parent_->PageToLocal(p) : p);
}

TFloatPoint TdtpShape::LocalToScreen(TFloatPoint p) const {
  if (!document_) return TFloatPoint{};
  return document_->PageToScreen(LocalToPage(p));
}

TFloatPoint TdtpShape::ScreenToLocal(TFloatPoint p) const {
  if (!document_) return TFloatPoint{};
  return PageToLocal(document_->ScreenToPage(p));
}

TFloatPoint TdtpShape::ScreenDeltaToLocal(TFloatPoint d) const {
  TFloatPoint v;
  if (parent_) {
    v = parent_->ScreenDeltaToLocal(d);
  } else {
    const float dpm = GetScreenDpm();
    v = TFloatPoint{d.X / dpm, d.Y / dpm};
  }
  return TFloatPoint{v.X * cos_ - v.Y * sin_, v.X * sin_ + v.Y * cos_};
}

TFloatPoint TdtpShape::SnapPoint(TFloatPoint p) const {
  if (!parent_) return p;
  return ParentToLocal(parent_->SnapPoint(LocalToParent(p)));
}

// ---------------------------------------------------------------------------------------------
// Curbs, caches, repaint

void TdtpShape::UpdateCurbs() {
  effCurbLeft_ = curbLeft_;
  effCurbTop_ = curbTop_;
  effCurbRight_ = curbRight_;
  effCurbBottom_ = curbBottom_;
  AdjustCurbs(effCurbLeft_, effCurbTop_, effCurbRight_, effCurbBottom_);
}

void TdtpShape::AdjustCurbs(float& left, float& top, float& right, float& bottom) {
  if (mirrored_) left = right = std::max(left, right);
  if (flipped_) top = bottom = std::max(top, bottom);
}

void TdtpShape::SetCurbs(float left, float top, float right, float bottom) {
  if (left == curbLeft_ && top == curbTop_ && right == curbRight_ && bottom == curbBottom_) return;
  StoreCurbs(left, top, right, bottom);
  UpdateCurbs();
  FreeCache();
}

void TdtpShape::FreeCaches() {
  FreeCache();
  for (const auto& child : children_) child->FreeCaches();
  for (TdtpResource* resource : resources_) resource->ReleaseObject();
}

bool TdtpShape::NeedsCache() const { return docAngle_ != 0 || masterAlpha_ != 255 || smartHitTest_ || NeedsFlip(); }

void TdtpShape::Invalidate() {
  if (document_) document_->InvalidateShapeArea(this);
  if (parent_) parent_->ClearCache();
}

void TdtpShape::InvalidateShape() {
  if (document_) document_->InvalidateShapeArea(this);
}

void TdtpShape::Refresh() {
  dirty_ = true;
  for (const auto& child : children_) child->Refresh();
  UpdateCurbs();
  Invalidate();
}

void TdtpShape::RefreshCache() {
  ClearCache();
  UpdateCurbs();
  Invalidate();
}

float TdtpShape::GetScreenDpm() const { return document_ ? document_->ScreenDpm() : kDefaultDpm; }

float TdtpShape::GetRenderDpm() const {
  if (!document_) return kDefaultDpm;
  if (NeedsCache()) return document_->RenderDpm();
  if (parent_) return parent_->GetRenderDpm();
  return GetScreenDpm();
}

TColor32 TdtpShape::GetViewColor() const { return document_ ? document_->ViewColor32() : 0xFF000000; }

// ---------------------------------------------------------------------------------------------
// Handles and hit testing

void TdtpShape::UpdateHandles() {
  // Rebuilt in place: the tracked positions of the handles survive.
  const struct {
    uint8_t kind;
    float x, y;
  } placement[5] = {{hkTopLeft, 0, 0},
                    {hkBottomLeft, 0, docHeight_},
                    {hkBottomRight, docWidth_, docHeight_},
                    {hkTopRight, docWidth_, 0},
                    {hkRotate, 1.03f * docWidth_, docHeight_ / 2}};
  handles_.resize(5);
  for (size_t i = 0; i < 5; ++i) {
    handles_[i].Kind = placement[i].kind;
    handles_[i].X = placement[i].x;
    handles_[i].Y = placement[i].y;
  }
  edges_.resize(4);
  const uint8_t edgeKinds[4] = {hkLeft, hkBottom, hkRight, hkTop};
  for (int i = 0; i < 4; ++i) {
    edges_[static_cast<size_t>(i)] = TdtpShapeEdge{i, (i + 1) % 4, edgeKinds[i], 1};
  }
}

const TdtpShapeHandle* TdtpShape::Handle(int index) const {
  if (index < 0 || index >= HandleCount()) return nullptr;
  return &handles_[static_cast<size_t>(index)];
}

const TdtpShapeEdge* TdtpShape::Edge(int index) const {
  if (index < 0 || index >= EdgeCount()) return nullptr;
  return &edges_[static_cast<size_t>(index)];
}

TPoint TdtpShape::HandleScreenPoint(int index) const {
  const TdtpShapeHandle* h = Handle(index);
  if (!h) return TPoint{};
  const TFloatPoint p = LocalToScreen(TFloatPoint{h->X, h->Y});
  return TPoint{RoundToInt(p.X), RoundToInt(p.Y)};
}

TRect TdtpShape::GetHandleRect(int index) const {
  const TdtpShapeHandle* h = Handle(index);
  if (!h) return TRect{};
  const TFloatPoint p = LocalToScreen(TFloatPoint{h->X, h->Y});
  return TRect{RoundToInt(p.X - 3), RoundToInt(p.Y - 3), RoundToInt(p.X + 3) + 1, RoundToInt(p.Y + 4)};
}

TRect TdtpShape::GetScreenBounds() const {
  if (!document_) return TRect{};
  const auto corners = CurbCorners();
  TFloatPoint first = LocalToScreen(corners[0]);
  float minX = first.X, maxX = first.X, minY = first.Y, maxY = first.Y;
  for (const TFloatPoint& c : corners) {
    const TFloatPoint p = LocalToScreen(c);
    minX = std::min(minX, p.X);
    maxX = std::max(maxX, p.X);
    minY = std::min(minY, p.Y);
    maxY = std::max(maxY, p.Y);
  }
  return TRect{RoundToInt(minX - 0.5f), RoundToInt(minY - 0.5f), RoundToInt(maxX + 0.5f), RoundToInt(maxY + 0.5f)};
}

TScreenQuad TdtpShape::ScreenQuadOf(float left, float top, float right, float bottom) const {
  const TFloatPoint corners[4] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  TScreenQuad quad;
  for (size_t i = 0; i < 4; ++i) {
    const TFloatPoint p = LocalToScreen(corners[i]);
    quad.Corners[i] = TPoint{RoundToInt(p.X), RoundToInt(p.Y)};
  }
  return quad;
}

TScreenRegion TdtpShape::CreateBodyRegion() const { return ScreenQuadOf(0, 0, docWidth_, docHeight_); }

TScreenQuad TdtpShape::CreateScreenRegion() const {
  return ScreenQuadOf(-effCurbLeft_, -effCurbTop_, docWidth_ + effCurbRight_, docHeight_ + effCurbBottom_);
}

TRect TdtpShape::GetInvalidateRect() {
  UpdateHandles();
  TRect r = GetScreenBounds();
  if (IsSelectable()) {
    for (int i = 0; i < HandleCount(); ++i) r = UnionRect(r, GetHandleRect(i));
  }
  return r;
}

uint8_t TdtpShape::HitTestHandle(TPoint p) {
  if (!selected_ || !document_) return hkNone;
  if (!RectContains(GetInvalidateRect(), p)) return hkNone;
  uint8_t kind = hkNone;
  int handle = -1;
  for (int i = 0; i < HandleCount(); ++i) {
    if (RectContains(GetHandleRect(i), p)) {
      kind = handles_[static_cast<size_t>(i)].Kind;
      handle = i;
      break;
    }
  }
  if (handle < 0) {
    for (const TdtpShapeEdge& e : edges_) {
      if (DistanceToSegment(p, HandleScreenPoint(e.FromHandle), HandleScreenPoint(e.ToHandle)) < 10) {
        kind = e.Kind;
        break;
      }
    }
  }
  if (kind == hkRotate && !allowRotate_) {
    kind = hkNone;
    handle = -1;
  }
  if (kind != hkNone) trackHandle_ = handle;
  return kind;
}

bool TdtpShape::BodyHitWithTolerance(TPoint p) const {
  if (!document_) return false;
  const TScreenRegion body = CreateBodyRegion();
  for (const TPoint& offset : document_->HitOffsets()) {
    if (body.Contains(TPoint{p.X + offset.X, p.Y + offset.Y})) return true;
  }
  return false;
}

bool TdtpShape::HitTest(TPoint p) {
  if (!document_ || !visible_) return false;
  if (!CreateScreenRegion().Contains(p)) return false;
  if (smartHitTest_) return HitTestPixel(p);
  return BodyHitWithTolerance(p);
}

bool TdtpShape::HitTestChild(TPoint p, TdtpShape*& shape) {
  shape = nullptr;
  if (!enabled_ || !visible_ || !document_) return false;
  if (!CreateScreenRegion().Contains(p)) return false;
  shape = this;
  bool asked = false;
  for (size_t i = children_.size(); i-- > 0;) {
    TdtpShape* child = children_[i].get();
    if (!child->enabled_) continue;
    asked = true;
    TdtpShape* found = nullptr;
    if (child->HitTestChild(p, found)) {
      shape = found;
      return true;
    }
  }
  if (asked) {
    shape = nullptr;
    return false;
  }
  if (smartHitTest_ && !HitTestPixel(p)) {
    shape = nullptr;
    return false;
  }
  return true;
}


}  // namespace kivrano
