// kivrano: the drill editor. "kivrano [--language N] [DRAWING.hsf]" starts the editor and opens
// the drawing; a drawing path may also come quoted as one argument.

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QScreen>
#include <QStandardPaths>

#include "app/Main.h"
#include "app/Unit_Splach.h"
#include "base/Exception.h"
#include "platform/Dialogs.h"
#include "qt/QtDialogs.h"
#include "qt/QtSettingsStore.h"
#include "shapes/dtpShapeClasses.h"

namespace {

using namespace kivrano;

// Failures that reach the event loop are shown as messages, as the toolkit shows errors.
class TKivranoApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const Exception& e) {
      Dialogs().MessageDlg(e.what(), mtError, MsgButtons({mbOK}));
      return true;
    }
  }
};

// The document named on the command line and the language asked for.
void ParseArguments(const QStringList& args, TEditorEnvironment& env) {
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == "--language" && i + 1 < args.size()) {
      env.LanguageOverride = args[++i].toInt();
    } else if (env.DocumentPath.empty()) {
      QString path = args[i];
      if (path.size() >= 2 && path.startsWith('"') && path.endsWith('"')) path = path.mid(1, path.size() - 2);
      env.DocumentPath = QDir::current().absoluteFilePath(path).toStdString();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  TKivranoApplication app(argc, argv);
  // The user's data folder of the program is then ~/.local/share/kivrano.
  QApplication::setApplicationName("kivrano");
  QApplication::setApplicationDisplayName("Kivrano");

  // The toolkit's own texts (standard buttons, file dialogs) in the system's language, where
  // its translations are installed.
  QTranslator toolkitTexts;
  if (toolkitTexts.load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&toolkitTexts);
  }

  TSplach splash;
  splash.show();
  QApplication::processEvents();

  RegisterStandardShapeClasses();
  TQtDialogs dialogs;
  SetDialogs(&dialogs);
  TQtSettingsStore settings;

  TEditorEnvironment env;
  env.Settings = &settings;
  const QString programDir = QApplication::applicationDirPath();
  env.LanguageFolders = {programDir.toStdString(), QDir(programDir).filePath("../share/kivrano").toStdString()};
  env.DataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
  env.LocaleName = QLocale::system().name().toStdString();
  ParseArguments(app.arguments(), env);

  int rc = 0;
  {
    TViewerMainForm form(env);
    dialogs.SetParent(&form);
    splash.close();
    // Without a window manager nothing maximises the window: start at the screen's size.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) form.setGeometry(screen->availableGeometry());
    form.showMaximized();
    rc = QApplication::exec();
    dialogs.SetParent(nullptr);
  }
  SetDialogs(nullptr);
  return rc;
}
