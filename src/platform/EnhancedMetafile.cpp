#include "platform/EnhancedMetafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "base/Exception.h"
#include "base/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/PenBrush.h"

namespace kivrano {

namespace {

constexpr const char* kInvalidMetafile = "Invalid enhanced metafile";
constexpr size_t kHeaderSize = 88;
// Drawing state saved by the save-state record; deeper nesting is ignored.
constexpr size_t kMaxSavedStates = 1024;
// Mapped pen widths are kept below this many pixels, so that a damaged width cannot make a line
// cover the whole picture many times over.
constexpr double kMaxPenWidth = 1000;
// Mapped coordinates are kept within this range; the canvas clips them.
constexpr double kCoordinateLimit = 1 << 24;
constexpr int kMaxBezierSteps = 64;
// Playing stops once the estimated pixel work exceeds this many times the visible destination
// area (plus a fixed allowance): no picture overdraws that much, and a damaged one that would
// (countless wide lines across the picture) cannot stall the view.
constexpr double kWorkPerPixel = 200;
constexpr double kWorkAllowance = 1e7;

// The bytes of one record; every read is checked against the record's size.
class TRecordReader {
 public:
  TRecordReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Size() const { return size_; }
  bool Has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }
  uint32_t U32(size_t offset) const { return Has(offset, 4) ? ReadLE32(data_ + offset) : 0; }
  int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
  int16_t I16(size_t offset) const {
    return Has(offset, 2) ? static_cast<int16_t>(static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8)) : 0;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

struct TLogicalPoint {
  double X = 0;
  double Y = 0;
};

// Reads count points (32-bit or 16-bit pairs) at offset; false when they do not fit the record.
bool ReadPoints(const TRecordReader& record, size_t offset, uint64_t count, bool small,
                std::vector<TLogicalPoint>& points) {
  const size_t pointSize = small ? 4 : 8;
  if (!record.Has(offset, 0) || count > (record.Size() - offset) / pointSize) return false;
  points.resize(static_cast<size_t>(count));
  for (size_t i = 0; i < points.size(); ++i) {
    const size_t at = offset + i * pointSize;
    points[i] = small ? TLogicalPoint{static_cast<double>(record.I16(at)), static_cast<double>(record.I16(at + 2))}
                      : TLogicalPoint{static_cast<double>(record.I32(at)), static_cast<double>(record.I32(at + 4))};
  }
  return true;
}

struct TPenData {
  TPenStyle Style = psSolid;
  double Width = 0;  // logical units; 0 is one pixel
  TColor Color = clBlack;
};

struct TBrushData {
  TBrushStyle Style = bsSolid;
  TColor Color = clWhite;
};

struct TMetafileObject {
  enum { None, Pen, Brush } Kind = None;
  TPenData PenData;
  TBrushData BrushData;
};

TPenStyle PenStyleOf(uint32_t style) {
  const uint32_t kind = style & 0x0F;
  if (kind <= 6) return static_cast<TPenStyle>(kind);
  return kind == 8 ? psDot : psSolid;  // alternate pixels; user styles draw solid
}

TBrushData BrushOf(uint32_t style, TColor color, uint32_t hatch) {
  switch (style) {
    case 1:
      return {bsClear, color};
    case 2:
      return {hatch <= 5 ? static_cast<TBrushStyle>(bsHorizontal + static_cast<int>(hatch)) : bsSolid, color};
    default:
      return {bsSolid, color};  // solid, and pattern brushes in their colour
  }
}

std::optional<TMetafileObject> StockObject(uint32_t index) {
  TMetafileObject object;
  switch (index) {
    case soWhiteBrush: object.Kind = TMetafileObject::Brush, object.BrushData = {bsSolid, 0xFFFFFF}; break;
    case soLightGrayBrush: object.Kind = TMetafileObject::Brush, object.BrushData = {bsSolid, 0xC0C0C0}; break;
    case soGrayBrush: object.Kind = TMetafileObject::Brush, object.BrushData = {bsSolid, 0x808080}; break;
    case soDarkGrayBrush: object.Kind = TMetafileObject::Brush, object.BrushData = {bsSolid, 0x404040}; break;
    case soBlackBrush: object.Kind = TMetafileObject::Brush, object.BrushData = {bsSolid, 0}; break;
    case soNullBrush: object.Kind = TMetafileObject::Brush, object.BrushData = {bsClear, 0}; break;
    case soWhitePen: object.Kind = TMetafileObject::Pen, object.PenData = {psSolid, 0, 0xFFFFFF}; break;
    case soBlackPen: object.Kind = TMetafileObject::Pen, object.PenData = {psSolid, 0, 0}; break;
    case soNullPen: object.Kind = TMetafileObject::Pen, object.PenData = {psClear, 0, 0}; break;
    default: return std::nullopt;  // fonts, palettes and the like
  }
  return object;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Loading

TEnhancedMetafile::TEnhancedMetafile(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kHeaderSize) throw Exception(kInvalidMetafile);
  const TRecordReader head(data, size);
  if (head.U32(0) != emrHeader || head.U32(4) < kHeaderSize || head.U32(4) > size || head.U32(40) != kEmfSignature)
    throw Exception(kInvalidMetafile);
  const uint32_t declared = head.U32(48);
  if (declared < kHeaderSize || declared > size) throw Exception(kInvalidMetafile);
  bytes_.assign(data, data + declared);

  for (size_t offset = 0; offset < bytes_.size();) {
    const size_t remaining = bytes_.size() - offset;
    if (remaining < 8) throw Exception(kInvalidMetafile);
    const uint32_t type = ReadLE32(bytes_.data() + offset);
    const uint32_t recordSize = ReadLE32(bytes_.data() + offset + 4);
    if (recordSize < 8 || recordSize % 4 != 0 || recordSize > remaining) throw Exception(kInvalidMetafile);
    records_.push_back({type, offset, recordSize});
    offset += recordSize;
    if (type == emrEof) break;
  }

  header_.Bounds = TRect{head.I32(8), head.I32(12), head.I32(16), head.I32(20)};
  header_.Frame = TRect{head.I32(24), head.I32(28), head.I32(32), head.I32(36)};
  header_.Records = head.U32(52);
  header_.Handles = static_cast<uint16_t>(head.U32(56) & 0xFFFF);
  header_.Device = TSize{head.I32(72), head.I32(76)};
  header_.Millimeters = TSize{head.I32(80), head.I32(84)};

  // The frame (hundredths of a millimetre) in reference-device pixels; the bounds when the
  // reference device is unknown or the frame is empty.
  const TEnhancedMetafileHeader& h = header_;
  if (h.Device.cx > 0 && h.Device.cy > 0 && h.Millimeters.cx > 0 && h.Millimeters.cy > 0 &&
      h.Frame.Right > h.Frame.Left && h.Frame.Bottom > h.Frame.Top) {
    const double kx = static_cast<double>(h.Device.cx) / (100.0 * h.Millimeters.cx);
    const double ky = static_cast<double>(h.Device.cy) / (100.0 * h.Millimeters.cy);
    frameLeft_ = static_cast<float>(h.Frame.Left * kx);
    frameTop_ = static_cast<float>(h.Frame.Top * ky);
    frameRight_ = static_cast<float>(h.Frame.Right * kx);
    frameBottom_ = static_cast<float>(h.Frame.Bottom * ky);
  } else {
    frameLeft_ = static_cast<float>(h.Bounds.Left);
    frameTop_ = static_cast<float>(h.Bounds.Top);
    frameRight_ = static_cast<float>(static_cast<double>(h.Bounds.Right) + 1);
    frameBottom_ = static_cast<float>(static_cast<double>(h.Bounds.Bottom) + 1);
  }
  width_ = static_cast<int>(std::clamp(std::lround(frameRight_ - frameLeft_), 0L, 1L << 30));
  height_ = static_cast<int>(std::clamp(std::lround(frameBottom_ - frameTop_), 0L, 1L << 30));
}

// ---------------------------------------------------------------------------------------------
// Playing

class TEnhancedMetafile::TPlayer {
 public:
  TPlayer(const TEnhancedMetafile& metafile, TCanvas& canvas, const TRect& dest, const TPen* overridePen,
          const TBrush* overrideBrush)
      : metafile_(metafile), canvas_(canvas), overridePen_(overridePen), overrideBrush_(overrideBrush) {
    objects_.resize(metafile.header_.Handles);
    const double frameWidth = static_cast<double>(metafile.frameRight_) - metafile.frameLeft_;
    const double frameHeight = static_cast<double>(metafile.frameBottom_) - metafile.frameTop_;
    kx_ = frameWidth > 0 ? (static_cast<double>(dest.Right) - dest.Left) / frameWidth : 0;
    ky_ = frameHeight > 0 ? (static_cast<double>(dest.Bottom) - dest.Top) / frameHeight : 0;
    destLeft_ = dest.Left;
    destTop_ = dest.Top;
    const TRect visible = Overlap(canvas.ClipRect(), TRect{std::min(dest.Left, dest.Right), std::min(dest.Top, dest.Bottom),
                                                           std::max(dest.Left, dest.Right), std::max(dest.Top, dest.Bottom)});
    clipWidth_ = std::max(0, visible.Width());
    clipHeight_ = std::max(0, visible.Height());
    budget_ = kWorkPerPixel * clipWidth_ * clipHeight_ + kWorkAllowance;
    // Reference-device pixels per millimetre for the metric map modes.
    const TEnhancedMetafileHeader& h = metafile.header_;
    devicePerMmX_ = h.Device.cx > 0 && h.Millimeters.cx > 0 ? static_cast<double>(h.Device.cx) / h.Millimeters.cx
                                                             : 96 / 25.4;
    devicePerMmY_ = h.Device.cy > 0 && h.Millimeters.cy > 0 ? static_cast<double>(h.Device.cy) / h.Millimeters.cy
                                                             : 96 / 25.4;
  }

