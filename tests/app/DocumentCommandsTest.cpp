// The document commands of the main window: files, pages, clipboard and undo, the position fields,
// and the questions around them answered through the dialog interface.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

#include "EditorTestSupport.h"
#include "app/EditorSettings.h"
#include "engine/dtpPage.h"
#include "qt/QtViewHost.h"
#include "shapes/dtpBitmapShape.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpLineShape.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpTextShape.h"
#include "storage/PngCodec.h"

using namespace kivrano;
using namespace kivrano::test;

namespace {

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class DocumentCommandsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TEditorFixture> fx;

  QString DataPath(const QString& name) const { return fx->data.filePath(name); }
  // Saves the current drawing under name through Save As.
  std::string SaveAs(const QString& name) {
    fx->dialogs.AnswerFile(DataPath(name).toStdString());
    fx->Trigger("SaveAs1");
    return fx->Form().CurrentFileName();
  }
  QLineEdit* Field(int i) { return fx->Form().findChild<QLineEdit*>(QString("Edit%1").arg(i)); }
  void Type(int field, const QString& text) {
    QLineEdit* edit = Field(field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

 private slots:
  void init() {
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Belgium));
    fx = std::make_unique<TEditorFixture>();
    fx->Start();
  }
  void cleanup() { fx.reset(); }

  // ---- pages ----

  void pageCommandsKeepTheLabelCurrent() {
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 1"));
    fx->Trigger("Addnewpageatend2");
    fx->Trigger("Addnewpageatend2");
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 3 van 3"));
    fx->View().SetCurrentPageIndex(0);
    fx->Trigger("Addnewpageatend2");
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 2 van 4"));
    fx->Trigger("kl19");
    fx->Trigger("kl19");
    fx->Trigger("NextPage1");
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 4 van 4"));
    for (int i = 0; i < 4; ++i) fx->Trigger("PreviousPage1");
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 4"));
    // Paging done elsewhere is shown by the next command, even one that changes nothing.
    fx->View().SetCurrentPageIndex(2);
    fx->Trigger("kl18");
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 2 van 4"));
  }

  void insertedPageTakesTheCurrentPlace() {
    TdtpPage* first = fx->View().Pages(0);
    fx->Trigger("Insertpagehere1");
    QCOMPARE(fx->View().PageCount(), 2);
    QCOMPARE(fx->View().CurrentPageIndex(), 0);
    QCOMPARE(fx->View().Pages(1), first);
    QCOMPARE(fx->View().PageWidth(), 210.0f);
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 2"));
  }

  void deletePageAsksFirst() {
    fx->Trigger("Addnewpageatend2");
    fx->dialogs.Answer(mrNo);
    fx->Trigger("DeletePage1");
    QCOMPARE(fx->View().PageCount(), 2);
    const auto& question = fx->dialogs.Shown().back();
    QCOMPARE(question.Caption, std::string("Bevestigen"));
    QCOMPARE(question.Text, std::string("Bent u zeker dat u deze pagina wilt verwijderen?"));
    QCOMPARE(question.Buttons, MsgButtons({mbYes, mbNo}));
    fx->dialogs.Answer(mrYes);
    fx->Trigger("DeletePage1");
    QCOMPARE(fx->View().PageCount(), 1);
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 1"));
  }

  // The drawing always keeps a page to draw on.
  void deletingTheOnlyPageLeavesAnEmptyPage() {
    fx->AddSelectedRectangle(20, 20, 30, 20);
    fx->dialogs.Answer(mrYes);
    fx->Trigger("DeletePage1");
    QCOMPARE(fx->View().PageCount(), 1);
    QVERIFY(fx->View().CurrentPage() != nullptr);
    QCOMPARE(fx->View().ShapeCount(), 0);
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 1"));
  }

  // ---- saving ----

