#pragma once

// Pens and brushes of the software canvas, with the toolkit's enumerations and ordinals (which
// the XML pen and brush values store).

#include <functional>

#include "base/GraphicStyles.h"
#include "base/Types.h"

namespace kivrano {

// Change notification shared by pens and brushes: setters store through Set, which fires
// OnChange only when the value really changes.
template <typename TSelf>
class TGraphicsObject {
 public:
  std::function<void(TSelf&)> OnChange;

 protected:
  template <typename T>
  void Set(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  void Changed() {
    if (OnChange) OnChange(static_cast<TSelf&>(*this));
  }
};

class TPen : public TGraphicsObject<TPen> {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color) { Set(FColor, color); }
  // Width in pixels; 0 and 1 draw one-pixel (styled) lines, wider pens are solid with round ends.
  int Width() const { return FWidth; }
  void SetWidth(int width) { Set(FWidth, width < 0 ? 0 : width); }
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style) { Set(FStyle, style); }
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode mode) { Set(FMode, mode); }
  void Assign(const TPen& source) {
    FColor = source.FColor, FWidth = source.FWidth, FStyle = source.FStyle, FMode = source.FMode;
    Changed();
  }

 private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject<TBrush> {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color) { Set(FColor, color); }
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style) { Set(FStyle, style); }
  void Assign(const TBrush& source) {
    FColor = source.FColor, FStyle = source.FStyle;
    Changed();
  }

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

}  // namespace kivrano
