// Screen painting: the page and its shapes on the window surface through the cached, uncached and
// direct paths; clip-only repaints, scrolling, render caches, thumbnails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "platform/HeadlessViewHost.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

constexpr TColor32 kRed = 0xFFFF0000;
constexpr TColor32 kBlue = 0xFF0000FF;
constexpr TColor32 kGreen = 0xFF00FF00;
constexpr TColor32 kYellow = 0xFFFFFF00;
constexpr TColor kDesk = 0x505050;

// Four quadrants in known colours, painted on the 32-bit image: red, blue on top, green, yellow
// below. Flips and turns show in which quadrant lands where.
class TQuadrantShape : public TdtpShape {
 public:
  void PaintBitmap(TBitmap32& bitmap) override {
    const int l = PaintLeft(), t = PaintTop(), r = PaintRight(), b = PaintBottom();
    const TFloatPoint mid = LocalToPaint(TFloatPoint{DocWidth() / 2, DocHeight() / 2});
    const int mx = RoundToInt(mid.X), my = RoundToInt(mid.Y);
    bitmap.FillRectClipped(l, t, mx, my, kRed);
    bitmap.FillRectClipped(mx, t, r, my, kBlue);
    bitmap.FillRectClipped(l, my, mx, b, kGreen);
    bitmap.FillRectClipped(mx, my, r, b, kYellow);
  }
};

// A green square drawn through the canvas hook (pixels the canvas paints become opaque).
class TCanvasShape : public TdtpShape {
 public:
  void PaintCanvas(TCanvas& canvas) override {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(0x00FF00);
    canvas.FillRect(TRect{PaintLeft(), PaintTop(), PaintRight(), PaintBottom()});
  }
};

// A view of 200 x 160 pixels on a page of 80 x 60 mm at 2 pixels per mm in normal layout: the page
// covers pixels (0, 0)-(160, 120), the desk the rest.
class ViewPaint : public ::testing::Test {
 protected:
  THeadlessViewHost host{200, 160};
  TdtpDocument doc;

  void SetUp() override {
    doc.SetHost(&host);
    doc.SetColor(kDesk);
    doc.SetShowMargins(false);
    doc.SetViewStyle(vsNormal);
    doc.SetRenderAtScreenRes(true);
    SetPage(80, 60, 2);
  }
  void TearDown() override { doc.SetHost(nullptr); }

  void SetPage(float width, float height, float dpm) {
    doc.SetPageWidth(width);
    doc.SetPageHeight(height);
    doc.SetScreenDpm(dpm);
    doc.UpdateExtent();
  }

  template <typename Shape = TQuadrantShape>
  Shape* Add(TdtpShape* parent, float left, float top, float width, float height) {
    auto shape = std::make_unique<Shape>();
    Shape* raw = shape.get();
    shape->SetBounds(left, top, width, height);
    shape->SetSmartHitTest(false);
    doc.LockUndo();
    if (parent) {
      parent->AddShape(std::move(shape));
    } else {
      doc.AddShape(std::move(shape));
    }
    doc.UnlockUndo();
    return raw;
  }

  void PaintAll() { doc.Paint(TRect{0, 0, 200, 160}); }
  TColor32 At(int x, int y) const { return doc.WindowSurface().GetPixel(x, y) & 0xFFFFFF; }
  TColor32 AtLocal(const TdtpShape& s, float x, float y) const {
    const TFloatPoint p = s.LocalToScreen(TFloatPoint{x, y});
    return At(static_cast<int>(p.X), static_cast<int>(p.Y));
  }
};

TEST_F(ViewPaint, PageShapesAndDeskOnTheWindowSurface) {
  Add(nullptr, 10, 10, 20, 10);                  // pixels (20, 20)-(60, 40)
  Add<TCanvasShape>(nullptr, 40, 40, 10, 10);    // pixels (80, 80)-(100, 100)
  PaintAll();
  EXPECT_EQ(doc.WindowSurface().Width(), 200);
  EXPECT_EQ(doc.WindowSurface().Height(), 160);
  EXPECT_EQ(At(20, 20), kRed & 0xFFFFFF);
  EXPECT_EQ(At(59, 29), kBlue & 0xFFFFFF);
  EXPECT_EQ(At(20, 39), kGreen & 0xFFFFFF);
  EXPECT_EQ(At(59, 39), kYellow & 0xFFFFFF);
  EXPECT_EQ(At(60, 30), 0xFFFFFFu) << "right of the shape: paper";
  EXPECT_EQ(At(19, 20), 0xFFFFFFu);
  EXPECT_EQ(At(90, 90), 0x00FF00u) << "canvas painting";
  EXPECT_EQ(At(100, 90), 0xFFFFFFu);
  EXPECT_EQ(At(159, 119), 0xFFFFFFu) << "last paper pixel";
  EXPECT_EQ(At(160, 50), 0x505050u) << "desk right of the page";
  EXPECT_EQ(At(50, 120), 0x505050u) << "desk below the page";
}

