// kivrano-viewer: shows a page built in code in the Qt view, to look at the view under a real
// window system. "--grab FILE.png" saves the window's picture once it is shown and quits.

#include <QApplication>
#include <QTimer>
#include <memory>
#include <string>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "qt/QtViewHost.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpTextShape.h"

namespace {

using namespace kivrano;

// A filled ellipse with a label, drawn with the canvas.
class TLabelledDisc : public TdtpShape {
 public:
  TLabelledDisc(TColor color, std::string label) : color_(color), label_(std::move(label)) {}
  void PaintCanvas(TCanvas& canvas) override {
    canvas.Pen().SetColor(clBlack);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color_);
    canvas.Ellipse(PaintLeft(), PaintTop(), PaintRight(), PaintBottom());
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().SetColor(clWhite);
    const TSize size = canvas.TextExtent(label_);
    canvas.TextOut((PaintLeft() + PaintRight() - size.cx) / 2, (PaintTop() + PaintBottom() - size.cy) / 2, label_);
  }

 private:
  TColor color_;
  std::string label_;
};

// A two-colour block painted on the image: turned, mirrored or transparent it shows how.
class TBlock : public TdtpShape {
 public:
  void PaintBitmap(TBitmap32& bitmap) override {
    const int mid = RoundToInt(LocalToPaint(TFloatPoint{DocWidth() / 2, 0}).X);
    bitmap.FillRectClipped(PaintLeft(), PaintTop(), mid, PaintBottom(), 0xFF2E7D32);
    bitmap.FillRectClipped(mid, PaintTop(), PaintRight(), PaintBottom(), 0xFFF9A825);
  }
};

void BuildPage(TdtpDocument& doc) {
  doc.SetPageWidth(297);
  doc.SetPageHeight(210);
  doc.SetHelperMethod(hmGrid);
  doc.LockUndo();
  auto add = [&doc](std::unique_ptr<TdtpShape> s, float l, float t, float w, float h, float angle, int alpha) {
    s->SetSmartHitTest(false);
    s->SetBoundsAndAngle(l, t, w, h, angle);
    s->SetMasterAlpha(alpha);
    doc.AddShape(std::move(s));
  };
  for (int i = 0; i < 11; ++i) {
    add(std::make_unique<TLabelledDisc>(0x0000C0, std::to_string(i + 1)), 30 + 20 * i, 40 + (i % 3) * 15, 10, 10, 0, 255);
    add(std::make_unique<TLabelledDisc>(0xC06000, std::to_string(i + 1)), 30 + 20 * i, 130 + (i % 3) * 15, 10, 10, 0, 255);
  }
  for (int i = 0; i < 6; ++i) add(std::make_unique<TBlock>(), 40 + 40 * i, 95, 24, 12, 30.0f * i, i == 5 ? 128 : 255);
  // A text and a memo, edited in place after a double click.
  auto title = std::make_unique<TdtpTextShape>();
  title->SetText("Oefening 1: passen");
  title->SetFontColor(0x800000);
  title->SetPosition(30, 12);
  doc.AddShape(std::move(title));
  auto memo = std::make_unique<TdtpMemoShape>();
  memo->SetBounds(240, 30, 45, 10);
  memo->SetFontHeight(3.5f);
  memo->SetText("Speler A speelt naar B, B kaatst terug en A loopt door naar de volgende kegel.");
  doc.AddShape(std::move(memo));
  doc.UnlockUndo();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TdtpDocument doc;
  BuildPage(doc);
  TQtViewHost view;
  view.setWindowTitle("Kivrano viewer");
  view.resize(1000, 720);
  view.SetDocument(&doc);
  view.show();
  const QStringList args = app.arguments();
  const qsizetype grab = args.indexOf("--grab");
  if (grab >= 0 && grab + 1 < args.size()) {
    const QString path = args[grab + 1];
    QTimer::singleShot(500, &view, [&view, path] {
      view.grab().save(path);
      QApplication::quit();
    });
  }
  const int rc = app.exec();
  view.SetDocument(nullptr);
  return rc;
}
