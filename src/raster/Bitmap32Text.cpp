#include "raster/Bitmap32Text.h"

#include <algorithm>

#include "raster/Bitmap32.h"

namespace kivrano {

namespace {

TRect Overlap(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

// The surface that measures for surfaces without pixels.
TBitmap32& MeasuringSurface() {
  static TBitmap32* surface = [] {
    auto* s = new TBitmap32;  // lives for the whole process, like the platform's stock bitmap
    s->SetSize(8, 8);
    return s;
  }();
  return *surface;
}

}  // namespace

void DrawCoverage(TBitmap32& target, const TCoverageMask& mask, TColor32 color) {
  const TRect area = Overlap(mask.Area(), TRect{0, 0, target.Width(), target.Height()});
  const TColor32 rgb = color & 0x00FFFFFF;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint8_t* cov = mask.Row(y) + (area.Left - mask.Area().Left);
    TColor32* px = target.PixelPtr(area.Left, y);
    for (int x = area.Left; x < area.Right; ++x, ++cov, ++px) {
      if (*cov == 0) continue;
      *px = *cov == 255 ? rgb : Combine(rgb, *px, *cov) & 0x00FFFFFF;
    }
  }
}

void DrawTextLayout(TBitmap32& target, TScaledFont& font, const TTextLayout& layout, TColor32 color,
                    const TRect& clip) {
  const TRect area = Overlap(Overlap(font.InkBounds(layout), clip), TRect{0, 0, target.Width(), target.Height()});
  if (area.Width() <= 0 || area.Height() <= 0) return;
  TCoverageMask mask(area);
  font.Rasterize(layout, mask);
  DrawCoverage(target, mask, color);
}

void TBitmap32::SetFont(const TFont& font) { font_.Assign(font); }

TSize TBitmap32::TextExtent(std::string_view text) const {
  if (!Empty()) return font_.TextExtent(text);
  TBitmap32& stock = MeasuringSurface();
  stock.Lock();
  stock.SetFont(font_);
  const TSize size = stock.TextExtent(text);
  stock.Unlock();
  return size;
}

TRect TBitmap32::TextOut(const TRect& rect, unsigned flags, std::string_view text) {
  TScaledFont& font = font_.Scaled();
  const TTextLayout layout = font.Layout(text, rect, flags);
  if (Empty() || (flags & tfCalcRect)) return layout.CalcRect;
  const TRect bounds{0, 0, Width(), Height()};
  DrawTextLayout(*this, font, layout, ToColor32(font_.Color()), layout.Clipped ? layout.Clip : bounds);
  Changed();
  return layout.CalcRect;
}

}  // namespace kivrano
