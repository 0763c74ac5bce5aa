#include "raster/Bitmap32.h"
#include "raster/Resamplers.h"

namespace kivrano {

void TBitmap32::Draw(const TRect& dstRect, const TRect& srcRect, const TBitmap32& src) {
  if (Empty() || src.Empty()) return;
  StretchTransfer(*this, dstRect, src, srcRect, src.StretchFilter(), src.DrawMode(), src.OnPixelCombine,
                  src.MasterAlpha());
  Changed();
}

void TBitmap32::Draw(const TRect& dstRect, const TBitmap32& src) {
  Draw(dstRect, TRect{0, 0, src.Width(), src.Height()}, src);
}

void TBitmap32::DrawScaled(const TRect& dstRect, const TRect& srcRect, const TBitmap32& src) {
  if (Empty() || src.Empty()) return;
  kivrano::DrawScaled(*this, dstRect, src, srcRect, src.StretchFilter(), src.DrawMode(), src.OnPixelCombine,
                      src.MasterAlpha());
  Changed();
}

}  // namespace kivrano
