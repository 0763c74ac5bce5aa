// The sheet of every predefined figure, every arrow style, dashed and freehand lines, rendered at
// two scales. Each cell must hold the shape's paint and nothing may spill into the neighbours.
//
// To look at it, name a folder:
//   KIVRANO_PICTURES=/tmp/sheet build/dev/tests/kivrano_tests_shapes --gtest_filter='FigureSheet*'
// which writes figure_sheet_2ppmm.png and figure_sheet_6ppmm.png there.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FigureTestSupport.h"
#include "ShapeTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "platform/FontEngine.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpFreehandShape.h"
#include "shapes/dtpLineShape.h"
#include "support/PngPictures.h"

namespace kivrano {
namespace {

// One cell of the sheet: a label and a shape placed in a cell of kCellWidth x kCellHeight mm.
struct SheetEntry {
  std::string label;
  std::unique_ptr<TdtpPolygonShape> shape;
};

constexpr float kCellWidth = 34;
constexpr float kCellHeight = 28;
constexpr int kColumns = 8;
constexpr float kLabelHeight = 5;

std::unique_ptr<TdtpPolygonShape> Figure(const std::string& name) {
  std::unique_ptr<TdtpPolygonShape> polygon = testing::CreateFigure(name);
  polygon->SetFillColor(0xE0C080);  // light blue
  polygon->SetOutlineColor(0x400000);
  polygon->SetOutlineWidth(0.5f);
  return polygon;
}

std::unique_ptr<TdtpLineShape> Line(TdtpArrowStyle start, TdtpArrowStyle end, float width, TFloatPoint from,
                                    TFloatPoint to) {
  auto line = std::make_unique<TdtpLineShape>();
  line->SetLineWidth(width);
  line->SetFillColor(0x0000A0);
  line->Arrows(0)->SetStyle(start);
  line->Arrows(1)->SetStyle(end);
  line->SetPoint(0, from);
  line->SetPoint(1, to);
  return line;
}

// Every entry positioned in its cell (page millimetres, label strip on top).
std::vector<SheetEntry> SheetEntries() {
  std::vector<SheetEntry> entries;
  const char* figures[] = {"TdtpRectangleShape", "TdtpRoundRectShape", "TdtpEllipseShape", "TdtpDrieHShape",
                           "TdtpVijfHShape",     "TdtpZesHShape",      "TdtpAchtHShape"};
  for (const char* name : figures) entries.push_back({std::string(name).substr(4), Figure(name)});
  for (const char* family : {"Hcirkel1", "Hcirkel2", "Hcirkel3", "Hcirkel4", "Kcirkel1", "Kcirkel2", "Kcirkel3",
                             "Kcirkel4"}) {
    for (const char* variant : {"A", "B", "C", "D", "V"}) {
      const std::string name = std::string("Tdtp") + family + "Shape" + variant;
      if (*variant == 'V' && std::string(family) != "Hcirkel1") continue;
      auto arc = Figure(name);
      arc->SetIsClosed(false);  // as the editor uses them
      arc->SetUseFill(false);
      entries.push_back({name.substr(4), std::move(arc)});
    }
  }
  // The first arc closed and filled, to show the chord.
  auto closed = Figure("TdtpHcirkel1ShapeA");
  entries.push_back({"Hcirkel1A closed", std::move(closed)});

  const TdtpArrowStyle styles[] = {NoArrow, Arrow, OpenArrow, StealthArrow, Diamond, Oval};
  for (TdtpArrowStyle style : styles) {
    entries.push_back({ArrowStyleName(style), Line(NoArrow, style, 1, {2, 14}, {30, 6})});
  }
  for (TdtpArrowStyle style : styles) {
    entries.push_back({ArrowStyleName(style) + " both, thin", Line(style, style, 0.3f, {3, 20}, {29, 4})});
  }
  // The editor's arrow tool.
  auto tool = Line(NoArrow, OpenArrow, 0.5f, {2, 18}, {30, 4});
  tool->Arrows(1)->SetWidth(2);
  tool->Arrows(1)->SetLength(3.5f);
  entries.push_back({"arrow tool", std::move(tool)});
  // A short line: the head shrinks to 0.7 of the length.
  entries.push_back({"short", Line(NoArrow, Arrow, 1, {10, 12}, {15, 12})});
  // The dashed line as the editor creates it: a hairline ring of dashes.
  auto dashed = std::make_unique<TdtpLineShape2>();
  dashed->SetUseFill(false);
  dashed->SetUseOutline(true);
  dashed->SetOutlineWidth(0);
  dashed->SetLineWidth(0);
  dashed->SetPoint(0, {2, 18});
  dashed->SetPoint(1, {30, 4});
  entries.push_back({"dashed line", std::move(dashed)});
  auto dashedArrow = std::make_unique<TdtpLineShape2>();
  dashedArrow->SetUseFill(false);
  dashedArrow->SetOutlineWidth(0);
  dashedArrow->SetUseOutline(true);
  dashedArrow->SetLineWidth(0.5f);
  dashedArrow->Arrows(1)->SetStyle(Arrow);
  dashedArrow->SetPoint(0, {2, 12});
  dashedArrow->SetPoint(1, {30, 12});
  entries.push_back({"dashed arrow", std::move(dashedArrow)});
  // Freehand strokes, plain and dashed.
  for (bool dashedStroke : {false, true}) {
    std::unique_ptr<TdtpFreehandShape> stroke =
        dashedStroke ? std::make_unique<TdtpFreehandShape2>() : std::make_unique<TdtpFreehandShape>();
    for (int i = 0; i <= 20; ++i) {
      const float t = static_cast<float>(i) / 20;
      stroke->AddPoint(2 + 26 * t, 12 + 7 * std::sin(t * 9));
    }
    stroke->NewLine();
    stroke->AddPoint(4, 2);
    stroke->AddPoint(12, 4);
    stroke->AddPoint(8, 8);
    entries.push_back({dashedStroke ? "freehand dashed" : "freehand", std::move(stroke)});
  }

  for (size_t i = 0; i < entries.size(); ++i) {
    const float left = static_cast<float>(i % kColumns) * kCellWidth;
    const float top = static_cast<float>(i / kColumns) * kCellHeight + kLabelHeight;
    TdtpPolygonShape& s = *entries[i].shape;
    if (dynamic_cast<TdtpLineShape*>(&s) || dynamic_cast<TdtpFreehandShape*>(&s)) {
      // Lines and strokes were drawn in cell coordinates: move them into the cell.
      s.SetDocLeft(s.DocLeft() + left);
      s.SetDocTop(s.DocTop() + top);
    } else {
      s.SetBounds(left + 4, top + 2, 26, 18);
    }
  }
  return entries;
}

// Paints every entry onto white paper at scale pixels per millimetre, each through its own
// transparent image as the engine's cache would.
std::unique_ptr<TBitmap32> RenderSheet(const std::vector<SheetEntry>& entries, float scale) {
  const int rows = static_cast<int>((entries.size() + kColumns - 1) / kColumns);
  auto sheet = test::NewSurface(static_cast<int>(kColumns * kCellWidth * scale),
                                static_cast<int>(static_cast<float>(rows) * kCellHeight * scale), 0xFFFFFFFF);
  sheet->Font().SetName("DejaVu Sans");
  sheet->Font().SetHeight(-std::max(8, static_cast<int>(3 * scale)));
  TBitmap32 image;
  image.SetSize(sheet->Width(), sheet->Height());
  image.SetDrawMode(dmBlend);
  for (size_t i = 0; i < entries.size(); ++i) {
    TdtpPolygonShape& s = *entries[i].shape;
    s.SetPaintMatrix(test::ScaleMatrix(scale, s.DocLeft() * scale, s.DocTop() * scale));
    s.PaintBitmap(image);
    sheet->Draw(TRect{0, 0, sheet->Width(), sheet->Height()}, image);
    const int left = static_cast<int>(static_cast<float>(i % kColumns) * kCellWidth * scale);
    const int top = static_cast<int>(static_cast<float>(i / kColumns) * kCellHeight * scale);
    sheet->TextOut(TRect{left + 2, top + 1, left + static_cast<int>(kCellWidth * scale), top + 40},
                   tfLeft | tfSingleLine, entries[i].label);
  }
  // Text leaves alpha 0 on the pixels it touches: the paper is opaque everywhere.
  for (int y = 0; y < sheet->Height(); ++y) {
    TColor32* row = sheet->ScanLine(y);
    for (int x = 0; x < sheet->Width(); ++x) row[x] |= 0xFF000000u;
  }
  // Cell borders.
  for (int c = 1; c < kColumns; ++c) {
    const int x = static_cast<int>(static_cast<float>(c) * kCellWidth * scale);
    sheet->FillRect(x, 0, x + 1, sheet->Height(), 0xFFD0D0D0);
  }
  for (int r = 1; r < rows; ++r) {
    const int y = static_cast<int>(static_cast<float>(r) * kCellHeight * scale);
    sheet->FillRect(0, y, sheet->Width(), y + 1, 0xFFD0D0D0);
  }
  return sheet;
}

// Counts pixels of the entry's own image, inside and outside its cell.
void CountPaint(TdtpPolygonShape& s, size_t index, float scale, int width, int height, int& inside, int& outside) {
  TBitmap32 image;
  image.SetSize(width, height);
  s.SetPaintMatrix(test::ScaleMatrix(scale, s.DocLeft() * scale, s.DocTop() * scale));
  s.PaintBitmap(image);
  const int left = static_cast<int>(static_cast<float>(index % kColumns) * kCellWidth * scale);
  const int top = static_cast<int>(static_cast<float>(index / kColumns) * kCellHeight * scale);
  const int right = left + static_cast<int>(kCellWidth * scale), bottom = top + static_cast<int>(kCellHeight * scale);
  inside = outside = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (AlphaOf(image.GetPixel(x, y)) == 0) continue;
      (x >= left && x < right && y >= top && y < bottom ? inside : outside) += 1;
    }
  }
}

TEST(FigureSheet, EveryShapePaintsInsideItsCell) {
  std::vector<SheetEntry> entries = SheetEntries();
  for (float scale : {2.0f, 6.0f}) {
    const std::unique_ptr<TBitmap32> sheet = RenderSheet(entries, scale);
    for (size_t i = 0; i < entries.size(); ++i) {
      SCOPED_TRACE(entries[i].label + " at " + std::to_string(scale));
      int inside = 0, outside = 0;
      CountPaint(*entries[i].shape, i, scale, sheet->Width(), sheet->Height(), inside, outside);
      EXPECT_GT(inside, 0);
      EXPECT_EQ(outside, 0);
    }
    if (const char* folder = std::getenv("KIVRANO_PICTURES"); folder && *folder) {
      testing::WritePng(*sheet,
                        std::string(folder) + "/figure_sheet_" + std::to_string(static_cast<int>(scale)) + "ppmm.png");
    }
  }
}

}  // namespace
}  // namespace kivrano
