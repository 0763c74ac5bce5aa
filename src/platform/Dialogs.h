#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
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

// The modal boxes the system shows the user. The program installs a desktop implementation; tests
// and headless tools use THeadlessDialogs.
class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Shows text in a modal message box of the given kind with the given buttons; returns the
  // TModalResult of the button pressed.
  virtual int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
};

// Answers from a script: each box takes the next scripted answer, or DefaultAnswer when the script
// is used up. Every box shown is recorded.
class THeadlessDialogs : public IDialogs {
 public:
  struct TShownMessage {
    std::string Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
  };

  int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override;

  void Answer(int modalResult) { answers_.push_back(modalResult); }
  const std::vector<TShownMessage>& Shown() const { return shown_; }
  void Reset();

  int DefaultAnswer = mrNone;

 private:
  std::deque<int> answers_;
  std::vector<TShownMessage> shown_;
};

// The process-wide dialogs. Without an installed implementation a shared THeadlessDialogs answers.
IDialogs& Dialogs();
// Installs dialogs (not owned; nullptr goes back to the headless default); returns the previous one.
IDialogs* SetDialogs(IDialogs* dialogs);

}  // namespace kivrano
