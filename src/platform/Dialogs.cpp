#include "platform/Dialogs.h"

namespace kivrano {

int THeadlessDialogs::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  shown_.push_back({text, type, buttons, std::string(), mbOK});
  if (answers_.empty()) return DefaultAnswer;
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void THeadlessDialogs::Reset() {
  answers_.clear();
  shown_.clear();
  DefaultAnswer = mrNone;
  fileAnswers_.clear();
  inputAnswers_.clear();
  shownFileDialogs_.clear();
}

// ---- questions with a caption, file dialogs and the input box ----

std::string WithDefaultExt(const std::string& path, const std::string& ext) {
  if (ext.empty()) return path;
  const size_t nameStart = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
  if (path.find('.', nameStart) != std::string::npos) return path;
  return path + "." + ext;
}

int THeadlessDialogs::CaptionedMessageDlg(const std::string& caption, const std::string& text, TMsgDlgType type,
                                          TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) {
  const int answer = MessageDlg(text, type, buttons);
  shown_.back().Caption = caption;
  shown_.back().DefaultButton = defaultButton;
  return answer;
}

std::optional<std::string> THeadlessDialogs::NextFile(const TFileDialogOptions& options) {
  shownFileDialogs_.push_back(options);
  if (fileAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  if (answer) return WithDefaultExt(*answer, options.DefaultExt);
  return answer;
}

std::optional<std::string> THeadlessDialogs::OpenDialog(const TFileDialogOptions& options) { return NextFile(options); }
std::optional<std::string> THeadlessDialogs::SaveDialog(const TFileDialogOptions& options) { return NextFile(options); }

std::optional<std::string> THeadlessDialogs::InputBox(const std::string&, const std::string&, const std::string&) {
  if (inputAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(inputAnswers_.front());
  inputAnswers_.pop_front();
  return answer;
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
