#include "raster/ScanConversion.h"

#include <algorithm>
#include <bit>

namespace kivrano {

std::span<const int32_t> TCrossingTable::Row(int row) const {
  const int i = row - FirstRow_;
  if (i < 0 || i >= RowCount()) return {};
  return {Values_.data() + Start_[static_cast<size_t>(i)], static_cast<size_t>(Count_[static_cast<size_t>(i)])};
}

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

void CollectRingEdges(const TArrayOfPoint& ring, TEdgeList& edges) {
  const size_t n = ring.size();
  if (n < 3) return;
  // The direction arriving at the first point: that of the last point whose y differs from it.
  size_t k = n - 1;
  while (k > 0 && ring[k].Y == ring[0].Y) --k;
  if (k == 0) return;  // a flat ring crosses no row
  int previous = Sign(ring[0].Y - ring[k].Y);
  for (size_t j = 0; j < n; ++j) {
    const TPoint& a = ring[j];
    const TPoint& b = ring[j + 1 < n ? j + 1 : 0];
    if (a.Y == b.Y) continue;
    const int direction = b.Y > a.Y ? 1 : -1;
    edges.push_back({a, b, direction, direction != previous});
    previous = direction;
  }
}

int32_t Encode(int64_t x, int direction, int maxX) {
  const int32_t cx = static_cast<int32_t>(std::clamp<int64_t>(x, 0, maxX));
  return direction < 0 ? (cx | CrossingUpFlag) : cx;
}

// Rows an edge crosses: from its start row up to, not including, its end row.
void EdgeRows(const TEdge& e, int& lo, int& hi) {
  if (e.Direction > 0) {
    lo = e.From.Y;
    hi = e.To.Y - 1;
  } else {
    lo = e.To.Y + 1;
    hi = e.From.Y;
  }
}

// Sort key: x first, then direction, so that equal positions come out in a fixed order.
uint32_t SortKey(int32_t c) { return std::rotl(static_cast<uint32_t>(c), 1); }

void SortRow(int32_t* first, int32_t* last) {
  if (last - first <= 8) {
    for (int32_t* i = first + 1; i < last; ++i) {
      const int32_t v = *i;
      const uint32_t key = SortKey(v);
      int32_t* j = i;
      for (; j > first && SortKey(j[-1]) > key; --j) *j = j[-1];
      *j = v;
    }
    return;
  }
  std::sort(first, last, [](int32_t a, int32_t b) { return SortKey(a) < SortKey(b); });
}

}  // namespace

void CollectEdges(const TArrayOfArrayOfPoint& rings, TEdgeList& edges) {
  for (const TArrayOfPoint& ring : rings) CollectRingEdges(ring, edges);
}

TCrossingTable BuildCrossings(const TArrayOfArrayOfPoint& rings, int firstRow, int lastRow, int maxX) {
  TEdgeList edges;
  CollectEdges(rings, edges);
  return BuildCrossings(edges, firstRow, lastRow, maxX);
}

TCrossingTable BuildCrossings(const TEdgeList& edges, int firstRow, int lastRow, int maxX) {
  TCrossingTable table;
  table.FirstRow_ = firstRow;
  if (lastRow < firstRow) return table;
  const size_t rowCount = static_cast<size_t>(lastRow - firstRow) + 1;

  // Count per row through a difference array, then lay the lists out one after another.
  std::vector<int32_t> diff(rowCount + 1, 0);
  for (const TEdge& e : edges) {
    int lo = 0, hi = 0;
    EdgeRows(e, lo, hi);
    lo = std::max(lo, firstRow);
    hi = std::min(hi, lastRow);
    if (lo <= hi) {
      ++diff[static_cast<size_t>(lo - firstRow)];
      --diff[static_cast<size_t>(hi - firstRow) + 1];
    }
    if (e.TurnsBack && e.From.Y >= firstRow && e.From.Y <= lastRow) {
      ++diff[static_cast<size_t>(e.From.Y - firstRow)];
      --diff[static_cast<size_t>(e.From.Y - firstRow) + 1];
    }
  }
  table.Start_.resize(rowCount);
  table.Count_.assign(rowCount, 0);
  int64_t running = 0, total = 0;
  for (size_t i = 0; i < rowCount; ++i) {
    running += diff[i];
    table.Start_[i] = total;
    total += running;
  }
  table.Values_.resize(static_cast<size_t>(total));

  auto put = [&table, firstRow](int row, int32_t value) {
    const size_t i = static_cast<size_t>(row - firstRow);
    table.Values_[static_cast<size_t>(table.Start_[i] + table.Count_[i]++)] = value;
  };
  for (const TEdge& e : edges) {
    if (e.TurnsBack && e.From.Y >= firstRow && e.From.Y <= lastRow)
      put(e.From.Y, Encode(e.From.X, -e.Direction, maxX));
    int lo = 0, hi = 0;
    EdgeRows(e, lo, hi);
    lo = std::max(lo, firstRow);
    hi = std::min(hi, lastRow);
    if (lo > hi) continue;
    // Bresenham walk in walk order: after n rows x = From.X + sx * floor((e0 + n * |dx|) / dy)
    // with e0 = (|dx| mod dy) / 2. Jump straight to the first visible row, then step.
    const int64_t dy = std::abs(int64_t{e.To.Y} - e.From.Y);
    const int64_t adx = std::abs(int64_t{e.To.X} - e.From.X);
    const int sx = e.To.X >= e.From.X ? 1 : -1;
    const int64_t q = adx / dy, r = adx % dy;
    const int firstVisible = e.Direction > 0 ? lo : hi;
    const int64_t n = std::abs(int64_t{firstVisible} - e.From.Y);
    const int64_t total0 = r / 2 + n * r;
    int64_t x = e.From.X + sx * (n * q + total0 / dy);
    int64_t err = total0 % dy;
    const int count = hi - lo + 1;
    int row = firstVisible;
    for (int i = 0; i < count; ++i) {
      put(row, Encode(x, e.Direction, maxX));
      row += e.Direction;
      x += sx * q;
      err += r;
      if (err >= dy) {
        x += sx;
        err -= dy;
      }
    }
  }

  for (size_t i = 0; i < rowCount; ++i) {
    int32_t* first = table.Values_.data() + table.Start_[i];
    SortRow(first, first + table.Count_[i]);
    if (table.Count_[i] % 2 != 0) {
      table.Count_[i] = 0;
      ++table.SkippedRows_;
    }
  }
  return table;
}

