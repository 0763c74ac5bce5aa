#include "storage/RasterCodec.h"

#include <algorithm>
#include <limits>

namespace kivrano {

namespace {
int64_t pixelLimit = 100'000'000;
}

int64_t RasterPixelLimit() { return pixelLimit; }

void SetRasterPixelLimit(int64_t pixels) { pixelLimit = std::max<int64_t>(1, pixels); }

void CheckRasterSize(int64_t width, int64_t height, const char* formatName) {
  if (width <= 0 || height <= 0) {
    throw ERasterError(std::string(formatName) + " image has an invalid size (" + std::to_string(width) + " x " +
                       std::to_string(height) + ")");
  }
  if (width > std::numeric_limits<int32_t>::max() / 4 || height > std::numeric_limits<int32_t>::max() / 4 ||
      width * height > pixelLimit) {
    throw ERasterError(std::string(formatName) + " image is too large (" + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels)");
  }
}

uint32_t* TPixelBuffer::Allocate(int width, int height) {
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  width_ = width;
  height_ = height;
  return pixels_.data();
}

void TPixelBuffer::Fill(uint32_t color) { std::fill(pixels_.begin(), pixels_.end(), color); }

std::vector<uint8_t> ReadStreamRest(TStream& stream) {
  // The size is only a hint: a stream may end early or hold more than it claimed.
  size_t expected = static_cast<size_t>(std::max<int64_t>(0, stream.Size() - stream.Position()));
  std::vector<uint8_t> bytes(expected);
  size_t filled = 0;
  while (filled < bytes.size()) {
    int32_t n = stream.Read(bytes.data() + filled, static_cast<int32_t>(std::min<size_t>(bytes.size() - filled, 1u << 30)));
    if (n <= 0) break;
    filled += static_cast<size_t>(n);
  }
  bytes.resize(filled);
  uint8_t block[65536];
  for (int32_t n; (n = stream.Read(block, sizeof block)) > 0;) bytes.insert(bytes.end(), block, block + n);
  return bytes;
}

void WriteBytes(TStream& stream, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    int32_t n = static_cast<int32_t>(std::min<size_t>(bytes.size() - done, 1u << 30));
    stream.WriteBuffer(bytes.data() + done, n);
    done += static_cast<size_t>(n);
  }
}

}  // namespace kivrano
