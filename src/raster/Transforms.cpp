#include "raster/Transforms.h"

#include <algorithm>
#include <utility>
#include <cmath>
#include <numbers>

#include "raster/Bitmap32.h"
#include "raster/FixedMath.h"

namespace kivrano {

TFloatMatrix MatrixMultiply(const TFloatMatrix& M1, const TFloatMatrix& M2) {
  TFloatMatrix r{};
  for (int c = 0; c < 3; ++c)
    for (int row = 0; row < 3; ++row)
      r[c][row] = M1[0][row] * M2[c][0] + M1[1][row] * M2[c][1] + M1[2][row] * M2[c][2];
  return r;
}

float MatrixDeterminant(const TFloatMatrix& M) {
  return M[0][0] * (M[1][1] * M[2][2] - M[2][1] * M[1][2]) -
         M[1][0] * (M[0][1] * M[2][2] - M[2][1] * M[0][2]) +
         M[2][0] * (M[0][1] * M[1][2] - M[1][1] * M[0][2]);
}

TFloatMatrix MatrixAdjoint(const TFloatMatrix& M) {
  // a(r, c) reads the matrix in row/column order; the adjoint is the transposed cofactor matrix.
  auto a = [&M](int r, int c) { return M[c][r]; };
  auto minor = [&a](int r0, int r1, int c0, int c1) { return a(r0, c0) * a(r1, c1) - a(r0, c1) * a(r1, c0); };
  TFloatMatrix adj{};
  // adj(r, c) = (-1)^(r + c) * minor of a without row c and column r, stored as adj[c][r].
  adj[0][0] = minor(1, 2, 1, 2);
  adj[1][0] = -minor(0, 2, 1, 2);
  adj[2][0] = minor(0, 1, 1, 2);
  adj[0][1] = -minor(1, 2, 0, 2);
  adj[1][1] = minor(0, 2, 0, 2);
  adj[2][1] = -minor(0, 1, 0, 2);
  adj[0][2] = minor(1, 2, 0, 1);
  adj[1][2] = -minor(0, 2, 0, 1);
  adj[2][2] = minor(0, 1, 0, 1);
  return adj;
}

TFloatMatrix MatrixInvert(const TFloatMatrix& M) {
  const float det = MatrixDeterminant(M);
  // The negated comparison also sends a NaN determinant to the identity.
  if (!(std::fabs(det) >= 1e-5f)) return IdentityMatrix;
  TFloatMatrix r = MatrixAdjoint(M);
  const float f = 1.0f / det;
  for (auto& column : r)
    for (float& v : column) v *= f;
  return r;
}

TVector3f MatrixTransformVector(const TFloatMatrix& M, const TVector3f& V) {
  TVector3f r{};
  for (int row = 0; row < 3; ++row) r[row] = M[0][row] * V[0] + M[1][row] * V[1] + M[2][row] * V[2];
  return r;
}

void TAffineTransformation::Compose(const TFloatMatrix& m) {
  Matrix_ = MatrixMultiply(m, Matrix_);
  TransformValid_ = false;
}

void TAffineTransformation::Clear() {
  Matrix_ = IdentityMatrix;
  TransformValid_ = false;
}

void TAffineTransformation::Translate(float dx, float dy) {
  TFloatMatrix m = IdentityMatrix;
  m[2][0] = dx;
  m[2][1] = dy;
  Compose(m);
}

void TAffineTransformation::Scale(float sx, float sy) {
  TFloatMatrix m = IdentityMatrix;
  m[0][0] = sx;
  m[1][1] = sy;
  Compose(m);
}

void TAffineTransformation::Rotate(float cx, float cy, float a) {
  const bool aroundCentre = cx != 0 || cy != 0;
  if (aroundCentre) Translate(-cx, -cy);
  const float rad = a * static_cast<float>(std::numbers::pi / 180.0);
  const float s = std::sin(rad);
  const float c = std::cos(rad);
  TFloatMatrix m = IdentityMatrix;
  m[0][0] = c;
  m[1][0] = s;
  m[0][1] = -s;
  m[1][1] = c;
  Compose(m);
  if (aroundCentre) Translate(cx, cy);
}

void TAffineTransformation::PrepareTransform() {
  const TFloatMatrix inv = MatrixInvert(Matrix_);
  A_ = RoundSaturated(4096.0f * inv[0][0]);
  B_ = RoundSaturated(4096.0f * inv[1][0]);
  C_ = RoundSaturated(4096.0f * inv[2][0]);
  D_ = RoundSaturated(4096.0f * inv[0][1]);
  E_ = RoundSaturated(4096.0f * inv[1][1]);
  F_ = RoundSaturated(4096.0f * inv[2][1]);
  TransformValid_ = true;
}

// The 20.12 sums are formed in 64 bits: extreme matrices must saturate, not wrap.
void TAffineTransformation::ReverseTransformInt(int dstX, int dstY, int& srcX, int& srcY) const {
  srcX = SaturateToInt32((int64_t{A_} * dstX + int64_t{B_} * dstY + C_ + 2047) >> 12);
  srcY = SaturateToInt32((int64_t{D_} * dstX + int64_t{E_} * dstY + F_ + 2047) >> 12);
}

void TAffineTransformation::ReverseTransformFixed(int dstX, int dstY, int& srcX, int& srcY) const {
  srcX = SaturateToInt32((int64_t{A_} * dstX + int64_t{B_} * dstY + C_ + 7) >> 4);
  srcY = SaturateToInt32((int64_t{D_} * dstX + int64_t{E_} * dstY + F_ + 7) >> 4);
}

TRect TAffineTransformation::GetTransformedBounds() const {
  const TFloatRect& s = SrcRect_;
  const float xs[4] = {s.Left, s.Right, s.Right, s.Left};
  const float ys[4] = {s.Top, s.Top, s.Bottom, s.Bottom};
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int i = 0; i < 4; ++i) {
    const TVector3f v = MatrixTransformVector(Matrix_, {xs[i], ys[i], 1.0f});
    if (i == 0 || v[0] < minX) minX = v[0];
    if (i == 0 || v[0] > maxX) maxX = v[0];
    if (i == 0 || v[1] < minY) minY = v[1];
    if (i == 0 || v[1] > maxY) maxY = v[1];
  }
  return TRect{RoundSaturated(minX - 0.5f), RoundSaturated(minY - 0.5f), RoundSaturated(maxX + 0.5f),
               RoundSaturated(maxY + 0.5f)};
}

