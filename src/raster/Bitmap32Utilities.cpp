// Whole-surface utilities of TBitmap32: flips, rotations, alpha merging, pixel offsets, levels
// and their box blur.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "raster/Bitmap32.h"

namespace kivrano {

void TBitmap32::FlipHorizontal() {
  if (Empty()) return;
  for (int y = 0; y < height_; ++y) std::reverse(ScanLine(y), ScanLine(y) + width_);
  Changed();
}

void TBitmap32::FlipVertical() {
  if (Empty()) return;
  for (int top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom) {
    std::swap_ranges(ScanLine(top), ScanLine(top) + width_, ScanLine(bottom));
  }
  Changed();
}

namespace {

// The surface's pixels rewritten into a surface of swapped size; at(x, y) gives the destination
// index of source pixel (x, y).
template <typename Index>
void Rotate(TBitmap32& surface, Index at) {
  const int w = surface.Width();
  const int h = surface.Height();
  const std::vector<TColor32> source(surface.Bits(), surface.Bits() + static_cast<size_t>(w) * static_cast<size_t>(h));
  surface.Batch([&] {
    surface.SetSize(h, w);
    TColor32* bits = surface.Bits();
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        bits[at(x, y)] = source[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
      }
    }
  });
}

}  // namespace

void TBitmap32::Rotate90() {
  if (Empty()) return;
  // Destination (y, Width - 1 - x): a quarter turn counter-clockwise on screen.
  const size_t w = static_cast<size_t>(width_);
  const size_t h = static_cast<size_t>(height_);
  Rotate(*this, [w, h](int x, int y) { return (w - 1 - static_cast<size_t>(x)) * h + static_cast<size_t>(y); });
}

void TBitmap32::Rotate270() {
  if (Empty()) return;
  // Destination (Height - 1 - y, x): a quarter turn clockwise on screen.
  const size_t h = static_cast<size_t>(height_);
  Rotate(*this, [h](int x, int y) { return static_cast<size_t>(x) * h + (h - 1 - static_cast<size_t>(y)); });
}

void TBitmap32::Rotate180() {
  Batch([&] {
    FlipHorizontal();
    FlipVertical();
  });
}

void TBitmap32::InvertAlpha() {
  if (Empty()) return;
  TColor32* p = bits_.get();
  for (size_t i = 0, n = PixelCount(); i < n; ++i) p[i] ^= 0xFF000000u;
  Changed();
}

void TBitmap32::MergeDrawAt(TBitmap32& dst, int x, int y, int masterAlpha) const {
  if (Empty() || dst.Empty()) return;
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + width_, dst.Width());
  const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + height_, dst.Height());
  if (left >= right || top >= bottom) return;
  for (int64_t dy = top; dy < bottom; ++dy) {
    const TColor32* src = PixelPtr(static_cast<int>(left - x), static_cast<int>(dy - y));
    TColor32* out = dst.PixelPtr(static_cast<int>(left), static_cast<int>(dy));
    MergeRow(src, out, out, static_cast<int>(right - left), masterAlpha);
  }
  dst.Changed();
}

void TBitmap32::MergeWith(const TBitmap32& src, int masterAlpha) {
  if (Empty() || src.width_ != width_ || src.height_ != height_) return;
  for (int y = 0; y < height_; ++y) MergeRow(ScanLine(y), src.ScanLine(y), ScanLine(y), width_, masterAlpha);
  Changed();
}

void TBitmap32::OffsetPixels(int dx, int dy) {
  if (Empty()) return;
  const int64_t count = static_cast<int64_t>(PixelCount());
  const int64_t shift = static_cast<int64_t>(dx) + static_cast<int64_t>(dy) * width_;
  if (shift == 0 || shift > count || shift < -count) return;
  TColor32* p = bits_.get();
  const size_t moved = static_cast<size_t>(count - std::llabs(shift));
  const size_t vacated = static_cast<size_t>(std::llabs(shift));
  if (shift > 0) {
    std::memmove(p + vacated, p, moved * sizeof(TColor32));
    std::fill_n(p, vacated, 0u);
  } else {
    std::memmove(p, p + vacated, moved * sizeof(TColor32));
    std::fill_n(p + moved, vacated, 0u);
  }
  Changed();
}

