#include "platform/HeadlessPrinter.h"

#include "base/Exception.h"
#include "platform/Canvas.h"

namespace kivrano {

void THeadlessPrinter::BeginDoc(const std::string& title) {
  if (printing_) throw Exception("Printing in progress");
  if (RefuseJob) throw Exception("Printer refused the job");
  title_ = title;
  sheets_.clear();
  bands_.clear();
  printing_ = true;
  AddSheet();
}

void THeadlessPrinter::EndDoc() {
  CheckPrinting();
  printing_ = false;
  ++finishedJobs_;
}

void THeadlessPrinter::Abort() {
  if (!printing_) return;
  printing_ = false;
  ++abortedJobs_;
}

void THeadlessPrinter::NewPage() {
  CheckPrinting();
  AddSheet();
}

void THeadlessPrinter::StretchBand(const TRect& device, const TBitmap32& band) {
  CheckPrinting();
  if (FailAtBand >= 0 && static_cast<int>(bands_.size()) == FailAtBand) throw Exception("Printer device lost");
  bands_.push_back(TBand{static_cast<int>(sheets_.size()) - 1, device, band.Width(), band.Height()});
  TCanvas canvas(*sheets_.back());
  TCanvasBandTarget(canvas).StretchBand(device, band);
}

void THeadlessPrinter::CheckPrinting() const {
  if (!printing_) throw Exception("Printer is not printing");
}

void THeadlessPrinter::AddSheet() {
  auto sheet = std::make_unique<TBitmap32>();
  sheet->SetSize(geometry_.PageWidth, geometry_.PageHeight);
  sheet->Clear(clWhite32);
  sheets_.push_back(std::move(sheet));
}

}  // namespace kivrano
