#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Types.h"
#include "engine/VirtualScrollbox.h"
#include "engine/dtpCommand.h"
#include "engine/dtpShape.h"
#include "raster/Bitmap32.h"
#include "storage/SingleFileStorage.h"

namespace kivrano {

class TdtpPage;
class TCanvas;
class TXmlNode;
struct TdtpDocumentContent;

enum TdtpHelperMethodtype { hmNone, hmDots, hmGrid, hmPattern };
enum TdtpHZScrollingType { hzsNoScroll, hzsAlways, hzsWhenMouseDown };
enum TdtpViewerModeType { vmBrowse, vmEdit, vmTextSelect, vmZoom, vmSlideshow };
enum TMultiSelectMethodType { msmCtrl, msmSimple };
enum TPrintQualityType { pqLow, pqMedium, pqHigh, pqDevice };
enum TdtpViewStyleType { vsPrintLayout, vsNormal };
enum TdtpProgressType { ptLoad = 0, ptSave = 1, ptPrint = 2 };
// The interaction states of the view.
enum TdtpDragState { dsIdle = 0, dsTracking = 1, dsRubberBand = 2, dsInsertArmed = 3, dsInsertDragging = 4, dsEditing = 5 };

// Resolution used where no document says otherwise: 150 dots per inch.
constexpr float kDefaultDpm = 5.905512f;
// The grid colour of new pages: red 192, green 255, blue 255.
constexpr TColor clLightCyan = 0xFFFFC0;
// Pages a document holds at most through SetPageCount.
constexpr int kMaxPageCount = 25;

// The document (an ordered list of pages with settings and undo history) and at the same time its
// view: a scroll box that shows the current page. Shapes and pages report to it through the
// notification operations; the application hears of everything through the events.
class TdtpDocument : public TVirtScrollBox {
 public:
  TdtpDocument();
  ~TdtpDocument() override;

  virtual std::string ClassName() const { return "TdtpDocument"; }

