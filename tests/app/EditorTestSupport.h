#pragma once

// A main window on the offscreen platform with in-memory settings, scripted dialogs and language
// files made by the test in a folder of its own.

#include <QAction>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

namespace kivrano::test {

// The lines of a language file whose line k reads prefix + k, except the lines the page label and
// the questions use, which read as real texts of that language would.
std::vector<std::string> LanguageLines(const std::string& prefix, int count);
// Writes lines (LF ends) into folder/fileName.
void WriteLanguageFile(const QString& folder, const std::string& fileName, const std::vector<std::string>& lines);

class TEditorFixture {
 public:
  TEditorFixture();
  ~TEditorFixture();

  // Makes (and shows, which runs the start-up) a main window; an earlier one is closed first.
  TViewerMainForm& Start(TEditorEnvironment env);
  TViewerMainForm& Start() { return Start(Environment()); }
  // An environment over this fixture's settings, language folder and data folder.
  TEditorEnvironment Environment();
  // Destroys the window without closing questions (its settings are written).
  void Destroy();

  TViewerMainForm& Form() { return *form_; }
  TdtpComponent& View() { return form_->View(); }
  // Triggers the menu item or tool button of that name.
  void Trigger(const char* name);
  QString Caption(const char* name);
  QString Hint(const char* name);
  // Adds a rectangle at (left, top) of width by height mm to the current page and selects it.
  TdtpShape* AddSelectedRectangle(float left, float top, float width, float height);

  THeadlessDialogs dialogs;
  TMemorySettingsStore settings;
  QTemporaryDir languages;
  QTemporaryDir data;

 private:
  std::unique_ptr<TViewerMainForm> form_;
  IDialogs* previousDialogs_ = nullptr;
};

}  // namespace kivrano::test
