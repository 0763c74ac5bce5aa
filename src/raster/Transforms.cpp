#include "raster/Transforms.h"

#include <algorithm>
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

// Walks the reverse positions of one destination row, stepping the 20.12 sums of an affine
// transformation instead of multiplying per pixel; other transformations are asked per pixel.
class TRowWalker {
 public:
  TRowWalker(const TTransformation& t, bool fixed) : T_(t), Fixed_(fixed), Affine_(dynamic_cast<const TAffineTransformation*>(&t)) {}

  void Start(int x, int y, int64_t a, int64_t b, int64_t c, int64_t d, int64_t e, int64_t f) {
    X_ = x;
    Y_ = y;
    const int64_t round = Fixed_ ? 7 : 2047;
    SumX_ = a * x + b * y + c + round;
    SumY_ = d * x + e * y + f + round;
    StepX_ = a;
    StepY_ = d;
  }

  void Next(int& sx, int& sy) {
    if (Affine_ == nullptr) {
      if (Fixed_)
        T_.ReverseTransformFixed(X_, Y_, sx, sy);
      else
        T_.ReverseTransformInt(X_, Y_, sx, sy);
    } else {
      const int shift = Fixed_ ? 4 : 12;
      sx = SaturateToInt32(SumX_ >> shift);
      sy = SaturateToInt32(SumY_ >> shift);
      SumX_ += StepX_;
      SumY_ += StepY_;
    }
    ++X_;
  }

 private:
  const TTransformation& T_;
  bool Fixed_;
  const TAffineTransformation* Affine_;
  int X_ = 0, Y_ = 0;
  int64_t SumX_ = 0, SumY_ = 0, StepX_ = 0, StepY_ = 0;
};

}  // namespace

void Transform(TBitmap32& dst, const TBitmap32& src, TTransformation& transformation) {
  if (!transformation.TransformValid()) transformation.PrepareTransform();
  if (dst.Empty() || src.Empty()) return;
  TDrawMode mode = src.DrawMode();
  const TPixelCombineEvent& combine = src.OnPixelCombine;
  if (mode == dmCustom && !combine) mode = dmOpaque;
  const int master = src.MasterAlpha();

  const TFloatRect& r = transformation.SrcRect();
  TRect srcRect{RoundSaturated(r.Left), RoundSaturated(r.Top), RoundSaturated(r.Right), RoundSaturated(r.Bottom)};
  // A source rectangle that misses the surface draws nothing.
  if (!IntersectRect(srcRect, srcRect, TRect{0, 0, src.Width() - 1, src.Height() - 1})) return;
  TRect dstRect = transformation.GetTransformedBounds();
  if (!IntersectRect(dstRect, dstRect, TRect{0, 0, dst.Width() - 1, dst.Height() - 1})) return;
  if (dstRect.Right <= dstRect.Left || dstRect.Bottom <= dstRect.Top) return;

  auto write = [mode, &combine, master](TColor32 sample, TColor32& pixel) {
    switch (mode) {
      case dmOpaque: pixel = sample; break;
      case dmBlend: pixel = BlendWithMaster(sample, pixel, master); break;
      case dmCustom: combine(sample, pixel, static_cast<TColor32>(master)); break;
    }
  };
  const bool nearest = src.StretchFilter() == sfNearest;
  TRowWalker walker(transformation, !nearest);
  const auto* affine = dynamic_cast<const TAffineTransformation*>(&transformation);
  const int left = srcRect.Left, top = srcRect.Top, right = srcRect.Right, bottom = srcRect.Bottom;
  for (int y = dstRect.Top; y <= dstRect.Bottom; ++y) {
    if (affine != nullptr)
      walker.Start(dstRect.Left, y, affine->A_, affine->B_, affine->C_, affine->D_, affine->E_, affine->F_);
    else
      walker.Start(dstRect.Left, y, 0, 0, 0, 0, 0, 0);
    TColor32* d = dst.PixelPtr(dstRect.Left, y);
    for (int x = dstRect.Left; x <= dstRect.Right; ++x, ++d) {
      int sx = 0, sy = 0;
      walker.Next(sx, sy);
      if (nearest) {
        if (sx >= left && sx <= right && sy >= top && sy <= bottom) write(src.GetPixel(sx, sy), *d);
        continue;
      }
      const int column = sx >> 8, row = sy >> 8;
      const int wx = 255 - (sx & 255), wy = 255 - (sy & 255);
      TColor32 p00, p10, p01, p11;
      if (column >= left && column < right && row >= top && row < bottom) {
        const TColor32* s = src.PixelPtr(column, row);
        p00 = s[0];
        p10 = s[1];
        s += src.Width();
        p01 = s[0];
        p11 = s[1];
      } else if (column >= left - 1 && column <= right && row >= top - 1 && row <= bottom) {
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
  dst.Changed();
}

}  // namespace kivrano