  void firstSaveProposesTheDrawingsFolderInTheUsersData() {
    const QString folder = DataPath("tekeningen");
    QVERIFY(!QFileInfo::exists(folder));
    fx->Trigger("KL4");
    QVERIFY(QFileInfo(folder).isDir());
    const TFileDialogOptions& shown = fx->dialogs.ShownFileDialogs().back();
    QCOMPARE(QString::fromStdString(shown.FileName), folder + "/test");
    QCOMPARE(shown.Filter, std::string("Tekeningen|*.hsf"));
    QCOMPARE(shown.DefaultExt, std::string("hsf"));
    // Cancelled: nothing saved, the next Save asks again.
    QVERIFY(fx->Form().CurrentFileName().empty());
    QVERIFY(QDir(folder).isEmpty());
    fx->dialogs.AnswerFile((folder + "/oefening").toStdString());
    fx->Trigger("Save1");
    QCOMPARE(QString::fromStdString(fx->Form().CurrentFileName()), folder + "/oefening.hsf");
    QVERIFY(QFileInfo::exists(folder + "/oefening.hsf"));
    // Saved once, Save writes to the same file without a dialog.
    const size_t dialogsShown = fx->dialogs.ShownFileDialogs().size();
    fx->AddSelectedRectangle(10, 10, 20, 20);
    fx->Trigger("Save1");
    QCOMPARE(fx->dialogs.ShownFileDialogs().size(), dialogsShown);
  }