// Every way a shape reaches the screen: sampled at the centres of its quadrants (local mm), the
// screen shows the quadrant colour the shape's flips and transparency give.
TEST_F(ViewPaint, FlippedTurnedAndTransparentShapesShowTheirQuadrants) {
  struct Case {
    std::string name;
    bool smart;
    bool mirrored;
    bool flipped;
    float angle;
    int alpha;
    TColor32 topLeft, topRight, bottomLeft;
  };
  const TColor32 red = 0xFF0000, blue = 0x0000FF, green = 0x00FF00, yellow = 0xFFFF00;
  const Case cases[] = {
      {"uncached", false, false, false, 0, 255, red, blue, green},
      {"cached", true, false, false, 0, 255, red, blue, green},
      {"mirrored", false, true, false, 0, 255, blue, red, yellow},
      {"flipped", false, false, true, 0, 255, green, yellow, red},
      {"both flips", false, true, true, 0, 255, yellow, green, blue},
      {"turned 90", false, false, false, 90, 255, red, blue, green},
      {"turned 30, mirrored", false, true, false, 30, 255, blue, red, yellow},
      {"turned 200", false, false, false, 200, 255, red, blue, green},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TQuadrantShape* s = Add(nullptr, 20, 15, 40, 30);
    s->SetSmartHitTest(c.smart);
    s->SetMirrored(c.mirrored);
    s->SetFlipped(c.flipped);
    doc.LockUndo();
    s->SetAngleAroundCenter(c.angle);
    doc.UnlockUndo();
    PaintAll();
    EXPECT_EQ(AtLocal(*s, 10, 7.5f), c.topLeft);
    EXPECT_EQ(AtLocal(*s, 30, 7.5f), c.topRight);
    EXPECT_EQ(AtLocal(*s, 10, 22.5f), c.bottomLeft);
    doc.LockUndo();
    doc.DeleteShape(0);
    doc.UnlockUndo();
  }
}

TEST_F(ViewPaint, TransparentShapeBlendsOverThePaper) {
  TQuadrantShape* s = Add(nullptr, 20, 15, 40, 30);
  doc.LockUndo();
  s->SetMasterAlpha(128);
  doc.UnlockUndo();
  PaintAll();
  const TColor32 p = AtLocal(*s, 10, 7.5f);  // red at half strength over white
  EXPECT_EQ(RedOf(p), 255);
  EXPECT_NEAR(GreenOf(p), 127, 1);
  EXPECT_NEAR(BlueOf(p), 127, 1);
  EXPECT_EQ(At(10, 10), 0xFFFFFFu);
}

TEST_F(ViewPaint, CachedAndUncachedPathsGiveTheSameImage) {
  TQuadrantShape* s = Add(nullptr, 13.3f, 7.7f, 31, 17);
  Add<TCanvasShape>(nullptr, 50, 30, 9, 9);
  PaintAll();
  TBitmap32 uncached;
  uncached.Assign(doc.WindowSurface());
  s->SetSmartHitTest(true);
  PaintAll();
  ASSERT_NE(s->Cache(), nullptr);
  for (int y = 0; y < 160; ++y)
    for (int x = 0; x < 200; ++x)
      ASSERT_EQ(At(x, y), uncached.GetPixel(x, y) & 0xFFFFFF) << x << "," << y;
}

