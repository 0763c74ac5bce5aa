#include "app/Instelling.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

#include "app/EditorSettings.h"
#include "app/MessageTable.h"
#include "app/UserNumbers.h"
#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

namespace kivrano {

namespace {

// A number in the user's format (the C format accepted too) within [low, high].
double NumberOf(const QLineEdit& edit, double low, double high) {
  const QString text = edit.text().trimmed();
  double value = 0;
  if (!ParseUserNumber(text, value)) throw Exception("\"" + text.toStdString() + "\" is not a valid number");
  if (value < low || value > high) {
    throw Exception("\"" + text.toStdString() + "\" is not between " + QLocale().toString(low).toStdString() +
                    " and " + QLocale().toString(high).toStdString());
  }
  return value;
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

TInstelformulier::TInstelformulier(TdtpDocument& document, const TMessageTable& messages, ISettingsStore& settings,
                                   QWidget* parent)
    : QDialog(parent), document_(document), messages_(messages), settings_(settings) {
  setObjectName("TInstelformulier");
  setWindowTitle("Instelformulier");
  setModal(false);
  auto* grid = new QGridLayout(this);
  staand_ = Named(new QRadioButton("A4 formaat Staand", this), "Staand");
  liggend_ = Named(new QRadioButton("A4 formaat liggend", this), "Liggend");
  eigen_ = Named(new QRadioButton("Eigen formaat", this), "Eigen");
  staand_->setChecked(true);
  grid->addWidget(staand_, 0, 0, 1, 2);
  grid->addWidget(liggend_, 1, 0, 1, 2);
  grid->addWidget(eigen_, 2, 0, 1, 2);
  lengte_ = Named(new QLineEdit("100", this), "Lengte");
  breedte_ = Named(new QLineEdit("100", this), "Breedte");
  grid->addWidget(Named(new QLabel("Lengte", this), "Label3"), 3, 0);
  grid->addWidget(lengte_, 3, 1);
  grid->addWidget(Named(new QLabel("Breedte", this), "Label4"), 4, 0);
  grid->addWidget(breedte_, 4, 1);
  snap_ = Named(new QCheckBox("Snap to Grid", this), "snap");
  grid->addWidget(snap_, 5, 0, 1, 2);
  // The render resolution stays hidden, as its label does.
  auto* resolutionLabel = Named(new QLabel("Resolutie", this), "Label1");
  kwaliteit_ = Named(new QComboBox(this), "kwaliteit");
  kwaliteit_->setEditable(true);
  kwaliteit_->addItems({"100", "200", "300"});
  resolutionLabel->hide();
  kwaliteit_->hide();
  grid->addWidget(Named(new QLabel("Printkwaliteit", this), "Label2"), 6, 0);
  kwaliteit2_ = Named(new QComboBox(this), "Kwaliteit2");
  kwaliteit2_->setEditable(true);
  kwaliteit2_->addItems({"Hoog", "Laag"});
  grid->addWidget(kwaliteit2_, 6, 1);
  auto* sluiten = Named(new QPushButton("Sluiten", this), "Sluiten");
  grid->addWidget(sluiten, 7, 1);
  connect(sluiten, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
}

TInstelformulier::~TInstelformulier() {
  settings_.WriteString(kUserGroup, kPrintQualityWordKey, kwaliteit2_->currentText().toStdString());
}

void TInstelformulier::ShowSettings() {
  if (!restored_) {
    restored_ = true;
    if (auto word = settings_.ReadString(kUserGroup, kPrintQualityWordKey)) {
      kwaliteit2_->setCurrentText(QString::fromStdString(*word));
    }
  }
  FormShow();
  show();
  raise();
  activateWindow();
}

void TInstelformulier::FormShow() {
  const float width = document_.PageWidth();
  if (width == 210) staand_->setChecked(true);
  if (width == 297) liggend_->setChecked(true);
  snap_->setChecked(document_.SnapToGrid());
  kwaliteit_->setCurrentText(QString::number(document_.RenderDPI()));
  if (document_.PrintQuality() == pqMedium) {
    kwaliteit2_->setCurrentText(QString::fromStdString(messages_.Line(mlPrintQualityMedium)));
  }
  if (document_.PrintQuality() == pqLow) {
    kwaliteit2_->setCurrentText(QString::fromStdString(messages_.Line(mlPrintQualityLow)));
  }
}

bool TInstelformulier::ApplySettings() {
  try {
    if (staand_->isChecked()) {
      document_.SetPageWidth(210);
      document_.SetPageHeight(297);
    } else if (liggend_->isChecked()) {
      document_.SetPageWidth(297);
      document_.SetPageHeight(210);
    } else if (eigen_->isChecked()) {
      const double height = NumberOf(*lengte_, 1, kMaxPageMillimetres);
      const double width = NumberOf(*breedte_, 1, kMaxPageMillimetres);
      document_.SetPageHeight(static_cast<float>(height));
      document_.SetPageWidth(static_cast<float>(width));
    }
    document_.SetSnapToGrid(snap_->isChecked());
    document_.SetRenderDPI(static_cast<float>(NumberOf(*kwaliteit_->lineEdit(), kMinRenderDpi, kMaxRenderDpi)));
  } catch (const Exception& e) {
    Dialogs().MessageDlg(e.what(), mtError, MsgButtons({mbOK}));
    return false;
  }
  // Only words the table holds count: an empty line matches nothing.
  const std::string word = kwaliteit2_->currentText().toStdString();
  const std::string& medium = messages_.Line(mlPrintQualityMedium);
  const std::string& low = messages_.Line(mlPrintQualityLow);
  if ((!medium.empty() && word == medium) || word == "Middelmatig") {
    document_.SetPrintQuality(pqMedium);
  } else if (!low.empty() && word == low) {
    document_.SetPrintQuality(pqLow);
  }
  return true;
}

void TInstelformulier::done(int result) {
  if (!ApplySettings()) return;
  QDialog::done(result);
}

}  // namespace kivrano
