// Printing: pages rendered by the screen's raster pipeline at the print resolution, in bands of
// bounded size, each band turned, mirrored and stretched onto the printer's sheet or a canvas.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <numeric>

#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "engine/dtpPageRenderState.h"
#include "platform/Canvas.h"
#include "platform/Printer.h"
#include "raster/Bitmap32.h"

namespace kivrano {

namespace {

// A band holds at most this many pixels at the print resolution.
constexpr int64_t kMaxBandPixels = 1920000;
// Render rectangles beyond this side length are refused (about 42 m at 600 dots per inch).
constexpr float kMaxRenderSide = 1e6f;

TRect Transposed(const TRect& r) { return TRect{r.Left, r.Top, r.Left + r.Height(), r.Top + r.Width()}; }

// Splits r across its width (else its height) into two halves; the first is the truncated half.
void SplitRect(const TRect& r, bool acrossWidth, TRect& first, TRect& second) {
  first = r;
  second = r;
  if (acrossWidth) {
    first.Right = second.Left = r.Left + r.Width() / 2;
  } else {
    first.Bottom = second.Top = r.Top + r.Height() / 2;
  }
}

std::string JobTitle(const TSingleStorage* archive) {
  if (!archive || archive->FileName().empty()) return "Kivrano";
  const std::string& name = archive->FileName();
  const size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

// One page being printed into one rectangle of a target: the saved view state, the fitted device
// rectangle and the band recursion.
class TPagePrinter {
 public:
  TPagePrinter(TdtpPage& page, TdtpDocument& document, IBandTarget& target, bool flipVertical, bool mirrorHorizontal,
               int rotation)
      : page_(page), document_(document), target_(target), flip_(flipVertical), mirror_(mirrorHorizontal),
        rotation_(rotation & 3) {}

  void Print(const TRect& rect, float dpm) {
    WithPageRenderState(document_, page_, [&] { Render(rect, dpm); });
  }

 private:
  bool Turned() const { return rotation_ == 1 || rotation_ == 3; }

  void Render(const TRect& rect, float dpm) {
    const float width = page_.DocWidth();
    const float height = page_.DocHeight();
    const TRect fitted = Turned() ? Transposed(rect) : rect;
    if (!(width > 0 && height > 0) || fitted.Width() <= 0 || fitted.Height() <= 0) return;
    const float f = std::min(static_cast<float>(fitted.Width()) / width, static_cast<float>(fitted.Height()) / height);
    if (dpm == 0) dpm = f;
    if (!(dpm > 0) || !(f > 0)) return;
    if (!(dpm * width <= kMaxRenderSide && dpm * height <= kMaxRenderSide)) {
      throw Exception("Print resolution too high for the page size");
    }
    const int dw = RoundToInt(f * width);
    const int dh = RoundToInt(f * height);
    frame_ = fitted;
    placed_.Left = fitted.Left + (fitted.Width() - dw) / 2;
    placed_.Top = fitted.Top + (fitted.Height() - dh) / 2;
    placed_.Right = placed_.Left + dw;
    placed_.Bottom = placed_.Top + dh;
    const TRect render{0, 0, RoundToInt(dpm * width), RoundToInt(dpm * height)};

    dpm_ = dpm;
    document_.SetRenderDpm(dpm);
    document_.SetScreenDpm(dpm);
    document_.SetQuality(sfLinear);
    document_.viewLeft_ = page_.DocLeft();
    document_.viewTop_ = page_.DocTop();
    RenderBands(placed_, render, 1.0f, 0.0f);
  }

  // d: the band's device rectangle in the (transposed) frame, s: its pixels at the print
  // resolution; start and end bound its share of the page's progress.
  void RenderBands(const TRect& d, const TRect& s, float end, float start) {
    if (static_cast<int64_t>(s.Width()) * s.Height() <= kMaxBandPixels) {
      document_.viewLeft_ = static_cast<float>(s.Left) / dpm_ + page_.DocLeft();
      document_.viewTop_ = static_cast<float>(s.Top) / dpm_ + page_.DocTop();
      RenderBand(d, s);
      const int total = document_.ProgressTotal();
      if (total > 0) {
        const int count = document_.ProgressCount();
        document_.Progress(ptPrint, count, total, (end + static_cast<float>(count) - 1) / static_cast<float>(total));
      }
      return;
    }
    const bool acrossWidth = s.Height() < s.Width();
    TRect d1, d2, s1, s2;
    SplitRect(d, acrossWidth, d1, d2);
    SplitRect(s, acrossWidth, s1, s2);
    const float middle = (start + end) / 2;
    RenderBands(d1, s1, middle, start);
    RenderBands(d2, s2, end, middle);
  }

  void RenderBand(const TRect& d, const TRect& s) {
    if (s.Width() <= 0 || s.Height() <= 0) return;
    TBitmap32 band;
    if (!band.SetSize(s.Width(), s.Height())) throw Exception("Out of memory for a print band");
    {
      TCanvas canvas(band);
      document_.directPainting_ = true;
      page_.PaintTo(canvas);
      document_.directPainting_ = false;
    }
    switch (rotation_) {
      case 1: band.Rotate90(); break;
      case 2: band.Rotate180(); break;
      case 3: band.Rotate270(); break;
      default: break;
    }
    if (mirror_) band.FlipHorizontal();
    if (flip_) band.FlipVertical();
    target_.StretchBand(DeviceRect(d), band);
  }

  // Where the band lands on the device: mirrored within the page's rectangle, then turned about
  // the target rectangle's top-left corner.
  TRect DeviceRect(TRect b) const {
    const TRect& p = placed_;
    const bool reflectX = Turned() ? flip_ : mirror_;
    const bool reflectY = Turned() ? mirror_ : flip_;
    if (reflectX) b = TRect{p.Left + p.Right - b.Right, b.Top, p.Left + p.Right - b.Left, b.Bottom};
    if (reflectY) b = TRect{b.Left, p.Top + p.Bottom - b.Bottom, b.Right, p.Top + p.Bottom - b.Top};
    // The page's centring offsets in the transposed frame are the other axis' offsets on the device.
    const int offsetX = p.Left - frame_.Left;
    const int offsetY = p.Top - frame_.Top;
    int x = b.Left, y = b.Top, w = b.Width(), h = b.Height();
    switch (rotation_) {
      case 1:
        x = frame_.Left + offsetY + (b.Top - p.Top);
        y = frame_.Top + offsetX + (p.Right - b.Right);
        std::swap(w, h);
        break;
      case 2:
        x = p.Left + p.Right - b.Right;
        y = p.Top + p.Bottom - b.Bottom;
        break;
      case 3:
        x = frame_.Left + offsetY + (p.Bottom - b.Bottom);
        y = frame_.Top + offsetX + (b.Left - p.Left);
        std::swap(w, h);
        break;
      default: break;
    }
    return TRect{x, y, x + w, y + h};
  }

  TdtpPage& page_;
  TdtpDocument& document_;
  IBandTarget& target_;
  const bool flip_;
  const bool mirror_;
  const int rotation_;

  float dpm_ = 0;
  TRect frame_;   // the (transposed) target rectangle
  TRect placed_;  // the page's device rectangle within it
};

// ---------------------------------------------------------------------------------------------
// Page entry points

void TdtpPage::PrintTo(IBandTarget& target, const TRect& rect, bool FlipVertical, bool MirrorHorizontal, int Rotation,
                       float dpm) {
  EnsureLoaded();
  TdtpDocument* document = Document();
  if (!document) return;
  TPagePrinter(*this, *document, target, FlipVertical, MirrorHorizontal, Rotation).Print(rect, dpm);
}

void TdtpPage::PrintTo(TCanvas& canvas, const TRect& rect, bool FlipVertical, bool MirrorHorizontal, int Rotation,
                       float dpm) {
  TCanvasBandTarget target(canvas);
  PrintTo(target, rect, FlipVertical, MirrorHorizontal, Rotation, dpm);
}

void TdtpPage::PrintToDefault(TCanvas& canvas, const TRect& rect, bool FlipVertical, bool MirrorHorizontal,
                              int Rotation) {
  PrintTo(canvas, rect, FlipVertical, MirrorHorizontal, Rotation, kDefaultDpm);
}

// ---------------------------------------------------------------------------------------------
// Document entry points

void TdtpDocument::EndPrinting() {
  if (printingCount_ <= 0) {
    printingCount_ = 0;
    throw Exception("dtpDocument: EndPrinting called more often than BeginPrinting");
  }
  --printingCount_;
}

float TdtpDocument::PrintDpm() const {
  switch (printQuality_) {
    case pqLow: return kDefaultDpm;
    case pqMedium: return static_cast<float>(300 / 25.4);
    case pqHigh: return static_cast<float>(600 / 25.4);
    case pqDevice: return 0;
  }
  return kDefaultDpm;
}

void TdtpDocument::PrintPages(const std::vector<int>& indexes) {
  CheckNotBusy();
  const int n = static_cast<int>(indexes.size());
  if (n == 0) return;
  IPrinter& printer = Printer();
  // Busy for the whole job, so that a progress handler cannot start a second one.
  BeginBusy(crHourGlass);
  try {
    Progress(ptPrint, 0, n, 0);
    printer.BeginDoc(JobTitle(archive_.get()));
    // The whole sheet in the coordinates of the printable area.
    const int w = printer.PhysicalWidth();
    const int h = printer.PhysicalHeight();
    const TRect paper{-printer.PhysicalOffsetX(), -printer.PhysicalOffsetY(), w - printer.PhysicalOffsetX(),
                      h - printer.PhysicalOffsetY()};
    for (int i = 0; i < n; ++i) {
      Progress(ptPrint, i + 1, n, static_cast<float>(i) / static_cast<float>(n));
      TdtpPage* page = Pages(indexes[static_cast<size_t>(i)]);
      if (!page) continue;
      // A page of an opened drawing knows its size only once it is loaded.
      page->EnsureLoaded();
      const float upright = std::min(static_cast<float>(w) / page->DocWidth(), static_cast<float>(h) / page->DocHeight());
      const float turned = std::min(static_cast<float>(h) / page->DocWidth(), static_cast<float>(w) / page->DocHeight());
      page->PrintTo(printer, paper, false, false, upright < turned ? 1 : 0, PrintDpm());
      if (i < n - 1) {
        printer.NewPage();
        Progress(ptPrint, i + 1, n, static_cast<float>(i + 1) / static_cast<float>(n));
      }
    }
    printer.EndDoc();
    Progress(ptPrint, n, n, 1);
  } catch (...) {
    printer.Abort();
    EndBusy();
    throw;
  }
  EndBusy();
}

void TdtpDocument::PrintAll() {
  std::vector<int> indexes(static_cast<size_t>(PageCount()));
  std::iota(indexes.begin(), indexes.end(), 0);
  PrintPages(indexes);
}

void TdtpDocument::PrintPage(int index) { PrintPages({index}); }

}  // namespace kivrano
