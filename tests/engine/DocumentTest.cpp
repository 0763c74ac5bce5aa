#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "base/Exception.h"
#include "platform/HeadlessViewHost.h"

namespace kivrano {
namespace {

using test::DocumentFixture;

TEST(DocumentConstruction, NewViewShowsOneEmptyDefaultPage) {
  TdtpDocument doc;
  EXPECT_EQ(doc.PageCount(), 1);
  EXPECT_EQ(doc.CurrentPageIndex(), 0);
  ASSERT_NE(doc.CurrentPage(), nullptr);
  EXPECT_EQ(doc.PageWidth(), 210.0f);
  EXPECT_EQ(doc.PageHeight(), 297.0f);
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(doc.UndoCount(), 0);
  EXPECT_EQ(doc.RedoCount(), 0);
  EXPECT_TRUE(doc.CurrentPage()->IsDefaultPage());
  EXPECT_EQ(doc.CurrentPage()->Document(), &doc);
  EXPECT_EQ(doc.CurrentPage()->ShapeID(), 1);
  EXPECT_EQ(doc.ShapeCount(), 0);
  EXPECT_EQ(doc.RenderDPI(), 150.0f);
}

TEST(DocumentPages, PageCountIsLimitedAndAppliesTheChange) {
  DocumentFixture f;
  EXPECT_THROW(
      {
        try {
          f.doc.SetPageCount(26);
        } catch (const Exception& e) {
          EXPECT_STREQ(e.what(), "Invalid page count");
          throw;
        }
      },
      Exception);
  EXPECT_THROW(f.doc.SetPageCount(-1), Exception);
  EXPECT_EQ(f.doc.PageCount(), 1);
  f.doc.SetPageCount(4);
  EXPECT_EQ(f.doc.PageCount(), 4);
  EXPECT_EQ(f.doc.CurrentPageIndex(), 0);
  f.doc.SetPageCount(0);
  EXPECT_EQ(f.doc.PageCount(), 0);
  EXPECT_EQ(f.doc.CurrentPage(), nullptr);
  EXPECT_EQ(f.doc.ShapeCount(), -1);
  EXPECT_EQ(f.doc.AddShape(std::make_unique<TdtpShape>()), -1);
  EXPECT_EQ(f.doc.PageWidth(), 0.0f);
}

TEST(DocumentPages, DeletingPagesKeepsASensibleCurrentPage) {
  DocumentFixture f;
  f.doc.SetPageCount(3);
  TdtpPage* second = f.doc.Pages(1);
  TdtpPage* third = f.doc.Pages(2);

  f.doc.SetCurrentPageIndex(2);
  f.doc.DeletePage(0);  // before the current one: the same page stays current
  EXPECT_EQ(f.doc.CurrentPage(), third);
  EXPECT_EQ(f.doc.CurrentPageIndex(), 1);

  f.doc.DeletePage(1);  // the current last page: the previous one becomes current
  EXPECT_EQ(f.doc.CurrentPage(), second);
  EXPECT_EQ(f.doc.CurrentPageIndex(), 0);
  f.doc.DeletePage(7);
  EXPECT_EQ(f.doc.PageCount(), 1);
}

TEST(DocumentPages, DeletingTheCurrentMiddlePageShowsTheNextOneProperly) {
  DocumentFixture f;
  f.doc.SetPageCount(3);
  TdtpPage* third = f.doc.Pages(2);
  third->SetDocWidth(100);
  f.doc.SetCurrentPageIndex(1);
  f.ResetRecords();
  f.doc.DeletePage(1);
  EXPECT_EQ(f.doc.CurrentPage(), third);
  EXPECT_EQ(f.doc.CurrentPageIndex(), 1);
  ASSERT_FALSE(f.pageChanged.empty());
  EXPECT_EQ(f.pageChanged.back(), third);
  // The new current page is hooked: resizing it updates the view's extent.
  third->SetDocWidth(200);
  EXPECT_FLOAT_EQ(f.doc.VirtualWidth(), 200.0f);
}

TEST(DocumentPages, InsertPageValidatesTheIndexAndMakesTheNewPageCurrent) {
  DocumentFixture f;
  f.doc.InsertPage(f.doc.PageCount(), nullptr);
  EXPECT_EQ(f.doc.PageCount(), 2);
  EXPECT_EQ(f.doc.CurrentPageIndex(), 1);
  EXPECT_EQ(f.doc.Pages(1)->DocWidth(), 210.0f);
  for (int bad : {-1, 3}) {
    try {
      f.doc.InsertPage(bad, nullptr);
      ADD_FAILURE() << bad;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Cannot insert a page at that position");
    }
  }
  EXPECT_EQ(f.doc.PageCount(), 2);
  auto own = std::make_unique<TdtpPage>();
  TdtpPage* raw = own.get();
  f.doc.InsertPage(0, std::move(own));
  EXPECT_EQ(f.doc.Pages(0), raw);
  EXPECT_EQ(f.doc.CurrentPage(), raw);
  EXPECT_EQ(raw->Document(), &f.doc);
  EXPECT_EQ(raw->GetDisplayName(), "Page 1");
  EXPECT_EQ(f.doc.Pages(2)->GetDisplayName(), "Page 3");
}

TEST(DocumentPages, SettingTheCurrentIndexAgainOnlyReportsThePage) {
  DocumentFixture f;
  f.doc.SetPageCount(2);
  f.ResetRecords();
  f.doc.SetCurrentPageIndex(0);
  ASSERT_EQ(f.pageChanged.size(), 1u);
  EXPECT_EQ(f.pageChanged[0], f.doc.Pages(0));
  f.ResetRecords();
  f.doc.SetCurrentPageIndex(1);
  ASSERT_EQ(f.pageChanged.size(), 2u);
  EXPECT_EQ(f.pageChanged[0], f.doc.Pages(0));
  EXPECT_EQ(f.pageChanged[1], f.doc.Pages(1));
}

TEST(DocumentNotifications, TenChangesInOneUpdateRaiseOneShapeChanged) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  f.doc.BeginUpdate();
  for (int i = 1; i <= 10; ++i) s->SetDocLeft(static_cast<float>(i));
  EXPECT_TRUE(f.shapeChanged.empty());
  f.doc.EndUpdate();
  ASSERT_EQ(f.shapeChanged.size(), 1u);
  EXPECT_EQ(f.shapeChanged[0], nullptr);
}

TEST(DocumentNotifications, ShapeUpdateDefersToOneChangeOfThatShape) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  s->BeginUpdate();
  for (int i = 1; i <= 10; ++i) s->SetName("n" + std::to_string(i));
  EXPECT_TRUE(f.shapeChanged.empty());
  s->EndUpdate();
  ASSERT_EQ(f.shapeChanged.size(), 1u);
  EXPECT_EQ(f.shapeChanged[0], s);
  try {
    s->EndUpdate();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "dtpShape: EndUpdate called more often than BeginUpdate");
  }
}

