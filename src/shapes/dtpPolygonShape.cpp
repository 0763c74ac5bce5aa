#include "shapes/dtpPolygonShape.h"

#include <algorithm>
#include <cmath>
#include <strings.h>

#include "engine/dtpCommand.h"
#include "engine/dtpDocument.h"
#include "raster/Bitmap32.h"
#include "raster/Polygons.h"
#include "shapes/dtpShapeXml.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

bool SameText(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// Half the outline width, at least 0.1 mm: the margin an outline needs.
float OutlineCurb(float width) { return std::max(0.1f, width / 2); }

// The dash pattern: ten parts opaque white, six opaque black.
const TArrayOfColor32& DashPattern() {
  static const TArrayOfColor32 pattern = [] {
    TArrayOfColor32 p(10, clWhite32);
    p.resize(16, clBlack32);
    return p;
  }();
  return pattern;
}

// The matrix's length of one unit along x: its scale whatever its turn.
float MatrixScale(const TdtpMatrix& m) { return std::hypot(m.M[0][0], m.M[0][1]); }

}  // namespace

TPolygonPair BuildPolygons(const ArrayOfArrayOfFPoint& points, const TdtpMatrix& matrix, float width, bool closed,
                           bool useOutline) {
  TPolygonPair pair;
  pair.Fill = std::make_unique<TPolygon32>();
  TPolygon32& fill = *pair.Fill;
  fill.SetAntialiased(true);
  fill.SetFillMode(Alternate);
  fill.SetClosed(closed);
  TArrayOfFixedPoint fixed;
  for (const ArrayOfFPoint& line : points) {
    fixed.clear();
    fixed.reserve(line.size());
    for (const TFloatPoint& p : line) {
      const TFloatPoint q = matrix.Transform(p);
      fixed.push_back(TFixedPoint{ToFixed(q.X), ToFixed(q.Y)});
    }
    fill.AddPoints(fixed.data(), static_cast<int>(fixed.size()));
    fill.NewLine();
  }
  if (useOutline && width > 0) {
    std::unique_ptr<TPolygon32> outline = fill.Outline();
    outline->SetAntialiased(true);
    outline->SetFillMode(Winding);
    outline->SetClosed(closed);
    pair.Outline = outline->Grow(ToFixed(width * MatrixScale(matrix) * 0.5f), 0.5f);
  }
  return pair;
}

// ---------------------------------------------------------------------------------------------
// Construction and defaults

TdtpPolygonShape::TdtpPolygonShape()
    : fillPolygon_(std::make_unique<TPolygon32>()), outlinePolygon_(std::make_unique<TPolygon32>()) {
  fillPolygon_->SetAntialiased(true);
  fillPolygon_->SetFillMode(Alternate);
  TdtpPolygonShape::SetDefaults();
}

TdtpPolygonShape::~TdtpPolygonShape() = default;

void TdtpPolygonShape::SetDefaults() {
  TdtpEffectShape::SetDefaults();
  isClosed_ = true;
  outlineWidth_ = 0.5f;
  fillAlpha_ = 255;
  fillColor_ = 0xFF0000;
  outlineColor_ = 0;
  dashPeriod_ = 2.0f;
  useFill_ = true;
  useOutline_ = true;
  useStipple_ = false;
  useArrow1_ = false;
  useArrow2_ = false;
  storesPoints_ = false;
  points_.assign(1, ArrayOfFPoint{});
  fillPolygon_->SetClosed(true);
  polygonsDirty_ = true;
  SetSmartHitTest(false);
  StoreBounds(DocLeft(), DocTop(), 40, 30);
}

// ---------------------------------------------------------------------------------------------
// Setters

void TdtpPolygonShape::Rerender() {
  RefreshCache();
  Changed();
}

void TdtpPolygonShape::SetFillAlpha(uint8_t value) {
  if (value == fillAlpha_) return;
  RecordUndoFloat(ckProperty, "FillAlpha", static_cast<float>(fillAlpha_));
  fillAlpha_ = value;
  Rerender();
}

void TdtpPolygonShape::SetFillColor(TColor value) {
  if (value == fillColor_) return;
  RecordUndoInteger(ckProperty, "FillColor", fillColor_);
  fillColor_ = value;
  Rerender();
}

void TdtpPolygonShape::SetOutlineColor(TColor value) {
  if (value == outlineColor_) return;
  RecordUndoInteger(ckProperty, "OutlineColor", outlineColor_);
  outlineColor_ = value;
  Rerender();
}

