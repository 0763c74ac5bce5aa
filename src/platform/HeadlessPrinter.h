#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Printer.h"
#include "raster/Bitmap32.h"

namespace kivrano {

// The sheet and device geometry of a printer, in device pixels.
struct TPrinterGeometry {
  int PhysicalWidth = 1240;  // A4 at 150 dots per inch
  int PhysicalHeight = 1754;
  int OffsetX = 0;  // the printable area's top-left on the sheet
  int OffsetY = 0;
  int PageWidth = 1240;  // the printable area
  int PageHeight = 1754;
  int Dpi = 150;
};

// A printer without a device: every sheet becomes a white picture of the printable area, and every
// band stretched onto it is recorded. Failures of a real device can be scripted.
class THeadlessPrinter : public IPrinter {
 public:
  THeadlessPrinter() = default;
  explicit THeadlessPrinter(const TPrinterGeometry& geometry) : geometry_(geometry) {}

  void BeginDoc(const std::string& title) override;
  void EndDoc() override;
  void Abort() override;
  void NewPage() override;
  bool Printing() const override { return printing_; }
  void StretchBand(const TRect& device, const TBitmap32& band) override;

  int PageWidth() const override { return geometry_.PageWidth; }
  int PageHeight() const override { return geometry_.PageHeight; }
  int PhysicalWidth() const override { return geometry_.PhysicalWidth; }
  int PhysicalHeight() const override { return geometry_.PhysicalHeight; }
  int PhysicalOffsetX() const override { return geometry_.OffsetX; }
  int PhysicalOffsetY() const override { return geometry_.OffsetY; }
  int DpiX() const override { return geometry_.Dpi; }
  int DpiY() const override { return geometry_.Dpi; }

  // One band as it reached the printer.
  struct TBand {
    int Sheet;         // index into Sheets()
    TRect Device;      // the device rectangle it was stretched into
    int Width;         // the band image's size
    int Height;
  };

  // The sheets of the last job (also of one that was aborted).
  const std::vector<std::unique_ptr<TBitmap32>>& Sheets() const { return sheets_; }
  const std::vector<TBand>& Bands() const { return bands_; }
  const std::string& Title() const { return title_; }
  int FinishedJobs() const { return finishedJobs_; }
  int AbortedJobs() const { return abortedJobs_; }

  // Scripted failures: BeginDoc refuses the job; the band with this 0-based number in a job fails
  // as a lost device would (-1: none).
  bool RefuseJob = false;
  int FailAtBand = -1;

 private:
  void CheckPrinting() const;
  void AddSheet();

  TPrinterGeometry geometry_;
  bool printing_ = false;
  std::string title_;
  std::vector<std::unique_ptr<TBitmap32>> sheets_;
  std::vector<TBand> bands_;
  int finishedJobs_ = 0;
  int abortedJobs_ = 0;
};

}  // namespace kivrano