  // ---- properties ----
  bool AllowKeyInput() const { return allowKeyInput_; }
  void SetAllowKeyInput(bool v) { allowKeyInput_ = v; }
  bool ArchiveDirect() const { return archiveDirect_; }
  void SetArchiveDirect(bool v) { archiveDirect_ = v; }
  bool AutoPageUpdate() const { return autoPageUpdate_; }
  void SetAutoPageUpdate(bool v) { autoPageUpdate_ = v; }
  bool AutoWidth() const { return autoWidth_; }
  void SetAutoWidth(bool v) { autoWidth_ = v; }
  int CurrentPageIndex() const { return currentPageIndex_; }
  void SetCurrentPageIndex(int index);
  TColor DefaultGridColor() const { return defaultGridColor_; }
  void SetDefaultGridColor(TColor v);
  float DefaultGridSize() const { return defaultGridSize_; }
  void SetDefaultGridSize(float v);
  float DefaultMarginBottom() const { return defaultMarginBottom_; }
  void SetDefaultMarginBottom(float v);
  float DefaultMarginLeft() const { return defaultMarginLeft_; }
  void SetDefaultMarginLeft(float v);
  float DefaultMarginRight() const { return defaultMarginRight_; }
  void SetDefaultMarginRight(float v);
  float DefaultMarginTop() const { return defaultMarginTop_; }
  void SetDefaultMarginTop(float v);
  TColor DefaultPageColor() const { return defaultPageColor_; }
  void SetDefaultPageColor(TColor v);
  float DefaultPageHeight() const { return defaultPageHeight_; }
  void SetDefaultPageHeight(float v);
  float DefaultPageWidth() const { return defaultPageWidth_; }
  void SetDefaultPageWidth(float v);
  TColor HandleColor() const { return handleColor_; }
  void SetHandleColor(TColor v) { handleColor_ = v; }
  TColor HandleEdgeColor() const { return handleEdgeColor_; }
  void SetHandleEdgeColor(TColor v) { handleEdgeColor_ = v; }
  TdtpHelperMethodtype HelperMethod() const { return helperMethod_; }
  void SetHelperMethod(TdtpHelperMethodtype v);
  // Runs the 50 ms hot-zone timer for any value but hzsNoScroll.
  TdtpHZScrollingType HotZoneScrolling() const { return hotZoneScrolling_; }
  void SetHotZoneScrolling(TdtpHZScrollingType v);
  TdtpViewerModeType Mode() const { return mode_; }
  void SetMode(TdtpViewerModeType v);
  TMultiSelectMethodType MultiSelectMethod() const { return multiSelectMethod_; }
  void SetMultiSelectMethod(TMultiSelectMethodType v) { multiSelectMethod_ = v; }
  TPrintQualityType PrintQuality() const { return printQuality_; }
  void SetPrintQuality(TPrintQualityType v) { printQuality_ = v; }
  TStretchFilter Quality() const { return quality_; }
  void SetQuality(TStretchFilter v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  float RenderDPI() const { return renderDpm_ * 25.4f; }
  void SetRenderDPI(float v) { SetRenderDpm(v / 25.4f); }
  bool RenderAtScreenRes() const { return renderAtScreenRes_; }
  void SetRenderAtScreenRes(bool v);
  bool ShowMargins() const { return showMargins_; }
  void SetShowMargins(bool v);
  bool SnapToGrid() const { return snapToGrid_; }
  void SetSnapToGrid(bool v) { snapToGrid_ = v; }
  float StepAngle() const { return stepAngle_; }
  void SetStepAngle(float v) { stepAngle_ = v; }
  bool StoreThumbnails() const { return storeThumbnails_; }
  void SetStoreThumbnails(bool v) { storeThumbnails_ = v; }
  int ThumbnailHeight() const { return thumbnailHeight_; }
  void SetThumbnailHeight(int v);
  int ThumbnailWidth() const { return thumbnailWidth_; }
  void SetThumbnailWidth(int v);
  // Recording is on: the switch is on and recording is not suspended.
  bool UndoEnabled() const { return undoSwitch_ && undoLockCount_ == 0; }
  void SetUndoEnabled(bool v);
  bool UndoSwitch() const { return undoSwitch_; }
  bool UndoPastSave() const { return undoPastSave_; }
  void SetUndoPastSave(bool v) { undoPastSave_ = v; }
  TdtpViewStyleType ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TdtpViewStyleType v);
  float ZoomPercent() const { return zoomPercent_; }
  void SetZoomPercent(float v);
  // Persisted in the archive only.
  bool DefaultBackgroundTiled() const { return defaultBackgroundTiled_; }
  // The background picture of default pages (none for plain paper); a copy is stored.
  TBitmap32* DefaultBackgroundImage() const { return defaultBackgroundImage_.get(); }
  void SetDefaultBackgroundImage(const TBitmap32* picture);
  void SetDefaultBackgroundTiled(bool v) { defaultBackgroundTiled_ = v; }

  // ---- events ----
  std::function<void(TdtpDocument*)> OnDocumentChanged;
  std::function<void(TdtpDocument*, TdtpShape*)> OnFocusShape;
  std::function<void(TdtpDocument*, TdtpShape*)> OnShapeChanged;
  std::function<void(TdtpDocument*)> OnSelectionChanged;
  std::function<void(TdtpDocument*, TdtpPage*)> OnPageChanged;
  std::function<void(TdtpDocument*, TdtpShape*)> OnShapeDestroy;
  std::function<void(TdtpDocument*, TdtpShape*)> OnShapeInsertClosed;
  std::function<void(TdtpDocument*, TdtpShape*)> OnShapeEditClosed;
  std::function<void(TdtpDocument*, TdtpProgressType, int, int, float)> OnProgress;
  std::function<void(TdtpDocument*, TXmlNode*)> OnLoadAdditionalInfo;
  std::function<void(TdtpDocument*, TXmlNode*)> OnSaveAdditionalInfo;
  std::function<void(TdtpDocument*, TdtpShape*, TXmlNode*)> OnShapeLoadAdditionalInfo;
  std::function<void(TdtpDocument*, TdtpShape*, TXmlNode*)> OnShapeSaveAdditionalInfo;
  std::function<void(TdtpDocument*)> OnAnimate;
  // While the current page's paper is drawn, before and after the shapes.
  std::function<void(TdtpDocument*, TCanvas&, const TRect&)> OnPaintBackground;
  std::function<void(TdtpDocument*, TCanvas&, const TRect&)> OnPaintForeground;

