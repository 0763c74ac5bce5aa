// The shape's render cache, pixel hit testing and the drawing of selection frames.

#include <algorithm>
#include <cmath>

#include "engine/dtpDocument.h"
#include "engine/dtpShape.h"
#include "platform/Canvas.h"
#include "raster/Bitmap32.h"
#include "raster/Transforms.h"

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

TStretchFilter TdtpShape::GetStretchFilter() const { return document_ ? document_->Quality() : sfLinear; }

void TdtpShape::PaintOwnImage(TBitmap32& bitmap) {
  bitmap.Clear(clWhite32);
  {
    TCanvas canvas(bitmap);
    PaintCanvas(canvas);
  }
  ConvertCanvasAlpha(bitmap, SetAlpha(GetViewColor(), 0));
  PaintBitmap(bitmap);
}

TdtpMatrix TdtpShape::ScreenPaintMatrix(TPoint origin) const {
  const float s = GetScreenDpm();
  const TFloatPoint o = LocalToScreen(TFloatPoint{0, 0});
  TdtpMatrix m;
  m.M[0][0] = s;
  m.M[1][1] = s;
  m.M[2][0] = o.X - static_cast<float>(origin.X);
  m.M[2][1] = o.Y - static_cast<float>(origin.Y);
  return m;
}

TPoint TdtpShape::ChildPaintCorner(const TdtpShape& child) const {
  const TFloatRect r = child.GetBoundsRectWithCurbs();
  return TPoint{RoundToInt(paintMatrix_.M[0][0] * r.Left + paintMatrix_.M[2][0]),
                RoundToInt(paintMatrix_.M[1][1] * r.Top + paintMatrix_.M[2][1])};
}

void TdtpShape::PrepareChildCache(TdtpShape& child) {
  child.cache_->SetMasterAlpha(child.masterAlpha_);
  child.cache_->SetDrawMode(child.masterAlpha_ == 255 ? dmOpaque : dmBlend);
}

bool TdtpShape::PaintTo(TCanvas& canvas) {
  const TRect clip = canvas.ClipRect();
  if (clip.Width() <= 0 || clip.Height() <= 0) return false;
  const TRect bounds = GetScreenBounds();
  if (!RectsIntersect(bounds, clip)) return false;
  if (document_ && document_->DirectPainting()) {
    PaintDirect(canvas);
    return false;
  }
  if (!NeedsCache()) {
    PaintUncached(&canvas, nullptr, TPoint{0, 0}, clip);
    return true;
  }
  RenderCache();
  if (!cache_ || cache_->Empty() || !document_) return false;
  // The part of the cache under the visible part of the shape, at least one pixel each way.
  const TRect v = Overlap(bounds, clip);
  const float sx = static_cast<float>(cache_->Width()) / static_cast<float>(bounds.Width());
  const float sy = static_cast<float>(cache_->Height()) / static_cast<float>(bounds.Height());
  TRect source{RoundToInt(static_cast<float>(v.Left - bounds.Left) * sx),
               RoundToInt(static_cast<float>(v.Top - bounds.Top) * sy),
               RoundToInt(static_cast<float>(v.Right - bounds.Left) * sx),
               RoundToInt(static_cast<float>(v.Bottom - bounds.Top) * sy)};
  source.Left = std::min(source.Left, cache_->Width() - 1);
  source.Top = std::min(source.Top, cache_->Height() - 1);
  source.Right = std::max(source.Right, source.Left + 1);
  source.Bottom = std::max(source.Bottom, source.Top + 1);
  TBitmap32 image;
  image.SetSize(clip.Width(), clip.Height());
  image.Clear(SetAlpha(GetViewColor(), 255));
  cache_->SetStretchFilter(document_->Quality());
  image.Draw(TRect{v.Left - clip.Left, v.Top - clip.Top, v.Right - clip.Left, v.Bottom - clip.Top}, source, *cache_);
  canvas.Draw(clip.Left, clip.Top, image);
  return true;
}

