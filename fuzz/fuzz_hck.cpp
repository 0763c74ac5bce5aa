// Decodes arbitrary bytes as a decoded-picture (".hck") resource; every failure must be a
// kivrano::Exception.
#include <cstddef>
#include <cstdint>

#include "storage/dtpRasterFormatHck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kivrano::SetRasterPixelLimit(4'000'000);
  kivrano::TPixelBuffer picture;
  try {
    kivrano::DecodeHck(data, size, picture);
  } catch (const kivrano::Exception&) {
  }
  return 0;
}