  void Play() {
    if (kx_ == 0 || ky_ == 0) return;
    for (const TRecordRef& ref : metafile_.records_) {
      if (budget_ < 0) break;
      PlayRecord(ref.Type, TRecordReader(metafile_.bytes_.data() + ref.Offset, ref.Size));
    }
  }

 private:
  struct TState {
    uint32_t MapMode = mmText;
    TLogicalPoint WindowOrg, ViewportOrg;
    TLogicalPoint WindowExt{1, 1}, ViewportExt{1, 1};
    TPenData Pen;
    TBrushData Brush;
    TLogicalPoint Position;
  };

  void PlayRecord(uint32_t type, const TRecordReader& r) {
    switch (type) {
      case emrPolyline: case emrPolyline16: case emrPolygon: case emrPolygon16:
      case emrPolyBezier: case emrPolyBezier16: case emrPolylineTo: case emrPolylineTo16:
      case emrPolyBezierTo: case emrPolyBezierTo16:
        PlayPoly(type, r);
        break;
      case emrPolyPolyline: case emrPolyPolyline16: case emrPolyPolygon: case emrPolyPolygon16:
        PlayPolyPoly(type, r);
        break;
      case emrRectangle: case emrEllipse:
        PlayBox(type, r);
        break;
      case emrMoveToEx:
        if (r.Has(8, 8)) state_.Position = {static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
        break;
      case emrLineTo:
        if (r.Has(8, 8)) {
          const TLogicalPoint to{static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
          Stroke({state_.Position, to}, false);
          state_.Position = to;
        }
        break;
      case emrSetWindowExtEx: case emrSetWindowOrgEx: case emrSetViewportExtEx: case emrSetViewportOrgEx:
        PlayMapping(type, r);
        break;
      case emrSetMapMode:
        if (r.Has(8, 4) && r.U32(8) >= mmText && r.U32(8) <= mmAnisotropic) state_.MapMode = r.U32(8);
        break;
      case emrSaveDC:
        if (saved_.size() < kMaxSavedStates) saved_.push_back(state_);
        break;
      case emrRestoreDC:
        PlayRestore(r);
        break;
      case emrCreatePen:
        if (r.Has(8, 20)) Store(r.U32(8), PenObject(r.U32(12), r.I32(16), static_cast<TColor>(r.U32(24) & 0xFFFFFF)));
        break;
      case emrExtCreatePen:
        if (r.Has(8, 44)) Store(r.U32(8), PenObject(r.U32(28), r.I32(32), static_cast<TColor>(r.U32(40) & 0xFFFFFF)));
        break;
      case emrCreateBrushIndirect:
        if (r.Has(8, 16)) {
          TMetafileObject brush;
          brush.Kind = TMetafileObject::Brush;
          brush.BrushData = BrushOf(r.U32(12), static_cast<TColor>(r.U32(16) & 0xFFFFFF), r.U32(20));
          Store(r.U32(8), brush);
        }
        break;
      case emrSelectObject:
        if (r.Has(8, 4)) Select(r.U32(8));
        break;
      case emrDeleteObject:
        if (r.Has(8, 4) && r.U32(8) < objects_.size()) objects_[r.U32(8)] = TMetafileObject{};
        break;
      default:
        break;  // not played
    }
  }

  static TMetafileObject PenObject(uint32_t style, int32_t width, TColor color) {
    TMetafileObject pen;
    pen.Kind = TMetafileObject::Pen;
    pen.PenData = {PenStyleOf(style), std::abs(static_cast<double>(width)), color};
    return pen;
  }

  // Index 0 stands for the metafile itself and holds no object.
  void Store(uint32_t index, const TMetafileObject& object) {
    if (index > 0 && index < objects_.size()) objects_[index] = object;
  }

  void Select(uint32_t index) {
    std::optional<TMetafileObject> object;
    if (index & kEmfStockObject) {
      object = StockObject(index & ~kEmfStockObject);
    } else if (index < objects_.size()) {
      object = objects_[index];
    }
    if (!object) return;
    if (object->Kind == TMetafileObject::Pen) state_.Pen = object->PenData;
    if (object->Kind == TMetafileObject::Brush) state_.Brush = object->BrushData;
  }

  void PlayMapping(uint32_t type, const TRecordReader& r) {
    if (!r.Has(8, 8)) return;
    const TLogicalPoint value{static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))};
    switch (type) {
      case emrSetWindowExtEx: if (value.X != 0 && value.Y != 0) state_.WindowExt = value; break;
      case emrSetViewportExtEx: if (value.X != 0 && value.Y != 0) state_.ViewportExt = value; break;
      case emrSetWindowOrgEx: state_.WindowOrg = value; break;
      default: state_.ViewportOrg = value; break;
    }
  }

