// Decodes arbitrary bytes as PNG; every failure must be a kivrano::Exception.
#include <cstddef>
#include <cstdint>

#include "storage/PngCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kivrano::SetRasterPixelLimit(4'000'000);
  kivrano::TPixelBuffer picture;
  try {
    kivrano::DecodePng(data, size, picture);
  } catch (const kivrano::Exception&) {
  }
  return 0;
}
