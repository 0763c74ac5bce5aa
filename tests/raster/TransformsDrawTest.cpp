#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/PngPictures.h"
#include "ResamplingTestSurfaces.h"
#include "raster/Transforms.h"

namespace kivrano {
namespace {

using namespace testing;

// 3 x 3 with distinct pixels.
struct Numbered : TBitmap32 {
  Numbered() {
    SetSize(3, 3);
    for (int i = 0; i < 9; ++i) Bits()[i] = 0xFF000000u | static_cast<TColor32>(i + 1);
  }
};

TEST(Transform, QuarterTurnWithNearestSamplingMovesEveryPixel) {
  Numbered src;
  Filled dst(3, 3, kBackground);
  TAffineTransformation t;
  t.SetSourceRect({0, 0, 3, 3});
  t.Rotate(0, 0, 90);  // (x, y) -> (y, -x)
  t.Translate(0, 2);
  int changes = 0;
  dst.OnChange = [&changes](TThreadPersistent*) { ++changes; };
  Transform(dst, src, t);
  EXPECT_EQ(changes, 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(2 - y, x)) << x << "," << y;
}

TEST(Transform, NearestCopiesOnlyTheInclusiveSourceRectangle) {
  Numbered src;
  Filled dst(5, 5, kBackground);
  TAffineTransformation t;
  t.SetSourceRect({1, 0, 2.4f, 1});  // rounds to columns 1..2, rows 0..1
  t.Translate(1, 1);
  Transform(dst, src, t);
  // Bounds: x 2 .. 3.4 -> 1 .. 4, y 1 .. 2 -> 0 .. 2 (ties to even).
  std::vector<TColor32> expected(25, kBackground);
  expected[1 * 5 + 2] = src.GetPixel(1, 0);
  expected[1 * 5 + 3] = src.GetPixel(2, 0);
  expected[2 * 5 + 2] = src.GetPixel(1, 1);
  expected[2 * 5 + 3] = src.GetPixel(2, 1);
  EXPECT_EQ(std::vector<TColor32>(dst.Bits(), dst.Bits() + 25), expected);
}

// Shifted right by half a pixel: destination x reads source x - 0.5, so column x - 1 at weight
// 127. Left of the source (column -1) mixes with the outer colour, right of it likewise, and
// beyond that nothing is drawn.
TEST(Transform, InterpolationMixesWithTheOuterColourAtTheEdges) {
  Filled src(3, 3, kBlack);
  for (int y = 0; y < 3; ++y) src.SetPixel(1, y, kWhite);
  src.SetOuterColor(0x00FF0000);
  src.SetStretchFilter(sfLinear);
  Filled dst(5, 3, kBackground);
  TAffineTransformation t;
  t.SetSourceRect({0, 0, 3, 3});
  t.Translate(0.5f, 0);
  Transform(dst, src, t);
  const TColor32 row[5] = {
      0x807F0000,  // outer (red 255, alpha 0) over black at 127: red 127, alpha 128
      0xFF808080,  // black and white at 127
      0xFF7F7F7F,  // white and black at 127
      0x7F800000,  // black and the outer colour
      kBackground,  // column 3 lies beyond right + 0: skipped
  };
  for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.GetPixel(x, 1), row[x]) << x;
  // The bottom row reads one row below the source rectangle (row 3, outside: outer colour) at
  // weight 0 for it, which the value form of Combine still lets through by 1/256.
  EXPECT_EQ(dst.GetPixel(1, 2), Combine(0xFF808080, Combine(0x00FF0000, 0x00FF0000, 127), 255));
}

TEST(Transform, BlendsWithTheSourcesMasterAlphaAndSkipsDegenerateRectangles) {
  Filled src(2, 2, 0xFF0000FF);
  src.SetDrawMode(dmBlend);
  src.SetMasterAlpha(127);
  Filled dst(2, 2, kBlack);
  TAffineTransformation t;
  t.SetSourceRect({0, 0, 2, 2});
  Transform(dst, src, t);
  EXPECT_EQ(dst.GetPixel(1, 1), BlendWithMaster(0xFF0000FF, kBlack, 127));

  dst.Clear(kBackground);
  src.SetDrawMode(dmOpaque);
  // A source rectangle beside the surface, a transformation pushing everything off the
  // destination, and a destination one pixel wide all draw nothing.
  t.SetSourceRect({5, 5, 9, 9});
  Transform(dst, src, t);
  t.SetSourceRect({0, 0, 2, 2});
  t.Translate(-10, 0);
  Transform(dst, src, t);
  EXPECT_EQ(dst.GetPixel(0, 0), kBackground);
  EXPECT_EQ(dst.GetPixel(1, 1), kBackground);
  Filled thin(1, 4, kBackground);
  t.Clear();
  Transform(thin, src, t);
  EXPECT_EQ(thin.GetPixel(0, 0), kBackground);
  // Empty surfaces are left alone.
  TBitmap32 empty;
  Transform(empty, src, t);
  Transform(dst, empty, t);
}

TEST(Transform, NonAffineTransformationsAreAskedPerPixel) {
  // Mirrors x about the middle of a 3-wide surface.
  struct Mirror : TTransformation {
    void ReverseTransformInt(int x, int y, int& sx, int& sy) const override {
      sx = 2 - x;
      sy = y;
    }
    void ReverseTransformFixed(int x, int y, int& sx, int& sy) const override {
      sx = (2 - x) * 256;
      sy = y * 256;
    }
    void PrepareTransform() override { TransformValid_ = true; }
    TRect GetTransformedBounds() const override { return {0, 0, 3, 3}; }
  } mirror;
  mirror.SetSourceRect({0, 0, 3, 3});
  Numbered src;
  Filled dst(3, 3, kBackground);
  Transform(dst, src, mirror);
  EXPECT_TRUE(mirror.TransformValid());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.GetPixel(x, y), src.GetPixel(2 - x, y));
}