  // ---- page list ----
  int PageCount() const { return static_cast<int>(pages_.size()); }
  void SetPageCount(int n);
  TdtpPage* Pages(int index) const;
  TdtpPage* CurrentPage() const { return Pages(currentPageIndex_); }
  int IndexOfPage(const TdtpPage* page) const;
  int AddPage(std::unique_ptr<TdtpPage> page);
  void InsertPage(int index, std::unique_ptr<TdtpPage> page);
  void DeletePage(int index);
  float PageWidth() const;
  float PageHeight() const;
  void SetPageWidth(float mm);
  void SetPageHeight(float mm);
  void NewDocument();
  void Clear();
  // Loads the content of a page created for a file being opened: marks it loaded, reads its stream
  // from the attached archive (nothing without one), then raises OnLoadPageContent.
  void LoadPage(int index);
  std::function<void(TdtpDocument*, int)> OnLoadPageContent;

  // ---- shapes of the current page ----
  int ShapeCount() const;
  TdtpShape* Shapes(int index) const;
  int AddShape(std::unique_ptr<TdtpShape> shape);
  void InsertShape(int index, std::unique_ptr<TdtpShape> shape);
  void DeleteShape(int index);
  void ExchangeShapes(int i, int j);
  std::unique_ptr<TdtpShape> ExtractShape(TdtpShape* shape);
  int RemoveShape(TdtpShape* shape);
  TdtpShape* FocusedShape() const;
  void SetFocusedShape(TdtpShape* shape);

  // ---- selection (the Selected shapes of the current page) ----
  void ClearSelection();

  // ---- selection, grouping, arrangement and clipboard (dtpDocumentSelection.cpp) ----
  // The selection is the Selected shapes of the current page in page order (index 0 at the back).
  int SelectionCount() const;
  // The index-th selected shape, none when out of range.
  TdtpShape* Selection(int index) const;
  bool HasSelection() const;
  // Flips the shape's Selected flag; a shape selected by it becomes the focused shape.
  void ToggleSelection(TdtpShape* shape);
  // Selects exactly the selectable shapes whose curb-extended screen outline meets r (view pixels)
  // and focuses the first of them.
  void SelectInRect(const TRect& r);
  // Each selected shape is deleted, from the front, as an undo step of its own.
  void DeleteSelection();
  // Replaces the selection by one selected group at the place of its backmost shape.
  void GroupSelection();
  // Replaces every selected group by its children, selected, with the geometry they had on screen.
  void UngroupSelection();
  // Align the rotated bounds of the selected shapes; targets stay within the page.
  void AlignLeft();
  void AlignRight();
  void AlignTop();
  void AlignBottom();
  void AlignHorzCenters();
  void AlignVertCenters();
  // Stacking order by exchanging places; not undoable.
  void BringToFront();
  void SendToBack();
  void BringForward();
  void SendBackward();
  // The selection as "Selection" XML text; empty without a selection.
  std::string SelectionToXml();
  // Adds the shapes of "Selection" XML text to the current page, selected; returns how many.
  // Text that is not such XML adds nothing and raises nothing.
  int PasteXml(const std::string& text);
  // Clipboard transfer through the view host's plain-text clipboard (nothing without a host).
  void CopyToClipboard();
  void CutToClipboard();
  // Pastes; on the page the clipboard was filled from the copies move by their paste offsets.
  void PasteFromClipboard();
  bool CanPaste() const;
  // The page that was current when the document last filled the clipboard, or none.
  TdtpPage* CopySourcePage() const { return copySourcePage_; }

 private:
  TdtpPage* copySourcePage_ = nullptr;

 public:

  // ---- notifications from shapes and pages ----
  void ShapeChanged(TdtpShape* shape);
  void SelectionChanged();
  void FocusShape(TdtpShape* shape);
  void ShapeDestroyed(TdtpShape* shape);
  // A shape is being freed: every reference the view holds to it is dropped, without events.
  void ShapeReleased(TdtpShape* shape);
  void PageChanged(TdtpPage* page);
  void DocumentChanged();
  void InvalidateShapeArea(TdtpShape* shape);
  int32_t NextShapeID() { return ++shapeIdCounter_; }
  bool Modified() const { return modified_; }
  void SetModified(bool value);
  uint32_t LastChangeTime() const { return lastChangeTime_; }