TEST(DocumentNotifications, DeferredNotificationsComeInOrderAtTheEnd) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  std::vector<std::string> order;
  f.doc.OnShapeChanged = [&](TdtpDocument*, TdtpShape*) { order.push_back("shape"); };
  f.doc.OnSelectionChanged = [&](TdtpDocument*) { order.push_back("selection"); };
  f.doc.OnFocusShape = [&](TdtpDocument*, TdtpShape* shape) { order.push_back(shape == s ? "focus" : "focus?"); };
  f.doc.BeginUpdate();
  f.doc.SetFocusedShape(s);
  s->SetSelected(true);
  s->SetDocTop(3);
  f.doc.EndUpdate();
  EXPECT_EQ(order, (std::vector<std::string>{"shape", "selection", "focus"}));
  try {
    f.doc.EndUpdate();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "dtpDocument: EndUpdate called too many times");
  }
}

TEST(DocumentNotifications, ModifiedFlagsTravelUpAndDown) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  f.doc.SetModified(false);
  f.page()->SetThumbnailDirty(false);
  s->SetName("bal");
  EXPECT_TRUE(s->Modified());
  EXPECT_TRUE(f.page()->Modified());
  EXPECT_TRUE(f.page()->ThumbnailDirty());
  EXPECT_TRUE(f.doc.Modified());
  f.doc.SetModified(false);
  EXPECT_FALSE(s->Modified());
  EXPECT_FALSE(f.page()->Modified());
}

