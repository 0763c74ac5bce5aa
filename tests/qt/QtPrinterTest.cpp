// The Qt printer on a PDF QPrinter: device geometry with and without margins, the sheet sizes chosen
// per sheet, and the job's state and failures.

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include "base/Exception.h"
#include "qt/QtPrinter.h"
#include "raster/Bitmap32.h"

using namespace kivrano;

namespace {

// Qt keeps margins in whole points: a point is about 4 pixels at 300 dots per inch.
bool Near(int actual, int expected) { return actual >= expected - 5 && actual <= expected + 5; }

}  // namespace

class QtPrinterTest : public QObject {
  Q_OBJECT

 private slots:
  void GeometryFollowsThePaperAndItsMargins() {
    QPrinter qprinter(QPrinter::HighResolution);
    qprinter.setOutputFormat(QPrinter::PdfFormat);
    qprinter.setResolution(300);
    qprinter.setPageSize(QPageSize(QPageSize::A4));
    qprinter.setPageMargins(QMarginsF(10, 15, 20, 25), QPageLayout::Millimeter);
    TQtPrinter printer(qprinter);
    QCOMPARE(printer.DpiX(), 300);
    // Qt's A4 is 595 x 842 points.
    QCOMPARE(printer.PhysicalWidth(), 2479);
    QCOMPARE(printer.PhysicalHeight(), 3508);
    QVERIFY(Near(printer.PhysicalOffsetX(), 118));  // 10 mm
    QVERIFY(Near(printer.PhysicalOffsetY(), 177));  // 15 mm
    QVERIFY(Near(printer.PageWidth(), 2479 - 118 - 236));
    QVERIFY(Near(printer.PageHeight(), 3508 - 177 - 295));
    qprinter.setFullPage(true);
    QCOMPARE(printer.PhysicalOffsetX(), 0);
    QCOMPARE(printer.PhysicalOffsetY(), 0);
  }

  void EachSheetGetsItsChosenSize() {
    QTemporaryDir dir;
    const QString file = dir.filePath("sheets.pdf");
    QPrinter qprinter(QPrinter::HighResolution);
    qprinter.setOutputFormat(QPrinter::PdfFormat);
    qprinter.setOutputFileName(file);
    qprinter.setResolution(100);
    qprinter.setFullPage(true);
    TQtPrinter printer(qprinter);
    printer.SheetSize = [](int sheet) {
      return sheet == 0 ? QPageSize(QPageSize::A4) : QPageSize(QSizeF(400, 300), QPageSize::Millimeter);
    };
    TBitmap32 band;
    band.SetSize(10, 10);
    band.Clear(0xFFFF0000);
    printer.BeginDoc("sheets");
    QVERIFY(printer.Printing());
    QCOMPARE(printer.PhysicalWidth(), 826);  // 595 points at 100 dots per inch
    printer.StretchBand(TRect{0, 0, 100, 100}, band);
    printer.NewPage();
    QCOMPARE(printer.PhysicalWidth(), 1575);  // 400 mm
    QCOMPARE(printer.PhysicalHeight(), 1181);
    printer.StretchBand(TRect{0, 0, 100, 100}, band);
    printer.EndDoc();
    QVERIFY(!printer.Printing());
    QFile pdf(file);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
  }

  void JobStateIsChecked() {
    QTemporaryDir dir;
    QPrinter qprinter(QPrinter::HighResolution);
    qprinter.setOutputFormat(QPrinter::PdfFormat);
    qprinter.setOutputFileName(dir.filePath("state.pdf"));
    TQtPrinter printer(qprinter);
    TBitmap32 band;
    band.SetSize(4, 4);
    QVERIFY_THROWS_EXCEPTION(Exception, printer.NewPage());
    QVERIFY_THROWS_EXCEPTION(Exception, printer.StretchBand(TRect{0, 0, 4, 4}, band));
    QVERIFY_THROWS_EXCEPTION(Exception, printer.EndDoc());
    printer.BeginDoc("state");
    QVERIFY_THROWS_EXCEPTION(Exception, printer.BeginDoc("again"));
    printer.Abort();
    QVERIFY(!printer.Printing());
    printer.Abort();  // nothing without a job

    QPrinter unwritable(QPrinter::HighResolution);
    unwritable.setOutputFormat(QPrinter::PdfFormat);
    unwritable.setOutputFileName(dir.filePath("no/such/folder/x.pdf"));
    TQtPrinter refused(unwritable);
    QVERIFY_THROWS_EXCEPTION(Exception, refused.BeginDoc("refused"));
    QVERIFY(!refused.Printing());
  }
};

QTEST_MAIN(QtPrinterTest)
#include "QtPrinterTest.moc"
