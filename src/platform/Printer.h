#pragma once

// The printer as the engine sees it: a print job made of sheets, the device's geometry, and the
// one drawing operation printing needs, stretching a rendered band image onto the sheet. The
// program installs a desktop printer; tests and headless tools use THeadlessPrinter.

#include <string>

#include "base/Types.h"

namespace kivrano {

class TBitmap32;
class TCanvas;

// Where print bands go: a printer's sheet or the canvas of a picture.
class IBandTarget {
 public:
  virtual ~IBandTarget() = default;
  // Resamples the whole band into the device rectangle with halftone quality, replacing what is
  // there (no blending). Parts outside the target's drawable area are clipped.
  virtual void StretchBand(const TRect& device, const TBitmap32& band) = 0;
};

// Bands onto a software canvas (picture export, rendering to files).
class TCanvasBandTarget : public IBandTarget {
 public:
  explicit TCanvasBandTarget(TCanvas& canvas) : canvas_(canvas) {}
  void StretchBand(const TRect& device, const TBitmap32& band) override;

 private:
  TCanvas& canvas_;
};

// A printer. All sizes are device pixels. Device coordinates have their origin at the top-left of
// the printable area; the physical offsets say where that lies on the sheet.
class IPrinter : public IBandTarget {
 public:
  // Starts a job with its first sheet; fails when the printer refuses it or a job is running.
  virtual void BeginDoc(const std::string& title) = 0;
  // Hands the job to the device.
  virtual void EndDoc() = 0;
  // Drops a running job after a failure; nothing without one.
  virtual void Abort() = 0;
  // Ends the current sheet and starts the next one.
  virtual void NewPage() = 0;
  virtual bool Printing() const = 0;

  // The printable area.
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;
  // The whole sheet and the printable area's top-left on it.
  virtual int PhysicalWidth() const = 0;
  virtual int PhysicalHeight() const = 0;
  virtual int PhysicalOffsetX() const = 0;
  virtual int PhysicalOffsetY() const = 0;
  // Device pixels per inch.
  virtual int DpiX() const = 0;
  virtual int DpiY() const = 0;
};

// The process-wide printer. Without an installed one a shared THeadlessPrinter (A4 at 150 dots
// per inch) serves.
IPrinter& Printer();
// Installs a printer (not owned; nullptr goes back to the headless default); returns the previous.
IPrinter* SetPrinter(IPrinter* printer);

}  // namespace kivrano
