// The shape's side of a drag: where the shape and its handles would be if the drag ended now.

#include <algorithm>
#include <cmath>

#include "engine/dtpDocument.h"
#include "engine/dtpShape.h"

namespace kivrano {

namespace {

constexpr float kRadToDeg = 57.29577951308232f;

bool IsLeftSide(uint8_t k) { return k == hkTopLeft || k == hkLeft || k == hkBottomLeft; }
bool IsRightSide(uint8_t k) { return k == hkBottomRight || k == hkRight || k == hkTopRight; }
bool IsTopSide(uint8_t k) { return k == hkTopLeft || k == hkTopRight || k == hkTop; }
bool IsBottomSide(uint8_t k) { return k == hkBottomLeft || k == hkBottom || k == hkBottomRight; }

// num / den, or 1 for a side of no length (it cannot be scaled).
float Ratio(float num, float den) { return den != 0 ? num / den : 1.0f; }

// Scale (sx, sy), then rotate by a degrees about the centre of the scaled box, then translate by q.
TdtpMatrix TrackingTransform(float sx, float sy, float a, float qx, float qy, float width, float height) {
  float s = 0, c = 1;
  SinCosDegrees(a, s, c);
  const float cx = width / 2, cy = height / 2;
  TdtpMatrix m;
  m.M[0][0] = sx * c;
  m.M[1][0] = sy * s;
  m.M[2][0] = qx + cx - cx * c - cy * s;
  m.M[0][1] = -sx * s;
  m.M[1][1] = sy * c;
  m.M[2][1] = qy + cy + cx * s - cy * c;
  return m;
}

}  // namespace

void TdtpShape::ComputeTracking(TFloatPoint delta, bool alt, uint8_t kind) {
  UpdateHandles();
  for (TdtpShapeHandle& h : handles_) {
    h.TrackX = h.X;
    h.TrackY = h.Y;
  }
  float qx = 0, qy = 0, sx = 1, sy = 1, a = 0;
  const TFloatPoint d = ScreenDeltaToLocal(delta);
  const float W = docWidth_, H = docHeight_;

  if (kind == hkMove) {
    qx = d.X;
    qy = d.Y;
  } else if (kind >= hkTopLeft && kind <= hkTop) {
    if (IsLeftSide(kind)) sx = Ratio(W - d.X, W);
    if (IsRightSide(kind)) sx = Ratio(W + d.X, W);
    if (IsTopSide(kind)) sy = Ratio(H - d.Y, H);
    if (IsBottomSide(kind)) sy = Ratio(H + d.Y, H);
    if (preserveAspect_) {
      if (kind == hkLeft || kind == hkRight) sy = sx;
      if (kind == hkBottom || kind == hkTop) sx = sy;
    }
    float w = std::max(1.0f, sx * W);
    float h = std::max(1.0f, sy * H);
    ConstrainSize(w, h);
    sx = Ratio(w, W);
    sy = Ratio(h, H);
    if (W == 0) w = W;
    if (H == 0) h = H;
    if (IsLeftSide(kind)) qx = W - w;
    if (kind == hkTopLeft || kind == hkTopRight || kind == hkTop) qy = H - h;
    if (kind == hkLeft || kind == hkRight) qy = (H - h) / 2;
    if (kind == hkBottom || kind == hkTop) qx = (W - w) / 2;
  } else if (kind == hkRotate) {
    a = -std::atan2(d.Y, d.X + W / 2) * kRadToDeg;
    if (document_ && (document_->StepAngle() > 0) != alt) {
      const float step = document_->StepAngle() > 0 ? document_->StepAngle() : 5.0f;
      a = std::nearbyint((docAngle_ + a) / step) * step - docAngle_;
    }
  } else if (kind == hkPoint) {
    if (trackHandle_ >= 0 && trackHandle_ < HandleCount()) {
      TdtpShapeHandle& h = handles_[static_cast<size_t>(trackHandle_)];
      h.TrackX = h.X + d.X;
      h.TrackY = h.Y + d.Y;
    }
  } else {
    TrackCustomHandle(qx, qy, kind, d.X, d.Y, a, sx, sy);
  }

  const float width = sx * W, height = sy * H;
  SetTracking(docLeft_ + qx * cos_ + qy * sin_, docTop_ - qx * sin_ + qy * cos_, width, height, docAngle_ + a);
  trackMatrix_ = TrackingTransform(sx, sy, a, qx, qy, width, height);
  if (kind >= hkMove && kind <= hkRotate) {
    for (TdtpShapeHandle& h : handles_) {
      const TFloatPoint t = trackMatrix_.Transform(TFloatPoint{h.X, h.Y});
      h.TrackX = t.X;
      h.TrackY = t.Y;
    }
  }
}

}  // namespace kivrano
