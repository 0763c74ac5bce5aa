#pragma once

#include <functional>
#include <string>

#include "base/Exception.h"

namespace kivrano {

// The message of the failure action raises, or "(no failure)".
inline std::string FailureMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no failure)";
}

}  // namespace kivrano
