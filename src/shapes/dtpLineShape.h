#pragma once

// Straight lines between two end points with a head description at each end. The end points, the
// line width and the two heads become one closed outline ring (body plus heads) that the polygon
// machinery fills.

#include <memory>
#include <string>
#include <vector>

#include "engine/dtpCursors.h"
#include "shapes/dtpArrowGeometry.h"
#include "shapes/dtpPolygonShape.h"

namespace kivrano {

class TCanvas;
class TdtpLineShape;
class TXmlNode;

// The head at one end of a line. The setters repaint the owning line; they record no undo.
class TdtpArrow {
 public:
  explicit TdtpArrow(TdtpLineShape* line) : line_(line) {}

  TdtpArrowStyle Style() const { return head_.Style; }
  // Full width of the head across the line, mm.
  float Width() const { return head_.Width; }
  // Length of the head along the line, mm.
  float Length() const { return head_.Length; }
  const TArrowHead& Head() const { return head_; }
  TdtpLineShape* Line() const { return line_; }

  void SetStyle(TdtpArrowStyle value);
  void SetWidth(float value);
  void SetLength(float value);
  // Copies style, width and length (the owning line stays).
  void Assign(const TdtpArrow& source);

  // "Style" as its name, "Width" and "Length" as floats. Loading sets the style only for an exact
  // style name and stores width and length directly.
  void LoadFromXml(TXmlNode* node);
  void SaveToXml(TXmlNode* node) const;

 private:
  template <typename T>
  void Set(T& field, T value);

  TArrowHead head_;
  TdtpLineShape* line_;
};

class TdtpLineShape : public TdtpPolygonShape {
 public:
  TdtpLineShape();
  ~TdtpLineShape() override;

  std::string ClassName() const override { return "TdtpLineShape"; }

  // Arrow 0 sits at point 0, arrow 1 at point 1; none for any other index.
  TdtpArrow* Arrows(int index) const;
  float LineWidth() const { return lineWidth_; }
  // Stores, repaints and notifies when different; no undo record.
  void SetLineWidth(float value);

  // Number of end points (two once the line is set up).
  virtual int PointCount() const { return static_cast<int>(ends_.size()); }
  // End point in the parent's millimetres; (0, 0) out of range.
  TFloatPoint GetPoint(int index) const;
  // Moves end point 0 or 1 (parent millimetres) and fits the box to the end points. Points that are
  // no finite numbers are ignored.
  void SetPoint(int index, TFloatPoint point);
  // Appends an end point while the line has fewer than two; further points are ignored, and so are
  // points that are no finite numbers.
  void AddLinePoint(TFloatPoint point);
  // Fits the box to the end points (an empty width or height becomes 1 mm) and re-expresses them
  // relative to it.
  void NormalizePoints();

  // ---- overrides ----
  // The outline ring in local millimetres; unchanged while the end points coincide.
  void BuildPoints() override;
  void SetDefaults() override;
  // One point handle per end point joined by a move edge.
  void UpdateHandles() override;
  // A dragged end-point handle moves that end point; any other drag moves or resizes the box.
  void ApplyTracking() override;
  // A rectangle dragged leftwards or upwards puts point 0 on the right or at the bottom.
  void SetBoundsRect(const TFloatRect& r) override;
  // Turns the end points about the box's origin instead of the box: lines keep DocAngle 0.
  void SetDocAngle(float degrees) override;
  // The dotted exclusive-or line from the frame's top-left to its bottom-right corner.
  void DrawInsertFrame(TCanvas& canvas, const TRect& rect, TColor color) override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

  // Called by the arrows when one changes.
  void ArrowChanged();

 private:
  // Places the end points at these parent positions and makes the box their bounds.
  void PlaceEnds(const std::vector<TFloatPoint>& points);
  std::vector<TFloatPoint> PagePoints() const;
  // Whether the last handle hit is an end point being dragged on its own.
  bool DraggingEndPoint() const;

  std::unique_ptr<TdtpArrow> arrows_[2];
  // End points relative to the box: 0 is its left or top edge, 1 its right or bottom edge.
  std::vector<TFloatPoint> ends_;
  float lineWidth_ = 1.0f;
};

// The dashed line: a line whose outline ring is drawn as dashes.
class TdtpLineShape2 : public TdtpLineShape {
 public:
  TdtpLineShape2() { TdtpLineShape2::BuildPoints(); }
  std::string ClassName() const override { return "TdtpLineShape2"; }
  void BuildPoints() override;
};

// Registers the line and freehand classes by name; calling again changes nothing.
void RegisterLineShapeClasses();

}  // namespace kivrano
