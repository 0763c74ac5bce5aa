#pragma once

// The drill editor's main window: menus, the first tool-bar row, the document view beside the
// position fields, the status bar; the message table and language files; the settings kept from
// one run to the next; and the document commands.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageTable.h"
#include "engine/dtpDocument.h"
#include "platform/Dialogs.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSplitter;
class QToolBar;

namespace kivrano {

class ISettingsStore;
class TQtViewHost;
class TInstelformulier;
class TInfoform;

// What the main window needs from outside: where settings, language files and drawings live, and
// what the user asked for on the command line.
struct TEditorEnvironment {
  ISettingsStore* Settings = nullptr;
  // Folders searched, in order, for the language files.
  std::vector<std::string> LanguageFolders;
  // The user's writable data folder: the drawings folder is made inside it.
  std::string DataFolder;
  // The system's locale name ("nl_BE"), for users without a language number of their own.
  std::string LocaleName;
  // A drawing to open at start-up; empty for none.
  std::string DocumentPath;
  // A language number for this run only (0: the stored or locale one).
  int LanguageOverride = 0;
};

// The language numbers the user can choose in the program, with each name in its own language.
struct TLanguageChoice {
  int Number;
  const char* Name;
};
inline constexpr TLanguageChoice kLanguageChoices[] = {{1, "Nederlands"}, {2, "Français"}, {3, "English"}};

class TViewerMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TViewerMainForm(TEditorEnvironment environment, QWidget* parent = nullptr);
  // Writes the view settings and the captions of this run.
  ~TViewerMainForm() override;

  TdtpComponent& View() { return *dtpComponent1_; }
  TQtViewHost& ViewHost() { return *viewHost_; }
  const TMessageTable& Messages() const { return messages_; }
  TInstelformulier& PageSettingsForm() { return *instelformulier_; }
  TInfoform& InfoForm() { return *infoform_; }

  const std::string& CurrentFileName() const { return currentFileName_; }
  const std::string& DrawingFolder() const { return drawingFolder_; }
  const std::string& DefaultFileName() const { return defaultFileName_; }
  bool DrawingChanged() const { return drawingChanged_; }
  void SetDrawingChanged() { drawingChanged_ = true; }
  int ClickCount() const { return clickCount_; }
  int ToolTag() const { return toolTag_; }
  void SetToolTag(int tag) { toolTag_ = tag; }
  // The language number in effect (0 when no language file applies).
  int LanguageNumber() const { return languageNumber_; }
  // The absolute folder the save dialog proposes.
  std::string DrawingFolderPath() const;

  // Loads the language file of number into the message table and applies it to every window.
  // With store, the number becomes the user's language (value "talen") once it applied; a file
  // that cannot be read is reported and changes nothing.
  void SetLanguage(int number, bool store);
  void UpdatePageLabel();

  // ---- document commands ----
  void New1Click();
  void Open1Click();
  // True when the drawing was saved.
  bool Save1Click();
  bool SaveAs1Click();
  void Addnewpageatend2Click();
  void Insertpagehere1Click();
  void DeletePage1Click();
  void NextPage1Click();
  void PreviousPage1Click();
  void Paginainstelling1Click();
  void About1Click();
  // Leaving position field 1 to 6.
  void EditExit(int field);
  void ShowShapeFields(TdtpShape* shape);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildView();
  void BuildMenus();
  void BuildToolBar();
  void BuildFieldsPane(QSplitter* splitter);
  void BuildStatusBar();
  void ConnectViewEvents();
  QAction* AddAction(QMenu* menu, const char* name, const char* caption, std::function<void()> handler);
  QAction* AddToolButton(const char* name, const char* hint, std::function<void()> handler);
  QAction* AddCommand(QMenu* menu, const char* name, const char* caption, void (TdtpDocument::*operation)(),
                      bool reported);
  QAction* AddToolCommand(const char* name, const char* hint, void (TdtpDocument::*operation)(), bool reported);
  void RunCommand(void (TdtpDocument::*operation)(), bool reported);
  void RebuildPopupMenu();
  void ClearShapeFields();
  void OnViewMouseDown();

  // Start-up and closing.
  void FormShow();
  // The language number the user chose (stored or on the command line), 0 for none.
  int ConfiguredLanguageNumber() const;
  // The language of a user without a choice: the system's where a file exists for it, else Dutch.
  int DefaultLanguageNumber() const;
  void ApplyStartLanguage();
  // Applies the message table to every window as the texts of language number.
  void ApplyTexts(int number);
  // Marks the language in effect in the language menu.
  void CheckLanguageChoice();
  void OpenStartDocument();
  void RestoreCaptions();
  void StoreCaptions() const;
  void RestoreViewSettings();
  void StoreViewSettings() const;

  // Asks a question of the message table in a confirmation box.
  int Confirm(int line, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton);
  // Asks whether to save the changes first; false when the user cancels or the save does not happen.
  bool SaveChangesFirst();
  bool SaveWithDialog(int overwriteLine);
  bool SaveTo(const std::string& path);
  TFileDialogOptions FileDialogOptions(const char* title) const;

  TEditorEnvironment env_;
  TMessageTable messages_;
  std::unique_ptr<TdtpComponent> dtpComponent1_;
  TQtViewHost* viewHost_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QToolBar* toolbarKL_ = nullptr;
  QLabel* paginst_ = nullptr;
  QCheckBox* klein_ = nullptr;
  QLineEdit* edits_[12] = {};
  QProgressBar* gauge_ = nullptr;
  QActionGroup* languageGroup_ = nullptr;
  TInstelformulier* instelformulier_ = nullptr;
  TInfoform* infoform_ = nullptr;

  std::string currentFileName_;
  std::string drawingFolder_ = "tekeningen";
  std::string defaultFileName_ = "test";
  std::string saveDialogFolder_;
  bool drawingChanged_ = false;
  int toolTag_ = 0;
  int clickCount_ = 0;
  int screenWidth_ = 0;
  int screenHeight_ = 0;
  int languageNumber_ = 0;
  bool shown_ = false;
};

}  // namespace kivrano
