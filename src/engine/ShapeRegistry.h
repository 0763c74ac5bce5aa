#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/dtpShape.h"

namespace kivrano {

// Creates a new, default shape of one class.
using TdtpShapeFactory = std::unique_ptr<TdtpShape> (*)();

struct TdtpShapeClass {
  std::string Name;
  TdtpShapeFactory Create = nullptr;
};

// The process-wide class registry: stored class names become objects again. Adds a class unless one
// of that name is registered; the engine's own classes (TdtpShape, TdtpPage) are always present.
void RegisterShapeClass(const std::string& name, TdtpShapeFactory create);

template <typename T>
void RegisterShapeClass() {
  RegisterShapeClass(T().ClassName(), []() -> std::unique_ptr<TdtpShape> { return std::make_unique<T>(); });
}

// The class registered under name (compared exactly), TdtpShape when there is none.
const TdtpShapeClass& FindShapeClass(const std::string& name);

// Registered class names in registration order.
std::vector<std::string> RegisteredShapeClassNames();

// Creates a T and loads it from node.
template <typename T>
std::unique_ptr<T> CreateFromXml(TXmlNode* node) {
  auto shape = std::make_unique<T>();
  shape->LoadFromXml(node);
  return shape;
}

}  // namespace kivrano
