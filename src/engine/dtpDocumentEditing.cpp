// The view's interaction: pointer and key input turned into selections, drags with XOR outlines,
// rubber bands, the placing of new shapes and the routing of input to a shape edited in place.

#include <algorithm>
#include <cmath>

#include "base/Exception.h"
#include "engine/ShapeRegistry.h"
#include "engine/dtpCursors.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"

namespace kivrano {

namespace {

constexpr int kButtonBits = ssLeft | ssRight | ssMiddle;
// A press becomes a drag once the pointer has moved more than sqrt(10) pixels.
constexpr float kDragThresholdSquared = 10;

constexpr int kKeyEscape = 0x1B;
constexpr int kKeyDelete = 0x2E;
constexpr int kKeyF2 = 0x71;
constexpr int kKeyF5 = 0x74;

constexpr int kHotZoneInterval = 50;
// The zones are the outer 7 % of the view; a pointer faster than 30 px/s starts no scrolling.
constexpr float kHotZoneShare = 0.07f;
constexpr float kHotZoneRestSpeed = 30;
// Scrolling speed builds up over 0.7 s.
constexpr float kHotZoneRampMs = 700;

constexpr char32_t kCharCopy = 3;
constexpr char32_t kCharPaste = 22;
constexpr char32_t kCharCut = 24;

TFloatPoint ToFloat(TPoint p) { return TFloatPoint{static_cast<float>(p.X), static_cast<float>(p.Y)}; }
TPoint Rounded(TFloatPoint p) { return TPoint{RoundToInt(p.X), RoundToInt(p.Y)}; }

// The button flags of the edit hooks (vkLButton, vkRButton, vkMButton).
int ButtonFlag(TMouseButton button) {
  switch (button) {
    case mbLeft: return vkLButton;
    case mbRight: return vkRButton;
    case mbMiddle: return vkMButton;
  }
  return 0;
}

int HeldButtonFlags(int shift) {
  return ((shift & ssLeft) ? vkLButton : 0) | ((shift & ssRight) ? vkRButton : 0) |
         ((shift & ssMiddle) ? vkMButton : 0);
}

bool IsResizeKind(uint8_t kind) { return kind >= hkTopLeft && kind <= hkTop; }

// Kinds whose drags follow the grid.
bool SnapsToGrid(uint8_t kind) { return (kind >= hkMove && kind <= hkTop) || kind == hkPoint; }

TRect Normalized(TPoint a, TPoint b) {
  return TRect{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TRect Inflated(const TRect& r, int by) { return TRect{r.Left - by, r.Top - by, r.Right + by, r.Bottom + by}; }

void XorFrame(TCanvas& canvas, const TRect& r, TColor color) {
  canvas.Pen().SetColor(color);
  canvas.Pen().SetStyle(psDot);
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetMode(pmXor);
  canvas.Brush().SetStyle(bsClear);
  canvas.Rectangle(r);
  canvas.Pen().SetMode(pmCopy);
}

// The screen extent of a shape's tracked handles.
TRect TrackedExtent(const TdtpShape& shape) {
  TRect r;
  bool first = true;
  for (int i = 0; i < shape.HandleCount(); ++i) {
    const TdtpShapeHandle* h = shape.Handle(i);
    const TPoint p = Rounded(shape.LocalToScreen(TFloatPoint{h->TrackX, h->TrackY}));
    const TRect pixel{p.X, p.Y, p.X + 1, p.Y + 1};
    r = first ? pixel : UnionRect(r, pixel);
    first = false;
  }
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Hit testing and cursors

TdtpShape* TdtpDocument::ShapeAtPos(TPoint p, uint8_t& kind) {
  kind = hkNone;
  TdtpPage* page = CurrentPage();
  if (readOnly_ || !page) return nullptr;
  for (int i = page->GetShapeCount(); i-- > 0;) {
    TdtpShape* shape = page->GetShape(i);
    if (!shape->Selected()) continue;
    kind = shape->HitTestHandle(p);
    if (kind != hkNone) return shape;
  }
  for (int i = page->GetShapeCount(); i-- > 0;) {
    TdtpShape* shape = page->GetShape(i);
    if (shape->IsSelectable() && shape->HitTest(p)) {
      kind = hkMove;
      return shape;
    }
  }
  return nullptr;
}

bool TdtpDocument::ShapeAtPosDeep(TPoint p, TdtpShape*& shape) {
  shape = nullptr;
  TdtpPage* page = CurrentPage();
  if (readOnly_ || !page) return false;
  for (int i = page->GetShapeCount(); i-- > 0;) {
    TdtpShape* candidate = page->GetShape(i);
    if (!candidate->Enabled()) continue;
    TdtpShape* found = nullptr;
    if (candidate->HitTestChild(p, found) && found) {
      shape = found;
      return true;
    }
  }
  return false;
}

TCursor TdtpDocument::HandleCursor(const TdtpShape* shape, uint8_t kind) const {
  if (!shape || !IsResizeKind(kind)) return Cursor();
  // The handle turns with the shape, one kind per 45 degrees.
  const int steps = (RoundToInt(shape->DocAngle() + 22.5f) / 45 % 8 + 8) % 8;
  const int turned = hkTopLeft + (kind - hkTopLeft + steps) % 8;
  switch (turned) {
    case hkTopLeft:
    case hkBottomRight: return crSizeNWSE;
    case hkLeft:
    case hkRight: return crSizeWE;
    case hkBottomLeft:
    case hkTopRight: return crSizeNESW;
    default: return crSizeNS;
  }
}

void TdtpDocument::SetHoverCursor(TPoint p) {
  uint8_t kind = hkNone;
  TdtpShape* shape = ShapeAtPos(p, kind);
  if (kind == hkMove) {
    RequestCursor(crHandPoint);
  } else if (IsResizeKind(kind)) {
    RequestCursor(HandleCursor(shape, kind));
  } else if (kind == hkRotate) {
    RequestCursor(crRotation);
  } else if (kind == hkPoint) {
    RequestCursor(crSizeAll);
  } else {
    RequestCursor(Cursor());
  }
}

// ---------------------------------------------------------------------------------------------
// Overlays

TRect TdtpDocument::PressRect(TFloatPoint delta) const {
  return Normalized(pressPoint_, TPoint{pressPoint_.X + RoundToInt(delta.X), pressPoint_.Y + RoundToInt(delta.Y)});
}

void TdtpDocument::PresentOverlay(const TRect& r) {
  if (Host() && r.Right > r.Left && r.Bottom > r.Top) Host()->PresentRect(Inflated(r, 2));
}

void TdtpDocument::DrawTrackOutlines(TFloatPoint delta) {
  if (!overlayDrawn_) outlineAlt_ = (lastShift_ & ssAlt) != 0;
  overlayDrawn_ = !overlayDrawn_;
  TdtpPage* page = CurrentPage();
  if (!page) return;
  TCanvas canvas(windowSurface_);
  TRect extent;
  for (int i = 0; i < page->GetShapeCount(); ++i) {
    TdtpShape* shape = page->GetShape(i);
    if (!shape->Selected()) continue;
    shape->ComputeTracking(delta, outlineAlt_, dragKind_);
    shape->DrawTrackOutline(canvas);
    extent = UnionRect(extent, TrackedExtent(*shape));
  }
  PresentOverlay(extent);
}

void TdtpDocument::DrawInsertFrame(TFloatPoint delta) {
  overlayDrawn_ = !overlayDrawn_;
  if (!insertShape_) return;
  TCanvas canvas(windowSurface_);
  const TRect r = PressRect(delta);
  insertShape_->DrawInsertFrame(canvas, r, handleColor_);
  PresentOverlay(r);
}

void TdtpDocument::DrawRubberBand(TFloatPoint delta) {
  overlayDrawn_ = !overlayDrawn_;
  TCanvas canvas(windowSurface_);
  const TRect r = PressRect(delta);
  XorFrame(canvas, r, clWhite);
  PresentOverlay(r);
}

void TdtpDocument::RedrawOverlay(TCanvas& canvas) {
  if (!overlayDrawn_) return;
  if (dragState_ == dsTracking) {
    if (TdtpPage* page = CurrentPage()) {
      for (int i = 0; i < page->GetShapeCount(); ++i) {
        if (page->GetShape(i)->Selected()) page->GetShape(i)->DrawTrackOutline(canvas);
      }
    }
  } else if (dragState_ == dsInsertDragging && insertShape_) {
    insertShape_->DrawInsertFrame(canvas, PressRect(dragDelta_), handleColor_);
  } else if (dragState_ == dsRubberBand) {
    XorFrame(canvas, PressRect(dragDelta_), clWhite);
  }
}

// ---------------------------------------------------------------------------------------------
// Drags

void TdtpDocument::StartMove() {
  SetDragState(dsTracking);
  dragDelta_ = TFloatPoint{};
  if (dragKind_ != hkMove) SetFocusedShape(dragTarget_);
  DrawTrackOutlines(dragDelta_);
}

void TdtpDocument::UpdateDrag(TFloatPoint delta) {
  if (delta == dragDelta_) return;
  DrawTrackOutlines(dragDelta_);
  dragDelta_ = delta;
  DrawTrackOutlines(dragDelta_);
}

void TdtpDocument::EndMove(bool accept) {
  if (dragState_ != dsTracking) return;
  dragState_ = dsIdle;
  if (overlayDrawn_) DrawTrackOutlines(dragDelta_);
  if (accept) {
    if (TdtpPage* page = CurrentPage()) {
      for (int i = 0; i < page->GetShapeCount(); ++i) {
        if (page->GetShape(i)->Selected()) page->GetShape(i)->ApplyTracking();
      }
    }
  }
  dragKind_ = hkNone;
  dragTarget_ = nullptr;
}

void TdtpDocument::EndRubberBand(bool accept) {
  if (dragState_ == dsRubberBand && overlayDrawn_) DrawRubberBand(dragDelta_);
  dragState_ = dsIdle;
  const TRect r = PressRect(dragDelta_);
  if (accept && r.Right > r.Left && r.Bottom > r.Top) SelectInRect(r);
}

TFloatPoint TdtpDocument::SnapDragPoint(TFloatPoint p, bool snap) {
  TdtpPage* page = CurrentPage();
  if (!page || !snap) return p;
  if (dragKind_ == hkMove && dragTarget_) {
    // The moved shape's origin lands on the grid, not the pointer.
    const TFloatPoint origin{dragTarget_->DocLeft() + p.X - pressPointMM_.X,
                             dragTarget_->DocTop() + p.Y - pressPointMM_.Y};
    const TFloatPoint snapped = page->SnapPoint(origin);
    return TFloatPoint{snapped.X - dragTarget_->DocLeft() + pressPointMM_.X,
                       snapped.Y - dragTarget_->DocTop() + pressPointMM_.Y};
  }
  return page->LocalToParent(page->SnapPoint(page->ParentToLocal(p)));
}

void TdtpDocument::PointerDelta(TPoint p, int shift, TFloatPoint& delta, TFloatPoint& deltaMM) {
  TFloatPoint mm = ScreenToPage(ToFloat(p));
  const bool inserting = dragState_ == dsInsertDragging;
  if (((shift & ssLeft) && SnapsToGrid(dragKind_)) || inserting) {
    mm = SnapDragPoint(mm, snapToGrid_ != ((shift & ssAlt) != 0));
  }
  const TFloatPoint px = PageToScreen(mm);
  delta = TFloatPoint{px.X - static_cast<float>(pressPoint_.X), px.Y - static_cast<float>(pressPoint_.Y)};
  deltaMM = TFloatPoint{mm.X - pressPointMM_.X, mm.Y - pressPointMM_.Y};
  if ((shift & ssShift) && dragKind_ == hkMove && !inserting) {
    // One axis only: the one the pointer has moved further along.
    if (std::fabs(deltaMM.X) > std::fabs(deltaMM.Y)) {
      deltaMM.Y = delta.Y = 0;
    } else {
      deltaMM.X = delta.X = 0;
    }
  }
}

TFloatPoint TdtpDocument::InsertFrameDelta(TFloatPoint delta) const {
  const TdtpShape* shape = insertShape_.get();
  if (!shape || !shape->PreserveAspect() || !(shape->DocWidth() > 0) || !(shape->DocHeight() > 0)) return delta;
  const float f = std::min(std::fabs(delta.Y) / shape->DocHeight(), std::fabs(delta.X) / shape->DocWidth());
  const float sx = delta.X < 0 ? -1.0f : 1.0f;
  const float sy = delta.Y < 0 ? -1.0f : 1.0f;
  return TFloatPoint{sx * static_cast<float>(RoundToInt(f * shape->DocWidth())),
                     sy * static_cast<float>(RoundToInt(f * shape->DocHeight()))};
}

// ---------------------------------------------------------------------------------------------
// Pointer input

void TdtpDocument::MouseDown(TMouseButton button, int shift, int x, int y) {
  lastShift_ = shift;
  if (Host()) Host()->SetFocus();
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (dragState_ == dsEditing && editedShape_) {
    editedShape_->EditMouseDown(ButtonFlag(button), shift, x, y);
    return;
  }
  if (button != mbLeft || dragState_ == dsInsertDragging) return;
  pressPoint_ = TPoint{x, y};
  dragDelta_ = dragDeltaMM_ = TFloatPoint{};
  pressPointMM_ = ScreenToPage(ToFloat(pressPoint_));

  if (dragState_ == dsInsertArmed) {
    if (insertByClick_) {
      EndInsert(true);
      return;
    }
    dragState_ = dsInsertDragging;
    DrawInsertFrame(dragDelta_);
    return;
  }
  if (mode_ != vmEdit || readOnly_) return;
  dragKind_ = hkNone;
  dragTarget_ = nullptr;
  if ((shift & ssCtrl) && multiSelectMethod_ == msmCtrl) {
    SetDragState(dsRubberBand);
    DrawRubberBand(dragDelta_);
    return;
  }

  uint8_t kind = hkNone;
  TdtpShape* target = ShapeAtPos(pressPoint_, kind);
  dragKind_ = kind;
  dragTarget_ = target;
  if (target) {
    if (shift & ssShift) {
      target->SetSelected(!target->Selected());
      if (target->Selected()) SetFocusedShape(target);
    } else if (!(kind == hkMove && target->Selected())) {
      BeginUpdate();
      ClearSelection();
      SetFocusedShape(target);
      target->SetSelected(true);
      EndUpdate();
    }
  }
  if (IsResizeKind(kind)) {
    RequestCursor(HandleCursor(target, kind));
  } else if (kind == hkRotate) {
    RequestCursor(crRotation);
  } else if (kind == hkPoint) {
    RequestCursor(crSizeAll);
  } else if (kind == hkMove || (target && kind >= hkCustom)) {
    // Handles of a shape's own kinds are dragged like the others (TrackCustomHandle).
    RequestCursor(Cursor());
  } else {
    if (multiSelectMethod_ == msmSimple) {
      SetDragState(dsRubberBand);
      DrawRubberBand(dragDelta_);
    } else {
      ClearSelection();
    }
    RequestCursor(Cursor());
  }
}

void TdtpDocument::MouseMove(int shift, int x, int y) {
  lastShift_ = shift;
  if (hotZoneScrolling_ != hzsNoScroll && !hotZoneScrollingNow_) HotZoneStep();
  if (dragState_ == dsEditing && editedShape_) {
    editedShape_->EditMouseMove(HeldButtonFlags(shift), shift, x, y);
    return;
  }
  if (dragState_ == dsInsertArmed) {
    if (!(shift & kButtonBits) && insertShape_) RequestCursor(insertShape_->InsertCursor());
    return;
  }
  const TPoint p{x, y};
  TFloatPoint delta, deltaMM;
  PointerDelta(p, shift, delta, deltaMM);

  if (dragState_ == dsInsertDragging) {
    DrawInsertFrame(dragDelta_);
    dragDelta_ = InsertFrameDelta(delta);
    dragDeltaMM_ = deltaMM;
    DrawInsertFrame(dragDelta_);
    return;
  }
  const bool left = (shift & ssLeft) != 0;
  if (!left) {
    dragTarget_ = nullptr;
    if (!(shift & kButtonBits) && dragState_ == dsIdle) SetHoverCursor(p);
  }
  if (dragState_ == dsRubberBand) {
    RequestCursor(Cursor());
    DrawRubberBand(dragDelta_);
    dragDelta_ = delta;
    dragDeltaMM_ = deltaMM;
    DrawRubberBand(dragDelta_);
    return;
  }
  if (!left) return;
  if (dragState_ == dsIdle && mode_ == vmEdit && !readOnly_ && dragKind_ != hkNone &&
      delta.X * delta.X + delta.Y * delta.Y > kDragThresholdSquared) {
    if (dragKind_ == hkMove) RequestCursor(crSizeAll);
    StartMove();
  }
  if (dragState_ != dsTracking) return;
  if (dragKind_ == hkMove && !RectContains(TRect{0, 0, ClientWidth(), ClientHeight()}, p)) {
    EndMove(false);
    if (OnStartDrag) OnStartDrag(this);
    if (Host()) Host()->StartViewDrag(SelectionToXml());
    return;
  }
  if (dragKind_ == hkMove) RequestCursor((shift & ssCtrl) ? crSizeCopy : crSizeAll);
  dragDeltaMM_ = deltaMM;
  UpdateDrag(delta);
}

void TdtpDocument::MouseUp(TMouseButton button, int shift, int x, int y) {
  lastShift_ = shift;
  if (dragState_ == dsEditing && editedShape_) {
    editedShape_->EditMouseUp(ButtonFlag(button), shift, x, y);
    return;
  }
  if (button == mbLeft) {
    switch (dragState_) {
      case dsInsertDragging:
        // A release on the press point leaves the frame following the pointer.
        if (!(dragDelta_ == TFloatPoint{})) EndInsert(true);
        break;
      case dsRubberBand:
        ClearSelection();
        EndRubberBand(true);
        break;
      case dsTracking:
        if (dragKind_ == hkMove && (shift & ssCtrl)) {
          const TFloatPoint moved = dragDeltaMM_;
          EndMove(false);
          DuplicateSelectionBy(moved);
        } else {
          EndMove(true);
        }
        if (TdtpShape* focused = FocusedShape()) ShapeChanged(focused);
        break;
      default:
        break;
    }
  }
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TdtpDocument::DblClick(TMouseButton button, int shift, int x, int y) {
  lastShift_ = shift;
  if (Host()) Host()->SetFocus();
  if (dragState_ == dsEditing && editedShape_) {
    editedShape_->EditDblClick(ButtonFlag(button), shift, x, y);
    return;
  }
  TdtpShape* shape = nullptr;
  const bool hit = ShapeAtPosDeep(TPoint{x, y}, shape);
  dragKind_ = hit ? hkMove : hkNone;
  dragTarget_ = shape;
  if (shape) BeginEditShape(shape);
}

// ---------------------------------------------------------------------------------------------
// Hot-zone scrolling

void TdtpDocument::RunHotZoneTimer(bool run) {
  if (!Host()) return;
  if (run && hotZoneTimer_ == 0) {
    hotZoneTimer_ = Host()->StartTimer(kHotZoneInterval, [this] {
      if (hotZoneScrollingNow_) HotZoneStep();
    });
  } else if (!run && hotZoneTimer_ != 0) {
    Host()->StopTimer(hotZoneTimer_);
    hotZoneTimer_ = 0;
    hotZoneScrollingNow_ = false;
  }
}

void TdtpDocument::ToggleOverlay() {
  switch (dragState_) {
    case dsTracking: DrawTrackOutlines(dragDelta_); break;
    case dsRubberBand: DrawRubberBand(dragDelta_); break;
    case dsInsertDragging: DrawInsertFrame(dragDelta_); break;
    default: break;
  }
}

void TdtpDocument::ScrollAndPaint(int dx, int dy) {
  ScrollBy(dx, dy);
  const int cw = ClientWidth(), ch = ClientHeight();
  if (dx > 0) Paint(TRect{cw - dx, 0, cw, ch});
  if (dx < 0) Paint(TRect{0, 0, -dx, ch});
  if (dy > 0) Paint(TRect{0, ch - dy, cw, ch});
  if (dy < 0) Paint(TRect{0, 0, cw, -dy});
  if (dragState_ == dsTracking) {
    // The press point stays on the same spot of the page.
    pressPoint_.X -= dx;
    pressPoint_.Y -= dy;
    PointerDelta(hotZoneLastPoint_, lastShift_, dragDelta_, dragDeltaMM_);
  }
}

void TdtpDocument::HotZoneStep() {
  if (!Host() || dragState_ == dsInsertDragging || dragState_ == dsEditing) return;
  const uint32_t now = Host()->TickCount();
  const float dt = std::clamp(static_cast<float>(now - hotZoneLastTick_), 1.0f, 200.0f);
  hotZoneLastTick_ = now;
  const TPoint p = Host()->PointerPosition();
  const float moved = std::hypot(static_cast<float>(p.X - hotZoneLastPoint_.X), static_cast<float>(p.Y - hotZoneLastPoint_.Y));
  hotZoneLastPoint_ = p;
  if (!hotZoneScrollingNow_ && moved / dt * 1000 > kHotZoneRestSpeed) return;

  const float cw = static_cast<float>(ClientWidth()), ch = static_cast<float>(ClientHeight());
  const float px = static_cast<float>(p.X), py = static_cast<float>(p.Y);
  float fx = 0, fy = 0;
  if (RectContains(TRect{0, 0, ClientWidth(), ClientHeight()}, p)) {
    const float zx = kHotZoneShare * cw, zy = kHotZoneShare * ch;
    if (px < zx) {
      fx = px / zx - 1;
    } else if (cw - px < zx) {
      fx = 1 - (cw - px) / zx;
    }
    if (py < zy) {
      fy = py / zy - 1;
    } else if (ch - py < zy) {
      fy = 1 - (ch - py) / zy;
    }
  }
  if (fx == 0 && fy == 0) {
    hotZoneScrollingNow_ = false;
    return;
  }
  hotZoneTime_ = hotZoneScrollingNow_ ? hotZoneTime_ + dt : 10;
  const float limit = hotZoneTime_ / kHotZoneRampMs;
  fx = std::clamp(std::copysign(fx * fx, fx), -limit, limit);
  fy = std::clamp(std::copysign(fy * fy, fy), -limit, limit);
  const int dx = RoundToInt(dt * fx * 2);
  const int dy = RoundToInt(dt * fy * 2);
  if (overlayDrawn_) {
    ToggleOverlay();
    ScrollAndPaint(dx, dy);
    ToggleOverlay();
  } else if (hotZoneScrolling_ == hzsAlways) {
    ScrollAndPaint(dx, dy);
  }
  hotZoneScrollingNow_ = true;
}

// ---------------------------------------------------------------------------------------------
// Keys and the context menu

void TdtpDocument::KeyDown(int key, int shift) {
  if (allowKeyInput_) {
    if (dragState_ == dsEditing && editedShape_) {
      editedShape_->EditKeyDown(key, shift);
      return;
    }
    TdtpPage* page = CurrentPage();
    switch (key) {
      case kKeyEscape:
        SetDragState(dsIdle);
        break;
      case kKeyDelete:
        // Each deletion is an undo step of its own.
        for (int i = ShapeCount(); i-- > 0;) {
          if (Shapes(i)->Selected()) DeleteShape(i);
        }
        break;
      case kKeyF2:
        if (page) {
          for (int i = 0; i < page->GetShapeCount(); ++i) {
            if (page->GetShape(i)->Selected()) {
              BeginEditShape(page->GetShape(i));
              break;
            }
          }
        }
        break;
      case kKeyF5:
        if (page) page->Refresh();
        break;
      default:
        break;
    }
  }
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TdtpDocument::KeyPress(char32_t ch) {
  if (allowKeyInput_ && dragState_ == dsEditing && editedShape_) {
    editedShape_->EditKeyPress(ch);
    return;
  }
  // Ctrl+C, Ctrl+V and Ctrl+X arrive as their control characters and are consumed here.
  switch (ch) {
    case 3: CopyToClipboard(); return;
    case 22: PasteFromClipboard(); return;
    case 24: CutToClipboard(); return;
    default: break;
  }
  if (OnKeyPress) OnKeyPress(this, ch);
}

void TdtpDocument::KeyUp(int key, int shift) {
  if (allowKeyInput_ && dragState_ == dsEditing && editedShape_) {
    editedShape_->EditKeyUp(key, shift);
    return;
  }
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TdtpDocument::ContextPopup(int x, int y) {
  if (!Host()) return;
  if (dragState_ == dsEditing && editedShape_) {
    if (const std::vector<TViewMenuItem>* own = editedShape_->GetEditPopupMenu()) {
      Host()->Popup(*own, TPoint{x, y});
      return;
    }
    // Cut, Copy and Paste reach the edited shape as their control characters.
    auto forward = [this](char32_t ch) {
      return [this, ch] {
        if (dragState_ == dsEditing && editedShape_) editedShape_->EditKeyPress(ch);
      };
    };
    const std::vector<TViewMenuItem> items{{"Cut", true, forward(kCharCut)},
                                           {"Copy", true, forward(kCharCopy)},
                                           {"Paste", true, forward(kCharPaste)}};
    Host()->Popup(items, TPoint{x, y});
    return;
  }
  if (!popupMenu_.empty()) Host()->Popup(popupMenu_, TPoint{x, y});
}

// ---------------------------------------------------------------------------------------------
// Placing new shapes

void TdtpDocument::InsertShape(std::unique_ptr<TdtpShape> shape) { BeginInsert(std::move(shape), false); }

void TdtpDocument::InsertShapeByClick(std::unique_ptr<TdtpShape> shape) { BeginInsert(std::move(shape), true); }

void TdtpDocument::BeginInsert(std::unique_ptr<TdtpShape> shape, bool byClick) {
  CheckNotBusy();
  EndEditShape(1);
  EndInsert(false);
  if (!shape) return;
  insertShape_ = std::move(shape);
  ClearSelection();
  SetDragState(dsInsertArmed);
  insertByClick_ = byClick;
  dragKind_ = hkBottomRight;
}

void TdtpDocument::EndInsert(bool accept) {
  if (dragState_ == dsInsertDragging && overlayDrawn_) DrawInsertFrame(dragDelta_);
  if (dragState_ == dsInsertDragging || dragState_ == dsInsertArmed) dragState_ = dsIdle;
  std::unique_ptr<TdtpShape> shape = std::move(insertShape_);
  dragTarget_ = nullptr;
  if (!shape) return;
  TdtpPage* page = CurrentPage();
  if (accept && page) {
    const TFloatPoint a = page->ScreenToLocal(ToFloat(pressPoint_));
    TFloatPoint b{a.X + shape->DocWidth(), a.Y + shape->DocHeight()};
    if (!(dragDelta_ == TFloatPoint{})) b = TFloatPoint{a.X + dragDelta_.X / screenDpm_, a.Y + dragDelta_.Y / screenDpm_};
    shape->SetBoundsRect(TFloatRect{a.X, a.Y, b.X, b.Y});
    TdtpShape* placed = shape.get();
    AddShape(std::move(shape));
    if (OnShapeInsertClosed) OnShapeInsertClosed(this, placed);
    page->Refresh();
    placed->SetSelected(true);
    BeginEditShape(placed);
    return;
  }
  if (OnShapeInsertClosed) OnShapeInsertClosed(this, nullptr);
  ShapeDestroyed(shape.get());
}

// ---------------------------------------------------------------------------------------------
// Selection helpers of the drags

void TdtpDocument::DuplicateSelectionBy(TFloatPoint deltaMM) {
  const std::string copied = SelectionToXml();
  ClearSelection();
  PasteXml(copied);
  for (int i = 0; i < SelectionCount(); ++i) {
    TdtpShape* copy = Selection(i);
    copy->SetBoundsLeft(copy->BoundsLeft() + deltaMM.X);
    copy->SetBoundsTop(copy->BoundsTop() + deltaMM.Y);
  }
}

}  // namespace kivrano
