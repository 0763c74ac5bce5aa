#include <gtest/gtest.h>

#include <vector>

#include "raster/ScanConversion.h"

namespace kivrano {
namespace {

constexpr int32_t Up = CrossingUpFlag;

std::vector<int32_t> RowOf(const TCrossingTable& t, int row) {
  const auto r = t.Row(row);
  return {r.begin(), r.end()};
}

// A rectangle 4 pixels wide from row 0 to row 3, clockwise on screen (x in 1/256 pixel). The
// right edge runs down over rows 0..2, the left edge up over rows 3..1; the turning vertices add
// the crossings that pair up the top and bottom rows into empty intervals.
TEST(PolygonCrossings, RectangleRowsFollowWalkOrderWithExtraCrossingsAtTurns) {
  const TCrossingTable t = BuildCrossings(TArrayOfArrayOfPoint{{{0, 0}, {1024, 0}, {1024, 3}, {0, 3}}}, 0, 3, 4095);
  ASSERT_EQ(t.RowCount(), 4);
  EXPECT_EQ(RowOf(t, 0), (std::vector<int32_t>{1024, 1024 | Up}));
  EXPECT_EQ(RowOf(t, 1), (std::vector<int32_t>{0 | Up, 1024}));
  EXPECT_EQ(RowOf(t, 2), (std::vector<int32_t>{0 | Up, 1024}));
  EXPECT_EQ(RowOf(t, 3), (std::vector<int32_t>{0, 0 | Up}));
  EXPECT_EQ(t.SkippedRows(), 0);
}

// The slanted edge goes up from (10, 4) to (0, 0): |dx| = 10, dy = 4, so x steps by 2 with a
// remainder of 2 per row, the error term starting at 1: 10, 8, 5 (error reaches 4), 3.
TEST(PolygonCrossings, SlantedEdgeFollowsTheBresenhamWalkInWalkOrder) {
  const TArrayOfArrayOfPoint ring = {{{0, 0}, {0, 4}, {10, 4}}};
  const TCrossingTable t = BuildCrossings(ring, 0, 4, 100);
  EXPECT_EQ(RowOf(t, 0), (std::vector<int32_t>{0, 0 | Up}));
  EXPECT_EQ(RowOf(t, 1), (std::vector<int32_t>{0, 3 | Up}));
  EXPECT_EQ(RowOf(t, 2), (std::vector<int32_t>{0, 5 | Up}));
  EXPECT_EQ(RowOf(t, 3), (std::vector<int32_t>{0, 8 | Up}));
  EXPECT_EQ(RowOf(t, 4), (std::vector<int32_t>{10, 10 | Up}));

  // Visible rows only: rows outside are dropped, the walk enters mid-way at the same x, and x
  // clamps to the row's extent.
  const TCrossingTable part = BuildCrossings(ring, 2, 3, 6);
  EXPECT_EQ(RowOf(part, 1), std::vector<int32_t>{});
  EXPECT_EQ(RowOf(part, 2), (std::vector<int32_t>{0, 5 | Up}));
  EXPECT_EQ(RowOf(part, 3), (std::vector<int32_t>{0, 6 | Up}));
}

TEST(PolygonCrossings, DegenerateRingsCrossNothing) {
  struct Case {
    const char* name;
    TArrayOfArrayOfPoint rings;
  } cases[] = {
      {"two points", {{{0, 0}, {10, 10}}}},
      {"flat ring", {{{0, 5}, {10, 5}, {20, 5}}}},
      {"all points equal", {{{3, 3}, {3, 3}, {3, 3}, {3, 3}}}},
      {"empty", {{}}},
  };
  for (const Case& c : cases) {
    const TCrossingTable t = BuildCrossings(c.rings, 0, 20, 100);
    for (int row = 0; row <= 20; ++row) EXPECT_TRUE(t.Row(row).empty()) << c.name << " row " << row;
  }
}

TEST(PolygonCrossings, EveryRowOfAJaggedOutlineIsEven) {
  // A zig-zag with repeated, horizontal and backtracking vertices.
  const TArrayOfArrayOfPoint rings = {{{0, 0}, {50, 9}, {50, 9}, {20, 3}, {90, 3}, {60, 12}, {60, 12}, {10, 20},
                                       {30, 7}, {0, 7}}, {{5, 5}, {6, 15}, {7, 5}}};
  const TCrossingTable t = BuildCrossings(rings, -5, 25, 1000);
  EXPECT_EQ(t.SkippedRows(), 0);
  for (int row = -5; row <= 25; ++row) EXPECT_EQ(t.Row(row).size() % 2, 0u) << row;
  EXPECT_FALSE(t.Row(10).empty());
}

TEST(PolygonCrossings, AliasedSpansUnderBothRules) {
  // Two nested upward crossings then two downward ones: the winding count runs 1, 2, 1, 0.
  const std::vector<int32_t> nested = {0 | Up, 512 | Up, 1024, 1536};
  struct Case {
    const char* name;
    std::vector<int32_t> crossings;
    TPolyFillMode mode;
    std::vector<TSpan> spans;
  } cases[] = {
      {"winding fills every non-zero interval", nested, Winding, {{0, 2}, {2, 4}, {4, 6}}},
      {"alternate pairs up", nested, Alternate, {{0, 2}, {4, 6}}},
      // the end moves back by 1/256 before rounding; the next span starts after the last one
      {"alternate adjacent pairs", {0 | Up, 1024, 1024 | Up, 2048}, Alternate, {{0, 4}, {5, 8}}},
      {"alternate clamps to the surface", {0 | Up, 5000}, Alternate, {{0, 9}}},
      {"alternate skips a pair shorter than 2/256", {300 | Up, 301}, Alternate, {}},
      {"winding rounds halves up", {128 | Up, 384}, Winding, {{1, 2}}},
  };
  std::vector<TSpan> spans;
  for (const Case& c : cases) {
    AliasedSpans(c.crossings, c.mode, 10, spans);
    EXPECT_EQ(spans, c.spans) << c.name;
  }
}

// Per-column coverage of one pixel row, from its runs.
std::vector<int> Coverage(const TCrossingTable& t, int firstSubRow, int lastSubRow, TPolyFillMode mode, int width) {
  TCoverageScratch scratch;
  std::vector<TCoverageRun> runs;
  RowCoverage(t, firstSubRow, lastSubRow, mode, width, scratch, runs);
  std::vector<int> columns(static_cast<size_t>(width), 0);
  for (size_t k = 0; k < runs.size(); ++k) {
    const int end = k + 1 < runs.size() ? runs[k + 1].Column : width;
    for (int x = runs[k].Column; x < end; ++x) columns[static_cast<size_t>(x)] = runs[k].Coverage;
  }
  // The scratch is left cleared for the next row.
  for (int32_t v : scratch.Accumulator) EXPECT_EQ(v, 0);
  for (uint64_t v : scratch.Touched) EXPECT_EQ(v, 0u);
  return columns;
}

// Coverage in eighths: a row fills 7 per covered sub-pixel row; the start column of an interval
// [xs, xe) gets 7 - xs mod 8, the end column xe mod 8.
TEST(PolygonCrossings, CoverageOfARectangleFromHalfAPixelToTwoAndAHalf) {
  const TCrossingTable t = BuildCrossings(TArrayOfArrayOfPoint{{{4, 0}, {20, 0}, {20, 8}, {4, 8}}}, 0, 8, 79);
  // Sub-rows 1..7 are covered (sub-row 0 pairs into an empty interval).
  EXPECT_EQ(Coverage(t, 0, 7, Alternate, 6), (std::vector<int>{21, 49, 28, 0, 0, 0}));
  EXPECT_EQ(Coverage(t, 8, 8, Alternate, 6), (std::vector<int>(6, 0)));
  // Columns past the surface are cut off.
  EXPECT_EQ(Coverage(t, 0, 7, Alternate, 2), (std::vector<int>{21, 49}));
}

TEST(PolygonCrossings, CoverageUnderBothRulesForOverlappingRings) {
  // Two clockwise squares overlapping in columns 2..3: winding fills the overlap, alternate not.
  const TArrayOfArrayOfPoint rings = {{{0, 0}, {32, 0}, {32, 16}, {0, 16}}, {{16, 0}, {48, 0}, {48, 16}, {16, 16}}};
  const TCrossingTable t = BuildCrossings(rings, 0, 16, 79);
  EXPECT_EQ(Coverage(t, 8, 15, Winding, 8), (std::vector<int>{56, 56, 56, 56, 56, 56, 0, 0}));
  EXPECT_EQ(Coverage(t, 8, 15, Alternate, 8), (std::vector<int>{56, 56, 0, 0, 56, 56, 0, 0}));
}

}  // namespace
}  // namespace kivrano
