// The document's operations on the selection of its current page: selecting, deleting, grouping
// and ungrouping, aligning, restacking, and transfer through the clipboard as XML text.

#include <algorithm>
#include <strings.h>

#include "base/Exception.h"
#include "engine/ShapeRegistry.h"
#include "engine/dtpDocument.h"
#include "engine/dtpGroupShape.h"
#include "engine/dtpPage.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

// Runs body between BeginUndo and EndUndo, closing the group also when body throws.
template <typename Body>
void InUndoGroup(TdtpDocument& doc, Body body) {
  doc.BeginUndo();
  try {
    body();
  } catch (...) {
    doc.EndUndo();
    throw;
  }
  doc.EndUndo();
}

// Runs body between BeginUpdate and EndUpdate, closing the update also when body throws.
template <typename Body>
void InUpdate(TdtpDocument& doc, Body body) {
  doc.BeginUpdate();
  try {
    body();
  } catch (...) {
    doc.EndUpdate();
    throw;
  }
  doc.EndUpdate();
}

std::vector<TdtpShape*> SelectedShapes(const TdtpDocument& doc) {
  std::vector<TdtpShape*> selected;
  for (int i = 0; i < std::max(0, doc.ShapeCount()); ++i) {
    TdtpShape* shape = doc.Shapes(i);
    if (shape->Selected()) selected.push_back(shape);
  }
  return selected;
}

// Where the selected shapes go on one axis: to the lowest edge, the highest edge or the centre.
enum TAlignTarget { atLow, atHigh, atCenter };

// Aligns the rotated bounds of the selection on one axis. The lowest edge is taken at most as far
// as the page's extent and the highest at least 0, so that a target always lies on the page.
void AlignSelection(TdtpDocument& doc, bool vertical, TAlignTarget target) {
  const std::vector<TdtpShape*> selected = SelectedShapes(doc);
  if (selected.empty()) return;
  auto low = [vertical](const TdtpShape* s) { return vertical ? s->BoundsTop() : s->BoundsLeft(); };
  auto high = [vertical](const TdtpShape* s) { return vertical ? s->BoundsBottom() : s->BoundsRight(); };
  float lo = low(selected.front());
  float hi = high(selected.front());
  for (const TdtpShape* s : selected) {
    lo = std::min(lo, low(s));
    hi = std::max(hi, high(s));
  }
  lo = std::min(lo, vertical ? doc.PageHeight() : doc.PageWidth());
  hi = std::max(hi, 0.0f);
  const float center = (lo + hi) / 2;
  InUndoGroup(doc, [&] {
    for (TdtpShape* s : selected) {
      float to = 0;
      switch (target) {
        case atLow: to = lo; break;
        case atHigh: to = hi; break;
        case atCenter: to = center - (high(s) - low(s)) / 2; break;
      }
      if (target == atHigh) {
        vertical ? s->SetBoundsBottom(to) : s->SetBoundsRight(to);
      } else {
        vertical ? s->SetBoundsTop(to) : s->SetBoundsLeft(to);
      }
    }
  });
}