TEST_F(ViewPaint, ChildrenGoIntoTheirParentsImage) {
  // A mirrored parent renders through its cache: its child turns up mirrored with it.
  TdtpShape* mirrored = Add<TdtpShape>(nullptr, 10, 10, 40, 20);
  mirrored->SetMirrored(true);
  Add(mirrored, 0, 0, 10, 10);
  // An uncached parent paints its uncached child straight into its own image.
  TdtpShape* plain = Add<TdtpShape>(nullptr, 10, 40, 40, 15);
  Add(plain, 30, 5, 10, 10);
  PaintAll();
  EXPECT_EQ(AtLocal(*mirrored, 37.5f, 2.5f), 0xFF0000u) << "the child's red quadrant, mirrored to the right";
  EXPECT_EQ(AtLocal(*mirrored, 32.5f, 2.5f), 0x0000FFu);
  EXPECT_EQ(AtLocal(*mirrored, 5, 5), 0xFFFFFFu) << "the parent paints nothing of its own";
  EXPECT_EQ(AtLocal(*plain, 32.5f, 7.5f), 0xFF0000u);
  EXPECT_EQ(AtLocal(*plain, 37.5f, 12.5f), 0xFFFF00u);
}

TEST_F(ViewPaint, ACachedPageFillsTheWholeClipRectangle) {
  TQuadrantShape* s = Add(nullptr, 0, 0, 20, 10);
  doc.CurrentPage()->SetMirrored(true);
  doc.CurrentPage()->Refresh();
  PaintAll();
  EXPECT_EQ(At(159 - 5, 5), 0xFF0000u) << "the shape appears at the page's right edge";
  EXPECT_EQ(At(159 - 35, 5), 0x0000FFu);
  EXPECT_EQ(At(5, 5), 0xFFFFFFu);
  EXPECT_EQ(At(180, 150), 0x505050u) << "the view colour around the page";
  EXPECT_NE(s->Cache(), nullptr);
}

TEST_F(ViewPaint, PrintLayoutPutsThePageOnTheDeskAndZoomScalesIt) {
  doc.SetViewStyle(vsPrintLayout);  // the page 10 pixels from the desk's edges, framed, with shadow
  Add(nullptr, 10, 10, 20, 10);
  PaintAll();
  EXPECT_EQ(At(5, 5), 0x505050u);
  EXPECT_EQ(At(10, 50), 0x000000u) << "the page border";
  EXPECT_EQ(At(11, 50), 0xFFFFFFu);
  EXPECT_EQ(At(30, 30), 0xFF0000u) << "page mm (10, 10) at pixel 10 + 20";
  EXPECT_EQ(At(171, 60), 0x000000u) << "the shadow right of the page";
  EXPECT_EQ(At(171, 11), 0x505050u) << "the shadow starts one mm down";
  doc.ZoomIn();  // scrolled to (0, 0): the view stays there, the page grows by 1.1
  PaintAll();
  const float dpm = doc.ScreenDpm();
  EXPECT_FLOAT_EQ(dpm, 2.2f);
  const int left = RoundToInt(10 / 2.0f * dpm + 10 * dpm), right = RoundToInt(10 / 2.0f * dpm + 30 * dpm);
  EXPECT_EQ(At(left + 1, left + 1), 0xFF0000u);
  EXPECT_EQ(At(right - 2, left + 1), 0x0000FFu);
  EXPECT_EQ(At(right + 1, left + 1), 0xFFFFFFu);
}

TEST_F(ViewPaint, OnlyTheClipRectangleIsRepainted) {
  TQuadrantShape* s = Add(nullptr, 10, 10, 40, 30);
  PaintAll();
  s->SetVisible(false);  // no repaint request: the surface still shows the shape
  doc.Paint(TRect{20, 20, 40, 40});
  EXPECT_EQ(At(25, 25), 0xFFFFFFu) << "inside the clip: repainted";
  EXPECT_EQ(At(45, 25), 0xFF0000u) << "outside the clip: untouched";
  EXPECT_EQ(At(25, 45), 0xFF0000u);
}

