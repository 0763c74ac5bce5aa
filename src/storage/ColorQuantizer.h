#pragma once

#include <cstdint>
#include <vector>

#include "storage/RasterCodec.h"

namespace kivrano {

// A picture of palette indices. Palette entries are 0x00RRGGBB.
struct TIndexedPicture {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Palette;
  std::vector<uint8_t> Indices;  // Width x Height, rows top to bottom
};

// Reduces a picture to at most maxColors (2 to 256) colours with Floyd-Steinberg error diffusion.
// Pixels whose alpha is below ignoreBelowAlpha take no part: they neither shape the palette nor
// receive or pass on error, and get index 0. A picture with no more distinct colours than allowed
// keeps them exactly. Otherwise the palette comes from a variance-driven median cut of a colour
// histogram, refined by two rounds of k-means, which keeps flat areas at their own colours and
// spends the rest of the palette on their anti-aliased edges.
TIndexedPicture QuantizePicture(const TPixelView& picture, int maxColors, uint8_t ignoreBelowAlpha = 0);

// Finds the palette entry nearest to a colour (weighted RGB distance), with a cache for repeated
// colours. Used by the quantiser's mapping pass; public for benchmarks and tests.
class TPaletteSearch {
 public:
  explicit TPaletteSearch(const std::vector<uint32_t>& palette);
  uint8_t Nearest(int r, int g, int b);

 private:
  struct Entry {
    int r, g, b;
    uint8_t index;
  };
  uint8_t Search(int r, int g, int b) const;

  std::vector<Entry> byGreen_;  // palette sorted by green, searched outward from the colour's green
  std::vector<uint32_t> cacheKeys_;
  std::vector<uint8_t> cacheValues_;
};

}  // namespace kivrano
