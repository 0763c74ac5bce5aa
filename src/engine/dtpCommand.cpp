#include "engine/dtpCommand.h"

namespace kivrano {

TdtpCommand::TdtpCommand(uint8_t kind, std::string value, std::string name, int32_t shapeId)
    : kind_(kind), shapeId_(shapeId), name_(std::move(name)), value_(std::move(value)) {}

TdtpCommand::TdtpCommand(uint8_t kind, std::unique_ptr<TMemoryStream> data, std::string value, std::string name,
                         int32_t shapeId)
    : kind_(kind), shapeId_(shapeId), name_(std::move(name)), value_(std::move(value)), data_(std::move(data)) {
  if (data_) data_->SetPosition(0);
}

int64_t TdtpCommand::Size() const {
  return static_cast<int64_t>(name_.size() + value_.size()) + 4 + (data_ ? data_->Size() : 0);
}

TdtpCommand* TdtpCommandList::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

void TdtpCommandList::Append(std::unique_ptr<TdtpCommand> command) {
  totalSize_ += command->Size();
  items_.push_back(std::move(command));
}

std::unique_ptr<TdtpCommand> TdtpCommandList::TakeLast() {
  if (items_.empty()) return nullptr;
  auto command = std::move(items_.back());
  items_.pop_back();
  totalSize_ -= command->Size();
  return command;
}

std::unique_ptr<TdtpCommand> TdtpCommandList::TakeFirst() {
  if (items_.empty()) return nullptr;
  auto command = std::move(items_.front());
  items_.pop_front();
  totalSize_ -= command->Size();
  return command;
}

void TdtpCommandList::Clear() {
  items_.clear();
  totalSize_ = 0;
}

}  // namespace kivrano
