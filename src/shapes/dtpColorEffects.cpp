#include "shapes/dtpColorEffects.h"

#include <cmath>

#include "raster/Bitmap32.h"
#include "shapes/dtpShapeXml.h"

namespace kivrano {

namespace {

// Entry i = i, built once.
const TColorTable& IdentityTable() {
  static const TColorTable table = [] {
    TColorTable t{};
    for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<uint8_t>(i);
    return t;
  }();
  return table;
}

// v in 0..1; what is no number counts as 0.
float Clamp01(float v) {
  if (!(v > 0.0f)) return 0.0f;
  return v < 1.0f ? v : 1.0f;
}

// Brings a hue into 0..1 as repeated steps of one turn would: values above 1 go down until they are
// at most 1, negative ones up until they are at least 0 (in one step, so that huge turns end).
float WrapHue(float h) {
  if (h > 1.0f) return h - std::ceil(h - 1.0f);
  if (h < 0.0f) return h + std::ceil(-h);
  return h;
}

// Visits every pixel whose alpha is not 0.
template <typename Visit>
void ForEachVisiblePixel(TBitmap32& image, Visit visit) {
  if (image.Empty()) return;
  const size_t count = static_cast<size_t>(image.Width()) * static_cast<size_t>(image.Height());
  TColor32* pixels = image.Bits();
  for (size_t i = 0; i < count; ++i) {
    if ((pixels[i] >> 24) != 0) visit(pixels[i]);
  }
  image.Changed();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Colour tables

TdtpColorLUTEffect::TdtpColorLUTEffect() : red_(IdentityTable()), green_(IdentityTable()), blue_(IdentityTable()) {}

void TdtpColorLUTEffect::Apply(TBitmap32& image) {
  ForEachVisiblePixel(image, [this](TColor32& p) {
    p = (p & 0xFF000000u) | (TColor32{red_[RedOf(p)]} << 16) | (TColor32{green_[GreenOf(p)]} << 8) |
        TColor32{blue_[BlueOf(p)]};
  });
}

void TdtpBrightContrEffect::SetBrightness(float value) {
  brightness_ = value;
  Update();
  Changed();
}

void TdtpBrightContrEffect::SetContrast(float value) {
  contrast_ = value;
  Update();
  Changed();
}

void TdtpBrightContrEffect::Update() {
  TColorTable table{};
  for (int i = 0; i < 256; ++i) {
    const float v = std::nearbyint(static_cast<float>(i - 127) * contrast_ + 127.0f + brightness_);
    table[static_cast<size_t>(i)] = !(v > 0.0f) ? 0 : (v >= 255.0f ? 255 : static_cast<uint8_t>(v));
  }
  RedTable() = table;
  GreenTable() = table;
  BlueTable() = table;
}

void TdtpBrightContrEffect::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpColorLUTEffect::SaveToXml(node);
  WriteXmlFloat(*node, "Brightness", brightness_, 0);
  WriteXmlFloat(*node, "Contrast", contrast_, 0);
}

void TdtpBrightContrEffect::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpColorLUTEffect::LoadFromXml(node);
  brightness_ = ReadXmlFloat(*node, "Brightness", 0);
  contrast_ = ReadXmlFloat(*node, "Contrast", 0);
}

// ---------------------------------------------------------------------------------------------
// Colour functions

void TdtpColorFunctionEffect::Apply(TBitmap32& image) {
  ForEachVisiblePixel(image, [this](TColor32& p) { ProcessPixel(p); });
}

void TdtpHSLAdjustEffect::SetHue(float value) {
  hue_ = value;
  Changed();
}

void TdtpHSLAdjustEffect::SetLightness(float value) {
  lightness_ = value;
  Changed();
}

void TdtpHSLAdjustEffect::SetSaturation(float value) {
  saturation_ = value;
  Changed();
}

void TdtpHSLAdjustEffect::ProcessPixel(TColor32& pixel) const {
  float h = 0, s = 0, l = 0;
  RGBToHSL(pixel, h, s, l);
  h = WrapHue(h + hue_);
  if (!(h >= 0.0f && h <= 1.0f)) h = 0.0f;  // no number: no turn to speak of
  s = Clamp01(s + saturation_);
  l = Clamp01(l + lightness_);
  pixel = SetAlpha(HSLToRGB(h, s, l), AlphaOf(pixel));
}

void TdtpHSLAdjustEffect::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpColorFunctionEffect::SaveToXml(node);
  WriteXmlFloat(*node, "Hue", hue_, 0);
  WriteXmlFloat(*node, "Saturation", saturation_, 0);
  WriteXmlFloat(*node, "Lightness", lightness_, 0);
}

void TdtpHSLAdjustEffect::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpColorFunctionEffect::LoadFromXml(node);
  hue_ = ReadXmlFloat(*node, "Hue", 0);
  saturation_ = ReadXmlFloat(*node, "Saturation", 0);
  lightness_ = ReadXmlFloat(*node, "Lightness", 0);
}

}  // namespace kivrano
