#include "shapes/dtpShapeClasses.h"

#include "engine/ShapeRegistry.h"
#include "shapes/dtpEffectShape.h"
#include "shapes/dtpPolygonShape.h"

namespace kivrano {

void RegisterStandardShapeClasses() {
  RegisterShapeClass<TdtpEffectShape>();
  RegisterShapeClass<TdtpPolygonShape>();
}

}  // namespace kivrano
