#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>

#include "platform/FontEngine.h"
#include "raster/Bitmap32.h"
#include "raster/Bitmap32Text.h"
#include "raster/Color32.h"

namespace kivrano {

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFF;

// Coordinates and pen widths are limited as the old device contexts limited them (27 bits), so
// that no arithmetic on them can overflow.
constexpr int kCoordLimit = 1 << 27;
constexpr int kPenWidthLimit = 1 << 14;

int Limit(int v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }
TPoint Limit(TPoint p) { return TPoint{Limit(p.X), Limit(p.Y)}; }

TRect Normalized(int x1, int y1, int x2, int y2) {
  x1 = Limit(x1), y1 = Limit(y1), x2 = Limit(x2), y2 = Limit(y2);
  return TRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

uint32_t Rgb(TColor color) { return ToColor32(color) & kRgbMask; }

// The binary raster operation of a pen mode on colour bytes: pen p, destination d.
uint32_t ApplyMode(TPenMode mode, uint32_t p, uint32_t d) {
  switch (mode) {
    case pmBlack: return 0;
    case pmWhite: return kRgbMask;
    case pmNop: return d;
    case pmNot: return ~d;
    case pmCopy: return p;
    case pmNotCopy: return ~p;
    case pmMergePenNot: return p | ~d;
    case pmMaskPenNot: return p & ~d;
    case pmMergeNotPen: return ~p | d;
    case pmMaskNotPen: return ~p & d;
    case pmMerge: return p | d;
    case pmNotMerge: return ~(p | d);
    case pmMask: return p & d;
    case pmNotMask: return ~(p & d);
    case pmXor: return p ^ d;
    case pmNotXor: return ~(p ^ d);
  }
  return p;
}

// Modes that are their own inverse leave alpha alone so that a second drawing restores it.
bool KeepsAlpha(TPenMode mode) { return mode == pmNop || mode == pmNot || mode == pmXor || mode == pmNotXor; }

// Whether the hatch of a brush style covers a pixel; patterns repeat every 8 pixels from the
// surface origin.
bool HatchCovers(TBrushStyle style, int x, int y) {
  const bool horizontal = (y & 7) == 0;
  const bool vertical = (x & 7) == 0;
  const bool forward = ((x - y) & 7) == 0;
  const bool backward = ((x + y) & 7) == 0;
  switch (style) {
    case bsHorizontal: return horizontal;
    case bsVertical: return vertical;
    case bsFDiagonal: return forward;
    case bsBDiagonal: return backward;
    case bsCross: return horizontal || vertical;
    case bsDiagCross: return forward || backward;
    case bsSolid: return true;
    case bsClear: return false;
  }
  return false;
}

// Dash patterns of one-pixel pens: alternating on and off runs in pixels.
const std::vector<int>& DashPattern(TPenStyle style) {
  static const std::vector<int> solid{};
  static const std::vector<int> dash{18, 6};
  static const std::vector<int> dot{3, 3};
  static const std::vector<int> dashDot{9, 6, 3, 6};
  static const std::vector<int> dashDotDot{9, 3, 3, 3, 3, 3};
  switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return solid;
  }
}

bool DashOn(const std::vector<int>& pattern, int position) {
  int period = 0;
  for (int run : pattern) period += run;
  int p = position % period;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (p < pattern[i]) return i % 2 == 0;
    p -= pattern[i];
  }
  return true;
}

// Largest |X| with X² B² + Y² A² <= A² B² (doubled coordinates), or -1 when none. Extended
// precision keeps the test exact for every ellipse of practical size.
int64_t EllipseHalfSpan(int64_t a64, int64_t b64, int64_t y64) {
  if (a64 < 0 || b64 < 0) return -1;
  const auto a = static_cast<long double>(a64), b = static_cast<long double>(b64), y = static_cast<long double>(y64);
  const long double rest = a * a * b * b - y * y * a * a;
  if (rest < 0) return -1;
  if (b64 == 0) return y64 == 0 ? a64 : -1;
  auto fits = [&](int64_t x) { return static_cast<long double>(x) * x * b * b <= rest; };
  auto x = static_cast<int64_t>(std::sqrt(rest / (b * b)));
  while (x > 0 && !fits(x)) --x;
  while (fits(x + 1)) ++x;
  return x;
}

}  // namespace

