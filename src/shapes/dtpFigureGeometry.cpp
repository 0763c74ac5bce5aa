#include "shapes/dtpFigureGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kivrano {

namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2;
constexpr float kTwoPi = std::numbers::pi_v<float> * 2;

int QuarterArcSegments(float a) {
  if (std::isnan(a) || a <= 0.5f) return 1;
  if (a < 3) return 2;
  if (a < 7) return 3;
  if (a < 100) return static_cast<int>(std::ceil(a / 5));
  const float n = std::ceil(a / 10);
  return n >= static_cast<float>(kMaxQuarterArcSegments) ? kMaxQuarterArcSegments : static_cast<int>(n);
}

}  // namespace

TQuarterArc QuarterArcPoints(float x) {
  TQuarterArc arc;
  const int n = QuarterArcSegments(x * kHalfPi);
  arc.Count = n;
  arc.Cos.resize(static_cast<size_t>(n) + 1);
  arc.Sin.resize(static_cast<size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const float t = static_cast<float>(i) * kHalfPi / static_cast<float>(n);
    arc.Cos[static_cast<size_t>(i)] = std::cos(t);
    arc.Sin[static_cast<size_t>(i)] = std::sin(t);
  }
  arc.Cos.front() = 1;
  arc.Sin.front() = 0;
  arc.Cos.back() = 0;
  arc.Sin.back() = 1;
  return arc;
}

std::vector<TFloatPoint> RectanglePoints(float w, float h) { return {{0, 0}, {0, h}, {w, h}, {w, 0}}; }

std::vector<TFloatPoint> TrianglePoints(float w, float h) { return {{0, h}, {w / 2, 0}, {w, h}}; }

std::vector<TFloatPoint> PentagonPoints(float w, float h) {
  const float shoulder = 3 * h / 8;
  return {{0, shoulder}, {w / 2, 0}, {w, shoulder}, {10 * w / 12, h}, {w / 5, h}, {0, shoulder}};
}

std::vector<TFloatPoint> HexagonPoints(float w, float h) {
  return {{0, h / 2}, {w / 4, 0}, {3 * w / 4, 0}, {w, h / 2}, {3 * w / 4, h}, {w / 4, h}, {0, h / 2}};
}

std::vector<TFloatPoint> OctagonPoints(float w, float h) {
  const float x1 = 5 * w / 16, x2 = 11 * w / 16;
  const float y1 = 5 * h / 16, y2 = 11 * h / 16;
  return {{0, y1}, {x1, 0}, {x2, 0}, {w, y1}, {w, y2}, {x2, h}, {x1, h}, {0, y2}, {0, y1}};
}

std::vector<TFloatPoint> EllipsePoints(float w, float h, float scale) {
  const TQuarterArc arc = QuarterArcPoints(scale * std::max(w, h) * kTwoPi);
  const int n = arc.Count;
  const float rx = w / 2, ry = h / 2;
  std::vector<TFloatPoint> points;
  points.reserve(4 * static_cast<size_t>(n));
  auto add = [&](int i, float sx, float sy) {
    const auto k = static_cast<size_t>(i);
    points.push_back({rx + sx * rx * arc.Cos[k], ry + sy * ry * arc.Sin[k]});
  };
  for (int i = 0; i < n; ++i) add(i, 1, 1);   // right middle to bottom middle
  for (int i = n; i > 0; --i) add(i, -1, 1);  // to the left middle
  for (int i = 0; i < n; ++i) add(i, -1, -1); // to the top middle
  for (int i = n; i > 0; --i) add(i, 1, -1);  // back towards the right middle
  return points;
}

std::vector<TFloatPoint> RoundRectPoints(float w, float h, float cornerWidth, float cornerHeight, float scale) {
  const float cw = std::min(w / 2, cornerWidth);
  const float ch = std::min(h / 2, cornerHeight);
  const TQuarterArc arc = QuarterArcPoints(scale * std::max(cw, ch));
  const int n = arc.Count;
  std::vector<TFloatPoint> points;
  points.reserve(4 * (static_cast<size_t>(n) + 1));
  auto u = [&](int i) { return cw * (1 - arc.Cos[static_cast<size_t>(i)]); };
  auto v = [&](int i) { return ch * (1 - arc.Sin[static_cast<size_t>(i)]); };
  for (int i = 0; i <= n; ++i) points.push_back({u(i), v(i)});
  for (int i = n; i >= 0; --i) points.push_back({w - u(i), v(i)});
  for (int i = 0; i <= n; ++i) points.push_back({w - u(i), h - v(i)});
  for (int i = n; i >= 0; --i) points.push_back({u(i), h - v(i)});
  return points;
}

