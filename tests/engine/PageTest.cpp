#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/Canvas.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

using test::DocumentFixture;

TEST(PageSnapping, PointsLandOnTheGrid) {
  DocumentFixture f;
  f.doc.SetDefaultGridSize(5);
  const TFloatPoint p = f.page()->SnapPoint(TFloatPoint{12.4f, 7.6f});
  EXPECT_EQ(p.X, 10.0f);
  EXPECT_EQ(p.Y, 10.0f);
  f.doc.SetDefaultGridSize(0);
  const TFloatPoint q = f.page()->SnapPoint(TFloatPoint{12.4f, 7.6f});
  EXPECT_EQ(q.X, 12.4f);
  EXPECT_EQ(q.Y, 7.6f);
}

TEST(PageSnapping, ChildPointsSnapInPageCoordinates) {
  DocumentFixture f;
  TdtpShape* s = f.Add(1, 1, 10, 10);
  const TFloatPoint p = s->SnapPoint(TFloatPoint{3, 3});  // page (4, 4)
  EXPECT_EQ(p.X, 4.0f);
  EXPECT_EQ(p.Y, 4.0f);
  TdtpShape alone;
  EXPECT_EQ(alone.SnapPoint(TFloatPoint{3.3f, 1}).X, 3.3f);
}

TEST(PageProperties, DefaultPagesShowTheDocumentDefaults) {
  DocumentFixture f;
  TdtpPage* page = f.page();
  page->SetPageColor(clBlack);
  page->SetGridSize(2);
  f.doc.SetDefaultPageColor(0x00FF00);
  EXPECT_EQ(page->PageColor(), 0x00FF00);
  EXPECT_EQ(page->GridSize(), 5.0f);
  EXPECT_EQ(page->GetBackColor(), 0xFF00FF00u);
  page->SetIsDefaultPage(false);
  EXPECT_EQ(page->PageColor(), clBlack);
  EXPECT_EQ(page->GridSize(), 2.0f);
  TdtpPage alone;
  EXPECT_EQ(alone.MarginLeft(), 10.0f);
  EXPECT_EQ(alone.GetDisplayName(), "Page 0");
  alone.SetName("Oefening");
  EXPECT_EQ(alone.GetDisplayName(), "Oefening");
}

TEST(PageProperties, ConstructionDefaults) {
  TdtpPage page;
  EXPECT_EQ(page.DocWidth(), 210.0f);
  EXPECT_EQ(page.DocHeight(), 297.0f);
  EXPECT_EQ(page.CurbRight(), 1.0f);
  EXPECT_EQ(page.CurbBottom(), 1.0f);
  EXPECT_EQ(page.CurbLeft(), 0.0f);
  EXPECT_FALSE(page.SmartHitTest());
  EXPECT_TRUE(page.ThumbnailDirty());
  EXPECT_TRUE(page.Loaded());
  EXPECT_EQ(page.PageIndex(), -1);
}

TEST(PageThumbnail, StoredThumbnailIsACopyAndUpToDate) {
  TdtpPage page;
  TBmpImage picture;
  picture.Width = 2;
  picture.Height = 1;
  picture.BitsPerPixel = 24;
  picture.Pixels = {0xFF000000, 0xFFFFFFFF};
  page.SetThumbnail(&picture);
  picture.Pixels[0] = 0xFF00FF00;
  ASSERT_NE(page.StoredThumbnail(), nullptr);
  EXPECT_EQ(page.StoredThumbnail()->Pixels[0], 0xFF000000u);
  EXPECT_FALSE(page.ThumbnailDirty());
  page.SetName("x");
  EXPECT_TRUE(page.ThumbnailDirty()) << "any change makes it stale";
  page.SetThumbnail(nullptr);
  EXPECT_EQ(page.StoredThumbnail(), nullptr);
}

TEST(PageLoading, ReadingAPageNotYetLoadedLoadsItOnce) {
  DocumentFixture f;
  f.doc.AddPage(nullptr);
  TdtpPage* page = f.doc.Pages(1);
  page->SetLoaded(false);
  std::vector<int> loads;
  f.doc.OnLoadPageContent = [&](TdtpDocument*, int index) { loads.push_back(index); };
  page->MarginLeft();
  page->PageColor();
  page->GridSize();
  EXPECT_EQ(loads, (std::vector<int>{1}));
  EXPECT_TRUE(page->Loaded());
  f.doc.Pages(0)->SetLoaded(false);
  f.doc.SetCurrentPageIndex(0);  // becoming current loads it too
  EXPECT_EQ(loads, (std::vector<int>{1, 0}));
}

