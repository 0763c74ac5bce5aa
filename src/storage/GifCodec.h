#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Types.h"
#include "storage/ColorQuantizer.h"
#include "storage/RasterCodec.h"

namespace kivrano {

struct TGifDecodeInfo {
  size_t BytesConsumed = 0;  // up to the end of the first image
};

// Decodes the first image of a GIF onto a surface of the GIF's screen size: pixels the image covers
// get their colour at alpha 255; its transparent pixels and the area outside it are $00000000.
// Errors fail with an ERasterError.
TGifDecodeInfo DecodeGif(const uint8_t* data, size_t size, TPixelSink& sink);

// A palette picture ready for the GIF writer; TransparentIndex is -1 when nothing is transparent.
struct TGifPicture {
  TIndexedPicture Picture;
  int TransparentIndex = -1;
};

// Quantises a surface for saving as GIF: at most 256 colours with Floyd-Steinberg dithering; pixels
// with alpha below alphaThreshold take the transparent index T (the first unused index, else the
// least used one), whose palette entry becomes transparentColor.
TGifPicture PrepareGifPicture(const TPixelView& picture, uint8_t alphaThreshold, TColor transparentColor);

// Writes a GIF (GIF89a with a graphic control extension when an index is transparent).
std::vector<uint8_t> EncodeGif(const TGifPicture& gif);

}  // namespace kivrano