TEST_F(ViewPaint, ScrollingMovesTheSurfaceAndPaintsTheStripThatScrolledIn) {
  SetPage(210, 297, 2);  // 420 x 594 pixels in a 200 x 160 view
  for (int i = 0; i < 6; ++i) {
    TQuadrantShape* s = Add(nullptr, 5.0f + 30 * i, 4.0f + 17 * i, 25, 20);
    doc.LockUndo();
    s->SetAngleAroundCenter(15.0f * i);
    doc.UnlockUndo();
  }
  PaintAll();
  struct Step {
    int dx, dy;
    TRect strip;
  };
  const Step steps[] = {{0, 50, {0, 110, 200, 160}}, {30, 0, {170, 0, 200, 160}}, {0, -20, {0, 0, 200, 20}},
                        {-7, 0, {0, 0, 7, 160}}};
  for (const Step& step : steps) {
    host.ResetRecords();
    int dx = step.dx, dy = step.dy;
    doc.ScrollBy(dx, dy);
    ASSERT_EQ(host.Scrolls().size(), 1u);
    EXPECT_EQ(host.Scrolls()[0].X, -step.dx);
    EXPECT_EQ(host.Scrolls()[0].Y, -step.dy);
    doc.Paint(step.strip);
    TBitmap32 scrolled;
    scrolled.Assign(doc.WindowSurface());
    PaintAll();
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 200; ++x)
        ASSERT_EQ(scrolled.GetPixel(x, y) & 0xFFFFFF, At(x, y)) << step.dx << "," << step.dy << " at " << x << "," << y;
  }
}

TEST_F(ViewPaint, CachesAreReusedUntilTheyAreOutdated) {
  TQuadrantShape* s = Add(nullptr, 10, 10, 20, 10);
  s->SetSmartHitTest(true);
  PaintAll();
  const TBitmap32* cache = s->Cache();
  ASSERT_NE(cache, nullptr);
  EXPECT_FALSE(s->Dirty());
  EXPECT_EQ(cache->Width(), 40);  // 20 mm at 2 px/mm: nint(40 + 0.5), halves to even
  PaintAll();
  EXPECT_EQ(s->Cache(), cache) << "an unchanged cache is not rebuilt";

  doc.SetRenderDpm(doc.RenderDpm());
  EXPECT_EQ(s->Cache(), cache) << "the same resolution frees nothing";
  doc.SetRenderAtScreenRes(false);
  doc.SetRenderDpm(4);
  EXPECT_EQ(s->Cache(), nullptr);
  PaintAll();
  ASSERT_NE(s->Cache(), nullptr);
  EXPECT_EQ(s->Cache()->Width(), 80);
  // A finer cache is reduced onto the screen by the Quality filter (fixed-point weights).
  const TColor32 reduced = AtLocal(*s, 5, 2.5f);
  EXPECT_GE(RedOf(reduced), 250) << std::hex << reduced;
  EXPECT_LE(GreenOf(reduced) + BlueOf(reduced), 6) << std::hex << reduced;

  doc.LockUndo();
  s->SetDocAngle(45);
  doc.UnlockUndo();
  EXPECT_EQ(s->Cache(), nullptr);
}

TEST_F(ViewPaint, SelectionFramesAreDrawnUnlessReadOnly) {
  TQuadrantShape* s = Add(nullptr, 20, 20, 20, 10);
  doc.SetHandleColor(0x00FF00);
  s->SetSelected(true);
  PaintAll();
  const TRect handle = s->GetHandleRect(0);  // centred on the shape's top-left corner
  EXPECT_EQ(At(handle.Left + 3, handle.Top + 3), 0x00FF00u);
  doc.SetReadOnly(true);
  PaintAll();
  EXPECT_EQ(At(handle.Left + 3, handle.Top + 3), 0xFF0000u) << "only the shape";
}

TEST_F(ViewPaint, NothingIsPaintedWhilePrinting) {
  Add(nullptr, 0, 0, 20, 20);
  PaintAll();
  doc.CurrentPage()->GetShape(0)->SetVisible(false);
  doc.BeginPrinting();
  PaintAll();
  doc.EndPrinting();
  EXPECT_EQ(At(5, 5), 0xFF0000u);
}

