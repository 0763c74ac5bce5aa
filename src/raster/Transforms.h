#pragma once

#include <array>
#include <cstdint>

#include "base/Exception.h"
#include "base/Types.h"

namespace kivrano {

class TBitmap32;

// Raised by the stretch and block transfers on a missing or empty surface or a bad source rectangle.
class ETransformError : public Exception {
 public:
  using Exception::Exception;
};

// A 3 x 3 single-precision matrix indexed [column][row]: (x, y) maps to
// x' = M[0][0] x + M[1][0] y + M[2][0] and y' = M[0][1] x + M[1][1] y + M[2][1].
using TFloatMatrix = std::array<std::array<float, 3>, 3>;
using TVector3f = std::array<float, 3>;

constexpr TFloatMatrix IdentityMatrix = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

// The transform M2 followed by M1.
TFloatMatrix MatrixMultiply(const TFloatMatrix& M1, const TFloatMatrix& M2);
float MatrixDeterminant(const TFloatMatrix& M);
TFloatMatrix MatrixAdjoint(const TFloatMatrix& M);
// The inverse; the identity when the matrix is (nearly) singular.
TFloatMatrix MatrixInvert(const TFloatMatrix& M);
TVector3f MatrixTransformVector(const TFloatMatrix& M, const TVector3f& V);

// A mapping of destination pixels back to source pixels, prepared once into fixed point.
class TTransformation {
 public:
  virtual ~TTransformation() = default;

  // Source pixel of destination pixel (dstX, dstY), in whole pixels.
  virtual void ReverseTransformInt(int dstX, int dstY, int& srcX, int& srcY) const = 0;
  // The same in 24.8 fixed point.
  virtual void ReverseTransformFixed(int dstX, int dstY, int& srcX, int& srcY) const = 0;
  virtual void PrepareTransform() = 0;
  // Bounding rectangle of the transformed source rectangle, grown to whole pixels.
  virtual TRect GetTransformedBounds() const = 0;

  const TFloatRect& SrcRect() const { return SrcRect_; }
  void SetSourceRect(const TFloatRect& r) {
    SrcRect_ = r;
    TransformValid_ = false;
  }
  bool TransformValid() const { return TransformValid_; }

 protected:
  TFloatRect SrcRect_;
  bool TransformValid_ = false;
};

class TAffineTransformation : public TTransformation {
 public:
  TAffineTransformation() = default;

  void ReverseTransformInt(int dstX, int dstY, int& srcX, int& srcY) const override;
  void ReverseTransformFixed(int dstX, int dstY, int& srcX, int& srcY) const override;
  void PrepareTransform() override;
  TRect GetTransformedBounds() const override;

  const TFloatMatrix& Matrix() const { return Matrix_; }
  void SetMatrix(const TFloatMatrix& m) {
    Matrix_ = m;
    TransformValid_ = false;
  }

  void Clear();
  // Turns by a degrees about (cx, cy); positive turns counter-clockwise on a y-down screen.
  void Rotate(float cx, float cy, float a);
  void Scale(float sx, float sy);
  void Translate(float dx, float dy);

 private:
  friend void Transform(TBitmap32& dst, const TBitmap32& src, TTransformation& transformation);
  void Compose(const TFloatMatrix& m);

  // The inverse matrix in 20.12 fixed point.
  int32_t A_ = 0, B_ = 0, C_ = 0, D_ = 0, E_ = 0, F_ = 0;
  TFloatMatrix Matrix_ = IdentityMatrix;
};

// Draws src through the transformation into dst with src's draw mode, master alpha, combine
// callback, stretch filter and outer colour.
void Transform(TBitmap32& dst, const TBitmap32& src, TTransformation& transformation);

}  // namespace kivrano
