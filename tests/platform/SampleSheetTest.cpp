#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Canvas.h"
#include "platform/PngWriter.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

// Renders a sheet of text in several sizes and styles, a wrapped paragraph and some canvas
// figures, and writes it to sample-sheet.png (in $KIVRANO_SAMPLE_DIR, else the test temp
// folder) for a human to look at.
TEST(SampleSheet, RendersAndWritesAPicture) {
  TBitmap32 sheet;
  sheet.SetSize(640, 480);
  sheet.Clear(0xFFFFFFFF);
  TCanvas canvas(sheet);
  canvas.Brush().SetStyle(bsClear);

  struct Line {
    const char* family;
    int height;
    TFontStyles style;
    TColor color;
  } lines[] = {
      {"Verdana", 11, {}, clBlack},
      {"Verdana", 13, {}, clBlack},
      {"Verdana", 16, {fsBold}, 0x800000},
      {"Arial", 20, {fsItalic}, 0x008000},
      {"Times New Roman", 24, {fsUnderline}, clBlack},
      {"Verdana", 33, {}, 0x0000C0},
      {"Arial", 44, {fsBold, fsItalic, fsStrikeOut}, clBlack},
  };
  int y = 6;
  for (const Line& l : lines) {
    canvas.Font().SetName(l.family);
    canvas.Font().SetHeight(l.height);
    canvas.Font().SetStyle(l.style);
    canvas.Font().SetColor(l.color);
    canvas.TextOut(6, y, "AVATAR Wolf: passen en trappen 0123 \xC3\xA9\xC3\xAB");
    y += l.height + 4;
  }

  sheet.Font().SetName("Verdana");
  sheet.Font().SetHeight(15);
  const TRect para{10, y + 6, 330, 470};
  const std::string text =
      "Dribbel met de bal om de kegels heen, speel daarna de bal in op de speler in het vak. "
      "Die kaatst terug en de eerste speler schiet op doel.\nWissel na vijf minuten van rol.";
  sheet.TextOut(para, tfWordBreak | tfCenter, text);
  canvas.Pen().SetStyle(psDot);
  canvas.Rectangle(para);

  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(3);
  canvas.Pen().SetColor(0x0000FF);
  canvas.Brush().SetStyle(bsDiagCross);
  canvas.Brush().SetColor(0x808080);
  canvas.Ellipse(360, y + 10, 460, y + 90);
  canvas.Pen().SetWidth(1);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(0x00FFFF);
  canvas.Polygon({{480, y + 90}, {530, y + 10}, {580, y + 90}});
  canvas.Pen().SetMode(pmXor);
  canvas.Pen().SetColor(0xFFFFFF);
  canvas.Brush().SetStyle(bsClear);
  canvas.Rectangle(470, y + 40, 620, y + 70);

  const char* dir = std::getenv("KIVRANO_SAMPLE_DIR");
  const std::string path = std::string(dir ? dir : ::testing::TempDir().c_str()) + "/sample-sheet.png";
  ASSERT_TRUE(testing::WriteOpaquePng(sheet, path)) << path;

  // Every line of text left ink in its own band.
  y = 6;
  for (const Line& l : lines) {
    int ink = 0;
    for (int yy = y; yy < y + l.height; ++yy)
      for (int x = 0; x < 640; ++x) ink += sheet.GetPixel(x, yy) != 0xFFFFFFFF;
    EXPECT_GT(ink, 20 * l.height) << l.family << " " << l.height;
    y += l.height + 4;
  }
}

}  // namespace
}  // namespace kivrano
