#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/RasterCodec.h"

namespace kivrano {

struct TPngDecodeInfo {
  bool HasAlphaChannel = false;  // the file stores an alpha channel (not just palette transparency)
  size_t BytesConsumed = 0;
};

// Decodes a PNG into straight (not premultiplied) TColor32 pixels. With an alpha channel or palette
// transparency the pixels carry that alpha; fully transparent palette entries become $00000000;
// otherwise pixels are opaque. Errors fail with an ERasterError.
TPngDecodeInfo DecodePng(const uint8_t* data, size_t size, TPixelSink& sink);

// Encodes the picture as 8-bit RGB with alpha at compression level 9.
std::vector<uint8_t> EncodePng(const TPixelView& picture);

}  // namespace kivrano
