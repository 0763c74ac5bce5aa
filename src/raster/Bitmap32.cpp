#include "raster/Bitmap32.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/BmpCodec.h"

namespace kivrano {

static_assert(std::endian::native == std::endian::little, "pixels are stored in little-endian byte order");

// --- TThreadPersistent ---------------------------------------------------------------------------

namespace {

std::mutex& LockedCountMutex() {
  static std::mutex mutex;
  return mutex;
}
int lockedObjectCount = 0;

}  // namespace

void TThreadPersistent::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TThreadPersistent::EndUpdate() {
  if (updateCount_ <= 0) throw Exception("Unpaired TThreadPersistent.EndUpdate");
  --updateCount_;
}

void TThreadPersistent::Lock() {
  {
    std::lock_guard<std::mutex> guard(LockedCountMutex());
    ++lockedObjectCount;
  }
  lock_.lock();
  ++lockCount_;
}

void TThreadPersistent::Unlock() {
  if (lockCount_ <= 0) return;  // not locked: nothing to leave
  --lockCount_;
  lock_.unlock();
  std::lock_guard<std::mutex> guard(LockedCountMutex());
  --lockedObjectCount;
}

int TThreadPersistent::LockedObjectCount() {
  std::lock_guard<std::mutex> guard(LockedCountMutex());
  return lockedObjectCount;
}

// --- TCustomMap ----------------------------------------------------------------------------------

bool TCustomMap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return false;
  width_ = width;
  height_ = height;
  Changed();
  Resized();
  return true;
}

void TCustomMap::Resized() {
  if (OnResize) OnResize(this);
}

// --- TBitmap32: life cycle -----------------------------------------------------------------------

namespace {

// The pixel memory of a surface is described by 32-bit header fields, so its byte count must fit
// a signed 32-bit integer; anything larger (or not obtainable) is refused.
constexpr size_t kMaxPixelBytes = static_cast<size_t>(std::numeric_limits<int32_t>::max());

}  // namespace

TBitmap32::TBitmap32() = default;

TBitmap32::~TBitmap32() {
  Lock();
  bits_.reset();
  width_ = 0;
  height_ = 0;
  Unlock();
}

bool TBitmap32::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return false;
  bits_.reset();
  width_ = 0;
  height_ = 0;
  bool failed = false;
  if (width > 0 && height > 0) {
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    TColor32* memory = nullptr;
    if (count <= kMaxPixelBytes / sizeof(TColor32)) {
      memory = static_cast<TColor32*>(std::calloc(count, sizeof(TColor32)));
    }
    if (memory == nullptr) {
      failed = true;
    } else {
      bits_.reset(memory);
      width_ = width;
      height_ = height;
    }
  }
  HandleChanged();
  Changed();
  Resized();
  if (failed) throw Exception("Can't allocate the DIB handle");
  return true;
}

void TBitmap32::Delete() { SetSize(0, 0); }

bool TBitmap32::Empty() const { return !bits_ || width_ == 0 || height_ == 0; }

void TBitmap32::HandleChanged() {
  if (OnHandleChanged) OnHandleChanged(this);
}

void TBitmap32::Clear(TColor32 color) {
  if (Empty()) return;
  std::fill_n(bits_.get(), PixelCount(), color);
  Changed();
}

// --- Properties ----------------------------------------------------------------------------------

void TBitmap32::SetDrawMode(TDrawMode mode) {
  if (mode == drawMode_) return;
  drawMode_ = mode;
  Changed();
}

void TBitmap32::SetMasterAlpha(int alpha) {
  alpha = std::clamp(alpha, 0, 255);
  if (alpha == masterAlpha_) return;
  masterAlpha_ = alpha;
  Changed();
}

void TBitmap32::SetStretchFilter(TStretchFilter filter) {
  if (filter == stretchFilter_) return;
  stretchFilter_ = filter;
  Changed();
}

// --- Rectangles ----------------------------------------------------------------------------------

void TBitmap32::FillRect(int x1, int y1, int x2, int y2, TColor32 c) {
  if (Empty() || x2 <= x1 || y2 <= y1) return;
  for (int y = y1; y < y2; ++y) std::fill(PixelPtr(x1, y), PixelPtr(x2, y), c);
  Changed();
}

void TBitmap32::FillRectClipped(int x1, int y1, int x2, int y2, TColor32 c) {
  if (Empty()) return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width_);
  y2 = std::min(y2, height_);
  FillRect(x1, y1, x2, y2, c);
}