void TBitmap32::AlphaToLevels(float scale) {
  if (Empty()) return;
  TColor32* p = bits_.get();
  constexpr float kMaxLevel = 4294967295.0f;
  for (size_t i = 0, n = PixelCount(); i < n; ++i) {
    const float level = std::nearbyint(static_cast<float>(p[i] >> 24) * 256.0f * scale);
    // Levels are unsigned: negative (or undefined) results give 0, huge ones saturate.
    p[i] = !(level > 0.0f) ? 0u : (level >= kMaxLevel ? 0xFFFFFFFFu : static_cast<TColor32>(level));
  }
  Changed();
}

void TBitmap32::LevelsToColor(TColor32 color) {
  if (Empty()) return;
  TColor32* p = bits_.get();
  for (size_t i = 0, n = PixelCount(); i < n; ++i) {
    if (p[i] > 255) p[i] = SetAlpha(color, static_cast<int>(std::min<TColor32>(p[i], 65280) >> 8));
  }
  Changed();
}

namespace {

// Moving box average over a flat sequence: out[i] = (sum of in[i + lead - window + 1 .. i + lead],
// missing values counting 0) div window.
void BoxAverage(const TColor32* in, TColor32* out, int64_t count, int64_t window, int64_t lead) {
  uint64_t sum = 0;
  // Window of output 0 is [lead - window + 1, lead]; prime it with everything up to lead.
  for (int64_t j = std::max<int64_t>(lead - window + 1, 0); j <= std::min(lead, count - 1); ++j) sum += in[j];
  for (int64_t i = 0; i < count; ++i) {
    out[i] = static_cast<TColor32>(sum / static_cast<uint64_t>(window));
    const int64_t entering = i + lead + 1;
    const int64_t leaving = i + lead - window + 1;
    if (entering >= 0 && entering < count) sum += in[entering];
    if (leaving >= 0 && leaving < count) sum -= in[leaving];
  }
}

// dst[x * height + y] = src[y * width + x]: columns become rows.
void Transpose(const TColor32* src, TColor32* dst, size_t width, size_t height) {
  for (size_t y = 0; y < height; ++y) {
    for (size_t x = 0; x < width; ++x) dst[x * height + y] = src[y * width + x];
  }
}

}  // namespace

void TBitmap32::BlurLevels(float radius) {
  if (Empty() || !(radius >= 1.5f)) return;
  const float limited = std::min(radius, 1.0e9f);
  int64_t r = static_cast<int64_t>(std::nearbyint(limited));
  if (r < 2) return;
  if (r == 2) r = 3;
  const int64_t lead1 = r >> 1;
  const int64_t lead2 = (r & 1) != 0 ? lead1 : std::max<int64_t>(1, lead1 - 1);
  const int64_t count = static_cast<int64_t>(PixelCount());
  TColor32* self = bits_.get();
  std::vector<TColor32> work(static_cast<size_t>(count), 0);
  for (int pass = 0; pass < 2; ++pass) {
    BoxAverage(self, work.data(), count, r, lead1);
    BoxAverage(work.data(), self, count, r, lead2);
  }
  Transpose(self, work.data(), static_cast<size_t>(width_), static_cast<size_t>(height_));
  for (int pass = 0; pass < 2; ++pass) {
    BoxAverage(work.data(), self, count, r, lead2);
    BoxAverage(self, work.data(), count, r, lead1);
  }
  Transpose(work.data(), self, static_cast<size_t>(height_), static_cast<size_t>(width_));
  Changed();
}

void TBitmap32::ForEachPixel(const TPixelFunction& function, intptr_t argument) {
  if (Empty() || !function) return;
  TColor32* p = bits_.get();
  for (size_t i = 0, n = PixelCount(); i < n; ++i) p[i] = function(p[i], argument);
  Changed();
}

}  // namespace kivrano
