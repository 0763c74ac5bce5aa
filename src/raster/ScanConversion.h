#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/Types.h"

namespace kivrano {

using TArrayOfPoint = std::vector<TPoint>;
using TArrayOfArrayOfPoint = std::vector<TArrayOfPoint>;
using TArrayOfInteger = std::vector<int>;
using TArrayOfArrayOfInteger = std::vector<TArrayOfInteger>;

// Even-odd or non-zero winding rule of polygon filling.
enum TPolyFillMode { Alternate = 0, Winding = 1 };

// A crossing of an outline with a scan row: x with the direction in the sign bit (set for an
// edge going up).
constexpr int32_t CrossingUpFlag = INT32_MIN;
inline int CrossingX(int32_t c) { return c & 0x7FFFFFFF; }
inline int CrossingDirection(int32_t c) { return c < 0 ? -1 : 1; }

// The non-horizontal edges of closed rings, in walk order.
struct TEdge {
  TPoint From;
  TPoint To;
  int Direction = 0;       // +1 going down, -1 going up
  bool TurnsBack = false;  // direction differs from the previous edge's
};
using TEdgeList = std::vector<TEdge>;

// Appends the edges of every ring of at least 3 points, each treated as closed.
void CollectEdges(const TArrayOfArrayOfPoint& rings, TEdgeList& edges);

// The sorted crossing lists of the rows FirstRow .. FirstRow + RowCount() - 1.
class TCrossingTable {
 public:
  int FirstRow() const { return FirstRow_; }
  int RowCount() const { return static_cast<int>(Count_.size()); }
  std::span<const int32_t> Row(int row) const;
  // Rows whose list came out odd: left empty so that they draw nothing.
  int SkippedRows() const { return SkippedRows_; }

 private:
  friend TCrossingTable BuildCrossings(const TEdgeList&, int, int, int);
  int FirstRow_ = 0;
  int SkippedRows_ = 0;
  std::vector<int64_t> Start_;
  std::vector<int32_t> Count_;
  std::vector<int32_t> Values_;
};

// Records, for each row in firstRow .. lastRow, where the edges cross it. Each edge adds one
// crossing per row from its start row up to, not including, its end row, x following a Bresenham
// walk; where the outline turns back vertically an extra crossing of opposite direction at the
// turning vertex keeps the lists even. x is clamped to 0 .. maxX.
TCrossingTable BuildCrossings(const TEdgeList& edges, int firstRow, int lastRow, int maxX);
TCrossingTable BuildCrossings(const TArrayOfArrayOfPoint& rings, int firstRow, int lastRow, int maxX);

// An inclusive run of pixels of one row.
struct TSpan {
  int X1 = 0;
  int X2 = 0;
  friend bool operator==(const TSpan&, const TSpan&) = default;
};

// Pixel spans of one row of whole-pixel crossings carrying 8 fraction bits, for a surface
// `width` pixels wide.
void AliasedSpans(std::span<const int32_t> crossings, TPolyFillMode mode, int width, std::vector<TSpan>& spans);

// A run of pixels of equal coverage (0 .. 56) in a row: from Column up to the next run's
// column, the last run up to the row's end.
struct TCoverageRun {
  int Column = 0;
  int Coverage = 0;
  friend bool operator==(const TCoverageRun&, const TCoverageRun&) = default;
};

// Work space of RowCoverage, kept across rows.
struct TCoverageScratch {
  std::vector<int32_t> Accumulator;  // per column, all 0 between calls
  std::vector<uint64_t> Touched;     // a bit per column given an amount, all 0 between calls
};

// Coverage of one pixel row of a surface `width` pixels wide from its sub-rows' crossings in
// eighths of a pixel. Each interval [xs, xe) of a sub-row adds 7 - xs mod 8 at column xs / 8 and
// xs mod 8 at the next, and takes 7 - xe mod 8 at column xe / 8 and xe mod 8 at the next; a
// column's coverage is the running sum. Returned as runs, empty when the row has no crossings.
void RowCoverage(const TCrossingTable& table, int firstSubRow, int lastSubRow, TPolyFillMode mode, int width,
                 TCoverageScratch& scratch, std::vector<TCoverageRun>& runs);

}  // namespace kivrano
