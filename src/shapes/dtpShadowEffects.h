#pragma once

// The drop shadow: the shape's alpha, offset, blurred and coloured, laid under the shape.

#include <string>

#include "base/Types.h"
#include "shapes/dtpEffectShape.h"

namespace kivrano {

class TdtpShadowEffect : public TdtpEffect {
 public:
  std::string ClassName() const override { return "TdtpShadowEffect"; }

  // Offset to the right and down, and blur window, in millimetres.
  float DeltaX() const { return deltaX_; }
  float DeltaY() const { return deltaY_; }
  float Blur() const { return blur_; }
  // Opacity factor of the shadow against the shape's alpha.
  float Intensity() const { return intensity_; }
  TColor Color() const { return color_; }
  // Store and render the shape again.
  void SetDeltaX(float value);
  void SetDeltaY(float value);
  void SetBlur(float value);
  void SetIntensity(float value);
  void SetColor(TColor value);

  void Apply(TBitmap32& image) override;
  // Widens the margins on each side by what the blur and the offset carry beyond the shape.
  void AdjustCurbs(float& left, float& top, float& right, float& bottom) const override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 private:
  void Store(float& field, float value);

  float deltaX_ = 2.0f;
  float deltaY_ = 1.0f;
  float intensity_ = 0.7f;
  float blur_ = 1.5f;
  TColor color_ = 0;
};

}  // namespace kivrano
