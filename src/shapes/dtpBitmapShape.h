#pragma once

// A raster picture on the page. The encoded picture lives in the shape's resource (embedded in
// the drawing or referenced as a file) and is decoded on demand into a TBitmap32 through the
// raster format registry, chosen by the resource's extension. The decoded picture stays with the
// resource between paints until the shape frees its caches.

#include <memory>
#include <string>

#include "shapes/dtpEffectShape.h"

namespace kivrano {

class TBitmap32;
class TdtpResource;
class TXmlNode;

class TdtpBitmapShape : public TdtpEffectShape {
 public:
  TdtpBitmapShape();
  ~TdtpBitmapShape() override;

  std::string ClassName() const override { return "TdtpBitmapShape"; }

  // The owned resource; the application sets its storage and loads a picture file into it.
  TdtpResource& Resource() const { return *resource_; }

  // Draws the whole picture into the shape's box with the document's stretch filter, copying its
  // alpha. Nothing without a document or without a decodable picture; never throws.
  void PaintBitmap(TBitmap32& bitmap) override;
  // The effect shape's elements, then the resource in a child "Image".
  void SaveToXml(TXmlNode* node) override;
  void LoadFromXml(TXmlNode* node) override;

 private:
  // The resource's notifications: a picture file into the resource's bytes (its own bytes for
  // formats that read from streams, else the decoded picture in the ".hck" form), the bytes into
  // a TBitmap32, and sizing from the picture.
  void LoadPictureFile(const std::string& fileName);
  void DecodePicture();

  std::unique_ptr<TdtpResource> resource_;
  bool loadingXml_ = false;
};

}  // namespace kivrano
