#include "engine/dtpDocument.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "base/Exception.h"
#include "base/FlagScope.h"
#include "engine/dtpPage.h"
#include "platform/Dialogs.h"

namespace kivrano {

namespace {

constexpr int kTickInterval = 50;
// The undo list holds at most 10 MiB of records.
constexpr int64_t kUndoSizeLimit = 10485761;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TdtpDocument::TdtpDocument() {
  SetDefaults();
  LockUndo();
  AddPage(nullptr);
  UnlockUndo();
  SetModified(false);
}

TdtpDocument::~TdtpDocument() {
  StopTimers();
  // Shapes report their release to the document while they are freed: free them while the rest of
  // the document is intact.
  UnhookCurrentPage();
  pages_.clear();
}

void TdtpDocument::SetDefaults() {
  allowKeyInput_ = true;
  archiveDirect_ = false;
  autoPageUpdate_ = false;
  autoWidth_ = true;
  defaultGridColor_ = clLightCyan;
  defaultGridSize_ = 5;
  defaultMarginBottom_ = defaultMarginLeft_ = defaultMarginRight_ = defaultMarginTop_ = 10;
  defaultPageColor_ = clWhite;
  defaultPageHeight_ = 297;
  defaultPageWidth_ = 210;
  handleColor_ = clWhite;
  handleEdgeColor_ = clBlack;
  helperMethod_ = hmNone;
  hotZoneScrolling_ = hzsNoScroll;
  mode_ = vmEdit;
  multiSelectMethod_ = msmSimple;
  printQuality_ = pqLow;
  quality_ = sfLinear2;
  readOnly_ = false;
  renderAtScreenRes_ = false;
  showMargins_ = true;
  snapToGrid_ = false;
  stepAngle_ = 0;
  storeThumbnails_ = true;
  thumbnailHeight_ = 60;
  thumbnailWidth_ = 80;
  undoSwitch_ = true;
  undoPastSave_ = false;
  viewStyle_ = vsPrintLayout;
  zoomPercent_ = 100;
  defaultBackgroundTiled_ = false;
  defaultBackgroundImage_.reset();
  modified_ = true;
  renderDpm_ = kDefaultDpm;
  screenDpm_ = kDefaultDpm;
  autoThumbnailDelay_ = 2000;
  BuildHitOffsets();
}

void TdtpDocument::BuildHitOffsets() {
  hitOffsets_.clear();
  hitOffsets_.push_back(TPoint{0, 0});
  for (int n = 4; n >= 1; --n) {
    hitOffsets_.push_back(TPoint{n, 0});
    hitOffsets_.push_back(TPoint{-n, 0});
    hitOffsets_.push_back(TPoint{0, n});
    hitOffsets_.push_back(TPoint{0, -n});
  }
  // The diagonal reach is 4 * 0.71 = 2.84 pixels, rounded.
  const int d = RoundToInt(2.84f);
  hitOffsets_.push_back(TPoint{d, d});
  hitOffsets_.push_back(TPoint{-d, d});
  hitOffsets_.push_back(TPoint{d, -d});
  hitOffsets_.push_back(TPoint{-d, -d});
}

void TdtpDocument::HostAttached() {
  LockUndo();
  ResetZoom();
  UnlockUndo();
  PageChanged(CurrentPage());
  StartTickTimer();
  RunHotZoneTimer(hotZoneScrolling_ != hzsNoScroll);
}

void TdtpDocument::StartTickTimer() {
  if (Host() && tickTimer_ == 0) tickTimer_ = Host()->StartTimer(kTickInterval, [this] { Tick(); });
}

void TdtpDocument::StopTimers() {
  if (!Host()) return;
  if (tickTimer_) Host()->StopTimer(tickTimer_);
  tickTimer_ = 0;
  RunHotZoneTimer(false);
}

uint32_t TdtpDocument::Now() const {
  if (Host()) return Host()->TickCount();
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TdtpDocument::CheckNotBusy() const {
  if (IsBusy()) throw Exception("Working already");
}

// ---------------------------------------------------------------------------------------------
// Property setters

template <typename T>
bool TdtpDocument::SetDocumentSetting(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

void TdtpDocument::DocumentSettingChanged() {
  DocumentChanged();
  Invalidate();
}

void TdtpDocument::SetDefaultGridColor(TColor v) {
  if (SetDocumentSetting(defaultGridColor_, v)) DocumentSettingChanged();
}
void TdtpDocument::SetDefaultGridSize(float v) {
  if (SetDocumentSetting(defaultGridSize_, v)) DocumentSettingChanged();
}
void TdtpDocument::SetDefaultMarginBottom(float v) {
  if (SetDocumentSetting(defaultMarginBottom_, v)) DocumentSettingChanged();
}
void TdtpDocument::SetDefaultMarginLeft(float v) {
  if (SetDocumentSetting(defaultMarginLeft_, v)) DocumentSettingChanged();
}
void TdtpDocument::SetDefaultMarginRight(float v) {
  if (SetDocumentSetting(defaultMarginRight_, v)) DocumentSettingChanged();
}
void TdtpDocument::SetDefaultMarginTop(float v) {
  if (SetDocumentSetting(defaultMarginTop_, v)) DocumentSettingChanged();
}
void TdtpDocument::SetShowMargins(bool v) {
  if (SetDocumentSetting(showMargins_, v)) DocumentSettingChanged();
}

void TdtpDocument::MarkPagesModified(bool onlyDefaultPages) {
  for (const auto& page : pages_) {
    if (!onlyDefaultPages || page->IsDefaultPage()) page->SetModified(true);
  }
}

void TdtpDocument::SetDefaultPageColor(TColor v) {
  if (!SetDocumentSetting(defaultPageColor_, v)) return;
  MarkPagesModified(true);
  DocumentSettingChanged();
}

void TdtpDocument::SetDefaultPageSize(float& field, float v, void (TdtpShape::*apply)(float)) {
  if (!SetDocumentSetting(field, v)) return;
  for (const auto& page : pages_) {
    if (page->IsDefaultPage()) (page.get()->*apply)(v);
  }
  DocumentSettingChanged();
}

void TdtpDocument::SetDefaultPageWidth(float v) { SetDefaultPageSize(defaultPageWidth_, v, &TdtpShape::SetDocWidth); }

void TdtpDocument::SetDefaultPageHeight(float v) {
  SetDefaultPageSize(defaultPageHeight_, v, &TdtpShape::SetDocHeight);
}

void TdtpDocument::SetHelperMethod(TdtpHelperMethodtype v) {
  if (v == helperMethod_) return;
  helperMethod_ = v;
  Invalidate();
}

void TdtpDocument::SetQuality(TStretchFilter v) {
  if (v == quality_) return;
  quality_ = v;
  Invalidate();
}

void TdtpDocument::SetViewStyle(TdtpViewStyleType v) {
  if (v == viewStyle_) return;
  viewStyle_ = v;
  UpdateExtent();
  Invalidate();
}

void TdtpDocument::SetThumbnailWidth(int v) {
  if (v == thumbnailWidth_) return;
  thumbnailWidth_ = v;
  MarkPagesModified(false);
}

void TdtpDocument::SetThumbnailHeight(int v) {
  if (v == thumbnailHeight_) return;
  thumbnailHeight_ = v;
  MarkPagesModified(false);
}

void TdtpDocument::SetMode(TdtpViewerModeType v) {
  if (v == mode_) return;
  ClearSelection();
  SetDragState(dsIdle);
  if (v == vmEdit && readOnly_) return;
  mode_ = v;
}

void TdtpDocument::SetReadOnly(bool v) {
  if (v == readOnly_) return;
  readOnly_ = v;
  if (!v) return;
  ClearSelection();
  SetDragState(dsIdle);
  if (mode_ == vmEdit) mode_ = vmBrowse;
}

void TdtpDocument::SetUndoEnabled(bool v) {
  if (v == undoSwitch_) return;
  undoSwitch_ = v;
  if (!v) ClearUndo();
}

void TdtpDocument::SetDefaultBackgroundImage(const TBitmap32* picture) {
  if (picture) {
    if (!defaultBackgroundImage_) defaultBackgroundImage_ = std::make_unique<TBitmap32>();
    defaultBackgroundImage_->Assign(picture);
  } else {
    defaultBackgroundImage_.reset();
  }
  Invalidate();
}

void TdtpDocument::SetHotZoneScrolling(TdtpHZScrollingType v) {
  if (v != hotZoneScrolling_) RunHotZoneTimer(v != hzsNoScroll);
  hotZoneScrolling_ = v;
}

void TdtpDocument::SetRenderAtScreenRes(bool v) {
  if (v == renderAtScreenRes_) return;
  renderAtScreenRes_ = v;
  SetRenderDpm(screenDpm_);
}

// ---------------------------------------------------------------------------------------------
// Page list

TdtpPage* TdtpDocument::Pages(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return pages_[static_cast<size_t>(index)].get();
}

int TdtpDocument::IndexOfPage(const TdtpPage* page) const {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i].get() == page) return static_cast<int>(i);
  }
  return -1;
}

void TdtpDocument::UnhookCurrentPage() {
  if (TdtpPage* page = CurrentPage()) page->OnBoundsChanged = nullptr;
}

void TdtpDocument::SetCurrentPageIndex(int index) {
  TdtpPage* target = Pages(index);
  if (target && !target->Loaded()) LoadPage(index);
  PageChanged(CurrentPage());
  if (index == currentPageIndex_) return;
  if (TdtpPage* old = CurrentPage()) {
    old->FreeCaches();
    old->OnBoundsChanged = nullptr;
  }
  currentPageIndex_ = index;
  if (TdtpPage* current = CurrentPage()) {
    current->OnBoundsChanged = [this](TdtpShape*) { UpdateExtent(); };
  }
  UpdateExtent();
  Invalidate();
  SetFocusedShape(nullptr);
  PageChanged(CurrentPage());
}

void TdtpDocument::AttachPage(TdtpPage* page) { page->SetDocument(this); }

int TdtpDocument::AddPage(std::unique_ptr<TdtpPage> page) {
  if (!page) {
    page = std::make_unique<TdtpPage>();
    page->SetDocWidth(defaultPageWidth_);
    page->SetDocHeight(defaultPageHeight_);
  }
  TdtpPage* added = page.get();
  pages_.push_back(std::move(page));
  const int index = PageCount() - 1;
  AttachPage(added);
  if (!CurrentPage()) SetCurrentPageIndex(index);
  ShapeChanged(added);
  PageChanged(added);
  return index;
}

void TdtpDocument::InsertPage(int index, std::unique_ptr<TdtpPage> page) {
  if (index < 0 || index > PageCount()) throw Exception("Cannot insert a page at that position");
  if (!page) page = std::make_unique<TdtpPage>();
  const bool direct = archiveDirect_ && archive_;
  if (direct) {
    InsertPageStreams(index);
  } else {
    // The stream names of the pages from index on are about to shift: read them in first, and
    // have them written under their new numbers.
    for (int i = index; i < PageCount(); ++i) {
      Pages(i)->EnsureLoaded();
      Pages(i)->SetModified(true);
    }
  }
  SetCurrentPageIndex(-1);
  TdtpPage* inserted = page.get();
  pages_.insert(pages_.begin() + index, std::move(page));
  AttachPage(inserted);
  inserted->SetModified(true);
  SetCurrentPageIndex(index);
  for (int i = index; i < PageCount(); ++i) PageChanged(Pages(i));
}

void TdtpDocument::DestroyPage(size_t index) {
  // Keep the page in the list while it is freed, so that its shapes still find their document.
  std::unique_ptr<TdtpPage> page = std::move(pages_[index]);
  pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(index));
  page.reset();
}

