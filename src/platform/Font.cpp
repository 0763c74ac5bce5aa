#include "platform/Font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kivrano {

TFont::TFont() = default;

TFont::TFont(const TFont& other)
    : FName(other.FName),
      FHeight(other.FHeight),
      FStyle(other.FStyle),
      FColor(other.FColor),
      FPixelsPerInch(other.FPixelsPerInch),
      FScaled(other.FScaled) {}

TFont& TFont::operator=(const TFont& other) {
  Assign(other);
  return *this;
}

TFont::~TFont() = default;

void TFont::Changed() {
  FScaled.reset();
  if (OnChange) OnChange(*this);
}

template <typename T>
void TFont::Set(T& field, const T& value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TFont::SetName(const std::string& name) { Set(FName, name); }

void TFont::SetHeight(int height) { Set(FHeight, height); }

int TFont::Size() const {
  return static_cast<int>(std::nearbyint(std::abs(static_cast<double>(FHeight)) * 72.0 / FPixelsPerInch));
}

namespace {

int HeightOfPoints(double points, int ppi) {
  const double height = std::nearbyint(points * ppi / 72.0);
  return static_cast<int>(std::clamp(height, -2147483647.0, 2147483647.0));
}

}  // namespace

void TFont::SetSize(int points) { SetHeight(HeightOfPoints(points, FPixelsPerInch)); }

void TFont::SetStyle(TFontStyles style) { Set(FStyle, style); }

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  if (OnChange) OnChange(*this);  // the colour does not change the glyphs
}

void TFont::SetPixelsPerInch(int ppi) { Set(FPixelsPerInch, std::max(1, ppi)); }

void TFont::Assign(const TFont& source) {
  if (&source == this) return;
  const int height = source.FPixelsPerInch == FPixelsPerInch
                         ? source.FHeight
                         : HeightOfPoints(source.Size(), FPixelsPerInch);
  if (source.FName == FName && height == FHeight && source.FStyle == FStyle && source.FColor == FColor) return;
  FName = source.FName;
  FHeight = height;
  FStyle = source.FStyle;
  FColor = source.FColor;
  Changed();
}

TFontRequest TFont::Request() const {
  TFontRequest r;
  r.Family = FName;
  r.Height = FHeight;
  r.Bold = FStyle.Contains(fsBold);
  r.Italic = FStyle.Contains(fsItalic);
  r.Underline = FStyle.Contains(fsUnderline);
  r.StrikeOut = FStyle.Contains(fsStrikeOut);
  return r;
}

TScaledFont& TFont::Scaled() const {
  if (!FScaled) FScaled = TFontEngine::Instance().Acquire(Request());
  return *FScaled;
}

}  // namespace kivrano
