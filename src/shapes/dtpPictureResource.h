#pragma once

// What the bitmap and the metafile shape share about the picture in their resource: holding its
// decoded object while it is used, sizing a new shape from the picture, and the rectangle the
// picture is painted into.

#include "base/FlagScope.h"
#include "engine/dtpShape.h"
#include "storage/dtpResource.h"

namespace kivrano {

// Picture pixels are taken at 150 dots per inch when a shape is sized from its picture.
constexpr float kPictureDotsPerMm = 5.905512f;

// Holds a lock on the resource's object for its lifetime. When locking fails (the decoded
// object had to be loaded and could not), nothing is held and nothing is released.
class TResourceObjectLock {
 public:
  explicit TResourceObjectLock(TdtpResource& resource) : resource_(resource) { resource_.LockObject(); }
  ~TResourceObjectLock() {
    try {
      resource_.UnlockObject();
    } catch (const Exception&) {
      // Only an unpaired unlock fails, and this lock was paired.
    }
  }
  TResourceObjectLock(const TResourceObjectLock&) = delete;
  TResourceObjectLock& operator=(const TResourceObjectLock&) = delete;

 private:
  TdtpResource& resource_;
};

// The resource's loaded notification of both picture shapes: a shape without a size (0 x 0)
// takes the picture's pixel size at 150 dots per inch and locks that aspect ratio. T is the
// decoded object's type, which reports Width() and Height() in pixels.
template <class T>
void SizeShapeToPicture(TdtpShape& shape, TdtpResource& resource) {
  if (shape.DocWidth() != 0 || shape.DocHeight() != 0) return;
  TResourceObjectLock lock(resource);
  const T* picture = resource.ObjectAs<T>();
  if (!picture || picture->Width() <= 0 || picture->Height() <= 0) return;
  shape.SetDocWidth(static_cast<float>(picture->Width()) / kPictureDotsPerMm);
  shape.SetDocHeight(static_cast<float>(picture->Height()) / kPictureDotsPerMm);
  shape.LockAspectRatio();
}

// The shape's box (0, 0)-(DocWidth, DocHeight) through its paint matrix, corners rounded.
inline TRect PictureRect(const TdtpShape& shape) {
  const TFloatPoint a = shape.LocalToPaint(TFloatPoint{0, 0});
  const TFloatPoint b = shape.LocalToPaint(TFloatPoint{shape.DocWidth(), shape.DocHeight()});
  return TRect{RoundToInt(a.X), RoundToInt(a.Y), RoundToInt(b.X), RoundToInt(b.Y)};
}

}  // namespace kivrano