TEST_F(ViewPaint, ThumbnailShowsTheFittedPageFramedInBlack) {
  SetPage(160, 60, 2);  // wider than the 80 x 60 thumbnail: fitted to its width
  Add(nullptr, 0, 0, 80, 60);
  doc.LockUndo();
  doc.CurrentPage()->GetShape(0)->SetAngleAroundCenter(90);
  doc.UnlockUndo();
  doc.SetRenderAtScreenRes(false);
  doc.SetRenderDpm(8);
  const float dpm = doc.ScreenDpm(), viewLeft = doc.ViewLeft();
  TdtpPage* page = doc.CurrentPage();
  const TBmpImage* thumb = page->GetThumbnail();
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(thumb->Width, 80);
  EXPECT_EQ(thumb->Height, 60);
  EXPECT_EQ(thumb->BitsPerPixel, 24);
  EXPECT_FALSE(page->ThumbnailDirty());
  auto px = [&](int x, int y) { return thumb->Pixels[static_cast<size_t>(y * 80 + x)]; };
  // f = 0.5: the page is 80 x 30 pixels from (0, 15); the frame runs along its edge.
  EXPECT_EQ(px(40, 15), 0xFF000000u);
  EXPECT_EQ(px(0, 30), 0xFF000000u);
  EXPECT_EQ(px(40, 44), 0xFF000000u);
  EXPECT_EQ(px(40, 5), 0xFF505050u) << "the view colour above the page";
  EXPECT_EQ(px(70, 30), 0xFFFFFFFFu) << "paper";
  // The red quadrant's centre, from page mm to thumbnail pixels (78 x 29 from (1, 15)).
  const TFloatPoint red = page->GetShape(0)->LocalToPage(TFloatPoint{20, 15});
  const int rx = 1 + static_cast<int>(red.X * 78 / 160), ry = 15 + static_cast<int>(red.Y * 29 / 60);
  EXPECT_EQ(px(rx, ry) & 0xFFFFFF, 0xFF0000u) << "the turned shape's red quadrant";
  EXPECT_EQ(doc.ScreenDpm(), dpm);
  EXPECT_EQ(doc.RenderDpm(), 8);
  EXPECT_EQ(doc.ViewLeft(), viewLeft);
  EXPECT_FALSE(doc.IsPrinting());
  EXPECT_EQ(page->GetThumbnail(), thumb) << "an up-to-date thumbnail is kept";
}

// A shape whose painting fails, as a damaged picture or an exhausted allocation would.
class TFailingShape : public TdtpShape {
 public:
  void PaintBitmap(TBitmap32&) override { throw Exception("paint failed"); }
};

TEST_F(ViewPaint, ThumbnailsGiveTheViewStateBackAndChangeNothing) {
  Add(nullptr, 10, 10, 20, 10);
  TdtpPage* page = doc.CurrentPage();
  doc.LockUndo();
  page->SetDocAngle(90);
  doc.UnlockUndo();
  page->SetModified(false);
  doc.SetModified(false);
  doc.SetRenderAtScreenRes(false);
  doc.SetRenderDpm(8);
  const float dpm = doc.ScreenDpm();
  // Rendering a turned page upright and turning it back is no change of the drawing.
  ASSERT_NE(page->GetThumbnail(), nullptr);
  EXPECT_FALSE(page->Modified());
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(page->DocAngle(), 90);
  // A failing render gives everything back as well: the view paints again afterwards.
  Add<TFailingShape>(nullptr, 40, 10, 10, 10);
  page->SetThumbnailDirty(true);
  EXPECT_THROW(page->GetThumbnail(), Exception);
  EXPECT_FALSE(doc.IsPrinting());
  EXPECT_EQ(doc.ScreenDpm(), dpm);
  EXPECT_EQ(doc.RenderDpm(), 8);
  EXPECT_EQ(page->DocAngle(), 90);
}

TEST_F(ViewPaint, AutomaticPageUpdateRefreshesDirtyThumbnailsAfterChangesRest) {
  std::vector<TdtpPage*> changed;
  doc.OnPageChanged = [&](TdtpDocument*, TdtpPage* p) { changed.push_back(p); };
  doc.SetAutoPageUpdate(true);
  doc.SetModified(true);  // stamps the change time
  ASSERT_TRUE(doc.CurrentPage()->ThumbnailDirty());
  host.AdvanceTime(1000);
  EXPECT_TRUE(changed.empty()) << "changes have not rested for 2000 ms yet";
  host.AdvanceTime(1100);
  EXPECT_EQ(changed, std::vector<TdtpPage*>{doc.CurrentPage()});
  EXPECT_FALSE(doc.CurrentPage()->ThumbnailDirty());
  EXPECT_GE(host.ProcessMessagesCount(), 1);
}

}  // namespace
}  // namespace kivrano