// Paints a page at one pixel per millimetre with the page's origin at (ox, oy).
class PagePaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.doc.SetShowMargins(false);
    bitmap.SetSize(230, 320);
    bitmap.Clear(0);
  }
  void Paint(int ox = 0, int oy = 0) {
    TdtpMatrix m;
    m.M[2][0] = static_cast<float>(ox);
    m.M[2][1] = static_cast<float>(oy);
    f.page()->SetPaintMatrix(m);
    f.page()->PaintBitmap(bitmap);
  }
  int CountInRow(int y, TColor32 c) const {
    int n = 0;
    for (int x = 0; x < bitmap.Width(); ++x) n += bitmap.GetPixel(x, y) == c;
    return n;
  }
  DocumentFixture f;
  TBitmap32 bitmap;
  const TColor32 grid = ToColor32(clLightCyan);
};

TEST_F(PagePaintTest, PaperIsFilledWithThePageColour) {
  f.doc.SetDefaultPageColor(0x0000FF);
  Paint();
  EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(bitmap.GetPixel(209, 296), 0xFFFF0000u);
  EXPECT_EQ(bitmap.GetPixel(210, 100), 0u);
}

TEST_F(PagePaintTest, GridDrawsFortyOneVerticalLinesOnAnA4Width) {
  f.doc.SetHelperMethod(hmGrid);
  Paint();
  EXPECT_EQ(CountInRow(102, grid), 41);   // between horizontal lines: x = 5, 10, ... 205
  EXPECT_EQ(CountInRow(100, grid), 208);  // a horizontal line from x = 1 to 208
  EXPECT_EQ(bitmap.GetPixel(5, 0), 0xFFFFFFFFu);
  EXPECT_EQ(bitmap.GetPixel(5, 1), grid);
  EXPECT_EQ(bitmap.GetPixel(5, 295), grid);
  EXPECT_EQ(bitmap.GetPixel(5, 296), 0xFFFFFFFFu);
  EXPECT_EQ(bitmap.GetPixel(210, 100), 0u);
}

TEST_F(PagePaintTest, DotsDrawFortyTwoColumns) {
  f.doc.SetHelperMethod(hmDots);
  Paint();
  EXPECT_EQ(CountInRow(5, grid), 42);
  EXPECT_EQ(bitmap.GetPixel(5, 5), grid);
  EXPECT_EQ(bitmap.GetPixel(6, 5), 0xFFFFFFFFu);
}

TEST_F(PagePaintTest, PrintLayoutAddsBorderAndShadow) {
  f.doc.SetViewStyle(vsPrintLayout);
  Paint(5, 5);
  EXPECT_EQ(bitmap.GetPixel(5, 100), clBlack32) << "border";
  EXPECT_EQ(bitmap.GetPixel(214, 100), clBlack32) << "border";
  EXPECT_EQ(bitmap.GetPixel(215, 100), clBlack32) << "shadow right of the page";
  EXPECT_EQ(bitmap.GetPixel(216, 100), 0u);
  EXPECT_EQ(bitmap.GetPixel(5, 302), 0u) << "the shadow below starts one shadow width in";
  EXPECT_EQ(bitmap.GetPixel(6, 302), clBlack32);
  EXPECT_EQ(bitmap.GetPixel(215, 5), 0u) << "the shadow on the right starts one shadow width down";
}

TEST_F(PagePaintTest, DirectPaintingLeavesOutTheGuides) {
  f.doc.SetHelperMethod(hmPattern);
  f.doc.SetShowMargins(true);
  f.doc.SetViewStyle(vsPrintLayout);
  f.doc.SetDirectPainting(true);
  Paint();
  for (int x : {0, 5, 10, 100, 209}) EXPECT_EQ(bitmap.GetPixel(x, 10), 0xFFFFFFFFu) << x;
  EXPECT_EQ(bitmap.GetPixel(210, 10), 0u);
}

