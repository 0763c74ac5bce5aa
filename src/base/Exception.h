#pragma once

#include <stdexcept>
#include <string>

namespace kivrano {

// Every failure the system reports is an exception carrying its message text verbatim.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  const char* Message() const noexcept { return what(); }
};

}  // namespace kivrano
