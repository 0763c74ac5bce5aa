#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "FigureTestSupport.h"
#include "shapes/dtpArrowGeometry.h"
#include "shapes/dtpFigureGeometry.h"

namespace kivrano {
namespace {

using testing::PointsNear;
using Points = std::vector<TFloatPoint>;

TArrowHead Head(TdtpArrowStyle style, float width = 5, float length = 7) { return TArrowHead{style, width, length}; }

Points EndPoints(const TArrowHead& head, float lineWidth, TFloatPoint e, TFloatPoint o, float scale = 1) {
  Points points;
  AppendArrowPoints(points, head, lineWidth, e, o, scale);
  return points;
}

struct HeadCase {
  const char* name;
  TArrowHead head;
  float lineWidth;
  float scale;
  Points expected;
};

// End (20, 0) of the segment from (0, 0): the head base lies at x = 13 (head length 7), the body
// edges at y = -w/2 and +w/2. Curved values computed independently in double precision.
TEST(ArrowGeometry, EveryStyleAtTheEndOfAHorizontalLine) {
  const HeadCase cases[] = {
      {"none", Head(NoArrow), 1, 1, {{20, -0.5f}, {20, 0.5f}}},
      {"arrow", Head(Arrow), 1, 1, {{13, -0.5f}, {13, -2.5f}, {20, 0}, {13, 2.5f}, {13, 0.5f}}},
      {"diamond", Head(Diamond), 1, 1, {{13, -0.5f}, {16.5f, -2.5f}, {20, 0}, {16.5f, 2.5f}, {13, 0.5f}}},
      {"open",
       Head(OpenArrow),
       1,
       1,
       {{13, -0.5f},
        {15.62679f, -0.5f},
        {13, -1.43814f},
        {13, -2.5f},
        {20, 0},
        {13, 2.5f},
        {13, 1.43814f},
        {15.62679f, 0.5f},
        {13, 0.5f}}},
      // A line as wide as the arms leaves no shoulder: the plain head.
      {"open, wide line", Head(OpenArrow), 4, 1, {{13, -2}, {13, -2.5f}, {20, 0}, {13, 2.5f}, {13, 2}}},
      {"stealth",
       Head(StealthArrow),
       1,
       1,
       {{13, -0.5f},
        {15.62679f, -0.5f},
        {15.27486f, -1.03162f},
        {14.31339f, -1.67216f},
        {13, -2.25f},
        {13, -2.5f},
        {20, 0},
        {13, 2.5f},
        {13, 2.25f},
        {14.31339f, 1.67216f},
        {15.27486f, 1.03162f},
        {15.62679f, 0.5f},
        {13, 0.5f}}},
      // A finer image gives the curved flank more points.
      {"stealth at 4 px/mm",
       Head(StealthArrow),
       1,
       4,
       {{13, -0.5f},
        {15.62679f, -0.5f},
        {15.42683f, -0.88210f},
        {14.85742f, -1.34885f},
        {14.00523f, -1.82919f},
        {13, -2.25f},
        {13, -2.5f},
        {20, 0},
        {13, 2.5f},
        {13, 2.25f},
        {14.00523f, 1.82919f},
        {14.85742f, 1.34885f},
        {15.42683f, 0.88210f},
        {15.62679f, 0.5f},
        {13, 0.5f}}},
      {"oval",
       Head(Oval),
       1,
       1,
       {{13, -0.5f},
        {13.46891f, -1.25f},
        {14.75f, -2.16506f},
        {16.5f, -2.5f},
        {18.25f, -2.16506f},
        {19.53109f, -1.25f},
        {20, 0},
        {19.53109f, 1.25f},
        {18.25f, 2.16506f},
        {16.5f, 2.5f},
        {14.75f, 2.16506f},
        {13.46891f, 1.25f},
        {13, 0.5f}}},
      // The back points inside a wide body are left out.
      {"oval, wide line",
       Head(Oval),
       3,
       1,
       {{13, -1.5f},
        {14.75f, -2.16506f},
        {16.5f, -2.5f},
        {18.25f, -2.16506f},
        {19.53109f, -1.25f},
        {20, 0},
        {19.53109f, 1.25f},
        {18.25f, 2.16506f},
        {16.5f, 2.5f},
        {14.75f, 2.16506f},
        {13, 1.5f}}},
      // A head no wider than the line is no head.
      {"arrow as wide as the line", Head(Arrow, 1), 1, 1, {{20, -0.5f}, {20, 0.5f}}},
      {"arrow narrower than the line", Head(Oval, 2), 3, 1, {{20, -1.5f}, {20, 1.5f}}},
  };
  for (const HeadCase& c : cases) {
    EXPECT_TRUE(PointsNear(EndPoints(c.head, c.lineWidth, {20, 0}, {0, 0}, c.scale), c.expected)) << c.name;
  }
}

TEST(ArrowGeometry, HeadLengthLimitedBySegment) {
  // A 5 mm line: the 7 mm head shrinks to 3.5 mm.
  EXPECT_TRUE(PointsNear(EndPoints(Head(Arrow), 1, {5, 0}, {0, 0}),
                         {{1.5f, -0.5f}, {1.5f, -2.5f}, {5, 0}, {1.5f, 2.5f}, {1.5f, 0.5f}}));
}

TEST(ArrowGeometry, SlantedLineUsesItsNormal) {
  // From (0, 0) to (6, 8): u = (0.6, 0.8), n = (-0.8, 0.6), head base (1.8, 2.4).
  EXPECT_TRUE(PointsNear(EndPoints(Head(Arrow), 1, {6, 8}, {0, 0}),
                         {{2.2f, 2.1f}, {3.8f, 0.9f}, {6, 8}, {-0.2f, 3.9f}, {1.4f, 2.7f}}));
  EXPECT_TRUE(PointsNear(EndPoints(Head(NoArrow), 1, {0, 0}, {6, 8}), {{-0.4f, 0.3f}, {0.4f, -0.3f}}));
}

TEST(ArrowGeometry, LineRingRunsEndZeroThenEndOne) {
  // The editor's arrow tool: no head at the start, an open head 2 wide and 3.5 long at the end of a
  // 0.5 mm line: 2 + 9 points in one ring.
  const Points ring = LineOutlinePoints({10, 10}, {30, 10}, Head(NoArrow, 2, 3.5f), Head(OpenArrow, 2, 3.5f), 0.5f, 1);
  EXPECT_TRUE(PointsNear(ring,
                         {{10, 10.25f},
                          {10, 9.75f},
                          {26.5f, 9.75f},
                          {27.30497f, 9.75f},
                          {26.5f, 9.52001f},
                          {26.5f, 9},
                          {30, 10},
                          {26.5f, 11},
                          {26.5f, 10.47999f},
                          {27.30497f, 10.25f},
                          {26.5f, 10.25f}}));
}

TEST(ArrowGeometry, DegenerateLinesGiveNoRing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* name;
    TFloatPoint p0, p1;
    float lineWidth;
    TArrowHead head;
  } cases[] = {
      {"equal ends", {4, 4}, {4, 4}, 1, Head(Arrow)},
      {"not a number", {nan, 0}, {10, 0}, 1, Head(Arrow)},
      {"infinite end", {0, 0}, {inf, 0}, 1, Head(Oval)},
      {"ends too far apart", {-3e38f, 0}, {3e38f, 0}, 1, Head(Arrow)},
      {"width not a number", {0, 0}, {10, 0}, nan, Head(StealthArrow)},
      {"head width not a number", {0, 0}, {10, 0}, 1, Head(Oval, nan)},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(LineOutlinePoints(c.p0, c.p1, c.head, c.head, c.lineWidth, 6).empty()) << c.name;
  }
}

TEST(ArrowGeometry, HugeHeadsStayBounded) {
  // A head of a kilometre on a long line at a high scale: the arcs are capped, not unbounded.
  const Points ring = LineOutlinePoints({0, 0}, {1e6f, 0}, Head(Oval, 1e6f, 1e6f), Head(StealthArrow, 1e6f, 1e6f), 1, 100);
  EXPECT_FALSE(ring.empty());
  // Oval: at most 4 m + 2 points; stealth: 2 (m + 1) + 5.
  EXPECT_LE(ring.size(), 6u * kMaxQuarterArcSegments + 16u);
}

TEST(ArrowGeometry, StyleNames) {
  const char* names[] = {"NoArrow", "Arrow", "OpenArrow", "StealthArrow", "Diamond", "Oval"};
  for (int i = 0; i < kArrowStyleCount; ++i) {
    EXPECT_EQ(ArrowStyleName(static_cast<TdtpArrowStyle>(i)), names[i]);
    TdtpArrowStyle style = NoArrow;
    EXPECT_TRUE(ArrowStyleFromName(names[i], style));
    EXPECT_EQ(style, static_cast<TdtpArrowStyle>(i));
  }
  TdtpArrowStyle style = Diamond;
  EXPECT_FALSE(ArrowStyleFromName("arrow", style));  // compared exactly
  EXPECT_FALSE(ArrowStyleFromName("", style));
  EXPECT_EQ(style, Diamond);
}

}  // namespace
}  // namespace kivrano