  // ---- counters ----
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  // Shows the cursor and counts up; operations that must not nest raise "Working already" while busy.
  void BeginBusy(TCursor cursor);
  void EndBusy();
  bool IsBusy() const { return busyCount_ > 0; }
  // A cursor change requested by other code; ignored while busy (see the busy guard rules).
  void RequestCursor(TCursor cursor);
  void BeginPrinting() { ++printingCount_; }
  // Fails when it is called more often than BeginPrinting (the count then stays at 0).
  void EndPrinting();
  bool IsPrinting() const { return printingCount_ > 0; }

  // ---- undo ----
  void BeginUndo();
  void EndUndo();
  void LockUndo() { ++undoLockCount_; }
  void UnlockUndo() { if (undoLockCount_ > 0) --undoLockCount_; }
  bool ExecutingUndo() const { return executingUndo_; }
  void AddUndoCommand(std::unique_ptr<TdtpCommand> command);
  void AddRedoCommand(std::unique_ptr<TdtpCommand> command);
  void Undo();
  void Redo();
  int UndoCount() const { return undoList_.Count(); }
  int RedoCount() const { return redoList_.Count(); }
  const TdtpCommandList& UndoList() const { return undoList_; }
  const TdtpCommandList& RedoList() const { return redoList_; }
  void ClearUndo();
  virtual bool ExecuteCommand(const TdtpCommand& command);

  // ---- progress ----
  void Progress(TdtpProgressType type, int count, int total, float percent);
  int ProgressCount() const { return progressCount_; }
  int ProgressTotal() const { return progressTotal_; }

  // ---- view ----
  float ScreenDpm() const { return screenDpm_; }
  float RenderDpm() const { return renderDpm_; }
  void SetScreenDpm(float d);
  void SetRenderDpm(float d);
  float ViewLeft() const { return viewLeft_; }
  float ViewTop() const { return viewTop_; }
  TFloatPoint PageToScreen(TFloatPoint mm) const;
  TFloatPoint ScreenToPage(TFloatPoint px) const;
  // Recomputes the scroll range and the page offset for the current page.
  void UpdateExtent();
  void ZoomToWidth();
  void ZoomToFit();
  void ZoomIn();
  void ZoomOut();
  void ApplyZoomFactor(float f);
  void ResetZoom();
  // Set while a page is rendered for a thumbnail or the printer: no guides, no desk decoration.
  bool DirectPainting() const { return directPainting_; }
  void SetDirectPainting(bool v) { directPainting_ = v; }
  // ---- screen painting ----
  // The view's paint handler: renders the clip rectangle (client pixels) into the window surface
  // and draws the selection frames over it. Nothing happens while printing.
  void Paint(const TRect& clip);
  // The client-sized image the host presents; painting and scrolling keep it current.
  TBitmap32& WindowSurface() { return windowSurface_; }
  const TBitmap32& WindowSurface() const { return windowSurface_; }
  void PaintPage(TCanvas& canvas);
  // Fills the canvas' clip rectangle with the view's Color.
  void FillDesk(TCanvas& canvas);
  void DrawSelections(TCanvas& canvas);
  // Renders the page at d dots per mm (or less) into the rectangle r of the canvas, fitted and
  // centred with fit, else at full size at r's top-left (thumbnails).
  void RenderPageToCanvas(TdtpPage* page, TCanvas& canvas, const TRect& r, float d, bool fit);

  // 21 pixel offsets tried by the tolerant hit test.
  const std::vector<TPoint>& HitOffsets() const { return hitOffsets_; }
  // The view's Color as an opaque 32-bit colour.
  TColor32 ViewColor32() const;

  // ---- interaction slots ----
  TdtpDragState DragState() const { return dragState_; }
  void SetDragState(TdtpDragState state);
  TdtpShape* DragTarget() const { return dragTarget_; }
  void SetDragTarget(TdtpShape* shape) { dragTarget_ = shape; }
  TdtpShape* EditedShape() const { return editedShape_; }
  void BeginEditShape(TdtpShape* shape);
  void EndEditShape(int code);

