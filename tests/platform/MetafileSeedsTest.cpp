// The seed metafiles of fuzz_metafile, made with the test writer: every record kind the player
// knows, in both point sizes, with objects, stock objects, mappings and saved states.

#include <gtest/gtest.h>

#include "support/FuzzSeeds.h"
#include "support/MetafileWriter.h"

namespace kivrano {
namespace {

using testing::TMetafileWriter;

std::vector<uint8_t> Shapes() {
  TMetafileWriter w(TRect{0, 0, 63, 47}, TRect{0, 0, 640, 480}, TSize{1000, 1000}, TSize{100, 100}, 4);
  w.Pen(1, 0, 2, 0x0000FF).Brush(2, 0, 0xFF0000).Select(1).Select(2);
  w.Record(emrRectangle, {2, 2, 30, 20}).Record(emrEllipse, {32, 2, 60, 20});
  w.Poly(emrPolygon, {{2, 24}, {16, 44}, {30, 24}}).Poly(emrPolyline, {{32, 24}, {46, 44}, {60, 24}});
  w.Poly(emrPolyBezier, {{2, 46}, {10, 30}, {50, 60}, {60, 40}});
  w.Record(emrMoveToEx, {4, 4}).Record(emrLineTo, {60, 44});
  w.Poly(emrPolylineTo, {{10, 40}, {20, 30}}).Poly(emrPolyBezierTo, {{30, 20}, {40, 30}, {50, 10}});
  w.PolyPoly(emrPolyPolyline, {{{1, 1}, {5, 5}}, {{6, 6}, {9, 1}, {12, 6}}});
  w.PolyPoly(emrPolyPolygon, {{{20, 20}, {25, 20}, {22, 25}}, {{40, 40}, {45, 40}, {42, 45}}});
  w.Record(emrDeleteObject, {1}).Select(kEmfStockObject | soNullPen).Select(kEmfStockObject | soGrayBrush);
  return w.Record(emrRectangle, {10, 10, 20, 20}).Finish();
}

std::vector<uint8_t> SmallPoints() {
  TMetafileWriter w(TRect{0, 0, 99, 99}, TRect{0, 0, 1000, 1000});
  w.Record(emrExtCreatePen, {1, 0, 0, 0, 0, 0x10001, 3, 0, 0x00FF00, 0, 0}).Select(1);
  w.Brush(2, 2, 0x808080, 4).Select(2);
  w.Poly(emrPolygon16, {{10, 10}, {90, 10}, {50, 90}}).Poly(emrPolyline16, {{0, 0}, {99, 99}});
  w.Poly(emrPolyBezier16, {{0, 99}, {30, 0}, {60, 99}, {99, 0}});
  w.Record(emrMoveToEx, {50, 50}).Poly(emrPolylineTo16, {{60, 60}}).Poly(emrPolyBezierTo16, {{70, 50}, {80, 70}, {90, 50}});
  w.PolyPoly(emrPolyPolyline16, {{{1, 90}, {20, 95}}, {{30, 90}, {40, 95}}});
  return w.PolyPoly(emrPolyPolygon16, {{{5, 5}, {15, 5}, {10, 15}}}).Finish();
}

std::vector<uint8_t> Mappings() {
  TMetafileWriter w(TRect{0, 0, 199, 99}, TRect{0, 0, 2000, 1000});
  w.Record(emrSaveDC, {}).Record(emrSetMapMode, {mmAnisotropic});
  w.Record(emrSetWindowExtEx, {1000, 500}).Record(emrSetViewportExtEx, {200, -100});
  w.Record(emrSetWindowOrgEx, {-10, -10}).Record(emrSetViewportOrgEx, {0, 100});
  w.Record(emrEllipse, {0, 0, 900, 450}).Record(emrSaveDC, {});
  w.Record(emrSetMapMode, {mmIsotropic}).Record(emrRectangle, {100, 100, 400, 300});
  w.Record(emrRestoreDC, {-1}).Record(emrSetMapMode, {mmHiMetric}).Record(emrRectangle, {0, 0, 500, -500});
  w.Record(emrSetMapMode, {mmTwips}).Record(emrEllipse, {0, 0, 1440, -720});
  return w.Record(emrRestoreDC, {1}).Record(emrRectangle, {5, 5, 50, 50}).Finish();
}

TEST(MetafileSeeds, MatchTheWriter) {
  testing::CheckFuzzSeed("fuzz_metafile", "shapes.emf", Shapes());
  testing::CheckFuzzSeed("fuzz_metafile", "small_points.emf", SmallPoints());
  testing::CheckFuzzSeed("fuzz_metafile", "mappings.emf", Mappings());
  testing::CheckFuzzSeed("fuzz_metafile", "header_only.emf", TMetafileWriter().Finish());
}

}  // namespace
}  // namespace kivrano