void TdtpDocument::DeletePage(int index) {
  if (!Pages(index)) return;
  const bool deletingCurrent = index == currentPageIndex_;
  const bool direct = archiveDirect_ && archive_;
  if (direct) RemovePageStreams(index);
  if (deletingCurrent) UnhookCurrentPage();
  if (!direct) {
    for (int i = index + 1; i < PageCount(); ++i) {
      Pages(i)->EnsureLoaded();
      Pages(i)->SetModified(true);
    }
  }
  DestroyPage(static_cast<size_t>(index));
  SetModified(true);
  for (int i = index; i < PageCount(); ++i) PageChanged(Pages(i));
  if (index < currentPageIndex_ || currentPageIndex_ >= PageCount()) {
    SetCurrentPageIndex(std::max(0, currentPageIndex_ - 1));
  } else if (deletingCurrent) {
    // The page that moved into the current slot has to be shown properly: hooked, measured and
    // announced, as any page that becomes current.
    currentPageIndex_ = -1;
    SetCurrentPageIndex(index);
  }
  Invalidate();
}

void TdtpDocument::SetPageCount(int n) {
  if (n < 0 || n > kMaxPageCount) throw Exception("Invalid page count");
  while (PageCount() < n) AddPage(nullptr);
  while (PageCount() > n) DeletePage(PageCount() - 1);
}

