#include "engine/dtpGeometry.h"

#include <algorithm>
#include <cmath>

namespace kivrano {

void SinCosDegrees(float degrees, float& sine, float& cosine) {
  const float turned = NormalizeAngle(degrees);
  if (turned == 0.0f) {
    sine = 0; cosine = 1;
  } else if (turned == 90.0f) {
    sine = 1; cosine = 0;
  } else if (turned == 180.0f) {
    sine = 0; cosine = -1;
  } else if (turned == 270.0f) {
    sine = -1; cosine = 0;
  } else {
    const double radians = static_cast<double>(degrees) * (M_PI / 180.0);
    sine = static_cast<float>(std::sin(radians));
    cosine = static_cast<float>(std::cos(radians));
  }
}

int RoundToInt(float v) {
  // Saturating: pixel coordinates of absurd geometry stay far outside any surface instead of
  // overflowing.
  constexpr float kLimit = 1073741824.0f;  // 2^30
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::nearbyint(std::clamp(v, -kLimit, kLimit)));
}

float NormalizeAngle(float degrees) {
  float result = degrees - std::floor(degrees / 360.0f) * 360.0f;
  // A tiny negative angle lands on 360 in single precision; 360 is a full turn.
  if (result >= 360.0f || result < 0.0f) result = 0.0f;
  return result;
}

namespace {

// Twice the signed area of the triangle a, b, p (positive when p lies left of a->b in a y-up frame).
double Cross(double ax, double ay, double bx, double by, double px, double py) {
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

}  // namespace

namespace {

// Whether the pixel centre of p lies inside the ring (even-odd crossing test).
bool RingContains(const TPoint* corners, size_t count, TPoint p) {
  if (count < 3) return false;
  const double px = p.X + 0.5;
  const double py = p.Y + 0.5;
  bool inside = false;
  for (size_t i = 0, j = count - 1; i < count; j = i++) {
    const double xi = corners[i].X, yi = corners[i].Y;
    const double xj = corners[j].X, yj = corners[j].Y;
    if ((yi > py) != (yj > py)) {
      const double x = xi + (py - yi) * (xj - xi) / (yj - yi);
      if (px < x) inside = !inside;
    }
  }
  return inside;
}

}  // namespace

bool TScreenQuad::Contains(TPoint p) const { return RingContains(Corners.data(), Corners.size(), p); }

bool TScreenRegion::Contains(TPoint p) const {
  bool inside = false;
  for (const auto& polygon : Polygons) {
    if (RingContains(polygon.data(), polygon.size(), p)) inside = !inside;
  }
  return inside;
}

bool TScreenQuad::Meets(const TRect& rect) const {
  if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) return false;
  // Separating axes: the rectangle's two axes and the normals of the polygon's edges. Touching
  // boundaries do not count as meeting.
  int minX = Corners[0].X, maxX = minX, minY = Corners[0].Y, maxY = minY;
  for (const TPoint& c : Corners) {
    minX = std::min(minX, c.X); maxX = std::max(maxX, c.X);
    minY = std::min(minY, c.Y); maxY = std::max(maxY, c.Y);
  }
  if (maxX <= rect.Left || minX >= rect.Right || maxY <= rect.Top || minY >= rect.Bottom) return false;
  if (minX == maxX || minY == maxY) return false;  // a degenerate polygon covers no area
  const double rx[4] = {double(rect.Left), double(rect.Right), double(rect.Right), double(rect.Left)};
  const double ry[4] = {double(rect.Top), double(rect.Top), double(rect.Bottom), double(rect.Bottom)};
  for (size_t i = 0; i < Corners.size(); ++i) {
    const TPoint& a = Corners[i];
    const TPoint& b = Corners[(i + 1) % Corners.size()];
    if (a == b) continue;
    // Side of the polygon's own remaining corners.
    double polygonSide = 0;
    for (const TPoint& c : Corners) {
      const double s = Cross(a.X, a.Y, b.X, b.Y, c.X, c.Y);
      if (s != 0) { polygonSide = s; break; }
    }
    if (polygonSide == 0) return false;
    bool allOutside = true;
    for (int k = 0; k < 4 && allOutside; ++k) {
      const double s = Cross(a.X, a.Y, b.X, b.Y, rx[k], ry[k]);
      if ((polygonSide > 0 && s > 0) || (polygonSide < 0 && s < 0)) allOutside = false;
    }
    if (allOutside) return false;
  }
  return true;
}

TRect UnionRect(const TRect& a, const TRect& b) {
  const bool aEmpty = a.Right <= a.Left || a.Bottom <= a.Top;
  const bool bEmpty = b.Right <= b.Left || b.Bottom <= b.Top;
  if (aEmpty) return bEmpty ? TRect{} : b;
  if (bEmpty) return a;
  return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
               std::max(a.Bottom, b.Bottom)};
}

bool RectContains(const TRect& rect, TPoint p) {
  return p.X >= rect.Left && p.X < rect.Right && p.Y >= rect.Top && p.Y < rect.Bottom;
}

bool RectsIntersect(const TRect& a, const TRect& b) {
  return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) && std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
}

float DistanceToSegment(TPoint p, TPoint a, TPoint b) {
  const double dx = b.X - a.X;
  const double dy = b.Y - a.Y;
  const double lengthSquared = dx * dx + dy * dy;
  double t = 0;
  if (lengthSquared > 0) t = std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / lengthSquared, 0.0, 1.0);
  const double fx = a.X + t * dx - p.X;
  const double fy = a.Y + t * dy - p.Y;
  return static_cast<float>(std::sqrt(fx * fx + fy * fy));
}

}  // namespace kivrano
