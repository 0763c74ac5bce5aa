#include <gtest/gtest.h>

#include "raster/MappingTable.h"

namespace kivrano {
namespace {

const TFilterKernel kTriangle{TriangleKernel, 1.001f};
const TFilterKernel kSpline{SplineKernel, 1.5f};

TEST(FilterKernels, ValuesAtTheirBreakPoints) {
  struct Case {
    float (*f)(float);
    float x, expected;
  } cases[] = {
      {BoxKernel, 0.5f, 1},        {BoxKernel, -0.5f, 0},     {BoxKernel, 0.0f, 1},
      {TriangleKernel, 0.25f, 0.75f}, {TriangleKernel, -1.0f, 0}, {SplineKernel, 0.0f, 2.0f / 3},
      {SplineKernel, 1.0f, 1.0f / 6}, {SplineKernel, -1.5f, 0.125f / 6}, {SplineKernel, 0.5f, 0.0625f - 0.25f + 2.0f / 3},
      {SplineKernel, 2.0f, 0},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(c.f(c.x), c.expected) << c.x;
}

TEST(MappingTable, EnlargingPeaksAt256AndKeepsTheEndsOnTheEnds) {
  // 2 -> 3: centres 0, 0.5, 1
  TMappingTable t = BuildMappingTable(3, 0, 2, 2, kTriangle);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0], (TCluster{{0, 256}}));
  EXPECT_EQ(t[1], (TCluster{{0, 128}, {1, 128}}));
  EXPECT_EQ(t[2], (TCluster{{1, 256}}));
  // The spline reaches one source pixel further on either side; indices clamp to the surface.
  t = BuildMappingTable(3, 0, 2, 2, kSpline);
  EXPECT_EQ(t[0], (TCluster{{0, 43}, {0, 171}, {1, 43}}));
  EXPECT_EQ(t[1], (TCluster{{0, 5}, {0, 123}, {1, 123}, {1, 5}}));
}

TEST(MappingTable, ReducingWeightsAreScaledAndNormalised) {
  // 5 -> 3, scale 0.5: the triangle is 4 source pixels wide, weights 63.75, 127.5, 63.75 rounded
  TMappingTable t = BuildMappingTable(3, 0, 5, 5, kTriangle);
  ASSERT_EQ(t.size(), 3u);
  // and, summing to 256, are scaled by 1 / (256 / 255) in singles: 127.5 just falls to 127.
  EXPECT_EQ(t[1], (TCluster{{1, 64}, {2, 127}, {3, 64}}));
  EXPECT_EQ(t[0], (TCluster{{0, 64}, {0, 127}, {1, 64}}));
  // 7 -> 3, scale 1/3: weights round(f(d / 3) * 85) = 28, 57, 85, 57, 28 sum to 255 exactly
  t = BuildMappingTable(3, 0, 7, 7, kTriangle);
  EXPECT_EQ(t[1], (TCluster{{1, 28}, {2, 57}, {3, 85}, {4, 57}, {5, 28}}));
}

TEST(MappingTable, SourceRangeOffsetsCentresButIndicesClampToTheWholeSurface) {
  // Source columns 4..5 of a surface 6 wide; the spline reaches column 6, clamped to 5.
  TMappingTable t = BuildMappingTable(3, 4, 6, 6, kSpline);
  EXPECT_EQ(t[0], (TCluster{{3, 43}, {4, 171}, {5, 43}}));
  EXPECT_EQ(t[2], (TCluster{{4, 43}, {5, 171}, {5, 43}}));
}

TEST(MappingTable, DegenerateExtents) {
  EXPECT_TRUE(BuildMappingTable(4, 0, 0, 0, kTriangle).empty());
  // A source surface one pixel wide feeds every destination pixel fully.
  TMappingTable t = BuildMappingTable(4, 0, 1, 1, kSpline);
  ASSERT_EQ(t.size(), 4u);
  for (const TCluster& c : t) EXPECT_EQ(c, (TCluster{{0, 255}}));
  // An empty source range leaves the clusters empty.
  t = BuildMappingTable(4, 2, 2, 5, kTriangle);
  ASSERT_EQ(t.size(), 4u);
  for (const TCluster& c : t) EXPECT_TRUE(c.empty());
  // A one-pixel destination is fed by a triangle over the whole source range, centred on it.
  t = BuildMappingTable(1, 0, 3, 3, kTriangle);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0], (TCluster{{0, 28}, {0, 57}, {1, 85}, {2, 57}, {2, 28}}));
}

TEST(MappingTable, ReductionSoFarThatEveryWeightVanishesLeavesThePixelOut) {
  // 1000 -> 2: the scale 1/999 makes every weight round(f * 0.255) = 0.
  TMappingTable t = BuildMappingTable(2, 0, 1000, 1000, kTriangle);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_TRUE(t[0].empty());
  EXPECT_TRUE(t[1].empty());
}

TEST(MappingTable, ClippedTableIsTheSliceOfTheFullTable) {
  const TMappingTable full = BuildMappingTable(40, 3, 17, 20, kSpline);
  const TMappingTable part = BuildMappingTable(40, 3, 17, 20, kSpline, 11, 29);
  ASSERT_EQ(part.size(), 18u);
  for (size_t i = 0; i < part.size(); ++i) EXPECT_EQ(part[i], full[i + 11]) << i;
  EXPECT_EQ(BuildMappingTable(40, 3, 17, 20, kSpline, -5, 2).size(), 2u);
}

}  // namespace
}  // namespace kivrano