struct TCanvas::TPaint {
  uint32_t Rgb = 0;
  TPenMode Mode = pmCopy;
  TBrushStyle Hatch = bsSolid;  // which pixels are painted
};

TCanvas::TCanvas(TBitmap32& target) : FTarget(target) {}

TRect TCanvas::ClipRect() const {
  const TRect bounds{0, 0, FTarget.Width(), FTarget.Height()};
  return FHasClip ? Overlap(FClip, bounds) : bounds;
}

void TCanvas::SetClipRect(const TRect& rect) {
  FClip = rect;
  FHasClip = true;
}

void TCanvas::ResetClipRect() { FHasClip = false; }

void TCanvas::Changed() { FTarget.Changed(); }

int TCanvas::PenWidth() const { return std::min(FPen.Width(), kPenWidthLimit); }

TCanvas::TPaint TCanvas::PenPaint() const { return TPaint{Rgb(FPen.Color()), FPen.Mode(), bsSolid}; }

TCanvas::TPaint TCanvas::BrushPaint(TPenMode mode) const {
  return TPaint{Rgb(FBrush.Color()), mode, FBrush.Style()};
}

void TCanvas::PaintPixel(int x, int y, const TPaint& paint) {
  if (!HatchCovers(paint.Hatch, x, y)) return;
  TColor32& px = *FTarget.PixelPtr(x, y);
  const uint32_t rgb = ApplyMode(paint.Mode, paint.Rgb, px & kRgbMask) & kRgbMask;
  px = KeepsAlpha(paint.Mode) ? (px & ~kRgbMask) | rgb : rgb;
}

void TCanvas::PaintSpan(int y, int x1, int x2, const TPaint& paint) {
  const TRect clip = ClipRect();
  if (y < clip.Top || y >= clip.Bottom || paint.Hatch == bsClear) return;
  x1 = std::max(x1, clip.Left);
  x2 = std::min(x2, clip.Right);
  if (x1 >= x2) return;
  if (paint.Mode == pmCopy && paint.Hatch == bsSolid) {
    std::fill(FTarget.PixelPtr(x1, y), FTarget.PixelPtr(x2, y), paint.Rgb);
    return;
  }
  for (int x = x1; x < x2; ++x) PaintPixel(x, y, paint);
}

void TCanvas::PaintBox(const TRect& r, const TPaint& paint) {
  const TRect clip = ClipRect();
  for (int y = std::max(r.Top, clip.Top); y < std::min(r.Bottom, clip.Bottom); ++y) PaintSpan(y, r.Left, r.Right, paint);
}

void TCanvas::PaintMask(const TCoverageMask& mask, const TPaint& paint) {
  const TRect area = Overlap(mask.Area(), ClipRect());
  for (int y = area.Top; y < area.Bottom; ++y) {
    const uint8_t* row = mask.Row(y);
    for (int x = area.Left; x < area.Right; ++x)
      if (row[x - mask.Area().Left]) PaintPixel(x, y, paint);
  }
}

// ---------------------------------------------------------------------------------------------
// Lines

void TCanvas::MoveTo(int x, int y) {
  FPenPos = TPoint{x, y};
  FStylePos = 0;
}

