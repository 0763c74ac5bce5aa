#include "qt/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <utility>

namespace kivrano {

namespace {

// The Qt buttons of a set and the answer each gives.
constexpr std::pair<TMsgDlgBtn, QMessageBox::StandardButton> kButtons[] = {
    {mbYes, QMessageBox::Yes},     {mbNo, QMessageBox::No},           {mbOK, QMessageBox::Ok},
    {mbCancel, QMessageBox::Cancel}, {mbAbort, QMessageBox::Abort},   {mbRetry, QMessageBox::Retry},
    {mbIgnore, QMessageBox::Ignore}, {mbNoToAll, QMessageBox::NoToAll},
    {mbYesToAll, QMessageBox::YesToAll}, {mbHelp, QMessageBox::Help}};

int ModalResultOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    case QMessageBox::Ok: return mrOk;
    case QMessageBox::Cancel: return mrCancel;
    case QMessageBox::Abort: return mrAbort;
    case QMessageBox::Retry: return mrRetry;
    case QMessageBox::Ignore: return mrIgnore;
    case QMessageBox::YesToAll: return mrYesToAll;
    case QMessageBox::NoToAll: return mrNoToAll;
    default: return mrCancel;
  }
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
  }
}

// The caption a box of the kind has when the caller gives none.
QString TypeCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return QApplication::applicationName();
  }
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList lines;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    lines << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
  }
  return lines.join(";;");
}

QWidget* TQtDialogs::Parent() const { return parent_ ? parent_.data() : QApplication::activeWindow(); }

int TQtDialogs::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  return CaptionedMessageDlg(TypeCaption(type).toStdString(), text, type, buttons, mbOK);
}

int TQtDialogs::CaptionedMessageDlg(const std::string& caption, const std::string& text, TMsgDlgType type,
                                    TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) {
  QMessageBox box(IconOf(type), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::NoButton,
                  Parent());
  for (const auto& [ours, qt] : kButtons) {
    if (buttons & MsgButtons({ours})) box.addButton(qt);
  }
  if (box.buttons().isEmpty()) box.addButton(QMessageBox::Ok);
  for (const auto& [ours, qt] : kButtons) {
    if (ours == defaultButton && box.button(qt)) box.setDefaultButton(qt);
  }
  box.exec();
  return ModalResultOf(box.standardButton(box.clickedButton()));
}

std::optional<std::string> TQtDialogs::RunFileDialog(const TFileDialogOptions& options, bool save) {
  QFileDialog dialog(Parent(), QString::fromStdString(options.Title), QString::fromStdString(options.InitialDir),
                     QtFileFilter(options.Filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QString::fromStdString(options.DefaultExt));
  // The overwrite question is the caller's, with its own texts.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!options.FileName.empty()) dialog.selectFile(QString::fromStdString(options.FileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> TQtDialogs::OpenDialog(const TFileDialogOptions& options) {
  return RunFileDialog(options, false);
}

std::optional<std::string> TQtDialogs::SaveDialog(const TFileDialogOptions& options) {
  return RunFileDialog(options, true);
}

std::optional<std::string> TQtDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& value) {
  bool ok = false;
  const QString text = QInputDialog::getText(Parent(), QString::fromStdString(caption), QString::fromStdString(prompt),
                                             QLineEdit::Normal, QString::fromStdString(value), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

}  // namespace kivrano
