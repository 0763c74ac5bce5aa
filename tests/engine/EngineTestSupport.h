#pragma once

#include <memory>
#include <vector>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "engine/dtpShape.h"

namespace kivrano::test {

// A document whose page sits at the view's origin at one pixel per millimetre, so that screen
// pixels and page millimetres coincide; it records the notifications it raises.
struct DocumentFixture {
  TdtpDocument doc;
  std::vector<TdtpShape*> shapeChanged;
  int selectionChanged = 0;
  std::vector<TdtpShape*> focus;
  std::vector<TdtpShape*> destroyed;
  std::vector<TdtpPage*> pageChanged;
  int documentChanged = 0;

  DocumentFixture() {
    doc.SetViewStyle(vsNormal);
    doc.SetScreenDpm(1);
    doc.OnShapeChanged = [this](TdtpDocument*, TdtpShape* s) { shapeChanged.push_back(s); };
    doc.OnSelectionChanged = [this](TdtpDocument*) { ++selectionChanged; };
    doc.OnFocusShape = [this](TdtpDocument*, TdtpShape* s) { focus.push_back(s); };
    doc.OnShapeDestroy = [this](TdtpDocument*, TdtpShape* s) { destroyed.push_back(s); };
    doc.OnPageChanged = [this](TdtpDocument*, TdtpPage* p) { pageChanged.push_back(p); };
    doc.OnDocumentChanged = [this](TdtpDocument*) { ++documentChanged; };
  }

  TdtpPage* page() { return doc.CurrentPage(); }

  // A plain shape added to the current page without undo records or notifications.
  TdtpShape* Add(float left, float top, float width, float height) {
    auto shape = std::make_unique<TdtpShape>();
    shape->SetBounds(left, top, width, height);
    shape->SetSmartHitTest(false);
    TdtpShape* raw = shape.get();
    doc.LockUndo();
    doc.AddShape(std::move(shape));
    doc.UnlockUndo();
    ResetRecords();
    return raw;
  }

  void ResetRecords() {
    shapeChanged.clear();
    selectionChanged = 0;
    focus.clear();
    destroyed.clear();
    pageChanged.clear();
    documentChanged = 0;
  }
};

}  // namespace kivrano::test