  // ---- timers ----
  // The 50 ms tick: with AutoPageUpdate it keeps the change time fresh while an interaction runs
  // and, once changes have rested for AutoThumbnailDelay ms, refreshes dirty page thumbnails; then
  // OnAnimate and Animate of the current page's shapes.
  void Tick();
  int AutoThumbnailDelay() const { return autoThumbnailDelay_; }

 protected:
  void ScrollChanged() override;
  void Resized() override;
  void HostAttached() override;
  void ScrollWindowContent(int dx, int dy) override;

 private:
  void SetDefaults();
  void CheckNotBusy() const;
  uint32_t Now() const;
  void BuildHitOffsets();
  void StartTickTimer();
  void StopTimers();
  void UnhookCurrentPage();
  void AttachPage(TdtpPage* page);
  void DestroyPage(size_t index);
  // Stores a document-wide setting; false when it did not change.
  template <typename T>
  bool SetDocumentSetting(T& field, T value);
  void DocumentSettingChanged();
  void SetDefaultPageSize(float& field, float v, void (TdtpShape::*apply)(float));
  void MarkPagesModified(bool onlyDefaultPages);
  // Gives dirty page thumbnails a fresh picture (the automatic page update of the tick).
  void UpdateDirtyThumbnails();

  std::vector<std::unique_ptr<TdtpPage>> pages_;
  int currentPageIndex_ = -1;
  TdtpShape* focusedShape_ = nullptr;

  bool allowKeyInput_ = true;
  bool archiveDirect_ = false;
  bool autoPageUpdate_ = false;
  bool autoWidth_ = true;
  TColor defaultGridColor_ = clLightCyan;
  float defaultGridSize_ = 5;
  float defaultMarginBottom_ = 10;
  float defaultMarginLeft_ = 10;
  float defaultMarginRight_ = 10;
  float defaultMarginTop_ = 10;
  TColor defaultPageColor_ = clWhite;
  float defaultPageHeight_ = 297;
  float defaultPageWidth_ = 210;
  TColor handleColor_ = clWhite;
  TColor handleEdgeColor_ = clBlack;
  TdtpHelperMethodtype helperMethod_ = hmNone;
  TdtpHZScrollingType hotZoneScrolling_ = hzsNoScroll;
  TdtpViewerModeType mode_ = vmEdit;
  TMultiSelectMethodType multiSelectMethod_ = msmSimple;
  TPrintQualityType printQuality_ = pqLow;
  TStretchFilter quality_ = sfLinear2;
  bool readOnly_ = false;
  bool renderAtScreenRes_ = false;
  bool showMargins_ = true;
  bool snapToGrid_ = false;
  float stepAngle_ = 0;
  bool storeThumbnails_ = true;
  int thumbnailHeight_ = 60;
  int thumbnailWidth_ = 80;
  bool undoSwitch_ = true;
  bool undoPastSave_ = false;
  TdtpViewStyleType viewStyle_ = vsPrintLayout;
  float zoomPercent_ = 100;
  bool defaultBackgroundTiled_ = false;
  std::unique_ptr<TBitmap32> defaultBackgroundImage_;

  bool modified_ = false;
  uint32_t lastChangeTime_ = 0;
  int32_t shapeIdCounter_ = 0;
  int updateCount_ = 0;
  int busyCount_ = 0;
  int printingCount_ = 0;
  bool pendingShapeChanged_ = false;
  bool pendingSelectionChanged_ = false;
  bool pendingFocus_ = false;

  TdtpCommandList undoList_;
  TdtpCommandList redoList_;
  int undoLockCount_ = 0;
  int undoGroupDepth_ = 0;
  bool undoGroupStarted_ = false;
  bool executingUndo_ = false;

  int progressCount_ = 0;
  int progressTotal_ = 0;

  float renderDpm_ = kDefaultDpm;
  float screenDpm_ = kDefaultDpm;
  float viewLeft_ = 0;
  float viewTop_ = 0;
  int lastViewWidth_ = 0;
  bool updatingExtent_ = false;
  bool directPainting_ = false;
  std::vector<TPoint> hitOffsets_;
  TBitmap32 windowSurface_;

  TdtpDragState dragState_ = dsIdle;
  TdtpShape* dragTarget_ = nullptr;
  TdtpShape* editedShape_ = nullptr;

