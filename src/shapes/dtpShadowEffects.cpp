#include "shapes/dtpShadowEffects.h"

#include <algorithm>

#include "engine/dtpDocument.h"
#include "engine/dtpGeometry.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpShapeXml.h"

namespace kivrano {

void TdtpShadowEffect::Store(float& field, float value) {
  field = value;
  Changed();
}

void TdtpShadowEffect::SetDeltaX(float value) { Store(deltaX_, value); }
void TdtpShadowEffect::SetDeltaY(float value) { Store(deltaY_, value); }
void TdtpShadowEffect::SetBlur(float value) { Store(blur_, value); }
void TdtpShadowEffect::SetIntensity(float value) { Store(intensity_, value); }

void TdtpShadowEffect::SetColor(TColor value) {
  color_ = value;
  Changed();
}

void TdtpShadowEffect::Apply(TBitmap32& image) {
  if (image.Empty()) return;
  const float d = Shape() ? Shape()->GetRenderDpm() : kDefaultDpm;
  TBitmap32 shadow;
  shadow.Assign(image);
  shadow.AlphaToLevels(intensity_);
  shadow.OffsetPixels(RoundToInt(d * deltaX_), RoundToInt(d * deltaY_));
  shadow.BlurLevels(d * blur_);
  shadow.LevelsToColor(ToColor32(color_));
  image.MergeWith(shadow, 255);
}

void TdtpShadowEffect::AdjustCurbs(float& left, float& top, float& right, float& bottom) const {
  const float spread = 1.5f * blur_;
  left += std::max(spread - deltaX_, 0.0f);
  top += std::max(spread - deltaY_, 0.0f);
  right += std::max(spread + deltaX_, 0.0f);
  bottom += std::max(spread + deltaY_, 0.0f);
}

void TdtpShadowEffect::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffect::SaveToXml(node);
  WriteXmlFloat(*node, "DeltaX", deltaX_, 0);
  WriteXmlFloat(*node, "DeltaY", deltaY_, 0);
  WriteXmlFloat(*node, "Intensity", intensity_, 0);
  WriteXmlFloat(*node, "Blur", blur_, 0);
  node->PutColor("Color", color_, 0);
}

void TdtpShadowEffect::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffect::LoadFromXml(node);
  deltaX_ = ReadXmlFloat(*node, "DeltaX", 0);
  deltaY_ = ReadXmlFloat(*node, "DeltaY", 0);
  intensity_ = ReadXmlFloat(*node, "Intensity", 0);
  blur_ = ReadXmlFloat(*node, "Blur", 0);
  color_ = node->GetColor("Color", 0);
}

}  // namespace kivrano
