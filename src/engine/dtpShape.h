#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "base/Types.h"
#include "engine/dtpGeometry.h"
#include "platform/Font.h"
#include "platform/ViewHost.h"
#include "raster/Bitmap32.h"
#include "raster/Color32.h"
#include "storage/dtpResource.h"

namespace kivrano {

class TBitmap32;
class TCanvas;
class TdtpCommand;
class TdtpDocument;
class TdtpPage;
class TXmlNode;

// How a shape follows a resizing parent, in bit order. `default` is a C++ keyword, so the first
// flag is spelt DefaultAnchor; its XML name stays "default".
enum TdtpAnchor {
  DefaultAnchor = 0,
  PosXProp,
  PosYProp,
  SizeXProp,
  SizeYProp,
  LeftLock,
  TopLock,
  RightLock,
  BottomLock,
};

// A set of TdtpAnchor flags stored as 16 bits.
using TdtpAnchors = uint16_t;
constexpr TdtpAnchors AnchorBit(TdtpAnchor a) { return static_cast<TdtpAnchors>(1u << a); }
constexpr bool HasAnchor(TdtpAnchors set, TdtpAnchor a) { return (set & AnchorBit(a)) != 0; }
constexpr TdtpAnchors kDefaultAnchors = AnchorBit(DefaultAnchor) | AnchorBit(LeftLock) | AnchorBit(TopLock);

// Size limits in mm; 0 means no limit.
class TFloatSizeConstraint {
 public:
  float MinHeight() const { return minHeight_; }
  float MinWidth() const { return minWidth_; }
  float MaxHeight() const { return maxHeight_; }
  float MaxWidth() const { return maxWidth_; }
  void SetMinHeight(float v) { minHeight_ = v; }
  void SetMinWidth(float v) { minWidth_ = v; }
  void SetMaxHeight(float v) { maxHeight_ = v; }
  void SetMaxWidth(float v) { maxWidth_ = v; }

 private:
  float minHeight_ = 0;
  float minWidth_ = 0;
  float maxHeight_ = 0;
  float maxWidth_ = 0;
};

// Kinds of selection handles.
enum TdtpHandleKind : uint8_t {
  hkNone = 0,
  hkMove = 1,
  hkTopLeft = 2,
  hkLeft = 3,
  hkBottomLeft = 4,
  hkBottom = 5,
  hkBottomRight = 6,
  hkRight = 7,
  hkTopRight = 8,
  hkTop = 9,
  hkRotate = 10,
  hkPoint = 11,
  hkCustom = 12,  // first kind free for subclasses
};

// One selection handle: position in local mm now and during a drag.
struct TdtpShapeHandle {
  uint8_t Kind = hkNone;
  float X = 0;
  float Y = 0;
  float TrackX = 0;
  float TrackY = 0;
};

// One line of the selection frame between two handles.
struct TdtpShapeEdge {
  int32_t FromHandle = 0;
  int32_t ToHandle = 0;
  uint8_t Kind = hkNone;
  uint8_t Visible = 1;
};

// The base of everything that lives on a page, and of the page itself. Geometry is single-precision
// millimetres in the parent's local frame, angles degrees in [0, 360) turning counter-clockwise on a
// y-down screen. A shape owns its children; Document and Parent are plain links. Resources of its
// pictures register with it (they are owned by the subclass that made them).
class TdtpShape : public IResourceOwner {
 public:
  TdtpShape();
  ~TdtpShape() override;
  TdtpShape(const TdtpShape&) = delete;
  TdtpShape& operator=(const TdtpShape&) = delete;

  // The registered class name ("TdtpShape" for the base).
  virtual std::string ClassName() const { return "TdtpShape"; }

