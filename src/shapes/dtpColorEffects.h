#pragma once

// Effects that change the colour of every visible pixel: through per-channel tables (brightness and
// contrast) or through a per-pixel function (hue, saturation and lightness).

#include <array>
#include <cstdint>
#include <string>

#include "raster/Color32.h"
#include "shapes/dtpEffectShape.h"

namespace kivrano {

using TColorTable = std::array<uint8_t, 256>;

// Replaces red, green and blue of every pixel with alpha above 0 through three tables (identity at
// first); alpha stays.
class TdtpColorLUTEffect : public TdtpEffect {
 public:
  TdtpColorLUTEffect();
  std::string ClassName() const override { return "TdtpColorLUTEffect"; }

  TColorTable& RedTable() { return red_; }
  TColorTable& GreenTable() { return green_; }
  TColorTable& BlueTable() { return blue_; }
  const TColorTable& RedTable() const { return red_; }
  const TColorTable& GreenTable() const { return green_; }
  const TColorTable& BlueTable() const { return blue_; }

  void Apply(TBitmap32& image) override;

 private:
  TColorTable red_;
  TColorTable green_;
  TColorTable blue_;
};

// One table for all three channels: v = round((i - 127) * Contrast + 127 + Brightness), clamped.
// Brightness is in channel units, Contrast a factor (1 keeps the image).
class TdtpBrightContrEffect : public TdtpColorLUTEffect {
 public:
  std::string ClassName() const override { return "TdtpBrightContrEffect"; }
  std::string GetDisplayName() const override { return "Brightness/Contrast"; }

  float Brightness() const { return brightness_; }
  float Contrast() const { return contrast_; }
  // Store, rebuild the tables and render the shape again.
  void SetBrightness(float value);
  void SetContrast(float value);

  void Update() override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 private:
  float brightness_ = 0;
  float contrast_ = 1.0f;
};

// Calls ProcessPixel on every pixel with alpha above 0; the base function changes nothing.
class TdtpColorFunctionEffect : public TdtpEffect {
 public:
  std::string ClassName() const override { return "TdtpColorFunctionEffect"; }
  void Apply(TBitmap32& image) override;
  virtual void ProcessPixel(TColor32& /*pixel*/) const {}
};

// Turns the hue and shifts saturation and lightness, each a fraction of the full range; the
// pixel's alpha stays.
class TdtpHSLAdjustEffect : public TdtpColorFunctionEffect {
 public:
  std::string ClassName() const override { return "TdtpHSLAdjustEffect"; }
  std::string GetDisplayName() const override { return "HSL Adjustment"; }

  float Hue() const { return hue_; }
  float Lightness() const { return lightness_; }
  float Saturation() const { return saturation_; }
  // Store and render the shape again.
  void SetHue(float value);
  void SetLightness(float value);
  void SetSaturation(float value);

  void ProcessPixel(TColor32& pixel) const override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 private:
  float hue_ = 0;
  float lightness_ = 0;
  float saturation_ = 0;
};

}  // namespace kivrano