TEST(DocumentNotifications, LastChangeTimeIsStampedOnEveryCall) {
  DocumentFixture f;
  THeadlessViewHost host;
  f.doc.SetHost(&host);
  host.AdvanceTime(1234);
  f.doc.SetModified(f.doc.Modified());
  EXPECT_EQ(f.doc.LastChangeTime(), 1234u);
  f.doc.SetHost(nullptr);
}

TEST(DocumentShapes, DeletingTheFocusedShapeDropsTheFocusAndReportsIt) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  f.doc.SetFocusedShape(s);
  f.doc.BeginEditShape(s);  // a shape without in-place editing closes at once
  EXPECT_EQ(f.doc.EditedShape(), nullptr);
  f.doc.SetDragTarget(s);
  f.ResetRecords();
  f.doc.DeleteShape(0);
  EXPECT_EQ(f.doc.FocusedShape(), nullptr);
  EXPECT_EQ(f.doc.DragTarget(), nullptr);
  ASSERT_EQ(f.destroyed.size(), 1u);
  EXPECT_EQ(f.focus, (std::vector<TdtpShape*>{nullptr}));
}

TEST(DocumentShapes, ExtractDoesNotReportDestructionAndExchangeRecordsNothing) {
  DocumentFixture f;
  TdtpShape* a = f.Add(0, 0, 10, 10);
  TdtpShape* b = f.Add(0, 0, 10, 10);
  const int undo = f.doc.UndoCount();
  f.doc.ExchangeShapes(0, 1);
  EXPECT_EQ(f.doc.Shapes(0), b);
  EXPECT_EQ(f.doc.UndoCount(), undo);
  auto taken = f.doc.ExtractShape(a);
  EXPECT_EQ(taken.get(), a);
  EXPECT_TRUE(f.destroyed.empty());
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(a->Document(), nullptr);
  EXPECT_EQ(f.doc.ShapeCount(), 1);
}

TEST(DocumentShapes, FocusOffTheCurrentPageIsReportedAsNone) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  f.doc.SetFocusedShape(s);
  EXPECT_EQ(f.doc.FocusedShape(), s);
  auto taken = f.doc.ExtractShape(s);
  EXPECT_EQ(f.doc.FocusedShape(), nullptr);
  f.doc.AddShape(std::move(taken));
  EXPECT_EQ(f.doc.FocusedShape(), s);
}

TEST(DocumentShapes, ShapesFreedWithoutNotificationLeaveNoDanglingFocus) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  f.doc.SetFocusedShape(s);
  f.doc.SetDragTarget(s);
  f.page()->Clear();  // frees the children directly
  EXPECT_EQ(f.doc.FocusedShape(), nullptr);
  EXPECT_EQ(f.doc.DragTarget(), nullptr);
}

TEST(DocumentShapes, ShapesReceiveIncreasingIds) {
  DocumentFixture f;
  TdtpShape* a = f.Add(0, 0, 1, 1);
  TdtpShape* b = f.Add(0, 0, 1, 1);
  EXPECT_GT(a->ShapeID(), f.page()->ShapeID());
  EXPECT_EQ(b->ShapeID(), a->ShapeID() + 1);
}

TEST(DocumentSettings, ModeAndReadOnly) {
  DocumentFixture f;
  TdtpShape* s = f.Add(0, 0, 10, 10);
  s->SetSelected(true);
  f.doc.SetReadOnly(true);
  EXPECT_EQ(f.doc.Mode(), vmBrowse);
  EXPECT_FALSE(s->Selected());
  f.doc.SetMode(vmEdit);
  EXPECT_EQ(f.doc.Mode(), vmBrowse);
  f.doc.SetMode(vmZoom);
  EXPECT_EQ(f.doc.Mode(), vmZoom);
  f.doc.SetReadOnly(false);
  f.doc.SetMode(vmEdit);
  EXPECT_EQ(f.doc.Mode(), vmEdit);
}

