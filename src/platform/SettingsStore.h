#pragma once

// Settings kept from one run to the next: named values in named groups. The program stores them
// through the desktop's settings (QtSettingsStore); tests use TMemorySettingsStore.

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace kivrano {

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  // The stored text of key in group, none when it was never written.
  virtual std::optional<std::string> ReadString(const std::string& group, const std::string& key) const = 0;
  virtual void WriteString(const std::string& group, const std::string& key, const std::string& value) = 0;
  // Writes what is pending to lasting storage (nothing to do for stores that write at once).
  virtual void Flush() {}

  // The stored text, or fallback when none is stored.
  std::string ReadString(const std::string& group, const std::string& key, const std::string& fallback) const;
};

// Keeps the values in memory only.
class TMemorySettingsStore : public ISettingsStore {
 public:
  using ISettingsStore::ReadString;
  std::optional<std::string> ReadString(const std::string& group, const std::string& key) const override;
  void WriteString(const std::string& group, const std::string& key, const std::string& value) override;
  // Forgets every value.
  void Clear() { values_.clear(); }

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace kivrano