void TdtpPolygonShape::SetOutlineWidth(float value) {
  SetCurb(OutlineCurb(value));
  if (value == outlineWidth_) return;
  RecordUndoFloat(ckProperty, "OutlineWidth", outlineWidth_);
  Invalidate();
  outlineWidth_ = value;
  SetCurb(OutlineCurb(value));
  polygonsDirty_ = true;
  Rerender();
}

void TdtpPolygonShape::SetUseFill(bool value) {
  if (value == useFill_) return;
  RecordUndoBoolean(ckProperty, "UseFill", useFill_);
  useFill_ = value;
  Rerender();
}

void TdtpPolygonShape::ChangeOutlineSwitch(bool& field, bool value, const char* name) {
  if (value == field) return;
  RecordUndoBoolean(ckProperty, name, field);
  Invalidate();
  field = value;
  polygonsDirty_ = true;
  Rerender();
}

void TdtpPolygonShape::SetUseOutline(bool value) { ChangeOutlineSwitch(useOutline_, value, "UseOutline"); }

void TdtpPolygonShape::SetUseStipple(bool value) { ChangeOutlineSwitch(useStipple_, value, "UseStipple"); }

void TdtpPolygonShape::SetIsClosed(bool value) {
  if (value == isClosed_) return;
  RecordUndoBoolean(ckProperty, "IsClosed", isClosed_);
  isClosed_ = value;
  fillPolygon_->SetClosed(value);
  polygonsDirty_ = true;
  Rerender();
}

void TdtpPolygonShape::StoreArrowSwitch(bool& field, bool value, const char* name) {
  // No equality test; the old value goes into the record, so that undoing restores it.
  RecordUndoBoolean(ckProperty, name, field);
  field = value;
  polygonsDirty_ = true;
  Rerender();
}

void TdtpPolygonShape::SetUseArrow1(bool value) { StoreArrowSwitch(useArrow1_, value, "UseArrow1"); }

void TdtpPolygonShape::SetUseArrow2(bool value) { StoreArrowSwitch(useArrow2_, value, "UseArrow2"); }

void TdtpPolygonShape::SetDashPeriod(float value) {
  // A period must have a length: anything else would leave the dash pattern without a step.
  if (!(value > 0.0f) || !std::isfinite(value) || value == dashPeriod_) return;
  dashPeriod_ = value;
  Rerender();
}

void TdtpPolygonShape::SetPropertyByName(const std::string& name, const std::string& value) {
  TdtpEffectShape::SetPropertyByName(name, value);
  if (SameText(name, "IsClosed")) {
    SetIsClosed(TextToBoolean(value));
  } else if (SameText(name, "UseFill")) {
    SetUseFill(TextToBoolean(value));
  } else if (SameText(name, "UseOutline")) {
    SetUseOutline(TextToBoolean(value));
  } else if (SameText(name, "UseStipple")) {
    SetUseStipple(TextToBoolean(value));
  } else if (SameText(name, "UseArrow2")) {
    SetUseArrow2(TextToBoolean(value));
  } else if (SameText(name, "UseArrow1")) {
    SetUseArrow1(TextToBoolean(value));
  } else if (SameText(name, "OutlineWidth")) {
    SetOutlineWidth(TextToFloat(value));
  } else if (SameText(name, "FillAlpha")) {
    SetFillAlpha(static_cast<uint8_t>(std::clamp(TextToInteger(value), 0, 255)));
  } else if (SameText(name, "FillColor")) {
    SetFillColor(TextToInteger(value));
  } else if (SameText(name, "OutlineColor")) {
    SetOutlineColor(TextToInteger(value));
  }
}

// ---------------------------------------------------------------------------------------------
// Points

