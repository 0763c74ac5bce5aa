// Printing: pages fitted, turned and mirrored onto sheets and canvases in bands, the print job with
// its progress reports, and the view state around it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "platform/HeadlessPrinter.h"
#include "platform/HeadlessViewHost.h"
#include "raster/Bitmap32.h"

namespace kivrano {
namespace {

constexpr TColor32 kRed = 0xFF0000;
constexpr TColor32 kBlue = 0x0000FF;
constexpr TColor32 kGreen = 0x00FF00;
constexpr TColor32 kYellow = 0xFFFF00;
constexpr TColor32 kWhite = 0xFFFFFF;

// Installs a headless printer for one test.
class TPrinterInstalled {
 public:
  explicit TPrinterInstalled(const TPrinterGeometry& geometry) : printer(geometry), previous_(SetPrinter(&printer)) {}
  ~TPrinterInstalled() { SetPrinter(previous_); }
  THeadlessPrinter printer;

 private:
  IPrinter* previous_;
};

// A4 at 30 dots per inch, without margins.
TPrinterGeometry A4Sheet() {
  TPrinterGeometry g;
  g.PhysicalWidth = g.PageWidth = 248;
  g.PhysicalHeight = g.PageHeight = 351;
  g.Dpi = 30;
  return g;
}

struct TProgressReport {
  int Count;
  int Total;
  float Fraction;
  friend bool operator==(const TProgressReport&, const TProgressReport&) = default;
};

std::ostream& operator<<(std::ostream& out, const TProgressReport& r) {
  return out << "(" << r.Count << "/" << r.Total << " " << r.Fraction << ")";
}

// A document whose pages paint four regions split at 30 % of their width and height: red at the
// top left, blue at the top right, green at the bottom left, yellow at the bottom right. Every
// turn or mirror shows in where the colours land.
class Printing : public ::testing::Test {
 protected:
  TdtpDocument doc;
  std::vector<TProgressReport> progress;

  void SetUp() override {
    doc.SetShowMargins(false);
    doc.OnPaintBackground = [](TdtpDocument*, TCanvas& canvas, const TRect& r) {
      const int mx = r.Left + r.Width() * 3 / 10;
      const int my = r.Top + r.Height() * 3 / 10;
      canvas.Brush().SetStyle(bsSolid);
      const std::tuple<TRect, TColor> regions[] = {
          {TRect{r.Left, r.Top, mx, my}, 0x0000FF},   // red
          {TRect{mx, r.Top, r.Right, my}, 0xFF0000},  // blue
          {TRect{r.Left, my, mx, r.Bottom}, 0x00FF00},
          {TRect{mx, my, r.Right, r.Bottom}, 0x00FFFF}};
      for (const auto& [rect, color] : regions) {
        canvas.Brush().SetColor(color);
        canvas.FillRect(rect);
      }
    };
    doc.OnProgress = [this](TdtpDocument*, TdtpProgressType type, int count, int total, float fraction) {
      if (type == ptPrint) progress.push_back({count, total, fraction});
    };
  }

  // The size of every default page, also of those added later.
  void SetPageSize(float width, float height) {
    doc.SetDefaultPageWidth(width);
    doc.SetDefaultPageHeight(height);
  }

