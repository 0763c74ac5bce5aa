#include "app/Info_unit.h"

#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace kivrano {

namespace {

// Who made the program, and where its project lives.
constexpr const char* kDesigner = "Kivrano team";
constexpr const char* kProgrammer = "Kivrano team";
constexpr const char* kWebsite = "https://kivrano.org";

struct TInfoTexts {
  const char* Design;
  const char* Programming;
  const char* Website;
  const char* Version;
};

constexpr TInfoTexts kDutch = {"Ontwerp : ", "Programmatie : ", "Bezoek onze website :", "Versie 5.2"};
constexpr TInfoTexts kFrench = {"Conception : ", "Programmation : ", "Visitez notre Website :", "Version 5.2"};
constexpr TInfoTexts kEnglish = {"Design : ", "Programmed by : ", "Visit our Website :", "Version 5.2"};

const TInfoTexts* TextsOf(int languageNumber) {
  switch (languageNumber) {
    case 1:
    case 4: return &kDutch;
    case 2: return &kFrench;
    case 3:
    case 5:
    case 6:
    case 7: return &kEnglish;
    default: return nullptr;
  }
}

}  // namespace

QPixmap PitchPicture(int width, int height) {
  QPixmap picture(width, height);
  picture.fill(QColor(46, 125, 50));
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  const int m = std::max(4, width / 20);
  const QRectF field(m, m, width - 2 * m, height - 2 * m);
  p.setPen(QPen(Qt::white, std::max(1.5, width / 160.0)));
  p.setBrush(Qt::NoBrush);
  p.drawRect(field);
  p.drawLine(QPointF(field.center().x(), field.top()), QPointF(field.center().x(), field.bottom()));
  const double r = field.height() / 6;
  p.drawEllipse(field.center(), r, r);
  const double boxH = field.height() / 2.2;
  const double boxW = field.width() / 7;
  p.drawRect(QRectF(field.left(), field.center().y() - boxH / 2, boxW, boxH));
  p.drawRect(QRectF(field.right() - boxW, field.center().y() - boxH / 2, boxW, boxH));
  // Two players and the pass between them.
  const double d = std::max(6.0, width / 22.0);
  const QPointF a(field.left() + field.width() * 0.3, field.top() + field.height() * 0.35);
  const QPointF b(field.left() + field.width() * 0.62, field.top() + field.height() * 0.65);
  p.setPen(QPen(QColor(255, 235, 59), std::max(1.5, width / 200.0), Qt::DashLine));
  p.drawLine(a, b);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(211, 47, 47));
  p.drawEllipse(a, d / 2, d / 2);
  p.setBrush(QColor(25, 118, 210));
  p.drawEllipse(b, d / 2, d / 2);
  return picture;
}

TInfoform::TInfoform(QWidget* parent) : QDialog(parent) {
  setObjectName("TInfoform");
  setWindowTitle("Info formulier");
  setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* picture = new QLabel(this);
  picture->setObjectName("Image1");
  picture->setPixmap(PitchPicture(320, 200));
  layout->addWidget(picture, 0, Qt::AlignHCenter);
  auto* name = new QLabel("Kivrano", this);
  name->setObjectName("ProductName");
  QFont nameFont = name->font();
  nameFont.setPointSize(nameFont.pointSize() * 2);
  nameFont.setBold(true);
  name->setFont(nameFont);
  layout->addWidget(name, 0, Qt::AlignHCenter);
  design_ = new QLabel(this);
  programming_ = new QLabel(this);
  website_ = new QLabel(this);
  auto* link = new QLabel(QString("<a href=\"%1\">%1</a>").arg(kWebsite), this);
  link->setObjectName("Link");
  link->setOpenExternalLinks(true);
  version_ = new QLabel(this);
  for (QLabel* label : {design_, programming_, website_, link, version_}) layout->addWidget(label, 0, Qt::AlignHCenter);
  SetLanguage(1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TInfoform::SetLanguage(int languageNumber) {
  const TInfoTexts* texts = TextsOf(languageNumber);
  if (!texts) return;
  design_->setText(QString::fromUtf8(texts->Design) + kDesigner);
  programming_->setText(QString::fromUtf8(texts->Programming) + kProgrammer);
  website_->setText(QString::fromUtf8(texts->Website));
  version_->setText(QString::fromUtf8(texts->Version));
}

}  // namespace kivrano
