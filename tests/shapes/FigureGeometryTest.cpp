#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "FigureTestSupport.h"
#include "shapes/dtpFigureGeometry.h"

namespace kivrano {
namespace {

using testing::PointsNear;
using Points = std::vector<TFloatPoint>;

constexpr float kPi = 3.14159265f;
constexpr float k45 = 0.70710678f;  // cos 45 = sin 45

// ---- quarter arcs ----

struct SegmentCase {
  float x;
  int segments;
};

TEST(FigureQuarterArc, SegmentCountFollowsTheArcLength) {
  // a = x * pi / 2; the bands: <= 0.5, < 3, < 7, < 100 (a / 5 up), beyond (a / 10 up).
  const SegmentCase cases[] = {
      {0, 1},
      {0.3f, 1},      // a = 0.47
      {0.4f, 2},      // a = 0.63
      {1.9f, 2},      // a = 2.98
      {2.0f, 3},      // a = 3.14
      {4.4f, 3},      // a = 6.91
      {4.5f, 2},      // a = 7.07: a / 5 rounded up drops back to 2
      {63.0f, 20},    // a = 98.96
      {64.0f, 11},    // a = 100.53: the coarser band starts
      {6 * 10 * 2 * kPi, 60},  // a 10 mm ellipse at 6 pixels per millimetre
      {-3.0f, 1},
  };
  for (const SegmentCase& c : cases) {
    const TQuarterArc arc = QuarterArcPoints(c.x);
    EXPECT_EQ(arc.Count, c.segments) << "x = " << c.x;
    EXPECT_EQ(arc.Cos.size(), static_cast<size_t>(c.segments) + 1);
    EXPECT_EQ(arc.Sin.size(), static_cast<size_t>(c.segments) + 1);
  }
}

TEST(FigureQuarterArc, EndsAreExactAndStepsEven) {
  const TQuarterArc arc = QuarterArcPoints(2.0f);  // three segments of 30 degrees
  ASSERT_EQ(arc.Count, 3);
  EXPECT_EQ(arc.Cos.front(), 1.0f);
  EXPECT_EQ(arc.Sin.front(), 0.0f);
  EXPECT_EQ(arc.Cos.back(), 0.0f);
  EXPECT_EQ(arc.Sin.back(), 1.0f);
  EXPECT_NEAR(arc.Cos[1], 0.8660254f, 1e-6f);
  EXPECT_NEAR(arc.Sin[1], 0.5f, 1e-6f);
  EXPECT_NEAR(arc.Cos[2], 0.5f, 1e-6f);
  EXPECT_NEAR(arc.Sin[2], 0.8660254f, 1e-6f);
}

TEST(FigureQuarterArc, UnusableLengthsStayBounded) {
  EXPECT_EQ(QuarterArcPoints(std::numeric_limits<float>::quiet_NaN()).Count, 1);
  EXPECT_EQ(QuarterArcPoints(std::numeric_limits<float>::infinity()).Count, kMaxQuarterArcSegments);
  EXPECT_EQ(QuarterArcPoints(1e30f).Count, kMaxQuarterArcSegments);
  EXPECT_EQ(QuarterArcPoints(-std::numeric_limits<float>::infinity()).Count, 1);
}

// ---- straight figures ----

struct StraightCase {
  const char* name;
  Points (*build)(float, float);
  Points expected;  // for a 48 x 32 box
};

TEST(FigureStraight, PointListsForA48By32Box) {
  const StraightCase cases[] = {
      {"rectangle", RectanglePoints, {{0, 0}, {0, 32}, {48, 32}, {48, 0}}},
      {"triangle", TrianglePoints, {{0, 32}, {24, 0}, {48, 32}}},
      // Bottom corners at 48/5 = 9.6 from the left and 48/6 = 8 from the right.
      {"pentagon", PentagonPoints, {{0, 12}, {24, 0}, {48, 12}, {40, 32}, {9.6f, 32}, {0, 12}}},
      {"hexagon", HexagonPoints, {{0, 16}, {12, 0}, {36, 0}, {48, 16}, {36, 32}, {12, 32}, {0, 16}}},
      {"octagon",
       OctagonPoints,
       {{0, 10}, {15, 0}, {33, 0}, {48, 10}, {48, 22}, {33, 32}, {15, 32}, {0, 22}, {0, 10}}},
  };
  for (const StraightCase& c : cases) {
    EXPECT_TRUE(PointsNear(c.build(48, 32), c.expected)) << c.name;
  }
}

// ---- ellipse ----

TEST(FigureEllipse, EightPointsWithTwoSegmentsPerQuarter) {
  // 4 x 2 mm at 0.05 px/mm: x = 0.05 * 4 * 2 pi, a = 1.97, two segments per quarter.
  const Points expected = {{4, 1},
                           {2 + 2 * k45, 1 + k45},
                           {2, 2},
                           {2 - 2 * k45, 1 + k45},
                           {0, 1},
                           {2 - 2 * k45, 1 - k45},
                           {2, 0},
                           {2 + 2 * k45, 1 - k45}};
  EXPECT_TRUE(PointsNear(EllipsePoints(4, 2, 0.05f), expected));
}

TEST(FigureEllipse, PointCountFollowsTheScale) {
  EXPECT_EQ(EllipsePoints(10, 10, 6).size(), 240u);  // 60 segments per quarter
  // The larger side counts.
  EXPECT_EQ(EllipsePoints(4, 10, 6).size(), 240u);
  // A tiny scale still gives one segment per quarter: a diamond.
  EXPECT_TRUE(PointsNear(EllipsePoints(10, 6, 0.001f), {{10, 3}, {5, 6}, {0, 3}, {5, 0}}));
}

TEST(FigureEllipse, AllPointsLieOnTheEllipse) {
  const Points points = EllipsePoints(30, 12, 6);
  for (const TFloatPoint& p : points) {
    const float ex = (p.X - 15) / 15, ey = (p.Y - 6) / 6;
    EXPECT_NEAR(ex * ex + ey * ey, 1.0f, 1e-4f);
  }
}

// ---- rounded rectangle ----

TEST(FigureRoundRect, CornersInOrder) {
  // 20 x 10 with corners 4 x 2 at 0.3 px/mm: a = 0.3 * 4 * pi / 2 = 1.88, two segments.
  const float u = 4 * (1 - k45), v = 2 * (1 - k45);
  const Points expected = {{0, 2},       {u, v},      {4, 0},          // top-left
                           {16, 0},      {20 - u, v}, {20, 2},         // top-right
                           {20, 8},      {20 - u, 10 - v}, {16, 10},   // bottom-right
                           {4, 10},      {u, 10 - v}, {0, 8}};         // bottom-left
  EXPECT_TRUE(PointsNear(RoundRectPoints(20, 10, 4, 2, 0.3f), expected));
}

TEST(FigureRoundRect, CornersLimitedToHalfTheBox) {
  // Corner sizes beyond the box act as half the box; at this scale one segment per corner.
  EXPECT_TRUE(PointsNear(RoundRectPoints(20, 10, 50, 50, 0.001f),
                         {{0, 5}, {10, 0}, {10, 0}, {20, 5}, {20, 5}, {10, 10}, {10, 10}, {0, 5}}));
}

TEST(FigureRoundRect, ZeroCornersRepeatEachCornerPoint) {
  EXPECT_TRUE(PointsNear(RoundRectPoints(20, 10, 0, 0, 6),
                         {{0, 0}, {0, 0}, {20, 0}, {20, 0}, {20, 10}, {20, 10}, {0, 10}, {0, 10}}));
}

// ---- arcs ----

struct ArcCase {
  TArcFamily family;
  const char* name;
  // Variant A for a 10 x 6 box with two segments per quarter, split into its parts.
  Points startMark;
  Points arc;
  Points endMark;
};

// Values of the arcs with two segments: 10 k45 = 7.0711, 5 - 5 k45 = 1.4645, 6 - 6 k45 = 1.7574, ...
const ArcCase kArcCases[] = {
    {afHcirkel1, "Hcirkel1",
     {{0, 6}, {-1, 4}, {1, 4}, {0, 6}},
     {{0, 6}, {5 - 5 * k45, 6 - 6 * k45}, {5, 0}, {5 + 5 * k45, 6 - 6 * k45}},
     {{10, 6}, {9, 4}, {11, 4}, {10, 6}}},
    {afHcirkel2, "Hcirkel2",
     {{0, 0}, {2, -1}, {2, 1}, {0, 0}},
     {{0, 0}, {10 * k45, 3 - 3 * k45}, {10, 3}, {10 * k45, 3 + 3 * k45}},
     {{0, 6}, {2, 5}, {2, 7}, {0, 6}}},
    {afHcirkel3, "Hcirkel3",
     {{10, 0}, {11, 2}, {9, 2}, {10, 0}},
     {{10, 0}, {5 + 5 * k45, 6 * k45}, {5, 6}, {5 - 5 * k45, 6 * k45}},
     {{0, 0}, {1, 2}, {-1, 2}, {0, 0}}},
    {afHcirkel4, "Hcirkel4",
     {{10, 6}, {8, 7}, {8, 5}, {10, 6}},
     {{10, 6}, {10 - 10 * k45, 3 + 3 * k45}, {0, 3}, {10 - 10 * k45, 3 - 3 * k45}},
     {{10, 0}, {8, 1}, {8, -1}, {10, 0}}},
    // The end mark of this quarter is three points ending at the corner.
    {afKcirkel1, "Kcirkel1",
     {{0, 0}, {2, -1}, {2, 1}, {0, 0}},
     {{0, 0}, {10 * k45, 6 - 6 * k45}},
     {{11, 4}, {9, 4}, {10, 6}}},
    {afKcirkel2, "Kcirkel2",
     {{10, 0}, {11, 2}, {9, 2}, {10, 0}},
     {{10, 0}, {10 * k45, 6 * k45}},
     {{0, 6}, {2, 5}, {2, 7}, {0, 6}}},
    {afKcirkel3, "Kcirkel3",
     {{10, 6}, {8, 5}, {8, 7}, {10, 6}},
     {{10, 6}, {10 - 10 * k45, 6 * k45}},
     {{0, 0}, {1, 2}, {-1, 2}, {0, 0}}},
    {afKcirkel4, "Kcirkel4",
     {{0, 6}, {1, 4}, {-1, 4}, {0, 6}},
     {{0, 6}, {10 - 10 * k45, 6 - 6 * k45}},
     {{10, 0}, {8, -1}, {8, 1}, {10, 0}}},
};

Points Join(std::initializer_list<const Points*> parts) {
  Points all;
  for (const Points* p : parts) all.insert(all.end(), p->begin(), p->end());
  return all;
}

TEST(FigureArc, EveryFamilyAndVariant) {
  // 10 mm wide at 0.02 px/mm: x = 0.02 * 10 * 2 pi, a = 1.97, two segments per quarter.
  const float scale = 0.02f;
  for (const ArcCase& c : kArcCases) {
    EXPECT_TRUE(PointsNear(ArcPoints(c.family, amBoth, 10, 6, scale), Join({&c.startMark, &c.arc, &c.endMark})))
        << c.name << " A";
    EXPECT_TRUE(PointsNear(ArcPoints(c.family, amNone, 10, 6, scale), c.arc)) << c.name << " B";
    EXPECT_TRUE(PointsNear(ArcPoints(c.family, amStart, 10, 6, scale), Join({&c.startMark, &c.arc})))
        << c.name << " C";
    EXPECT_TRUE(PointsNear(ArcPoints(c.family, amEnd, 10, 6, scale), Join({&c.arc, &c.endMark}))) << c.name << " D";
  }
}

TEST(FigureArc, SegmentCountFollowsTheWidthOnly) {
  // A narrow, tall quarter: 1 mm wide gives a = pi^2 = 9.87, two segments, however tall it is.
  EXPECT_EQ(ArcPoints(afKcirkel2, amNone, 1, 100, 1).size(), 2u);
  EXPECT_EQ(ArcPoints(afKcirkel2, amNone, 100, 1, 1).size(), 99u);  // a = 987: 99 segments
}

TEST(FigureArc, HalfArcEndsOneSegmentShortOfTheBaseLine) {
  const Points points = ArcPoints(afHcirkel1, amNone, 40, 30, 6);
  ASSERT_FALSE(points.empty());
  EXPECT_EQ(points.front().X, 0.0f);
  EXPECT_EQ(points.front().Y, 30.0f);
  EXPECT_LT(points.back().X, 40.0f);
  EXPECT_LT(points.back().Y, 30.0f);
}

}  // namespace
}  // namespace kivrano
