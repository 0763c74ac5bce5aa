#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/Color32.h"
#include "raster/Geometry.h"
#include "raster/ScanConversion.h"

namespace kivrano {

class TBitmap32;

// A point in 16.16 fixed point.
struct TFixedPoint {
  TFixed X = 0;
  TFixed Y = 0;
  friend bool operator==(const TFixedPoint&, const TFixedPoint&) = default;
};
using TArrayOfFixedPoint = std::vector<TFixedPoint>;
using TArrayOfArrayOfFixedPoint = std::vector<TArrayOfFixedPoint>;

// Point lines in 16.16 fixed point, filled (even-odd or non-zero, aliased or with 8 x 8
// sub-sample anti-aliasing) or outlined onto a surface, and offset into new polygons.
class TPolygon32 {
 public:
  TPolygon32();

  bool Antialiased() const { return Antialiased_; }
  void SetAntialiased(bool value) { Antialiased_ = value; }
  // Whether each line's last point connects back to its first.
  bool Closed() const { return Closed_; }
  void SetClosed(bool value);
  TPolyFillMode FillMode() const { return FillMode_; }
  void SetFillMode(TPolyFillMode value) { FillMode_ = value; }
  const TArrayOfArrayOfFixedPoint& Normals() const { return Normals_; }
  const TArrayOfArrayOfFixedPoint& Points() const { return Points_; }

  void Add(const TFixedPoint& point);
  void AddPoints(const TFixedPoint* points, int count);
  void NewLine();
  void Clear();

  void DrawEdges(TBitmap32& bitmap, TColor32 color) const;
  void DrawFill(TBitmap32& bitmap, TColor32 color) const;

  // Unit normals (dy, -dx) / length of each point's outgoing segment, in fixed point.
  void BuildNormals();
  // Every line followed by its reverse: the double path whose grown form is a stroke.
  std::unique_ptr<TPolygon32> Outline();
  // The lines offset by delta (16.16) along their normals; corners are mitred where the mitre is
  // short enough for the edge sharpness (0 .. 0.99) and bevelled otherwise.
  std::unique_ptr<TPolygon32> Grow(TFixed delta, float edgeSharpness = 0);

 private:
  std::unique_ptr<TPolygon32> EmptyLike() const;
  void DrawLineEdges(TBitmap32& bitmap, const TArrayOfFixedPoint& line, TColor32 color) const;

  bool Antialiased_ = false;
  bool Closed_ = true;
  TPolyFillMode FillMode_ = Alternate;
  TArrayOfArrayOfFixedPoint Normals_;
  TArrayOfArrayOfFixedPoint Points_;
};

}  // namespace kivrano
