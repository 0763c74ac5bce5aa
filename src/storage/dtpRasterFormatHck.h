#pragma once

// The ".hck" form of pictures whose own format cannot be read back from a stream (JPEG 2000
// files): the decoded surface stored losslessly, so that an image shape keeps such a picture in
// its resource and decodes it again through the raster format registry by the extension ".hck".

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/RasterCodec.h"
#include "storage/dtpRasterFormats.h"

namespace kivrano {

// The layout, all integers unsigned 32-bit little-endian:
//   offset  0  "KHCK"
//   offset  4  version, 1
//   offset  8  width in pixels
//   offset 12  height in pixels
//   offset 16  N, the length of the compressed pixels
//   offset 20  N bytes: a zlib stream of width x height pixels, rows top to bottom, each pixel
//              four bytes blue, green, red, alpha (the surface's colour, not premultiplied)
// Anything after the compressed pixels is not read.
std::vector<uint8_t> EncodeHck(const TPixelView& picture);

struct THckDecodeResult {
  size_t BytesConsumed = 0;
};
// Fails with an ERasterError for anything but a complete picture in the layout above. The picture's
// size is checked against the pixel limit and against what N bytes can hold before the sink is
// asked for pixels.
THckDecodeResult DecodeHck(const uint8_t* data, size_t size, TPixelSink& sink);

class TdtpHckFormat : public TdtpRaster {
 public:
  static const char* StaticClassName() { return "TdtpHckFormat"; }
  const char* ClassName() const override { return StaticClassName(); }
  static bool CanLoad(TStream& stream);
  void LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize) override;
  void SaveToStream(TStream& stream, TBitmap32& bitmap) override;
};

// Registers TdtpHckFormat for ".hck" (streams, saving; not listed in the open filter), after the
// standard formats. Calling it again changes nothing.
void RegisterHckFormat();

}  // namespace kivrano
