#pragma once

// Reader and writer of BMP files on plain pixel buffers.
//
// Reads 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, with bit-field masks, and run-length
// encoded (4 and 8 bits), bottom-up and top-down, with the 12-byte core header and the 40, 52, 56,
// 64, 108 and 124-byte info headers. Writes uncompressed 24 or 32 bits-per-pixel files with a
// 40-byte info header, bottom-up. A damaged file fails with an Exception whose message begins
// "Invalid BMP file".

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Stream.h"

namespace kivrano {

struct TBmpImage {
  int Width = 0;
  int Height = 0;
  // Bits per pixel of the file the image came from (or is to be written with).
  int BitsPerPixel = 32;
  // 0xAARRGGBB, rows top to bottom. Pixels of files below 32 bits per pixel are opaque; 32-bit
  // files keep their fourth byte (or their alpha mask) as alpha.
  std::vector<uint32_t> Pixels;
};

// Images larger than this many pixels are refused.
constexpr int64_t kMaxBmpPixels = 100'000'000;

// Decodes the BMP file at the start of data; consumed (when given) receives the number of bytes the
// file occupies.
TBmpImage ReadBmp(const uint8_t* data, size_t size, size_t* consumed = nullptr);
// Decodes the BMP file at the stream's position and leaves the position just after it.
TBmpImage ReadBmp(TStream& stream);

// Encodes the image as a BMP file of 24 or 32 bits per pixel.
std::vector<uint8_t> EncodeBmp(const TBmpImage& image, int bitsPerPixel);
void WriteBmp(const TBmpImage& image, int bitsPerPixel, TStream& stream);

}  // namespace kivrano
