#include "qt/QtSettingsStore.h"

namespace kivrano {

namespace {

QString KeyOf(const std::string& group, const std::string& key) {
  return QString::fromStdString(group) + "/" + QString::fromStdString(key);
}

}  // namespace

TQtSettingsStore::TQtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "kivrano", "kivrano")) {}

TQtSettingsStore::TQtSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<std::string> TQtSettingsStore::ReadString(const std::string& group, const std::string& key) const {
  const QVariant value = settings_->value(KeyOf(group, key));
  if (!value.isValid()) return std::nullopt;
  return value.toString().toStdString();
}

void TQtSettingsStore::WriteString(const std::string& group, const std::string& key, const std::string& value) {
  settings_->setValue(KeyOf(group, key), QString::fromStdString(value));
}

void TQtSettingsStore::Flush() { settings_->sync(); }

}  // namespace kivrano
