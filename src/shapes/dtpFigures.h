#pragma once

// The predefined figures: polygon shapes whose single point line follows from their size (and, for
// the curved ones, from the scale of the image being painted) every time the points are built. None
// of them stores its points.

#include <string>
#include <vector>

#include "engine/dtpCursors.h"
#include "shapes/dtpFigureGeometry.h"
#include "shapes/dtpPolygonShape.h"

namespace kivrano {

// Replaces the shape's points by one line holding these points.
void SetFigurePoints(TdtpPolygonShape& shape, const std::vector<TFloatPoint>& points);

class TdtpRectangleShape : public TdtpPolygonShape {
 public:
  TdtpRectangleShape() { SetInsertCursor(crDtpCrossRectangle); }
  std::string ClassName() const override { return "TdtpRectangleShape"; }
  void BuildPoints() override;
};

class TdtpRoundRectShape : public TdtpPolygonShape {
 public:
  TdtpRoundRectShape();
  std::string ClassName() const override { return "TdtpRoundRectShape"; }

  // Size of the rounded corners in millimetres (at most half the box is used).
  float CornerWidth() const { return cornerWidth_; }
  float CornerHeight() const { return cornerHeight_; }
  void SetCornerWidth(float value);
  void SetCornerHeight(float value);

  void BuildPoints() override;
  // Corners of a quarter of the box as it is at that moment.
  void SetDefaults() override;
  void SetPropertyByName(const std::string& name, const std::string& value) override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 private:
  void SetCorner(float& field, const char* name, float value);

  float cornerWidth_ = 0;
  float cornerHeight_ = 0;
};

class TdtpEllipseShape : public TdtpPolygonShape {
 public:
  TdtpEllipseShape() { SetInsertCursor(crDtpCrossEllipse); }
  std::string ClassName() const override { return "TdtpEllipseShape"; }
  void BuildPoints() override;
};

// Octagon.
class TdtpAchtHShape : public TdtpPolygonShape {
 public:
  TdtpAchtHShape() { SetInsertCursor(crDtpCrossRectangle); }
  std::string ClassName() const override { return "TdtpAchtHShape"; }
  void BuildPoints() override;
};

// Triangle.
class TdtpDrieHShape : public TdtpPolygonShape {
 public:
  std::string ClassName() const override { return "TdtpDrieHShape"; }
  void BuildPoints() override;
};

// Pentagon.
class TdtpVijfHShape : public TdtpPolygonShape {
 public:
  std::string ClassName() const override { return "TdtpVijfHShape"; }
  void BuildPoints() override;
};

// Hexagon.
class TdtpZesHShape : public TdtpPolygonShape {
 public:
  std::string ClassName() const override { return "TdtpZesHShape"; }
  void BuildPoints() override;
};

// The half- and quarter-ellipse arcs with optional arrow marks at their ends. The number of arc
// segments follows the width at the scale of the image being painted. Being closed by default, an
// arc is a ring closed by its chord until SetIsClosed(false).
class TdtpArcShape : public TdtpPolygonShape {
 public:
  TArcFamily Family() const { return family_; }
  TArcMarks Marks() const { return marks_; }
  void BuildPoints() override;

 protected:
  TdtpArcShape(TArcFamily family, TArcMarks marks) : family_(family), marks_(marks) {}

 private:
  TArcFamily family_;
  TArcMarks marks_;
};

// "TdtpHcirkel1Shape" + variant letter, ...
std::string ArcShapeClassName(TArcFamily family, char variant);

// Variant A marks both ends, B and V none, C the start, D the end.
constexpr TArcMarks ArcVariantMarks(char variant) {
  return variant == 'A' ? amBoth : variant == 'C' ? amStart : variant == 'D' ? amEnd : amNone;
}

template <TArcFamily F, char Variant>
class TdtpArcFigure final : public TdtpArcShape {
 public:
  TdtpArcFigure() : TdtpArcShape(F, ArcVariantMarks(Variant)) {}
  std::string ClassName() const override { return ArcShapeClassName(F, Variant); }
};

using TdtpHcirkel1ShapeA = TdtpArcFigure<afHcirkel1, 'A'>;
using TdtpHcirkel1ShapeB = TdtpArcFigure<afHcirkel1, 'B'>;
using TdtpHcirkel1ShapeC = TdtpArcFigure<afHcirkel1, 'C'>;
using TdtpHcirkel1ShapeD = TdtpArcFigure<afHcirkel1, 'D'>;
using TdtpHcirkel1ShapeV = TdtpArcFigure<afHcirkel1, 'V'>;
using TdtpHcirkel2ShapeA = TdtpArcFigure<afHcirkel2, 'A'>;
using TdtpHcirkel2ShapeB = TdtpArcFigure<afHcirkel2, 'B'>;
using TdtpHcirkel2ShapeC = TdtpArcFigure<afHcirkel2, 'C'>;
using TdtpHcirkel2ShapeD = TdtpArcFigure<afHcirkel2, 'D'>;
using TdtpHcirkel3ShapeA = TdtpArcFigure<afHcirkel3, 'A'>;
using TdtpHcirkel3ShapeB = TdtpArcFigure<afHcirkel3, 'B'>;
using TdtpHcirkel3ShapeC = TdtpArcFigure<afHcirkel3, 'C'>;
using TdtpHcirkel3ShapeD = TdtpArcFigure<afHcirkel3, 'D'>;
using TdtpHcirkel4ShapeA = TdtpArcFigure<afHcirkel4, 'A'>;
using TdtpHcirkel4ShapeB = TdtpArcFigure<afHcirkel4, 'B'>;
using TdtpHcirkel4ShapeC = TdtpArcFigure<afHcirkel4, 'C'>;
using TdtpHcirkel4ShapeD = TdtpArcFigure<afHcirkel4, 'D'>;
using TdtpKcirkel1ShapeA = TdtpArcFigure<afKcirkel1, 'A'>;
using TdtpKcirkel1ShapeB = TdtpArcFigure<afKcirkel1, 'B'>;
using TdtpKcirkel1ShapeC = TdtpArcFigure<afKcirkel1, 'C'>;
using TdtpKcirkel1ShapeD = TdtpArcFigure<afKcirkel1, 'D'>;
using TdtpKcirkel2ShapeA = TdtpArcFigure<afKcirkel2, 'A'>;
using TdtpKcirkel2ShapeB = TdtpArcFigure<afKcirkel2, 'B'>;
using TdtpKcirkel2ShapeC = TdtpArcFigure<afKcirkel2, 'C'>;
using TdtpKcirkel2ShapeD = TdtpArcFigure<afKcirkel2, 'D'>;
using TdtpKcirkel3ShapeA = TdtpArcFigure<afKcirkel3, 'A'>;
using TdtpKcirkel3ShapeB = TdtpArcFigure<afKcirkel3, 'B'>;
using TdtpKcirkel3ShapeC = TdtpArcFigure<afKcirkel3, 'C'>;
using TdtpKcirkel3ShapeD = TdtpArcFigure<afKcirkel3, 'D'>;
using TdtpKcirkel4ShapeA = TdtpArcFigure<afKcirkel4, 'A'>;
using TdtpKcirkel4ShapeB = TdtpArcFigure<afKcirkel4, 'B'>;
using TdtpKcirkel4ShapeC = TdtpArcFigure<afKcirkel4, 'C'>;
using TdtpKcirkel4ShapeD = TdtpArcFigure<afKcirkel4, 'D'>;

// Registers the seven figures and the 33 arc classes by name; calling again changes nothing.
void RegisterFigureShapeClasses();

}  // namespace kivrano
