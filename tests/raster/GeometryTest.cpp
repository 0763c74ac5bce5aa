#include <gtest/gtest.h>

#include <climits>

#include "raster/Geometry.h"

namespace kivrano {
namespace {

TEST(Geometry, FloatRectToRectModes) {
  struct Case {
    TFloatRect r;
    int mode;
    TRect expected;
  };
  const Case cases[] = {
      {{0.5f, 1.5f, 2.5f, 3.7f}, rrClosest, {0, 2, 2, 4}},  // ties to even
      {{0.5f, 1.5f, 2.5f, 3.7f}, rrOutside, {0, 1, 3, 4}},
      {{0.5f, 1.5f, 2.5f, 3.7f}, rrInside, {1, 2, 2, 3}},
      {{-0.5f, -1.2f, 0.2f, 0.8f}, rrOutside, {-1, -2, 1, 1}},
      {{0.2f, 0.2f, 0.8f, 0.8f}, rrInside, {1, 1, 1, 1}},  // right and bottom raised to left and top
      {{-1e20f, 0, 1e20f, 3e9f}, rrClosest, {INT_MIN, 0, INT_MAX, INT_MAX}},  // saturates
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FloatRectToRect(c.r, c.mode), c.expected) << c.mode << " " << c.r.Left;
  }
}

TEST(Geometry, IntersectRect) {
  TRect r;
  EXPECT_TRUE(IntersectRect(r, {0, 0, 10, 10}, {5, 5, 15, 15}));
  EXPECT_EQ(r, (TRect{5, 5, 10, 10}));
  EXPECT_TRUE(IntersectRect(r, {0, 0, 5, 5}, {5, 0, 10, 5}));  // zero width still counts
  EXPECT_EQ(r, (TRect{5, 0, 5, 5}));
  EXPECT_FALSE(IntersectRect(r, {0, 0, 5, 5}, {6, 0, 10, 5}));
  EXPECT_EQ(r, (TRect{}));
  EXPECT_FALSE(IntersectRect(r, {0, 0, 5, 5}, {0, 6, 5, 9}));
  TFloatRect f;
  EXPECT_TRUE(IntersectRect(f, {0, 0, 1.5f, 1}, {1, 0.5f, 2, 2}));
  EXPECT_EQ(f, (TFloatRect{1, 0.5f, 1.5f, 1}));
}

TEST(Geometry, EmptinessAndPointTests) {
  EXPECT_TRUE(IsRectEmpty(TRect{0, 0, 0, 5}));
  EXPECT_TRUE(IsRectEmpty(TRect{0, 0, 5, -1}));
  EXPECT_FALSE(IsRectEmpty(TRect{0, 0, 1, 1}));
  const TRect r{1, 1, 3, 3};
  EXPECT_TRUE(PtInRect(r, {1, 1}));
  EXPECT_TRUE(PtInRect(r, {2, 2}));
  EXPECT_FALSE(PtInRect(r, {3, 2}));  // right and bottom exclusive
  EXPECT_FALSE(PtInRect(r, {2, 3}));
  EXPECT_FALSE(PtInRect(r, {0, 2}));
}

TEST(Geometry, OffsetAndInflate) {
  TRect r{1, 2, 3, 4};
  OffsetRect(r, 10, -1);
  EXPECT_EQ(r, (TRect{11, 1, 13, 3}));
  TFloatRect f{1, 2, 3, 4};
  InflateFloatRect(f, 0.5f, -1);
  EXPECT_EQ(f, (TFloatRect{0.5f, 3, 3.5f, 3}));
  OffsetRect(f, 1, 1);
  EXPECT_EQ(f, (TFloatRect{1.5f, 4, 4.5f, 4}));
}

TEST(Geometry, FixedPoint) {
  EXPECT_EQ(ToFixed(1.5f), 98304);
  EXPECT_EQ(ToFixed(-2.0f), -131072);
  EXPECT_EQ(ToFixed(0.5f / 65536.0f), 0);  // ties to even
  EXPECT_EQ(ToFixed(1.5f / 65536.0f), 2);
  EXPECT_EQ(ToFixed(1e10f), INT_MAX);
  EXPECT_EQ(FixedRound(32768), 0);  // (f + 32767) >> 16: halves go down
  EXPECT_EQ(FixedRound(32769), 1);
  EXPECT_EQ(FixedRound(-32768), -1);
  EXPECT_EQ(FixedRound(3 * 65536), 3);
}

TEST(Geometry, MulDivRoundRoundsHalvesAwayFromZero) {
  struct Case {
    int a, b, c, expected;
  };
  const Case cases[] = {
      {5, 1, 2, 3},   {-5, 1, 2, -3}, {5, -1, 2, -3}, {7, 1, 2, 4},     {1, 1, 3, 0},
      {2, 1, 3, 1},   {-2, 1, 3, -1}, {100000, 100000, 100000, 100000},  // 64-bit product
      {INT_MAX, 4, 1, -1},                                               // quotient does not fit
      {1, 1, 0, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Geometry, DistanceToSegmentSquared) {
  EXPECT_EQ(DistanceToSegmentSquared({2, 3}, {0, 0}, {4, 0}), 9);
  EXPECT_EQ(DistanceToSegmentSquared({7, 4}, {0, 0}, {4, 0}), 25);   // beyond b
  EXPECT_EQ(DistanceToSegmentSquared({-3, 0}, {0, 0}, {4, 0}), 9);   // before a
  EXPECT_EQ(DistanceToSegmentSquared({3, 4}, {1, 1}, {1, 1}), 13);   // zero length
  // The foot (1.5, 0.5) is rounded to pixels (ties to even: (2, 0)) before measuring.
  EXPECT_EQ(DistanceToSegmentSquared({1, 2}, {0, 0}, {3, 1}), 5);
}

}  // namespace
}  // namespace kivrano