void TdtpPolygonShape::GetPointsBounds(TFloatRect& rect) const {
  bool any = false;
  rect = TFloatRect{};
  for (const ArrayOfFPoint& line : points_) {
    for (const TFloatPoint& p : line) {
      // A point that is no number lies in no rectangle.
      if (!std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
      if (!any) {
        rect = TFloatRect{p.X, p.Y, p.X, p.Y};
        any = true;
        continue;
      }
      rect.Left = std::min(rect.Left, p.X);
      rect.Top = std::min(rect.Top, p.Y);
      rect.Right = std::max(rect.Right, p.X);
      rect.Bottom = std::max(rect.Bottom, p.Y);
    }
  }
}

void TdtpPolygonShape::FitPointsToRect(const TFloatRect& rect) {
  TFloatRect b;
  GetPointsBounds(b);
  OffsetPoints(-b.Left, -b.Top);
  const float bw = b.Right - b.Left;
  const float bh = b.Bottom - b.Top;
  const float rw = rect.Right - rect.Left;
  const float rh = rect.Bottom - rect.Top;
  if (bw > 0 && bh > 0 && rw > 0 && rh > 0) ScalePoints(rw / bw, rh / bh);
  OffsetPoints(rect.Left, rect.Top);
}

void TdtpPolygonShape::BuildPoints() {
  ClearPoints();
  for (const TFloatPoint& p : {TFloatPoint{0, 0}, {0, 30}, {20, 30}, {30, 15}, {30, 0}}) AddPointRecord(p);
  NewLine();
  for (const TFloatPoint& p : {TFloatPoint{10, 14}, {14, 14}, {14, 10}, {10, 10}}) AddPointRecord(p);
  FitPointsToRect(TFloatRect{0, 0, DocWidth(), DocHeight()});
}

void TdtpPolygonShape::OffsetPoints(float dx, float dy) {
  if (dx == 0 && dy == 0) return;
  for (ArrayOfFPoint& line : points_) {
    for (TFloatPoint& p : line) {
      p.X += dx;
      p.Y += dy;
    }
  }
  polygonsDirty_ = true;
}

void TdtpPolygonShape::ScalePoints(float sx, float sy) {
  for (ArrayOfFPoint& line : points_) {
    for (TFloatPoint& p : line) {
      p.X *= sx;
      p.Y *= sy;
    }
  }
  polygonsDirty_ = true;
}

void TdtpPolygonShape::AddPointRecord(TFloatPoint point) {
  if (points_.empty()) points_.emplace_back();
  points_.back().push_back(point);
  polygonsDirty_ = true;
}

void TdtpPolygonShape::AddPoint(float x, float y) { AddPointRecord(TFloatPoint{x, y}); }

void TdtpPolygonShape::ClearPoints() {
  points_.assign(1, ArrayOfFPoint{});
  polygonsDirty_ = true;
}

void TdtpPolygonShape::NewLine() {
  points_.emplace_back();
  polygonsDirty_ = true;
}

bool TdtpPolygonShape::HasNoPoints() const { return points_.empty() || (points_.size() == 1 && points_[0].empty()); }

float TdtpPolygonShape::GetScale() const {
  const float scale = MatrixScale(PaintMatrix());
  return scale == 0 ? 1.0f : scale;
}

// ---------------------------------------------------------------------------------------------
// Geometry

void TdtpPolygonShape::SetSize(float width, float height) {
  const float oldWidth = DocWidth();
  const float oldHeight = DocHeight();
  TdtpEffectShape::SetSize(width, height);
  if (width > 0 && height > 0 && oldWidth > 0 && oldHeight > 0) {
    if (!storesPoints_) {
      BuildPoints();
    } else if (!Document() || Document()->EditedShape() != this) {
      ScalePoints(width / oldWidth, height / oldHeight);
    }
  }
  polygonsDirty_ = true;
  // Points outside the box widen the margins.
  UpdateCurbs();
}

void TdtpPolygonShape::SetPaintMatrix(const TdtpMatrix& m) {
  TdtpEffectShape::SetPaintMatrix(m);
  polygonsDirty_ = true;
}

void TdtpPolygonShape::AdjustCurbs(float& left, float& top, float& right, float& bottom) {
  BuildPoints();
  TFloatRect b;
  GetPointsBounds(b);
  if (useOutline_) {
    b.Left -= outlineWidth_;
    b.Top -= outlineWidth_;
    b.Right += outlineWidth_;
    b.Bottom += outlineWidth_;
  }
  left = std::max(left, -b.Left);
  top = std::max(top, -b.Top);
  right = std::max(right, b.Right - DocWidth());
  bottom = std::max(bottom, b.Bottom - DocHeight());
  TdtpEffectShape::AdjustCurbs(left, top, right, bottom);
}

TScreenRegion TdtpPolygonShape::CreateBodyRegion() const {
  TScreenRegion region;
  for (const ArrayOfFPoint& line : points_) {
    std::vector<TPoint>& polygon = region.Polygons.emplace_back();
    polygon.reserve(line.size());
    for (const TFloatPoint& p : line) {
      const TFloatPoint s = LocalToScreen(p);
      polygon.push_back(TPoint{RoundToInt(s.X), RoundToInt(s.Y)});
    }
  }
  return region;
}

// ---------------------------------------------------------------------------------------------
// Painting

void TdtpPolygonShape::RebuildPolygons() {
  if (!storesPoints_) BuildPoints();
  TPolygonPair pair = BuildPolygons(points_, PaintMatrix(), outlineWidth_, isClosed_, useOutline_);
  fillPolygon_ = std::move(pair.Fill);
  outlinePolygon_ = std::move(pair.Outline);
  polygonsDirty_ = false;
}

void TdtpPolygonShape::PaintBitmap(TBitmap32& bitmap) {
  if (polygonsDirty_) RebuildPolygons();
  bitmap.Clear(0);
  if (useFill_) fillPolygon_->DrawFill(bitmap, SetAlpha(ToColor32(fillColor_), fillAlpha_));
  if (useOutline_) {
    if (outlineWidth_ > 0 && outlinePolygon_) {
      outlinePolygon_->DrawFill(bitmap, ToColor32(outlineColor_));
    } else if (outlineWidth_ == 0 && !useStipple_) {
      fillPolygon_->DrawEdges(bitmap, ToColor32(outlineColor_));
    }
  }
  if (useStipple_) {
    bitmap.SetStipple(DashPattern());
    bitmap.SetStippleStep(16.0f / (GetScale() * dashPeriod_));
    bitmap.SetStippleCounter(0);
    DrawStippledLines(bitmap);
  }
}

void TdtpPolygonShape::DrawStippledLines(TBitmap32& bitmap) const {
  const bool closed = fillPolygon_->Closed();
  bitmap.Batch([&] {
    for (const TArrayOfFixedPoint& line : fillPolygon_->Points()) {
      if (line.size() == 1 && closed) {
        bitmap.PlotAntialiasedSafe(line[0].X >> 8, line[0].Y >> 8, bitmap.NextStippleColor());
      }
      if (line.size() < 2) continue;
      bitmap.MoveToFixed(line[0].X, line[0].Y);
      for (size_t i = 1; i < line.size(); ++i) bitmap.LineToAntialiasedStippled(line[i].X, line[i].Y);
      if (closed) bitmap.LineToAntialiasedStippled(line[0].X, line[0].Y);
    }
  });
}

// ---------------------------------------------------------------------------------------------
// Persistence

void TdtpPolygonShape::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffectShape::SaveToXml(node);
  WriteXmlFloat(*node, "OutlineWidth", outlineWidth_, 0);
  node->PutInteger("FillAlpha", fillAlpha_, 0);
  node->PutColor("FillColor", fillColor_, 0);
  node->PutColor("OutlineColor", outlineColor_, 0);
  node->PutBool("UseFill", useFill_, false);
  node->PutBool("UseOutline", useOutline_, false);
  node->PutBool("IsClosed", isClosed_, true);
  if (!storesPoints_) return;
  TXmlNode* polygon = node->NewChild("Polygon");
  for (const ArrayOfFPoint& line : points_) {
    TXmlNode* lineNode = polygon->NewChild("Line");
    for (const TFloatPoint& p : line) {
      TXmlNode* pointNode = lineNode->NewChild("Point");
      WriteXmlFloat(*pointNode, "X", p.X, 0);
      WriteXmlFloat(*pointNode, "Y", p.Y, 0);
    }
  }
}

