#include "shapes/dtpArrowGeometry.h"

#include <algorithm>
#include <cmath>

#include "shapes/dtpFigureGeometry.h"

namespace kivrano {

namespace {

const char* const kStyleNames[kArrowStyleCount] = {"NoArrow", "Arrow", "OpenArrow", "StealthArrow", "Diamond", "Oval"};

struct Vec {
  float X, Y;
};
Vec operator+(Vec a, Vec b) { return {a.X + b.X, a.Y + b.Y}; }
Vec operator-(Vec a, Vec b) { return {a.X - b.X, a.Y - b.Y}; }
Vec operator*(Vec a, float f) { return {a.X * f, a.Y * f}; }
float Cross(Vec a, Vec b) { return a.X * b.Y - a.Y * b.X; }

// The frame of one line end: direction out of the line, its normal, the head base and the two
// body edges there.
struct EndFrame {
  Vec u, n;   // unit direction from o to e, and (-u.y, u.x)
  Vec e, b;   // end point and head base
  Vec q, p;   // body edges at the head base: b - n w/2 and b + n w/2
  Vec wv;     // n * head width / 2
  float w;    // line width
  float l;    // head length actually used
};

// The shoulder length t of open and stealth heads: how far the inner edge of the head runs along
// the line before the body takes over; 0 when the head is too short for its line width.
float ShoulderLength(const EndFrame& f, float c) { return std::max(0.0f, f.l - (std::sqrt(c * c + 1) + c / 2) * f.w); }

class ArrowBuilder {
 public:
  ArrowBuilder(std::vector<TFloatPoint>& points, const EndFrame& frame, float headWidth, float scale)
      : points_(points), f_(frame), aw_(headWidth), scale_(scale) {}

  void Add(Vec v) { points_.push_back({v.X, v.Y}); }

  // The three points every pointed head shares: base corner, tip, base corner.
  void AddTip() {
    Add(f_.b - f_.wv);
    Add(f_.e);
    Add(f_.b + f_.wv);
  }

  void Plain() {
    Add(f_.q);
    Add(f_.p);
  }

  void Filled() {
    Add(f_.q);
    AddTip();
    Add(f_.p);
  }

  void Open() {
    const float c = 2 * f_.l / aw_;
    const float t = ShoulderLength(f_, c);
    Add(f_.q);
    if (t > 0) {
      Add(f_.q + f_.u * t);
      Add(f_.q - f_.n * (t / c));
    }
    AddTip();
    if (t > 0) {
      Add(f_.p + f_.n * (t / c));
      Add(f_.p + f_.u * t);
    }
    Add(f_.p);
  }

  void Stealth() {
    const float c = 2 * f_.l / aw_;
    const float t = ShoulderLength(f_, c);
    const float k = aw_ / 2 - 0.75f * f_.w - t / c;
    Add(f_.q);
    if (t > 0) {
      const TQuarterArc arc = QuarterArcPoints(scale_ * t);
      auto inner = [&](int i, float side) {
        const float ci = arc.Cos[static_cast<size_t>(i)], si = arc.Sin[static_cast<size_t>(i)];
        const Vec base = side < 0 ? f_.q : f_.p;
        return base + f_.u * (t * ci) + f_.n * (side * k * si) + f_.n * (side * t * (1 - ci) / c);
      };
      for (int i = 0; i <= arc.Count; ++i) Add(inner(i, -1));
      AddTip();
      for (int i = arc.Count; i >= 0; --i) Add(inner(i, 1));
    } else {
      AddTip();
    }
    Add(f_.p);
  }

  void DiamondHead() {
    const Vec middle = f_.b + f_.u * (f_.l / 2);
    Add(f_.q);
    Add(middle - f_.wv);
    Add(f_.e);
    Add(middle + f_.wv);
    Add(f_.p);
  }

