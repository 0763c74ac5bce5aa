#include "raster/Transforms.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

}  // namespace kivrano