bool IsClipboardXml(const std::string& text) { return text.compare(0, 5, "<?xml") == 0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Selection

int TdtpDocument::SelectionCount() const { return static_cast<int>(SelectedShapes(*this).size()); }

TdtpShape* TdtpDocument::Selection(int index) const {
  const std::vector<TdtpShape*> selected = SelectedShapes(*this);
  if (index < 0 || index >= static_cast<int>(selected.size())) return nullptr;
  return selected[static_cast<size_t>(index)];
}

bool TdtpDocument::HasSelection() const { return Selection(0) != nullptr; }

void TdtpDocument::ToggleSelection(TdtpShape* shape) {
  if (!shape) return;
  shape->SetSelected(!shape->Selected());
  if (shape->Selected()) SetFocusedShape(shape);
}

void TdtpDocument::SelectInRect(const TRect& r) {
  TdtpPage* page = CurrentPage();
  if (!page) return;
  // A rubber band may have been dragged up or left.
  const TRect band{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                   std::max(r.Top, r.Bottom)};
  InUpdate(*this, [&] {
    for (int i = 0; i < page->GetShapeCount(); ++i) {
      TdtpShape* shape = page->GetShape(i);
      shape->SetSelected(shape->IsSelectable() && shape->CreateScreenRegion().Meets(band));
    }
    SetFocusedShape(Selection(0));
  });
}

// ---------------------------------------------------------------------------------------------
// Deleting, grouping, ungrouping

void TdtpDocument::DeleteSelection() {
  CheckNotBusy();
  InUpdate(*this, [&] {
    for (int i = ShapeCount() - 1; i >= 0; --i) {
      if (Shapes(i)->Selected()) DeleteShape(i);
    }
  });
}

void TdtpDocument::GroupSelection() {
  CheckNotBusy();
  TdtpShape* first = Selection(0);
  if (!first) return;
  auto created = std::make_unique<TdtpGroupShape>();
  TdtpGroupShape* group = created.get();
  InUndoGroup(*this, [&] {
    InsertShape(first->GetIndex(), std::move(created));
    // From the front down, each to the group's back: the members keep their stacking order.
    for (int i = ShapeCount() - 1; i >= 0; --i) {
      TdtpShape* shape = Shapes(i);
      if (shape == group || !shape->Selected()) continue;
      std::unique_ptr<TdtpShape> member = ExtractShape(shape);
      group->InsertShape(0, std::move(member));
      shape->SetAllowSelect(false);
    }
    // The group is still at (0, 0) unturned, so the members' page coordinates are its local ones.
    const TFloatRect r = group->GetChildrenBounds();
    bool keepAspect = false;
    for (int i = 0; i < group->GetShapeCount(); ++i) {
      TdtpShape* member = group->GetShape(i);
      member->SetBounds(member->DocLeft() - r.Left, member->DocTop() - r.Top, member->DocWidth(), member->DocHeight());
      keepAspect = keepAspect || member->PreserveAspect();
    }
    group->SetGrouped(false);
    group->SetBoundsConstrained(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    group->SetGrouped(true);
    if (keepAspect) group->LockAspectRatio();
    group->SetSelected(true);
  });
  SetFocusedShape(group);
}

void TdtpDocument::UngroupSelection() {
  CheckNotBusy();
  InUndoGroup(*this, [&] {
    for (int i = ShapeCount() - 1; i >= 0; --i) {
      auto* group = dynamic_cast<TdtpGroupShape*>(Shapes(i));
      if (!group || !group->Selected()) continue;
      int j = i + 1;
      while (group->GetShapeCount() > 0) {
        TdtpShape* member = group->GetShape(0);
        const TFloatPoint at = group->LocalToParent(TFloatPoint{member->DocLeft(), member->DocTop()});
        member->SetBounds(at.X, at.Y, member->DocWidth(), member->DocHeight());
        member->SetDocAngle(member->DocAngle() + group->DocAngle());
        std::unique_ptr<TdtpShape> owned = group->ExtractShape(member);
        // Selectable only once out of the group, so that the removal record restores it as a
        // grouped, unselectable member.
        owned->SetAllowSelect(true);
        InsertShape(j, std::move(owned));
        member->SetSelected(true);
        ++j;
      }
      DeleteShape(i);
    }
  });
}

// ---------------------------------------------------------------------------------------------
// Alignment

void TdtpDocument::AlignLeft() {
  CheckNotBusy();
  AlignSelection(*this, false, atLow);
}

void TdtpDocument::AlignRight() {
  CheckNotBusy();
  AlignSelection(*this, false, atHigh);
}

void TdtpDocument::AlignTop() {
  CheckNotBusy();
  AlignSelection(*this, true, atLow);
}

void TdtpDocument::AlignBottom() {
  CheckNotBusy();
  AlignSelection(*this, true, atHigh);
}

void TdtpDocument::AlignHorzCenters() {
  CheckNotBusy();
  AlignSelection(*this, false, atCenter);
}

void TdtpDocument::AlignVertCenters() {
  CheckNotBusy();
  AlignSelection(*this, true, atCenter);
}

// ---------------------------------------------------------------------------------------------
// Stacking order (index 0 at the back)

void TdtpDocument::SendBackward() {
  CheckNotBusy();
  for (int a = 1; a < ShapeCount(); ++a) {
    if (!Shapes(a - 1)->Selected() && Shapes(a)->Selected()) ExchangeShapes(a - 1, a);
  }
}

void TdtpDocument::BringForward() {
  CheckNotBusy();
  for (int n = ShapeCount() - 2; n >= 0; --n) {
    if (!Shapes(n + 1)->Selected() && Shapes(n)->Selected()) ExchangeShapes(n, n + 1);
  }
}

void TdtpDocument::SendToBack() {
  CheckNotBusy();
  int i = 0;
  for (int p = 0; p < ShapeCount(); ++p) {
    if (Shapes(p)->Selected()) ExchangeShapes(i++, p);
  }
}

void TdtpDocument::BringToFront() {
  CheckNotBusy();
  int a = ShapeCount() - 1;
  for (int n = ShapeCount() - 1; n >= 0; --n) {
    if (Shapes(n)->Selected()) ExchangeShapes(a--, n);
  }
}

// ---------------------------------------------------------------------------------------------
// Clipboard

std::string TdtpDocument::SelectionToXml() {
  const std::vector<TdtpShape*> selected = SelectedShapes(*this);
  if (selected.empty()) return {};
  TXmlDocument xml("Selection");
  xml.SetLayout(xlIndented);
  xml.SetStoreDefaults(false);
  for (TdtpShape* shape : selected) shape->SaveToXml(xml.Root()->NewChild("Shape"));
  return xml.AsText();
}

int TdtpDocument::PasteXml(const std::string& text) {
  TdtpPage* page = CurrentPage();
  if (!page) return 0;
  TXmlDocument xml;
  try {
    xml.ParseText(text);
  } catch (const Exception&) {
    return 0;
  }
  const TXmlNode* root = xml.Root();
  if (!root || root->Name() != "Selection" || root->ChildCount() == 0) return 0;
  ClearSelection();
  int count = 0;
  for (int i = 0; i < root->ChildCount(); ++i) {
    TXmlNode* element = root->Children(i);
    if (element->Kind() != xnElement && element->Kind() != xnEmptyElement) continue;
    if (strcasecmp(element->Name().c_str(), "Shape") != 0) continue;
    std::unique_ptr<TdtpShape> created = FindShapeClass(element->GetString("ClassName", "")).Create();
    TdtpShape* shape = created.get();
    AddShape(std::move(created));
    try {
      shape->LoadFromXml(element);
    } catch (const Exception&) {
      // A damaged entry costs only its own shape, which must not stay half loaded on the page.
      DeleteShape(page->IndexOfShape(shape));
      continue;
    }
    shape->SetSelected(true);
    ++count;
  }
  return count;
}

void TdtpDocument::CopyToClipboard() {
  CheckNotBusy();
  if (!Host() || !HasSelection()) return;
  InUndoGroup(*this, [&] { Host()->SetClipboardText(SelectionToXml()); });
  copySourcePage_ = CurrentPage();
}

void TdtpDocument::CutToClipboard() {
  CheckNotBusy();
  // Without a clipboard the shapes could not come back: nothing is cut.
  if (!Host()) return;
  InUndoGroup(*this, [&] {
    CopyToClipboard();
    DeleteSelection();
  });
}

bool TdtpDocument::CanPaste() const { return Host() && Host()->HasClipboardText() && IsClipboardXml(Host()->ClipboardText()); }

void TdtpDocument::PasteFromClipboard() {
  CheckNotBusy();
  if (!CanPaste()) return;
  InUndoGroup(*this, [&] {
    if (PasteXml(Host()->ClipboardText()) == 0) return;
    if (CurrentPage() == copySourcePage_) {
      for (TdtpShape* shape : SelectedShapes(*this)) {
        const TFloatPoint offset = shape->GetPasteOffset();
        shape->SetBoundsLeft(shape->BoundsLeft() + offset.X);
        shape->SetBoundsTop(shape->BoundsTop() + offset.Y);
      }
    }
    copySourcePage_ = CurrentPage();
    CopyToClipboard();
  });
}

}  // namespace kivrano