TEST(DocumentSettings, NewDocumentRestoresTheDefaults) {
  DocumentFixture f;
  f.Add(0, 0, 10, 10);
  f.doc.SetRenderDPI(300);
  f.doc.SetHelperMethod(hmGrid);
  f.doc.SetDefaultPageColor(clBlack);
  f.doc.SetPageCount(3);
  f.doc.NewDocument();
  EXPECT_FLOAT_EQ(f.doc.RenderDPI(), 150.0f);
  EXPECT_EQ(f.doc.HelperMethod(), hmNone);
  EXPECT_EQ(f.doc.ViewStyle(), vsPrintLayout);
  EXPECT_EQ(f.doc.DefaultPageColor(), clWhite);
  EXPECT_EQ(f.doc.PageCount(), 1);
  EXPECT_EQ(f.doc.ShapeCount(), 0);
  EXPECT_FALSE(f.doc.Modified());
  EXPECT_EQ(f.doc.UndoCount(), 0);
  EXPECT_EQ(f.pageChanged.back(), nullptr);
}

TEST(DocumentSettings, DefaultPageSizeReachesOnlyDefaultPages) {
  DocumentFixture f;
  f.doc.SetPageCount(2);
  f.doc.Pages(1)->SetIsDefaultPage(false);
  f.ResetRecords();
  f.doc.SetDefaultPageWidth(297);
  EXPECT_EQ(f.doc.Pages(0)->DocWidth(), 297.0f);
  EXPECT_EQ(f.doc.Pages(1)->DocWidth(), 210.0f);
  EXPECT_EQ(f.documentChanged, 1);
  f.doc.SetDefaultPageWidth(297);
  EXPECT_EQ(f.documentChanged, 1);
}

TEST(DocumentSettings, ThumbnailSizeMarksEveryPageForRewriting) {
  DocumentFixture f;
  f.doc.SetPageCount(2);
  f.doc.SetModified(false);
  for (int i = 0; i < 2; ++i) f.doc.Pages(i)->SetThumbnailDirty(false);
  f.doc.SetThumbnailWidth(100);
  EXPECT_TRUE(f.doc.Pages(0)->ThumbnailDirty());
  EXPECT_TRUE(f.doc.Pages(1)->ThumbnailDirty());
  EXPECT_TRUE(f.doc.Modified());
}

TEST(DocumentBusy, OperationsRefuseWhileBusyAndTheCursorComesBack) {
  DocumentFixture f;
  THeadlessViewHost host;
  f.doc.SetHost(&host);
  f.doc.SetCursor(crArrow);
  f.doc.BeginBusy(crHourGlass);
  EXPECT_EQ(host.CurrentCursor(), crHourGlass);
  f.doc.RequestCursor(crHandPoint);
  EXPECT_EQ(host.CurrentCursor(), crHourGlass) << "ignored while busy";
  for (auto op : {+[](TdtpDocument& d) { d.NewDocument(); }, +[](TdtpDocument& d) { d.Undo(); },
                  +[](TdtpDocument& d) { d.Redo(); }}) {
    try {
      op(f.doc);
      ADD_FAILURE();
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Working already");
    }
  }
  f.doc.EndBusy();
  EXPECT_FALSE(f.doc.IsBusy());
  EXPECT_EQ(host.CurrentCursor(), crArrow);
  f.doc.SetHost(nullptr);
}

TEST(DocumentTick, AnimatesTheCurrentPageEveryFiftyMilliseconds) {
  struct Counting : TdtpShape {
    int* count;
    explicit Counting(int* c) : count(c) {}
    void Animate() override { ++*count; }
  };
  DocumentFixture f;
  int animated = 0;
  int events = 0;
  f.doc.AddShape(std::make_unique<Counting>(&animated));
  f.doc.OnAnimate = [&](TdtpDocument*) { ++events; };
  THeadlessViewHost host;
  f.doc.SetHost(&host);
  host.AdvanceTime(149);
  EXPECT_EQ(events, 2);
  EXPECT_EQ(animated, 2);
  f.doc.SetHost(nullptr);
}

