#include "qt/QtPrinter.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>

#include "base/Exception.h"
#include "raster/Bitmap32.h"

namespace kivrano {

TQtPrinter::TQtPrinter(QPrinter& printer) : printer_(printer) {}

TQtPrinter::~TQtPrinter() { Abort(); }

void TQtPrinter::ApplySheetSize() {
  if (SheetSize) printer_.setPageSize(SheetSize(sheet_));
}

void TQtPrinter::BeginDoc(const std::string& title) {
  if (painter_) throw Exception("Printing in progress");
  sheet_ = 0;
  ApplySheetSize();
  printer_.setDocName(QString::fromStdString(title));
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(&printer_)) throw Exception("Printer refused the job");
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  painter_ = std::move(painter);
}

void TQtPrinter::EndDoc() {
  if (!painter_) throw Exception("Printer is not printing");
  const bool finished = painter_->end();
  painter_.reset();
  if (!finished) throw Exception("Printer could not finish the job");
}

void TQtPrinter::Abort() {
  if (!painter_) return;
  printer_.abort();
  painter_->end();
  painter_.reset();
}

void TQtPrinter::NewPage() {
  if (!painter_) throw Exception("Printer is not printing");
  ++sheet_;
  ApplySheetSize();
  if (!printer_.newPage()) throw Exception("Printer could not start a new sheet");
}

void TQtPrinter::StretchBand(const TRect& device, const TBitmap32& band) {
  if (!painter_) throw Exception("Printer is not printing");
  if (band.Empty() || device.Width() <= 0 || device.Height() <= 0) return;
  // The surface's pixels are 0xAARRGGBB words, rows top to bottom; the band's colours are copied
  // without blending, so its alpha is ignored.
  const QImage image(reinterpret_cast<const uchar*>(band.Bits()), band.Width(), band.Height(),
                     static_cast<qsizetype>(band.Width()) * 4, QImage::Format_RGB32);
  painter_->drawImage(QRect(device.Left, device.Top, device.Width(), device.Height()), image);
}

int TQtPrinter::PageWidth() const { return printer_.pageLayout().paintRectPixels(printer_.resolution()).width(); }

int TQtPrinter::PageHeight() const { return printer_.pageLayout().paintRectPixels(printer_.resolution()).height(); }

int TQtPrinter::PhysicalWidth() const { return printer_.pageLayout().fullRectPixels(printer_.resolution()).width(); }

int TQtPrinter::PhysicalHeight() const {
  return printer_.pageLayout().fullRectPixels(printer_.resolution()).height();
}

int TQtPrinter::PhysicalOffsetX() const {
  return printer_.fullPage() ? 0 : printer_.pageLayout().paintRectPixels(printer_.resolution()).left();
}

int TQtPrinter::PhysicalOffsetY() const {
  return printer_.fullPage() ? 0 : printer_.pageLayout().paintRectPixels(printer_.resolution()).top();
}

int TQtPrinter::DpiX() const { return printer_.resolution(); }

int TQtPrinter::DpiY() const { return printer_.resolution(); }

}  // namespace kivrano
