// The page settings dialog, the information window and the settings kept between runs.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include "EditorTestSupport.h"
#include "app/EditorSettings.h"
#include "app/Info_unit.h"
#include "app/Instelling.h"
#include "qt/QtDialogs.h"
#include "qt/QtSettingsStore.h"

using namespace kivrano;
using namespace kivrano::test;

class PageSettingsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TEditorFixture> fx;

  TInstelformulier& Dialog() { return fx->Form().PageSettingsForm(); }
  template <typename T>
  T* Control(const char* name) {
    return Dialog().findChild<T*>(name);
  }

 private slots:
  void init() {
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
    fx = std::make_unique<TEditorFixture>();
    std::vector<std::string> lines = LanguageLines("NL", kLanguageLineCount);
    lines[197] = "Normaal";
    lines[198] = "Laag";
    WriteLanguageFile(fx->languages.path(), "Nederlands.ver", lines);
    fx->Start();
  }
  void cleanup() { fx.reset(); }

  void showingReflectsThePage_data() {
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QString>("checked");
    QTest::newRow("portrait") << 210.0f << 297.0f << "Staand";
    QTest::newRow("landscape") << 297.0f << 210.0f << "Liggend";
    // Other sizes leave the buttons as they were: the last choice, custom here.
    QTest::newRow("custom") << 200.0f << 150.0f << "Eigen";
  }
  void showingReflectsThePage() {
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QString, checked);
    Control<QRadioButton>("Eigen")->setChecked(true);
    fx->View().SetPageWidth(width);
    fx->View().SetPageHeight(height);
    fx->View().SetSnapToGrid(true);
    fx->Trigger("kl7");
    QVERIFY(Dialog().isVisible());
    QVERIFY(Control<QRadioButton>(checked.toUtf8().constData())->isChecked());
    QVERIFY(Control<QCheckBox>("snap")->isChecked());
    QCOMPARE(Control<QComboBox>("kwaliteit")->currentText(), QString("300"));
  }

  void closingAppliesTheChosenFormat_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::newRow("portrait") << "Staand" << 210.0f << 297.0f;
    QTest::newRow("landscape") << "Liggend" << 297.0f << 210.0f;
    QTest::newRow("custom: Lengte is the height") << "Eigen" << 100.0f << 150.5f;
  }
  void closingAppliesTheChosenFormat() {
    QFETCH(QString, button);
    QFETCH(float, width);
    QFETCH(float, height);
    fx->Trigger("Paginainstelling1");
    Control<QRadioButton>(button.toUtf8().constData())->setChecked(true);
    Control<QLineEdit>("Lengte")->setText("150,5");
    Control<QLineEdit>("Breedte")->setText("100");
    Control<QCheckBox>("snap")->setChecked(true);
    Control<QComboBox>("kwaliteit")->setCurrentText("200");
    Dialog().close();
    QVERIFY(!Dialog().isVisible());
    QCOMPARE(fx->View().PageWidth(), width);
    QCOMPARE(fx->View().PageHeight(), height);
    QVERIFY(fx->View().SnapToGrid());
    QVERIFY(std::abs(fx->View().RenderDPI() - 200.0f) < 0.01f);
  }

  void badNumberKeepsTheDialogOpenWithAMessage_data() {
    QTest::addColumn<QString>("lengte");
    QTest::newRow("not a number") << "lang";
    QTest::newRow("zero") << "0";
    QTest::newRow("too large") << "1000000";
  }
  void badNumberKeepsTheDialogOpenWithAMessage() {
    QFETCH(QString, lengte);
    fx->Trigger("Paginainstelling1");
    Control<QRadioButton>("Eigen")->setChecked(true);
    Control<QLineEdit>("Lengte")->setText(lengte);
    Control<QCheckBox>("snap")->setChecked(true);
    Dialog().close();
    QVERIFY(Dialog().isVisible());
    QCOMPARE(fx->dialogs.Shown().back().Type, mtError);
    QVERIFY(fx->dialogs.Shown().back().Text.find(lengte.toStdString()) != std::string::npos);
    QCOMPARE(fx->View().PageWidth(), 210.0f);
    QVERIFY(!fx->View().SnapToGrid());
    Control<QLineEdit>("Lengte")->setText("120");
    QTest::mouseClick(Control<QPushButton>("Sluiten"), Qt::LeftButton);
    QVERIFY(!Dialog().isVisible());
    QCOMPARE(fx->View().PageHeight(), 120.0f);
  }

  void printQualityWords_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("quality");
    QTest::newRow("line 197") << "Normaal" << int(pqMedium);
    QTest::newRow("Middelmatig") << "Middelmatig" << int(pqMedium);
    QTest::newRow("line 198") << "Laag" << int(pqLow);
    QTest::newRow("Hoog keeps the quality") << "Hoog" << int(pqHigh);
    QTest::newRow("empty keeps the quality") << "" << int(pqHigh);
  }
  void printQualityWords() {
    QFETCH(QString, word);
    QFETCH(int, quality);
    fx->Trigger("Paginainstelling1");
    Control<QComboBox>("Kwaliteit2")->setCurrentText(word);
    Dialog().close();
    QCOMPARE(int(fx->View().PrintQuality()), quality);
  }

  void showingNamesTheCurrentPrintQuality() {
    fx->View().SetPrintQuality(pqLow);
    fx->Trigger("kl7");
    QCOMPARE(Control<QComboBox>("Kwaliteit2")->currentText(), QString("Laag"));
  }

  // ---- settings kept between runs ----

  void viewAndDialogSettingsSurviveARestart() {
    fx->Trigger("Paginainstelling1");
    Control<QComboBox>("Kwaliteit2")->setCurrentText("Zeer hoog");
    Control<QComboBox>("kwaliteit")->setCurrentText("150");
    Dialog().close();
    fx->Form().findChild<QSplitter*>("Splitter1")->setSizes({600, 300});
    fx->Destroy();
    QCOMPARE(fx->settings.ReadString(kUserGroup, kPrintQualityWordKey, ""), std::string("Zeer hoog"));
    fx->Start();
    QVERIFY(std::abs(fx->View().RenderDPI() - 150.0f) < 0.01f);
    QCOMPARE(fx->Form().findChild<QSplitter*>("Splitter1")->sizes().at(1), 300);
    fx->Trigger("kl7");
    QCOMPARE(Control<QComboBox>("Kwaliteit2")->currentText(), QString("Zeer hoog"));
    // The print quality itself is a view setting.
    fx->View().SetPrintQuality(pqLow);
    fx->Destroy();
    fx->Start();
    QCOMPARE(fx->View().PrintQuality(), pqLow);
  }

  void storedValuesOutOfRangeAreIgnored() {
    fx->Destroy();
    fx->settings.WriteString(kViewGroup, kRenderDpiKey, "1e9");
    fx->settings.WriteString(kViewGroup, kPrintQualityKey, "77");
    fx->Start();
    QCOMPARE(fx->View().RenderDPI(), 300.0f);
    QCOMPARE(fx->View().PrintQuality(), pqHigh);
  }

  void qtSettingsStoreKeepsGroupsInItsFile() {
    QTemporaryDir dir;
    const QString file = dir.filePath("kivrano.ini");
    {
      TQtSettingsStore store(file);
      QVERIFY(!store.ReadString(kProgramGroup, kLanguageKey));
      store.WriteString(kProgramGroup, kLanguageKey, "3");
      store.WriteString(kUserGroup, kPrintQualityWordKey, "Élevée");
      store.Flush();
    }
    TQtSettingsStore again(file);
    QCOMPARE(again.ReadString(kProgramGroup, kLanguageKey, ""), std::string("3"));
    QCOMPARE(again.ReadString(kUserGroup, kPrintQualityWordKey, ""), std::string("Élevée"));
    QCOMPARE(again.ReadString(kUserGroup, kLanguageKey, "none"), std::string("none"));
  }

  void fileFiltersTakeTheToolkitsForm() {
    QCOMPARE(QtFileFilter("Tekeningen|*.hsf"), QString("Tekeningen (*.hsf)"));
    QCOMPARE(QtFileFilter("Pictures|*.png;*.jpg|All|*"), QString("Pictures (*.png *.jpg);;All (*)"));
    QCOMPARE(QtFileFilter("no pattern"), QString());
  }

  // ---- information window ----

  void infoWindowSpeaksTheLanguage_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("website");
    QTest::newRow("Dutch") << 1 << "Versie 5.2" << "Bezoek onze website :";
    QTest::newRow("French") << 2 << "Version 5.2" << "Visitez notre Website :";
    QTest::newRow("English") << 6 << "Version 5.2" << "Visit our Website :";
  }
  void infoWindowSpeaksTheLanguage() {
    QFETCH(int, language);
    QFETCH(QString, version);
    QFETCH(QString, website);
    TInfoform& info = fx->Form().InfoForm();
    info.SetLanguage(language);
    fx->Trigger("About1");
    QVERIFY(info.isVisible());
    QCOMPARE(info.windowTitle(), QString("Info"));
    QStringList texts;
    for (const QLabel* label : info.findChildren<QLabel*>()) texts << label->text();
    QVERIFY(texts.contains(version));
    QVERIFY(texts.contains(website));
  }
};

QTEST_MAIN(PageSettingsTest)
#include "PageSettingsTest.moc"