  // The colour at (u, v) of the page (fractions of its width and height) for the regions above.
  static TColor32 PageColorAt(float u, float v) {
    if (v < 0.3f) return u < 0.3f ? kRed : kBlue;
    return u < 0.3f ? kGreen : kYellow;
  }
};

TColor32 ColorAt(const TBitmap32& b, int x, int y) { return b.GetPixel(x, y) & 0xFFFFFF; }

// The smallest rectangle holding every band of the job.
TRect BandsUnion(const THeadlessPrinter& printer) {
  TRect u = printer.Bands().front().Device;
  for (const auto& band : printer.Bands()) {
    u = TRect{std::min(u.Left, band.Device.Left), std::min(u.Top, band.Device.Top),
              std::max(u.Right, band.Device.Right), std::max(u.Bottom, band.Device.Bottom)};
  }
  return u;
}

TEST_F(Printing, PagesAreFittedCentredAndTurnedWhenThatFitsBetter) {
  struct TCase {
    const char* name;
    float width, height;
    TRect expected;  // the page on the sheet
    bool turned;
  };
  const TCase cases[] = {
      {"A4 portrait fills the sheet upright", 210, 297, TRect{0, 0, 248, 351}, false},
      {"A4 landscape turns", 297, 210, TRect{0, 0, 248, 351}, true},
      {"a square stays upright", 100, 100, TRect{0, 51, 248, 299}, false},
      {"a long strip turns and is centred across", 90, 30, TRect{65, 0, 182, 351}, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPrinterInstalled installed(A4Sheet());
    SetPageSize(c.width, c.height);
    doc.PrintAll();
    const THeadlessPrinter& printer = installed.printer;
    ASSERT_EQ(printer.Sheets().size(), 1u);
    ASSERT_EQ(printer.FinishedJobs(), 1);
    EXPECT_EQ(BandsUnion(printer), c.expected);
    const TBitmap32& sheet = *printer.Sheets()[0];
    const TRect& e = c.expected;
    // Sample the page's corners (5 % inside) on the sheet.
    const float corners[][2] = {{0.05f, 0.05f}, {0.95f, 0.05f}, {0.05f, 0.95f}, {0.95f, 0.95f}};
    for (const auto& corner : corners) {
      const float u = corner[0], v = corner[1];
      // A quarter turn counter-clockwise: the page's top edge runs along the sheet's left edge.
      const float x = c.turned ? v : u;
      const float y = c.turned ? 1 - u : v;
      const int px = e.Left + static_cast<int>(x * static_cast<float>(e.Width()));
      const int py = e.Top + static_cast<int>(y * static_cast<float>(e.Height()));
      EXPECT_EQ(ColorAt(sheet, px, py), PageColorAt(u, v)) << "page point " << u << ", " << v;
    }
    if (e.Top > 0) {
      EXPECT_EQ(ColorAt(sheet, 124, e.Top - 2), kWhite);
    }
    if (e.Left > 0) {
      EXPECT_EQ(ColorAt(sheet, e.Left - 2, 175), kWhite);
    }
  }
}

TEST_F(Printing, PrintableAreaOffsetsShiftThePaperSoThatTheWholeSheetIsCovered) {
  TPrinterGeometry g = A4Sheet();
  g.OffsetX = 10;
  g.OffsetY = 12;
  g.PageWidth = 228;
  g.PageHeight = 327;
  TPrinterInstalled installed(g);
  SetPageSize(210, 297);
  doc.PrintAll();
  EXPECT_EQ(BandsUnion(installed.printer), (TRect{-10, -12, 238, 339}));
  const TBitmap32& sheet = *installed.printer.Sheets()[0];
  // The page's 30 % line lies at sheet column 74, that is printable column 64.
  EXPECT_EQ(ColorAt(sheet, 62, 20), kRed);
  EXPECT_EQ(ColorAt(sheet, 66, 20), kBlue);
}

TEST_F(Printing, TurnsAndMirrorsPlaceEveryBandRight) {
  // 40 x 20 mm at 70 dots per mm: 2800 x 1400 pixels, rendered as four bands.
  SetPageSize(40, 20);
  const TRect target{7, 5, 7 + 120, 5 + 120};
  for (int rotation = 0; rotation < 4; ++rotation) {
    for (int mirror = 0; mirror < 2; ++mirror) {
      for (int flip = 0; flip < 2; ++flip) {
        SCOPED_TRACE("rotation " + std::to_string(rotation) + " mirror " + std::to_string(mirror) + " flip " +
                     std::to_string(flip));
        TBitmap32 picture;
        picture.SetSize(140, 140);
        picture.Clear(0xFF000000);
        TCanvas canvas(picture);
        doc.CurrentPage()->PrintTo(canvas, target, flip != 0, mirror != 0, rotation, 70);
        // The page is 120 x 60 device pixels, centred in the target, turned when rotation is odd.
        const bool turned = rotation % 2 == 1;
        const TRect placed = turned ? TRect{7 + 30, 5, 7 + 90, 5 + 120} : TRect{7, 5 + 30, 7 + 120, 5 + 90};
        EXPECT_EQ(ColorAt(picture, placed.Left - 2, placed.Top + 2), 0u);
        EXPECT_EQ(ColorAt(picture, placed.Right + 1, placed.Bottom - 2), 0u);
        const float samples[][2] = {{0.1f, 0.1f}, {0.9f, 0.1f}, {0.1f, 0.9f}, {0.9f, 0.9f},
                                    {0.4f, 0.4f}, {0.2f, 0.6f}, {0.7f, 0.2f}};
        for (const auto& s : samples) {
          const float u = s[0], v = s[1];
          // Turned counter-clockwise by quarter turns, then mirrored on the device.
          float x = u, y = v;
          for (int i = 0; i < rotation; ++i) std::tie(x, y) = std::make_tuple(y, 1 - x);
          if (mirror) x = 1 - x;
          if (flip) y = 1 - y;
          const int px = placed.Left + static_cast<int>(x * static_cast<float>(placed.Width()));
          const int py = placed.Top + static_cast<int>(y * static_cast<float>(placed.Height()));
          EXPECT_EQ(ColorAt(picture, px, py), PageColorAt(u, v)) << "page point " << u << ", " << v;
        }
      }
    }
  }
}

TEST_F(Printing, DeviceQualityCopiesBandsOneToOne) {
  TPrinterInstalled installed(A4Sheet());
  doc.SetPrintQuality(pqDevice);
  EXPECT_EQ(doc.PrintDpm(), 0);
  doc.AddPage(nullptr);
  SetPageSize(210, 297);
  doc.Pages(1)->SetIsDefaultPage(false);
  doc.Pages(1)->SetBounds(0, 0, 297, 210);
  doc.PrintAll();
  ASSERT_EQ(installed.printer.Sheets().size(), 2u);
  for (const auto& band : installed.printer.Bands()) {
    EXPECT_EQ(band.Width, band.Device.Width());
    EXPECT_EQ(band.Height, band.Device.Height());
  }
  EXPECT_EQ(installed.printer.Bands().back().Sheet, 1);
}

TEST_F(Printing, QualitiesSetTheRenderResolutionAndHighQualityUsesThirtyTwoBands) {
  struct TCase {
    TPrintQualityType quality;
    float dpm;
    size_t bands;
  };
  const TCase cases[] = {{pqLow, 150 / 25.4f, 2}, {pqMedium, 300 / 25.4f, 8}, {pqHigh, 600 / 25.4f, 32}};
  SetPageSize(210, 297);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.quality);
    TPrinterInstalled installed(A4Sheet());
    doc.SetPrintQuality(c.quality);
    EXPECT_FLOAT_EQ(doc.PrintDpm(), c.dpm);
    doc.PrintAll();
    const auto& bands = installed.printer.Bands();
    ASSERT_EQ(bands.size(), c.bands);
    int64_t pixels = 0;
    int64_t deviceArea = 0;
    for (const auto& band : bands) {
      EXPECT_LE(static_cast<int64_t>(band.Width) * band.Height, 1920000);
      pixels += static_cast<int64_t>(band.Width) * band.Height;
      deviceArea += static_cast<int64_t>(band.Device.Width()) * band.Device.Height();
    }
    // The bands tile both the rendered page and the page on the sheet.
    EXPECT_EQ(pixels, static_cast<int64_t>(std::nearbyint(c.dpm * 210)) * std::nearbyint(c.dpm * 297));
    EXPECT_EQ(deviceArea, 248 * 351);
    EXPECT_EQ(BandsUnion(installed.printer), (TRect{0, 0, 248, 351}));
  }
}

TEST_F(Printing, ProgressOfATwoPageJobRunsThroughEveryBand) {
  TPrinterInstalled installed(A4Sheet());
  doc.SetPrintQuality(pqHigh);
  SetPageSize(80, 60);  // 1890 x 1417 pixels: two bands
  doc.AddPage(nullptr);
  doc.PrintAll();
  const std::vector<TProgressReport> expected = {
      {0, 2, 0},     {1, 2, 0},  // job start, page 1
      {1, 2, 0.25f}, {1, 2, 0.5f},   // its bands
      {1, 2, 0.5f},  {2, 2, 0.5f},   // new sheet, page 2
      {2, 2, 0.75f}, {2, 2, 1},      // its bands
      {2, 2, 1}};                    // job end
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(installed.printer.Sheets().size(), 2u);
}

TEST_F(Printing, IndexesWithoutAPageAreSkippedButCounted) {
  SetPageSize(60, 40);
  doc.AddPage(nullptr);
  {
    SCOPED_TRACE("missing index in the middle: no sheet of its own");
    TPrinterInstalled installed(A4Sheet());
    doc.PrintPages({0, 7, 1});
    EXPECT_EQ(installed.printer.Sheets().size(), 2u);
    EXPECT_EQ(installed.printer.Bands().size(), 2u);
    for (const auto& report : progress) EXPECT_EQ(report.Total, 3);
    EXPECT_EQ(progress.back(), (TProgressReport{3, 3, 1}));
  }
  {
    SCOPED_TRACE("missing index last: the sheet started for it stays blank");
    progress.clear();
    TPrinterInstalled installed(A4Sheet());
    doc.PrintPages({1, -1});
    ASSERT_EQ(installed.printer.Sheets().size(), 2u);
    EXPECT_EQ(installed.printer.Bands().size(), 1u);
    const TBitmap32& blank = *installed.printer.Sheets()[1];
    EXPECT_EQ(ColorAt(blank, 124, 175), kWhite);
    EXPECT_EQ(progress.front(), (TProgressReport{0, 2, 0}));
  }
  {
    SCOPED_TRACE("no indexes: no job");
    TPrinterInstalled installed(A4Sheet());
    doc.PrintPages({});
    EXPECT_EQ(installed.printer.FinishedJobs(), 0);
    EXPECT_TRUE(installed.printer.Sheets().empty());
  }
}

TEST_F(Printing, PagesOfAnOpenedDrawingAreTurnedByTheirStoredSize) {
  const std::string file =
      (std::filesystem::temp_directory_path() / ("kivrano_print_" + std::to_string(getpid()) + ".hsf")).string();
  doc.AddPage(nullptr);
  doc.Pages(1)->SetIsDefaultPage(false);
  doc.Pages(1)->SetBounds(0, 0, 297, 100);
  doc.SaveToFile(file);
  TdtpDocument opened;
  opened.LoadFromFile(file);
  std::filesystem::remove(file);
  TPrinterInstalled installed(A4Sheet());
  opened.PrintPage(1);
  // Turned, the strip spans the sheet's height and is centred across it.
  EXPECT_EQ(BandsUnion(installed.printer), (TRect{65, 0, 183, 351}));
}

class PrintingView : public Printing {
 protected:
  THeadlessViewHost host{300, 200};