  void OvalHead() {
    const float h = f_.l / 2, r = aw_ / 2;
    const TQuarterArc arc = QuarterArcPoints(scale_ * std::max(r, h));
    const int m = arc.Count;
    // The ellipse centred at b + u h, half-axes h along the line and r across it: the point at
    // quarter index i on the given sides (along: -1 towards b, +1 towards e; across: -1 or +1).
    auto at = [&](int i, float along, float across) {
      const float ci = arc.Cos[static_cast<size_t>(i)], si = arc.Sin[static_cast<size_t>(i)];
      return f_.b + f_.u * (h * (1 + along * ci)) + f_.n * (across * r * si);
    };
    Add(f_.q);
    for (int i = 1; i <= m - 1; ++i) {
      const Vec v = at(i, -1, -1);
      if (Cross(v - f_.q, f_.u) > 0) Add(v);  // leave out what lies inside the line body
    }
    for (int i = m; i >= 1; --i) Add(at(i, 1, -1));
    for (int i = 0; i <= m - 1; ++i) Add(at(i, 1, 1));
    for (int i = m; i >= 1; --i) {
      const Vec v = at(i, -1, 1);
      if (Cross(v - f_.p, f_.u) < 0) Add(v);
    }
    Add(f_.p);
  }

 private:
  std::vector<TFloatPoint>& points_;
  const EndFrame& f_;
  float aw_;
  float scale_;
};

bool AllFinite(const std::vector<TFloatPoint>& points) {
  return std::all_of(points.begin(), points.end(),
                     [](const TFloatPoint& p) { return std::isfinite(p.X) && std::isfinite(p.Y); });
}

}  // namespace

std::string ArrowStyleName(TdtpArrowStyle style) {
  const int i = static_cast<int>(style);
  return kStyleNames[(i >= 0 && i < kArrowStyleCount) ? i : 0];
}

bool ArrowStyleFromName(const std::string& name, TdtpArrowStyle& style) {
  for (int i = 0; i < kArrowStyleCount; ++i) {
    if (name == kStyleNames[i]) {
      style = static_cast<TdtpArrowStyle>(i);
      return true;
    }
  }
  return false;
}

void AppendArrowPoints(std::vector<TFloatPoint>& points, const TArrowHead& head, float lineWidth, TFloatPoint e,
                       TFloatPoint o, float scale) {
  const Vec d{e.X - o.X, e.Y - o.Y};
  const float len = std::sqrt(d.X * d.X + d.Y * d.Y);
  if (len == 0) return;
  EndFrame f;
  f.u = d * (1 / len);
  f.n = {-f.u.Y, f.u.X};
  f.e = {e.X, e.Y};
  f.w = lineWidth;
  const Vec hw = f.n * (lineWidth / 2);
  f.wv = f.n * (head.Width / 2);
  const TdtpArrowStyle style = head.Width <= lineWidth ? NoArrow : head.Style;
  f.l = style == NoArrow ? 0 : std::min(0.7f * len, head.Length);
  f.b = f.e - f.u * f.l;
  f.q = f.b - hw;
  f.p = f.b + hw;

  ArrowBuilder builder(points, f, head.Width, scale);
  switch (style) {
    case Arrow: builder.Filled(); break;
    case OpenArrow: builder.Open(); break;
    case StealthArrow: builder.Stealth(); break;
    case Diamond: builder.DiamondHead(); break;
    case Oval: builder.OvalHead(); break;
    default: builder.Plain(); break;
  }
}

std::vector<TFloatPoint> LineOutlinePoints(TFloatPoint p0, TFloatPoint p1, const TArrowHead& head0,
                                           const TArrowHead& head1, float lineWidth, float scale) {
  std::vector<TFloatPoint> points;
  if (p0 == p1) return points;
  AppendArrowPoints(points, head0, lineWidth, p0, p1, scale);
  AppendArrowPoints(points, head1, lineWidth, p1, p0, scale);
  if (!AllFinite(points)) points.clear();
  return points;
}

}  // namespace kivrano