float TdtpDocument::PageWidth() const { return CurrentPage() ? CurrentPage()->DocWidth() : 0; }
float TdtpDocument::PageHeight() const { return CurrentPage() ? CurrentPage()->DocHeight() : 0; }

void TdtpDocument::SetPageWidth(float mm) {
  if (TdtpPage* page = CurrentPage()) page->SetDocWidth(mm);
}

void TdtpDocument::SetPageHeight(float mm) {
  if (TdtpPage* page = CurrentPage()) page->SetDocHeight(mm);
}

void TdtpDocument::NewDocument() {
  CheckNotBusy();
  Clear();
  LockUndo();
  AddPage(nullptr);
  ResetZoom();
  UnlockUndo();
  modified_ = false;
  PageChanged(nullptr);
}

void TdtpDocument::Clear() {
  // Removing the shapes records nothing worth keeping: the history is cleared below.
  LockUndo();
  for (const auto& page : pages_) {
    page->ClearShapes();
    ShapeDestroyed(page.get());
  }
  UnlockUndo();
  UnhookCurrentPage();
  while (!pages_.empty()) DestroyPage(pages_.size() - 1);
  currentPageIndex_ = -1;
  ClearUndo();
  SetDefaults();
  archive_.reset();
}

void TdtpDocument::LoadPage(int index) {
  TdtpPage* page = Pages(index);
  if (!page) return;
  page->SetLoaded(true);  // a load is attempted once
  ReadPageFromArchive(index);
  if (OnLoadPageContent) OnLoadPageContent(this, index);
}

