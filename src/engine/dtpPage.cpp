#include "engine/dtpPage.h"

#include <cmath>

#include "engine/dtpDocument.h"
#include "raster/Bitmap32.h"

namespace kivrano {

TdtpPage::TdtpPage() {
  TdtpPage::SetDefaults();
  SetCurbs(0, 0, 1, 1);  // room for the drop shadow
}

TdtpPage::~TdtpPage() = default;

void TdtpPage::SetDefaults() {
  TdtpShape::SetDefaults();
  isDefaultPage_ = true;
  loaded_ = true;
  pageColor_ = clWhite;
  gridColor_ = clLightCyan;
  gridSize_ = 5;
  marginLeft_ = marginTop_ = marginRight_ = marginBottom_ = 10;
  SetDocWidth(210);
  SetDocHeight(297);
  SetSmartHitTest(false);
}

template <typename T>
void TdtpPage::SetOwn(T& field, T value) {
  if (field == value) return;
  field = value;
  Invalidate();
  Changed();
}

void TdtpPage::SetIsDefaultPage(bool v) { SetOwn(isDefaultPage_, v); }
void TdtpPage::SetPageColor(TColor v) { SetOwn(pageColor_, v); }
void TdtpPage::SetMarginLeft(float v) { SetOwn(marginLeft_, v); }
void TdtpPage::SetMarginTop(float v) { SetOwn(marginTop_, v); }
void TdtpPage::SetMarginRight(float v) { SetOwn(marginRight_, v); }
void TdtpPage::SetMarginBottom(float v) { SetOwn(marginBottom_, v); }
void TdtpPage::SetGridSize(float v) { SetOwn(gridSize_, v); }
void TdtpPage::SetGridColor(TColor v) { SetOwn(gridColor_, v); }
void TdtpPage::SetBackgroundTiled(bool v) { SetOwn(backgroundTiled_, v); }

// Every effective getter loads a lazily opened page first, then reads the document's defaults for a
// default page and the page's own value otherwise.
#define KIVRANO_EFFECTIVE(Type, Getter, own, Default)             \
  Type TdtpPage::Getter() const {                                 \
    EnsureLoaded();                                               \
    if (isDefaultPage_ && Document()) return Document()->Default(); \
    return own;                                                   \
  }
KIVRANO_EFFECTIVE(TColor, PageColor, pageColor_, DefaultPageColor)
KIVRANO_EFFECTIVE(float, MarginLeft, marginLeft_, DefaultMarginLeft)
KIVRANO_EFFECTIVE(float, MarginTop, marginTop_, DefaultMarginTop)
KIVRANO_EFFECTIVE(float, MarginRight, marginRight_, DefaultMarginRight)
KIVRANO_EFFECTIVE(float, MarginBottom, marginBottom_, DefaultMarginBottom)
KIVRANO_EFFECTIVE(float, GridSize, gridSize_, DefaultGridSize)
KIVRANO_EFFECTIVE(TColor, GridColor, gridColor_, DefaultGridColor)
KIVRANO_EFFECTIVE(bool, BackgroundTiled, backgroundTiled_, DefaultBackgroundTiled)
#undef KIVRANO_EFFECTIVE

TBitmap32* TdtpPage::BackgroundImage() const {
  EnsureLoaded();
  if (isDefaultPage_ && Document()) return Document()->DefaultBackgroundImage();
  return backgroundImage_.get();
}

void TdtpPage::SetBackgroundImage(const TBitmap32* picture) {
  if (picture) {
    if (!backgroundImage_) backgroundImage_ = std::make_unique<TBitmap32>();
    backgroundImage_->Assign(picture);
  } else {
    backgroundImage_.reset();
  }
  Invalidate();
  Changed();
}

void TdtpPage::SetThumbnail(const TBmpImage* picture) {
  thumbnail_ = picture ? std::make_unique<TBmpImage>(*picture) : nullptr;
  thumbnailDirty_ = false;
}

int TdtpPage::PageIndex() const { return Document() ? Document()->IndexOfPage(this) : -1; }

void TdtpPage::SetPageOffset(float left, float top) { StoreBounds(left, top, DocWidth(), DocHeight()); }

void TdtpPage::EnsureLoaded() const {
  if (loaded_ || !Document()) return;
  const int index = PageIndex();
  if (index >= 0) Document()->LoadPage(index);
}

TFloatPoint TdtpPage::SnapPoint(TFloatPoint p) const {
  const float g = GridSize();
  if (!(g > 0)) return p;
  return TFloatPoint{std::nearbyint(p.X / g) * g, std::nearbyint(p.Y / g) * g};
}

TColor32 TdtpPage::GetBackColor() const {
  return ToColor32(PageColor());
}

std::string TdtpPage::GetDisplayName() const {
  if (!Name().empty()) return Name();
  return "Page " + std::to_string(PageIndex() + 1);
}

void TdtpPage::SetModified(bool value) {
  TdtpShape::SetModified(value);
  if (value) thumbnailDirty_ = true;
}

void TdtpPage::SetBoundsAndAngle(float left, float top, float width, float height, float angle) {
  TdtpShape::SetBoundsAndAngle(left, top, width, height, angle);
  TdtpDocument* document = Document();
  if (document && document->CurrentPage() == this && !document->IsPrinting()) document->UpdateExtent();
}

}  // namespace kivrano
