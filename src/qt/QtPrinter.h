#pragma once

// The printer of the program on a QPrinter: a system printer chosen in the print dialog, or a PDF
// file (QPrinter::PdfFormat). Bands are drawn with a smooth (filtered) transform.

#include <QPageSize>
#include <functional>
#include <memory>

#include "platform/Printer.h"

class QPainter;
class QPrinter;

namespace kivrano {

class TQtPrinter : public IPrinter {
 public:
  // The QPrinter is not owned and must outlive this object.
  explicit TQtPrinter(QPrinter& printer);
  ~TQtPrinter() override;

  void BeginDoc(const std::string& title) override;
  void EndDoc() override;
  void Abort() override;
  void NewPage() override;
  bool Printing() const override { return painter_ != nullptr; }
  void StretchBand(const TRect& device, const TBitmap32& band) override;

  int PageWidth() const override;
  int PageHeight() const override;
  int PhysicalWidth() const override;
  int PhysicalHeight() const override;
  int PhysicalOffsetX() const override;
  int PhysicalOffsetY() const override;
  int DpiX() const override;
  int DpiY() const override;

  // Chooses the paper of each sheet (0-based) before it starts; unset keeps the printer's paper.
  std::function<QPageSize(int sheet)> SheetSize;

 private:
  void ApplySheetSize();

  QPrinter& printer_;
  std::unique_ptr<QPainter> painter_;
  int sheet_ = 0;
};

}  // namespace kivrano
