#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/RasterCodec.h"

namespace kivrano {

struct TJpegDecodeInfo {
  int SourceWidth = 0;   // size of the encoded picture
  int SourceHeight = 0;
  int Scale = 1;         // 1, 2, 4 or 8: the picture was decoded at 1/Scale of its size
  size_t BytesConsumed = 0;
};

// The reduction for a W x H picture wanted at no less than w x h: s starts at 1 and doubles while
// W >= 2sw, H >= 2sh and s < 5.
int JpegScaleFor(int64_t sourceWidth, int64_t sourceHeight, int64_t requestedWidth, int64_t requestedHeight);

// Decodes a JPEG into opaque pixels, reduced by JpegScaleFor with the decoder's own scaled DCT and
// in its most accurate mode. Library errors, truncated data and oversized pictures fail with an
// ERasterError carrying the decoder's message.
TJpegDecodeInfo DecodeJpeg(const uint8_t* data, size_t size, int requestedWidth, int requestedHeight, TPixelSink& sink);

// Encodes the picture's colours (alpha is dropped) as a baseline JPEG at the given quality.
std::vector<uint8_t> EncodeJpeg(const TPixelView& picture, int quality = 90);

}  // namespace kivrano
