#pragma once

#include <memory>
#include <string>

#include "engine/dtpShape.h"
#include "platform/BmpCodec.h"

namespace kivrano {

class IBandTarget;

// One page of a document: a shape whose size is the paper in millimetres and whose children are the
// shapes on it. Its paper properties come from the document's defaults while IsDefaultPage is set;
// the property getters return these effective values and load a lazily opened page first.
class TdtpPage : public TdtpShape {
 public:
  TdtpPage();
  ~TdtpPage() override;

  std::string ClassName() const override { return "TdtpPage"; }

  // ---- paper properties (effective values) ----
  bool IsDefaultPage() const { return isDefaultPage_; }
  void SetIsDefaultPage(bool v);
  TColor PageColor() const;
  void SetPageColor(TColor v);
  float MarginLeft() const;
  float MarginTop() const;
  float MarginRight() const;
  float MarginBottom() const;
  void SetMarginLeft(float v);
  void SetMarginTop(float v);
  void SetMarginRight(float v);
  void SetMarginBottom(float v);
  float GridSize() const;
  void SetGridSize(float v);
  TColor GridColor() const;
  void SetGridColor(TColor v);
  // The picture drawn as the paper (none for plain paper); a copy is stored.
  TBitmap32* BackgroundImage() const;
  void SetBackgroundImage(const TBitmap32* picture);
  bool BackgroundTiled() const;
  void SetBackgroundTiled(bool v);

  // ---- lazy loading and thumbnails ----
  bool Loaded() const { return loaded_; }
  void SetLoaded(bool v) { loaded_ = v; }
  bool ThumbnailDirty() const { return thumbnailDirty_; }
  void SetThumbnailDirty(bool v) { thumbnailDirty_ = v; }
  // Replaces the stored thumbnail by a copy of the picture (none removes it) and marks it up to
  // date; used when a drawing is opened.
  void SetThumbnail(const TBmpImage* picture);
  // The thumbnail, rendered afresh when it is dirty or missing (none without a document): a
  // 24-bit picture of the document's thumbnail size with the page fitted and framed in black.
  const TBmpImage* GetThumbnail();
  // GetThumbnail, then the document's page-changed notification for this page.
  void UpdateThumbnail();
  const TBmpImage* StoredThumbnail() const { return thumbnail_.get(); }
  // The page's index in its document, -1 without a document.
  int PageIndex() const;

  // ---- page operations ----
  // Stores DocLeft and DocTop directly: no undo record, no notification, no repaint.
  virtual void SetPageOffset(float left, float top);
  // Asks the document to load the page when it has not been read yet.
  virtual void EnsureLoaded() const;

  // ---- printing (dtpDocumentPrint.cpp) ----
  // Renders the page in bands at dpm dots per mm (0: at the target's own scale) into rect of the
  // target, fitted and centred, turned by Rotation quarter turns (1 counter-clockwise, 2 half,
  // 3 clockwise), mirrored left to right and top to bottom as asked. The view state is restored.
  void PrintTo(IBandTarget& target, const TRect& rect, bool FlipVertical, bool MirrorHorizontal, int Rotation,
               float dpm);
  void PrintTo(TCanvas& canvas, const TRect& rect, bool FlipVertical, bool MirrorHorizontal, int Rotation, float dpm);
  // PrintTo at 150 dots per inch.
  void PrintToDefault(TCanvas& canvas, const TRect& rect, bool FlipVertical, bool MirrorHorizontal, int Rotation);

  // ---- shape overrides ----
  TFloatPoint SnapPoint(TFloatPoint p) const override;
  TColor32 GetBackColor() const override;
  std::string GetDisplayName() const override;
  void SetDefaults() override;
  void SetModified(bool value) override;
  void SetBoundsAndAngle(float left, float top, float width, float height, float angle) override;
  // The paper with its guides, margin frame, border and shadow, through the paint matrix.
  void PaintBitmap(TBitmap32& bitmap) override;
  // The document's foreground drawing.
  void PaintOverlay(TBitmap32& bitmap) override;
  void SaveToXml(TXmlNode* node) override;
  void LoadFromXml(TXmlNode* node) override;

 private:
  template <typename T>
  void SetOwn(T& field, T value);
  // The page rectangle in the pixels of the bitmap being painted.
  TRect PaintRect() const;
  void PaintHandler(TBitmap32& bitmap, bool foreground);
  void PaintPattern(TBitmap32& bitmap, const TRect& r) const;
  void PaintGrid(TBitmap32& bitmap, float g, bool dots);
  void PaintMarginFrame(TBitmap32& bitmap);
  void PaintBorderAndShadow(TBitmap32& bitmap, const TRect& r);
  void PaintBackgroundImage(TBitmap32& bitmap, TBitmap32& picture, const TRect& r);

  bool isDefaultPage_ = true;
  TColor pageColor_ = clWhite;
  float marginLeft_ = 10;
  float marginTop_ = 10;
  float marginRight_ = 10;
  float marginBottom_ = 10;
  float gridSize_ = 5;
  TColor gridColor_ = 0xFFFFC0;
  std::unique_ptr<TBitmap32> backgroundImage_;
  bool backgroundTiled_ = false;
  bool loaded_ = true;
  bool thumbnailDirty_ = true;
  std::unique_ptr<TBmpImage> thumbnail_;
};

}  // namespace kivrano
