#pragma once

// The 32-bit ARGB colour (0xAARRGGBB, not premultiplied; bytes blue, green, red, alpha in memory)
// and the integer blend primitives every painting operation goes through.

#include <array>
#include <cstdint>
#include <vector>

#include "base/Types.h"

namespace kivrano {

using TColor32 = uint32_t;
using TArrayOfColor32 = std::vector<TColor32>;

constexpr TColor32 clBlack32 = 0xFF000000;
constexpr TColor32 clWhite32 = 0xFFFFFFFF;
constexpr TColor32 clTransparent32 = 0x00000000;

// --- Colour operations ---------------------------------------------------------------------------

// A toolkit colour (system colours resolved first) as an opaque TColor32.
TColor32 ToColor32(TColor color);

constexpr TColor32 MakeColor32(int r, int g, int b, int a = 255) {
  return (static_cast<TColor32>(a & 0xFF) << 24) | (static_cast<TColor32>(r & 0xFF) << 16) |
         (static_cast<TColor32>(g & 0xFF) << 8) | static_cast<TColor32>(b & 0xFF);
}
constexpr int RedOf(TColor32 c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int GreenOf(TColor32 c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(TColor32 c) { return static_cast<int>(c & 0xFF); }
constexpr int AlphaOf(TColor32 c) { return static_cast<int>(c >> 24); }

// c's colour bits with alpha a clamped to 0..255.
constexpr TColor32 SetAlpha(TColor32 c, int a) {
  const int clamped = a < 0 ? 0 : (a > 255 ? 255 : a);
  return (c & 0x00FFFFFF) | (static_cast<TColor32>(clamped) << 24);
}

// Hue, saturation and lightness, each in 0..1.
struct THSL {
  float H = 0;
  float S = 0;
  float L = 0;
};
THSL RGBToHSL(TColor32 c);
void RGBToHSL(TColor32 c, float& h, float& s, float& l);
TColor32 HSLToRGB(float h, float s, float l);

// Entry i = round(255 * (i / 255) ^ 0.7): weights of sub-pixel coverage in anti-aliased lines.
extern const std::array<uint8_t, 256> GammaTable;

// --- Blend primitives ----------------------------------------------------------------------------
// Value forms return the result; the ...Into forms write it into the destination in place.

// Per channel (Y * 256 + (X - Y) * W + 128) >> 8, W the weight of X in 0..255.
inline TColor32 Combine(TColor32 x, TColor32 y, int w) {
  // Y * 256 + (X - Y) * W == Y * (256 - W) + X * W: all terms non-negative, so four 16-bit lanes
  // (blue, red, green, alpha) in one 64-bit word compute every channel at once without carries.
  constexpr uint64_t kLanes = 0x00FF00FF00FF00FFull;
  const uint64_t xs = (x | (static_cast<uint64_t>(x) << 24)) & kLanes;
  const uint64_t ys = (y | (static_cast<uint64_t>(y) << 24)) & kLanes;
  const uint64_t wx = static_cast<uint32_t>(w);
  const uint64_t sum = ((ys * (256 - wx) + xs * wx + 0x0080008000800080ull) >> 8) & kLanes;
  return static_cast<TColor32>(sum | (sum >> 24));
}

// As Combine, but W = 0 leaves y untouched and W = 255 stores x exactly.
inline void CombineInto(TColor32 x, TColor32& y, int w) {
  if (w == 0) return;
  if (w >= 255) {
    y = x;
    return;
  }
  y = Combine(x, y, w);
}

// f over b weighted by f's alpha.
inline TColor32 Blend(TColor32 f, TColor32 b) {
  const TColor32 a = f >> 24;
  if (a == 0) return b;
  if (a == 255) return f;
  return Combine(f, b, static_cast<int>(a));
}
inline void BlendInto(TColor32 f, TColor32& b) { b = Blend(f, b); }

// f over b weighted by f's alpha scaled by master alpha m (0..255).
inline TColor32 BlendWithMaster(TColor32 f, TColor32 b, int m) {
  const int a = static_cast<int>(f >> 24);
  if (a == 0) return b;
  const int w = ((m + 1) * a) >> 8;
  if (w == 0) return b;
  return Combine(f, b, w);
}
inline void BlendWithMasterInto(TColor32 f, TColor32& b, int m) { b = BlendWithMaster(f, b, m); }

// f over a possibly transparent b with master alpha m, giving the composite's own alpha.
TColor32 Merge(TColor32 f, TColor32 b, int m);
inline void MergeInto(TColor32 f, TColor32& b, int m) { b = Merge(f, b, m); }

// Blend / BlendWithMaster of each source pixel onto the destination pixel in place.
void BlendRow(const TColor32* src, TColor32* dst, int count);
void BlendRowWithMaster(const TColor32* src, TColor32* dst, int count, int m);

// out[i] = Merge(f[i], b[i], m); out may be f or b.
void MergeRow(const TColor32* f, const TColor32* b, TColor32* out, int count, int m);

// The portable forms of the row operations; BlendRow, BlendRowWithMaster and MergeRow use packed
// instructions when the processor has them and give the same results.
void BlendRowPortable(const TColor32* src, TColor32* dst, int count);
void BlendRowWithMasterPortable(const TColor32* src, TColor32* dst, int count, int m);
void MergeRowPortable(const TColor32* f, const TColor32* b, TColor32* out, int count, int m);

// 65536 div r for r = 1..255, the scale of Merge's result alpha r.
extern const std::array<int, 256> MergeScale;

}  // namespace kivrano