void TdtpPolygonShape::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpEffectShape::LoadFromXml(node);
  // As SetOutlineWidth does, without recording or announcing anything: loading is no edit.
  outlineWidth_ = ReadXmlFloat(*node, "OutlineWidth", 0);
  SetCurb(OutlineCurb(outlineWidth_));
  fillAlpha_ = std::clamp(node->GetInteger("FillAlpha", 0), 0, 255);
  fillColor_ = node->GetColor("FillColor", 0);
  outlineColor_ = node->GetColor("OutlineColor", 0);
  useFill_ = node->GetBool("UseFill", false);
  useOutline_ = node->GetBool("UseOutline", false);
  isClosed_ = node->GetBool("IsClosed", true);
  fillPolygon_->SetClosed(isClosed_);
  if (storesPoints_) {
    ClearPoints();
    bool first = true;
    const TXmlNode* polygon = node->FindChild("Polygon");
    for (int i = 0; polygon && i < polygon->ChildCount(); ++i) {
      const TXmlNode* line = polygon->Children(i);
      if (!IsElementNamed(line, "Line")) continue;
      if (!first) NewLine();
      first = false;
      for (int j = 0; j < line->ChildCount(); ++j) {
        const TXmlNode* point = line->Children(j);
        if (!IsElementNamed(point, "Point")) continue;
        AddPoint(ReadXmlFloat(*point, "X", 0), ReadXmlFloat(*point, "Y", 0));
      }
    }
  } else {
    BuildPoints();
  }
  polygonsDirty_ = true;
  UpdateCurbs();
}

void ApplyDefaultPolygonStyle(TdtpPolygonShape* shape) {
  if (!shape) return;
  shape->SetFillAlpha(255);
  shape->SetUseFill(true);
  shape->SetUseOutline(true);
  shape->SetFillColor(0xFF0000);
  shape->SetOutlineColor(0);
  shape->SetOutlineWidth(0.5f);
}

}  // namespace kivrano
