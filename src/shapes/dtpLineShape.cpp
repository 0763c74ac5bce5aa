#include "shapes/dtpLineShape.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/ShapeRegistry.h"
#include "engine/dtpGeometry.h"
#include "platform/Canvas.h"
#include "shapes/dtpFreehandShape.h"
#include "shapes/dtpShapeXml.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

bool IsFinite(TFloatPoint p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

// A stored coordinate: 0 when absent, NaN when it is no finite single.
float ReadCoordinate(const TXmlNode& point, const char* name) {
  if (!point.FindChild(name)) return 0;
  return ReadXmlFloat(point, name, std::numeric_limits<float>::quiet_NaN());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Arrow heads

template <typename T>
void TdtpArrow::Set(T& field, T value) {
  if (value == field) return;
  if (line_) line_->Invalidate();
  field = value;
  if (line_) line_->ArrowChanged();
}

void TdtpArrow::SetStyle(TdtpArrowStyle value) { Set(head_.Style, value); }
void TdtpArrow::SetWidth(float value) { Set(head_.Width, value); }
void TdtpArrow::SetLength(float value) { Set(head_.Length, value); }

void TdtpArrow::Assign(const TdtpArrow& source) {
  SetStyle(source.Style());
  SetWidth(source.Width());
  SetLength(source.Length());
}

void TdtpArrow::SaveToXml(TXmlNode* node) const {
  if (!node) return;
  node->PutString("Style", ArrowStyleName(head_.Style), "");
  WriteXmlFloat(*node, "Width", head_.Width, 0);
  WriteXmlFloat(*node, "Length", head_.Length, 0);
}

void TdtpArrow::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpArrowStyle style = head_.Style;
  if (ArrowStyleFromName(node->GetString("Style", ""), style)) SetStyle(style);
  head_.Width = ReadXmlFloat(*node, "Width", 0);
  head_.Length = ReadXmlFloat(*node, "Length", 0);
  if (line_) line_->MarkPolygonsDirty();
}

// ---------------------------------------------------------------------------------------------
// Construction and properties

TdtpLineShape::TdtpLineShape() : ends_{{0, 0}, {1, 1}} {
  arrows_[0] = std::make_unique<TdtpArrow>(this);
  arrows_[1] = std::make_unique<TdtpArrow>(this);
  TdtpLineShape::SetDefaults();
  SetInsertCursor(crDtpCrossLine);
}

TdtpLineShape::~TdtpLineShape() = default;

void TdtpLineShape::SetDefaults() {
  TdtpPolygonShape::SetDefaults();
  SetFillColor(0);
  SetIsClosed(true);
  SetStoresPoints(false);
  SetUseOutline(false);
  SetUseFill(true);
  lineWidth_ = 1.0f;
  MarkPolygonsDirty();
}

TdtpArrow* TdtpLineShape::Arrows(int index) const {
  return (index == 0 || index == 1) ? arrows_[static_cast<size_t>(index)].get() : nullptr;
}

void TdtpLineShape::ArrowChanged() {
  MarkPolygonsDirty();
  Refresh();
  Changed();
}

void TdtpLineShape::SetLineWidth(float value) {
  if (value == lineWidth_) return;
  lineWidth_ = value;
  MarkPolygonsDirty();
  Refresh();
  Changed();
}

// ---------------------------------------------------------------------------------------------
// End points

TFloatPoint TdtpLineShape::GetPoint(int index) const {
  if (index < 0 || index >= static_cast<int>(ends_.size())) return TFloatPoint{};
  const TFloatPoint e = ends_[static_cast<size_t>(index)];
  return TFloatPoint{e.X * DocWidth() + DocLeft(), e.Y * DocHeight() + DocTop()};
}

std::vector<TFloatPoint> TdtpLineShape::PagePoints() const {
  std::vector<TFloatPoint> points;
  for (int i = 0; i < static_cast<int>(ends_.size()); ++i) points.push_back(GetPoint(i));
  return points;
}

void TdtpLineShape::PlaceEnds(const std::vector<TFloatPoint>& points) {
  if (points.empty()) return;
  float left = points[0].X, top = points[0].Y, right = left, bottom = top;
  for (const TFloatPoint& p : points) {
    left = std::min(left, p.X);
    top = std::min(top, p.Y);
    right = std::max(right, p.X);
    bottom = std::max(bottom, p.Y);
  }
  const float width = right > left ? right - left : 1.0f;
  const float height = bottom > top ? bottom - top : 1.0f;
  ends_.resize(points.size());
  for (size_t i = 0; i < points.size(); ++i) {
    ends_[i] = TFloatPoint{(points[i].X - left) / width, (points[i].Y - top) / height};
  }
  MarkPolygonsDirty();
  SetBounds(left, top, width, height);
}

void TdtpLineShape::NormalizePoints() { PlaceEnds(PagePoints()); }

void TdtpLineShape::SetPoint(int index, TFloatPoint point) {
  if (index < 0 || index > 1 || index >= static_cast<int>(ends_.size()) || !IsFinite(point)) return;
  std::vector<TFloatPoint> points = PagePoints();
  points[static_cast<size_t>(index)] = point;
  PlaceEnds(points);
  Refresh();
  Changed();
}

void TdtpLineShape::AddLinePoint(TFloatPoint point) {
  if (ends_.size() >= 2 || !IsFinite(point)) return;
  ends_.push_back(TFloatPoint{});
  SetPoint(static_cast<int>(ends_.size()) - 1, point);
}

// ---------------------------------------------------------------------------------------------
// Outline

void TdtpLineShape::BuildPoints() {
  const TFloatPoint p0 = GetPoint(0), p1 = GetPoint(1);
  if (ends_.size() >= 2 && p0 == p1) return;  // coinciding end points keep the previous outline
  // Without two usable end points there is no line to draw.
  const std::vector<TFloatPoint> ring =
      ends_.size() < 2 ? std::vector<TFloatPoint>{}
                       : LineOutlinePoints(p0, p1, arrows_[0]->Head(), arrows_[1]->Head(), lineWidth_, GetScale());
  ClearPoints();
  for (const TFloatPoint& p : ring) AddPoint(p.X - DocLeft(), p.Y - DocTop());
}

void TdtpLineShape2::BuildPoints() {
  SetUseStipple(true);
  TdtpLineShape::BuildPoints();
}

// ---------------------------------------------------------------------------------------------
// Interaction

void TdtpLineShape::UpdateHandles() {
  std::vector<TdtpShapeHandle>& handles = Handles();
  handles.resize(ends_.size());
  for (size_t i = 0; i < ends_.size(); ++i) {
    handles[i].Kind = hkPoint;
    handles[i].X = ends_[i].X * DocWidth();
    handles[i].Y = ends_[i].Y * DocHeight();
  }
  std::vector<TdtpShapeEdge>& edges = Edges();
  edges.clear();
  for (size_t i = 1; i < ends_.size(); ++i) {
    edges.push_back(TdtpShapeEdge{static_cast<int32_t>(i - 1), static_cast<int32_t>(i), hkMove, 1});
  }
}

bool TdtpLineShape::DraggingEndPoint() const {
  const int index = TrackHandle();
  const TdtpShapeHandle* handle = Handle(index);
  if (!handle || handle->Kind != hkPoint || index >= static_cast<int>(ends_.size())) return false;
  // A point drag leaves the tracked box as it is; moving, resizing and turning change it.
  return TrackLeft() == DocLeft() && TrackTop() == DocTop() && TrackWidth() == DocWidth() &&
         TrackHeight() == DocHeight() && TrackAngle() == DocAngle();
}

void TdtpLineShape::ApplyTracking() {
  if (!DraggingEndPoint()) {
    TdtpPolygonShape::ApplyTracking();
    return;
  }
  const int index = TrackHandle();
  const TdtpShapeHandle* handle = Handle(index);
  SetPoint(index, TFloatPoint{DocLeft() + handle->TrackX, DocTop() + handle->TrackY});
}

void TdtpLineShape::SetBoundsRect(const TFloatRect& r) {
  if (ends_.size() >= 2) {
    if (r.Right < r.Left) {
      ends_[0].X = 1;
      ends_[1].X = 0;
    }
    if (r.Bottom < r.Top) {
      ends_[0].Y = 1;
      ends_[1].Y = 0;
    }
    MarkPolygonsDirty();
  }
  TdtpPolygonShape::SetBoundsRect(r);
}

void TdtpLineShape::SetDocAngle(float degrees) {
  if (!std::isfinite(degrees)) return;
  float s = 0, c = 1;
  SinCosDegrees(degrees, s, c);
  // The end points turn about the box's origin, as the box itself would.
  std::vector<TFloatPoint> points = PagePoints();
  for (TFloatPoint& p : points) {
    const float dx = p.X - DocLeft(), dy = p.Y - DocTop();
    p = TFloatPoint{DocLeft() + c * dx + s * dy, DocTop() - s * dx + c * dy};
  }
  PlaceEnds(points);
}

void TdtpLineShape::DrawInsertFrame(TCanvas& canvas, const TRect& rect, TColor color) {
  canvas.Pen().SetColor(color);
  canvas.Pen().SetStyle(psDot);
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetMode(pmXor);
  canvas.Brush().SetStyle(bsClear);  // the gaps between the dots stay untouched
  canvas.MoveTo(rect.Left, rect.Top);
  canvas.LineTo(rect.Right, rect.Bottom);
  canvas.Pen().SetMode(pmCopy);
}

// ---------------------------------------------------------------------------------------------
// Persistence

void TdtpLineShape::SaveToXml(TXmlNode* node) {
  if (!node) return;
  arrows_[0]->SaveToXml(node->NewChild("Arrow0"));
  arrows_[1]->SaveToXml(node->NewChild("Arrow1"));
  TXmlNode* points = node->NewChild("Points");
  for (int i = 0; i < PointCount(); ++i) {
    const TFloatPoint p = GetPoint(i);
    TXmlNode* point = points->NewChild("Point");
    WriteXmlFloat(*point, "X", p.X, 0);
    WriteXmlFloat(*point, "Y", p.Y, 0);
  }
  WriteXmlFloat(*node, "LineWidth", lineWidth_, 0);
  TdtpPolygonShape::SaveToXml(node);
}

void TdtpLineShape::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  arrows_[0]->LoadFromXml(node->FindChild("Arrow0"));
  arrows_[1]->LoadFromXml(node->FindChild("Arrow1"));
  // Placing the end points fits the box; loading is no edit, so nothing of it goes into undo.
  LockUndo();
  ends_.clear();
  if (const TXmlNode* points = node->FindChild("Points")) {
    for (int i = 0; i < points->ChildCount(); ++i) {
      const TXmlNode* point = points->Children(i);
      if (!IsElementNamed(point, "Point")) continue;
      // A coordinate that is no finite single leaves the point out rather than moving it to 0.
      AddLinePoint(TFloatPoint{ReadCoordinate(*point, "X"), ReadCoordinate(*point, "Y")});
    }
  }
  UnlockUndo();
  lineWidth_ = ReadXmlFloat(*node, "LineWidth", 0);
  TdtpPolygonShape::LoadFromXml(node);
}

// ---------------------------------------------------------------------------------------------
// Registration

void RegisterLineShapeClasses() {
  RegisterShapeClass<TdtpLineShape>();
  RegisterShapeClass<TdtpLineShape2>();
  RegisterShapeClass<TdtpFreehandShape>();
  RegisterShapeClass<TdtpFreehandShape2>();
}

}  // namespace kivrano