void TCanvas::CosmeticLine(int x1, int y1, int x2, int y2) {
  const int64_t dx = std::abs(static_cast<int64_t>(x2) - x1);
  const int64_t dy = std::abs(static_cast<int64_t>(y2) - y1);
  const int64_t steps = std::max(dx, dy);
  if (steps == 0) return;
  const bool xMajor = dx >= dy;
  const int64_t major0 = xMajor ? x1 : y1;
  const int64_t minor0 = xMajor ? y1 : x1;
  const int64_t majorStep = (xMajor ? x2 > x1 : y2 > y1) ? 1 : -1;
  const int64_t minorStep = (xMajor ? y2 > y1 : x2 > x1) ? 1 : -1;
  const int64_t minorExtent = xMajor ? dy : dx;

  // Only the steps whose major coordinate lies inside the clip rectangle are walked.
  const TRect clip = ClipRect();
  const int64_t lo = xMajor ? clip.Left : clip.Top;
  const int64_t hi = (xMajor ? clip.Right : clip.Bottom) - 1;
  int64_t first = 0;
  int64_t last = steps - 1;
  if (majorStep > 0) {
    first = std::max<int64_t>(first, lo - major0);
    last = std::min<int64_t>(last, hi - major0);
  } else {
    first = std::max<int64_t>(first, major0 - hi);
    last = std::min<int64_t>(last, major0 - lo);
  }

  const std::vector<int>& dashes = DashPattern(FPen.Style());
  const TPaint pen = PenPaint();
  const bool opaqueGaps = FBrush.Style() == bsSolid;
  const TPaint gap{Rgb(FBrush.Color()), FPen.Mode(), bsSolid};
  for (int64_t i = std::max<int64_t>(first, 0); i <= last; ++i) {
    const int64_t major = major0 + majorStep * i;
    const int64_t minor = minor0 + minorStep * ((2 * i * minorExtent + steps) / (2 * steps));
    const int x = static_cast<int>(xMajor ? major : minor);
    const int y = static_cast<int>(xMajor ? minor : major);
    if (x < clip.Left || x >= clip.Right || y < clip.Top || y >= clip.Bottom) continue;
    const int position = FStylePos + static_cast<int>(i % (1 << 30));
    if (dashes.empty() || DashOn(dashes, position))
      PaintPixel(x, y, pen);
    else if (opaqueGaps)
      PaintPixel(x, y, gap);
  }
  FStylePos = static_cast<int>((FStylePos + steps) % (1 << 30));
}

void TCanvas::WideSegment(TCoverageMask& mask, int x1, int y1, int x2, int y2) const {
  // Pixels whose centre lies within half the pen width of the segment: a line with round ends.
  // Even widths are shifted half a pixel towards the bottom right.
  x1 = Limit(x1), y1 = Limit(y1), x2 = Limit(x2), y2 = Limit(y2);
  const int w = PenWidth();
  const double r = w / 2.0;
  const double shift = (w % 2 == 0) ? 0.5 : 0.0;
  const double ax = x1 + shift, ay = y1 + shift, bx = x2 + shift, by = y2 + shift;
  const double vx = bx - ax, vy = by - ay;
  const double len2 = vx * vx + vy * vy;
  const TRect& area = mask.Area();
  const TRect box = Overlap(
      TRect{static_cast<int>(std::floor(std::min(ax, bx) - r)), static_cast<int>(std::floor(std::min(ay, by) - r)),
            static_cast<int>(std::ceil(std::max(ax, bx) + r)) + 1, static_cast<int>(std::ceil(std::max(ay, by) + r)) + 1},
      area);
  for (int y = box.Top; y < box.Bottom; ++y) {
    uint8_t* row = mask.Row(y);
    for (int x = box.Left; x < box.Right; ++x) {
      double t = len2 > 0 ? ((x - ax) * vx + (y - ay) * vy) / len2 : 0.0;
      t = std::clamp(t, 0.0, 1.0);
      const double ex = ax + t * vx - x, ey = ay + t * vy - y;
      if (ex * ex + ey * ey <= r * r + 1e-9) row[x - area.Left] = 255;
    }
  }
}

