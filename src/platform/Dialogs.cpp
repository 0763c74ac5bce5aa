#include "platform/Dialogs.h"

namespace kivrano {

int THeadlessDialogs::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  shown_.push_back({text, type, buttons});
  if (answers_.empty()) return DefaultAnswer;
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void THeadlessDialogs::Reset() {
  answers_.clear();
  shown_.clear();
  DefaultAnswer = mrNone;
}

namespace {

THeadlessDialogs& HeadlessDefault() {
  static THeadlessDialogs dialogs;
  return dialogs;
}

IDialogs* installed = nullptr;

}  // namespace

IDialogs& Dialogs() { return installed ? *installed : HeadlessDefault(); }

IDialogs* SetDialogs(IDialogs* dialogs) {
  IDialogs* previous = installed;
  installed = dialogs;
  return previous;
}

}  // namespace kivrano
