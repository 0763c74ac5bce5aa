#include "platform/Printer.h"

#include "platform/Canvas.h"
#include "platform/HeadlessPrinter.h"

namespace kivrano {

void TCanvasBandTarget::StretchBand(const TRect& device, const TBitmap32& band) {
  // A band rendered at the device's own scale is copied as it is.
  if (device.Width() == band.Width() && device.Height() == band.Height()) {
    canvas_.Draw(device.Left, device.Top, band);
  } else {
    canvas_.StretchDraw(device, band);
  }
}

namespace {

IPrinter* installed = nullptr;

}  // namespace

IPrinter& Printer() {
  static THeadlessPrinter headless;
  return installed ? *installed : headless;
}

IPrinter* SetPrinter(IPrinter* printer) {
  IPrinter* previous = installed;
  installed = printer;
  return previous;
}

}  // namespace kivrano