  // ---- persistent properties ----
  float DocLeft() const { return docLeft_; }
  float DocTop() const { return docTop_; }
  float DocWidth() const { return docWidth_; }
  float DocHeight() const { return docHeight_; }
  float DocAngle() const { return docAngle_; }
  int MasterAlpha() const { return masterAlpha_; }
  bool AllowResize() const { return allowResize_; }
  bool AllowRotate() const { return allowRotate_; }
  bool AllowSelect() const { return allowSelect_; }
  bool Visible() const { return visible_; }
  bool Flipped() const { return flipped_; }
  bool Mirrored() const { return mirrored_; }
  bool PreserveAspect() const { return preserveAspect_; }
  float AspectRatio() const { return aspectRatio_; }
  bool SmartHitTest() const { return smartHitTest_; }
  bool Grouped() const { return grouped_; }
  TdtpAnchors Anchors() const { return anchors_; }
  float CurbLeft() const { return curbLeft_; }
  float CurbTop() const { return curbTop_; }
  float CurbRight() const { return curbRight_; }
  float CurbBottom() const { return curbBottom_; }
  TFloatSizeConstraint& Constraints() { return *constraints_; }
  const TFloatSizeConstraint& Constraints() const { return *constraints_; }
  const std::string& Name() const { return name_; }

  // Plain stores (no undo, no notification).
  void SetAllowResize(bool v) { allowResize_ = v; }
  void SetAllowRotate(bool v) { allowRotate_ = v; }
  void SetVisible(bool v);
  void SetFlipped(bool v);
  void SetMirrored(bool v);
  void SetPreserveAspect(bool v) { preserveAspect_ = v; }
  void SetAspectRatio(float v) { aspectRatio_ = v; }
  void SetSmartHitTest(bool v) { smartHitTest_ = v; }
  void SetGrouped(bool v) { grouped_ = v; }
  void SetAnchors(TdtpAnchors v) { anchors_ = v; }

