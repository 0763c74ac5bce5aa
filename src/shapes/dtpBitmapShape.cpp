#include "shapes/dtpBitmapShape.h"

#include <exception>

#include "engine/dtpCursors.h"
#include "raster/Bitmap32.h"
#include "raster/Resamplers.h"
#include "shapes/dtpPictureResource.h"
#include "storage/XmlDocuments.h"
#include "storage/dtpRasterFormatHck.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpRasterSurface.h"
#include "storage/dtpResource.h"

namespace kivrano {

TdtpBitmapShape::TdtpBitmapShape() : resource_(std::make_unique<TdtpResource>(this)) {
  RegisterHckFormat();
  SetInsertCursor(crDtpCrossImage);
  resource_->OnLoadFromFile = [this](TdtpResource*, const std::string& fileName) { LoadPictureFile(fileName); };
  resource_->OnCreateObject = [this](TdtpResource*) { DecodePicture(); };
  resource_->OnLoaded = [this](TdtpResource* resource) { SizeShapeToPicture<TBitmap32>(*this, *resource); };
}

TdtpBitmapShape::~TdtpBitmapShape() = default;

void TdtpBitmapShape::LoadPictureFile(const std::string& fileName) {
  TMapStream& bytes = resource_->Bytes();
  bytes.SetPosition(0);
  bytes.SetSize(0);
  if (RasterCapabilities(RasterFormatForFile(fileName)) & rcStreamLoad) {
    TFileStream file(fileName, fmOpenRead);
    bytes.CopyFrom(file, 0);
    resource_->SetExt(LowerCaseExtension(fileName));
    return;
  }
  try {
    TBitmap32 picture;
    TdtpImageFiler filer;
    filer.SetFileName(fileName);
    filer.LoadBitmap(&picture);
    WriteBytes(bytes, EncodeHck(ViewOf(picture)));
    resource_->SetExt(".hck");
  } catch (const std::exception&) {
    // A drawing that refers to a picture this system cannot decode (a JPEG 2000 file without its
    // library) still opens: the shape stays empty and keeps the reference. Inserting such a file
    // reports the failure.
    bytes.SetSize(0);
    if (!loadingXml_) throw;
  }
}

void TdtpBitmapShape::DecodePicture() {
  try {
    auto picture = std::make_unique<TBitmap32>();
    LoadRasterImage(resource_->Bytes(), resource_->Ext(), picture.get(), 0, TRequestedSize{0, 0});
    if (picture->Empty()) throw ERasterError("Bitmap is empty");
    resource_->SetObject(MakeResourceObject(std::move(picture)));
  } catch (const std::exception&) {
    // A picture that cannot be decoded shows nothing; the shape and the document stay usable.
    resource_->SetObject(nullptr);
  }
}

void TdtpBitmapShape::PaintBitmap(TBitmap32& bitmap) {
  if (!Document()) return;
  try {
    TResourceObjectLock lock(*resource_);
    const TBitmap32* picture = resource_->ObjectAs<TBitmap32>();
    if (!picture || picture->Empty() || bitmap.Empty()) return;
    StretchTransfer(bitmap, PictureRect(*this), *picture, TRect{0, 0, picture->Width(), picture->Height()},
                    GetStretchFilter(), dmOpaque, nullptr, 255);
    bitmap.Changed();
  } catch (const std::exception&) {
    // Painting never fails the view: a picture whose file is gone paints nothing.
  }
}

void TdtpBitmapShape::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffectShape::SaveToXml(node);
  resource_->SaveToXml(node->NewChild("Image"));
}

void TdtpBitmapShape::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffectShape::LoadFromXml(node);
  TFlagScope loading(loadingXml_);
  resource_->LoadFromXml(node->FindChild("Image"));
}

}  // namespace kivrano
