#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "base/Stream.h"

namespace kivrano {

// Failures of the raster format layer and of the picture codecs behind it.
class ERasterError : public Exception {
 public:
  using Exception::Exception;
};

// The largest picture any decoder accepts, in pixels (100 million by default). Decoders check a
// picture's size against it before allocating its pixels; fuzz harnesses lower it to stay fast.
int64_t RasterPixelLimit();
void SetRasterPixelLimit(int64_t pixels);

// Fails with an ERasterError when width x height is not a positive size within the pixel limit.
void CheckRasterSize(int64_t width, int64_t height, const char* formatName);

// Where a decoder puts its picture: once it knows the size it asks for width x height TColor32
// pixels (0xAARRGGBB), rows top to bottom without gaps, and fills them.
class TPixelSink {
 public:
  virtual ~TPixelSink() = default;
  virtual uint32_t* Allocate(int width, int height) = 0;
};

// A sink that keeps the picture in memory.
class TPixelBuffer : public TPixelSink {
 public:
  TPixelBuffer() = default;
  TPixelBuffer(int width, int height, uint32_t fill = 0) { Allocate(width, height); Fill(fill); }

  uint32_t* Allocate(int width, int height) override;
  void Fill(uint32_t color);

  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t* Data() { return pixels_.data(); }
  const uint32_t* Data() const { return pixels_.data(); }
  uint32_t& At(int x, int y) { return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]; }
  uint32_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// A picture handed to an encoder: width x height TColor32 pixels, rows top to bottom.
struct TPixelView {
  const uint32_t* Pixels = nullptr;
  int Width = 0;
  int Height = 0;

  const uint32_t* Row(int y) const { return Pixels + static_cast<size_t>(y) * static_cast<size_t>(Width); }
};

inline TPixelView ViewOf(const TPixelBuffer& buffer) { return {buffer.Data(), buffer.Width(), buffer.Height()}; }

// Reads everything from the stream's position to its end.
std::vector<uint8_t> ReadStreamRest(TStream& stream);

// Writes bytes to the stream, failing with "Stream write error" when they do not all fit.
void WriteBytes(TStream& stream, const std::vector<uint8_t>& bytes);

}  // namespace kivrano
