#include "app/Unit_Splach.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/Info_unit.h"

namespace kivrano {

namespace {
constexpr int kSplashWidth = 635;
constexpr int kSplashHeight = 455;
}  // namespace

TSplach::TSplach(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("TSplach");
  setFixedSize(kSplashWidth, kSplashHeight);
  setAttribute(Qt::WA_DeleteOnClose, false);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->geometry().center() - rect().center());
  }
}

void TSplach::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(192, 192, 192));
  p.drawPixmap(0, 0, PitchPicture(width(), height()));
  QFont font = p.font();
  font.setPixelSize(72);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(0, 0, 0, 110));
  p.drawText(rect().translated(3, 3), Qt::AlignCenter, "Kivrano");
  p.setPen(Qt::white);
  p.drawText(rect(), Qt::AlignCenter, "Kivrano");
}

}  // namespace kivrano
