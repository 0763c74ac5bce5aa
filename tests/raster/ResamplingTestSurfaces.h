#pragma once

#include <vector>

#include "raster/Bitmap32.h"

namespace kivrano::testing {

constexpr TColor32 kBlack = 0xFF000000;
constexpr TColor32 kWhite = 0xFFFFFFFF;
// An opaque colour no drawing here produces: marks pixels left alone.
constexpr TColor32 kBackground = 0xFF123456;

// A surface of the given size cleared to one colour.
struct Filled : TBitmap32 {
  Filled(int w, int h, TColor32 c) {
    SetSize(w, h);
    Clear(c);
  }
};

// A surface filled row by row from a list of pixels.
struct Surface : TBitmap32 {
  Surface(int w, int h, const std::vector<TColor32>& pixels) {
    SetSize(w, h);
    for (int i = 0; i < w * h; ++i) Bits()[i] = pixels[static_cast<size_t>(i)];
  }
};

}  // namespace kivrano::testing