void TCanvas::Outline(const std::vector<TPoint>& unlimited, bool closed) {
  if (FPen.Style() == psClear || unlimited.empty()) return;
  std::vector<TPoint> points(unlimited.size());
  std::transform(unlimited.begin(), unlimited.end(), points.begin(), [](TPoint p) { return Limit(p); });
  const size_t count = points.size();
  if (PenWidth() <= 1) {
    const TPoint saved = FPenPos;
    MoveTo(points[0].X, points[0].Y);
    for (size_t i = 1; i < count; ++i) {
      CosmeticLine(FPenPos.X, FPenPos.Y, points[i].X, points[i].Y);
      FPenPos = points[i];
    }
    if (closed) CosmeticLine(FPenPos.X, FPenPos.Y, points[0].X, points[0].Y);
    FPenPos = saved;
    return;
  }
  // A mask over the points' box grown by the pen, inside the clip rectangle.
  const int reach = PenWidth() / 2 + 2;
  TRect box{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (const TPoint& p : points)
    box = TRect{std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X), std::max(box.Bottom, p.Y)};
  TCoverageMask mask(Overlap(TRect{box.Left - reach, box.Top - reach, box.Right + reach, box.Bottom + reach}, ClipRect()));
  for (size_t i = 0; i + 1 < count; ++i) WideSegment(mask, points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y);
  if (closed || count == 1) WideSegment(mask, points[count - 1].X, points[count - 1].Y, points[0].X, points[0].Y);
  PaintMask(mask, PenPaint());
}

