#pragma once

// The settings store on Qt's settings: one settings file of the program in the user's config
// folder, each store group a settings group in it.

#include <QSettings>
#include <QString>
#include <memory>

#include "platform/SettingsStore.h"

namespace kivrano {

class TQtSettingsStore : public ISettingsStore {
 public:
  // The user's settings of the program ("kivrano" in the user's config folder).
  TQtSettingsStore();
  // Settings in the given INI file (tests, portable setups).
  explicit TQtSettingsStore(const QString& iniFile);

  using ISettingsStore::ReadString;
  std::optional<std::string> ReadString(const std::string& group, const std::string& key) const override;
  void WriteString(const std::string& group, const std::string& key, const std::string& value) override;
  void Flush() override;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace kivrano