  // A negative number restores the state that many saves back; a positive one that save counted
  // from the first.
  void PlayRestore(const TRecordReader& r) {
    if (!r.Has(8, 4)) return;
    const int64_t which = r.I32(8);
    const int64_t count = static_cast<int64_t>(saved_.size());
    const int64_t index = which < 0 ? count + which : which - 1;
    if (index < 0 || index >= count) return;
    state_ = saved_[static_cast<size_t>(index)];
    saved_.resize(static_cast<size_t>(index));
  }

  // Logical units to reference-device pixels per unit along each axis.
  void DeviceScale(double& sx, double& sy) const {
    const double perMm[] = {0, 1, 10, 100, 100 / 25.4, 1000 / 25.4, 1440 / 25.4};  // units per mm by mode
    switch (state_.MapMode) {
      case mmAnisotropic:
      case mmIsotropic:
        sx = state_.ViewportExt.X / state_.WindowExt.X;
        sy = state_.ViewportExt.Y / state_.WindowExt.Y;
        if (state_.MapMode == mmIsotropic) {
          const double m = std::min(std::fabs(sx), std::fabs(sy));
          sx = std::copysign(m, sx);
          sy = std::copysign(m, sy);
        }
        break;
      case mmLoMetric: case mmHiMetric: case mmLoEnglish: case mmHiEnglish: case mmTwips:
        sx = devicePerMmX_ / perMm[state_.MapMode];
        sy = -devicePerMmY_ / perMm[state_.MapMode];
        break;
      default:
        sx = sy = 1;
        break;
    }
  }

