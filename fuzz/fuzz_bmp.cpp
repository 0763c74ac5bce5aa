// Fuzz harness of the BMP reader: any input either decodes or fails with kivrano::Exception; a
// decoded image survives writing and reading again unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/Exception.h"
#include "base/Stream.h"
#include "platform/BmpCodec.h"
#include "raster/Bitmap32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivrano;
  try {
    const TBmpImage image = ReadBmp(data, size);
    if (image.Width > 0 && image.Height > 0) {
      const std::vector<uint8_t> again = EncodeBmp(image, 32);
      if (ReadBmp(again.data(), again.size()).Pixels != image.Pixels) std::abort();
    }
    TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    TBitmap32 surface;
    surface.LoadFromBmpStream(stream);
  } catch (const Exception&) {
  }
  return 0;
}
