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

// Calls visit(k) for the k = 1 ... last whose line at origin + k * step pixels falls inside
// [0, extent), once per pixel column or row: where lines are denser than pixels, the lines landing
// on a pixel already visited are skipped, so absurd grids cost no more than the surface is wide.
template <typename Visit>
void WalkGridLines(float origin, float step, int last, int extent, Visit visit) {
  if (!(step > 0) || last < 1) return;
  double k = std::max(1.0, std::ceil((-0.5 - static_cast<double>(origin)) / step));
  while (k <= last) {
    const int pixel = RoundToInt(static_cast<float>(origin + k * step));
    if (pixel >= extent) break;
    if (pixel >= 0) visit(static_cast<float>(k));
    k = std::max(k + 1, std::ceil((pixel + 0.5 - static_cast<double>(origin)) / step));
  }
}

}  // namespace

TRect TdtpPage::PaintRect() const { return TRect{PaintLeft(), PaintTop(), PaintRight(), PaintBottom()}; }

void TdtpPage::PaintBitmap(TBitmap32& bitmap) {
  TdtpDocument* document = Document();
  const bool direct = document && document->DirectPainting();
  const TdtpHelperMethodtype helper = document ? document->HelperMethod() : hmNone;
  const TRect r = PaintRect();
  TBitmap32* picture = BackgroundImage();
  if (!direct && helper == hmPattern) {
    PaintPattern(bitmap, r);
  } else if (picture && !picture->Empty()) {
    PaintBackgroundImage(bitmap, *picture, r);
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
  const int columns = static_cast<int>(std::min(std::trunc(static_cast<double>(DocWidth()) / g), 2e9));
  const int rows = static_cast<int>(std::min(std::trunc(static_cast<double>(DocHeight()) / g), 2e9));
  if (dots) {
    WalkGridLines(origin.X, stepX, columns, bitmap.Width(), [&](float i) {
      WalkGridLines(origin.Y, stepY, rows, bitmap.Height(), [&](float j) {
        const TFloatPoint p = LocalToPaint(TFloatPoint{i * g, j * g});
        bitmap.SetPixelSafe(RoundToInt(p.X), RoundToInt(p.Y), color);
      });
    });
    return;
  }
  WalkGridLines(origin.X, stepX, columns - 1, bitmap.Width(), [&](float k) {
    bitmap.VertLineClipped(RoundToInt(LocalToPaint(TFloatPoint{k * g, 0}).X), r.Top + 1, r.Bottom - 2, color);
  });
  WalkGridLines(origin.Y, stepY, rows - 1, bitmap.Height(), [&](float k) {
    bitmap.HorzLineClipped(r.Left + 1, RoundToInt(LocalToPaint(TFloatPoint{0, k * g}).Y), r.Right - 2, color);
  });
}

void TdtpPage::PaintMarginFrame(TBitmap32& bitmap) {
  const TFloatPoint a = LocalToPaint(TFloatPoint{MarginLeft(), MarginTop()});
  const TFloatPoint b = LocalToPaint(TFloatPoint{DocWidth() - MarginRight(), DocHeight() - MarginBottom()});
  bitmap.SetStipple({clWhite32, clBlack32});
  bitmap.SetStippleStep(0.5f);
  bitmap.SetStippleCounter(0);
  bitmap.FrameRectStippled(RoundToInt(a.X), RoundToInt(a.Y), RoundToInt(b.X) + 1, RoundToInt(b.Y) + 1);
}

void TdtpPage::PaintBackgroundImage(TBitmap32& bitmap, TBitmap32& picture, const TRect& r) {
  picture.SetStretchFilter(sfLinear);
  if (!BackgroundTiled()) {
    bitmap.Draw(r, picture);
    return;
  }
  // A tile is the picture at 150 dots per inch, laid from the page's top-left corner row by row.
  // The tiles go into a surface covering the visible part of the page, which clips them to it;
  // tiles wholly outside are skipped.
  const TRect visible{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, bitmap.Width()),
                      std::min(r.Bottom, bitmap.Height())};
  if (visible.Width() <= 0 || visible.Height() <= 0) return;
  const float scale = LocalToPaint(TFloatPoint{1, 0}).X - LocalToPaint(TFloatPoint{0, 0}).X;
  const int tileWidth = std::max(1, RoundToInt(static_cast<float>(picture.Width()) / 5.9055118f * scale));
  const int tileHeight = std::max(1, RoundToInt(static_cast<float>(picture.Height()) / 5.9055118f * scale));
  TBitmap32 tiles;
  tiles.SetSize(visible.Width(), visible.Height());
  const int64_t firstX = r.Left + static_cast<int64_t>((visible.Left - r.Left) / tileWidth) * tileWidth;
  const int64_t firstY = r.Top + static_cast<int64_t>((visible.Top - r.Top) / tileHeight) * tileHeight;
  for (int64_t y = firstY; y < visible.Bottom; y += tileHeight) {
    for (int64_t x = firstX; x < visible.Right; x += tileWidth) {
      const int left = static_cast<int>(x - visible.Left);
      const int top = static_cast<int>(y - visible.Top);
      tiles.Draw(TRect{left, top, left + tileWidth, top + tileHeight}, picture);
    }
  }
  bitmap.Draw(visible, tiles);
}

void TdtpPage::PaintBorderAndShadow(TBitmap32& bitmap, const TRect& r) {
  const int s = RoundToInt(LocalToPaint(TFloatPoint{DocWidth() + 1, 0}).X - LocalToPaint(TFloatPoint{DocWidth(), 0}).X);
  bitmap.FrameRectClipped(r.Left, r.Top, r.Right, r.Bottom, clBlack32);
  bitmap.FillRectClipped(r.Left + s, r.Bottom, r.Right + s, r.Bottom + s, clBlack32);
  bitmap.FillRectClipped(r.Right, r.Top + s, r.Right + s, r.Bottom, clBlack32);
}

}  // namespace kivrano
