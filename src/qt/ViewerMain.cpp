// kivrano-viewer: shows a drill page built in code in the Qt view, to look at the view and edit the
// page with the mouse under a real window system. "--grab FILE.png" saves the window's picture once
// it is shown and quits; "--picture FILE" places a picture file (a metafile for ".emf") on the page,
// turned a little.

#include <QApplication>
#include <QTimer>
#include <memory>
#include <string>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "qt/QtViewHost.h"
#include "shapes/dtpBitmapShape.h"
#include "shapes/dtpExposedMetafile.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpLineShape.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpShapeClasses.h"
#include "shapes/dtpTextShape.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpResource.h"

namespace {

using namespace kivrano;

constexpr TColor kGrass = 0x2E8B3A;
constexpr TColor kWhite = 0xFFFFFF;

// A figure of the standard classes, filled and outlined, so that copies paste back by class name.
template <typename Figure>
std::unique_ptr<Figure> MakeFigure(TColor fill, TColor outline, float outlineWidth) {
  auto figure = std::make_unique<Figure>();
  figure->SetFillColor(fill);
  figure->SetOutlineColor(outline);
  figure->SetOutlineWidth(outlineWidth);
  return figure;
}

void BuildPage(TdtpDocument& doc) {
  doc.SetPageWidth(297);
  doc.SetPageHeight(210);
  doc.SetHelperMethod(hmGrid);
  doc.LockUndo();
  auto add = [&doc](std::unique_ptr<TdtpShape> s, float l, float t, float w, float h, float angle = 0) {
    s->SetBoundsAndAngle(l, t, w, h, angle);
    doc.AddShape(std::move(s));
  };
  // A half pitch: grass, touch lines and the centre circle.
  add(MakeFigure<TdtpRectangleShape>(kGrass, kWhite, 0.8f), 20, 20, 257, 170);
  add(MakeFigure<TdtpEllipseShape>(kGrass, kWhite, 0.8f), 123, 80, 50, 50);
  // Two teams of players and a row of cones.
  for (int i = 0; i < 6; ++i) {
    add(MakeFigure<TdtpEllipseShape>(0xC04000, kWhite, 0.5f), 45 + 35 * i, 45 + (i % 2) * 15, 10, 10);
    add(MakeFigure<TdtpEllipseShape>(0x0060E0, 0x202020, 0.5f), 50 + 35 * i, 145 - (i % 2) * 15, 10, 10);
  }
  for (int i = 0; i < 5; ++i) add(MakeFigure<TdtpDrieHShape>(0x00A0FF, 0x004080, 0.3f), 60 + 40 * i, 105, 7, 7);
  // Passing lanes: a turned block and an arrow.
  add(MakeFigure<TdtpRectangleShape>(0x40C0F0, 0x202020, 0.4f), 215, 95, 30, 12, 30);
  auto arrow = std::make_unique<TdtpLineShape>();
  arrow->SetFillColor(0xF0F0F0);
  arrow->SetLineWidth(0.8f);
  arrow->SetPoint(0, TFloatPoint{55, 75});
  arrow->SetPoint(1, TFloatPoint{130, 135});
  arrow->Arrows(1)->SetStyle(Arrow);
  doc.AddShape(std::move(arrow));
  // A title and a memo, edited in place after a double click.
  auto title = std::make_unique<TdtpTextShape>();
  title->SetText("Oefening 1: passen");
  title->SetFontColor(0xFFFFFF);
  title->SetPosition(25, 22);
  doc.AddShape(std::move(title));
  auto memo = std::make_unique<TdtpMemoShape>();
  memo->SetBounds(225, 25, 45, 10);
  memo->SetFontHeight(3.5f);
  memo->SetFontColor(0xFFFFFF);
  memo->SetText("Speler A speelt naar B, B kaatst terug en A loopt door naar de volgende kegel.");
  doc.AddShape(std::move(memo));
  doc.UnlockUndo();
}

// Picture files placed with --picture: sized from the picture, turned by 15 degrees.
template <typename Shape>
void AddPicture(TdtpDocument& doc, const std::string& path) {
  auto shape = std::make_unique<Shape>();
  shape->SetBounds(200, 20, 0, 0);
  shape->Resource().LoadFromFile(path);
  shape->SetAngleAroundCenter(15);
  doc.LockUndo();
  doc.AddShape(std::move(shape));
  doc.UnlockUndo();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  RegisterStandardShapeClasses();
  TdtpDocument doc;
  BuildPage(doc);
  const QStringList options = app.arguments();
  for (qsizetype i = options.indexOf("--picture"); i >= 0 && i + 1 < options.size();
       i = options.indexOf("--picture", i + 2)) {
    const std::string path = options[i + 1].toStdString();
    if (LowerCaseExtension(path) == ".emf") {
      AddPicture<TdtpExposedMetafile>(doc, path);
    } else {
      AddPicture<TdtpBitmapShape>(doc, path);
    }
  }
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
