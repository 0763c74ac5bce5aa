#include "shapes/dtpFigures.h"

#include <strings.h>

#include "engine/ShapeRegistry.h"
#include "engine/dtpCommand.h"
#include "shapes/dtpShapeXml.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

void SetFigurePoints(TdtpPolygonShape& shape, const std::vector<TFloatPoint>& points) {
  shape.ClearPoints();
  for (const TFloatPoint& p : points) shape.AddPoint(p.X, p.Y);
}

void TdtpRectangleShape::BuildPoints() { SetFigurePoints(*this, RectanglePoints(DocWidth(), DocHeight())); }

void TdtpEllipseShape::BuildPoints() { SetFigurePoints(*this, EllipsePoints(DocWidth(), DocHeight(), GetScale())); }

void TdtpAchtHShape::BuildPoints() { SetFigurePoints(*this, OctagonPoints(DocWidth(), DocHeight())); }

void TdtpDrieHShape::BuildPoints() { SetFigurePoints(*this, TrianglePoints(DocWidth(), DocHeight())); }

void TdtpVijfHShape::BuildPoints() { SetFigurePoints(*this, PentagonPoints(DocWidth(), DocHeight())); }

void TdtpZesHShape::BuildPoints() { SetFigurePoints(*this, HexagonPoints(DocWidth(), DocHeight())); }

void TdtpArcShape::BuildPoints() {
  SetFigurePoints(*this, ArcPoints(family_, marks_, DocWidth(), DocHeight(), GetScale()));
}

std::string ArcShapeClassName(TArcFamily family, char variant) {
  static const char* const kFamilyNames[] = {"Hcirkel1", "Hcirkel2", "Hcirkel3", "Hcirkel4",
                                             "Kcirkel1", "Kcirkel2", "Kcirkel3", "Kcirkel4"};
  return std::string("Tdtp") + kFamilyNames[family] + "Shape" + variant;
}

// ---------------------------------------------------------------------------------------------
// Rounded rectangle

TdtpRoundRectShape::TdtpRoundRectShape() {
  TdtpRoundRectShape::SetDefaults();
  SetInsertCursor(crDtpCrossRectangle);
}

void TdtpRoundRectShape::SetDefaults() {
  TdtpPolygonShape::SetDefaults();
  cornerWidth_ = DocWidth() / 4;
  cornerHeight_ = DocHeight() / 4;
}

void TdtpRoundRectShape::BuildPoints() {
  SetFigurePoints(*this, RoundRectPoints(DocWidth(), DocHeight(), cornerWidth_, cornerHeight_, GetScale()));
}

void TdtpRoundRectShape::SetCorner(float& field, const char* name, float value) {
  if (value == field) return;
  RecordUndoFloat(ckProperty, name, field);
  field = value;
  MarkPolygonsDirty();
  RefreshCache();
  Changed();
}

void TdtpRoundRectShape::SetCornerWidth(float value) { SetCorner(cornerWidth_, "CornerWidth", value); }

void TdtpRoundRectShape::SetCornerHeight(float value) { SetCorner(cornerHeight_, "CornerHeight", value); }

void TdtpRoundRectShape::SetPropertyByName(const std::string& name, const std::string& value) {
  TdtpPolygonShape::SetPropertyByName(name, value);
  if (strcasecmp(name.c_str(), "CornerWidth") == 0) {
    SetCornerWidth(TextToFloat(value));
  } else if (strcasecmp(name.c_str(), "CornerHeight") == 0) {
    SetCornerHeight(TextToFloat(value));
  }
}

void TdtpRoundRectShape::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpPolygonShape::SaveToXml(node);
  WriteXmlFloat(*node, "CornerWidth", cornerWidth_, 0);
  WriteXmlFloat(*node, "CornerHeight", cornerHeight_, 0);
}

void TdtpRoundRectShape::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpPolygonShape::LoadFromXml(node);
  cornerWidth_ = ReadXmlFloat(*node, "CornerWidth", 0);
  cornerHeight_ = ReadXmlFloat(*node, "CornerHeight", 0);
  MarkPolygonsDirty();
  UpdateCurbs();
}

// ---------------------------------------------------------------------------------------------
// Registration

namespace {

template <TArcFamily F>
void RegisterArcFamily() {
  RegisterShapeClass<TdtpArcFigure<F, 'A'>>();
  RegisterShapeClass<TdtpArcFigure<F, 'B'>>();
  RegisterShapeClass<TdtpArcFigure<F, 'C'>>();
  RegisterShapeClass<TdtpArcFigure<F, 'D'>>();
}

}  // namespace

void RegisterFigureShapeClasses() {
  RegisterShapeClass<TdtpRectangleShape>();
  RegisterShapeClass<TdtpRoundRectShape>();
  RegisterShapeClass<TdtpEllipseShape>();
  RegisterShapeClass<TdtpAchtHShape>();
  RegisterShapeClass<TdtpDrieHShape>();
  RegisterShapeClass<TdtpVijfHShape>();
  RegisterShapeClass<TdtpZesHShape>();
  RegisterArcFamily<afHcirkel1>();
  RegisterShapeClass<TdtpHcirkel1ShapeV>();
  RegisterArcFamily<afHcirkel2>();
  RegisterArcFamily<afHcirkel3>();
  RegisterArcFamily<afHcirkel4>();
  RegisterArcFamily<afKcirkel1>();
  RegisterArcFamily<afKcirkel2>();
  RegisterArcFamily<afKcirkel3>();
  RegisterArcFamily<afKcirkel4>();
}

}  // namespace kivrano
