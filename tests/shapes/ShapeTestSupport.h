#pragma once

#include <memory>
#include <string>

#include "engine/EngineTestSupport.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpPolygonShape.h"
#include "storage/XmlDocuments.h"

namespace kivrano::test {

// A polygon whose points are its data, as freehand lines keep them (nothing derives them); it stays
// in place-edit mode once the document starts editing it.
class StoredPolygon : public TdtpPolygonShape {
 public:
  StoredPolygon() { SetStoresPoints(true); }
  void BuildPoints() override {}
  void BeginEdit() override {}
  void SetLines(const ArrayOfArrayOfFPoint& lines) {
    ClearPoints();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) NewLine();
      for (const TFloatPoint& p : lines[i]) AddPointRecord(p);
    }
  }
};

// A width x height surface filled with one value.
inline std::unique_ptr<TBitmap32> NewSurface(int width, int height, TColor32 fill = 0) {
  auto b = std::make_unique<TBitmap32>();
  b->SetSize(width, height);
  b->Clear(fill);
  return b;
}

// A matrix scaling millimetres to pixels, then moving by (dx, dy) pixels.
inline TdtpMatrix ScaleMatrix(float scale, float dx = 0, float dy = 0) {
  TdtpMatrix m;
  m.M[0][0] = scale;
  m.M[1][1] = scale;
  m.M[2][0] = dx;
  m.M[2][1] = dy;
  return m;
}

// Adds the shape to the document's current page without undo records and empties the undo history.
template <typename T>
T* AddQuietly(TdtpDocument& doc, std::unique_ptr<T> shape) {
  T* raw = shape.get();
  doc.LockUndo();
  doc.AddShape(std::move(shape));
  doc.UnlockUndo();
  doc.ClearUndo();
  return raw;
}

// The shape written without default values, as page streams are, and read into target.
inline std::string SaveAndLoad(TdtpShape& source, TdtpShape& target) {
  TXmlDocument out("Shape");
  out.SetStoreDefaults(false);
  source.SaveToXml(out.Root());
  const std::string text = out.AsText();
  TXmlDocument in;
  in.ParseText(text);
  target.LoadFromXml(in.Root());
  return text;
}

}  // namespace kivrano::test