void TBitmap32::FrameRectClipped(int x1, int y1, int x2, int y2, TColor32 c) {
  if (Empty()) return;
  --x2;
  --y2;
  if (x2 < x1 || y2 < y1) return;
  Batch([&] {
    HorzLineClipped(x1, y1, x2, c);
    if (y2 > y1) HorzLineClipped(x1, y2, x2, c);
    if (y2 - y1 >= 2) {
      VertLineClipped(x1, y1 + 1, y2 - 1, c);
      if (x2 > x1) VertLineClipped(x2, y1 + 1, y2 - 1, c);
    }
  });
}

// --- Conversion and persistence ------------------------------------------------------------------

void TBitmap32::Assign(const TBitmap32* source) {
  if (source == this) return;
  Batch([&] {
    if (source == nullptr) {
      SetSize(0, 0);
      return;
    }
    SetSize(source->width_, source->height_);
    if (!Empty()) std::memcpy(bits_.get(), source->bits_.get(), PixelCount() * sizeof(TColor32));
    drawMode_ = source->drawMode_;
    masterAlpha_ = source->masterAlpha_;
    outerColor_ = source->outerColor_;
    stretchFilter_ = source->stretchFilter_;
  });
}

void TBitmap32::Assign(const TBmpImage& image) {
  if (image.Width > 0 && image.Height > 0 &&
      image.Pixels.size() < static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height)) {
    throw Exception("Bitmap image has fewer pixels than its size");
  }
  Batch([&] {
    SetSize(image.Width, image.Height);
    if (!Empty()) std::memcpy(bits_.get(), image.Pixels.data(), PixelCount() * sizeof(TColor32));
  });
}

void TBitmap32::AssignTo(TBmpImage& target) const {
  target.Width = width_;
  target.Height = height_;
  target.BitsPerPixel = 32;
  target.Pixels.assign(bits_.get(), bits_.get() + (Empty() ? 0 : PixelCount()));
}

void TBitmap32::ResetAlpha() {
  if (Empty()) return;
  TColor32* p = bits_.get();
  for (size_t i = 0, n = PixelCount(); i < n; ++i) p[i] |= 0xFF000000u;
  Changed();
}

void TBitmap32::LoadFromBmpStream(TStream& stream) { Assign(ReadBmp(stream)); }

void TBitmap32::SaveToBmpStream(TStream& stream) const {
  TBmpImage image;
  AssignTo(image);
  WriteBmp(image, 32, stream);
}

bool TBitmap32::SameAs(const TBitmap32* other) const {
  if (other == nullptr) return false;
  if (Empty() || other->Empty()) return Empty() && other->Empty();
  // Equal BMP streams of two 32-bit surfaces mean equal size and equal pixels.
  return width_ == other->width_ && height_ == other->height_ &&
         std::memcmp(bits_.get(), other->bits_.get(), PixelCount() * sizeof(TColor32)) == 0;
}

namespace {

// Rows move through the stream in chunks that fit one ReadBuffer/WriteBuffer call.
constexpr size_t kChunkPixels = 1 << 20;

}  // namespace

void TBitmap32::ReadData(TStream& stream) {
  const int32_t width = stream.ReadInt32();
  const int32_t height = stream.ReadInt32();
  const int64_t pixels = width > 0 && height > 0 ? static_cast<int64_t>(width) * height : 0;
  // Refuse sizes the stream cannot hold before allocating for them.
  if (pixels > (stream.Size() - stream.Position()) / 4) throw Exception("Stream read error");
  SetSize(width, height);
  if (!Empty()) {
    // Little-endian memory order is the stored order.
    uint8_t* p = reinterpret_cast<uint8_t*>(bits_.get());
    for (size_t left = PixelCount(); left > 0;) {
      const size_t n = std::min(left, kChunkPixels);
      stream.ReadBuffer(p, static_cast<int32_t>(n * 4));
      p += n * 4;
      left -= n;
    }
  }
  Changed();
}

void TBitmap32::WriteData(TStream& stream) const {
  stream.WriteInt32(width_);
  stream.WriteInt32(height_);
  if (Empty()) return;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(bits_.get());
  for (size_t left = PixelCount(); left > 0;) {
    const size_t n = std::min(left, kChunkPixels);
    stream.WriteBuffer(p, static_cast<int32_t>(n * 4));
    p += n * 4;
    left -= n;
  }
}

}  // namespace kivrano
