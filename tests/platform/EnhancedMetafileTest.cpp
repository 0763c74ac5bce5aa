// The enhanced metafile player: framing checks on loading, the drawing records with their pens
// and brushes, the mapping records, and damaged records that must be skipped.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Exception.h"
#include "platform/Canvas.h"
#include "platform/EnhancedMetafile.h"
#include "raster/Bitmap32.h"
#include "support/MetafileWriter.h"

namespace kivrano {
namespace {

using testing::TMetafileWriter;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kGreen = 0x00FF00;
constexpr uint32_t kSolid = 0, kNull = 1, kHatched = 2;
constexpr uint32_t kPenSolid = 0, kPenNull = 5;

// A metafile of width x height pixels whose logical units are its pixels: 10 reference pixels per
// millimetre, frame in hundredths of a millimetre.
TMetafileWriter Picture(int width, int height) {
  return TMetafileWriter(TRect{0, 0, width - 1, height - 1}, TRect{0, 0, width * 10, height * 10});
}

// Plays the metafile onto a surface of its size cleared to opaque white and shows it row by row:
// '.' untouched, and for pixels the canvas painted (alpha 0): '#' black, 'r' red, 'b' blue,
// 'g' green, 'w' white, '?' anything else.
std::vector<std::string> Play(const std::vector<uint8_t>& bytes, int width, int height, const TPen* pen = nullptr,
                              const TBrush* brush = nullptr) {
  TBitmap32 surface;
  surface.SetSize(width, height);
  surface.Clear(0xFFFFFFFF);
  TCanvas canvas(surface);
  TEnhancedMetafile(bytes.data(), bytes.size()).Play(canvas, TRect{0, 0, width, height}, pen, brush);
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const TColor32 c = surface.GetPixel(x, y);
      row += c == 0xFFFFFFFF ? '.'
             : c == 0x00000000 ? '#'
             : c == 0x00FF0000 ? 'r'
             : c == 0x000000FF ? 'b'
             : c == 0x0000FF00 ? 'g'
             : c == 0x00FFFFFF ? 'w'
                               : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

const std::vector<std::string> kRedBoxOnBlue = {
    "........",
    ".rrrrr..",
    ".rbbbr..",
    ".rbbbr..",
    ".rrrrr..",
    "........",
};

TMetafileWriter& RedPenBlueBrush(TMetafileWriter& w) {
  return w.Pen(1, kPenSolid, 0, kRed).Brush(2, kSolid, kBlue).Select(1).Select(2);
}

TEST(EnhancedMetafile, RectangleWithCreatedPenAndBrush) {
  TMetafileWriter w = Picture(8, 6);
  RedPenBlueBrush(w).Record(emrRectangle, {1, 1, 6, 5});
  EXPECT_EQ(Play(w.Finish(), 8, 6), kRedBoxOnBlue);
}

// Different window and viewport mappings of the same rectangle land on the same pixels.
TEST(EnhancedMetafile, WindowAndViewportMappings) {
  struct Case {
    const char* name;
    std::vector<std::vector<int32_t>> mapping;  // type followed by the values
    std::vector<int32_t> box;
  };
  const std::vector<Case> cases = {
      {"plain", {}, {1, 1, 6, 5}},
      {"viewport origin", {{emrSetViewportOrgEx, 1, 1}}, {0, 0, 5, 4}},
      {"window origin", {{emrSetWindowOrgEx, -1, -1}}, {0, 0, 5, 4}},
      {"anisotropic half scale",
       {{emrSetMapMode, mmAnisotropic}, {emrSetWindowExtEx, 20, 40}, {emrSetViewportExtEx, 10, 20},
        {emrSetWindowOrgEx, 10, 10}},
       {12, 12, 22, 20}},
      {"anisotropic y flipped",
       {{emrSetMapMode, mmAnisotropic}, {emrSetWindowExtEx, 1, 1}, {emrSetViewportExtEx, 1, -1},
        {emrSetViewportOrgEx, 0, 6}},
       {1, 5, 6, 1}},
      {"isotropic takes the smaller scale",
       {{emrSetMapMode, mmIsotropic}, {emrSetWindowExtEx, 20, 10}, {emrSetViewportExtEx, 10, 10}},
       {2, 2, 12, 10}},
      {"extents ignored in text mode", {{emrSetWindowExtEx, 20, 20}, {emrSetViewportExtEx, 10, 10}}, {1, 1, 6, 5}},
      {"zero extent ignored",
       {{emrSetMapMode, mmAnisotropic}, {emrSetWindowExtEx, 0, 5}, {emrSetViewportExtEx, 0, 0}},
       {1, 1, 6, 5}},
      // 10 reference pixels per mm: a hundredth of a millimetre is a tenth of a pixel, y upwards.
      {"metric map mode",
       {{emrSetMapMode, mmHiMetric}, {emrSetViewportOrgEx, 0, 6}},
       {10, 50, 60, 10}},
  };
  for (const Case& c : cases) {
    TMetafileWriter w = Picture(8, 6);
    RedPenBlueBrush(w);
    for (const auto& record : c.mapping) w.Record(static_cast<uint32_t>(record[0]), {record.begin() + 1, record.end()});
    w.Record(emrRectangle, {c.box[0], c.box[1], c.box[2], c.box[3]});
    EXPECT_EQ(Play(w.Finish(), 8, 6), kRedBoxOnBlue) << c.name;
  }
}

TEST(EnhancedMetafile, PictureFrameIsStretchedOntoTheDestination) {
  TMetafileWriter w = Picture(4, 3);
  RedPenBlueBrush(w).Record(emrRectangle, {0, 0, 4, 3});
  const std::vector<std::string> expected = {
      "rrrrrrrr",
      "rbbbbbbr",
      "rbbbbbbr",
      "rbbbbbbr",
      "rbbbbbbr",
      "rrrrrrrr",
  };
  EXPECT_EQ(Play(w.Finish(), 8, 6), expected);
}

TEST(EnhancedMetafile, StockObjects) {
  struct Case {
    const char* name;
    std::vector<uint32_t> selections;
    std::vector<std::string> picture;
  };
  const std::vector<Case> cases = {
      {"defaults: black pen, white brush", {}, {"......", ".####.", ".#ww#.", ".####.", "......"}},
      {"null brush", {kEmfStockObject | soNullBrush}, {"......", ".####.", ".#..#.", ".####.", "......"}},
      {"null pen", {kEmfStockObject | soNullPen, kEmfStockObject | soBlackBrush},
       {"......", ".###..", ".###..", "......", "......"}},
      {"white pen", {kEmfStockObject | soWhitePen, kEmfStockObject | soNullBrush},
       {"......", ".wwww.", ".w..w.", ".wwww.", "......"}},
      {"fonts and unknown stock objects change nothing", {kEmfStockObject | 13, kEmfStockObject | 99},
       {"......", ".####.", ".#ww#.", ".####.", "......"}},
  };
  for (const Case& c : cases) {
    TMetafileWriter w = Picture(6, 5);
    for (uint32_t s : c.selections) w.Select(s);
    w.Record(emrRectangle, {1, 1, 5, 4});
    EXPECT_EQ(Play(w.Finish(), 6, 5), c.picture) << c.name;
  }
}

TEST(EnhancedMetafile, ObjectTable) {
  struct Case {
    const char* name;
    std::vector<std::vector<int32_t>> records;
    std::vector<std::string> picture;
  };
  const std::vector<Case> cases = {
      {"selection stays after deletion",
       {{emrCreatePen, 1, kPenSolid, 0, 0, kRed}, {emrSelectObject, 1}, {emrDeleteObject, 1}},
       {"rrrr", "rwwr", "rrrr"}},
      {"deleted object cannot be selected again",
       {{emrCreatePen, 1, kPenSolid, 0, 0, kRed}, {emrDeleteObject, 1}, {emrSelectObject, 1}},
       {"####", "#ww#", "####"}},
      {"index 0 and indexes beyond the table are not stored",
       {{emrCreatePen, 0, kPenSolid, 0, 0, kRed}, {emrSelectObject, 0},
        {emrCreatePen, 8, kPenSolid, 0, 0, kRed}, {emrSelectObject, 8}},
       {"####", "#ww#", "####"}},
      {"a later object replaces an earlier one at its index",
       {{emrCreatePen, 1, kPenSolid, 0, 0, kRed}, {emrCreateBrushIndirect, 1, kSolid, kBlue, 0},
        {emrSelectObject, 1}},
       {"####", "#bb#", "####"}},
      {"extended pen",
       {{emrExtCreatePen, 3, 0, 0, 0, 0, 0x10000 | kPenSolid, 0, 0, kGreen, 0, 0}, {emrSelectObject, 3}},
       {"gggg", "gwwg", "gggg"}},
      {"null brush through its style",
       {{emrCreateBrushIndirect, 2, kNull, kBlue, 0}, {emrSelectObject, 2}},
       {"####", "#..#", "####"}},
      {"truncated pen record is skipped",
       {{emrCreatePen, 1, kPenSolid}, {emrSelectObject, 1}},
       {"####", "#ww#", "####"}},
  };
  for (const Case& c : cases) {
    TMetafileWriter w = Picture(4, 3);
    for (const auto& r : c.records) w.Record(static_cast<uint32_t>(r[0]), {r.begin() + 1, r.end()});
    w.Record(emrRectangle, {0, 0, 4, 3});
    EXPECT_EQ(Play(w.Finish(), 4, 3), c.picture) << c.name;
  }
}

TEST(EnhancedMetafile, HatchedBrushFillsWithItsHatch) {
  TMetafileWriter w = Picture(6, 6);
  w.Select(kEmfStockObject | soNullPen).Brush(1, kHatched, kRed, 0).Select(1).Record(emrRectangle, {0, 0, 7, 7});
  std::string picture;
  for (const std::string& row : Play(w.Finish(), 6, 6)) picture += row;
  EXPECT_NE(picture.find('r'), std::string::npos);
  EXPECT_NE(picture.find('.'), std::string::npos) << "a hatch leaves gaps";
}

TEST(EnhancedMetafile, CurrentPositionRecords) {
  TMetafileWriter w = Picture(7, 6);
  w.Pen(1, kPenSolid, 0, kRed).Select(1);
  w.Record(emrMoveToEx, {1, 1}).Record(emrLineTo, {5, 1});
  w.Poly(emrPolylineTo, {{5, 4}});
  w.Poly(emrPolylineTo16, {{1, 4}, {1, 2}});
  const std::vector<std::string> expected = {
      ".......",
      ".rrrrr.",
      ".....r.",
      ".r...r.",
      ".rrrrr.",
      ".......",
  };
  EXPECT_EQ(Play(w.Finish(), 7, 6), expected);
}

// Each 16-bit record draws what its 32-bit form draws.
TEST(EnhancedMetafile, SixteenBitRecordsDrawLikeTheirFullForms) {
  const std::vector<TPoint> points = {{2, 2}, {30, 4}, {20, 28}, {4, 20}};
  const std::vector<TPoint> curve = {{2, 30}, {2, 2}, {30, 2}, {30, 30}};
  const std::vector<std::vector<TPoint>> parts = {{{2, 2}, {14, 2}, {8, 14}}, {{16, 16}, {30, 16}, {24, 30}}};
  struct Case {
    uint32_t full, small;
  };
  for (Case c : {Case{emrPolyline, emrPolyline16}, Case{emrPolygon, emrPolygon16},
                 Case{emrPolyBezier, emrPolyBezier16}, Case{emrPolyPolyline, emrPolyPolyline16},
                 Case{emrPolyPolygon, emrPolyPolygon16}, Case{emrPolyBezierTo, emrPolyBezierTo16}}) {
    std::vector<std::string> drawn[2];
    for (int i = 0; i < 2; ++i) {
      const uint32_t type = i == 0 ? c.full : c.small;
      TMetafileWriter w = Picture(32, 32);
      RedPenBlueBrush(w);
      if (type == emrPolyPolyline || type == emrPolyPolyline16 || type == emrPolyPolygon ||
          type == emrPolyPolygon16) {
        w.PolyPoly(type, parts);
      } else if (type == emrPolyBezierTo || type == emrPolyBezierTo16) {
        w.Record(emrMoveToEx, {curve[0].X, curve[0].Y});
        w.Poly(type, {curve[1], curve[2], curve[3]});
      } else {
        w.Poly(type, type == emrPolyBezier || type == emrPolyBezier16 ? curve : points);
      }
      drawn[i] = Play(w.Finish(), 32, 32);
    }
    EXPECT_EQ(drawn[0], drawn[1]) << "record type " << c.full;
    EXPECT_NE(drawn[0], std::vector<std::string>(32, std::string(32, '.'))) << "record type " << c.full;
  }
}

TEST(EnhancedMetafile, BezierRunsFromEndToEndThroughItsMiddle) {
  TMetafileWriter w = Picture(40, 40);
  w.Pen(1, kPenSolid, 0, kRed).Select(1);
  // Symmetric curve: at t = 1/2 it passes (p0 + 3 p1 + 3 p2 + p3) / 8 = (20, 8).
  w.Poly(emrPolyBezier, {{4, 32}, {4, 0}, {36, 0}, {36, 32}});
  const std::vector<std::string> picture = Play(w.Finish(), 40, 40);
  EXPECT_EQ(picture[32][4], 'r');
  EXPECT_EQ(picture[8][20], 'r');
  EXPECT_EQ(picture[31][36], 'r') << "the last segment ends one pixel before its end point";
  EXPECT_EQ(picture[20][20], '.') << "a curve, not the chord";
}

TEST(EnhancedMetafile, PolyPolygonFillsEveryPart) {
  TMetafileWriter w = Picture(12, 6);
  RedPenBlueBrush(w).PolyPoly(emrPolyPolygon, {{{0, 0}, {5, 0}, {5, 5}, {0, 5}}, {{6, 0}, {11, 0}, {11, 5}, {6, 5}}});
  const std::vector<std::string> picture = Play(w.Finish(), 12, 6);
  EXPECT_EQ(picture[2], "rbbbbrrbbbbr");
}

TEST(EnhancedMetafile, OverridingPenAndBrushReplaceThePicturesOwn) {
  TMetafileWriter w = Picture(10, 10);
  RedPenBlueBrush(w).Record(emrRectangle, {1, 1, 9, 9}).Poly(emrPolyline, {{0, 0}, {9, 9}});
  w.Pen(3, kPenNull, 0, kRed).Select(3).Record(emrEllipse, {2, 2, 8, 8});
  TPen pen;
  pen.SetColor(clBlack);
  TBrush brush;
  brush.SetColor(kGreen);
  const std::vector<uint8_t> bytes = w.Finish();
  std::string both, penOnly;
  for (const std::string& row : Play(bytes, 10, 10, &pen, &brush)) both += row;
  for (const std::string& row : Play(bytes, 10, 10, &pen, nullptr)) penOnly += row;
  EXPECT_EQ(both.find('r'), std::string::npos) << "every line in the shape's pen, also after a null pen";
  EXPECT_EQ(both.find('b'), std::string::npos);
  EXPECT_NE(both.find('#'), std::string::npos);
  EXPECT_NE(both.find('g'), std::string::npos);
  EXPECT_EQ(penOnly.find('g'), std::string::npos);
  EXPECT_NE(penOnly.find('b'), std::string::npos) << "the picture's own brush without an override";
}

TEST(EnhancedMetafile, PlayingRestoresTheCanvasPenAndBrush) {
  TMetafileWriter w = Picture(4, 4);
  RedPenBlueBrush(w).Record(emrRectangle, {0, 0, 4, 4});
  const std::vector<uint8_t> bytes = w.Finish();
  TBitmap32 surface;
  surface.SetSize(4, 4);
  TCanvas canvas(surface);
  canvas.Pen().SetColor(kGreen);
  canvas.Pen().SetWidth(3);
  canvas.Brush().SetStyle(bsClear);
  TEnhancedMetafile(bytes.data(), bytes.size()).Play(canvas, TRect{0, 0, 4, 4});
  EXPECT_EQ(canvas.Pen().Color(), kGreen);
  EXPECT_EQ(canvas.Pen().Width(), 3);
  EXPECT_EQ(canvas.Brush().Style(), bsClear);
}

TEST(EnhancedMetafile, SavedStateComesBack) {
  TMetafileWriter w = Picture(8, 6);
  RedPenBlueBrush(w).Record(emrSaveDC, {});
  w.Select(kEmfStockObject | soNullPen).Record(emrSetViewportOrgEx, {3, 3}).Record(emrSaveDC, {});
  w.Record(emrRestoreDC, {-2}).Record(emrRectangle, {1, 1, 6, 5});
  EXPECT_EQ(Play(w.Finish(), 8, 6), kRedBoxOnBlue);
  TMetafileWriter absolute = Picture(8, 6);
  RedPenBlueBrush(absolute).Record(emrSaveDC, {}).Select(kEmfStockObject | soNullPen).Record(emrRestoreDC, {1});
  absolute.Record(emrRestoreDC, {1}).Record(emrRestoreDC, {5}).Record(emrRectangle, {1, 1, 6, 5});
  EXPECT_EQ(Play(absolute.Finish(), 8, 6), kRedBoxOnBlue) << "restoring what was never saved changes nothing";
}

TEST(EnhancedMetafile, DamagedRecordsAreSkipped) {
  TMetafileWriter w = Picture(8, 6);
  RedPenBlueBrush(w);
  w.Record(emrPolyline, {0, 0, 0, 0, 1000, 1, 1, 5, 5});                 // count beyond the record
  w.Record(emrPolyPolygon, {0, 0, 0, 0, 2, 2, 3, 3, 1, 1, 5, 5});          // parts beyond the points
  w.Record(emrPolyPolyline, {0, 0, 0, 0, 0x40000000, 2, 1, 1});           // part count beyond the record
  w.Record(emrPolygon16, {0, 0, 0, 0, -1});                               // huge count, no points
  w.Record(emrRectangle, {1, 1});                                         // box cut short
  w.Record(emrRectangle, {1, 1, 6, 5});
  EXPECT_EQ(Play(w.Finish(), 8, 6), kRedBoxOnBlue);
}

// Thousands of wide lines across the picture overdraw it far more than any picture does: playing
// stops before the end instead of stalling the view.
TEST(EnhancedMetafile, PlayingStopsWhenThePictureWouldOverdrawWithoutEnd) {
  for (int lines : {10, 3000}) {
    TMetafileWriter w = Picture(100, 100);
    w.Pen(1, kPenSolid, 60, kRed).Select(1);
    for (int i = 0; i < lines; ++i) w.Poly(emrPolyline, {{0, 0}, {99, 99}});
    w.Pen(2, kPenSolid, 0, kBlue).Select(2).Select(kEmfStockObject | soNullBrush).Record(emrRectangle, {80, 2, 98, 12});
    const std::vector<std::string> picture = Play(w.Finish(), 100, 100);
    EXPECT_EQ(picture[50][50], 'r') << lines;
    EXPECT_EQ(picture[2][85], lines == 10 ? 'b' : '.') << lines;
  }
}

TEST(EnhancedMetafile, DamagedFramingIsRefused) {
  std::vector<uint8_t> good = Picture(8, 6).Record(emrRectangle, {1, 1, 6, 5}).Finish();
  auto patched = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> bytes = good;
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"empty", {}},
      {"shorter than a header", std::vector<uint8_t>(good.begin(), good.begin() + 60)},
      {"first record no header", patched(0, emrRectangle)},
      {"wrong signature", patched(40, 0x12345678)},
      {"header size beyond the data", patched(4, 100000)},
      {"declared size beyond the data", patched(48, static_cast<uint32_t>(good.size() + 4))},
      {"declared size below a header", patched(48, 40)},
      {"record size below 8", patched(92, 4)},
      {"record size not a multiple of 4", patched(92, 26)},
      {"record size beyond the data", patched(92, 4000)},
      {"cut inside a record", std::vector<uint8_t>(good.begin(), good.end() - 8)},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = c.bytes;
    if (c.name == std::string("cut inside a record")) {
      for (int i = 0; i < 4; ++i) bytes[48 + static_cast<size_t>(i)] = static_cast<uint8_t>(bytes.size() >> (8 * i));
    }
    try {
      TEnhancedMetafile metafile(bytes.data(), bytes.size());
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Invalid enhanced metafile") << c.name;
    }
  }
  EXPECT_NO_THROW(TEnhancedMetafile(good.data(), good.size()));
}

TEST(EnhancedMetafile, SizeFromFrameAndReferenceDevice) {
  struct Case {
    TRect bounds, frame;
    TSize device, millimeters;
    int width, height;
  };
  const Case cases[] = {
      {{0, 0, 99, 49}, {0, 0, 5000, 2500}, {1000, 500}, {250, 125}, 200, 100},  // 4 pixels per mm
      {{0, 0, 99, 49}, {1000, 1000, 2000, 1500}, {2000, 1000}, {200, 100}, 100, 50},
      {{10, 20, 109, 69}, {0, 0, 5000, 2500}, {0, 0}, {0, 0}, 100, 50},       // no device: bounds
      {{10, 20, 109, 69}, {0, 0, 0, 0}, {1000, 500}, {250, 125}, 100, 50},    // empty frame: bounds
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> bytes = TMetafileWriter(c.bounds, c.frame, c.device, c.millimeters).Finish();
    TEnhancedMetafile metafile(bytes.data(), bytes.size());
    EXPECT_EQ(metafile.Width(), c.width);
    EXPECT_EQ(metafile.Height(), c.height);
    EXPECT_EQ(metafile.RecordCount(), 2u);
  }
}

}  // namespace
}  // namespace kivrano
