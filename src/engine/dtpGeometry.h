#pragma once

#include <array>
#include <vector>

#include "base/Types.h"

namespace kivrano {

// A 3 x 3 single-precision matrix indexed [column][row]: a point (x, y) maps to
// (M[0][0] x + M[1][0] y + M[2][0], M[0][1] x + M[1][1] y + M[2][1]).
struct TdtpMatrix {
  float M[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

  static TdtpMatrix Identity() { return TdtpMatrix{}; }
  TFloatPoint Transform(TFloatPoint p) const {
    return TFloatPoint{M[0][0] * p.X + M[1][0] * p.Y + M[2][0], M[0][1] * p.X + M[1][1] * p.Y + M[2][1]};
  }
  friend bool operator==(const TdtpMatrix&, const TdtpMatrix&) = default;
};

// Cosine and sine of an angle in degrees, exact at whole quarter turns so that shapes turned by
// 90, 180 or 270 degrees keep exact coordinates.
void SinCosDegrees(float degrees, float& sine, float& cosine);

// Rounds to the nearest integer, halves to the even neighbour (saturating at +-2^30, NaN gives 0).
int RoundToInt(float v);

// Keeps an angle in [0, 360).
float NormalizeAngle(float degrees);

// A convex quadrilateral on the screen (integer pixels), the region a shape covers.
struct TScreenQuad {
  std::array<TPoint, 4> Corners;

  // Whether pixel p lies inside: its centre lies inside the polygon (so a rectangle (l, t)-(r, b)
  // holds the pixels l ... r - 1 and t ... b - 1).
  bool Contains(TPoint p) const;
  // Whether the polygon and the rectangle (right and bottom exclusive) overlap in an area.
  bool Meets(const TRect& rect) const;
};

// A screen region of any number of polygons (integer pixels) under the even-odd rule: a pixel lies
// inside when its centre lies inside an odd number of them. Shapes with an outline of their own
// report their body as such a region.
struct TScreenRegion {
  std::vector<std::vector<TPoint>> Polygons;

  TScreenRegion() = default;
  TScreenRegion(const TScreenQuad& quad) : Polygons{{quad.Corners.begin(), quad.Corners.end()}} {}
  bool Contains(TPoint p) const;
};

// Smallest rectangle holding both (empty rectangles are ignored).
TRect UnionRect(const TRect& a, const TRect& b);
bool RectContains(const TRect& rect, TPoint p);
bool RectsIntersect(const TRect& a, const TRect& b);

// Distance of p from the segment a-b, the foot of the perpendicular clamped to the segment.
float DistanceToSegment(TPoint p, TPoint a, TPoint b);

}  // namespace kivrano