  int tickTimer_ = 0;
  int hotZoneTimer_ = 0;
  bool inTick_ = false;
  int autoThumbnailDelay_ = 2000;

  // ---- drawing files (.hsf archives) ----
 public:
  // Opens a drawing: settings and thumbnails at once, page contents when first needed. A file that
  // cannot be opened leaves the current document as it was.
  void LoadFromFile(const std::string& fileName);
  // Saves the drawing (also under a new name) into a complete new archive beside the target, which
  // replaces the target only once it is fully written; a failed save leaves the old file as it was.
  void SaveToFile(const std::string& fileName);
  // Writes "Index.xml" and the modified pages into the open archive. Like every change of the open
  // file (SaveIndex, the ArchiveDirect page operations) it puts a complete new version of the file in
  // its place; only an archive without a file behind it is written in place.
  void SaveToArchive();
  // Rewrites "Index.xml" in the open archive.
  void SaveIndex();
  void LoadSettingsFromXml(TXmlNode* node);
  void SaveSettingsToXml(TXmlNode* node);
  // The archive attached to the document, none for a new document.
  TSingleStorage* Archive() const { return archive_.get(); }

 private:
  void ReadPageFromArchive(int index);
  // Saves into fileName; sameFile when it is the open archive's file.
  void SaveArchiveAs(const std::string& fileName, bool sameFile);
  // Index, pages not stored unchanged with thumbnails, surplus page streams and packing, written
  // into target; no flag changes.
  void WriteModifiedParts(TSingleStorage& target);
  // "Index.xml" announcing pageCount pages, written into target.
  void WriteIndex(TSingleStorage& target, int pageCount);
  // The page is unmodified and its stream sits in the open archive.
  bool StoredUnchanged(int index) const;
  // Clears the modified flags and, unless UndoPastSave, the history after a complete save.
  void CommitSave();
  // Puts a new version of the archive file fileName in place: the streams of the open archive for
  // which carry holds are copied unchanged, change writes the rest; the document then works with
  // the new file. An archive without a file is changed in place.
  void ReplaceArchiveFile(const std::string& fileName, const std::function<bool(const std::string&)>& carry,
                          const std::function<void(TSingleStorage&)>& change);
  // ArchiveDirect: the stored pages renumbered for a page about to be inserted or deleted at index.
  void InsertPageStreams(int index);
  void RemovePageStreams(int index);
  static void MovePageStreams(TSingleStorage& archive, int from, int to);
  static void DeletePageStreams(TSingleStorage& archive, int number);
  // Exchanges the drawing (pages, history, archive, settings, flags) with a parked one.
  void SwapContent(TdtpDocumentContent& content);
  // Hooks the current page's bounds to the extent again, after its drawing came back.
  void RehookCurrentPage();
  std::unique_ptr<TSingleStorage> archive_;

  // ---- interactive editing (dtpDocumentEditing.cpp) ----
 public:
  // Input from the view's window: client pixels, ss* shift bits (held buttons included).
  void MouseDown(TMouseButton button, int shift, int x, int y);
  void MouseMove(int shift, int x, int y);
  void MouseUp(TMouseButton button, int shift, int x, int y);
  void DblClick(TMouseButton button, int shift, int x, int y);
  void KeyDown(int key, int shift);
  void KeyPress(char32_t ch);
  void KeyUp(int key, int shift);
  // The context menu at a client point: the edited shape's menu while editing, else PopupMenu.
  void ContextPopup(int x, int y);
  // Starts placing a shape the caller created, by dragging a frame or by a click; the document
  // takes ownership. Raise "Working already" while busy.
  void InsertShape(std::unique_ptr<TdtpShape> shape);
  void InsertShapeByClick(std::unique_ptr<TdtpShape> shape);
  void EndInsert(bool accept);
  void EndMove(bool accept);
  void EndRubberBand(bool accept);
  void StartMove();
  void UpdateDrag(TFloatPoint delta);
  // XOR overlays on the window surface: drawing twice with the same delta erases.
  void DrawTrackOutlines(TFloatPoint delta);
  void DrawInsertFrame(TFloatPoint delta);
  void DrawRubberBand(TFloatPoint delta);
  // p in view mm; snapped to the current page's grid (a moved shape's origin lands on it).
  TFloatPoint SnapDragPoint(TFloatPoint p, bool snap);
  TCursor HandleCursor(const TdtpShape* shape, uint8_t kind) const;
  // The shape under p (view pixels) with the handle kind hit (hkMove for its body), none.
  TdtpShape* ShapeAtPos(TPoint p, uint8_t& kind);
  // The deepest enabled shape under p (a group member rather than the group).
  bool ShapeAtPosDeep(TPoint p, TdtpShape*& shape);
  TdtpShape* PendingInsertShape() const { return insertShape_.get(); }
  uint8_t DragKind() const { return dragKind_; }
  TPoint PressPoint() const { return pressPoint_; }
  TFloatPoint DragDelta() const { return dragDelta_; }
  TFloatPoint DragDeltaMM() const { return dragDeltaMM_; }
  bool OverlayDrawn() const { return overlayDrawn_; }
  const std::vector<TViewMenuItem>& PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(std::vector<TViewMenuItem> items) { popupMenu_ = std::move(items); }

