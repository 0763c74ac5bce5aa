#include "raster/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kivrano {

TFixed ToFixed(float x) {
  const float scaled = std::nearbyint(x * 65536.0f);
  // Saturate: values beyond the 16.16 range cannot be represented.
  if (!(scaled > -2147483648.0f)) return std::numeric_limits<TFixed>::min();
  if (scaled >= 2147483648.0f) return std::numeric_limits<TFixed>::max();
  return static_cast<TFixed>(scaled);
}

int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  int64_t quotient = product / c;
  const int64_t remainder = product % c;
  if (2 * std::llabs(remainder) >= std::llabs(static_cast<int64_t>(c))) quotient += (product < 0) != (c < 0) ? -1 : 1;
  if (quotient < std::numeric_limits<int>::min() || quotient > std::numeric_limits<int>::max()) return -1;
  return static_cast<int>(quotient);
}

namespace {

// An integral float as int, saturating at the int range (not a number gives 0).
int Saturate(float v) {
  if (!(v == v)) return 0;
  if (v <= -2147483648.0f) return std::numeric_limits<int>::min();
  if (v >= 2147483648.0f) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}
int RoundToInt(float v) { return Saturate(std::nearbyint(v)); }
int FloorToInt(float v) { return Saturate(std::floor(v)); }
int CeilToInt(float v) { return Saturate(std::ceil(v)); }

}  // namespace

TRect FloatRectToRect(const TFloatRect& r, int mode) {
  switch (mode) {
    case rrOutside:
      return TRect{FloorToInt(r.Left), FloorToInt(r.Top), CeilToInt(r.Right), CeilToInt(r.Bottom)};
    case rrInside: {
      TRect result{CeilToInt(r.Left), CeilToInt(r.Top), FloorToInt(r.Right), FloorToInt(r.Bottom)};
      result.Right = std::max(result.Right, result.Left);
      result.Bottom = std::max(result.Bottom, result.Top);
      return result;
    }
    default:
      return TRect{RoundToInt(r.Left), RoundToInt(r.Top), RoundToInt(r.Right), RoundToInt(r.Bottom)};
  }
}

namespace {

template <typename Rect>
bool Intersect(Rect& dst, const Rect& a, const Rect& b) {
  Rect overlap{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
               std::min(a.Bottom, b.Bottom)};
  if (overlap.Right < overlap.Left || overlap.Bottom < overlap.Top) {
    dst = Rect{};
    return false;
  }
  dst = overlap;
  return true;
}

}  // namespace

bool IntersectRect(TRect& dst, const TRect& a, const TRect& b) { return Intersect(dst, a, b); }
bool IntersectRect(TFloatRect& dst, const TFloatRect& a, const TFloatRect& b) { return Intersect(dst, a, b); }

bool IsRectEmpty(const TRect& r) { return !(r.Left < r.Right && r.Top < r.Bottom); }
bool IsRectEmpty(const TFloatRect& r) { return !(r.Left < r.Right && r.Top < r.Bottom); }

bool PtInRect(const TRect& r, const TPoint& p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

void OffsetRect(TRect& r, int dx, int dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}

void OffsetRect(TFloatRect& r, float dx, float dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}

void InflateRect(TRect& r, int dx, int dy) {
  r.Left -= dx;
  r.Right += dx;
  r.Top -= dy;
  r.Bottom += dy;
}

void InflateFloatRect(TFloatRect& r, float dx, float dy) {
  r.Left -= dx;
  r.Right += dx;
  r.Top -= dy;
  r.Bottom += dy;
}

int64_t DistanceToSegmentSquared(const TPoint& p, const TPoint& a, const TPoint& b) {
  const int64_t abx = static_cast<int64_t>(b.X) - a.X;
  const int64_t aby = static_cast<int64_t>(b.Y) - a.Y;
  int64_t footX = a.X;
  int64_t footY = a.Y;
  const int64_t lengthSquared = abx * abx + aby * aby;
  if (lengthSquared != 0) {
    const int64_t apx = static_cast<int64_t>(p.X) - a.X;
    const int64_t apy = static_cast<int64_t>(p.Y) - a.Y;
    float t = static_cast<float>(apx * abx + apy * aby) / static_cast<float>(lengthSquared);
    t = std::clamp(t, 0.0f, 1.0f);
    footX = a.X + static_cast<int64_t>(std::nearbyint(t * static_cast<float>(abx)));
    footY = a.Y + static_cast<int64_t>(std::nearbyint(t * static_cast<float>(aby)));
  }
  const int64_t dx = p.X - footX;
  const int64_t dy = p.Y - footY;
  return dx * dx + dy * dy;
}

}  // namespace kivrano
