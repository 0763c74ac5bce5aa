// Painting of the paper: fill or pattern, the document's background and foreground drawing, grid
// lines or dots, the margin frame, and the border and shadow of a page lying on the desk.

#include <algorithm>
#include <cmath>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "raster/Bitmap32.h"

namespace kivrano {

namespace {

constexpr TColor32 kPatternGrey = 0xFFB0B0B0;  // red, green and blue 176
constexpr int kPatternSquare = 8;

// The k range (1 ... last) of lines at k * stepPixels + origin that can fall inside [0, extent).
void VisibleRange(float origin, float stepPixels, int last, int extent, int& first, int& end) {
  first = 1;
  end = last;
  if (!(stepPixels > 0)) return;
  const double lower = std::floor(-static_cast<double>(origin) / stepPixels);
  if (lower > first) first = lower > 2e9 ? end + 1 : static_cast<int>(lower);
  const double upper = std::ceil((static_cast<double>(extent) - origin) / stepPixels) + 1;
  if (upper < end) end = upper < 0 ? 0 : static_cast<int>(upper);
}

}  // namespace

TRect TdtpPage::PaintRect() const { return TRect{PaintLeft(), PaintTop(), PaintRight(), PaintBottom()}; }

void TdtpPage::PaintBitmap(TBitmap32& bitmap) {
  TdtpDocument* document = Document();
  const bool direct = document && document->DirectPainting();
  const TdtpHelperMethodtype helper = document ? document->HelperMethod() : hmNone;
  const TRect r = PaintRect();
  if (!direct && helper == hmPattern) {
    PaintPattern(bitmap, r);
  } else {
    bitmap.FillRectClipped(r.Left, r.Top, r.Right, r.Bottom, GetBackColor());
  }
  PaintHandler(bitmap, false);
  if (direct || !document) return;
  const float g = GridSize();
  if (g > 0 && (helper == hmGrid || helper == hmDots)) PaintGrid(bitmap, g, helper == hmDots);
  if (document->ShowMargins()) PaintMarginFrame(bitmap);
  if (!Parent() && document->ViewStyle() == vsPrintLayout) PaintBorderAndShadow(bitmap, r);
}

void TdtpPage::PaintOverlay(TBitmap32& bitmap) { PaintHandler(bitmap, true); }

void TdtpPage::PaintHandler(TBitmap32& bitmap, bool foreground) {
  TdtpDocument* document = Document();
  if (!document) return;
  const auto& handler = foreground ? document->OnPaintForeground : document->OnPaintBackground;
  if (!handler) return;
  // The canvas paints with alpha 0: inverted around the handler, what it drew ends up opaque.
  TCanvas canvas(bitmap);
  bitmap.InvertAlpha();
  handler(document, canvas, PaintRect());
  bitmap.InvertAlpha();
}

void TdtpPage::PaintPattern(TBitmap32& bitmap, const TRect& r) const {
  const int left = std::max(r.Left, 0);
  const int top = std::max(r.Top, 0);
  const int right = std::min(r.Right, bitmap.Width());
  const int bottom = std::min(r.Bottom, bitmap.Height());
  for (int y = top; y < bottom; ++y) {
    TColor32* row = bitmap.ScanLine(y);
    const int rowSquare = (y - r.Top) / kPatternSquare;
    for (int x = left; x < right; ++x) {
      const bool grey = ((x - r.Left) / kPatternSquare + rowSquare) % 2 == 0;
      row[x] = grey ? kPatternGrey : clWhite32;
    }
  }
}

void TdtpPage::PaintGrid(TBitmap32& bitmap, float g, bool dots) {
  const TColor32 color = ToColor32(GridColor());
  const TRect r = PaintRect();
  const TFloatPoint origin = LocalToPaint(TFloatPoint{0, 0});
  const float stepX = LocalToPaint(TFloatPoint{g, 0}).X - origin.X;
  const float stepY = LocalToPaint(TFloatPoint{0, g}).Y - origin.Y;
  const double columns = std::trunc(static_cast<double>(DocWidth()) / g);
  const double rows = std::trunc(static_cast<double>(DocHeight()) / g);
  const int lastColumn = static_cast<int>(std::min(columns, 1e9));
  const int lastRow = static_cast<int>(std::min(rows, 1e9));
  int firstX = 0, endX = 0, firstY = 0, endY = 0;
  // Only the lines that can reach the bitmap are walked: absurd grids must not take forever.
  VisibleRange(origin.X, stepX, dots ? lastColumn : lastColumn - 1, bitmap.Width(), firstX, endX);
  VisibleRange(origin.Y, stepY, dots ? lastRow : lastRow - 1, bitmap.Height(), firstY, endY);
  if (dots) {
    for (int i = firstX; i <= endX; ++i) {
      for (int j = firstY; j <= endY; ++j) {
        const TFloatPoint p = LocalToPaint(TFloatPoint{static_cast<float>(i) * g, static_cast<float>(j) * g});
        bitmap.SetPixelSafe(RoundToInt(p.X), RoundToInt(p.Y), color);
      }
    }
    return;
  }
  for (int k = firstX; k <= endX; ++k) {
    const int x = RoundToInt(LocalToPaint(TFloatPoint{static_cast<float>(k) * g, 0}).X);
    bitmap.VertLineClipped(x, r.Top + 1, r.Bottom - 2, color);
  }
  for (int k = firstY; k <= endY; ++k) {
    const int y = RoundToInt(LocalToPaint(TFloatPoint{0, static_cast<float>(k) * g}).Y);
    bitmap.HorzLineClipped(r.Left + 1, y, r.Right - 2, color);
  }
}

void TdtpPage::PaintMarginFrame(TBitmap32& bitmap) {
  const TFloatPoint a = LocalToPaint(TFloatPoint{MarginLeft(), MarginTop()});
  const TFloatPoint b = LocalToPaint(TFloatPoint{DocWidth() - MarginRight(), DocHeight() - MarginBottom()});
  bitmap.SetStipple({clWhite32, clBlack32});
  bitmap.SetStippleStep(0.5f);
  bitmap.SetStippleCounter(0);
  bitmap.FrameRectStippled(RoundToInt(a.X), RoundToInt(a.Y), RoundToInt(b.X) + 1, RoundToInt(b.Y) + 1);
}

void TdtpPage::PaintBorderAndShadow(TBitmap32& bitmap, const TRect& r) {
  const int s = RoundToInt(LocalToPaint(TFloatPoint{DocWidth() + 1, 0}).X - LocalToPaint(TFloatPoint{DocWidth(), 0}).X);
  bitmap.FrameRectClipped(r.Left, r.Top, r.Right, r.Bottom, clBlack32);
  bitmap.FillRectClipped(r.Left + s, r.Bottom, r.Right + s, r.Bottom + s, clBlack32);
  bitmap.FillRectClipped(r.Right, r.Top + s, r.Right + s, r.Bottom, clBlack32);
}

}  // namespace kivrano
