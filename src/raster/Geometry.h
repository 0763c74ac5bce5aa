#pragma once

// Rectangle, point and fixed-point helpers of the raster layer and the engine's geometry code.

#include <cstdint>

#include "base/Types.h"

namespace kivrano {

// 16.16 fixed point: value * 65536.
using TFixed = int32_t;
constexpr TFixed FixedOne = 65536;

// round(x * 65536), ties to even.
TFixed ToFixed(float x);
// (f + 32767) >> 16: the nearest integer, halves rounding down.
constexpr int FixedRound(TFixed f) { return static_cast<int>((static_cast<int64_t>(f) + 32767) >> 16); }

// a * b / c with a 64-bit product, rounded to nearest with halves away from zero; -1 when the
// quotient does not fit 32 bits (or c is 0).
int MulDivRound(int a, int b, int c);

// Integer rectangle from a single-precision one by rounding mode.
enum TRectRounding { rrClosest = 0, rrOutside = 1, rrInside = 2 };
TRect FloatRectToRect(const TFloatRect& r, int mode = rrClosest);

// The overlap of a and b into dst and true; when they do not meet, all zeros and false. An overlap
// of zero width or height still counts as true.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
bool IntersectRect(TFloatRect& dst, const TFloatRect& a, const TFloatRect& b);
bool IsRectEmpty(const TRect& r);
bool IsRectEmpty(const TFloatRect& r);
bool PtInRect(const TRect& r, const TPoint& p);
void OffsetRect(TRect& r, int dx, int dy);
void OffsetRect(TFloatRect& r, float dx, float dy);
void InflateRect(TRect& r, int dx, int dy);
void InflateFloatRect(TFloatRect& r, float dx, float dy);

// Squared distance from p to the segment a-b, the foot of the perpendicular rounded to pixels.
int64_t DistanceToSegmentSquared(const TPoint& p, const TPoint& a, const TPoint& b);

}  // namespace kivrano