  TPoint Map(const TLogicalPoint& p) const {
    double sx, sy;
    DeviceScale(sx, sy);
    const double dx = (p.X - state_.WindowOrg.X) * sx + state_.ViewportOrg.X;
    const double dy = (p.Y - state_.WindowOrg.Y) * sy + state_.ViewportOrg.Y;
    const double x = destLeft_ + (dx - metafile_.frameLeft_) * kx_;
    const double y = destTop_ + (dy - metafile_.frameTop_) * ky_;
    auto limit = [](double v) {
      return static_cast<int>(std::lround(std::isfinite(v) ? std::clamp(v, -kCoordinateLimit, kCoordinateLimit) : 0));
    };
    return TPoint{limit(x), limit(y)};
  }

  void SelectInto(bool usePen, bool useBrush) {
    TPen& pen = canvas_.Pen();
    if (overridePen_) {
      pen.Assign(*overridePen_);
    } else {
      double sx, sy;
      DeviceScale(sx, sy);
      const double width = std::min(kMaxPenWidth, state_.Pen.Width * std::fabs(sx * kx_));
      pen.SetColor(state_.Pen.Color);
      pen.SetStyle(state_.Pen.Style);
      pen.SetMode(pmCopy);
      pen.SetWidth(static_cast<int>(std::lround(std::isfinite(width) ? width : 0)));
    }
    if (!usePen) pen.SetStyle(psClear);
    TBrush& brush = canvas_.Brush();
    if (overrideBrush_) {
      brush.Assign(*overrideBrush_);
    } else {
      brush.SetColor(state_.Brush.Color);
      brush.SetStyle(state_.Brush.Style);
    }
    if (!useBrush) brush.SetStyle(bsClear);
  }