TEST(DocumentView, AttachingAWindowFitsThePageWidth) {
  TdtpDocument doc;
  THeadlessViewHost host(800, 600);
  std::vector<TdtpPage*> changed;
  doc.OnPageChanged = [&](TdtpDocument*, TdtpPage* p) { changed.push_back(p); };
  doc.SetHost(&host);
  EXPECT_FLOAT_EQ(doc.ScreenDpm(), (800.0f - 22) / 211);
  EXPECT_EQ(changed, (std::vector<TdtpPage*>{doc.CurrentPage()}));
  EXPECT_EQ(doc.UndoCount(), 0);
  doc.SetHost(nullptr);
}

TEST(DocumentView, ExtentOfAnA4PageInPrintLayout) {
  TdtpDocument doc;
  doc.SetScreenDpm(2);
  doc.UpdateExtent();
  EXPECT_FLOAT_EQ(doc.VirtualWidth(), 442);
  EXPECT_FLOAT_EQ(doc.VirtualHeight(), 616);
  EXPECT_FLOAT_EQ(doc.CurrentPage()->DocLeft(), 5);
  EXPECT_FLOAT_EQ(doc.CurrentPage()->DocTop(), 5);
  const TFloatPoint origin = doc.CurrentPage()->LocalToScreen(TFloatPoint{0, 0});
  EXPECT_FLOAT_EQ(origin.X, 10);
  doc.SetViewStyle(vsNormal);
  EXPECT_FLOAT_EQ(doc.VirtualWidth(), 420);
  EXPECT_FLOAT_EQ(doc.CurrentPage()->DocLeft(), 0);
}

TEST(DocumentView, ZoomInAndOutComeBack) {
  TdtpDocument doc;
  THeadlessViewHost host(800, 600);
  doc.SetHost(&host);
  const float dpm = doc.ScreenDpm();
  doc.ZoomIn();
  EXPECT_FLOAT_EQ(doc.ZoomPercent(), 110);
  EXPECT_FLOAT_EQ(doc.ScrollX(), 0);
  doc.ZoomOut();
  EXPECT_NEAR(doc.ZoomPercent(), 100, 1e-3);
  EXPECT_NEAR(doc.ScreenDpm(), dpm, 1e-5);
  doc.SetHost(nullptr);
}

TEST(DocumentView, ResizingRefitsOnlyAtOneHundredPercent) {
  TdtpDocument doc;
  THeadlessViewHost host(800, 600);
  doc.SetHost(&host);
  host.SetClientSize(600, 600);
  doc.Resize();
  EXPECT_FLOAT_EQ(doc.ScreenDpm(), (600.0f - 22) / 211);
  doc.ZoomIn();
  const float zoomed = doc.ScreenDpm();
  host.SetClientSize(500, 600);
  doc.Resize();
  EXPECT_FLOAT_EQ(doc.ScreenDpm(), zoomed);
  doc.SetZoomPercent(100);
  host.SetClientSize(400, 600);
  doc.SetAutoWidth(false);
  doc.Resize();
  EXPECT_FLOAT_EQ(doc.ScreenDpm(), (500.0f - 22) / 211);
  doc.SetHost(nullptr);
}

TEST(ScrollBox, LargeAreasScaleTheScrollBars) {
  TdtpDocument doc;
  THeadlessViewHost host(100, 100);
  doc.SetHost(&host);
  doc.SetVirtualArea(0, 0, 100, 60000);
  EXPECT_FLOAT_EQ(doc.ScrollScale(), 0.5f);
  EXPECT_EQ(host.ScrollBar(sbVertical).Max, 30000);
  int dx = 50, dy = 70000;
  doc.ScrollBy(dx, dy);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, 59900);
  EXPECT_EQ(host.ScrollBar(sbVertical).Position, 29950);
  EXPECT_FLOAT_EQ(doc.ViewTop(), 59900 / doc.ScreenDpm());
  doc.ScrollMessage(sbVertical, scLineUp, 0);
  EXPECT_FLOAT_EQ(doc.ScrollY(), 59891);
  doc.ScrollMessage(sbVertical, scTop, 0);
  EXPECT_FLOAT_EQ(doc.ScrollY(), 0);
  doc.SetHost(nullptr);
}

}  // namespace
}  // namespace kivrano
