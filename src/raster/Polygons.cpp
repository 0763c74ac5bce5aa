#include "raster/Polygons.h"

#include <algorithm>
#include <cmath>

#include "raster/Bitmap32.h"
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

namespace {

// Rows of crossings built at a time: bounds the crossing memory by the surface's width in edges
// rather than its height. A multiple of 8 so that pixel rows never straddle two bands.
constexpr int kBandRows = 512;

// Point lines converted for filling: x scaled by xShift fraction bits, y in (sub-)rows.
struct TFillGeometry {
  TArrayOfArrayOfPoint Rings;
  int MinY = INT32_MAX;
  int MaxY = INT32_MIN;
};

TFillGeometry ConvertAntialiased(const TArrayOfArrayOfFixedPoint& lines) {
  TFillGeometry g;
  for (const TArrayOfFixedPoint& line : lines) {
    if (line.size() < 3) continue;
    TArrayOfPoint& ring = g.Rings.emplace_back();
    ring.reserve(line.size());
    for (const TFixedPoint& p : line) {
      // Eighths of a pixel in both directions.
      const int x = static_cast<int>((int64_t{p.X} + 2047) >> 13);
      const int y = static_cast<int>((int64_t{p.Y} + 2047) >> 13);
      ring.push_back({x, y});
      g.MinY = std::min(g.MinY, y);
      g.MaxY = std::max(g.MaxY, y);
    }
  }
  return g;
}

TFillGeometry ConvertAliased(const TArrayOfArrayOfFixedPoint& lines) {
  TFillGeometry g;
  for (const TArrayOfFixedPoint& line : lines) {
    TArrayOfPoint ring;
    ring.reserve(line.size());
    for (const TFixedPoint& p : line) {
      // Whole pixels; x carries 8 fraction bits.
      const int x = FixedRound(p.X) * 256;
      const int y = FixedRound(p.Y);
      ring.push_back({x, y});
      g.MinY = std::min(g.MinY, y);
      g.MaxY = std::max(g.MaxY, y);
    }
    if (ring.size() >= 3) g.Rings.push_back(std::move(ring));
  }
  return g;
}

void FillAliased(TBitmap32& bitmap, const TArrayOfArrayOfFixedPoint& lines, TPolyFillMode mode, TColor32 color) {
  const TFillGeometry g = ConvertAliased(lines);
  const int minY = std::clamp(g.MinY, 0, bitmap.Height());
  const int maxY = std::clamp(g.MaxY, 0, bitmap.Height());
  if (minY >= maxY) return;
  TEdgeList edges;
  CollectEdges(g.Rings, edges);
  const int lastRow = std::min(maxY, bitmap.Height() - 1);
  const int maxX = static_cast<int>(std::min<int64_t>(int64_t{256} * bitmap.Width() - 1, INT32_MAX));
  const bool opaque = AlphaOf(color) == 255;
  std::vector<TSpan> spans;
  for (int band = minY; band <= lastRow; band += kBandRows) {
    const int bandLast = std::min(lastRow, band + kBandRows - 1);
    const TCrossingTable table = BuildCrossings(edges, band, bandLast, maxX);
    for (int y = band; y <= bandLast; ++y) {
      AliasedSpans(table.Row(y), mode, bitmap.Width(), spans);
      for (const TSpan& s : spans) {
        if (opaque)
          bitmap.HorzLine(s.X1, y, s.X2, color);
        else
          bitmap.HorzLineBlended(s.X1, y, s.X2, color);
      }
    }
  }
}

void FillAntialiased(TBitmap32& bitmap, const TArrayOfArrayOfFixedPoint& lines, TPolyFillMode mode, TColor32 color) {
  const TFillGeometry g = ConvertAntialiased(lines);
  const int lastSubRow = static_cast<int>(std::min<int64_t>(int64_t{8} * bitmap.Height() - 1, INT32_MAX));
  const int minY = std::clamp(g.MinY, 0, lastSubRow);
  const int maxY = std::clamp(g.MaxY, 0, lastSubRow);
  if (minY >= maxY) return;
  TEdgeList edges;
  CollectEdges(g.Rings, edges);
  const int maxX = static_cast<int>(std::min<int64_t>(int64_t{8} * bitmap.Width() - 1, INT32_MAX));
  const int master = AlphaOf(color);
  const bool opaque = master == 255;
  TCoverageScratch scratch;
  std::vector<TCoverageRun> runs;
  const int width = bitmap.Width();
  for (int band = minY & ~7; band <= maxY; band += kBandRows) {
    const int bandLast = std::min(maxY, band + kBandRows - 1);
    const TCrossingTable table = BuildCrossings(edges, std::max(band, minY), bandLast, maxX);
    for (int sub = band; sub <= bandLast; sub += 8) {
      RowCoverage(table, std::max(sub, minY), std::min(sub + 7, bandLast), mode, width, scratch, runs);
      TColor32* row = bitmap.ScanLine(sub >> 3);
      for (size_t k = 0; k < runs.size(); ++k) {
        const int c = std::clamp(runs[k].Coverage, 0, 56);
        if (c == 0) continue;
        TColor32* d = row + runs[k].Column;
        TColor32* end = row + (k + 1 < runs.size() ? runs[k + 1].Column : width);
        if (c == 56 && opaque) {
          std::fill(d, end, color);
          continue;
        }
        const TColor32 shade = SetAlpha(color, (c * 1167) >> 8);
        for (; d < end; ++d) *d = Merge(shade, *d, master);
      }
    }
  }
}

}  // namespace

