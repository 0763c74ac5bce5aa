#include "engine/ShapeRegistry.h"

#include "engine/dtpPage.h"

namespace kivrano {

namespace {

std::vector<TdtpShapeClass>& Registry() {
  static std::vector<TdtpShapeClass> registry = [] {
    std::vector<TdtpShapeClass> r;
    r.push_back({"TdtpShape", []() -> std::unique_ptr<TdtpShape> { return std::make_unique<TdtpShape>(); }});
    r.push_back({"TdtpPage", []() -> std::unique_ptr<TdtpShape> { return std::make_unique<TdtpPage>(); }});
    return r;
  }();
  return registry;
}

}  // namespace

void RegisterShapeClass(const std::string& name, TdtpShapeFactory create) {
  if (!create) return;
  auto& registry = Registry();
  for (const TdtpShapeClass& c : registry) {
    if (c.Name == name) return;
  }
  registry.push_back({name, create});
}

const TdtpShapeClass& FindShapeClass(const std::string& name) {
  const auto& registry = Registry();
  for (const TdtpShapeClass& c : registry) {
    if (c.Name == name) return c;
  }
  return registry.front();
}

std::vector<std::string> RegisteredShapeClassNames() {
  std::vector<std::string> names;
  for (const TdtpShapeClass& c : Registry()) names.push_back(c.Name);
  return names;
}

}  // namespace kivrano