void TdtpShape::PaintUncached(TCanvas* canvas, TBitmap32* target, TPoint offset, const TRect& r) {
  if (r.Width() <= 0 || r.Height() <= 0 || (!canvas && !target)) return;
  TBitmap32 image;
  image.SetSize(r.Width(), r.Height());
  SetPaintMatrix(ScreenPaintMatrix(TPoint{r.Left, r.Top}));
  PaintOwnImage(image);
  const TRect own = GetScreenBounds();
  for (const auto& child : children_) {
    if (!child->Visible()) continue;
    const TRect childBounds = child->GetScreenBounds();
    if (!RectsIntersect(childBounds, r) || !RectsIntersect(childBounds, own)) continue;
    if (!child->NeedsCache()) {
      child->PaintUncached(nullptr, &image, TPoint{-r.Left, -r.Top}, Overlap(Overlap(childBounds, r), own));
      continue;
    }
    child->RenderCache();
    TBitmap32* cache = child->cache_.get();
    if (!cache || cache->Empty()) continue;
    cache->SetMasterAlpha(child->masterAlpha_);
    cache->SetDrawMode(dmBlend);
    cache->SetStretchFilter(GetStretchFilter());
    const TFloatRect f = child->GetBoundsRectWithCurbs();
    const TFloatPoint a = paintMatrix_.Transform(TFloatPoint{f.Left, f.Top});
    const TFloatPoint b = paintMatrix_.Transform(TFloatPoint{f.Right, f.Bottom});
    TRect destination{RoundToInt(a.X), RoundToInt(a.Y), RoundToInt(b.X), RoundToInt(b.Y)};
    if (child->GetRenderDpm() == GetScreenDpm()) {
      // Same resolution: the cache goes in pixel for pixel.
      destination.Right = destination.Left + cache->Width();
      destination.Bottom = destination.Top + cache->Height();
    }
    if (destination.Width() > 0 && destination.Height() > 0) image.Draw(destination, *cache);
  }
  PaintOverlay(image);
  if (target) {
    image.MergeDrawAt(*target, r.Left + offset.X, r.Top + offset.Y, 255);
  } else {
    canvas->Draw(r.Left, r.Top, image);
  }
}

void TdtpShape::RenderCache() {
  if (!IsDirty()) return;
  if (document_) document_->ShowCursor(crAppStart);
  const TdtpMatrix m = PrepareCache();
  if (!cache_) return;
  const float d = GetRenderDpm();
  const bool rotated = docAngle_ != 0;
  // A turned shape is painted upright into a bitmap of its own and then turned into the cache.
  TBitmap32 upright;
  TBitmap32* image = cache_.get();
  TdtpMatrix paint = m;
  if (rotated) {
    const float w = std::ceil(d * (effCurbLeft_ + docWidth_ + effCurbRight_));
    const float h = std::ceil(d * (effCurbTop_ + docHeight_ + effCurbBottom_));
    if (!(w >= 0 && w <= kMaxCacheSide && h >= 0 && h <= kMaxCacheSide)) return;
    upright.SetSize(static_cast<int>(w), static_cast<int>(h));
    upright.Clear(SetAlpha(GetBackColor(), 0));
    paint = TdtpMatrix{};
    paint.M[0][0] = d;
    paint.M[1][1] = d;
    paint.M[2][0] = effCurbLeft_ * d;
    paint.M[2][1] = effCurbTop_ * d;
    image = &upright;
  }
  if (image->Empty()) return;
  SetPaintMatrix(paint);
  PaintOwnImage(*image);
  for (const auto& child : children_) {
    if (!child->Visible()) continue;
    child->RenderCache();
    if (!child->cache_ || child->cache_->Empty()) continue;
    PrepareChildCache(*child);
    const TPoint at = ChildPaintCorner(*child);
    child->cache_->MergeDrawAt(*image, at.X, at.Y, child->masterAlpha_);
  }
  PaintOverlay(*image);
  ApplyFlip(*image);
  if (rotated) {
    upright.SetMasterAlpha(255);
    upright.SetDrawMode(dmOpaque);
    upright.SetOuterColor(0x00FFFFFF);
    upright.SetStretchFilter(GetStretchFilter());
    // Upright pixels back to local mm, then through the cache matrix.
    TFloatMatrix toLocal = IdentityMatrix;
    toLocal[0][0] = 1 / d;
    toLocal[1][1] = 1 / d;
    toLocal[2][0] = -effCurbLeft_;
    toLocal[2][1] = -effCurbTop_;
    TFloatMatrix toCache = IdentityMatrix;
    for (int c = 0; c < 3; ++c)
      for (int r = 0; r < 3; ++r) toCache[c][r] = m.M[c][r];
    TAffineTransformation transformation;
    transformation.SetMatrix(MatrixMultiply(toCache, toLocal));
    transformation.SetSourceRect(TFloatRect{0, 0, static_cast<float>(upright.Width()), static_cast<float>(upright.Height())});
    Transform(*cache_, upright, transformation);
  }
  SetDirty(false);
}

void TdtpShape::PaintDirect(TCanvas& canvas) {
  const TRect clip = canvas.ClipRect();
  if (clip.Width() <= 0 || clip.Height() <= 0) return;
  TBitmap32 image;
  image.SetSize(clip.Width(), clip.Height());
  SetPaintMatrix(ScreenPaintMatrix(TPoint{clip.Left, clip.Top}));
  PaintOwnImage(image);
  for (const auto& child : children_) {
    if (!child->Visible() || !RectsIntersect(child->GetScreenBounds(), clip)) continue;
    child->RenderCache();
    if (!child->cache_ || child->cache_->Empty()) continue;
    const TPoint at = ChildPaintCorner(*child);
    child->cache_->MergeDrawAt(image, at.X, at.Y, child->masterAlpha_);
  }
  PaintOverlay(image);
  canvas.Draw(clip.Left, clip.Top, image);
}

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
