// The shape's render cache, pixel hit testing and the drawing of selection frames.

#include <algorithm>
#include <cmath>

#include "engine/dtpDocument.h"
#include "engine/dtpShape.h"
#include "platform/Canvas.h"
#include "raster/Bitmap32.h"

namespace kivrano {

namespace {

// Caches larger than this many pixels per side are not made: such a size means absurd geometry.
constexpr float kMaxCacheSide = 32768;

TPoint Rounded(TFloatPoint p) { return TPoint{RoundToInt(p.X), RoundToInt(p.Y)}; }

}  // namespace

void TdtpShape::ClearCache() {
  if (cache_) cache_->Clear(SetAlpha(GetBackColor(), 0));
  dirty_ = true;
}

void TdtpShape::FreeCache() {
  cache_.reset();
  dirty_ = true;
}

TdtpMatrix TdtpShape::PrepareCache() {
  cache_.reset();
  const float d = GetRenderDpm();
  // Scale by the render resolution, then turn like LocalToParent does.
  TdtpMatrix a;
  a.M[0][0] = d * cos_;
  a.M[1][0] = d * sin_;
  a.M[0][1] = -d * sin_;
  a.M[1][1] = d * cos_;
  const auto corners = CurbCorners();
  TFloatPoint first = a.Transform(corners[0]);
  float minX = first.X, maxX = first.X, minY = first.Y, maxY = first.Y;
  for (const TFloatPoint& c : corners) {
    const TFloatPoint p = a.Transform(c);
    minX = std::min(minX, p.X);
    maxX = std::max(maxX, p.X);
    minY = std::min(minY, p.Y);
    maxY = std::max(maxY, p.Y);
  }
  const float width = std::nearbyint(maxX - minX + 0.5f);
  const float height = std::nearbyint(maxY - minY + 0.5f);
  if (!(width >= 0 && width <= kMaxCacheSide && height >= 0 && height <= kMaxCacheSide)) {
    dirty_ = true;
    return TdtpMatrix::Identity();
  }
  a.M[2][0] = -minX;
  a.M[2][1] = -minY;
  auto cache = std::make_unique<TBitmap32>();
  try {
    cache->SetSize(static_cast<int>(width), static_cast<int>(height));
  } catch (const Exception&) {
    dirty_ = true;
    return TdtpMatrix::Identity();
  }
  cache_ = std::move(cache);
  cacheMatrix_ = a;
  ClearCache();
  return a;
}

bool TdtpShape::PaintTo(TCanvas& /*canvas*/) { return false; }

bool TdtpShape::HitTestPixel(TPoint p) {
  // Without an up-to-date cache every point of the region counts.
  if (!cache_ || dirty_ || cache_->Empty()) return true;
  const TPoint c = Rounded(cacheMatrix_.Transform(ScreenToLocal(TFloatPoint{static_cast<float>(p.X),
                                                                             static_cast<float>(p.Y)})));
  if (!cache_->InBounds(c.X, c.Y)) return true;
  const int threshold = masterAlpha_ * 50 / 255;
  const std::vector<TPoint> fallback{TPoint{0, 0}};
  const std::vector<TPoint>& offsets = document_ ? document_->HitOffsets() : fallback;
  for (const TPoint& o : offsets) {
    const int x = c.X + o.X;
    const int y = c.Y + o.Y;
    const int alpha = cache_->InBounds(x, y) ? AlphaOf(cache_->GetPixel(x, y)) : 0;
    if (alpha > threshold) return true;
  }
  return false;
}

void TdtpShape::ApplyFlip(TBitmap32& bitmap) const {
  if (mirrored_) bitmap.FlipHorizontal();
  if (flipped_) bitmap.FlipVertical();
}

void TdtpShape::ConvertCanvasAlpha(TBitmap32& bitmap, TColor32 back) const {
  const int64_t count = static_cast<int64_t>(bitmap.Width()) * bitmap.Height();
  TColor32* pixels = bitmap.Bits();
  for (int64_t i = 0; i < count; ++i) {
    pixels[i] = AlphaOf(pixels[i]) == 0 ? (pixels[i] | 0xFF000000u) : back;
  }
}

void TdtpShape::DrawSelection(TCanvas& canvas) {
  if (!document_) return;
  UpdateHandles();
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetMode(pmCopy);
  for (const TdtpShapeEdge& e : edges_) {
    if (!e.Visible) continue;
    const TPoint a = HandleScreenPoint(e.FromHandle);
    const TPoint b = HandleScreenPoint(e.ToHandle);
    canvas.Pen().SetColor(clWhite);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(3);
    canvas.MoveTo(a.X, a.Y);
    canvas.LineTo(b.X, b.Y);
    canvas.Pen().SetColor(document_->HandleEdgeColor());
    canvas.Pen().SetStyle(psDot);
    canvas.Pen().SetWidth(1);
    canvas.MoveTo(a.X, a.Y);
    canvas.LineTo(b.X, b.Y);
  }
  for (int i = 0; i < HandleCount(); ++i) DrawHandle(canvas, i);
}

void TdtpShape::DrawHandle(TCanvas& canvas, int index) {
  const TdtpShapeHandle* h = Handle(index);
  if (!document_ || !h) return;
  canvas.Pen().SetMode(pmCopy);
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetColor(document_->HandleEdgeColor());
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(document_->HandleColor());
  const TRect r = GetHandleRect(index);
  if (h->Kind != hkRotate) {
    canvas.Rectangle(r);
  } else if (allowRotate_) {
    canvas.Ellipse(r);
  }
}

void TdtpShape::DrawTrackOutline(TCanvas& canvas) {
  if (!document_ || edges_.empty()) return;
  UpdateHandles();
  canvas.Pen().SetColor(document_->HandleEdgeColor());
  canvas.Pen().SetStyle(psDot);
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetMode(pmXor);
  // The gaps of the dotted line take the brush: white XOR inverts them, so the outline shows even
  // where the edge colour (black by default) leaves the XOR-ed dots unchanged.
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(clWhite);
  for (const TdtpShapeEdge& e : edges_) {
    const TdtpShapeHandle* from = Handle(e.FromHandle);
    const TdtpShapeHandle* to = Handle(e.ToHandle);
    if (!from || !to) continue;
    const TPoint a = Rounded(LocalToScreen(TFloatPoint{from->TrackX, from->TrackY}));
    const TPoint b = Rounded(LocalToScreen(TFloatPoint{to->TrackX, to->TrackY}));
    canvas.MoveTo(a.X, a.Y);
    canvas.LineTo(b.X, b.Y);
  }
  canvas.Pen().SetMode(pmCopy);
}

void TdtpShape::DrawInsertFrame(TCanvas& canvas, const TRect& rect, TColor color) {
  canvas.Pen().SetColor(color);
  canvas.Pen().SetStyle(psDot);
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetMode(pmXor);
  canvas.Brush().SetStyle(bsClear);
  canvas.Rectangle(rect);
  canvas.Pen().SetMode(pmCopy);
}

}  // namespace kivrano
