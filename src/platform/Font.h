#pragma once

// TFont: the font object of surfaces, canvases and text shapes, backed by the font engine.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "base/Types.h"
#include "platform/FontEngine.h"

namespace kivrano {

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

// A set of font styles.
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> styles) {
    for (TFontStyle s : styles) FBits = static_cast<uint8_t>(FBits | Bit(s));
  }
  constexpr bool Contains(TFontStyle s) const { return (FBits & Bit(s)) != 0; }
  constexpr TFontStyles& Include(TFontStyle s) {
    FBits = static_cast<uint8_t>(FBits | Bit(s));
    return *this;
  }
  constexpr TFontStyles& Exclude(TFontStyle s) {
    FBits = static_cast<uint8_t>(FBits & ~Bit(s));
    return *this;
  }
  constexpr bool IsEmpty() const { return FBits == 0; }
  friend constexpr bool operator==(TFontStyles, TFontStyles) = default;

 private:
  static constexpr uint8_t Bit(TFontStyle s) { return static_cast<uint8_t>(1u << s); }
  uint8_t FBits = 0;
};

class TFont {
 public:
  TFont();
  // Copies the properties; the copy has no change handler of its own.
  TFont(const TFont& other);
  // Same as Assign.
  TFont& operator=(const TFont& other);
  ~TFont();

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);

  // Height in pixels at PixelsPerInch: positive is the cell height (ascent plus descent),
  // negative the character height, as the platform's fonts measure it.
  int Height() const { return FHeight; }
  void SetHeight(int height);

  // Size in points: round(|Height| * 72 / PixelsPerInch). Setting it makes the cell height
  // round(points * PixelsPerInch / 72) pixels.
  int Size() const;
  void SetSize(int points);

  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);

  // Resolution the height is counted in; changing it keeps the height in pixels.
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int ppi);

  // Takes over name, style and colour; the height when both resolutions agree, otherwise the
  // size in points (so a 14400-per-inch font handed to a 96-per-inch surface keeps its points).
  void Assign(const TFont& source);

  // The engine's font for the current properties (created on first use, cached until a change).
  TScaledFont& Scaled() const;
  TFontRequest Request() const;

  TSize TextExtent(std::string_view text) const { return Scaled().TextExtent(text); }
  int TextWidth(std::string_view text) const { return TextExtent(text).cx; }

  // Fired after any property changed.
  std::function<void(TFont&)> OnChange;

 private:
  template <typename T>
  void Set(T& field, const T& value);
  void Changed();

  std::string FName = "Arial";
  int FHeight = 13;  // 10 points at 96 pixels per inch
  TFontStyles FStyle;
  TColor FColor = clBlack;
  int FPixelsPerInch = 96;
  mutable std::shared_ptr<TScaledFont> FScaled;
};

}  // namespace kivrano
