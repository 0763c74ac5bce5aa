// Arbitrary text loaded as one stored figure, line or freehand shape (the class named in it), then
// used: painted at two scales, turned, saved again and edited through the freehand hooks. Damaged
// values must end in a kivrano::Exception at worst.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/Exception.h"
#include "engine/ShapeRegistry.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpShapeClasses.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpFreehandShape.h"
#include "shapes/dtpLineShape.h"
#include "storage/XmlDocuments.h"

using namespace kivrano;

namespace {

TdtpMatrix Scale(float s) {
  TdtpMatrix m;
  m.M[0][0] = s;
  m.M[1][1] = s;
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterStandardShapeClasses();
  try {
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int32_t>(size));
    stream.SetPosition(0);
    TXmlDocument xml;
    xml.LoadFromStream(stream);
    if (!xml.Root()) return 0;
    std::unique_ptr<TdtpShape> shape = FindShapeClass(xml.Root()->GetString("ClassName", "")).Create();
    auto* polygon = dynamic_cast<TdtpPolygonShape*>(shape.get());
    if (!polygon) return 0;
    polygon->LoadFromXml(xml.Root());

    TBitmap32 bitmap;
    bitmap.SetSize(48, 48);
    for (float scale : {0.5f, 6.0f}) {
      polygon->SetPaintMatrix(Scale(scale));
      polygon->PaintBitmap(bitmap);
    }
    if (auto* line = dynamic_cast<TdtpLineShape*>(polygon)) {
      line->SetDocAngle(30);
      line->UpdateHandles();
      line->SetBoundsRect(TFloatRect{20, 20, 5, 5});
    }
    if (auto* freehand = dynamic_cast<TdtpFreehandShape*>(polygon)) {
      freehand->BeginEdit();
      freehand->EditMouseDown(0, 0, 3, 4);
      freehand->EditMouseMove(0, 0, 9, 9);
      freehand->EditMouseUp(0, 0, 9, 12);
    }
    polygon->SetPaintMatrix(Scale(2));
    polygon->PaintBitmap(bitmap);

    TXmlDocument out("Shape");
    out.SetStoreDefaults(false);
    polygon->SaveToXml(out.Root());
    out.AsText();
  } catch (const Exception&) {
  }
  return 0;
}
