#pragma once

// The modal boxes on Qt: message boxes, file dialogs and the input box.

#include <QPointer>
#include <QWidget>

#include "platform/Dialogs.h"

namespace kivrano {

class TQtDialogs : public IDialogs {
 public:
  // Boxes are shown over parent (none: over the active window).
  void SetParent(QWidget* parent) { parent_ = parent; }

  int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
  int CaptionedMessageDlg(const std::string& caption, const std::string& text, TMsgDlgType type,
                          TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) override;
  std::optional<std::string> OpenDialog(const TFileDialogOptions& options) override;
  std::optional<std::string> SaveDialog(const TFileDialogOptions& options) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& value) override;

 private:
  QWidget* Parent() const;
  std::optional<std::string> RunFileDialog(const TFileDialogOptions& options, bool save);
  QPointer<QWidget> parent_;
};

// Qt's filter form ("Tekeningen (*.hsf)" lines) of a "Description|pattern|..." filter.
QString QtFileFilter(const std::string& filter);

}  // namespace kivrano
