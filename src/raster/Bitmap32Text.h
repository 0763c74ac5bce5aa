#pragma once

// Text on raster surfaces: compositing the font engine's coverage masks onto a TBitmap32.

#include "base/Types.h"
#include "platform/FontEngine.h"
#include "raster/Color32.h"

namespace kivrano {

class TBitmap32;

// Blends the colour bytes of color onto the surface, weighted by the mask's coverage (full
// coverage stores them exactly); every touched pixel gets alpha 0, as text drawn by the
// platform did. Only pixels inside both the mask and the surface are touched.
void DrawCoverage(TBitmap32& target, const TCoverageMask& mask, TColor32 color);

// Rasterises a layout of the font inside clip (and the surface) and draws it as above.
void DrawTextLayout(TBitmap32& target, TScaledFont& font, const TTextLayout& layout, TColor32 color,
                    const TRect& clip);

}  // namespace kivrano
