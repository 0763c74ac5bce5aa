#pragma once

#include <string>

#include "raster/Bitmap32.h"

namespace kivrano::testing {

// Writes the surface as an 8-bit RGBA PNG file (colours not premultiplied, as stored), each
// pixel repeated scale times in both directions.
void WritePng(const TBitmap32& bitmap, const std::string& path, int scale = 1);

// Writes <name>.png, enlarged 4 times, into the folder named by KIVRANO_PICTURES when that is
// set, so that rendered results can be looked at.
void DumpPicture(const TBitmap32& bitmap, const std::string& name);

}  // namespace kivrano::testing