namespace {

// One run of arc points: centre + (sx * rx * cos, sy * ry * sin) for i = 0..n-1 or n..1.
struct ArcRun {
  float sx, sy;
  bool descending;
};

// A 2 mm mark at an end of the arc, its anchor given as fractions of the box.
struct ArcMark {
  float ax, ay;
  TFloatPoint d1, d2;
};

struct ArcFamilyShape {
  float cx, cy, rx, ry;  // ellipse centre and radii as fractions of the box
  ArcRun runs[2];
  int runCount;
  ArcMark start, end;
  bool endMarkEndsAtAnchor;  // three points P + d1, P + d2, P instead of four
};

constexpr ArcFamilyShape kArcFamilies[] = {
    // afHcirkel1
    {0.5f, 1, 0.5f, 1, {{-1, -1, false}, {1, -1, true}}, 2, {0, 1, {-1, -2}, {1, -2}}, {1, 1, {-1, -2}, {1, -2}}, false},
    // afHcirkel2
    {0, 0.5f, 1, 0.5f, {{1, -1, true}, {1, 1, false}}, 2, {0, 0, {2, -1}, {2, 1}}, {0, 1, {2, -1}, {2, 1}}, false},
    // afHcirkel3
    {0.5f, 0, 0.5f, 1, {{1, 1, false}, {-1, 1, true}}, 2, {1, 0, {1, 2}, {-1, 2}}, {0, 0, {1, 2}, {-1, 2}}, false},
    // afHcirkel4
    {1, 0.5f, 1, 0.5f, {{-1, 1, true}, {-1, -1, false}}, 2, {1, 1, {-2, 1}, {-2, -1}}, {1, 0, {-2, 1}, {-2, -1}}, false},
    // afKcirkel1
    {0, 1, 1, 1, {{1, -1, true}, {}}, 1, {0, 0, {2, -1}, {2, 1}}, {1, 1, {1, -2}, {-1, -2}}, true},
    // afKcirkel2
    {0, 0, 1, 1, {{1, 1, false}, {}}, 1, {1, 0, {1, 2}, {-1, 2}}, {0, 1, {2, -1}, {2, 1}}, false},
    // afKcirkel3
    {1, 0, 1, 1, {{-1, 1, true}, {}}, 1, {1, 1, {-2, -1}, {-2, 1}}, {0, 0, {1, 2}, {-1, 2}}, false},
    // afKcirkel4
    {1, 1, 1, 1, {{-1, -1, false}, {}}, 1, {0, 1, {1, -2}, {-1, -2}}, {1, 0, {-2, -1}, {-2, 1}}, false},
};

void AppendMark(std::vector<TFloatPoint>& points, const ArcMark& mark, float w, float h, bool anchorFirst) {
  const TFloatPoint p{mark.ax * w, mark.ay * h};
  if (anchorFirst) points.push_back(p);
  points.push_back({p.X + mark.d1.X, p.Y + mark.d1.Y});
  points.push_back({p.X + mark.d2.X, p.Y + mark.d2.Y});
  points.push_back(p);
}

}  // namespace

std::vector<TFloatPoint> ArcPoints(TArcFamily family, TArcMarks marks, float w, float h, float scale) {
  const ArcFamilyShape& shape = kArcFamilies[family];
  const TQuarterArc arc = QuarterArcPoints(scale * w * kTwoPi);
  const int n = arc.Count;
  std::vector<TFloatPoint> points;
  points.reserve(static_cast<size_t>(shape.runCount) * static_cast<size_t>(n) + 8);
  if (marks == amBoth || marks == amStart) AppendMark(points, shape.start, w, h, true);
  const float cx = shape.cx * w, cy = shape.cy * h, rx = shape.rx * w, ry = shape.ry * h;
  for (int r = 0; r < shape.runCount; ++r) {
    const ArcRun& run = shape.runs[r];
    for (int k = 0; k < n; ++k) {
      const auto i = static_cast<size_t>(run.descending ? n - k : k);
      points.push_back({cx + run.sx * rx * arc.Cos[i], cy + run.sy * ry * arc.Sin[i]});
    }
  }
  if (marks == amBoth || marks == amEnd) AppendMark(points, shape.end, w, h, !shape.endMarkEndsAtAnchor);
  return points;
}

}  // namespace kivrano
