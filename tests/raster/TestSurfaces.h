#pragma once

// Small test surfaces: built from values, read back as values, or shown as text pictures (one line
// per row) so that line and rectangle tests show the expected pixels at a glance.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A w x h surface holding the given values row by row.
inline void Fill(TBitmap32& b, int w, int h, const std::vector<TColor32>& values) {
  b.SetSize(w, h);
  for (size_t i = 0; i < values.size(); ++i) b.Bits()[i] = values[i];
}

inline std::vector<TColor32> Values(const TBitmap32& b) {
  return std::vector<TColor32>(b.Bits(), b.Bits() + static_cast<size_t>(b.Width()) * static_cast<size_t>(b.Height()));
}

// A drawing call on a rectangle or segment and the picture it must leave on a blank 5 x 4 surface.
struct PictureCase {
  int x1, y1, x2, y2;
  const char* picture;
};

template <typename Draw>
void ExpectPictures(const std::vector<PictureCase>& cases, Draw draw) {
  for (const PictureCase& c : cases) {
    TBitmap32 b;
    Blank(b, 5, 4);
    draw(b, c);
    EXPECT_EQ(Picture(b), c.picture) << c.x1 << "," << c.y1 << " / " << c.x2 << "," << c.y2;
  }
}

}  // namespace kivrano
