#include "shapes/dtpExposedMetafile.h"

#include <exception>
#include <vector>

#include "engine/dtpCursors.h"
#include "platform/BmpCodec.h"
#include "platform/Canvas.h"
#include "platform/EnhancedMetafile.h"
#include "shapes/dtpPictureResource.h"
#include "storage/XmlBitmaps.h"
#include "storage/XmlDocuments.h"
#include "storage/dtpResource.h"

namespace kivrano {

TdtpExposedMetafile::TdtpExposedMetafile()
    : brush_(std::make_unique<TBrush>()), pen_(std::make_unique<TPen>()),
      resource_(std::make_unique<TdtpResource>(this)) {
  SetInsertCursor(crDtpCrossImage);
  brush_->OnChange = [this](TBrush&) { StyleChanged(); };
  pen_->OnChange = [this](TPen&) { StyleChanged(); };
  resource_->OnCreateObject = [this](TdtpResource*) { DecodeMetafile(); };
  resource_->OnLoaded = [this](TdtpResource* resource) { SizeShapeToPicture<TEnhancedMetafile>(*this, *resource); };
}

TdtpExposedMetafile::~TdtpExposedMetafile() = default;

void TdtpExposedMetafile::StyleChanged() {
  if (loading_) return;
  Refresh();
  Changed();
}

void TdtpExposedMetafile::SetOverride(bool& field, bool value) {
  if (field == value) return;
  field = value;
  StyleChanged();
}

void TdtpExposedMetafile::SetOverrideBrush(bool value) { SetOverride(overrideBrush_, value); }
void TdtpExposedMetafile::SetOverridePen(bool value) { SetOverride(overridePen_, value); }

void TdtpExposedMetafile::SetBrushBitmap(std::unique_ptr<TBmpImage> bitmap) {
  brushBitmap_ = std::move(bitmap);
  StyleChanged();
}

void TdtpExposedMetafile::DecodeMetafile() {
  try {
    TMapStream& bytes = resource_->Bytes();
    std::vector<uint8_t> data(static_cast<size_t>(bytes.Size()));
    bytes.SetPosition(0);
    if (!data.empty()) bytes.ReadBuffer(data.data(), static_cast<int32_t>(data.size()));
    resource_->SetObject(MakeResourceObject(std::make_unique<TEnhancedMetafile>(data.data(), data.size())));
  } catch (const std::exception&) {
    // A damaged metafile shows nothing.
    resource_->SetObject(nullptr);
  }
}

void TdtpExposedMetafile::PaintCanvas(TCanvas& canvas) {
  try {
    TResourceObjectLock lock(*resource_);
    const TEnhancedMetafile* metafile = resource_->ObjectAs<TEnhancedMetafile>();
    if (!metafile) return;
    metafile->Play(canvas, PictureRect(*this), overridePen_ ? pen_.get() : nullptr,
                   overrideBrush_ ? brush_.get() : nullptr);
  } catch (const std::exception&) {
    // Painting never fails the view: a metafile whose file is gone paints nothing.
  }
}

void TdtpExposedMetafile::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffectShape::SaveToXml(node);
  resource_->SaveToXml(node->NewChild("Image"));
  node->PutBool("OverridePen", overridePen_, false);
  if (overridePen_) node->PutPen("Pen", TXmlPenData{pen_->Color(), pen_->Mode(), pen_->Style(), pen_->Width()});
  node->PutBool("OverrideBrush", overrideBrush_, false);
  if (overrideBrush_) {
    node->PutBrush("Brush", TXmlBrushData{brush_->Color(), brush_->Style()});
    WriteBitmapNode(node, "BrushBitmap", brushBitmap_.get());
  }
}

void TdtpExposedMetafile::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffectShape::LoadFromXml(node);
  resource_->LoadFromXml(node->FindChild("Image"));
  if (resource_->IsEmpty() && node->FindChild("FileName")) resource_->LoadFromFile(node->GetString("FileName", ""));
  // The style is stored without notifications: loading is no edit.
  TFlagScope loading(loading_);
  SetOverridePen(node->GetBool("OverridePen", false));
  if (overridePen_) {
    const TXmlPenData pen = node->GetPen("Pen");
    pen_->SetColor(pen.Color);
    pen_->SetMode(pen.Mode);
    pen_->SetStyle(pen.Style);
    pen_->SetWidth(pen.Width);
  }
  SetOverrideBrush(node->GetBool("OverrideBrush", false));
  if (overrideBrush_) {
    const TXmlBrushData brush = node->GetBrush("Brush");
    brush_->SetColor(brush.Color);
    brush_->SetStyle(brush.Style);
    std::unique_ptr<TBmpImage> pattern;
    ReadBitmapNode(node, "BrushBitmap", pattern);
    if (pattern) SetBrushBitmap(std::move(pattern));
  }
}

}  // namespace kivrano
