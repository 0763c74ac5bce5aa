#include <gtest/gtest.h>

#include <cmath>

#include "raster/Transforms.h"

namespace kivrano {
namespace {

TVector3f Apply(const TFloatMatrix& m, float x, float y) { return MatrixTransformVector(m, {x, y, 1}); }

TEST(Matrix, MultiplyAppliesTheRightOperandFirst) {
  TFloatMatrix scale = IdentityMatrix;
  scale[0][0] = 2;
  scale[1][1] = 3;
  TFloatMatrix shift = IdentityMatrix;
  shift[2][0] = 10;
  shift[2][1] = 20;
  // shift, then scale: (1, 1) -> (11, 21) -> (22, 63)
  TVector3f v = Apply(MatrixMultiply(scale, shift), 1, 1);
  EXPECT_FLOAT_EQ(v[0], 22);
  EXPECT_FLOAT_EQ(v[1], 63);
  // scale, then shift: (1, 1) -> (2, 3) -> (12, 23)
  v = Apply(MatrixMultiply(shift, scale), 1, 1);
  EXPECT_FLOAT_EQ(v[0], 12);
  EXPECT_FLOAT_EQ(v[1], 23);
}

TEST(Matrix, InverseUndoesTheMatrixAndSingularGivesIdentity) {
  TFloatMatrix m = {{{2, 1, 0}, {-1, 3, 0}, {5, -7, 1}}};
  EXPECT_FLOAT_EQ(MatrixDeterminant(m), 7);
  const TFloatMatrix p = MatrixMultiply(m, MatrixInvert(m));
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(p[c][r], c == r ? 1 : 0, 1e-6) << c << "," << r;
  // The adjoint is the inverse scaled by the determinant.
  const TFloatMatrix adj = MatrixAdjoint(m);
  EXPECT_FLOAT_EQ(adj[0][0], 3);
  EXPECT_FLOAT_EQ(adj[2][0], -8);  // inverse offset -8/7

  TFloatMatrix singular = {{{1, 2, 0}, {2, 4, 0}, {3, 3, 1}}};
  EXPECT_EQ(MatrixInvert(singular), IdentityMatrix);
  TFloatMatrix tiny = IdentityMatrix;  // determinant 1e-6 is below the threshold
  tiny[0][0] = 1e-3f;
  tiny[1][1] = 1e-3f;
  EXPECT_EQ(MatrixInvert(tiny), IdentityMatrix);
  TFloatMatrix nan = IdentityMatrix;
  nan[0][0] = std::nanf("");
  EXPECT_EQ(MatrixInvert(nan), IdentityMatrix);
}

TEST(AffineTransformation, RotateTurnsCounterClockwiseOnAYDownScreen) {
  TAffineTransformation t;
  t.Rotate(0, 0, 90);
  TVector3f v = Apply(t.Matrix(), 1, 0);
  EXPECT_NEAR(v[0], 0, 1e-6);
  EXPECT_NEAR(v[1], -1, 1e-6);
  // About a centre: the centre stays where it is.
  t.Clear();
  t.Rotate(10, 5, 90);
  v = Apply(t.Matrix(), 10, 5);
  EXPECT_NEAR(v[0], 10, 1e-5);
  EXPECT_NEAR(v[1], 5, 1e-5);
  v = Apply(t.Matrix(), 11, 5);
  EXPECT_NEAR(v[0], 10, 1e-5);
  EXPECT_NEAR(v[1], 4, 1e-5);
}

TEST(AffineTransformation, OperationsInvalidateThePreparedData) {
  TAffineTransformation t;
  t.PrepareTransform();
  EXPECT_TRUE(t.TransformValid());
  t.Translate(1, 2);
  EXPECT_FALSE(t.TransformValid());
  t.PrepareTransform();
  t.SetSourceRect({0, 0, 4, 4});
  EXPECT_FALSE(t.TransformValid());
  t.PrepareTransform();
  t.Clear();
  EXPECT_FALSE(t.TransformValid());
  EXPECT_EQ(t.Matrix(), IdentityMatrix);
}

// Reverse transforms: 20.12 fixed point, rounded with +2047 (whole pixels) or +7 (24.8) and
// arithmetic shifts, so that negative positions floor.
TEST(AffineTransformation, ReverseTransformsInFixedPoint) {
  struct Case {
    float sx, sy, dx, dy;
    int x, y;
    int intX, intY, fixedX, fixedY;
  } cases[] = {
      // scale 2: inverse 0.5 (2048); 1.5 and 2.5 both fall to the lower pixel
      {2, 2, 0, 0, 3, 5, 1, 2, 384, 640},
      // shift by +10.3: C = round(-4096 * 10.3) = -42189; (-42189 + 2047) >> 12 = -10
      {1, 1, 10.3f, 0, 0, 0, -10, 0, (-42189 + 7) >> 4, 0},
      // shift by -10.3 gives +10
      {1, 1, -10.3f, 0, 0, 0, 10, 0, (42189 + 7) >> 4, 0},
      // scale 1/3 in y: inverse 3 (12288) exactly
      {1, 1.0f / 3, 0, 0, 0, 7, 0, 21, 0, 21 * 256},
  };
  for (const Case& c : cases) {
    TAffineTransformation t;
    t.Scale(c.sx, c.sy);
    t.Translate(c.dx, c.dy);
    t.PrepareTransform();
    int sx = 0, sy = 0;
    t.ReverseTransformInt(c.x, c.y, sx, sy);
    EXPECT_EQ(sx, c.intX) << c.sx << " " << c.dx;
    EXPECT_EQ(sy, c.intY) << c.sx << " " << c.dx;
    t.ReverseTransformFixed(c.x, c.y, sx, sy);
    EXPECT_EQ(sx, c.fixedX) << c.sx << " " << c.dx;
    EXPECT_EQ(sy, c.fixedY) << c.sx << " " << c.dx;
  }
}

TEST(AffineTransformation, SingularMatrixTransformsThroughTheIdentity) {
  TAffineTransformation t;
  t.Scale(0, 5);
  t.PrepareTransform();
  int sx = 0, sy = 0;
  t.ReverseTransformInt(7, -3, sx, sy);
  EXPECT_EQ(sx, 7);
  EXPECT_EQ(sy, -3);
}

TEST(AffineTransformation, ExtremeMatricesSaturateInsteadOfWrapping) {
  TAffineTransformation t;
  t.Translate(-3e9f, 0);  // the 20.12 offset does not fit 32 bits
  t.PrepareTransform();
  int sx = 0, sy = 0;
  t.ReverseTransformInt(2000000000, 0, sx, sy);
  EXPECT_GT(sx, 0);
  t.ReverseTransformFixed(2000000000, 0, sx, sy);
  EXPECT_EQ(sx, 2147483647);
}

TEST(AffineTransformation, TransformedBoundsGrowToWholePixelsRoundingTiesToEven) {
  struct Case {
    TFloatRect src;
    float sx, sy, dx, dy;
    TRect expected;
  } cases[] = {
      // x in [0.25, 20.25], y in [-0.75, 14.25]
      {{0, 0, 10, 5}, 2, 3, 0.25f, -0.75f, {0, -1, 21, 15}},
      // whole-pixel corners: min - 0.5 and max + 0.5 are ties, rounded to even
      {{1, 1, 3, 3}, 1, 1, 0, 0, {0, 0, 4, 4}},
      {{2, 2, 5, 5}, 1, 1, 0, 0, {2, 2, 6, 6}},
      // mirrored: the corners swap
      {{0, 0, 4, 2}, -1, 1, 0, 0, {-4, 0, 0, 2}},
  };
  for (const Case& c : cases) {
    TAffineTransformation t;
    t.SetSourceRect(c.src);
    t.Scale(c.sx, c.sy);
    t.Translate(c.dx, c.dy);
    EXPECT_EQ(t.GetTransformedBounds(), c.expected) << c.src.Left << " " << c.sx;
  }
}

}  // namespace
}  // namespace kivrano