void AliasedSpans(std::span<const int32_t> crossings, TPolyFillMode mode, int width, std::vector<TSpan>& spans) {
  spans.clear();
  const int last = width - 1;
  auto pixel = [](int x) { return (x + 128) >> 8; };  // halves round up
  auto add = [&spans, last](int x1, int x2) {
    x2 = std::min(x2, last);
    if (x1 <= x2) spans.push_back({x1, x2});
  };
  if (mode == Winding) {
    int count = 0;
    for (size_t j = 0; j < crossings.size(); ++j) {
      if (j > 0 && count != 0) add(pixel(CrossingX(crossings[j - 1])), pixel(CrossingX(crossings[j])));
      count -= CrossingDirection(crossings[j]);
    }
    return;
  }
  int previousEnd = -1;
  for (size_t j = 0; j + 1 < crossings.size(); j += 2) {
    const int start = CrossingX(crossings[j]);
    const int end = CrossingX(crossings[j + 1]) - 1;
    if (start >= end) continue;
    const int x1 = std::max(pixel(start), previousEnd + 1);
    const int x2 = std::min(pixel(end), last);
    add(x1, x2);
    previousEnd = std::max(previousEnd, x2);
  }
}

void RowCoverage(const TCrossingTable& table, int firstSubRow, int lastSubRow, TPolyFillMode mode, int width,
                 TCoverageScratch& scratch, std::vector<TCoverageRun>& runs) {
  runs.clear();
  // Crossings lie in 0 .. 8 * width - 1, so contributions land in columns 0 .. width.
  const size_t columns = static_cast<size_t>(width) + 2;
  if (scratch.Accumulator.size() < columns) {
    scratch.Accumulator.assign(columns, 0);
    scratch.Touched.assign((columns + 63) / 64, 0);
  }
  int32_t* acc = scratch.Accumulator.data();
  uint64_t* touched = scratch.Touched.data();
  int lo = INT32_MAX, hi = -1;
  auto add = [acc, touched, &lo, &hi](int column, int32_t amount) {
    if (amount == 0) return;
    acc[column] += amount;
    touched[column >> 6] |= uint64_t{1} << (column & 63);
    lo = std::min(lo, column);
    hi = std::max(hi, column);
  };
  auto interval = [&add](int xs, int xe) {
    add(xs >> 3, 7 - (xs & 7));
    add((xs >> 3) + 1, xs & 7);
    add(xe >> 3, -(7 - (xe & 7)));
    add((xe >> 3) + 1, -(xe & 7));
  };
  for (int s = firstSubRow; s <= lastSubRow; ++s) {
    const std::span<const int32_t> row = table.Row(s);
    if (mode == Alternate) {
      for (size_t j = 0; j + 1 < row.size(); j += 2) interval(CrossingX(row[j]), CrossingX(row[j + 1]));
      continue;
    }
    int count = 0, start = 0;
    for (const int32_t c : row) {
      const int before = count;
      count += CrossingDirection(c);
      if (before == 0 && count != 0)
        start = CrossingX(c);
      else if (before != 0 && count == 0)
        interval(start, CrossingX(c));
    }
  }
  if (hi < 0) return;
  // Walk the touched columns in order through their bits, summing as we go and clearing the
  // scratch behind us.
  int32_t sum = 0;
  for (int word = lo >> 6; word <= hi >> 6; ++word) {
    uint64_t bits = touched[word];
    touched[word] = 0;
    while (bits != 0) {
      const int column = word * 64 + std::countr_zero(bits);
      bits &= bits - 1;
      sum += acc[column];
      acc[column] = 0;
      if (column >= width) continue;  // past the last column: only clears the scratch
      if (!runs.empty() && runs.back().Coverage == sum) continue;
      if (!runs.empty() && runs.back().Column == column)
        runs.back().Coverage = sum;
      else
        runs.push_back({column, sum});
    }
  }
}

}  // namespace kivrano