// An affine transformation walks rows by stepping and skips the stretches that cannot reach the
// source; asking the same transformation pixel by pixel must give the same picture, also when
// zoomed in strongly and turned.
TEST(Transform, SteppedRowsMatchPixelByPixelMapping) {
  struct PerPixel : TTransformation {
    TAffineTransformation* Inner;
    explicit PerPixel(TAffineTransformation* inner) : Inner(inner) {}
    void ReverseTransformInt(int x, int y, int& sx, int& sy) const override { Inner->ReverseTransformInt(x, y, sx, sy); }
    void ReverseTransformFixed(int x, int y, int& sx, int& sy) const override {
      Inner->ReverseTransformFixed(x, y, sx, sy);
    }
    void PrepareTransform() override { TransformValid_ = true; }
    TRect GetTransformedBounds() const override { return Inner->GetTransformedBounds(); }
  };
  Filled src(7, 5, 0);
  for (int i = 0; i < 35; ++i) src.Bits()[i] = 0xFF000000u | static_cast<TColor32>(i * 0x070B0D);
  src.SetOuterColor(0x80FFFFFF);
  for (TStretchFilter filter : {sfNearest, sfLinear}) {
    src.SetStretchFilter(filter);
    for (float angle : {0.0f, 17.0f, 90.0f, 200.0f}) {
      TAffineTransformation t;
      t.SetSourceRect({0.6f, 0, 6.5f, 5});
      t.Scale(9.5f, 11.25f);
      t.Rotate(40, 30, angle);
      t.Translate(3.3f, -2.7f);
      t.PrepareTransform();
      PerPixel reference(&t);
      reference.SetSourceRect(t.SrcRect());
      Filled stepped(90, 80, kBackground), asked(90, 80, kBackground);
      Transform(stepped, src, t);
      Transform(asked, src, reference);
      for (int i = 0; i < 90 * 80; ++i)
        ASSERT_EQ(stepped.Bits()[i], asked.Bits()[i]) << filter << " " << angle << " at " << i;
    }
  }
}

// A rotated picture: a checkerboard with a frame, turned by 30 degrees about its centre onto a
// larger surface. The centre pixel keeps its colour and nothing lands outside the turned square.
TEST(Transform, RotatedPicture) {
  Filled src(64, 64, kWhite);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (x < 4 || y < 4 || x >= 60 || y >= 60 || ((x / 8 + y / 8) % 2 == 0)) src.SetPixel(x, y, 0xFF2050A0);
  src.SetStretchFilter(sfLinear);
  Filled dst(100, 100, 0xFFE0E0E0);
  TAffineTransformation t;
  t.SetSourceRect({0, 0, 64, 64});
  t.Translate(18, 18);
  t.Rotate(50, 50, 30);
  Transform(dst, src, t);
  testing::DumpPicture(dst, "rotated");
  // The source's middle (32, 32) lands at (50, 50).
  EXPECT_EQ(dst.GetPixel(50, 50), src.GetPixel(32, 32));
  // Corners of the destination are outside the turned square.
  for (TPoint p : {TPoint{0, 0}, TPoint{99, 0}, TPoint{0, 99}, TPoint{99, 99}, TPoint{50, 2}})
    EXPECT_EQ(dst.GetPixel(p.X, p.Y), 0xFFE0E0E0u) << p.X << "," << p.Y;
  // The middle of the frame's top edge, (0, -30.5) from the centre, turned: x' = s y, y' = c y.
  const float a = 30 * 3.14159265f / 180;
  const int fx = static_cast<int>(std::lround(50 + std::sin(a) * -30.5f));
  const int fy = static_cast<int>(std::lround(50 + std::cos(a) * -30.5f));
  EXPECT_EQ(dst.GetPixel(fx, fy), 0xFF2050A0u) << fx << "," << fy;
}

}  // namespace
}  // namespace kivrano