  void SetUp() override {
    Printing::SetUp();
    doc.SetHost(&host);
    SetPageSize(210, 297);
    doc.SetScreenDpm(3);
    doc.UpdateExtent();
    int dx = 40, dy = 90;
    doc.ScrollBy(dx, dy);
    doc.SetQuality(sfNearest);
    doc.LockUndo();
    doc.AddPage(nullptr);
    doc.Pages(1)->SetDocAngle(90);
    doc.UnlockUndo();
    doc.SetModified(false);
  }
  void TearDown() override { doc.SetHost(nullptr); }

  struct TViewState {
    float viewLeft, viewTop, screenDpm, renderDpm, angle;
    TStretchFilter quality;
    int undoCount;
    friend bool operator==(const TViewState&, const TViewState&) = default;
  };
  TViewState State() const {
    return {doc.ViewLeft(), doc.ViewTop(), doc.ScreenDpm(), doc.RenderDpm(), doc.Pages(1)->DocAngle(),
            doc.Quality(), doc.UndoCount()};
  }
};

TEST_F(PrintingView, ViewStateIsRestoredAfterPrinting) {
  const TViewState before = State();
  ASSERT_GT(before.viewTop, 0);
  ASSERT_FALSE(doc.Modified());
  TPrinterInstalled installed(A4Sheet());
  doc.SetPrintQuality(pqMedium);
  doc.PrintAll();
  EXPECT_EQ(State(), before);
  EXPECT_FALSE(doc.IsPrinting());
  EXPECT_FALSE(doc.IsBusy());
  EXPECT_FALSE(doc.DirectPainting());
  EXPECT_FALSE(doc.Modified()) << "printing changes nothing in the drawing";
  EXPECT_FALSE(doc.Pages(1)->Modified());
  // The turned page was printed upright: its top-left region lies at the sheet's top left.
  EXPECT_EQ(ColorAt(*installed.printer.Sheets()[1], 10, 10), kRed);
}

TEST_F(PrintingView, APrinterFailureRestoresTheViewAndAbortsTheJob) {
  const TViewState before = State();
  TPrinterInstalled installed(A4Sheet());
  installed.printer.FailAtBand = 1;  // the band of the second page
  try {
    doc.PrintAll();
    FAIL() << "no failure";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Printer device lost");
  }
  EXPECT_EQ(State(), before);
  EXPECT_FALSE(doc.IsPrinting());
  EXPECT_FALSE(doc.IsBusy());
  EXPECT_FALSE(installed.printer.Printing());
  EXPECT_EQ(installed.printer.AbortedJobs(), 1);
  // The next job runs.
  installed.printer.FailAtBand = -1;
  doc.PrintAll();
  EXPECT_EQ(installed.printer.FinishedJobs(), 1);

  installed.printer.RefuseJob = true;
  EXPECT_THROW(doc.PrintAll(), Exception);
  EXPECT_FALSE(doc.IsBusy());
}

TEST_F(Printing, ASecondJobIsRefusedWhileOneRuns) {
  TPrinterInstalled installed(A4Sheet());
  std::string refused;
  doc.OnProgress = [&](TdtpDocument* d, TdtpProgressType, int, int, float) {
    if (!refused.empty()) return;
    try {
      d->PrintAll();
      refused = "accepted";
    } catch (const Exception& e) {
      refused = e.what();
    }
  };
  doc.PrintAll();
  EXPECT_EQ(refused, "Working already");
  EXPECT_EQ(installed.printer.FinishedJobs(), 1);

  doc.BeginBusy(crHourGlass);
  try {
    doc.PrintPage(0);
    ADD_FAILURE() << "printed while busy";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Working already");
  }
  doc.EndBusy();
  EXPECT_EQ(installed.printer.FinishedJobs(), 1);
}

TEST_F(Printing, EndPrintingMoreOftenThanBeginPrintingFails) {
  doc.BeginPrinting();
  doc.EndPrinting();
  try {
    doc.EndPrinting();
    FAIL() << "no failure";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "dtpDocument: EndPrinting called more often than BeginPrinting");
  }
  EXPECT_FALSE(doc.IsPrinting());
  // The count does not stay below zero: the next BeginPrinting counts again.
  doc.BeginPrinting();
  EXPECT_TRUE(doc.IsPrinting());
  doc.EndPrinting();
}