  // ---- run-time state ----
  TdtpDocument* Document() const { return document_; }
  TdtpShape* Parent() const { return parent_; }
  int32_t ShapeID() const { return shapeId_; }
  void SetShapeID(int32_t id) { shapeId_ = id; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TCursor InsertCursor() const { return insertCursor_; }
  void SetInsertCursor(TCursor v) { insertCursor_ = v; }
  bool Selected() const { return selected_; }
  bool Modified() const { return modified_; }
  bool Dirty() const { return dirty_; }
  int UpdateCount() const { return updateCount_; }
  TColor32 BackColor() const { return backColor_; }
  float EffectiveCurbLeft() const { return effCurbLeft_; }
  float EffectiveCurbTop() const { return effCurbTop_; }
  float EffectiveCurbRight() const { return effCurbRight_; }
  float EffectiveCurbBottom() const { return effCurbBottom_; }
  const TdtpMatrix& PaintMatrix() const { return paintMatrix_; }
  const TdtpMatrix& CacheMatrix() const { return cacheMatrix_; }
  // The render cache, or none.
  TBitmap32* Cache() const { return cache_.get(); }
  // Called at the end of every effective SetBoundsAndAngle.
  std::function<void(TdtpShape*)> OnBoundsChanged;

  // ---- virtual operations ----
  virtual int GetShapeCount() const { return static_cast<int>(children_.size()); }
  virtual TdtpShape* GetShape(int index) const;
  virtual void SetDocHeight(float value);
  virtual void SetDocLeft(float value);
  virtual void SetDocTop(float value);
  virtual void SetDocWidth(float value);
  virtual void SetMasterAlpha(int value);
  // Records a font style as "B", "I", "U", "S" for bold, italic, underline and strike-out.
  virtual void RecordUndoStyle(uint8_t kind, const std::string& name, TFontStyles style);
  virtual void RecordUndoFloat(uint8_t kind, const std::string& name, float value);
  virtual void RecordUndoInteger(uint8_t kind, const std::string& name, int value);
  virtual void RecordUndoString(uint8_t kind, const std::string& name, const std::string& value);
  virtual void RecordUndoBoolean(uint8_t kind, const std::string& name, bool value);
  virtual void RecordUndoShape(uint8_t kind, TdtpShape* child);
  virtual TFloatPoint SnapPoint(TFloatPoint p) const;
  virtual void ClearCache();
  virtual void FreeCache();
  // Returns AllowResize; adjusts the requested size to the constraints.
  virtual bool ConstrainSize(float& width, float& height) const;
  // Hook for dragging handles of kinds 12 and up: may change the offsets, the angle change and the
  // scale factors of the drag. Base nothing.
  virtual void TrackCustomHandle(float& /*qx*/, float& /*qy*/, uint8_t /*kind*/, float /*dx*/, float /*dy*/,
                                 float& /*angle*/, float& /*sx*/, float& /*sy*/) {}
  // Menu shown while the shape is edited in place; none for the base.
  virtual const std::vector<TViewMenuItem>* GetEditPopupMenu() const { return nullptr; }
  virtual void Changed();
  virtual void UpdateHandles();
  virtual void Animate() {}
  virtual void EndEdit(int /*code*/) {}
  virtual TColor32 GetBackColor() const { return backColor_; }
  virtual TColor32 GetViewColor() const;
  virtual TRect GetHandleRect(int index) const;
  virtual bool NeedsFlip() const { return mirrored_ || flipped_; }
  // ---- painting ----
  // Drawing hook on a canvas laid over the image; base nothing.
  virtual void PaintCanvas(TCanvas& /*canvas*/) {}
  // Drawing hook on the 32-bit image; base nothing.
  virtual void PaintBitmap(TBitmap32& /*bitmap*/) {}
  // Drawing hook after the children are composited; base nothing.
  virtual void PaintOverlay(TBitmap32& /*bitmap*/) {}
  // Mirrors the image horizontally when Mirrored, then flips it vertically when Flipped.
  virtual void ApplyFlip(TBitmap32& bitmap) const;
  // Pixels the canvas painted (alpha 0) become opaque in their colour; all others become back.
  virtual void ConvertCanvasAlpha(TBitmap32& bitmap, TColor32 back) const;
  // (Re)creates the cache bitmap for the current geometry at GetRenderDpm and returns the matrix
  // from local mm to cache pixels (the identity when the cache cannot be made). The cache is
  // cleared, not rendered: filling it is the view's rendering pipeline.
  virtual TdtpMatrix PrepareCache();
  // Paints the shape into the canvas' clip rectangle of a window canvas and says whether it
  // painted: through its cache when NeedsCache, else directly; in direct painting (thumbnails,
  // printing) through PaintDirect, and then the result is false.
  virtual bool PaintTo(TCanvas& canvas);
  // Renders the shape without a cache into the screen rectangle r: onto the canvas at r's
  // top-left, or, with a target, merged onto the target at r's top-left plus offset.
  virtual void PaintUncached(TCanvas* canvas, TBitmap32* target, TPoint offset, const TRect& r);
  // Brings the cache up to date when the shape or a descendant is dirty.
  virtual void RenderCache();
  // Paints the shape into the canvas' clip rectangle with every child merged unscaled from its
  // cache at the screen resolution (thumbnails and printing).
  virtual void PaintDirect(TCanvas& canvas);
  // The filter used whenever a cache is scaled or rotated: the document's Quality.
  TStretchFilter GetStretchFilter() const;
  // Selection frame and handles on the view's canvas (needs a document).
  virtual void DrawSelection(TCanvas& canvas);
  // Outline at the tracked handle positions, in XOR: drawing it twice restores the screen.
  virtual void DrawTrackOutline(TCanvas& canvas);
  // Dotted XOR rectangle with a hollow brush.
  virtual void DrawInsertFrame(TCanvas& canvas, const TRect& rect, TColor color);
  virtual uint8_t HitTestHandle(TPoint p);
  virtual bool HitTest(TPoint p);
  // Deepest enabled shape hit at p: shape is set to it (none on a miss).
  virtual bool HitTestChild(TPoint p, TdtpShape*& shape);
  virtual TRect GetInvalidateRect();
  virtual bool HitTestPixel(TPoint p);
  virtual bool NeedsCache() const;
  virtual std::string GetDisplayName() const { return name_; }
  virtual TFloatPoint GetPasteOffset() const { return TFloatPoint{10, 10}; }
  virtual TFloatRect GetChildrenBounds() const;
  virtual void SetDefaults();
  virtual void SetDocAngle(float degrees);
  virtual void SetPosition(float left, float top);
  virtual void SetSize(float width, float height);
  virtual void SetDocument(TdtpDocument* document);
  virtual void SetModified(bool value);
  virtual void SetDirty(bool value) { dirty_ = value; }
  virtual void SetName(const std::string& value);
  virtual void SetParentShape(TdtpShape* parent);
  // Applies an undo record of kind 0; unknown names are ignored.
  virtual void SetPropertyByName(const std::string& name, const std::string& value);
  virtual void SetPaintMatrix(const TdtpMatrix& m) { paintMatrix_ = m; }
  virtual TScreenRegion CreateBodyRegion() const;
  virtual void AdjustCurbs(float& left, float& top, float& right, float& bottom);
  virtual void SetBoundsConstrained(float left, float top, float width, float height);
  virtual void ApplyTracking();
  virtual void SetBoundsRect(const TFloatRect& r);
  virtual void ApplyConstraints();
  virtual TRect GetScreenBounds() const;
  virtual TScreenQuad CreateScreenRegion() const;
  virtual void FreeCaches();
  virtual void Clear();
  virtual void BeginEdit();
  virtual void LockAspectRatio();
  virtual void Inflate(float dx, float dy);
  virtual void InvalidateShape();
  virtual void EditKeyDown(int /*key*/, int /*shift*/) {}
  virtual void EditKeyPress(char32_t /*ch*/) {}
  virtual void EditKeyUp(int /*key*/, int /*shift*/) {}
  virtual void EditDblClick(int /*buttons*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void EditMouseDown(int /*buttons*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void EditMouseMove(int /*buttons*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void EditMouseUp(int /*buttons*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual bool ExecuteCommand(const TdtpCommand& command);
  // Persistence: the shape's properties as child elements of node, children as nested "Shape"
  // elements. LoadFromXml stores values directly (no undo, no notification); none does nothing.
  virtual void SaveToXml(TXmlNode* node);
  virtual void LoadFromXml(TXmlNode* node);
  // An XML document with root "Shape" holding the shape, every value written.
  virtual void SaveToStream(TStream& stream);
  // Becomes a copy of source (through its XML).
  virtual void Assign(TdtpShape& source);
  virtual void SetCurb(float value) { SetCurbs(value, value, value, value); }
  virtual void SetCurbs(float left, float top, float right, float bottom);
  virtual void SetBounds(float left, float top, float width, float height);
  virtual void SetBoundsAndAngle(float left, float top, float width, float height, float angle);
  virtual void SetCenter(float x, float y);
  virtual int AddShape(std::unique_ptr<TdtpShape> child);
  virtual void ClearShapes();
  virtual void DeleteShape(int index);
  virtual void ExchangeShapes(int i, int j);
  virtual std::unique_ptr<TdtpShape> ExtractShape(TdtpShape* child);
  virtual int IndexOfShape(const TdtpShape* child) const;
  virtual void InsertShape(int index, std::unique_ptr<TdtpShape> child);
  virtual int RemoveShape(TdtpShape* child);

  // ---- counters and notification ----
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  void BeginUndo();
  void EndUndo();
  void LockUndo();
  void UnlockUndo();

  // ---- geometry ----
  void SetDocSize(float width, float height) { SetBounds(docLeft_, docTop_, width, height); }
  void SetAngleAroundCenter(float angle);
  TFloatRect GetBoundsRect() const;
  TFloatRect GetBoundsRectWithCurbs() const;
  float BoundsLeft() const { return GetBoundsRect().Left; }
  float BoundsTop() const { return GetBoundsRect().Top; }
  float BoundsRight() const { return GetBoundsRect().Right; }
  float BoundsBottom() const { return GetBoundsRect().Bottom; }
  void SetBoundsLeft(float x) { SetDocLeft(docLeft_ + x - BoundsLeft()); }
  void SetBoundsTop(float y) { SetDocTop(docTop_ + y - BoundsTop()); }
  void SetBoundsRight(float x) { SetDocLeft(docLeft_ + x - BoundsRight()); }
  void SetBoundsBottom(float y) { SetDocTop(docTop_ + y - BoundsBottom()); }

  // ---- coordinate frames ----
  TFloatPoint LocalToParent(TFloatPoint p) const;
  TFloatPoint ParentToLocal(TFloatPoint p) const;
  TFloatPoint LocalToPage(TFloatPoint p) const;
  TFloatPoint PageToLocal(TFloatPoint p) const;
  // View pixels (single precision); (0, 0) without a document.
  TFloatPoint LocalToScreen(TFloatPoint p) const;
  TFloatPoint ScreenToLocal(TFloatPoint p) const;
  TFloatPoint ScreenDeltaToLocal(TFloatPoint d) const;
  TFloatPoint LocalToPaint(TFloatPoint p) const { return paintMatrix_.Transform(p); }
  int PaintLeft() const { return RoundToInt(LocalToPaint(TFloatPoint{0, 0}).X); }
  int PaintTop() const { return RoundToInt(LocalToPaint(TFloatPoint{0, 0}).Y); }
  int PaintRight() const { return RoundToInt(LocalToPaint(TFloatPoint{docWidth_, 0}).X); }
  int PaintBottom() const { return RoundToInt(LocalToPaint(TFloatPoint{0, docHeight_}).Y); }

  // ---- resources ----
  void AddResource(TdtpResource* resource) override;
  void RemoveResource(TdtpResource* resource) override;
  int ResourceCount() const { return static_cast<int>(resources_.size()); }

  // ---- tree ----
  const std::vector<std::unique_ptr<TdtpShape>>& Children() const { return children_; }
  int GetIndex() const { return parent_ ? parent_->IndexOfShape(this) : -1; }
  // The page this shape lives on (itself for a page), or none.
  TdtpPage* Page();

  // ---- state ----
  void SetSelected(bool value);
  void SetAllowSelect(bool value);
  void SetBackColor(TColor32 value);
  bool IsSelectable() const { return allowSelect_ && visible_; }
  bool IsDirty() const;
  bool IsEditing() const;

  // ---- repaint ----
  void Invalidate();
  void Refresh();
  void RefreshCache();
  void UpdateCurbs();

  // ---- resolution ----
  float GetRenderDpm() const;
  float GetScreenDpm() const;

  // ---- handles ----
  void DrawHandle(TCanvas& canvas, int index);
  int HandleCount() const { return static_cast<int>(handles_.size()); }
  int EdgeCount() const { return static_cast<int>(edges_.size()); }
  const TdtpShapeHandle* Handle(int index) const;
  const TdtpShapeEdge* Edge(int index) const;
  // The handle picked by the last HitTestHandle (-1 for none).
  int TrackHandle() const { return trackHandle_; }
  // Screen position of a handle (rounded view pixels).
  TPoint HandleScreenPoint(int index) const;

  // ---- tracking state (set by the interaction code) ----
  float TrackLeft() const { return trackLeft_; }
  float TrackTop() const { return trackTop_; }
  float TrackWidth() const { return trackWidth_; }
  float TrackHeight() const { return trackHeight_; }
  float TrackAngle() const { return trackAngle_; }
  void SetTracking(float left, float top, float width, float height, float angle);
  // Sets the tracked position of a handle (local mm).
  void SetHandleTrack(int index, float x, float y);

  // ---- interactive tracking ----
  // Computes the tracked geometry, the tracking matrix and the tracked handle positions for a drag
  // of the given handle kind by delta view pixels; alt inverts angle snapping of rotations.
  virtual void ComputeTracking(TFloatPoint delta, bool alt, uint8_t kind);
  // Local mm before the drag to local mm after it (set by ComputeTracking).
  const TdtpMatrix& TrackMatrix() const { return trackMatrix_; }

  // ---- ending an in-place edit ----
  // Ends the edit through the document when it edits this shape (it leaves its editing state and
  // reports the end), else calls EndEdit directly. The shape may be gone afterwards.
  void FinishEdit(int code);

 protected:
  // Replaces the handle and edge arrays (for UpdateHandles overrides).
  std::vector<TdtpShapeHandle>& Handles() { return handles_; }
  std::vector<TdtpShapeEdge>& Edges() { return edges_; }
  // Stores the angle and its cosine and sine without any side effect.
  void StoreAngle(float degrees);
  // Stores geometry directly (loading).
  void StoreBounds(float left, float top, float width, float height);
  void StoreCurbs(float left, float top, float right, float bottom);
  void StoreName(const std::string& v) { name_ = v; }
  void StoreMasterAlpha(int v) { masterAlpha_ = v; }

 private:
  void LayoutChildren(float newWidth, float newHeight);
  std::vector<TFloatPoint> CurbCorners() const;
  TScreenQuad ScreenQuadOf(float left, float top, float right, float bottom) const;
  bool BodyHitWithTolerance(TPoint p) const;
  void DetachChild(TdtpShape* child);
  void SetFlipFlag(bool& flag, bool v);
  // The shape's own image: canvas drawing on opaque white, converted to alpha, then PaintBitmap.
  void PaintOwnImage(TBitmap32& bitmap);
  // The paint matrix that puts local (0, 0) at its screen position minus origin, at screen scale.
  TdtpMatrix ScreenPaintMatrix(TPoint origin) const;
  // The top-left of the child's curb-extended bounds through the paint matrix, rounded.
  TPoint ChildPaintCorner(const TdtpShape& child) const;
  // Gives the child's cache its master alpha and draw mode for compositing.
  static void PrepareChildCache(TdtpShape& child);
  // Re-creates a removed child from an undo record of kind 2.
  void RestoreChild(const TdtpCommand& command);

  // persistent
  float docLeft_ = 0;
  float docTop_ = 0;
  float docWidth_ = 0;
  float docHeight_ = 0;
  float docAngle_ = 0;
  float cos_ = 1;
  float sin_ = 0;
  int masterAlpha_ = 255;
  bool allowResize_ = true;
  bool allowRotate_ = true;
  bool allowSelect_ = true;
  bool visible_ = true;
  bool flipped_ = false;
  bool mirrored_ = false;
  bool preserveAspect_ = false;
  float aspectRatio_ = 0;
  bool smartHitTest_ = true;
  bool grouped_ = false;
  TdtpAnchors anchors_ = kDefaultAnchors;
  float curbLeft_ = 0;
  float curbTop_ = 0;
  float curbRight_ = 0;
  float curbBottom_ = 0;
  std::unique_ptr<TFloatSizeConstraint> constraints_;
  std::string name_;

  // run time
  TdtpDocument* document_ = nullptr;
  TdtpShape* parent_ = nullptr;
  int32_t shapeId_ = 0;
  std::vector<std::unique_ptr<TdtpShape>> children_;
  std::vector<TdtpResource*> resources_;
  bool enabled_ = true;
  TCursor insertCursor_ = crCross;
  bool selected_ = false;
  bool modified_ = false;
  bool dirty_ = true;
  bool changePending_ = false;
  int updateCount_ = 0;
  float effCurbLeft_ = 0;
  float effCurbTop_ = 0;
  float effCurbRight_ = 0;
  float effCurbBottom_ = 0;
  TColor32 backColor_ = 0xFFFFFFFF;
  std::unique_ptr<TBitmap32> cache_;
  TdtpMatrix cacheMatrix_;
  TdtpMatrix paintMatrix_;
  float trackLeft_ = 0;
  float trackTop_ = 0;
  float trackWidth_ = 0;
  float trackHeight_ = 0;
  float trackAngle_ = 0;
  int trackHandle_ = -1;
  TdtpMatrix trackMatrix_;
  std::vector<TdtpShapeHandle> handles_;
  std::vector<TdtpShapeEdge> edges_;
};

// Text conversions shared by the undo recorders and SetPropertyByName.
std::string FloatToText(float value);             // general format, up to 15 significant digits
float TextToFloat(const std::string& text);       // raises "'%s' is not a valid floating point value"
int TextToInteger(const std::string& text);       // raises "'%s' is not a valid integer value"
bool TextToBoolean(const std::string& text);      // true when the first character is T, t, Y or y
std::string FontStyleToText(TFontStyles style);   // "B", "I", "U", "S" in this order
TFontStyles TextToFontStyle(const std::string& text);

}  // namespace kivrano
