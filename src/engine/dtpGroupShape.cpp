#include "engine/dtpGroupShape.h"

#include "engine/ShapeRegistry.h"

namespace kivrano {

void RegisterGroupShapeClass() { RegisterShapeClass<TdtpGroupShape>(); }

}  // namespace kivrano