void TCanvas::LineTo(int x, int y) {
  if (!FTarget.Empty() && FPen.Style() != psClear) {
    if (PenWidth() <= 1)
      CosmeticLine(FPenPos.X, FPenPos.Y, x, y);
    else
      Outline({FPenPos, TPoint{x, y}}, false);
  }
  FPenPos = TPoint{x, y};
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (FTarget.Empty() || points.size() < 2) return;
  Outline(points, false);
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& unlimited) {
  if (FTarget.Empty() || unlimited.size() < 2) return;
  std::vector<TPoint> points(unlimited.size());
  std::transform(unlimited.begin(), unlimited.end(), points.begin(), [](TPoint p) { return Limit(p); });
  const TPaint brush = BrushPaint(FPen.Mode());
  if (FBrush.Style() != bsClear && points.size() >= 3) {
    // Alternate rule sampled at pixel positions, edges half-open: the right and bottom
    // boundary are left to the pen.
    const TRect clip = ClipRect();
    int top = points[0].Y, bottom = points[0].Y;
    for (const TPoint& p : points) top = std::min(top, p.Y), bottom = std::max(bottom, p.Y);
    std::vector<double> crossings;
    for (int y = std::max(top, clip.Top); y < std::min(bottom, clip.Bottom); ++y) {
      crossings.clear();
      for (size_t i = 0; i < points.size(); ++i) {
        const TPoint& a = points[i];
        const TPoint& b = points[(i + 1) % points.size()];
        if ((a.Y <= y && b.Y > y) || (b.Y <= y && a.Y > y))
          crossings.push_back(a.X + static_cast<double>(y - a.Y) * (b.X - a.X) / (b.Y - a.Y));
      }
      std::sort(crossings.begin(), crossings.end());
      for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
        const double left = std::clamp(std::ceil(crossings[i]), -1e9, 1e9);
        const double right = std::clamp(std::ceil(crossings[i + 1]), -1e9, 1e9);
        PaintSpan(y, static_cast<int>(left), static_cast<int>(right), brush);
      }
    }
  }
  Outline(points, true);
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Rectangles and ellipses

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (FTarget.Empty()) return;
  const TRect r = Normalized(x1, y1, x2, y2);
  const TPaint brush = BrushPaint(FPen.Mode());
  if (FPen.Style() == psClear) {
    // Without a pen the filled area is one pixel smaller on the right and bottom.
    PaintBox(TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1}, brush);
    Changed();
    return;
  }
  const int w = std::max(1, PenWidth());
  if (w == 1) {
    PaintBox(TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, brush);
    Outline({{r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1}}, true);
    Changed();
    return;
  }
  // A wide pen is centred on the outline, or lies inside it for the inside-frame style.
  const int lo = FPen.Style() == psInsideFrame ? 0 : (w - 1) / 2;
  const int hi = FPen.Style() == psInsideFrame ? 0 : w / 2;
  const TRect outer{r.Left - lo, r.Top - lo, r.Right + hi, r.Bottom + hi};
  const TRect inner{outer.Left + w, outer.Top + w, outer.Right - w, outer.Bottom - w};
  const TPaint pen = PenPaint();
  const TRect clip = ClipRect();
  for (int y = std::max(outer.Top, clip.Top); y < std::min(outer.Bottom, clip.Bottom); ++y) {
    if (y >= inner.Top && y < inner.Bottom && inner.Left < inner.Right) {
      PaintSpan(y, inner.Left, inner.Right, brush);
      PaintSpan(y, outer.Left, inner.Left, pen);
      PaintSpan(y, inner.Right, outer.Right, pen);
    } else {
      PaintSpan(y, outer.Left, outer.Right, pen);
    }
  }
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (FTarget.Empty()) return;
  const TRect r = Normalized(x1, y1, x2, y2);
  if (r.Width() < 1 || r.Height() < 1) return;
  // Doubled coordinates: pixel centres (2x + 1) inside the ellipse inscribed in the box.
  const int64_t cx = static_cast<int64_t>(r.Left) + r.Right;
  const int64_t cy = static_cast<int64_t>(r.Top) + r.Bottom;
  const int64_t a = r.Width();
  const int64_t b = r.Height();
  const bool hasPen = FPen.Style() != psClear;
  const int w = hasPen ? std::max(1, PenWidth()) : 0;
  const int64_t grow = (w > 1 && FPen.Style() != psInsideFrame) ? w - 1 : 0;
  const int64_t oa = a + grow, ob = b + grow;          // outer ellipse
  const int64_t ia = oa - 2 * w, ib = ob - 2 * w;      // inner ellipse (pen inside it is brush)
  const TPaint brush = BrushPaint(FPen.Mode());
  const TPaint pen = PenPaint();
  auto floorHalf = [](int64_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
  // pixels p with |2p + 1 - c| <= half
  auto spanOf = [&](int64_t c, int64_t half, int& from, int& to) {
    from = static_cast<int>(-floorHalf(-(c - half - 1)));
    to = static_cast<int>(floorHalf(c + half - 1) + 1);
  };
  int top, bottom;
  spanOf(cy, ob, top, bottom);
  const TRect clip = ClipRect();
  for (int y = std::max(top, clip.Top); y < std::min(bottom, clip.Bottom); ++y) {
    const int64_t yy = 2 * static_cast<int64_t>(y) + 1 - cy;
    const int64_t outerHalf = EllipseHalfSpan(oa, ob, yy);
    if (outerHalf < 0) continue;
    int oFrom, oTo;
    spanOf(cx, outerHalf, oFrom, oTo);
    const int64_t innerHalf = (ia >= 0 && ib >= 0) ? EllipseHalfSpan(ia, ib, yy) : -1;
    if (!hasPen) {
      PaintSpan(y, oFrom, oTo, brush);
      continue;
    }
    if (innerHalf < 0) {
      PaintSpan(y, oFrom, oTo, pen);
      continue;
    }
    int iFrom, iTo;
    spanOf(cx, innerHalf, iFrom, iTo);
    PaintSpan(y, oFrom, iFrom, pen);
    PaintSpan(y, iFrom, iTo, brush);
    PaintSpan(y, iTo, oTo, pen);
  }
  Changed();
}

void TCanvas::FillRect(const TRect& rect) {
  if (FTarget.Empty()) return;
  const TRect r = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  const TPaint brush = BrushPaint(pmCopy);
  PaintBox(r, brush);
  Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
  if (FTarget.Empty()) return;
  const TRect r = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  if (r.Width() < 1 || r.Height() < 1) return;
  const TPaint paint{Rgb(FBrush.Color()), pmCopy, bsSolid};
  const TRect clip = ClipRect();
  for (int y = std::max(r.Top, clip.Top); y < std::min(r.Bottom, clip.Bottom); ++y) {
    if (y == r.Top || y == r.Bottom - 1) {
      PaintSpan(y, r.Left, r.Right, paint);
    } else {
      PaintSpan(y, r.Left, r.Left + 1, paint);
      PaintSpan(y, r.Right - 1, r.Right, paint);
    }
  }
  Changed();
}

