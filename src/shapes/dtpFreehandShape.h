#pragma once

// Lines drawn with the mouse: while the shape is edited in place, presses, moves and releases add
// points in the shape's own millimetres; the points are the shape's data.

#include <string>

#include "shapes/dtpPolygonShape.h"

namespace kivrano {

class TCanvas;
class TXmlNode;

class TdtpFreehandShape : public TdtpPolygonShape {
 public:
  TdtpFreehandShape();

  std::string ClassName() const override { return "TdtpFreehandShape"; }

  // Start a new point line after every stroke.
  bool AutoRestart() const { return autoRestart_; }
  void SetAutoRestart(bool value) { autoRestart_ = value; }
  // Set between a press and its release while editing.
  bool Capturing() const { return capturing_; }
  // The last captured point, local millimetres.
  TFloatPoint LastPoint() const { return lastPoint_; }

  // Appends a captured point, fits the box to the points and repaints.
  void AddCapturedPoint(TFloatPoint point);
  // Moves the points to start at (0, 0) and the box onto them, when they span an area.
  void FitBoxToPoints();

  // ---- overrides ----
  // The points are the data: nothing to derive.
  void BuildPoints() override {}
  // Reuses a last line of fewer than two points instead of appending another.
  void NewLine() override;
  void SetDefaults() override;
  // While the box is being fitted to the points, the points keep their size.
  void SetSize(float width, float height) override;
  // Opens the undo bracket of the stroke.
  void BeginEdit() override;
  // Accepted with points (or without a document): drops trailing lines of at most one point and
  // closes the bracket. Otherwise the document removes the shape.
  void EndEdit(int code) override;
  void EditKeyDown(int key, int shift) override;
  // The right button ends the edit; any other starts a stroke.
  void EditMouseDown(int buttons, int shift, int x, int y) override;
  // Adds a point once the pointer is more than 0.5 mm from the last one.
  void EditMouseMove(int buttons, int shift, int x, int y) override;
  // Ends the stroke and the edit.
  void EditMouseUp(int buttons, int shift, int x, int y) override;
  // Nothing while this shape is being drawn.
  void DrawSelection(TCanvas& canvas) override;
  void LoadFromXml(TXmlNode* node) override;
  void SaveToXml(TXmlNode* node) override;

 private:
  void RemoveTrailingShortLines();
  // Replaces all point lines (at least one empty line remains).
  void ReplaceLines(const ArrayOfArrayOfFPoint& lines);
  TFloatPoint ScreenPoint(int x, int y) const;

  bool autoRestart_ = true;
  TFloatPoint lastPoint_;
  bool capturing_ = false;
  bool undoOpen_ = false;
  bool fittingBox_ = false;
};

// The dashed freehand line.
class TdtpFreehandShape2 : public TdtpFreehandShape {
 public:
  TdtpFreehandShape2() { TdtpFreehandShape2::BuildPoints(); }
  std::string ClassName() const override { return "TdtpFreehandShape2"; }
  // Switches the dashes on (they are not stored, so this restores them whenever the margins are
  // computed, also after loading).
  void BuildPoints() override { SetUseStipple(true); }
};

}  // namespace kivrano