  std::function<void(TdtpDocument*, TMouseButton, int, int, int)> OnMouseDown;
  std::function<void(TdtpDocument*, TMouseButton, int, int, int)> OnMouseUp;
  std::function<void(TdtpDocument*, int, int)> OnKeyDown;
  std::function<void(TdtpDocument*, char32_t)> OnKeyPress;
  std::function<void(TdtpDocument*, int, int)> OnKeyUp;
  // A moved selection left the view: the application may start a drag-and-drop of the view.
  std::function<void(TdtpDocument*)> OnStartDrag;

 private:
  void BeginInsert(std::unique_ptr<TdtpShape> shape, bool byClick);
  // The drag delta (pixels, mm) for the pointer at p, snapped and constrained as the drag asks.
  void PointerDelta(TPoint p, int shift, TFloatPoint& delta, TFloatPoint& deltaMM);
  // Keeps the aspect of a pending shape with PreserveAspect in a frame delta.
  TFloatPoint InsertFrameDelta(TFloatPoint delta) const;
  TRect PressRect(TFloatPoint delta) const;
  void SetHoverCursor(TPoint p);
  // Draws the active overlay again into a canvas clipped to a freshly painted area.
  void RedrawOverlay(TCanvas& canvas);
  void PresentOverlay(const TRect& r);
  // Ctrl-drag: copies the selection through its XML form and moves the copies by the delta.
  void DuplicateSelectionBy(TFloatPoint deltaMM);
  // Erases or draws the overlay of the running drag with the stored delta.
  void ToggleOverlay();
  // Automatic scrolling while the pointer rests near the view's edges.
  void HotZoneStep();
  void RunHotZoneTimer(bool run);
  // Scrolls by (dx, dy) and paints what scrolled in at once.
  void ScrollAndPaint(int dx, int dy);

  TPoint pressPoint_;
  TFloatPoint pressPointMM_;
  TFloatPoint dragDelta_;
  TFloatPoint dragDeltaMM_;
  uint8_t dragKind_ = 0;
  std::unique_ptr<TdtpShape> insertShape_;
  bool insertByClick_ = false;
  bool overlayDrawn_ = false;
  bool outlineAlt_ = false;
  int lastShift_ = 0;
  std::vector<TViewMenuItem> popupMenu_;
  uint32_t hotZoneLastTick_ = 0;
  TPoint hotZoneLastPoint_;
  float hotZoneTime_ = 0;
  bool hotZoneScrollingNow_ = false;

  // ---- printing (dtpDocumentPrint.cpp) ----
 public:
  // Prints the listed pages in the order given on the current printer (Printer()), one page per
  // sheet, as one job; indexes without a page are skipped. Raises "Working already" while busy.
  void PrintPages(const std::vector<int>& indexes);
  void PrintAll();
  void PrintPage(int index);
  // The print resolution of PrintQuality in dots per mm; 0 (the device's own) for pqDevice.
  float PrintDpm() const;

 private:
  friend class TPagePrinter;
  friend class TPageRenderState;
};

// The document with its properties and events published for the form designer.
class TdtpComponent : public TdtpDocument {
 public:
  std::string ClassName() const override { return "TdtpComponent"; }
};

}  // namespace kivrano