TEST_F(PagePaintTest, PatternIsACheckerboardStartingGrey) {
  f.doc.SetHelperMethod(hmPattern);
  Paint(3, 3);
  EXPECT_EQ(bitmap.GetPixel(3, 3), 0xFFB0B0B0u);
  EXPECT_EQ(bitmap.GetPixel(10, 10), 0xFFB0B0B0u);
  EXPECT_EQ(bitmap.GetPixel(11, 3), 0xFFFFFFFFu);
  EXPECT_EQ(bitmap.GetPixel(11, 11), 0xFFB0B0B0u);
  EXPECT_EQ(bitmap.GetPixel(2, 2), 0u);
}

TEST_F(PagePaintTest, MarginFrameRepeatsWhiteAndBlackEveryFourPixels) {
  // The stipple advances half a colour per pixel: white, a blend, black, a blend, white ...
  f.doc.SetShowMargins(true);
  Paint();
  EXPECT_EQ(bitmap.GetPixel(10, 10), clWhite32);
  EXPECT_EQ(bitmap.GetPixel(12, 10), clBlack32);
  EXPECT_EQ(bitmap.GetPixel(14, 10), clWhite32);
  EXPECT_NE(bitmap.GetPixel(11, 10), clWhite32);
  EXPECT_NE(bitmap.GetPixel(11, 10), clBlack32);
  // The frame's right side is the column of the right margin line, x = 210 - 10.
  int dark = 0;
  for (int y = 100; y < 104; ++y) {
    dark += bitmap.GetPixel(200, y) == clBlack32;
    EXPECT_EQ(bitmap.GetPixel(199, y), 0xFFFFFFFFu);
    EXPECT_EQ(bitmap.GetPixel(201, y), 0xFFFFFFFFu);
  }
  EXPECT_EQ(dark, 1);
}

TEST_F(PagePaintTest, BackgroundHandlerDrawsOpaque) {
  TRect seen;
  f.doc.OnPaintBackground = [&](TdtpDocument*, TCanvas& canvas, const TRect& r) {
    seen = r;
    canvas.Brush().SetColor(0x0000FF);
    canvas.FillRect(TRect{20, 20, 30, 30});
  };
  Paint();
  EXPECT_EQ(seen, (TRect{0, 0, 210, 297}));
  EXPECT_EQ(bitmap.GetPixel(25, 25), 0xFFFF0000u);
  EXPECT_EQ(bitmap.GetPixel(35, 25), 0xFFFFFFFFu);
}

// A picture whose left half is red and right half blue.
void HalfAndHalf(TBitmap32& picture, int width, int height) {
  picture.SetSize(width, height);
  picture.Clear(0xFF0000FF);
  picture.FillRect(0, 0, width / 2, height, 0xFFFF0000);
}

TEST_F(PagePaintTest, BackgroundPictureIsStretchedOverThePage) {
  TBitmap32 picture;
  HalfAndHalf(picture, 40, 40);
  f.doc.SetDefaultBackgroundImage(&picture);
  Paint();
  EXPECT_EQ(bitmap.GetPixel(50, 100), 0xFFFF0000u);
  EXPECT_EQ(bitmap.GetPixel(160, 200), 0xFF0000FFu);
  EXPECT_EQ(bitmap.GetPixel(215, 100), 0u);
}

TEST_F(PagePaintTest, TiledBackgroundRepeatsThePictureAtOneHundredFiftyDpi) {
  // 59 pixels at 150 dpi are 10 mm: at one pixel per millimetre a tile is 10 pixels wide.
  TBitmap32 picture;
  HalfAndHalf(picture, 59, 59);
  f.page()->SetIsDefaultPage(false);
  f.page()->SetBackgroundImage(&picture);
  f.page()->SetBackgroundTiled(true);
  Paint();
  for (int x : {1, 11, 201}) EXPECT_EQ(RedOf(bitmap.GetPixel(x, 3)), 255) << x;
  for (int x : {8, 18, 208}) EXPECT_EQ(BlueOf(bitmap.GetPixel(x, 3)), 255) << x;
  EXPECT_EQ(bitmap.GetPixel(211, 3), 0u) << "tiles stop at the page";
}

TEST_F(PagePaintTest, AbsurdGridsDoNotHang) {
  f.doc.SetHelperMethod(hmDots);
  f.doc.SetDefaultGridSize(1e-6f);
  Paint();
  f.doc.SetHelperMethod(hmGrid);
  Paint();
  SUCCEED();
}

}  // namespace
}  // namespace kivrano
