#pragma once

// Glue between the picture codecs, which work on plain pixel buffers, and TBitmap32.

#include "raster/Bitmap32.h"
#include "storage/RasterCodec.h"

namespace kivrano {

// Sizes the surface to the decoded picture and lets the decoder write straight into its pixels.
class TBitmapSink : public TPixelSink {
 public:
  explicit TBitmapSink(TBitmap32& bitmap) : bitmap_(bitmap) {}
  uint32_t* Allocate(int width, int height) override {
    bitmap_.SetSize(width, height);
    if (bitmap_.Width() != width || bitmap_.Height() != height || !bitmap_.Bits()) {
      throw ERasterError("Cannot allocate a " + std::to_string(width) + " x " + std::to_string(height) + " surface");
    }
    return bitmap_.Bits();
  }

 private:
  TBitmap32& bitmap_;
};

inline TPixelView ViewOf(const TBitmap32& bitmap) { return {bitmap.Bits(), bitmap.Width(), bitmap.Height()}; }

// Decodes the stream's bytes from its position and leaves the position after what the decoder used.
template <class Decode>
auto DecodeFromStream(TStream& stream, Decode decode) {
  int64_t start = stream.Position();
  std::vector<uint8_t> bytes = ReadStreamRest(stream);
  auto result = decode(bytes.data(), bytes.size());
  stream.SetPosition(start + static_cast<int64_t>(result.BytesConsumed));
  return result;
}

}  // namespace kivrano
