#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/PngPictures.h"
#include "ResamplingTestSurfaces.h"
#include "raster/Polygons.h"

namespace kivrano {
namespace {

using testing::Filled;

constexpr TFixed F = 65536;
constexpr TColor32 kBlue = 0xFF0000FF;
using testing::kWhite;

TPolygon32 Poly(std::initializer_list<TFixedPoint> pts, bool antialiased, TPolyFillMode mode = Alternate) {
  TPolygon32 p;
  p.SetAntialiased(antialiased);
  p.SetFillMode(mode);
  for (const TFixedPoint& q : pts) p.Add(q);
  return p;
}

TFixedPoint P(float x, float y) { return {ToFixed(x), ToFixed(y)}; }

// Pixels differing from the background, as (x, y, colour).
struct Px {
  int X, Y;
  TColor32 C;
  friend bool operator==(const Px&, const Px&) = default;
};
std::vector<Px> Painted(const TBitmap32& b, TColor32 background) {
  std::vector<Px> r;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != background) r.push_back({x, y, b.GetPixel(x, y)});
  return r;
}
void PrintTo(const Px& p, std::ostream* os) { *os << "(" << p.X << "," << p.Y << ":" << std::hex << p.C << ")"; }

// A five-pointed star drawn as one self-crossing line.
TPolygon32 Star(float cx, float cy, float r, bool antialiased, TPolyFillMode mode) {
  TPolygon32 p;
  p.SetAntialiased(antialiased);
  p.SetFillMode(mode);
  for (int k = 0; k < 5; ++k) {
    const double a = (-90.0 + 144.0 * k) * 3.14159265358979 / 180.0;
    p.Add(P(cx + r * static_cast<float>(std::cos(a)), cy + r * static_cast<float>(std::sin(a))));
  }
  return p;
}

// Aliased spans: the walk-order rows make the top row pair up into an empty interval, and the
// span end (x - 1/256) rounds to the right edge's pixel, inclusive.
TEST(PolygonFill, AliasedRectangle) {
  Filled b(6, 5, 0);
  Poly({P(1, 1), P(4, 1), P(4, 3), P(1, 3)}, false).DrawFill(b, kBlue);
  EXPECT_EQ(Painted(b, 0), (std::vector<Px>{{1, 2, kBlue}, {2, 2, kBlue}, {3, 2, kBlue}, {4, 2, kBlue}}));
  // A translucent colour blends its spans.
  b.Clear(kWhite);
  Poly({P(1, 1), P(4, 1), P(4, 3), P(1, 3)}, false).DrawFill(b, 0x800000FF);
  EXPECT_EQ(b.GetPixel(2, 2), Blend(0x800000FF, kWhite));
  EXPECT_EQ(b.GetPixel(2, 1), kWhite);
}

// Anti-aliased: the top pixel row has 7 covered sub-rows (coverage 49, alpha 49 * 1167 >> 8 =
// 223), the next one all 8 (56, alpha 255); partial pixels are merged with the fill colour's
// alpha as master.
TEST(PolygonFill, AntialiasedSquareCoverageAndMerge) {
  Filled b(5, 5, 0);
  const TPolygon32 square = Poly({P(1, 1), P(3, 1), P(3, 3), P(1, 3)}, true);
  square.DrawFill(b, kBlue);
  EXPECT_EQ(Painted(b, 0),
            (std::vector<Px>{{1, 1, 0xDF0000FF}, {2, 1, 0xDF0000FF}, {1, 2, kBlue}, {2, 2, kBlue}}));
  // Onto white: Merge gives alpha 255, red and green 254 - 222 = 32 (scaled by 257 >> 8), blue 254.
  b.Clear(kWhite);
  square.DrawFill(b, kBlue);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFF2020FEu);
  EXPECT_EQ(b.GetPixel(1, 2), kBlue);
  // Half-transparent colour at full coverage: Merge with master 128.
  b.Clear(kWhite);
  square.DrawFill(b, 0x800000FF);
  EXPECT_EQ(b.GetPixel(2, 2), 0xFF7F7FFEu);
}

TEST(PolygonFill, AntialiasedEdgesArePartialAndTheInsideOpaque) {
  Filled b(40, 40, 0);
  Poly({P(3.3f, 2.7f), P(36.6f, 10.2f), P(12.1f, 37.4f)}, true).DrawFill(b, kBlue);
  EXPECT_EQ(b.GetPixel(17, 17), kBlue);
  int partial = 0, full = 0;
  for (const Px& p : Painted(b, 0)) {
    EXPECT_EQ(p.C & 0x00FFFFFF, 0x0000FFu);
    if (p.C >> 24 == 255) ++full;
    else ++partial;
  }
  EXPECT_GT(full, 300);
  EXPECT_GT(partial, 60);
  EXPECT_EQ(b.GetPixel(1, 1), 0u);
  EXPECT_EQ(b.GetPixel(38, 38), 0u);
}

