// Straight, stippled and anti-aliased lines of TBitmap32, and the stipple pattern.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "raster/Bitmap32.h"
#include "raster/FixedMath.h"

namespace kivrano {

namespace {

// n / d rounded to nearest with ties to even (d > 0).
int64_t DivRoundEven(int64_t n, int64_t d) {
  int64_t q = n / d;
  int64_t r = n % d;
  if (r < 0) {
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return q;
}

struct Segment {
  int64_t x1, y1, x2, y2;
};

// Clips s to [xmin, xmax] x [ymin, ymax]; false when nothing is left. Intersections use rounded
// multiply-divide; startMoved / endMoved report which ends clipping moved.
bool ClipSegment(Segment& s, int64_t xmin, int64_t ymin, int64_t xmax, int64_t ymax, bool& startMoved,
                 bool& endMoved) {
  auto code = [&](int64_t x, int64_t y) {
    int c = 0;
    if (x < xmin) c |= 1;
    else if (x > xmax) c |= 2;
    if (y < ymin) c |= 4;
    else if (y > ymax) c |= 8;
    return c;
  };
  startMoved = false;
  endMoved = false;
  int c1 = code(s.x1, s.y1);
  int c2 = code(s.x2, s.y2);
  // Each pass moves one end onto an edge; rounding may leave it just outside another edge, which a
  // later pass fixes. Eight passes always suffice.
  for (int pass = 0; pass < 8; ++pass) {
    if ((c1 | c2) == 0) return true;
    if ((c1 & c2) != 0) return false;
    const bool first = c1 != 0;
    const int c = first ? c1 : c2;
    int64_t x;
    int64_t y;
    if (c & 8) {
      y = ymax;
      x = s.x1 + MulDivRound64(s.x2 - s.x1, ymax - s.y1, s.y2 - s.y1);
    } else if (c & 4) {
      y = ymin;
      x = s.x1 + MulDivRound64(s.x2 - s.x1, ymin - s.y1, s.y2 - s.y1);
    } else if (c & 2) {
      x = xmax;
      y = s.y1 + MulDivRound64(s.y2 - s.y1, xmax - s.x1, s.x2 - s.x1);
    } else {
      x = xmin;
      y = s.y1 + MulDivRound64(s.y2 - s.y1, xmin - s.x1, s.x2 - s.x1);
    }
    if (first) {
      s.x1 = x;
      s.y1 = y;
      c1 = code(x, y);
      startMoved = true;
    } else {
      s.x2 = x;
      s.y2 = y;
      c2 = code(x, y);
      endMoved = true;
    }
  }
  return (c1 | c2) == 0;
}

// The stipple counter brought into 0 <= counter < length: one addition or subtraction of length
// in the usual case, a floor division for counters far outside; a counter that cannot be brought
// into range (infinite or not a number) restarts at 0.
float ReduceCounter(float counter, float length) {
  if (counter < 0 && counter >= -length) return counter + length;
  if (counter >= length && counter < 2 * length) return counter - length;
  if (!(counter >= 0 && counter < length)) counter -= length * std::floor(counter / length);
  return counter >= 0 && counter < length ? counter : 0.0f;
}

float Distance(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  const float dx = static_cast<float>(x2 - x1);
  const float dy = static_cast<float>(y2 - y1);
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

// --- Integer lines -------------------------------------------------------------------------------

void TBitmap32::HorzLine(int x1, int y, int x2, TColor32 c) {
  if (Empty()) return;
  if (x2 < x1) std::swap(x1, x2);
  std::fill(PixelPtr(x1, y), PixelPtr(x2, y) + 1, c);
  Changed();
}

void TBitmap32::HorzLineClipped(int x1, int y, int x2, TColor32 c) {
  if (Empty() || y < 0 || y >= height_) return;
  if (x2 < x1) std::swap(x1, x2);
  x1 = std::max(x1, 0);
  x2 = std::min(x2, width_ - 1);
  if (x1 <= x2) HorzLine(x1, y, x2, c);
}

void TBitmap32::HorzLineBlended(int x1, int y, int x2, TColor32 c) {
  if (Empty() || y < 0 || y >= height_) return;
  if (x2 < x1) std::swap(x1, x2);
  x1 = std::max(x1, 0);
  x2 = std::min(x2, width_ - 1);
  if (x1 > x2) return;
  for (TColor32 *p = PixelPtr(x1, y), *end = PixelPtr(x2, y); p <= end; ++p) BlendInto(c, *p);
  Changed();
}

void TBitmap32::VertLine(int x, int y1, int y2, TColor32 c) {
  if (Empty()) return;
  if (y2 < y1) std::swap(y1, y2);
  for (TColor32 *p = PixelPtr(x, y1), *end = PixelPtr(x, y2); p <= end; p += width_) *p = c;
  Changed();
}

void TBitmap32::VertLineClipped(int x, int y1, int y2, TColor32 c) {
  if (Empty() || x < 0 || x >= width_) return;
  if (y2 < y1) std::swap(y1, y2);
  y1 = std::max(y1, 0);
  y2 = std::min(y2, height_ - 1);
  if (y1 <= y2) VertLine(x, y1, y2, c);
}

void TBitmap32::VertLineBlended(int x, int y1, int y2, TColor32 c) {
  if (Empty() || x < 0 || x >= width_) return;
  if (y2 < y1) std::swap(y1, y2);
  y1 = std::max(y1, 0);
  y2 = std::min(y2, height_ - 1);
  if (y1 > y2) return;
  for (TColor32 *p = PixelPtr(x, y1), *end = PixelPtr(x, y2); p <= end; p += width_) BlendInto(c, *p);
  Changed();
}

// Bresenham walk from (x1, y1) towards (x2, y2): the error term starts at half the major extent and
// moves the minor coordinate when it exceeds the major extent. The end point only with includeLast.
template <typename Plot>
void TBitmap32::WalkLine(int x1, int y1, int x2, int y2, bool includeLast, Plot plot) {
  const int sx = x2 >= x1 ? 1 : -1;
  const int sy = y2 >= y1 ? 1 : -1;
  const int64_t dx = std::llabs(static_cast<int64_t>(x2) - x1);
  const int64_t dy = std::llabs(static_cast<int64_t>(y2) - y1);
  int x = x1;
  int y = y1;
  if (dx >= dy) {
    int64_t error = dx / 2;
    for (int64_t i = 0; i < dx; ++i) {
      plot(x, y);
      x += sx;
      error += dy;
      if (error > dx) {
        error -= dx;
        y += sy;
      }
    }
  } else {
    int64_t error = dy / 2;
    for (int64_t i = 0; i < dy; ++i) {
      plot(x, y);
      y += sy;
      error += dx;
      if (error > dy) {
        error -= dy;
        x += sx;
      }
    }
  }
  if (includeLast) plot(x2, y2);
}

void TBitmap32::DrawLine(int x1, int y1, int x2, int y2, TColor32 c, bool includeLast) {
  if (Empty()) return;
  Batch([&] {
    if (y1 == y2 && x1 != x2) {
      // Row fill without the end point.
      HorzLine(x1 < x2 ? x1 : x2 + 1, y1, x1 < x2 ? x2 - 1 : x1, c);
      if (includeLast) SetPixel(x2, y2, c);
    } else if (x1 == x2 && y1 != y2) {
      VertLine(x1, y1 < y2 ? y1 : y2 + 1, y1 < y2 ? y2 - 1 : y1, c);
      if (includeLast) SetPixel(x2, y2, c);
    } else {
      WalkLine(x1, y1, x2, y2, includeLast, [&](int x, int y) { SetPixel(x, y, c); });
    }
  });
}

void TBitmap32::DrawLineClipped(int x1, int y1, int x2, int y2, TColor32 c, bool includeLast) {
  if (Empty()) return;
  Segment s{x1, y1, x2, y2};
  bool startMoved;
  bool endMoved;
  if (!ClipSegment(s, 0, 0, width_ - 1, height_ - 1, startMoved, endMoved)) return;
  DrawLine(static_cast<int>(s.x1), static_cast<int>(s.y1), static_cast<int>(s.x2), static_cast<int>(s.y2), c,
           includeLast || endMoved);
}

void TBitmap32::DrawLineBlended(int x1, int y1, int x2, int y2, TColor32 c, bool includeLast) {
  if (Empty()) return;
  // Clipped like DrawLineClipped: blending reads the pixel, so it must never leave the surface.
  Segment s{x1, y1, x2, y2};
  bool startMoved;
  bool endMoved;
  if (!ClipSegment(s, 0, 0, width_ - 1, height_ - 1, startMoved, endMoved)) return;
  WalkLine(static_cast<int>(s.x1), static_cast<int>(s.y1), static_cast<int>(s.x2), static_cast<int>(s.y2),
           includeLast || endMoved, [&](int x, int y) { BlendPixel(x, y, c); });
  Changed();
}

void TBitmap32::LineToClipped(int x, int y) {
  DrawLineClipped(penPos_.X, penPos_.Y, x, y, penColor_, false);
  MoveTo(x, y);
}

void TBitmap32::LineToBlended(int x, int y) {
  DrawLineBlended(penPos_.X, penPos_.Y, x, y, penColor_, false);
  MoveTo(x, y);
}

// --- Stipple -------------------------------------------------------------------------------------

void TBitmap32::SetStipple(const TArrayOfColor32& pattern) {
  stipple_ = pattern;
  stippleCounter_ = 0;
}

TColor32 TBitmap32::NextStippleColor() {
  const int length = static_cast<int>(stipple_.size());
  if (length == 0) return 0xFF000000u;
  const float l = static_cast<float>(length);
  const float counter = ReduceCounter(stippleCounter_, l);
  int i = static_cast<int>(std::nearbyint(counter - 0.5f));
  const int w = static_cast<int>(std::nearbyint((counter - static_cast<float>(i)) * 255.0f));
  if (i < 0) i = length - 1;
  const TColor32 result = w == 0 ? stipple_[static_cast<size_t>(i)]
                                 : Combine(stipple_[static_cast<size_t>(i)],
                                           stipple_[static_cast<size_t>(i + 1 == length ? 0 : i + 1)], 255 - w);
  stippleCounter_ = counter + stippleStep_;
  return result;
}

void TBitmap32::AdvanceStipple(float length) {
  if (stipple_.empty()) return;
  const float d = length * stippleStep_;
  if (d == 0) return;
  const float l = static_cast<float>(stipple_.size());
  stippleCounter_ = ReduceCounter(stippleCounter_ + d, l);
}

void TBitmap32::StippledRun(int fixed, int from, int to, bool horizontal) {
  if (Empty()) return;
  const int64_t length = std::llabs(static_cast<int64_t>(to) - from) + 1;
  const int across = horizontal ? height_ : width_;
  const int along = horizontal ? width_ : height_;
  const int64_t lo = std::max<int64_t>(std::min(from, to), 0);
  const int64_t hi = std::min<int64_t>(std::max(from, to), along - 1);
  if (fixed < 0 || fixed >= across || lo > hi) {
    AdvanceStipple(static_cast<float>(length));
    return;
  }
  const int step = to >= from ? 1 : -1;
  const int64_t first = step > 0 ? lo : hi;
  const int64_t last = step > 0 ? hi : lo;
  AdvanceStipple(static_cast<float>(std::llabs(first - from)));
  for (int64_t i = first;; i += step) {
    const int p = static_cast<int>(i);
    BlendPixel(horizontal ? p : fixed, horizontal ? fixed : p, NextStippleColor());
    if (i == last) break;
  }
  AdvanceStipple(static_cast<float>(std::llabs(static_cast<int64_t>(to) - last)));
  Changed();
}

void TBitmap32::HorzLineStippled(int x1, int y, int x2) { StippledRun(y, x1, x2, true); }

void TBitmap32::VertLineStippled(int x, int y1, int y2) { StippledRun(x, y1, y2, false); }

void TBitmap32::FrameRectStippled(int x1, int y1, int x2, int y2) {
  if (Empty()) return;
  --x2;
  --y2;
  if (x2 < x1 || y2 < y1) return;
  Batch([&] {
    if (x1 == x2 && y1 == y2) {
      HorzLineStippled(x1, y1, x1);
    } else if (y1 == y2) {
      HorzLineStippled(x1, y1, x2);
    } else if (x1 == x2) {
      VertLineStippled(x1, y1, y2);
    } else {
      // Clockwise, each edge stopping short of the corner the next one starts at.
      HorzLineStippled(x1, y1, x2 - 1);
      VertLineStippled(x2, y1, y2 - 1);
      HorzLineStippled(x2, y2, x1 + 1);
      VertLineStippled(x1, y2, y1 + 1);
    }
  });
}

// --- Anti-aliased lines --------------------------------------------------------------------------

void TBitmap32::Splat(int64_t x, int64_t y, TColor32 c, bool safe) {
  if (safe && (x < -256 || y < -256)) return;
  const int64_t px = x >> 8;
  const int64_t py = y >> 8;
  const int fx = static_cast<int>(x & 255);
  const int fy = static_cast<int>(y & 255);
  const int a = AlphaOf(c);
  const int left = GammaTable[static_cast<size_t>(255 - fx)];
  const int right = GammaTable[static_cast<size_t>(fx)];
  const int top = GammaTable[static_cast<size_t>(255 - fy)];
  const int bottom = GammaTable[static_cast<size_t>(fy)];
  auto plot = [&](int64_t qx, int64_t qy, int weightX, int weightY) {
    if (safe && (qx < 0 || qy < 0 || qx >= width_ || qy >= height_)) return;
    BlendWithMasterInto(c, *PixelPtr(static_cast<int>(qx), static_cast<int>(qy)), (weightX * a * weightY) >> 16);
  };
  plot(px, py, left, top);
  plot(px + 1, py, right, top);
  plot(px + 1, py + 1, right, bottom);
  plot(px, py + 1, left, bottom);
}

void TBitmap32::PlotAntialiased(int x, int y, TColor32 c) { Splat(x, y, c, false); }

void TBitmap32::PlotAntialiasedSafe(int x, int y, TColor32 c) {
  if (Empty()) return;
  Splat(x, y, c, true);
}

void TBitmap32::WalkAntialiased(TFixed x, TFixed y, bool stippled) {
  Segment s{fixedPenX_, fixedPenY_, x, y};
  MoveToFixed(x, y);
  if (Empty()) return;
  const Segment whole = s;
  bool startMoved;
  bool endMoved;
  // The surface extended by one pixel on each side.
  if (!ClipSegment(s, -FixedOne, -FixedOne, static_cast<int64_t>(width_) * FixedOne,
                   static_cast<int64_t>(height_) * FixedOne, startMoved, endMoved)) {
    if (stippled) AdvanceStipple(Distance(whole.x1, whole.y1, whole.x2, whole.y2) / 65536.0f);
    return;
  }
  if (stippled && startMoved) AdvanceStipple(Distance(whole.x1, whole.y1, s.x1, s.y1) / 65536.0f);
  const float endCut = endMoved ? Distance(s.x2, s.y2, whole.x2, whole.y2) / 65536.0f : 0.0f;
  const bool includeLast = endMoved;
  const int64_t length =
      static_cast<int64_t>(std::nearbyint(Distance(s.x1, s.y1, s.x2, s.y2))) + (includeLast ? FixedOne : 0);
  if (length >= 256) {
    constexpr int64_t kHalfStep = 127;  // half of 1/256 pixel
    s.x1 += kHalfStep;
    s.y1 += kHalfStep;
    s.x2 += kHalfStep;
    s.y2 += kHalfStep;
    const int64_t margin = 2 * FixedOne;
    const bool fast = std::min(s.x1, s.x2) > margin && std::min(s.y1, s.y2) > margin &&
                      std::max(s.x1, s.x2) < static_cast<int64_t>(width_ - 2) * FixedOne &&
                      std::max(s.y1, s.y2) < static_cast<int64_t>(height_ - 2) * FixedOne;
    auto color = [&] { return stippled ? NextStippleColor() : penColor_; };
    int64_t px = s.x1;
    int64_t py = s.y1;
    int64_t midX = s.x1;
    int64_t midY = s.y1;
    if (length >= FixedOne) {
      const int64_t stepX = DivRoundEven((s.x2 - s.x1) * FixedOne, length);
      const int64_t stepY = DivRoundEven((s.y2 - s.y1) * FixedOne, length);
      for (int64_t n = length >> 16; n > 0; --n) {
        Splat(px >> 8, py >> 8, color(), !fast);
        px += stepX;
        py += stepY;
      }
      midX = (px + s.x2) >> 1;
      midY = (py + s.y2) >> 1;
    }
    const TColor32 last = color();
    Splat(midX >> 8, midY >> 8, SetAlpha(last, static_cast<int>((AlphaOf(last) * (length & 0xFFFF)) >> 16)), !fast);
    Changed();
  }
  if (stippled && endMoved) AdvanceStipple(endCut - 1.0f);
}

void TBitmap32::LineToAntialiased(TFixed x, TFixed y) { WalkAntialiased(x, y, false); }

void TBitmap32::LineToAntialiasedStippled(TFixed x, TFixed y) { WalkAntialiased(x, y, true); }

}  // namespace kivrano
