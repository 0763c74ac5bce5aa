#pragma once

namespace kivrano {

// Sets a flag for its lifetime and clears it when the scope ends, also by an exception.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace kivrano