TEST(PolygonFill, StarCentreIsEmptyUnderAlternateAndFilledUnderWinding) {
  for (bool aa : {false, true}) {
    Filled even(60, 60, kWhite), nonzero(60, 60, kWhite);
    Star(30, 31, 28, aa, Alternate).DrawFill(even, kBlue);
    Star(30, 31, 28, aa, Winding).DrawFill(nonzero, kBlue);
    testing::DumpPicture(even, aa ? "star_alternate_aa" : "star_alternate");
    testing::DumpPicture(nonzero, aa ? "star_winding_aa" : "star_winding");
    EXPECT_EQ(even.GetPixel(30, 31), kWhite) << aa;
    EXPECT_EQ(nonzero.GetPixel(30, 31), kBlue) << aa;
    // The points are filled under both rules, outside the star neither.
    EXPECT_EQ(even.GetPixel(30, 8), kBlue) << aa;
    EXPECT_EQ(nonzero.GetPixel(30, 8), kBlue) << aa;
    EXPECT_EQ(even.GetPixel(5, 55), kWhite) << aa;
    // Non-zero covers everything even-odd covers. Anti-aliased, both agree pixel for pixel
    // outside the pentagon in the middle; aliased, zero-width winding intervals at the tips may
    // add a pixel.
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) {
        if (even.GetPixel(x, y) == kBlue) {
          ASSERT_EQ(nonzero.GetPixel(x, y), kBlue) << x << "," << y;
        }
        if (aa && std::hypot(x - 30.0, y - 31.0) > 13) {
          ASSERT_EQ(even.GetPixel(x, y), nonzero.GetPixel(x, y)) << x << "," << y;
        }
      }
  }
}

TEST(PolygonFill, NothingOutsideTheSurfaceAndNothingFromDegenerateLines) {
  struct Case {
    const char* name;
    std::vector<TFixedPoint> points;
  } nothing[] = {
      {"above", {P(1, -9), P(8, -9), P(8, -2), P(1, -2)}},
      {"below", {P(1, 12), P(8, 12), P(8, 19), P(1, 19)}},
      {"two points", {P(1, 1), P(8, 8)}},
      {"all points equal", {P(3, 3), P(3, 3), P(3, 3), P(3, 3)}},
      {"flat", {P(1, 4), P(5, 4), P(9, 4)}},
      {"not a number", {{INT32_MIN, INT32_MIN}, {INT32_MIN, INT32_MIN}, {INT32_MIN, INT32_MIN}}},
  };
  for (bool aa : {false, true})
    for (const Case& c : nothing) {
      Filled b(10, 10, 0);
      TPolygon32 p;
      p.SetAntialiased(aa);
      for (const TFixedPoint& q : c.points) p.Add(q);
      p.DrawFill(b, kBlue);
      EXPECT_TRUE(Painted(b, 0).empty()) << c.name << " aa=" << aa;
    }
}

TEST(PolygonFill, ClippedAtTheSurfaceEdges) {
  for (bool aa : {false, true}) {
    // Crossing the left edge: drawn from column 0. Reaching past the right edge: the row ends at
    // the last column and the next rows' first pixels are untouched.
    Filled b(6, 4, 0);
    Poly({P(-5, 0.5f), P(3, 0.5f), P(3, 2.5f), P(-5, 2.5f)}, aa).DrawFill(b, kBlue);
    EXPECT_EQ(b.GetPixel(0, 1), kBlue) << aa;
    EXPECT_EQ(b.GetPixel(5, 1), 0u) << aa;
    b.Clear(0);
    Poly({P(4, 0.5f), P(50, 0.5f), P(50, 2.5f), P(4, 2.5f)}, aa).DrawFill(b, kBlue);
    EXPECT_EQ(b.GetPixel(5, 1), kBlue) << aa;
    EXPECT_EQ(b.GetPixel(0, 2), 0u) << aa;
    EXPECT_EQ(b.GetPixel(0, 3), 0u) << aa;
    // Huge coordinates cover the whole surface without trouble.
    b.Clear(0);
    const TFixed lo = std::numeric_limits<TFixed>::min(), hi = std::numeric_limits<TFixed>::max();
    Poly({{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}}, aa).DrawFill(b, kBlue);
    EXPECT_EQ(b.GetPixel(3, 2), kBlue) << aa;
    EXPECT_EQ(b.GetPixel(5, 3), kBlue) << aa;
  }
}