// ---------------------------------------------------------------------------------------------
// Shapes of the current page

int TdtpDocument::ShapeCount() const { return CurrentPage() ? CurrentPage()->GetShapeCount() : -1; }

TdtpShape* TdtpDocument::Shapes(int index) const { return CurrentPage() ? CurrentPage()->GetShape(index) : nullptr; }

int TdtpDocument::AddShape(std::unique_ptr<TdtpShape> shape) {
  return CurrentPage() ? CurrentPage()->AddShape(std::move(shape)) : -1;
}

void TdtpDocument::InsertShape(int index, std::unique_ptr<TdtpShape> shape) {
  if (TdtpPage* page = CurrentPage()) page->InsertShape(index, std::move(shape));
}

void TdtpDocument::DeleteShape(int index) {
  TdtpPage* page = CurrentPage();
  if (!page) return;
  TdtpShape* shape = page->GetShape(index);
  if (shape && focusedShape_ == shape) SetFocusedShape(nullptr);
  if (shape && dragTarget_ == shape) dragTarget_ = nullptr;
  page->DeleteShape(index);
}

void TdtpDocument::ExchangeShapes(int i, int j) {
  if (TdtpPage* page = CurrentPage()) page->ExchangeShapes(i, j);
}

std::unique_ptr<TdtpShape> TdtpDocument::ExtractShape(TdtpShape* shape) {
  return CurrentPage() ? CurrentPage()->ExtractShape(shape) : nullptr;
}