TColor TCanvas::Pixel(int x, int y) const {
  if (!FTarget.InBounds(x, y)) return -1;
  const TColor32 c = FTarget.GetPixel(x, y);
  return static_cast<TColor>(RedOf(c) | (GreenOf(c) << 8) | (BlueOf(c) << 16));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  const TRect clip = ClipRect();
  if (x < clip.Left || x >= clip.Right || y < clip.Top || y >= clip.Bottom) return;
  *FTarget.PixelPtr(x, y) = Rgb(color);
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Text

void TCanvas::PaintText(const TTextLayout& layout, bool opaqueCells, const TRect* opaqueRect) {
  const TRect clip = layout.Clipped ? Overlap(layout.Clip, ClipRect()) : ClipRect();
  const TPaint background{Rgb(FBrush.Color()), pmCopy, bsSolid};
  if (opaqueRect) {
    PaintBox(Overlap(*opaqueRect, clip), background);
  }
  if (opaqueCells) {
    for (const TRect& cell : layout.LineBoxes) {
      PaintBox(Overlap(cell, clip), background);
    }
  }
  DrawTextLayout(FTarget, FFont.Scaled(), layout, ToColor32(FFont.Color()), clip);
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  if (FTarget.Empty()) return;
  const TTextLayout layout = FFont.Scaled().Layout(text, TRect{x, y, x, y}, tfSingleLine | tfNoClip);
  PaintText(layout, FBrush.Style() == bsSolid, nullptr);
  FPenPos = TPoint{x + layout.CalcRect.Width(), y};
  Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
  if (FTarget.Empty()) return;
  TTextLayout layout = FFont.Scaled().Layout(text, TRect{x, y, x, y}, tfSingleLine);
  layout.Clip = rect;
  layout.Clipped = true;
  PaintText(layout, false, FBrush.Style() == bsSolid ? &rect : nullptr);
  Changed();
}

TRect TCanvas::TextRect(const TRect& rect, std::string_view text, unsigned flags) {
  const TTextLayout layout = FFont.Scaled().Layout(text, rect, flags);
  if ((flags & tfCalcRect) || FTarget.Empty()) return layout.CalcRect;
  PaintText(layout, FBrush.Style() == bsSolid, nullptr);
  Changed();
  return layout.CalcRect;
}

// ---------------------------------------------------------------------------------------------
// Images

void TCanvas::Draw(int x, int y, const TBitmap32& source) {
  if (FTarget.Empty() || source.Empty()) return;
  const TRect r = Overlap(TRect{x, y, x + source.Width(), y + source.Height()}, ClipRect());
  for (int row = r.Top; row < r.Bottom; ++row)
    std::copy(source.PixelPtr(r.Left - x, row - y), source.PixelPtr(r.Right - x, row - y), FTarget.PixelPtr(r.Left, row));
  Changed();
}

namespace {

// Contributions of source pixels to one destination pixel along an axis.
struct TTaps {
  int First = 0;
  std::vector<float> Weights;
};

// Area average when shrinking, bilinear (pixel centres aligned) when enlarging.
std::vector<TTaps> ResampleTaps(int srcSize, int dstSize, int from, int to) {
  std::vector<TTaps> taps;
  taps.reserve(static_cast<size_t>(to - from));
  const double scale = static_cast<double>(srcSize) / dstSize;
  for (int d = from; d < to; ++d) {
    TTaps t;
    if (scale > 1.0) {
      const double s0 = d * scale, s1 = (d + 1) * scale;
      t.First = static_cast<int>(std::floor(s0));
      const int last = std::min(srcSize - 1, static_cast<int>(std::ceil(s1)) - 1);
      for (int s = t.First; s <= last; ++s)
        t.Weights.push_back(static_cast<float>((std::min<double>(s + 1, s1) - std::max<double>(s, s0)) / scale));
    } else {
      const double s = std::clamp((d + 0.5) * scale - 0.5, 0.0, srcSize - 1.0);
      t.First = static_cast<int>(std::floor(s));
      const float f = static_cast<float>(s - t.First);
      t.Weights = {1.0f - f};
      if (t.First + 1 < srcSize && f > 0) t.Weights.push_back(f);
    }
    taps.push_back(std::move(t));
  }
  return taps;
}

}  // namespace

void TCanvas::StretchDraw(const TRect& rect, const TBitmap32& source) {
  if (FTarget.Empty() || source.Empty()) return;
  const bool mirrorX = rect.Right < rect.Left;
  const bool mirrorY = rect.Bottom < rect.Top;
  const TRect d = Normalized(rect.Left, rect.Top, rect.Right, rect.Bottom);
  if (d.Width() == 0 || d.Height() == 0) return;
  const TRect visible = Overlap(d, ClipRect());
  if (visible.Width() == 0 || visible.Height() == 0) return;
  // Taps over destination offsets, mirrored by reading the destination range backwards.
  auto axis = [](int srcSize, int dstSize, int from, int to, bool mirror) {
    return mirror ? ResampleTaps(srcSize, dstSize, dstSize - to, dstSize - from) : ResampleTaps(srcSize, dstSize, from, to);
  };
  const std::vector<TTaps> xs =
      axis(source.Width(), d.Width(), visible.Left - d.Left, visible.Right - d.Left, mirrorX);
  const std::vector<TTaps> ys =
      axis(source.Height(), d.Height(), visible.Top - d.Top, visible.Bottom - d.Top, mirrorY);
  const int width = visible.Width();

  // Horizontally resampled source rows, kept while later destination rows still need them.
  std::deque<std::pair<int, std::vector<float>>> rows;
  auto row = [&](int s) -> const std::vector<float>& {
    for (const auto& r : rows)
      if (r.first == s) return r.second;
    std::vector<float> out(static_cast<size_t>(width) * 4);
    const TColor32* src = source.ScanLine(s);
    for (int i = 0; i < width; ++i) {
      const TTaps& t = xs[static_cast<size_t>(mirrorX ? width - 1 - i : i)];
      float acc[4] = {0, 0, 0, 0};
      for (size_t k = 0; k < t.Weights.size(); ++k) {
        const TColor32 c = src[t.First + static_cast<int>(k)];
        for (int ch = 0; ch < 4; ++ch) acc[ch] += t.Weights[k] * static_cast<float>((c >> (8 * ch)) & 0xFF);
      }
      std::copy(acc, acc + 4, out.begin() + 4 * i);
    }
    rows.emplace_back(s, std::move(out));
    if (rows.size() > 64) rows.pop_front();
    return rows.back().second;
  };

  std::vector<float> acc(static_cast<size_t>(width) * 4);
  for (int j = 0; j < visible.Height(); ++j) {
    const TTaps& t = ys[static_cast<size_t>(mirrorY ? visible.Height() - 1 - j : j)];
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (size_t k = 0; k < t.Weights.size(); ++k) {
      const std::vector<float>& r = row(t.First + static_cast<int>(k));
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += t.Weights[k] * r[i];
    }
    TColor32* dst = FTarget.PixelPtr(visible.Left, visible.Top + j);
    for (int i = 0; i < width; ++i) {
      TColor32 c = 0;
      for (int ch = 0; ch < 4; ++ch) {
        const int v = std::clamp(static_cast<int>(std::lround(acc[4 * static_cast<size_t>(i) + ch])), 0, 255);
        c |= static_cast<TColor32>(v) << (8 * ch);
      }
      dst[i] = c;
    }
  }
  Changed();
}

}  // namespace kivrano