void TPolygon32::DrawFill(TBitmap32& bitmap, TColor32 color) const {
  if (bitmap.Empty()) return;
  bitmap.Batch([&] {
    if (Antialiased_)
      FillAntialiased(bitmap, Points_, FillMode_, color);
    else
      FillAliased(bitmap, Points_, FillMode_, color);
  });
}

void TPolygon32::DrawEdges(TBitmap32& bitmap, TColor32 color) const {
  if (bitmap.Empty()) return;
  bitmap.Batch([&] {
    for (const TArrayOfFixedPoint& line : Points_) DrawLineEdges(bitmap, line, color);
  });
}

// One line's outline: a lone point of a closed line is plotted; otherwise segments from point to
// point, anti-aliased or rounded to whole pixels (the closing segment always blended).
void TPolygon32::DrawLineEdges(TBitmap32& bitmap, const TArrayOfFixedPoint& line, TColor32 color) const {
  if (line.size() == 1 && Closed_) {
    if (Antialiased_)
      bitmap.PlotAntialiasedSafe(line[0].X >> 8, line[0].Y >> 8, color);
    else
      bitmap.BlendPixelSafe(FixedRound(line[0].X), FixedRound(line[0].Y), color);
  }
  if (line.size() < 2) return;
  bitmap.SetPenColor(color);
  if (Antialiased_) {
    bitmap.MoveToFixed(line[0].X, line[0].Y);
    for (size_t i = 1; i < line.size(); ++i) bitmap.LineToAntialiased(line[i].X, line[i].Y);
    if (Closed_) bitmap.LineToAntialiased(line[0].X, line[0].Y);
    return;
  }
  const bool opaque = AlphaOf(color) == 255;
  bitmap.MoveTo(FixedRound(line[0].X), FixedRound(line[0].Y));
  for (size_t i = 1; i < line.size(); ++i) {
    if (opaque)
      bitmap.LineToClipped(FixedRound(line[i].X), FixedRound(line[i].Y));
    else
      bitmap.LineToBlended(FixedRound(line[i].X), FixedRound(line[i].Y));
  }
  if (Closed_) bitmap.LineToBlended(FixedRound(line[0].X), FixedRound(line[0].Y));
}

}  // namespace kivrano