namespace {

struct TSourceBounds {
  int Left, Top, Right, Bottom;  // inclusive
};

// Each row function takes `next(sx, sy)`, which yields the source position of the next
// destination pixel of the row.
template <class Next, class Write>
void NearestRow(const TBitmap32& src, const TSourceBounds& r, int count, Next next, TColor32* d, Write write) {
  const unsigned w = static_cast<unsigned>(r.Right - r.Left), h = static_cast<unsigned>(r.Bottom - r.Top);
  for (int i = 0; i < count; ++i, ++d) {
    int sx, sy;
    next(sx, sy);
    if (static_cast<unsigned>(sx - r.Left) <= w && static_cast<unsigned>(sy - r.Top) <= h)
      write(src.GetPixel(sx, sy), *d);
  }
}

template <class Next, class Write>
void InterpolatedRow(const TBitmap32& src, const TSourceBounds& r, int count, Next next, TColor32* d, Write write) {
  const int stride = src.Width();
  for (int i = 0; i < count; ++i, ++d) {
    int sx, sy;
    next(sx, sy);
    const int column = sx >> 8, row = sy >> 8;
    const int wx = 255 - (sx & 255), wy = 255 - (sy & 255);
    TColor32 p00, p10, p01, p11;
    if (column >= r.Left && column < r.Right && row >= r.Top && row < r.Bottom) {
      const TColor32* s = src.PixelPtr(column, row);
      p00 = s[0];
      p10 = s[1];
      p01 = s[stride];
      p11 = s[stride + 1];
    } else if (column >= r.Left - 1 && column <= r.Right && row >= r.Top - 1 && row <= r.Bottom) {
      p00 = src.GetPixelSafe(column, row);
      p10 = src.GetPixelSafe(column + 1, row);
      p01 = src.GetPixelSafe(column, row + 1);
      p11 = src.GetPixelSafe(column + 1, row + 1);
    } else {
      continue;
    }
    write(Combine(Combine(p00, p10, wx), Combine(p01, p11, wx), wy), *d);
  }
}

template <class Next, class Write>
void SampleRow(const TBitmap32& src, const TSourceBounds& r, bool nearest, int count, Next next, TColor32* d,
               Write write) {
  if (nearest)
    NearestRow(src, r, count, next, d, write);
  else
    InterpolatedRow(src, r, count, next, d, write);
}

// The stretch of the row x0 .. x1 whose affine source position can come within the source
// rectangle: a source coordinate (a x + k) / 4096 in pixels must lie in [lo, hi). Found in
// doubles and widened by a pixel on each side; the per-pixel tests stay exact.
bool ReachableStretch(double a, double k, double lo, double hi, int& x0, int& x1) {
  if (a == 0) return k / 4096 >= lo - 1 && k / 4096 < hi + 1;
  double p = (lo * 4096 - k) / a, q = (hi * 4096 - k) / a;
  if (p > q) std::swap(p, q);
  if (q + 1 < x0 || p - 1 > x1) return false;
  x0 = static_cast<int>(std::max<double>(x0, std::floor(p) - 1));
  x1 = static_cast<int>(std::min<double>(x1, std::ceil(q) + 1));
  return x0 <= x1;
}

template <class Write>
void TransformRows(TBitmap32& dst, const TBitmap32& src, const TTransformation& t, const int32_t* coefficients,
                   const TSourceBounds& r, const TRect& area, Write write) {
  const bool nearest = src.StretchFilter() == sfNearest;
  // Whole pixels must fall in left .. right; interpolated columns in left - 1 .. right.
  const double margin = nearest ? 0 : 1;
  for (int y = area.Top; y <= area.Bottom; ++y) {
    int x0 = area.Left, x1 = area.Right;
    if (coefficients != nullptr) {
      // Whole pixels are (sum + 2047) >> 12, interpolated columns ((sum + 7) >> 4) >> 8.
      const double round = nearest ? 2047 : 7;
      const double kx = static_cast<double>(coefficients[1]) * y + coefficients[2] + round;
      const double ky = static_cast<double>(coefficients[4]) * y + coefficients[5] + round;
      if (!ReachableStretch(coefficients[0], kx, r.Left - margin, r.Right + 1, x0, x1) ||
          !ReachableStretch(coefficients[3], ky, r.Top - margin, r.Bottom + 1, x0, x1))
        continue;
    }
    TColor32* d = dst.PixelPtr(x0, y);
    const int count = x1 - x0 + 1;
    if (coefficients != nullptr) {
      // Step the 20.12 sums along the row instead of multiplying per pixel.
      const int64_t A = coefficients[0], D = coefficients[3];
      const int64_t round = nearest ? 2047 : 7;
      const int shift = nearest ? 12 : 4;
      int64_t sumX = A * x0 + int64_t{coefficients[1]} * y + coefficients[2] + round;
      int64_t sumY = D * x0 + int64_t{coefficients[4]} * y + coefficients[5] + round;
      auto next = [&sumX, &sumY, A, D, shift](int& sx, int& sy) {
        sx = SaturateToInt32(sumX >> shift);
        sy = SaturateToInt32(sumY >> shift);
        sumX += A;
        sumY += D;
      };
      SampleRow(src, r, nearest, count, next, d, write);
    } else {
      int x = x0;
      auto next = [&t, &x, y, nearest](int& sx, int& sy) {
        if (nearest)
          t.ReverseTransformInt(x++, y, sx, sy);
        else
          t.ReverseTransformFixed(x++, y, sx, sy);
      };
      SampleRow(src, r, nearest, count, next, d, write);
    }
  }
}

}  // namespace

