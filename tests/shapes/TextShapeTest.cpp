// Text shapes: font sizing at the nominal resolution, auto-sizing with its anchors, the coverage
// mask in the font colour, caret positions, property undo and persistence.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "ShapeTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "engine/dtpCursors.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpShapeClasses.h"
#include "shapes/dtpTextShape.h"

namespace kivrano::test {
namespace {

constexpr float kD = 5.905512f;  // 150 dots per inch, the resolution without a document

std::unique_ptr<TdtpTextShape> NewText(const std::string& text, int alignment = dtaLeft) {
  auto shape = std::make_unique<TdtpTextShape>();
  shape->SetAlignment(alignment);
  shape->SetBounds(20, 10, 1, 1);
  shape->SetText(text);
  shape->UpdateSize();  // also for the empty text, which SetText leaves alone
  return shape;
}

// The shape painted at the render resolution into a surface of its own box.
std::unique_ptr<TBitmap32> Paint(TdtpTextShape& shape, float scale = kD) {
  auto image = NewSurface(static_cast<int>(shape.DocWidth() * scale + 1), static_cast<int>(shape.DocHeight() * scale + 1),
                          0xFF123456);
  shape.SetPaintMatrix(ScaleMatrix(scale));
  shape.PaintBitmap(*image);
  return image;
}

// Columns of the image that hold any coverage: first and last, -1 for none.
std::pair<int, int> InkColumns(const TBitmap32& image) {
  int first = -1, last = -1;
  for (int x = 0; x < image.Width(); ++x) {
    for (int y = 0; y < image.Height(); ++y) {
      if (AlphaOf(image.GetPixel(x, y)) > 0) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

TEST(TextShapeTest, DefaultFontIs25PointsAt150DpiDrawnWithA33PixelCell) {
  TdtpTextShape shape;
  EXPECT_FLOAT_EQ(shape.FontHeight(), 25.4f * 12 / 72);
  EXPECT_EQ(shape.FontName(), "Verdana");
  EXPECT_EQ(shape.FontColor(), clBlack);
  EXPECT_EQ(shape.BackColor(), ToColor32(clBlack));
  EXPECT_EQ(shape.InsertCursor(), crDtpCrossText);
  EXPECT_TRUE(shape.AutoSize());
  EXPECT_EQ(shape.Alignment(), dtaLeft);
  shape.UpdateFontHeight();
  EXPECT_EQ(shape.Font().PixelsPerInch(), 14400);
  EXPECT_EQ(shape.Font().Height(), 5000);
  EXPECT_EQ(shape.Font().Size(), 25);
  float w = 0, h = 0;
  shape.GetTextSize(w, h);
  EXPECT_EQ(TextMeasuringSurface().Font().Size(), 25);
  EXPECT_EQ(TextMeasuringSurface().Font().Height(), 33);
  EXPECT_FLOAT_EQ(h, 33 / kD);
  EXPECT_FLOAT_EQ(shape.LineHeight(), 1.2f * shape.FontHeight());
  EXPECT_FLOAT_EQ(shape.GetPasteOffset().X, 0);
  EXPECT_FLOAT_EQ(shape.GetPasteOffset().Y, shape.LineHeight());
}

TEST(TextShapeTest, EmptyTextMeasuresOneSpace) {
  auto empty = NewText("");
  auto space = NewText(" ");
  EXPECT_GT(empty->DocWidth(), 0);
  EXPECT_FLOAT_EQ(empty->DocWidth(), space->DocWidth());
  EXPECT_FLOAT_EQ(empty->DocHeight(), space->DocHeight());
}

TEST(TextShapeTest, AutoSizeKeepsTheAnchoredEdgeOrCentreAndTheTop) {
  struct Case {
    const char* name;
    int alignment;
  };
  for (const Case& c : {Case{"left", dtaLeft}, Case{"right", dtaRight}, Case{"centre", dtaCenter}}) {
    SCOPED_TRACE(c.name);
    auto shape = NewText("Rondo", c.alignment);
    shape->SetBounds(30, 40, shape->DocWidth(), shape->DocHeight());
    const float left = shape->DocLeft(), right = left + shape->DocWidth(), centre = left + shape->DocWidth() / 2;
    const float width = shape->DocWidth();
    shape->SetText("Rondo with two touches");
    EXPECT_GT(shape->DocWidth(), width * 2);
    EXPECT_FLOAT_EQ(shape->DocTop(), 40);
    switch (c.alignment) {
      case dtaLeft: EXPECT_FLOAT_EQ(shape->DocLeft(), left); break;
      case dtaRight: EXPECT_NEAR(shape->DocLeft() + shape->DocWidth(), right, 1e-4); break;
      default: EXPECT_NEAR(shape->DocLeft() + shape->DocWidth() / 2, centre, 1e-4); break;
    }
  }
}

TEST(TextShapeTest, BoxFollowsFontHeightAndResizingScalesTheFont) {
  auto shape = NewText("Warming up");
  const float w = shape->DocWidth(), h = shape->DocHeight();
  shape->SetFontHeight(shape->FontHeight() * 2);
  EXPECT_NEAR(shape->DocWidth() / w, 2, 0.1);
  EXPECT_NEAR(shape->DocHeight() / h, 2, 0.1);
  // Dragging the box to half its height halves the font; the box then follows the text.
  const float font = shape->FontHeight();
  shape->SetBounds(shape->DocLeft(), shape->DocTop(), shape->DocWidth() * 3, shape->DocHeight() / 2);
  EXPECT_FLOAT_EQ(shape->FontHeight(), font / 2);
  EXPECT_NEAR(shape->DocWidth(), w, w * 0.06);
  // Without AutoSize the box is the box.
  shape->SetAutoSize(false);
  shape->SetBounds(0, 0, 100, 50);
  EXPECT_FLOAT_EQ(shape->FontHeight(), font / 2);
  EXPECT_FLOAT_EQ(shape->DocWidth(), 100);
  // Switching it on again fits the box to the text.
  shape->SetAutoSize(true);
  EXPECT_NEAR(shape->DocWidth(), w, w * 0.06);
}

TEST(TextShapeTest, PaintsACoverageMaskInTheFontColour) {
  auto shape = NewText("Sprint 4 x 30 m");
  shape->SetFontColor(0x0000FF);  // red
  EXPECT_EQ(shape->BackColor(), ToColor32(0x0000FF));
  const auto image = Paint(*shape);
  int opaque = 0, partial = 0;
  for (int y = 0; y < image->Height(); ++y) {
    for (int x = 0; x < image->Width(); ++x) {
      const TColor32 p = image->GetPixel(x, y);
      ASSERT_EQ(p & 0x00FFFFFF, 0x00FF0000u) << x << "," << y;
      opaque += AlphaOf(p) == 255;
      partial += AlphaOf(p) > 0 && AlphaOf(p) < 255;
    }
  }
  EXPECT_GT(opaque, 50);
  EXPECT_GT(partial, 50);  // anti-aliased edges
}

TEST(TextShapeTest, PaintedTextSitsWhereItsAlignmentPutsIt) {
  // A box wider than the text: the ink starts at the left, ends at the right, or sits centred.
  std::pair<int, int> ink[3];
  int width = 0;
  for (int a : {dtaLeft, dtaRight, dtaCenter}) {
    auto shape = NewText("Goal", a);
    shape->SetAutoSize(false);
    shape->SetBounds(0, 0, shape->DocWidth() * 3, shape->DocHeight());
    const auto image = Paint(*shape);
    width = image->Width();
    ink[a] = InkColumns(*image);
    ASSERT_GE(ink[a].first, 0);
  }
  EXPECT_LT(ink[dtaLeft].first, 4);
  EXPECT_GT(ink[dtaRight].second, width - 6);
  const int leftGap = ink[dtaCenter].first, rightGap = width - 1 - ink[dtaCenter].second;
  EXPECT_NEAR(leftGap, rightGap, 4);
}

// A stored text shape whose font does not match its FontHeight: painting derives the font from
// FontHeight and then fits it to the stored box.
std::unique_ptr<TdtpTextShape> StoredText(float width, float height) {
  TXmlDocument doc;
  doc.ParseText("<Shape><DocWidth>" + FloatToText(width) + "</DocWidth><DocHeight>" + FloatToText(height) +
                "</DocHeight><Text>Passing drill</Text><Font><Name>Verdana</Name><Size>12</Size></Font>"
                "<FontHeight>4.23333333</FontHeight></Shape>");
  auto shape = std::make_unique<TdtpTextShape>();
  shape->LoadFromXml(doc.Root());
  return shape;
}

TEST(TextShapeTest, PaintingFitsTheFontToTheBoxWhenTheFontHeightChanged) {
  auto natural = NewText("Passing drill");
  const float w = natural->DocWidth(), h = natural->DocHeight();
  struct Case {
    float scale;
    int minPoints, maxPoints;
  };
  for (const Case& c : {Case{2, 45, 50}, Case{0.5f, 11, 13}, Case{1, 25, 25}}) {
    SCOPED_TRACE(c.scale);
    auto shape = StoredText(w * c.scale, h * c.scale);
    ASSERT_EQ(shape->Font().Size(), 12);
    Paint(*shape);
    EXPECT_GE(shape->Font().Size(), c.minPoints);
    EXPECT_LE(shape->Font().Size(), c.maxPoints);
    float tw = 0, th = 0;
    shape->GetTextSize(tw, th);
    EXPECT_LE(tw, shape->DocWidth());
    EXPECT_LE(th, shape->DocHeight());
    // The box is unchanged by painting.
    EXPECT_FLOAT_EQ(shape->DocWidth(), w * c.scale);
  }
  // No font fits a box of nothing: the search stops at the smallest font.
  auto none = StoredText(0, 0);
  Paint(*none);
  EXPECT_EQ(none->Font().Height(), 1);
}

TEST(TextShapeTest, CaretPositionsFollowTheCharactersWithKerningAndAlignment) {
  auto left = NewText("AVATAR");
  left->BuildCaretPositions();
  const auto& x = left->CaretX();
  ASSERT_EQ(x.size(), 7u);
  EXPECT_FLOAT_EQ(x[0], 0);
  EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
  // The last position is the measured width: the box of an auto-sized text.
  EXPECT_NEAR(x.back(), left->DocWidth(), 1e-4);
  EXPECT_EQ(left->CaretRows(), std::vector<int>(7, 0));
  // Kerned pairs: "AV" is narrower than "A" followed by "V" measured apart.
  auto a = NewText("A");
  auto v = NewText("V");
  EXPECT_LT(x[2], a->DocWidth() + v->DocWidth() - 0.05f);

  // Characters, not bytes.
  auto accents = NewText("\xC3\xA9t\xC3\xA9");
  accents->BuildCaretPositions();
  EXPECT_EQ(accents->CaretX().size(), 4u);

  // A wider box: the right-aligned caret positions end at the right edge, centred ones halfway.
  for (int alignment : {dtaRight, dtaCenter}) {
    auto shape = NewText("AVATAR", alignment);
    shape->SetAutoSize(false);
    shape->SetBounds(0, 0, x.back() + 10, 5);
    shape->BuildCaretPositions();
    const float offset = alignment == dtaRight ? 10 : 5;
    EXPECT_NEAR(shape->CaretX().front(), offset, 1e-4);
    EXPECT_NEAR(shape->CaretX().back(), x.back() + offset, 1e-4);
  }
}

TEST(TextShapeTest, SettersRecordUndoAndUndoRestoresEveryProperty) {
  TdtpDocument doc;
  TdtpTextShape* shape = AddQuietly(doc, NewText("Cones"));
  const float width = shape->DocWidth(), height = shape->DocHeight();

  shape->SetText("Hats");
  shape->SetFontHeight(8);
  shape->SetFontName("Liberation Serif");
  shape->SetFontStyle(TFontStyles{fsBold, fsItalic});
  shape->SetFontColor(0x00FF00);
  shape->SetAlignment(dtaCenter);
  shape->SetAutoSize(false);
  for (int i = 0; i < 7; ++i) doc.Undo();
  EXPECT_EQ(shape->Text(), "Cones");
  EXPECT_FLOAT_EQ(shape->FontHeight(), 25.4f * 12 / 72);
  EXPECT_EQ(shape->FontName(), "Verdana");
  EXPECT_TRUE(shape->GetFontStyle().IsEmpty());
  EXPECT_EQ(shape->FontColor(), clBlack);
  EXPECT_EQ(shape->BackColor(), ToColor32(clBlack));
  EXPECT_EQ(shape->Alignment(), dtaLeft);
  EXPECT_TRUE(shape->AutoSize());
  // The box follows the restored text and font; nothing more is left to undo.
  EXPECT_FLOAT_EQ(shape->DocWidth(), width);
  EXPECT_FLOAT_EQ(shape->DocHeight(), height);
  EXPECT_EQ(doc.UndoCount(), 0);
}

TEST(TextShapeTest, PersistsTextFontAndFontHeightButNotAlignmentOrAutoSize) {
  auto shape = NewText("Bal \xE2\x80\x93 <&> \"pass\"", dtaRight);
  shape->SetFontName("Liberation Sans");
  shape->SetFontStyle(TFontStyles{fsBold, fsUnderline});
  shape->SetFontColor(0x123456);
  shape->SetFontHeight(6.5f);
  shape->SetAutoSize(false);
  TdtpTextShape copy;
  const std::string xml = SaveAndLoad(*shape, copy);
  EXPECT_NE(xml.find("<Font>"), std::string::npos);
  EXPECT_EQ(xml.find("Alignment"), std::string::npos);
  EXPECT_EQ(xml.find("AutoSize"), std::string::npos);
  EXPECT_EQ(copy.Text(), shape->Text());
  EXPECT_EQ(copy.FontName(), "Liberation Sans");
  EXPECT_EQ(copy.GetFontStyle(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(copy.FontColor(), 0x123456);
  EXPECT_EQ(copy.BackColor(), ToColor32(0x123456));
  EXPECT_FLOAT_EQ(copy.FontHeight(), 6.5f);
  EXPECT_EQ(copy.Font().Size(), shape->Font().Size());
  EXPECT_FLOAT_EQ(copy.DocWidth(), shape->DocWidth());
  EXPECT_EQ(copy.Alignment(), dtaLeft);
  EXPECT_TRUE(copy.AutoSize());

  // Created again by class name.
  RegisterStandardShapeClasses();
  EXPECT_EQ(FindShapeClass("TdtpTextShape").Create()->ClassName(), "TdtpTextShape");
  EXPECT_EQ(FindShapeClass("TdtpMemoShape").Create()->ClassName(), "TdtpMemoShape");
}

TEST(TextShapeTest, AbsurdStoredValuesStayBounded) {
  for (const char* fontHeight : {"1e30", "-1e30", "0", "-3", "1e-30"}) {
    SCOPED_TRACE(fontHeight);
    TXmlDocument doc;
    doc.ParseText(std::string("<Shape><ClassName>TdtpTextShape</ClassName><DocWidth>30</DocWidth><DocHeight>8</DocHeight>"
                              "<Text>Kegels</Text><Font><Size>2000000000</Size></Font><FontHeight>") +
                  fontHeight + "</FontHeight></Shape>");
    TdtpTextShape shape;
    shape.LoadFromXml(doc.Root());
    EXPECT_LE(shape.Font().Size(), 2000);
    const auto image = Paint(shape, 2);
    shape.UpdateSize();
    EXPECT_LE(shape.Font().Size(), 2000);
    EXPECT_GE(shape.Font().Height(), 1);
  }
}

}  // namespace
}  // namespace kivrano::test
