#pragma once

// The splash window shown while the main window is being made.

#include <QWidget>

namespace kivrano {

class TSplach : public QWidget {
  Q_OBJECT

 public:
  explicit TSplach(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace kivrano
