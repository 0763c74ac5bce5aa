// Decodes arbitrary bytes as JPEG at full size and reduced; every failure must be a
// kivrano::Exception.
#include <cstddef>
#include <cstdint>

#include "storage/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kivrano::SetRasterPixelLimit(4'000'000);
  // The input's length picks the requested size, so that the reduced decodings are reached too.
  int requested = (size % 2 == 0) ? 4000 : static_cast<int>(1 + size % 17);
  kivrano::TPixelBuffer picture;
  try {
    kivrano::DecodeJpeg(data, size, requested, requested, picture);
  } catch (const kivrano::Exception&) {
  }
  return 0;
}
