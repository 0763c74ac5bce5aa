#pragma once

// The page settings dialog: sheet format, snapping to the grid and print quality.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace kivrano {

class ISettingsStore;
class TdtpDocument;
class TMessageTable;

// Render resolutions and page sides the dialog accepts.
inline constexpr double kMinRenderDpi = 25;
inline constexpr double kMaxRenderDpi = 1200;
inline constexpr double kMaxPageMillimetres = 10000;

class TInstelformulier : public QDialog {
  Q_OBJECT

 public:
  TInstelformulier(TdtpDocument& document, const TMessageTable& messages, ISettingsStore& settings,
                   QWidget* parent = nullptr);
  // Keeps the print quality word for the next run.
  ~TInstelformulier() override;

  // Shows the dialog (not modal) with the view's current settings.
  void ShowSettings();
  // Applies the dialog to the view; false, with the settings before the failing field applied,
  // when a number does not convert.
  bool ApplySettings();

  // Every close applies the settings; a number that does not convert keeps the dialog open.
  void done(int result) override;

 private:
  void FormShow();

  TdtpDocument& document_;
  const TMessageTable& messages_;
  ISettingsStore& settings_;
  bool restored_ = false;
  QRadioButton* staand_ = nullptr;
  QRadioButton* liggend_ = nullptr;
  QRadioButton* eigen_ = nullptr;
  QLineEdit* lengte_ = nullptr;
  QLineEdit* breedte_ = nullptr;
  QCheckBox* snap_ = nullptr;
  QComboBox* kwaliteit_ = nullptr;
  QComboBox* kwaliteit2_ = nullptr;
};

}  // namespace kivrano