// A navy box that needs a render cache (it is not quite opaque): its cache is made at the render
// resolution and merged unscaled, so a cache of another resolution would show at the wrong size.
class TCachedBox : public TdtpShape {
 public:
  TCachedBox() { SetMasterAlpha(254); }
  void PaintBitmap(TBitmap32& bitmap) override {
    bitmap.FillRectClipped(PaintLeft(), PaintTop(), PaintRight(), PaintBottom(), 0xFF000080);
  }
};

TEST_F(Printing, APageNotShownIsPrintedWithCachesOfThePrintResolution) {
  SetPageSize(40, 20);
  doc.OnPaintBackground = nullptr;
  doc.AddPage(nullptr);
  doc.SetCurrentPageIndex(1);
  auto shape = std::make_unique<TCachedBox>();
  shape->SetBounds(10, 5, 20, 10);
  doc.LockUndo();
  TdtpShape* raw = shape.get();
  doc.AddShape(std::move(shape));
  doc.UnlockUndo();
  doc.SetCurrentPageIndex(0);
  raw->RenderCache();  // at the view's resolution, though its page is not shown
  for (float dpm : {4.0f, 8.0f}) {
    SCOPED_TRACE(dpm);
    TBitmap32 picture;
    picture.SetSize(160, 80);
    picture.Clear(0xFF000000);
    TCanvas canvas(picture);
    doc.Pages(1)->PrintTo(canvas, TRect{0, 0, 160, 80}, false, false, 0, dpm);
    // The shape covers page pixels (40, 20)-(120, 60); the paper is white around it.
    EXPECT_NE(ColorAt(picture, 116, 56), kWhite);
    EXPECT_EQ(ColorAt(picture, 124, 64), kWhite);
  }
}

}  // namespace
}  // namespace kivrano
