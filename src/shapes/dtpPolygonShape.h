#pragma once

// The vector shape of the engine: point lines in the shape's own millimetres, filled and outlined
// with anti-aliasing through two polygons built for the image being painted. Figures, lines and
// freehand lines derive from it and differ in how their points come about.

#include <memory>
#include <string>
#include <vector>

#include "base/Types.h"
#include "engine/dtpGeometry.h"
#include "raster/Polygons.h"
#include "shapes/dtpEffectShape.h"

namespace kivrano {

class TBitmap32;
class TXmlNode;

// Point lines of single-precision (X, Y) millimetres.
using ArrayOfFPoint = std::vector<TFloatPoint>;
using ArrayOfArrayOfFPoint = std::vector<ArrayOfFPoint>;

// The interior and the outline band of point lines in pixels of one image.
struct TPolygonPair {
  std::unique_ptr<TPolygon32> Fill;     // always present
  std::unique_ptr<TPolygon32> Outline;  // none without an outline band
};

// Maps the points through the paint matrix into a fill polygon (anti-aliased, even-odd, closed as
// given; every line followed by an empty line) and, with useOutline and a positive width, grows its
// outline by half the width (in pixels at the matrix's horizontal scale) into the outline band.
TPolygonPair BuildPolygons(const ArrayOfArrayOfFPoint& points, const TdtpMatrix& matrix, float width, bool closed,
                           bool useOutline);

class TdtpPolygonShape : public TdtpEffectShape {
 public:
  TdtpPolygonShape();
  ~TdtpPolygonShape() override;

  std::string ClassName() const override { return "TdtpPolygonShape"; }

  // ---- properties ----
  bool IsClosed() const { return isClosed_; }
  float OutlineWidth() const { return outlineWidth_; }
  int FillAlpha() const { return fillAlpha_; }
  TColor FillColor() const { return fillColor_; }
  TColor OutlineColor() const { return outlineColor_; }
  // Length of one dash pattern repeat in millimetres.
  float DashPeriod() const { return dashPeriod_; }
  bool UseFill() const { return useFill_; }
  bool UseOutline() const { return useOutline_; }
  bool UseStipple() const { return useStipple_; }
  bool UseArrow1() const { return useArrow1_; }
  bool UseArrow2() const { return useArrow2_; }
  // True for shapes whose points are their data; false when BuildPoints derives them from the size.
  bool StoresPoints() const { return storesPoints_; }
  const ArrayOfArrayOfFPoint& Points() const { return points_; }
  // Whether the polygons must be rebuilt before the next paint.
  bool PolygonsDirty() const { return polygonsDirty_; }
  // The polygons of the last rebuild (the outline may be none).
  const TPolygon32* FillPolygon() const { return fillPolygon_.get(); }
  const TPolygon32* OutlinePolygon() const { return outlinePolygon_.get(); }

  // ---- setters: nothing for an equal value, else undo record, store, re-render, notify ----
  void SetFillAlpha(uint8_t value);
  void SetFillColor(TColor value);
  void SetOutlineColor(TColor value);
  // Also resets the curbs to half the width (at least 0.1 mm), even for an equal value.
  void SetOutlineWidth(float value);
  void SetUseFill(bool value);
  void SetUseOutline(bool value);
  void SetUseStipple(bool value);
  void SetIsClosed(bool value);
  // Always store and record, also for an equal value.
  void SetUseArrow1(bool value);
  void SetUseArrow2(bool value);
  // Plain stores.
  void SetDashPeriod(float value);
  void SetStoresPoints(bool value) { storesPoints_ = value; }
  void MarkPolygonsDirty() { polygonsDirty_ = true; }

  // ---- point operations ----
  // Smallest rectangle holding every point; (0, 0, 0, 0) without points.
  virtual void GetPointsBounds(TFloatRect& rect) const;
  // Moves and scales the points so that their bounds become rect (scaling only where both the
  // bounds and rect have positive extent).
  virtual void FitPointsToRect(const TFloatRect& rect);
  // Derives the points from the shape's size; the base builds a sample figure with a square hole.
  virtual void BuildPoints();
  virtual void OffsetPoints(float dx, float dy);
  virtual void ScalePoints(float sx, float sy);
  // Derives the points (unless stored) and rebuilds both polygons for the paint matrix.
  virtual void RebuildPolygons();
  virtual void AddPointRecord(TFloatPoint point);
  virtual void AddPoint(float x, float y);
  // Leaves exactly one empty line.
  virtual void ClearPoints();
  virtual void NewLine();

  // Pixels per millimetre of the image being painted (the paint matrix's horizontal scale), 1 when
  // that is 0.
  float GetScale() const;
  // No lines, or only one empty line.
  bool HasNoPoints() const;

  // ---- overrides ----
  void Animate() override {}
  void SetDefaults() override;
  void SetSize(float width, float height) override;
  void SetPropertyByName(const std::string& name, const std::string& value) override;
  void SetPaintMatrix(const TdtpMatrix& m) override;
  // All point lines on the screen under the even-odd rule.
  TScreenRegion CreateBodyRegion() const override;
  void AdjustCurbs(float& left, float& top, float& right, float& bottom) override;
  void PaintBitmap(TBitmap32& bitmap) override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 private:
  // The common tail of the setters: render again and notify.
  void Rerender();
  // Setters of switches that change the outline polygons, and of the arrow switches.
  void ChangeOutlineSwitch(bool& field, bool value, const char* name);
  void StoreArrowSwitch(bool& field, bool value, const char* name);
  void DrawStippledLines(TBitmap32& bitmap) const;

  std::unique_ptr<TPolygon32> fillPolygon_;
  std::unique_ptr<TPolygon32> outlinePolygon_;
  bool isClosed_ = true;
  float outlineWidth_ = 0.5f;
  bool polygonsDirty_ = true;
  int fillAlpha_ = 255;
  TColor fillColor_ = 0xFF0000;
  TColor outlineColor_ = 0;
  float dashPeriod_ = 2.0f;
  bool useFill_ = true;
  bool useOutline_ = true;
  bool useStipple_ = false;
  bool useArrow1_ = false;
  bool useArrow2_ = false;
  ArrayOfArrayOfFPoint points_;
  bool storesPoints_ = false;
};

// Fill alpha 255, fill and outline on, fill blue, outline black, outline width 0.5 mm, through the
// setters; nothing without a shape.
void ApplyDefaultPolygonStyle(TdtpPolygonShape* shape);

}  // namespace kivrano
