#include "shapes/dtpShapeClasses.h"

#include "engine/ShapeRegistry.h"
#include "engine/dtpGroupShape.h"
#include "shapes/dtpBitmapShape.h"
#include "shapes/dtpEffectShape.h"
#include "shapes/dtpExposedMetafile.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpLineShape.h"
#include "shapes/dtpMemoShape.h"
#include "shapes/dtpPolygonShape.h"
#include "shapes/dtpTextShape.h"

namespace kivrano {

void RegisterStandardShapeClasses() {
  RegisterShapeClass<TdtpEffectShape>();
  RegisterGroupShapeClass();
  RegisterShapeClass<TdtpPolygonShape>();
  RegisterFigureShapeClasses();
  RegisterLineShapeClasses();
  // Pictures
  RegisterShapeClass<TdtpBitmapShape>();
  RegisterShapeClass<TdtpExposedMetafile>();
  // Text and memo shapes
  RegisterShapeClass<TdtpTextShape>();
  RegisterShapeClass<TdtpMemoShape>();
}

}  // namespace kivrano
