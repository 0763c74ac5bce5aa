#include "platform/SettingsStore.h"

namespace kivrano {

std::string ISettingsStore::ReadString(const std::string& group, const std::string& key,
                                       const std::string& fallback) const {
  return ReadString(group, key).value_or(fallback);
}

std::optional<std::string> TMemorySettingsStore::ReadString(const std::string& group, const std::string& key) const {
  const auto found = values_.find({group, key});
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void TMemorySettingsStore::WriteString(const std::string& group, const std::string& key, const std::string& value) {
  values_[{group, key}] = value;
}

}  // namespace kivrano
