#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kivrano {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };

// A set of buttons: bit (1 << button) for each button shown.
using TMsgDlgButtons = uint32_t;
constexpr TMsgDlgButtons MsgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
  TMsgDlgButtons set = 0;
  for (TMsgDlgBtn b : buttons) set |= TMsgDlgButtons{1} << b;
  return set;
}

// The answer of a modal box: the button pressed.
enum TModalResult {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
  mrAll = 8, mrNoToAll = 9, mrYesToAll = 10
};

// ---- file dialogs (the drill editor) ----
// What an open or save dialog shows.
struct TFileDialogOptions {
  std::string Title;
  // "Description|pattern" pairs separated by "|", e.g. "Tekeningen|*.hsf".
  std::string Filter;
  // Appended (after a dot) to a chosen name that has no extension; empty for none.
  std::string DefaultExt;
  std::string InitialDir;
  // The name proposed, with or without a folder.
  std::string FileName;
};

// path with "." + ext appended when its file name has no extension (ext empty: unchanged).
std::string WithDefaultExt(const std::string& path, const std::string& ext);

// The modal boxes the system shows the user. The program installs a desktop implementation; tests
// and headless tools use THeadlessDialogs.
class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Shows text in a modal message box of the given kind with the given buttons; returns the
  // TModalResult of the button pressed.
  virtual int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;

  // ---- questions with a caption, file dialogs and the input box (the drill editor) ----
  // A message box with its own caption and default button; returns the TModalResult pressed.
  virtual int CaptionedMessageDlg(const std::string& caption, const std::string& text, TMsgDlgType type,
                                  TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) = 0;
  // The chosen file's full path, none when the user cancels.
  virtual std::optional<std::string> OpenDialog(const TFileDialogOptions& options) = 0;
  virtual std::optional<std::string> SaveDialog(const TFileDialogOptions& options) = 0;
  // The text typed, none when the user cancels.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& value) = 0;
};

// Answers from a script: each box takes the next scripted answer, or DefaultAnswer when the script
// is used up. Every box shown is recorded.
class THeadlessDialogs : public IDialogs {
 public:
  struct TShownMessage {
    std::string Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
    std::string Caption;
    TMsgDlgBtn DefaultButton = mbOK;
  };

  int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override;

  // ---- file dialogs and input boxes answer from scripts of their own ----
  int CaptionedMessageDlg(const std::string& caption, const std::string& text, TMsgDlgType type,
                          TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) override;
  // A file dialog takes the next scripted path (none: cancelled; a script used up cancels) and
  // appends the default extension as the desktop dialog does.
  std::optional<std::string> OpenDialog(const TFileDialogOptions& options) override;
  std::optional<std::string> SaveDialog(const TFileDialogOptions& options) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& value) override;
  void AnswerFile(std::optional<std::string> path) { fileAnswers_.push_back(std::move(path)); }
  void AnswerInput(std::optional<std::string> text) { inputAnswers_.push_back(std::move(text)); }
  const std::vector<TFileDialogOptions>& ShownFileDialogs() const { return shownFileDialogs_; }
  int PendingFileAnswers() const { return static_cast<int>(fileAnswers_.size()); }

  void Answer(int modalResult) { answers_.push_back(modalResult); }
  const std::vector<TShownMessage>& Shown() const { return shown_; }
  void Reset();

  int DefaultAnswer = mrNone;

 private:
  std::deque<int> answers_;
  std::vector<TShownMessage> shown_;
  std::optional<std::string> NextFile(const TFileDialogOptions& options);
  std::deque<std::optional<std::string>> fileAnswers_;
  std::deque<std::optional<std::string>> inputAnswers_;
  std::vector<TFileDialogOptions> shownFileDialogs_;
};

// The process-wide dialogs. Without an installed implementation a shared THeadlessDialogs answers.
IDialogs& Dialogs();
// Installs dialogs (not owned; nullptr goes back to the headless default); returns the previous one.
IDialogs* SetDialogs(IDialogs* dialogs);

}  // namespace kivrano
