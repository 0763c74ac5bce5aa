#include "raster/Polygons.h"

#include <algorithm>
#include <cmath>

#include "raster/FixedMath.h"
#include "raster/Geometry.h"

namespace kivrano {

TPolygon32::TPolygon32() { NewLine(); }

void TPolygon32::SetClosed(bool value) {
  if (value == Closed_) return;
  Closed_ = value;
  Normals_.clear();  // the last point's normal depends on it
}

void TPolygon32::Add(const TFixedPoint& point) {
  Points_.back().push_back(point);
  Normals_.clear();
}

void TPolygon32::AddPoints(const TFixedPoint* points, int count) {
  if (count > 0) Points_.back().insert(Points_.back().end(), points, points + count);
  Normals_.clear();
}

void TPolygon32::NewLine() {
  Points_.emplace_back();
  Normals_.clear();
}

void TPolygon32::Clear() {
  Points_.clear();
  Normals_.clear();
  NewLine();
}

namespace {

TFixedPoint SegmentNormal(const TFixedPoint& a, const TFixedPoint& b) {
  const float dx = static_cast<float>(int64_t{b.X} - a.X);
  const float dy = static_cast<float>(int64_t{b.Y} - a.Y);
  const float length = std::sqrt(dx * dx + dy * dy);
  if (!(length > 0)) return {0, 0};
  return {RoundSaturated(dy / length * 65536.0f), RoundSaturated(-dx / length * 65536.0f)};
}

TFixedPoint Offset(const TFixedPoint& p, const TFixedPoint& d) {
  return {SaturateToInt32(int64_t{p.X} + d.X), SaturateToInt32(int64_t{p.Y} + d.Y)};
}

TFixedPoint ScaleNormal(const TFixedPoint& n, TFixed delta) {
  return {MulDivRound(n.X, delta, 65536), MulDivRound(n.Y, delta, 65536)};
}

}  // namespace

void TPolygon32::BuildNormals() {
  if (!Normals_.empty()) return;
  Normals_.resize(Points_.size());
  for (size_t l = 0; l < Points_.size(); ++l) {
    const TArrayOfFixedPoint& pts = Points_[l];
    TArrayOfFixedPoint& normals = Normals_[l];
    const size_t n = pts.size();
    if (n == 0) continue;
    normals.resize(n);
    if (n == 1) continue;  // a single point has the normal (0, 0)
    for (size_t i = 0; i + 1 < n; ++i) normals[i] = SegmentNormal(pts[i], pts[i + 1]);
    normals[n - 1] = Closed_ ? SegmentNormal(pts[n - 1], pts[0]) : normals[n - 2];
  }
}

std::unique_ptr<TPolygon32> TPolygon32::EmptyLike() const {
  auto result = std::make_unique<TPolygon32>();
  result->Antialiased_ = Antialiased_;
  result->Closed_ = Closed_;
  result->FillMode_ = FillMode_;
  result->Points_.clear();
  return result;
}

std::unique_ptr<TPolygon32> TPolygon32::Outline() {
  BuildNormals();
  auto result = EmptyLike();
  for (const TArrayOfFixedPoint& line : Points_) {
    if (line.size() < 2) continue;
    result->Points_.push_back(line);
    if (Closed_) result->Points_.emplace_back();
    result->Points_.back().insert(result->Points_.back().end(), line.rbegin(), line.rend());
  }
  return result;
}

std::unique_ptr<TPolygon32> TPolygon32::Grow(TFixed delta, float edgeSharpness) {
  edgeSharpness = std::isnan(edgeSharpness) ? 0.0f : std::clamp(edgeSharpness, 0.0f, 0.99f);
  const int R = RoundSaturated((1.0f - edgeSharpness) * static_cast<float>(delta));
  BuildNormals();
  auto result = EmptyLike();
  if (delta == 0) {
    result->Points_ = Points_;
    return result;
  }
  for (size_t l = 0; l < Points_.size(); ++l) {
    const TArrayOfFixedPoint& pts = Points_[l];
    const TArrayOfFixedPoint& normals = Normals_[l];
    const size_t n = pts.size();
    if (n < 2) continue;
    TArrayOfFixedPoint& out = result->Points_.emplace_back();
    out.reserve(n + n / 2);
    for (size_t i = 0; i < n; ++i) {
      const TFixedPoint& P = pts[i];
      const TFixedPoint nd = ScaleNormal(normals[i], delta);
      if (!Closed_ && i == 0) {
        out.push_back(Offset(P, nd));
        continue;
      }
      const TFixedPoint pd = ScaleNormal(normals[i > 0 ? i - 1 : n - 1], delta);
      if (!Closed_ && i == n - 1) {
        out.push_back(Offset(P, pd));
        continue;
      }
      const TFixedPoint s = Offset(pd, nd);
      const int l2 = SaturateToInt32(int64_t{MulDivRound(pd.X, s.X, delta)} + MulDivRound(pd.Y, s.Y, delta));
      // The mitre length is delta * sqrt(2 / (1 + cos turn)) and l = delta * (1 + cos turn):
      // mitre while l is further from 0 than R. For a negative delta both are negative, so the
      // comparison turns round; a mitre never divides by l = 0.
      const bool mitre = delta > 0 ? l2 > R : l2 < R;
      if (mitre && l2 != 0) {
        out.push_back(Offset(P, {MulDivRound(s.X, delta, l2), MulDivRound(s.Y, delta, l2)}));
      } else {
        out.push_back(Offset(P, pd));
        out.push_back(Offset(P, nd));
      }
    }
  }
  return result;
}

}  // namespace kivrano
