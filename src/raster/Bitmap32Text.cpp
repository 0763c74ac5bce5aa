#include "raster/Bitmap32Text.h"

#include <algorithm>
#include <cstring>

#include "raster/Bitmap32.h"

namespace kivrano {

namespace {

// The surface that measures for surfaces without pixels.
TBitmap32& MeasuringSurface() {
  static TBitmap32* surface = [] {
    auto* s = new TBitmap32;  // lives for the whole process, like the platform's stock bitmap
    s->SetSize(8, 8);
    return s;
  }();
  return *surface;
}


// Blends count pixels. Branch-free so that the compiler vectorises it: weight w in 0..256, so
// full coverage stores the colour exactly and none leaves the pixel as it was, alpha included.
inline void BlendCoverageRun(const uint8_t* cov, TColor32* px, int count, uint32_t srcRB, uint32_t srcG) {
  for (int x = 0; x < count; ++x) {
    const uint32_t c = cov[x];
    const uint32_t w = c + (c >> 7);
    const uint32_t d = px[x];
    const uint32_t rb = ((srcRB * w + (d & 0x00FF00FF) * (256 - w)) >> 8) & 0x00FF00FF;
    const uint32_t g = ((srcG * w + (d & 0x0000FF00) * (256 - w)) >> 8) & 0x0000FF00;
    const uint32_t keepAlpha = c == 0 ? 0xFF000000u : 0u;
    px[x] = rb | g | (d & keepAlpha);
  }
}

}  // namespace

void DrawCoverage(TBitmap32& target, const TCoverageMask& mask, TColor32 color) {
  const TRect area = Overlap(mask.Area(), TRect{0, 0, target.Width(), target.Height()});
  const uint32_t srcRB = color & 0x00FF00FF;
  const uint32_t srcG = color & 0x0000FF00;
  const int width = area.Width();
  constexpr int kBlock = 16;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint8_t* cov = mask.Row(y) + (area.Left - mask.Area().Left);
    TColor32* px = target.PixelPtr(area.Left, y);
    int x = 0;
    // Text leaves much of its box untouched: blocks without coverage are skipped whole.
    for (; x + kBlock <= width; x += kBlock) {
      uint64_t halves[2];
      std::memcpy(halves, cov + x, sizeof halves);
      if ((halves[0] | halves[1]) != 0) BlendCoverageRun(cov + x, px + x, kBlock, srcRB, srcG);
    }
    BlendCoverageRun(cov + x, px + x, width - x, srcRB, srcG);
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
