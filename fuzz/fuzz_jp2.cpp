// Reads arbitrary bytes as a JPEG 2000 file through the run-time library bridge (files only, so the
// bytes go through a temporary file). Without the library the harness has nothing to do.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "storage/Jpeg2000Bridge.h"
#include "storage/RasterCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kivrano::SetRasterPixelLimit(1'000'000);
  const kivrano::TJ2KLibrary& library = kivrano::J2KLibrary();
  if (!library.LibLoadImage) return 0;
  char path[] = "/tmp/kivrano_fuzz_jp2_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return 0;
  bool written = write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  if (written) {
    kivrano::TImageContainer container;
    if (library.LibLoadImage(path, "jp2", &container) == kivrano::j2kOk) library.LibFreeImage(&container);
  }
  unlink(path);
  return 0;
}
