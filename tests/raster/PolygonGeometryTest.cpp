#include <gtest/gtest.h>

#include "raster/Polygons.h"

namespace kivrano {
namespace {

constexpr TFixed F = 65536;

TFixedPoint P(int x, int y) { return {x * F, y * F}; }

TPolygon32 Line(std::initializer_list<TFixedPoint> pts, bool closed) {
  TPolygon32 p;
  p.SetClosed(closed);
  for (const TFixedPoint& q : pts) p.Add(q);
  return p;
}

TEST(Polygon32, StartsWithOneEmptyLineAndClearsNormalsOnChange) {
  TPolygon32 p;
  ASSERT_EQ(p.Points().size(), 1u);
  EXPECT_TRUE(p.Points()[0].empty());
  p.Add(P(0, 0));
  p.Add(P(4, 0));
  p.BuildNormals();
  EXPECT_FALSE(p.Normals().empty());
  p.NewLine();
  EXPECT_TRUE(p.Normals().empty());
  const TFixedPoint more[2] = {P(1, 1), P(2, 2)};
  p.AddPoints(more, 2);
  EXPECT_EQ(p.Points()[1], (TArrayOfFixedPoint{P(1, 1), P(2, 2)}));
  p.Clear();
  EXPECT_EQ(p.Points().size(), 1u);
  EXPECT_TRUE(p.Points()[0].empty());
}

TEST(Polygon32, NormalsPointOutOfAClockwiseOutline) {
  TPolygon32 p = Line({P(0, 0), P(10, 0), P(10, 10), P(0, 10)}, true);
  p.BuildNormals();
  EXPECT_EQ(p.Normals()[0], (TArrayOfFixedPoint{{0, -F}, {F, 0}, {0, F}, {-F, 0}}));
  // Open: the last point repeats the previous segment's normal; a diagonal is 1/sqrt 2 rounded.
  p = Line({P(0, 0), P(10, 0), P(20, 10)}, false);
  p.BuildNormals();
  EXPECT_EQ(p.Normals()[0], (TArrayOfFixedPoint{{0, -F}, {46341, -46341}, {46341, -46341}}));
  // Changing Closed invalidates the cache (the last normal depends on it).
  p.SetClosed(true);
  EXPECT_TRUE(p.Normals().empty());
  // Zero-length segments and single points give (0, 0); empty lines get none.
  p = Line({P(3, 3), P(3, 3), P(5, 3)}, false);
  p.NewLine();
  p.Add(P(1, 1));
  p.NewLine();
  p.BuildNormals();
  ASSERT_EQ(p.Normals().size(), 3u);
  EXPECT_EQ(p.Normals()[0][0], (TFixedPoint{0, 0}));
  EXPECT_EQ(p.Normals()[1], (TArrayOfFixedPoint{{0, 0}}));
  EXPECT_TRUE(p.Normals()[2].empty());
}

TEST(Polygon32, OutlineAddsTheReversedPath) {
  TPolygon32 open = Line({P(0, 0), P(5, 0)}, false);
  open.SetAntialiased(true);
  open.SetFillMode(Winding);
  auto o = open.Outline();
  EXPECT_TRUE(o->Antialiased());
  EXPECT_EQ(o->FillMode(), Winding);
  EXPECT_FALSE(o->Closed());
  ASSERT_EQ(o->Points().size(), 1u);
  EXPECT_EQ(o->Points()[0], (TArrayOfFixedPoint{P(0, 0), P(5, 0), P(5, 0), P(0, 0)}));

  TPolygon32 closed = Line({P(0, 0), P(5, 0), P(5, 5)}, true);
  closed.NewLine();
  closed.Add(P(9, 9));  // a single point has no outline
  o = closed.Outline();
  ASSERT_EQ(o->Points().size(), 2u);
  EXPECT_EQ(o->Points()[1], (TArrayOfFixedPoint{P(5, 5), P(5, 0), P(0, 0)}));
}

TEST(Polygon32, GrowMitresRightAnglesAboveTheSharpnessAndBevelsBelow) {
  const TPolygon32 square = Line({P(0, 0), P(10, 0), P(10, 10), P(0, 10)}, true);
  // Sharpness 0.5: at a right angle l = delta > R = delta / 2, so every corner is mitred.
  TPolygon32 s = square;
  auto g = s.Grow(2 * F, 0.5f);
  ASSERT_EQ(g->Points().size(), 1u);
  EXPECT_EQ(g->Points()[0], (TArrayOfFixedPoint{P(-2, -2), P(12, -2), P(12, 12), P(-2, 12)}));
  // Sharpness 0: R = delta and l = delta is not above it, so each corner becomes a bevel.
  g = s.Grow(2 * F, 0);
  EXPECT_EQ(g->Points()[0], (TArrayOfFixedPoint{P(-2, 0), P(0, -2), P(10, -2), P(12, 0), P(12, 10), P(10, 12),
                                                P(0, 12), P(-2, 10)}));
  // A negative delta shrinks the square with the same mitres.
  g = s.Grow(-2 * F, 0.5f);
  EXPECT_EQ(g->Points()[0], (TArrayOfFixedPoint{P(2, 2), P(8, 2), P(8, 8), P(2, 8)}));
  // Delta 0 copies every line.
  s.NewLine();
  s.Add(P(1, 2));
  g = s.Grow(0, 0.5f);
  EXPECT_EQ(g->Points(), s.Points());
}

TEST(Polygon32, GrowOfAnOpenLineOffsetsItsEndsAndBevelsATurnBack) {
  TPolygon32 p = Line({P(0, 0), P(10, 0), P(0, 0)}, false);
  auto g = p.Grow(2 * F, 0.99f);
  ASSERT_EQ(g->Points().size(), 1u);
  EXPECT_EQ(g->Points()[0], (TArrayOfFixedPoint{P(0, -2), P(10, -2), P(10, 2), P(0, 2)}));
  // Shrinking through the same turn back must not divide by the vanishing l.
  g = p.Grow(-2 * F, 0.99f);
  EXPECT_EQ(g->Points()[0], (TArrayOfFixedPoint{P(0, 2), P(10, 2), P(10, -2), P(0, -2)}));
}

TEST(Polygon32, GrowOfHugeCoordinatesSaturates) {
  TPolygon32 p = Line({{INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}, {0, INT32_MIN}}, true);
  auto g = p.Grow(100 * F, 0.5f);
  ASSERT_EQ(g->Points().size(), 1u);
  EXPECT_GE(g->Points()[0].size(), 3u);
}

}  // namespace
}  // namespace kivrano
