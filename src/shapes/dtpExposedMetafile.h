#pragma once

// A vector picture on the page: an enhanced metafile kept in the shape's resource and played onto
// the shape's canvas, optionally with the shape's own pen and brush in place of the picture's.

#include <memory>
#include <string>

#include "platform/PenBrush.h"
#include "shapes/dtpEffectShape.h"

namespace kivrano {

class TCanvas;
class TdtpResource;
class TXmlNode;
struct TBmpImage;

class TdtpExposedMetafile : public TdtpEffectShape {
 public:
  TdtpExposedMetafile();
  ~TdtpExposedMetafile() override;

  std::string ClassName() const override { return "TdtpExposedMetafile"; }

  bool OverrideBrush() const { return overrideBrush_; }
  bool OverridePen() const { return overridePen_; }
  // When different: store, render again, notify.
  void SetOverrideBrush(bool value);
  void SetOverridePen(bool value);
  // The shape's own brush and pen; a change renders the shape again and notifies.
  TBrush& Brush() { return *brush_; }
  TPen& Pen() { return *pen_; }
  // The brush's pattern picture, stored with the brush (none by default). The canvas fills with
  // the brush's colour and style; the pattern is kept so that it survives saving and loading.
  const TBmpImage* BrushBitmap() const { return brushBitmap_.get(); }
  void SetBrushBitmap(std::unique_ptr<TBmpImage> bitmap);
  TdtpResource& Resource() const { return *resource_; }

  // Plays the metafile into the shape's box, with the overriding pen and brush where set.
  // Nothing without a decodable metafile; never throws.
  void PaintCanvas(TCanvas& canvas) override;
  void SaveToXml(TXmlNode* node) override;
  void LoadFromXml(TXmlNode* node) override;

 private:
  void DecodeMetafile();
  void StyleChanged();
  void SetOverride(bool& field, bool value);

  bool loading_ = false;
  bool overrideBrush_ = false;
  bool overridePen_ = false;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBmpImage> brushBitmap_;
  std::unique_ptr<TdtpResource> resource_;
};

}  // namespace kivrano