void Transform(TBitmap32& dst, const TBitmap32& src, TTransformation& transformation) {
  if (!transformation.TransformValid()) transformation.PrepareTransform();
  if (dst.Empty() || src.Empty()) return;
  TDrawMode mode = src.DrawMode();
  const TPixelCombineEvent& combine = src.OnPixelCombine;
  if (mode == dmCustom && !combine) mode = dmOpaque;
  const int master = src.MasterAlpha();

  const TFloatRect& f = transformation.SrcRect();
  TRect srcRect{RoundSaturated(f.Left), RoundSaturated(f.Top), RoundSaturated(f.Right), RoundSaturated(f.Bottom)};
  // A source rectangle that misses the surface draws nothing.
  if (!IntersectRect(srcRect, srcRect, TRect{0, 0, src.Width() - 1, src.Height() - 1})) return;
  TRect area = transformation.GetTransformedBounds();
  if (!IntersectRect(area, area, TRect{0, 0, dst.Width() - 1, dst.Height() - 1})) return;
  if (area.Right <= area.Left || area.Bottom <= area.Top) return;

  const auto* affine = dynamic_cast<const TAffineTransformation*>(&transformation);
  const int32_t coefficients[6] = {affine ? affine->A_ : 0, affine ? affine->B_ : 0, affine ? affine->C_ : 0,
                                   affine ? affine->D_ : 0, affine ? affine->E_ : 0, affine ? affine->F_ : 0};
  const int32_t* steps = affine != nullptr ? coefficients : nullptr;
  const TSourceBounds r{srcRect.Left, srcRect.Top, srcRect.Right, srcRect.Bottom};
  switch (mode) {
    case dmOpaque:
      TransformRows(dst, src, transformation, steps, r, area, [](TColor32 s, TColor32& d) { d = s; });
      break;
    case dmBlend:
      TransformRows(dst, src, transformation, steps, r, area,
                    [master](TColor32 s, TColor32& d) { d = BlendWithMaster(s, d, master); });
      break;
    case dmCustom:
      TransformRows(dst, src, transformation, steps, r, area,
                    [&combine, master](TColor32 s, TColor32& d) { combine(s, d, static_cast<TColor32>(master)); });
      break;
  }
  dst.Changed();
}

}  // namespace kivrano