  std::vector<TPoint> MapAll(const std::vector<TLogicalPoint>& points) const {
    std::vector<TPoint> mapped(points.size());
    std::transform(points.begin(), points.end(), mapped.begin(), [this](const TLogicalPoint& p) { return Map(p); });
    return mapped;
  }

  // Takes the estimated work of a drawing call from the budget; false once it is spent.
  bool Spend(double work) {
    budget_ -= work;
    return budget_ >= 0;
  }

  double ClippedArea(double width, double height) const {
    return std::min(width, static_cast<double>(clipWidth_)) * std::min(height, static_cast<double>(clipHeight_));
  }

  // Pixels visited by the pen along the line: walked steps for thin pens, the segment boxes for
  // wide ones.
  double LineWork(const std::vector<TPoint>& line) const {
    const double w = canvas_.Pen().Width();
    double work = 0;
    for (size_t i = 1; i < line.size(); ++i) {
      const double dx = std::fabs(double(line[i].X) - line[i - 1].X), dy = std::fabs(double(line[i].Y) - line[i - 1].Y);
      work += w <= 1 ? std::min(std::max(dx, dy), static_cast<double>(clipWidth_ + clipHeight_)) + 1
                     : ClippedArea(dx + w + 1, dy + w + 1);
    }
    return work;
  }

  void Stroke(const std::vector<TLogicalPoint>& points, bool bezier) {
    if (points.size() < 2) return;
    SelectInto(true, false);
    const std::vector<TPoint> line = bezier ? Flatten(points) : MapAll(points);
    if (Spend(LineWork(line))) canvas_.Polyline(line);
  }

  void Fill(const std::vector<TLogicalPoint>& points) {
    if (points.size() < 2) return;
    SelectInto(true, true);
    std::vector<TPoint> outline = MapAll(points);
    int top = outline[0].Y, bottom = outline[0].Y;
    for (const TPoint& p : outline) top = std::min(top, p.Y), bottom = std::max(bottom, p.Y);
    const double rows = std::min(double(bottom) - top, static_cast<double>(clipHeight_));
    const double work = rows * static_cast<double>(outline.size()) + LineWork(outline);
    if (!Spend(work)) return;
    canvas_.Polygon(outline);
  }

  // The curve through a start point and groups of (control, control, end) as line segments in
  // canvas pixels; an incomplete last group is dropped.
  std::vector<TPoint> Flatten(const std::vector<TLogicalPoint>& points) const {
    std::vector<TPoint> line{Map(points[0])};
    for (size_t i = 1; i + 2 < points.size(); i += 3) {
      const TPoint p0 = line.back(), p1 = Map(points[i]), p2 = Map(points[i + 1]), p3 = Map(points[i + 2]);
      const double length = std::hypot(double(p1.X) - p0.X, double(p1.Y) - p0.Y) +
                            std::hypot(double(p2.X) - p1.X, double(p2.Y) - p1.Y) +
                            std::hypot(double(p3.X) - p2.X, double(p3.Y) - p2.Y);
      const int steps = static_cast<int>(std::clamp(length / 4, 1.0, static_cast<double>(kMaxBezierSteps)));
      for (int s = 1; s <= steps; ++s) {
        const double t = static_cast<double>(s) / steps, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        line.push_back(TPoint{static_cast<int>(std::lround(a * p0.X + b * p1.X + c * p2.X + d * p3.X)),
                              static_cast<int>(std::lround(a * p0.Y + b * p1.Y + c * p2.Y + d * p3.Y))});
      }
    }
    return line;
  }

