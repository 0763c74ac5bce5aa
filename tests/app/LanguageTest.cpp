// Choosing, loading and applying the language of the drill editor.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QTest>

#include "EditorTestSupport.h"
#include "app/EditorSettings.h"
#include "app/Instelling.h"
#include "app/LanguageApply.h"

using namespace kivrano;
using namespace kivrano::test;

class LanguageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TEditorFixture> fx;

  void WriteAllLanguages() {
    WriteLanguageFile(fx->languages.path(), "Nederlands.ver", LanguageLines("NL", kLanguageLineCount));
    WriteLanguageFile(fx->languages.path(), "frans.ver", LanguageLines("FR", kLanguageLineCount));
    WriteLanguageFile(fx->languages.path(), "engels.ver", LanguageLines("EN", kLanguageLineCount));
  }

 private slots:
  void init() { fx = std::make_unique<TEditorFixture>(); }
  void cleanup() { fx.reset(); }

  void languageNumberChoosesTheFile_data() {
    QTest::addColumn<QString>("talen");
    QTest::addColumn<QString>("file");
    QTest::newRow("1") << "1" << "NL";
    QTest::newRow("2") << "2" << "FR";
    QTest::newRow("3") << "3" << "EN";
    QTest::newRow("4") << "4" << "NL";
    QTest::newRow("6") << "6" << "EN";
    QTest::newRow("8: none") << "8" << "";
  }
  void languageNumberChoosesTheFile() {
    QFETCH(QString, talen);
    QFETCH(QString, file);
    WriteAllLanguages();
    fx->settings.WriteString(kProgramGroup, kLanguageKey, talen.toStdString());
    fx->Start();
    if (file.isEmpty()) {
      // No file: the built-in table and design captions stay.
      QCOMPARE(fx->Caption("File1"), QString("&Bestand"));
      QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 1"));
    } else {
      QCOMPARE(fx->Caption("File1"), file + " 17");
      QCOMPARE(fx->Hint("kl19"), file + " 193");
      QCOMPARE(fx->Caption("paginst"), file + " page 1 / 1");
    }
    QVERIFY(fx->dialogs.Shown().empty());
  }

  // A new user has no language number: the system's language where a file exists, else Dutch,
  // and no error box.
  void newUserTakesTheLanguageOfTheLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("withFrench");
    QTest::addColumn<int>("language");
    QTest::newRow("English") << "en_GB" << true << 3;
    QTest::newRow("French") << "fr_BE" << true << 2;
    QTest::newRow("French without its file") << "fr_FR" << false << 1;
    QTest::newRow("German") << "de_DE" << true << 1;
    QTest::newRow("no locale") << "" << true << 1;
  }
  void newUserTakesTheLanguageOfTheLocale() {
    QFETCH(QString, locale);
    QFETCH(bool, withFrench);
    QFETCH(int, language);
    WriteLanguageFile(fx->languages.path(), "Nederlands.ver", LanguageLines("NL", kLanguageLineCount));
    WriteLanguageFile(fx->languages.path(), "engels.ver", LanguageLines("EN", kLanguageLineCount));
    if (withFrench) WriteLanguageFile(fx->languages.path(), "frans.ver", LanguageLines("FR", kLanguageLineCount));
    TEditorEnvironment env = fx->Environment();
    env.LocaleName = locale.toStdString();
    fx->Start(env);
    QCOMPARE(fx->Form().LanguageNumber(), language);
    QVERIFY(fx->dialogs.Shown().empty());
    // The choice is the program's, not the user's: nothing is stored.
    QVERIFY(!fx->settings.ReadString(kProgramGroup, kLanguageKey));
  }

  void nonNumericLanguageNumberStartsLikeANewUser() {
    WriteAllLanguages();
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "Engels");
    fx->Start();
    QCOMPARE(fx->Form().LanguageNumber(), 1);
    QVERIFY(fx->dialogs.Shown().empty());
  }

  // Lines a short file lacks keep the built-in texts: the table's and the controls' own.
  void shortFileKeepsBuiltInTextsForMissingLines() {
    std::vector<std::string> lines = LanguageLines("EN", 18);
    lines[13] = "Confirm";
    WriteLanguageFile(fx->languages.path(), "engels.ver", lines);
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "3");
    fx->Start();
    QVERIFY(fx->dialogs.Shown().empty());
    QCOMPARE(fx->Caption("File1"), QString("EN 17"));
    QCOMPARE(fx->Caption("Open1"), QString("Open"));
    QCOMPARE(fx->Hint("KL1"), QString("Programma afsluiten"));
    QCOMPARE(fx->Form().Messages().Line(13), std::string("Confirm"));
    QCOMPARE(fx->Form().Messages().Line(5), std::string("EN 5"));
  }

  void missingLanguageFileIsReportedAndStartUpGoesOn() {
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "2");
    fx->Start();
    QCOMPARE(fx->dialogs.Shown().size(), size_t{1});
    QVERIFY(fx->dialogs.Shown()[0].Text.find("frans.ver") != std::string::npos);
    QCOMPARE(fx->Caption("File1"), QString("&Bestand"));
    QCOMPARE(fx->Caption("paginst"), QString("Pagina 1 van 1"));
  }

  void choosingALanguageWithoutItsFileChangesNothing() {
    WriteLanguageFile(fx->languages.path(), "engels.ver", LanguageLines("EN", kLanguageLineCount));
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "3");
    fx->Start();
    fx->Trigger("Taal2");
    QCOMPARE(fx->dialogs.Shown().size(), size_t{1});
    QCOMPARE(fx->Caption("File1"), QString("EN 17"));
    QCOMPARE(fx->settings.ReadString(kProgramGroup, kLanguageKey, ""), std::string("3"));
    QCOMPARE(fx->Form().LanguageNumber(), 3);
    QVERIFY(fx->Form().findChild<QAction*>("Taal3")->isChecked());
  }

  void windows1252FileIsDecoded() {
    std::vector<std::string> lines = LanguageLines("FR", kLanguageLineCount);
    lines[31] = "Copier \xE9l\xE9ment \x80";
    WriteLanguageFile(fx->languages.path(), "frans.ver", lines);
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "2");
    fx->Start();
    QCOMPARE(fx->Caption("Copy1"), QString::fromUtf8("Copier élément €"));
  }

  // Switching in the program: stored as the user's language, applied at once, and switching
  // back gives every control its earlier text.
  void switchingLanguageAppliesAtOnce() {
    WriteAllLanguages();
    std::vector<std::string> shortDutch = LanguageLines("NL", 100);
    WriteLanguageFile(fx->languages.path(), "Nederlands.ver", shortDutch);
    fx->Start();
    QCOMPARE(fx->Caption("Klein"), QString("Kleine figuren"));
    fx->Trigger("Taal3");
    QCOMPARE(fx->settings.ReadString(kProgramGroup, kLanguageKey, ""), std::string("3"));
    QCOMPARE(fx->Caption("Klein"), QString("EN 195"));
    QCOMPARE(fx->Caption("Label1"), QString("EN 228"));
    QCOMPARE(fx->Caption("paginst"), QString("EN page 1 / 1"));
    QVERIFY(fx->Form().findChild<QAction*>("Taal3")->isChecked());
    // The view's context menu follows the menu items.
    QCOMPARE(fx->View().PopupMenu()[0].Caption, std::string("EN 28"));
    QCOMPARE(fx->View().PopupMenu()[4].Caption, std::string("EN 37"));
    fx->Trigger("Taal1");
    QCOMPARE(fx->Caption("Klein"), QString("Kleine figuren"));
    QCOMPARE(fx->Caption("Label1"), QString("Links"));
    QCOMPARE(fx->Caption("File1"), QString("NL 17"));
  }

  void settingsDialogTakesItsLines() {
    WriteAllLanguages();
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "3");
    fx->Start();
    TInstelformulier& dialog = fx->Form().PageSettingsForm();
    QCOMPARE(dialog.windowTitle(), QString("EN 155"));
    QCOMPARE(ControlCaption(dialog.findChild<QObject*>("Label1")), QString("EN 152"));
    auto* list = dialog.findChild<QComboBox*>("Kwaliteit2");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QString("EN 156"));
    QCOMPARE(list->itemText(1), QString("EN 157"));
    // The position label of the main window is another control of the same name.
    QCOMPARE(fx->Caption("Label1"), QString("EN 228"));
  }

  void languageOptionHoldsForThisRunOnly() {
    WriteAllLanguages();
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "1");
    TEditorEnvironment env = fx->Environment();
    env.LanguageOverride = 2;
    fx->Start(env);
    QCOMPARE(fx->Caption("File1"), QString("FR 17"));
    QCOMPARE(fx->settings.ReadString(kProgramGroup, kLanguageKey, ""), std::string("1"));
  }

  // Captions and the table of the last run return when no language file applies.
  void captionsOfTheLastRunAreRestored() {
    WriteAllLanguages();
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "3");
    fx->Start();
    fx->Destroy();
    fx->settings.WriteString(kProgramGroup, kLanguageKey, "8");
    fx->Start();
    QCOMPARE(fx->Caption("File1"), QString("EN 17"));
    QCOMPARE(fx->Hint("KL1"), QString("EN 35"));
    QCOMPARE(fx->Caption("paginst"), QString("EN page 1 / 1"));
  }
};

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
