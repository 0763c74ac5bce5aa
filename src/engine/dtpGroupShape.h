#pragma once

#include <string>

#include "shapes/dtpEffectShape.h"

namespace kivrano {

// The shape that holds a group of shapes formed from a selection. Its children keep their
// positions relative to the group's origin and are not selectable on their own while grouped;
// once formed the group is Grouped, so that resizing it re-lays out the children by their anchors.
class TdtpGroupShape : public TdtpEffectShape {
 public:
  std::string ClassName() const override { return "TdtpGroupShape"; }
};

// Registers TdtpGroupShape with the shape class registry.
void RegisterGroupShapeClass();

}  // namespace kivrano
