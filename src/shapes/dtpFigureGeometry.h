#pragma once

// Point lists of the predefined figures, in the figure's local millimetres: x to the right, y
// downward, the box running from (0, 0) to (w, h). Curved figures take the scale of the image being
// painted (pixels per millimetre), so that they get finer as the zoom grows.

#include <vector>

#include "base/Types.h"

namespace kivrano {

// A quarter circle as Count segments: Count + 1 unit points (Cos[i], Sin[i]) at the angles
// i * (pi / 2) / Count, the first exactly (1, 0) and the last exactly (0, 1).
struct TQuarterArc {
  int Count = 1;
  std::vector<float> Cos;
  std::vector<float> Sin;
};

// Upper bound of segments per quarter: far beyond any visible need, it keeps absurd sizes from
// allocating without bound.
constexpr int kMaxQuarterArcSegments = 16384;

// The quarter circle for an arc whose full length is x pixels: the number of segments grows with
// a = x * pi / 2 (1 up to 0.5, 2 below 3, 3 below 7, a / 5 below 100, a / 10 beyond, rounded up).
// A length that is not a number gives one segment.
TQuarterArc QuarterArcPoints(float x);

std::vector<TFloatPoint> RectanglePoints(float w, float h);
// Apex at the top middle.
std::vector<TFloatPoint> TrianglePoints(float w, float h);
// Shoulders at 3/8 of the height; the bottom corners lie 1/5 of the width from the left and 1/6
// from the right, so the figure is deliberately not mirror-symmetric. The ring repeats its start.
std::vector<TFloatPoint> PentagonPoints(float w, float h);
// Corners at the left and right middle; the ring repeats its start.
std::vector<TFloatPoint> HexagonPoints(float w, float h);
// Corners cut at 5/16 of each side; the ring repeats its start.
std::vector<TFloatPoint> OctagonPoints(float w, float h);
// 4n points from the right middle through the bottom, left and top middles.
std::vector<TFloatPoint> EllipsePoints(float w, float h, float scale);
// Corners of cornerWidth by cornerHeight (each at most half the box), n + 1 points per corner, in
// the order top-left, top-right, bottom-right, bottom-left.
std::vector<TFloatPoint> RoundRectPoints(float w, float h, float cornerWidth, float cornerHeight, float scale);

// The eight arc families: half ellipses (Hcirkel) and quarter ellipses (Kcirkel).
enum TArcFamily {
  afHcirkel1,  // arch over the top, both ends on the bottom edge
  afHcirkel2,  // bulge to the right, both ends on the left edge
  afHcirkel3,  // bowl hanging from the top edge
  afHcirkel4,  // bulge to the left, both ends on the right edge
  afKcirkel1,  // quarter from the top-left corner to the bottom-right, bulging up and right
  afKcirkel2,  // quarter from the top-right corner to the bottom-left, bulging down and right
  afKcirkel3,  // quarter from the bottom-right corner to the top-left, bulging down and left
  afKcirkel4,  // quarter from the bottom-left corner to the top-right, bulging up and left
};

// Which ends of an arc carry a 2 mm arrow mark.
enum TArcMarks {
  amBoth,   // variant A
  amNone,   // variants B and V
  amStart,  // variant C
  amEnd,    // variant D
};

// The arc's points with its marks. The arc's own run stops one segment before its geometric end;
// an end mark starts at that end (the quarter from the top-left corner writes its end mark as
// three points that end there instead).
std::vector<TFloatPoint> ArcPoints(TArcFamily family, TArcMarks marks, float w, float h, float scale);

}  // namespace kivrano
