#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "base/Stream.h"

namespace kivrano {

// Kinds of undo records.
enum TdtpCommandKind : uint8_t {
  ckProperty = 0,     // a property changed: Name = its XML name, Value = the old value as text
  ckChildInserted = 1,  // a child was inserted: Value = its index in decimal
  ckChildRemoved = 2,   // a child was removed: Value = its class name, Data = index, id and XML
};

// One undo record. It is addressed to a shape by ShapeID (for child insertions and removals, the
// parent) and says how to return that shape to its earlier state.
class TdtpCommand {
 public:
  TdtpCommand(uint8_t kind, std::string value, std::string name, int32_t shapeId);
  // Takes the data stream over and rewinds it.
  TdtpCommand(uint8_t kind, std::unique_ptr<TMemoryStream> data, std::string value, std::string name,
              int32_t shapeId);

  uint8_t Kind() const { return kind_; }
  int32_t ShapeID() const { return shapeId_; }
  bool GroupContinued() const { return groupContinued_; }
  void SetGroupContinued(bool value) { groupContinued_ = value; }
  const std::string& Name() const { return name_; }
  const std::string& Value() const { return value_; }
  TMemoryStream* Data() const { return data_.get(); }

  // Size counted against the undo memory limit.
  int64_t Size() const;

 private:
  uint8_t kind_;
  int32_t shapeId_;
  bool groupContinued_ = false;
  std::string name_;
  std::string value_;
  std::unique_ptr<TMemoryStream> data_;
};

// An owning list of records, oldest first, that keeps the sum of their sizes.
class TdtpCommandList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  int64_t TotalSize() const { return totalSize_; }
  TdtpCommand* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
  TdtpCommand* Item(int index) const;

  void Append(std::unique_ptr<TdtpCommand> command);
  std::unique_ptr<TdtpCommand> TakeLast();
  std::unique_ptr<TdtpCommand> TakeFirst();
  void Clear();

 private:
  std::deque<std::unique_ptr<TdtpCommand>> items_;
  int64_t totalSize_ = 0;
};

}  // namespace kivrano