  void PlayPoly(uint32_t type, const TRecordReader& r) {
    const bool small = type >= emrPolyBezier16;
    std::vector<TLogicalPoint> points;
    if (!r.Has(24, 4) || !ReadPoints(r, 28, r.U32(24), small, points) || points.empty()) return;
    switch (type) {
      case emrPolygon: case emrPolygon16:
        Fill(points);
        break;
      case emrPolyline: case emrPolyline16:
        Stroke(points, false);
        break;
      case emrPolyBezier: case emrPolyBezier16:
        Stroke(points, true);
        break;
      default: {  // the "to" forms start at the current position and end there
        const bool bezier = type == emrPolyBezierTo || type == emrPolyBezierTo16;
        points.insert(points.begin(), state_.Position);
        Stroke(points, bezier);
        state_.Position = points.back();
        break;
      }
    }
  }

  void PlayPolyPoly(uint32_t type, const TRecordReader& r) {
    const bool small = type == emrPolyPolyline16 || type == emrPolyPolygon16;
    const bool filled = type == emrPolyPolygon || type == emrPolyPolygon16;
    if (!r.Has(24, 8)) return;
    const uint32_t polygons = r.U32(24);
    if (polygons > (r.Size() - 32) / 4) return;
    const size_t pointsAt = 32 + static_cast<size_t>(polygons) * 4;
    std::vector<TLogicalPoint> all;
    if (!ReadPoints(r, pointsAt, r.U32(28), small, all)) return;
    size_t start = 0;
    for (uint32_t i = 0; i < polygons; ++i) {
      const size_t count = r.U32(32 + static_cast<size_t>(i) * 4);
      if (count > all.size() - start) return;
      const std::vector<TLogicalPoint> part(all.begin() + static_cast<ptrdiff_t>(start),
                                            all.begin() + static_cast<ptrdiff_t>(start + count));
      filled ? Fill(part) : Stroke(part, false);
      start += count;
    }
  }

  void PlayBox(uint32_t type, const TRecordReader& r) {
    if (!r.Has(8, 16)) return;
    const TPoint a = Map({static_cast<double>(r.I32(8)), static_cast<double>(r.I32(12))});
    const TPoint b = Map({static_cast<double>(r.I32(16)), static_cast<double>(r.I32(20))});
    SelectInto(true, true);
    const double w = canvas_.Pen().Width();
    if (!Spend(ClippedArea(std::fabs(double(b.X) - a.X) + w + 1, std::fabs(double(b.Y) - a.Y) + w + 1))) return;
    if (type == emrRectangle) {
      canvas_.Rectangle(a.X, a.Y, b.X, b.Y);
    } else {
      canvas_.Ellipse(a.X, a.Y, b.X, b.Y);
    }
  }

  const TEnhancedMetafile& metafile_;
  TCanvas& canvas_;
  const TPen* overridePen_;
  const TBrush* overrideBrush_;
  std::vector<TMetafileObject> objects_;
  TState state_;
  std::vector<TState> saved_;
  double kx_ = 0, ky_ = 0;
  int clipWidth_ = 0, clipHeight_ = 0;
  double budget_ = 0;
  double destLeft_ = 0, destTop_ = 0;
  double devicePerMmX_ = 0, devicePerMmY_ = 0;
};

void TEnhancedMetafile::Play(TCanvas& canvas, const TRect& dest, const TPen* overridePen,
                             const TBrush* overrideBrush) const {
  TPen savedPen;
  TBrush savedBrush;
  savedPen.Assign(canvas.Pen());
  savedBrush.Assign(canvas.Brush());
  TPlayer(*this, canvas, dest, overridePen, overrideBrush).Play();
  canvas.Pen().Assign(savedPen);
  canvas.Brush().Assign(savedBrush);
}

}  // namespace kivrano
