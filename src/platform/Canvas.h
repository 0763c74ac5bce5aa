#pragma once

// TCanvas: a software device context over a TBitmap32. It draws aliased, with the conventions of
// the old toolkit's device contexts: rectangles and ellipses exclude their right and bottom
// edges, LineTo excludes its end point, styled pens are one pixel wide, wider pens are solid
// with round ends, a solid brush makes the gaps of styled lines and the cells of text opaque.
//
// Every pixel the pen, the brush or the text paints keeps its colour and gets alpha 0 (callers
// turn alpha 0 into "painted by the canvas"); the self-inverse pen modes (not, xor, not-xor)
// change only the colour bytes, so drawing the same figure twice restores the surface exactly.
// Draw and StretchDraw copy pixels, alpha included.

#include <string>
#include <string_view>
#include <vector>

#include "base/Types.h"
#include "platform/Font.h"
#include "platform/PenBrush.h"

namespace kivrano {

class TBitmap32;
class TCoverageMask;

class TCanvas {
 public:
  explicit TCanvas(TBitmap32& target);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBitmap32& Target() const { return FTarget; }
  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  TFont& Font() { return FFont; }
  void SetFont(const TFont& font) { FFont.Assign(font); }

  // The rectangle painting is limited to, always within the surface.
  TRect ClipRect() const;
  void SetClipRect(const TRect& rect);
  void ResetClipRect();

  TPoint PenPos() const { return FPenPos; }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  // Filled with the brush (alternate rule), outlined with the pen.
  void Polygon(const std::vector<TPoint>& points);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Brush only, pen mode ignored.
  void FillRect(const TRect& r);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& r);

  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  // One line of text with its cell's top-left at (x, y); the pen moves to its end.
  void TextOut(int x, int y, std::string_view text);
  // One line of text at (x, y), clipped to the rectangle (filled first with a solid brush).
  void TextRect(const TRect& rect, int x, int y, std::string_view text);
  // Formatted text (tf* flags); returns the rectangle the text needs (with tfCalcRect nothing
  // is drawn).
  TRect TextRect(const TRect& rect, std::string_view text, unsigned flags);
  TSize TextExtent(std::string_view text) { return FFont.TextExtent(text); }
  int TextWidth(std::string_view text) { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) { return TextExtent(text).cy; }

  // Copies the source 1:1 with its top-left at (x, y).
  void Draw(int x, int y, const TBitmap32& source);
  // Resamples the whole source into the rectangle (area average when shrinking, bilinear when
  // enlarging); a rectangle with right < left or bottom < top mirrors the image.
  void StretchDraw(const TRect& rect, const TBitmap32& source);

 private:
  struct TPaint;

  int PenWidth() const;
  TPaint PenPaint() const;
  TPaint BrushPaint(TPenMode mode) const;
  void PaintPixel(int x, int y, const TPaint& paint);
  void PaintSpan(int y, int x1, int x2, const TPaint& paint);
  void PaintBox(const TRect& r, const TPaint& paint);
  void PaintMask(const TCoverageMask& mask, const TPaint& paint);
  void CosmeticLine(int x1, int y1, int x2, int y2);
  void WideSegment(TCoverageMask& mask, int x1, int y1, int x2, int y2) const;
  void Outline(const std::vector<TPoint>& points, bool closed);
  void PaintText(const TTextLayout& layout, bool opaqueCells, const TRect* opaqueRect);
  void Changed();

  TBitmap32& FTarget;
  TPen FPen;
  TBrush FBrush;
  TFont FFont;
  TPoint FPenPos;
  TRect FClip;
  bool FHasClip = false;
  int FStylePos = 0;  // position in the pen's dash pattern, kept along connected lines
};

}  // namespace kivrano
