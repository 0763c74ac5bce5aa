#pragma once

#include "base/Types.h"
#include "raster/Bitmap32.h"
#include "raster/MappingTable.h"

namespace kivrano {

// The kernel and filter width of a stretch filter.
TFilterKernel FilterKernel(TStretchFilter filter);

// Draws the source rectangle of src into the destination rectangle of dst (both half-open),
// resampled with the filter and written with the draw mode. Fails with ETransformError on an
// empty surface or a source rectangle outside src; an empty source rectangle or an empty visible
// part of the destination rectangle draws nothing.
void StretchTransfer(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect,
                     TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combine, int masterAlpha);

// StretchTransfer, with an opaque linear reduction done by area averaging instead.
void DrawScaled(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect,
                TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combine, int masterAlpha);

// Area-averaging reduction: each destination pixel is the mean of its block of source pixels.
void BoxShrink(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect);

// Unscaled copy (or blend, or combine) of the source rectangle with its top-left at (dstX, dstY).
void BlockTransfer(TBitmap32& dst, int dstX, int dstY, const TBitmap32& src, const TRect& srcRect, TDrawMode mode,
                   const TPixelCombineEvent& combine, int masterAlpha);

}  // namespace kivrano