  void overwriteQuestionGuardsAnExistingFile_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("Save, No") << "Save1" << "Wilt u dit bestand overschrijven?" << int(mrNo) << false;
    QTest::newRow("Save, Cancel") << "Save1" << "Wilt u dit bestand overschrijven?" << int(mrCancel) << false;
    QTest::newRow("Save, Yes") << "Save1" << "Wilt u dit bestand overschrijven?" << int(mrYes) << true;
    QTest::newRow("Save as, No") << "SaveAs1" << "Wilt u dit bestand overschrijven?" << int(mrNo) << false;
    QTest::newRow("Save as, Yes") << "SaveAs1" << "Wilt u dit bestand overschrijven?" << int(mrYes) << true;
  }
  void overwriteQuestionGuardsAnExistingFile() {
    QFETCH(QString, command);
    QFETCH(QString, question);
    QFETCH(int, answer);
    QFETCH(bool, written);
    const QString path = DataPath("bestaand.hsf");
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("old");
    }
    fx->dialogs.AnswerFile(path.toStdString());
    fx->dialogs.Answer(answer);
    fx->Trigger(command.toUtf8().constData());
    const auto& shown = fx->dialogs.Shown().back();
    QCOMPARE(QString::fromStdString(shown.Text), question);
    QCOMPARE(shown.DefaultButton, mbNo);
    QCOMPARE(shown.Buttons, MsgButtons({mbYes, mbNo, mbCancel}));
    QCOMPARE(FileBytes(path) != QByteArray("old"), written);
    QCOMPARE(fx->Form().CurrentFileName(), written ? path.toStdString() : std::string());
  }

  void failedSaveIsReportedAndKeepsTheName() {
    const std::string saved = SaveAs("eerste.hsf");
    QVERIFY(!saved.empty());
    fx->dialogs.AnswerFile(DataPath("geen/map/hier.hsf").toStdString());
    fx->Trigger("SaveAs1");
    QCOMPARE(fx->dialogs.Shown().back().Type, mtError);
    QCOMPARE(fx->Form().CurrentFileName(), saved);
  }

  // ---- new and open ----

  void newAsksAboutChangesAndKeepsTheDrawingWhenTheSaveIsCancelled() {
    fx->AddSelectedRectangle(20, 20, 30, 20);
    QVERIFY(fx->View().Modified());
    // Yes, then the save dialog cancelled: the drawing stays.
    fx->dialogs.Answer(mrYes);
    fx->Trigger("New1");
    QCOMPARE(fx->dialogs.Shown().back().Text, std::string("Wilt u eerst de wijzigingen opslaan?"));
    QCOMPARE(fx->View().ShapeCount(), 1);
    // Cancel: the drawing stays.
    fx->dialogs.Answer(mrCancel);
    fx->Trigger("KL2");
    QCOMPARE(fx->View().ShapeCount(), 1);
    // No: a new drawing.
    fx->dialogs.Answer(mrNo);
    fx->Trigger("New1");
    QCOMPARE(fx->View().ShapeCount(), 0);
    QCOMPARE(fx->Form().ClickCount(), 0);
    QCOMPARE(fx->View().ZoomPercent(), 100.0f);
  }

  void newAfterYesSavesThenStartsAfresh() {
    SaveAs("oud.hsf");
    fx->AddSelectedRectangle(20, 20, 30, 20);
    fx->dialogs.Answer(mrYes);
    fx->Trigger("New1");
    QCOMPARE(fx->View().ShapeCount(), 0);
    QVERIFY(fx->Form().CurrentFileName().empty());
    fx->dialogs.AnswerFile(DataPath("oud.hsf").toStdString());
    fx->Trigger("Open1");
    QCOMPARE(fx->View().ShapeCount(), 1);
  }

  // Print quality and undo past saving are the editor's, not the drawing's: New and Open keep them,
  // New keeps the render resolution too.
  void newAndOpenKeepTheEditorsViewSettings() {
    const std::string saved = SaveAs("instelling.hsf");
    fx->View().SetPrintQuality(pqMedium);
    fx->View().SetRenderDPI(200);
    fx->Trigger("New1");
    QCOMPARE(fx->View().PrintQuality(), pqMedium);
    QVERIFY(fx->View().UndoPastSave());
    QVERIFY(std::abs(fx->View().RenderDPI() - 200.0f) < 0.01f);
    QCOMPARE(fx->View().HelperMethod(), hmGrid);
    QVERIFY(!fx->View().Modified());
    fx->dialogs.AnswerFile(saved);
    fx->Trigger("Open1");
    QCOMPARE(fx->View().PrintQuality(), pqMedium);
    QVERIFY(fx->View().UndoPastSave());
  }

  void openLoadsTheDrawingAndTakesItsName() {
    fx->Trigger("Addnewpageatend2");
    fx->AddSelectedRectangle(20, 20, 30, 20);
    const std::string saved = SaveAs("twee.hsf");
    fx->dialogs.Answer(mrNo);
    fx->Trigger("New1");
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 1"));
    fx->dialogs.AnswerFile(saved);
    fx->Trigger("KL3");
    QCOMPARE(fx->dialogs.ShownFileDialogs().back().Title, std::string("Open een tekening"));
    QCOMPARE(fx->Form().CurrentFileName(), saved);
    QCOMPARE(fx->View().PageCount(), 2);
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 2"));
  }

  void openOfADamagedFileIsSilentAndKeepsTheName() {
    const std::string saved = SaveAs("goed.hsf");
    const QString damaged = DataPath("kapot.hsf");
    {
      QFile file(damaged);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("not a drawing at all");
    }
    const size_t messages = fx->dialogs.Shown().size();
    fx->dialogs.AnswerFile(damaged.toStdString());
    fx->Trigger("Open1");
    QCOMPARE(fx->dialogs.Shown().size(), messages);
    QCOMPARE(fx->Form().CurrentFileName(), saved);
  }

  // Opening over unsaved changes asks as New does; Cancel keeps the drawing.
  void openAsksAboutChanges() {
    const std::string saved = SaveAs("leeg.hsf");
    fx->AddSelectedRectangle(20, 20, 30, 20);
    fx->dialogs.AnswerFile(saved);
    fx->dialogs.Answer(mrCancel);
    fx->Trigger("Open1");
    QCOMPARE(fx->View().ShapeCount(), 1);
    fx->dialogs.AnswerFile(saved);
    fx->dialogs.Answer(mrNo);
    fx->Trigger("Open1");
    QCOMPARE(fx->View().ShapeCount(), 0);
  }

  // ---- closing ----

  void closingAsksOnceTheDrawingChanged() {
    fx->Form().SetDrawingChanged();
    // Yes, then the save dialog cancelled: the window stays open with its drawing.
    fx->dialogs.Answer(mrYes);
    QVERIFY(!fx->Form().close());
    QCOMPARE(fx->dialogs.Shown().back().Text, std::string("Wilt u eerst de wijzigingen opslaan?"));
    fx->dialogs.Answer(mrCancel);
    QVERIFY(!fx->Form().close());
    // Saved: closing still asks, and Yes saves again to the same file.
    SaveAs("klaar.hsf");
    const size_t asked = fx->dialogs.Shown().size();
    fx->dialogs.Answer(mrYes);
    QVERIFY(fx->Form().close());
    QCOMPARE(fx->dialogs.Shown().size(), asked + 1);
    QCOMPARE(fx->settings.ReadString(kProgramGroup, kFolderKey, ""), std::string("tekeningen"));
  }

  void unchangedDrawingClosesWithoutAQuestion() {
    QVERIFY(fx->Form().close());
    QVERIFY(fx->dialogs.Shown().empty());
  }

  // ---- command line ----

  void commandLineOpensTheDrawing() {
    fx->Trigger("Addnewpageatend2");
    const std::string saved = SaveAs("start.hsf");
    TEditorEnvironment env = fx->Environment();
    env.DocumentPath = saved;
    fx->Start(env);
    QCOMPARE(fx->View().PageCount(), 2);
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 2"));
    // The first Save still asks for a name.
    QVERIFY(fx->Form().CurrentFileName().empty());
  }

  void commandLineDrawingThatFailsIsShownAndStartUpGoesOn() {
    fx->dialogs.Reset();
    TEditorEnvironment env = fx->Environment();
    env.DocumentPath = DataPath("bestaat-niet.hsf").toStdString();
    fx->Start(env);
    QCOMPARE(fx->dialogs.Shown().size(), size_t{1});
    QCOMPARE(fx->dialogs.Shown()[0].Type, mtError);
    QCOMPARE(fx->View().PageCount(), 1);
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 1"));
  }

  // ---- editing commands ----

  void clipboardUndoAndStackingGoToTheView() {
    TdtpShape* first = fx->AddSelectedRectangle(20, 20, 30, 20);
    fx->AddSelectedRectangle(60, 20, 30, 20);
    fx->View().ClearSelection();
    fx->View().ToggleSelection(first);
    fx->Trigger("kl21");
    QCOMPARE(fx->View().Shapes(1), first);
    fx->Trigger("MoveBack1");
    QCOMPARE(fx->View().Shapes(0), first);
    fx->Trigger("Copy1");
    fx->Trigger("kl11");
    QCOMPARE(fx->View().ShapeCount(), 3);
    fx->Trigger("Undo1");
    QCOMPARE(fx->View().ShapeCount(), 2);
    fx->Trigger("kl17");
    QCOMPARE(fx->View().ShapeCount(), 3);
    fx->View().ClearSelection();
    for (int i = 0; i < 3; ++i) fx->View().ToggleSelection(fx->View().Shapes(i));
    fx->Trigger("kl23");
    QCOMPARE(fx->View().ShapeCount(), 1);
    fx->Trigger("Ungroup1");
    QCOMPARE(fx->View().ShapeCount(), 3);
    fx->Trigger("kl8");
    QCOMPARE(fx->View().ShapeCount(), 0);
  }

  // Failures of these commands pass without a message.
  void swallowedCommandsShowNothing() {
    for (const char* name : {"Undo1", "Redo1", "Cut1", "Copy1", "Paste1", "Verwijderen1", "MoveBack1", "MoveFwd1",
                             "ToBkgnd1", "ToFgnd1", "Group1", "Ungroup1"}) {
      fx->Trigger(name);
    }
    QVERIFY(fx->dialogs.Shown().empty());
  }

  void alignButtonsLineUpTheSelection() {
    fx->AddSelectedRectangle(20, 20, 30, 20);
    TdtpShape* second = fx->AddSelectedRectangle(60, 40, 10, 10);
    fx->View().ToggleSelection(fx->View().Shapes(0));
    fx->Trigger("alignleft");
    QCOMPARE(second->BoundsLeft(), 20.0f);
    fx->Trigger("alignbottom");
    QCOMPARE(second->BoundsBottom(), 50.0f);
  }

  void zoomCommands() {
    fx->Trigger("kl12");
    QVERIFY(std::abs(fx->View().ZoomPercent() - 110.0f) < 0.01f);
    fx->Trigger("Zoomuit1");
    QVERIFY(std::abs(fx->View().ZoomPercent() - 100.0f) < 0.01f);
    fx->Trigger("kl15");
    QCOMPARE(fx->View().ZoomPercent(), 100.0f);
  }

  // ---- position fields ----

  void fieldsShowTheReportedShapeInTheUsersFormat() {
    TdtpShape* shape = fx->AddSelectedRectangle(1012.5f, 20, 30.25f, 20);
    fx->View().ShapeChanged(shape);
    QCOMPARE(Field(1)->text(), QString("1.012,50"));
    QCOMPARE(Field(5)->text(), QString("30,25"));
    QCOMPARE(Field(7)->text(), QString("TdtpRectangleShape"));
    QCOMPARE(Field(9)->text(), QString("0"));
  }

  void typedValuesMoveAndSizeTheFirstSelectedShape_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRectF>("bounds");
    const QRectF unchanged(20, 30, 40, 10);
    QTest::newRow("left, decimal comma") << 1 << "12,5" << QRectF(12.5, 30, 40, 10);
    QTest::newRow("left, decimal point") << 1 << "12.5" << QRectF(12.5, 30, 40, 10);
    QTest::newRow("right") << 2 << "100" << QRectF(60, 30, 40, 10);
    QTest::newRow("top") << 3 << "5,25" << QRectF(20, 5.25, 40, 10);
    QTest::newRow("bottom") << 4 << "50" << QRectF(20, 40, 40, 10);
    QTest::newRow("width with height") << 5 << "25" << QRectF(20, 30, 25, 10);
    QTest::newRow("height with width") << 6 << "12,5" << QRectF(20, 30, 40, 12.5);
    QTest::newRow("not a number") << 1 << "abc" << unchanged;
    QTest::newRow("empty") << 3 << "" << unchanged;
  }
  void typedValuesMoveAndSizeTheFirstSelectedShape() {
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QRectF, bounds);
    TdtpShape* shape = fx->AddSelectedRectangle(20, 30, 40, 10);
    fx->View().ShapeChanged(shape);
    Type(field, text);
    const TFloatRect r = shape->GetBoundsRect();
    QCOMPARE(QRectF(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), bounds);
    QVERIFY(fx->dialogs.Shown().empty());
  }

  void typedValueWithoutSelectionChangesNothing() {
    TdtpShape* shape = fx->AddSelectedRectangle(20, 30, 40, 10);
    fx->View().ShapeChanged(shape);
    fx->View().ClearSelection();
    Type(1, "5");
    QCOMPARE(shape->BoundsLeft(), 20.0f);
  }

  // A drill page of figures, lines, texts and a picture comes back from its file as it was saved. With
  // KIVRANO_SAMPLE_DIR set, the drawing is also kept there as "drill.hsf" to look at in the editor.
  void drillPageSurvivesSaveAndOpen() {
    TdtpComponent& doc = fx->View();
    doc.SetPageWidth(297);
    doc.SetPageHeight(210);
    auto add = [&doc](std::unique_ptr<TdtpShape> shape, float l, float t, float w, float h, const char* name) {
      shape->SetBounds(l, t, w, h);
      shape->SetName(name);
      doc.AddShape(std::move(shape));
    };
    auto field = std::make_unique<TdtpRectangleShape>();
    field->SetFillColor(0x32A02E);
    field->SetOutlineColor(0xFFFFFF);
    field->SetOutlineWidth(0.8f);
    add(std::move(field), 20, 20, 257, 170, "T1");
    const TColor kits[] = {0x2020D0, 0xD07020};
    for (int i = 0; i < 8; ++i) {
      auto player = std::make_unique<TdtpEllipseShape>();
      player->SetFillColor(kits[i % 2]);
      add(std::move(player), 50 + 25 * i, 60 + 30 * (i % 3), 8, 8, "S");
    }
    auto cone = std::make_unique<TdtpDrieHShape>();
    cone->SetFillColor(0x00A5FF);
    add(std::move(cone), 140, 150, 7, 7, "K");
    auto line = [&doc](std::unique_ptr<TdtpLineShape> shape, TFloatPoint from, TFloatPoint to) {
      shape->SetPoint(0, from);
      shape->SetPoint(1, to);
      shape->SetLineWidth(0.7f);
      shape->Arrows(1)->SetStyle(Arrow);
      shape->SetName("L");
      doc.AddShape(std::move(shape));
    };
    line(std::make_unique<TdtpLineShape>(), {60, 70}, {170, 120});
    line(std::make_unique<TdtpLineShape2>(), {90, 160}, {230, 60});
    auto title = std::make_unique<TdtpTextShape>();
    title->SetText("Positiespel 4 tegen 2");
    title->SetFontHeight(7);
    title->SetFontColor(0xFFFFFF);
    title->SetDocLeft(30);
    title->SetDocTop(25);
    doc.AddShape(std::move(title));
    auto memo = std::make_unique<TdtpMemoShape>();
    memo->SetBounds(200, 150, 70, 20);
    memo->SetLines({"Twee toetsen balbezit,", "daarna snel omschakelen naar het doel."});
    memo->SetFontColor(0xFFFFFF);
    doc.AddShape(std::move(memo));
    // A picture with a transparent corner: a small goal drawn in code.
    std::vector<uint32_t> pixels(60 * 40, 0xFFFFFFFF);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 60; ++x) {
        if (x < 4 || x >= 56 || y < 4) pixels[static_cast<size_t>(y) * 60 + x] = 0xFFD02020;
        if (x > 48 && y > 32) pixels[static_cast<size_t>(y) * 60 + x] = 0;
      }
    }
    const std::vector<uint8_t> png = EncodePng(TPixelView{pixels.data(), 60, 40});
    QFile pictureFile(DataPath("goal.png"));
    QVERIFY(pictureFile.open(QIODevice::WriteOnly));
    pictureFile.write(reinterpret_cast<const char*>(png.data()), static_cast<qint64>(png.size()));
    pictureFile.close();
    auto picture = std::make_unique<TdtpBitmapShape>();
    picture->SetBounds(240, 95, 0, 0);
    picture->Resource().LoadFromFile(DataPath("goal.png").toStdString());
    doc.AddShape(std::move(picture));
    const int shapes = doc.ShapeCount();
    const std::string saved = SaveAs("drill.hsf");
    QVERIFY(!saved.empty());
    if (const QByteArray dir = qgetenv("KIVRANO_SAMPLE_DIR"); !dir.isEmpty()) {
      QFile::remove(QString(dir) + "/drill.hsf");
      QVERIFY(QFile::copy(QString::fromStdString(saved), QString(dir) + "/drill.hsf"));
    }
    fx->dialogs.Answer(mrNo);
    fx->Trigger("New1");
    fx->dialogs.AnswerFile(saved);
    fx->Trigger("Open1");
    QCOMPARE(doc.ShapeCount(), shapes);
    QCOMPARE(doc.PageWidth(), 297.0f);
    QCOMPARE(doc.Shapes(shapes - 5)->ClassName(), std::string("TdtpLineShape"));
    QCOMPARE(doc.Shapes(shapes - 4)->ClassName(), std::string("TdtpLineShape2"));
    QCOMPARE(doc.Shapes(1)->BoundsLeft(), 50.0f);
    auto* text = dynamic_cast<TdtpTextShape*>(doc.Shapes(shapes - 3));
    QVERIFY(text);
    QCOMPARE(text->Text(), std::string("Positiespel 4 tegen 2"));
    auto* note = dynamic_cast<TdtpMemoShape*>(doc.Shapes(shapes - 2));
    QVERIFY(note);
    QCOMPARE(note->Lines().size(), size_t{2});
    QCOMPARE(doc.Shapes(shapes - 1)->ClassName(), std::string("TdtpBitmapShape"));
    QCOMPARE(doc.Shapes(shapes - 1)->DocWidth(), 60 * 25.4f / 150);
    auto* run = dynamic_cast<TdtpLineShape*>(doc.Shapes(shapes - 4));
    QVERIFY(run);
    QCOMPARE(run->GetPoint(0).Y, 160.0f);
    QCOMPARE(run->GetPoint(1).X, 230.0f);
  }

  void pressInTheViewCountsAndMarksTheDrawing() {
    QVERIFY(!fx->Form().DrawingChanged());
    QTest::mouseClick(fx->Form().ViewHost().viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(fx->Form().ClickCount(), 1);
    QVERIFY(fx->Form().DrawingChanged());
    QCOMPARE(Field(9)->text(), QString("-1"));
  }
};

QTEST_MAIN(DocumentCommandsTest)
#include "DocumentCommandsTest.moc"