int TdtpDocument::RemoveShape(TdtpShape* shape) { return CurrentPage() ? CurrentPage()->RemoveShape(shape) : -1; }

TdtpShape* TdtpDocument::FocusedShape() const {
  if (!focusedShape_ || !CurrentPage()) return nullptr;
  return focusedShape_->Page() == CurrentPage() ? focusedShape_ : nullptr;
}

void TdtpDocument::SetFocusedShape(TdtpShape* shape) {
  if (shape == focusedShape_) return;
  focusedShape_ = shape;
  FocusShape(shape);
}

void TdtpDocument::ClearSelection() {
  TdtpPage* page = CurrentPage();
  if (!page) return;
  BeginUpdate();
  try {
    for (int i = 0; i < page->GetShapeCount(); ++i) page->GetShape(i)->SetSelected(false);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// Notifications

void TdtpDocument::ShapeChanged(TdtpShape* shape) {
  SetModified(true);
  if (updateCount_ > 0) {
    pendingShapeChanged_ = true;
    return;
  }
  if (OnShapeChanged) OnShapeChanged(this, shape);
  pendingShapeChanged_ = false;
}

void TdtpDocument::SelectionChanged() {
  if (updateCount_ > 0) {
    pendingSelectionChanged_ = true;
    return;
  }
  if (OnSelectionChanged) OnSelectionChanged(this);
}

void TdtpDocument::FocusShape(TdtpShape* shape) {
  if (updateCount_ > 0) {
    pendingFocus_ = true;
    return;
  }
  if (OnFocusShape) OnFocusShape(this, shape);
}

void TdtpDocument::EndUpdate() {
  if (updateCount_ <= 0) {
    updateCount_ = 0;
    throw Exception("dtpDocument: EndUpdate called too many times");
  }
  if (--updateCount_ > 0) return;
  if (pendingShapeChanged_) {
    pendingShapeChanged_ = false;
    if (OnShapeChanged) OnShapeChanged(this, nullptr);
  }
  if (pendingSelectionChanged_) {
    pendingSelectionChanged_ = false;
    if (OnSelectionChanged) OnSelectionChanged(this);
  }
  if (pendingFocus_) {
    pendingFocus_ = false;
    if (OnFocusShape) OnFocusShape(this, FocusedShape());
  }
}

void TdtpDocument::ShapeDestroyed(TdtpShape* shape) {
  if (shape && shape == focusedShape_) SetFocusedShape(nullptr);
  if (shape == editedShape_) editedShape_ = nullptr;
  if (shape == dragTarget_) dragTarget_ = nullptr;
  if (OnShapeDestroy) OnShapeDestroy(this, shape);
}

void TdtpDocument::ShapeReleased(TdtpShape* shape) {
  if (shape == copySourcePage_) copySourcePage_ = nullptr;
  if (shape == focusedShape_) focusedShape_ = nullptr;
  if (shape == dragTarget_) dragTarget_ = nullptr;
  if (shape == editedShape_) {
    editedShape_ = nullptr;
    if (dragState_ == dsEditing) dragState_ = dsIdle;
  }
}

void TdtpDocument::PageChanged(TdtpPage* page) {
  if (OnPageChanged) OnPageChanged(this, page);
}

void TdtpDocument::DocumentChanged() {
  SetModified(true);
  if (OnDocumentChanged) OnDocumentChanged(this);
}

void TdtpDocument::InvalidateShapeArea(TdtpShape* shape) {
  if (HasParentWindow() && shape) InvalidateRect(shape->GetInvalidateRect());
}

void TdtpDocument::SetModified(bool value) {
  lastChangeTime_ = Now();
  if (value == modified_) return;
  modified_ = value;
  if (!value) {
    for (const auto& page : pages_) page->SetModified(false);
  }
}

// ---------------------------------------------------------------------------------------------
// Busy guard

void TdtpDocument::BeginBusy(TCursor cursor) {
  ShowCursor(cursor);
  ++busyCount_;
}

void TdtpDocument::EndBusy() {
  if (busyCount_ == 0) return;
  if (--busyCount_ == 0) ShowCursor(Cursor());
}

void TdtpDocument::RequestCursor(TCursor cursor) {
  if (IsBusy() && Cursor() != crDefault && !(Cursor() == crAppStart && cursor == crHourGlass)) return;
  ShowCursor(cursor);
}

// ---------------------------------------------------------------------------------------------
// Undo and redo

void TdtpDocument::BeginUndo() {
  ++undoGroupDepth_;
  BeginUpdate();
}

void TdtpDocument::EndUndo() {
  const int was = undoGroupDepth_--;
  if (was == 1) undoGroupStarted_ = false;
  if (undoGroupDepth_ < 0) {
    undoGroupDepth_ = 0;
    throw Exception("dtpDocument: EndUndo called more often than BeginUndo");
  }
  EndUpdate();
}

namespace {

// Grouping and merging shared by both lists. Returns false when the record merges into the last
// one of the list (consecutive changes of one property of one shape keep only the oldest value).
bool GroupAndMerge(TdtpCommand& command, const TdtpCommandList& list, int groupDepth, bool& groupStarted) {
  if (groupDepth > 0) {
    if (groupStarted) command.SetGroupContinued(true);
    groupStarted = true;
  }
  const TdtpCommand* last = list.Last();
  return !(last && last->Kind() == ckProperty && command.Kind() == ckProperty &&
           last->ShapeID() == command.ShapeID() && last->Name() == command.Name());
}

}  // namespace

void TdtpDocument::AddUndoCommand(std::unique_ptr<TdtpCommand> command) {
  if (!command || !UndoEnabled()) return;
  if (!GroupAndMerge(*command, undoList_, undoGroupDepth_, undoGroupStarted_)) return;
  undoList_.Append(std::move(command));
  while (undoList_.TotalSize() >= kUndoSizeLimit && !undoList_.Empty()) undoList_.TakeFirst();
}

void TdtpDocument::AddRedoCommand(std::unique_ptr<TdtpCommand> command) {
  if (!command || !executingUndo_) return;
  if (!GroupAndMerge(*command, redoList_, undoGroupDepth_, undoGroupStarted_)) return;
  redoList_.Append(std::move(command));
}

void TdtpDocument::Undo() {
  CheckNotBusy();
  if (!UndoEnabled()) return;
  LockUndo();
  executingUndo_ = true;
  BeginUndo();
  try {
    while (auto command = undoList_.TakeLast()) {
      ExecuteCommand(*command);
      if (!command->GroupContinued()) break;
    }
  } catch (...) {
    EndUndo();
    executingUndo_ = false;
    UnlockUndo();
    throw;
  }
  EndUndo();
  executingUndo_ = false;
  UnlockUndo();
}

void TdtpDocument::Redo() {
  CheckNotBusy();
  if (!UndoEnabled()) return;
  BeginUpdate();
  try {
    while (auto command = redoList_.TakeLast()) {
      ExecuteCommand(*command);
      if (!command->GroupContinued()) break;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TdtpDocument::ClearUndo() {
  undoList_.Clear();
  redoList_.Clear();
}

bool TdtpDocument::ExecuteCommand(const TdtpCommand& command) {
  if (command.ShapeID() == 0) return false;
  if (TdtpPage* page = CurrentPage()) {
    for (int i = 0; i < page->GetShapeCount(); ++i) {
      if (page->GetShape(i)->ExecuteCommand(command)) return true;
    }
  }
  for (const auto& page : pages_) {
    if (page->ExecuteCommand(command)) return true;
  }
  Dialogs().MessageDlg("Unable to execute UNDO", mtCustom, MsgButtons({mbOK}));
  return false;
}

// ---------------------------------------------------------------------------------------------
// Progress, interaction slots, tick

void TdtpDocument::Progress(TdtpProgressType type, int count, int total, float percent) {
  progressCount_ = count;
  progressTotal_ = total;
  if (OnProgress) OnProgress(this, type, count, total, percent);
}

void TdtpDocument::SetDragState(TdtpDragState state) {
  if (state == dragState_) return;
  // A running drag is cancelled; so is a shape waiting to be placed.
  if (dragState_ == dsTracking) EndMove(false);
  if (dragState_ == dsRubberBand) EndRubberBand(false);
  if (dragState_ == dsInsertArmed || dragState_ == dsInsertDragging) EndInsert(false);
  dragState_ = state;
}

void TdtpDocument::BeginEditShape(TdtpShape* shape) {
  if (!shape) return;
  SetDragState(dsEditing);
  editedShape_ = shape;
  shape->BeginEdit();
}

void TdtpDocument::EndEditShape(int code) {
  if (dragState_ == dsEditing) SetDragState(dsIdle);
  TdtpShape* shape = editedShape_;
  if (!shape) return;
  editedShape_ = nullptr;
  if (OnShapeEditClosed) OnShapeEditClosed(this, shape);
  shape->EndEdit(code);
}

void TdtpDocument::Tick() {
  if (inTick_) return;
  TFlagScope guard(inTick_);
  if (autoPageUpdate_ && CurrentPage()) {
    if (dragState_ != dsIdle) lastChangeTime_ = Now();
    UpdateDirtyThumbnails();
  }
  if (OnAnimate) OnAnimate(this);
  if (TdtpPage* page = CurrentPage()) {
    for (int i = 0; i < page->GetShapeCount(); ++i) page->GetShape(i)->Animate();
  }
}

// ---------------------------------------------------------------------------------------------
// View mapping, extent and zoom

TColor32 TdtpDocument::ViewColor32() const { return ToColor32(Color()); }

TFloatPoint TdtpDocument::PageToScreen(TFloatPoint mm) const {
  return TFloatPoint{(mm.X - viewLeft_) * screenDpm_, (mm.Y - viewTop_) * screenDpm_};
}

TFloatPoint TdtpDocument::ScreenToPage(TFloatPoint px) const {
  return TFloatPoint{px.X / screenDpm_ + viewLeft_, px.Y / screenDpm_ + viewTop_};
}

void TdtpDocument::ScrollChanged() {
  viewLeft_ = ScrollX() / screenDpm_;
  viewTop_ = ScrollY() / screenDpm_;
}

void TdtpDocument::SetScreenDpm(float d) {
  if (d == screenDpm_ || !(d > 0)) return;
  screenDpm_ = d;
  if (renderAtScreenRes_) SetRenderDpm(d);
  if (!IsPrinting()) Invalidate();
}

void TdtpDocument::SetRenderDpm(float d) {
  if (d == renderDpm_ || !(d > 0)) return;
  renderDpm_ = d;
  if (TdtpPage* page = CurrentPage()) {
    page->FreeCaches();
    page->Refresh();
  }
}

void TdtpDocument::UpdateExtent() {
  TdtpPage* page = CurrentPage();
  if (updatingExtent_ || !page) return;
  TFlagScope guard(updatingExtent_);
  if (viewStyle_ == vsPrintLayout) {
    const TFloatRect r = page->GetBoundsRectWithCurbs();
    const float width = r.Right - r.Left;
    const float height = r.Bottom - r.Top;
    page->SetPageOffset(10 / screenDpm_, 10 / screenDpm_);
    SetVirtualArea(0, 0, width * screenDpm_ + 20, height * screenDpm_ + 20);
  } else {
    const TFloatRect r = page->GetBoundsRect();
    page->SetPageOffset(0, 0);
    SetVirtualArea(0, 0, (r.Right - r.Left) * screenDpm_, (r.Bottom - r.Top) * screenDpm_);
  }
}

void TdtpDocument::ZoomToWidth() {
  TdtpPage* page = CurrentPage();
  if (!page) return;
  auto fit = [this, page](int clientWidth) {
    HideScrollBars();
    if (viewStyle_ == vsPrintLayout) {
      const TFloatRect r = page->GetBoundsRectWithCurbs();
      if (r.Right - r.Left > 0) SetScreenDpm((static_cast<float>(clientWidth) - 22) / (r.Right - r.Left));
    } else if (page->DocWidth() > 0) {
      SetScreenDpm((static_cast<float>(clientWidth) - 2) / page->DocWidth());
    }
    UpdateExtent();
  };
  const int width = ClientWidth();
  fit(width);
  if (ClientWidth() < width) fit(ClientWidth());  // a scroll bar appeared
}

void TdtpDocument::ZoomToFit() {
  TdtpPage* page = CurrentPage();
  if (!page || !(page->DocWidth() > 0) || !(page->DocHeight() > 0)) return;
  const float margin = viewStyle_ == vsPrintLayout ? 23.0f : 1.0f;
  float reducedWidth = 0;
  for (int pass = 0; pass < 2; ++pass) {
    HideScrollBars();
    reducedWidth = static_cast<float>(ClientWidth()) - margin;
    const float reducedHeight = static_cast<float>(ClientHeight()) - margin;
    SetScreenDpm(std::min(reducedWidth / page->DocWidth(), reducedHeight / page->DocHeight()));
    UpdateExtent();
  }
  if (reducedWidth != 0) zoomPercent_ = page->DocWidth() * screenDpm_ / reducedWidth * 100;
}

void TdtpDocument::ApplyZoomFactor(float f) {
  const float cw = static_cast<float>(ClientWidth());
  const float ch = static_cast<float>(ClientHeight());
  const float x = ScrollX();
  const float y = ScrollY();
  const float w = VirtualWidth();
  const float h = VirtualHeight();
  SetScreenDpm(f * screenDpm_);
  float nx = f * (x + cw / 2) - cw / 2;
  float ny = f * (y + ch / 2) - ch / 2;
  if (x == 0 && y == 0) nx = ny = 0;
  SetVirtualArea(nx, ny, f * w, f * h);
  Invalidate();
}

void TdtpDocument::SetZoomPercent(float v) {
  zoomPercent_ = v;
  ZoomToWidth();
  ApplyZoomFactor(v / 100);
}

void TdtpDocument::ZoomIn() {
  zoomPercent_ *= 1.1f;
  ApplyZoomFactor(1.1f);
}

void TdtpDocument::ZoomOut() {
  zoomPercent_ /= 1.1f;
  ApplyZoomFactor(1 / 1.1f);
}

void TdtpDocument::ResetZoom() {
  zoomPercent_ = 100;
  ZoomToWidth();
}

void TdtpDocument::Resized() {
  if (ClientWidth() == lastViewWidth_) return;
  lastViewWidth_ = ClientWidth();
  if (autoWidth_ && zoomPercent_ == 100) SetZoomPercent(100);
}

}  // namespace kivrano