TEST(PolygonFill, LinesOfFewerThanThreePointsAddNothingAndNotifyOnce) {
  Filled b(10, 10, 0);
  TPolygon32 p = Poly({P(1, 1), P(8, 1), P(8, 8), P(1, 8)}, true);
  p.NewLine();
  p.Add(P(0, 0));
  p.Add(P(9, 9));
  int changes = 0;
  b.OnChange = [&changes](TThreadPersistent*) { ++changes; };
  p.DrawFill(b, kBlue);
  EXPECT_EQ(changes, 1);
  Filled alone(10, 10, 0);
  Poly({P(1, 1), P(8, 1), P(8, 8), P(1, 8)}, true).DrawFill(alone, kBlue);
  EXPECT_EQ(Painted(b, 0), Painted(alone, 0));
  // A second ring inside the first, in the same direction: a hole only under Alternate.
  TPolygon32 ring = Poly({P(1, 1), P(9, 1), P(9, 9), P(1, 9)}, false);
  ring.NewLine();
  for (TFixedPoint q : {P(3, 3), P(7, 3), P(7, 7), P(3, 7)}) ring.Add(q);
  b.Clear(0);
  ring.DrawFill(b, kBlue);
  EXPECT_EQ(b.GetPixel(5, 5), 0u);
  ring.SetFillMode(Winding);
  ring.DrawFill(b, kBlue);
  EXPECT_EQ(b.GetPixel(5, 5), kBlue);
}

TEST(PolygonEdges, AliasedOutlineAndSinglePoints) {
  Filled b(6, 5, 0);
  TPolygon32 p = Poly({P(1, 1), P(4, 1), P(4, 3), P(1, 3)}, false);
  p.NewLine();
  p.Add(P(5.4f, 4.4f));  // a closed one-point line draws that point
  p.DrawEdges(b, kBlue);
  std::vector<Px> expected;
  for (int x = 1; x <= 4; ++x) expected.push_back({x, 1, kBlue});
  expected.push_back({1, 2, kBlue});
  expected.push_back({4, 2, kBlue});
  for (int x = 1; x <= 4; ++x) expected.push_back({x, 3, kBlue});
  expected.push_back({5, 4, kBlue});
  EXPECT_EQ(Painted(b, 0), expected);
  // Open: no closing segment (the left side stays empty), single points are not drawn.
  b.Clear(0);
  p.SetClosed(false);
  p.DrawEdges(b, kBlue);
  EXPECT_EQ(b.GetPixel(1, 2), 0u);
  EXPECT_EQ(b.GetPixel(5, 4), 0u);
  EXPECT_EQ(b.GetPixel(4, 2), kBlue);
}

TEST(PolygonEdges, AntialiasedOutlineStaysOnTheSurface) {
  Filled b(8, 8, 0);
  TPolygon32 p = Poly({P(-20, 1.5f), P(30, 1.5f), P(30, 40), P(1.5f, 6.5f)}, true);
  int changes = 0;
  b.OnChange = [&changes](TThreadPersistent*) { ++changes; };
  p.DrawEdges(b, kBlue);
  EXPECT_EQ(changes, 1);
  EXPECT_NE(b.GetPixel(4, 1), 0u);
  EXPECT_EQ(b.GetPixel(4, 4), 0u);
  // Extreme coordinates (a caller's NaN arrives as the smallest fixed value) draw without
  // leaving the surface, aliased or not.
  const TFixed lo = std::numeric_limits<TFixed>::min(), hi = std::numeric_limits<TFixed>::max();
  for (bool aa : {false, true}) {
    TPolygon32 wild = Poly({{lo, lo}, {hi, 3 * F}, {2 * F, hi}, {lo, 5 * F}}, aa);
    wild.NewLine();
    wild.Add({lo, hi});
    wild.DrawEdges(b, 0x80FF0000);
  }
}

// A freehand-like open line outlined and grown to a 4-pixel-wide stroke: the stroke covers the
// pixels the line passes through and stays within its width (plus the soft edge) of the path.
TEST(PolygonFill, GrownOutlineStroke) {
  TPolygon32 line;
  line.SetClosed(false);
  for (int i = 0; i <= 40; ++i) {
    const float x = 8 + i * 2.0f;
    const float y = 40 + 25 * std::sin(i * 0.25f);
    line.Add(P(x, y));
  }
  auto stroke = line.Outline()->Grow(ToFixed(2), 0.5f);
  stroke->SetAntialiased(true);
  stroke->SetFillMode(Winding);
  Filled b(100, 80, kWhite);
  stroke->DrawFill(b, 0xFF802020);
  testing::DumpPicture(b, "grown_outline");
  for (int i = 0; i <= 40; ++i) {
    const float x = 8 + i * 2.0f, y = 40 + 25 * std::sin(i * 0.25f);
    // The stroke stops square at the line's ends, which leaves their pixels half covered.
    if (i > 0 && i < 40) {
      EXPECT_EQ(b.GetPixel(static_cast<int>(x), static_cast<int>(y)), 0xFF802020u) << i;
    }
    // 4.5 pixels off the line along its normal lies beyond the stroke and its soft edge.
    const float dx = 2, dy = 25 * 0.25f * std::cos(i * 0.25f), n = std::hypot(dx, dy);
    for (float side : {-4.5f, 4.5f}) {
      const int px = static_cast<int>(std::lround(x + side * dy / n));
      const int py = static_cast<int>(std::lround(y - side * dx / n));
      if (px >= 0 && px < 100) {
        EXPECT_EQ(b.GetPixel(px, py), kWhite) << i << " " << side;
      }
    }
  }
}

}  // namespace
}  // namespace kivrano
