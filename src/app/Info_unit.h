#pragma once

// The information window: product name, credits, web site and version, in the user's language.

#include <QDialog>

class QLabel;

namespace kivrano {

// The picture of the information and splash windows: a pitch with a few players, drawn in code.
QPixmap PitchPicture(int width, int height);

class TInfoform : public QDialog {
  Q_OBJECT

 public:
  explicit TInfoform(QWidget* parent = nullptr);
  // Fills the credit, web site and version lines for a language number; other numbers keep the
  // lines as they are.
  void SetLanguage(int languageNumber);

 private:
  QLabel* design_ = nullptr;
  QLabel* programming_ = nullptr;
  QLabel* website_ = nullptr;
  QLabel* version_ = nullptr;
};

}  // namespace kivrano
