#pragma once

// Small surfaces as text pictures, one line per row, so that line and rectangle tests show the
// expected pixels at a glance.

#include <string>

#include "raster/Bitmap32.h"

namespace kivrano {

// '.' for `background`, '#' for `ink`, '?' for anything else.
inline std::string Picture(const TBitmap32& b, TColor32 ink = 0xFFFFFFFF, TColor32 background = 0) {
  std::string out;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const TColor32 c = b.GetPixel(x, y);
      out += c == background ? '.' : (c == ink ? '#' : '?');
    }
    out += '\n';
  }
  return out;
}

// A w x h surface cleared to 0.
inline void Blank(TBitmap32& b, int w, int h) {
  b.SetSize(w, h);
  b.Clear(0);
}

}  // namespace kivrano
