#include "raster/Color32.h"

#include <algorithm>
#include <cmath>

#include "base/Colors.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivrano {

TColor32 ToColor32(TColor color) {
  const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(color));
  // TColor keeps red in its low byte, TColor32 in bits 16..23: exchange red and blue.
  return 0xFF000000u | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

namespace {

int RoundChannel(float value) { return static_cast<int>(std::nearbyint(255.0f * value)); }

std::array<uint8_t, 256> BuildGammaTable() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    table[i] = static_cast<uint8_t>(
        std::nearbyint(255.0f * std::pow(static_cast<float>(i) / 255.0f, 0.7f)));
  }
  return table;
}

float HueValue(float m1, float m2, float x) {
  x = x - std::floor(x);
  if (6.0f * x < 1.0f) return m1 + (m2 - m1) * x * 6.0f;
  if (2.0f * x < 1.0f) return m2;
  if (3.0f * x < 2.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - x) * 6.0f;
  return m1;
}

}  // namespace

const std::array<uint8_t, 256> GammaTable = BuildGammaTable();

void RGBToHSL(TColor32 c, float& h, float& s, float& l) {
  const float r = static_cast<float>(RedOf(c)) / 255.0f;
  const float g = static_cast<float>(GreenOf(c)) / 255.0f;
  const float b = static_cast<float>(BlueOf(c)) / 255.0f;
  const float max = std::max(r, std::max(g, b));
  const float min = std::min(r, std::min(g, b));
  l = (max + min) / 2.0f;
  if (max == min) {
    h = 0;
    s = 0;
    return;
  }
  const float d = max - min;
  s = l < 0.5f ? d / (max + min) : d / (2.0f - max - min);
  if (r == max) {
    h = (g - b) / d;
  } else if (g == max) {
    h = 2.0f + (b - r) / d;
  } else {
    h = 4.0f + (r - g) / d;
  }
  h = h / 6.0f;
  if (h < 0) h += 1.0f;
}

THSL RGBToHSL(TColor32 c) {
  THSL result;
  RGBToHSL(c, result.H, result.S, result.L);
  return result;
}

TColor32 HSLToRGB(float h, float s, float l) {
  if (s == 0) {
    const int v = RoundChannel(l);
    return MakeColor32(v, v, v, 255);
  }
  const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
  const float m1 = 2.0f * l - m2;
  return MakeColor32(RoundChannel(HueValue(m1, m2, h + 1.0f / 3.0f)), RoundChannel(HueValue(m1, m2, h)),
                     RoundChannel(HueValue(m1, m2, h - 1.0f / 3.0f)), 255);
}

TColor32 Merge(TColor32 f, TColor32 b, int m) {
  const int fa = AlphaOf(f);
  if (fa == 255) {
    if (m == 255) return f;
    if (m == 0) return b;
  }
  if (fa == 0) return b;
  const int a = fa * m / 255;
  const TColor32 fWithA = SetAlpha(f, a);
  if (a == 255) return fWithA;
  const int ba = AlphaOf(b);
  if (ba == 0) return fWithA;
  const int r = a + ba - a * ba / 255;
  const int w = 65536 / r;
  auto channel = [&](int shift) {
    const int fc = static_cast<int>((f >> shift) & 0xFF);
    const int p = (static_cast<int>((b >> shift) & 0xFF) * ba) >> 8;
    // (fc - p) * a may be negative: >> on int is an arithmetic (floor) shift in C++20.
    const int z = ((p + (((fc - p) * a) >> 8)) * w) >> 8;
    return static_cast<TColor32>(z & 0xFF);
  };
  return (static_cast<TColor32>(r) << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

void BlendRowPortable(const TColor32* src, TColor32* dst, int count) {
  for (int i = 0; i < count; ++i) dst[i] = Blend(src[i], dst[i]);
}

void BlendRowWithMasterPortable(const TColor32* src, TColor32* dst, int count, int m) {
  for (int i = 0; i < count; ++i) dst[i] = BlendWithMaster(src[i], dst[i], m);
}

#if defined(__SSE2__)

namespace {

// Combine of two pixels held as 16-bit lanes: (y * (256 - w) + x * w + 128) >> 8 per lane. Every
// product and the sum stay below 65536, so the 16-bit lane arithmetic is exact.
inline __m128i CombineLanes(__m128i x, __m128i y, __m128i w) {
  const __m128i k256 = _mm_set1_epi16(256);
  const __m128i k128 = _mm_set1_epi16(128);
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(y, _mm_sub_epi16(k256, w)), _mm_mullo_epi16(x, w));
  return _mm_srli_epi16(_mm_add_epi16(sum, k128), 8);
}

// Combines four pixels with per-pixel weights (0..255 in each 32-bit lane of weights).
inline __m128i CombineFour(__m128i f, __m128i b, __m128i weights) {
  const __m128i zero = _mm_setzero_si128();
  // Each pixel's weight repeated over its four 16-bit lanes: w0 x4, w1 x4 | w2 x4, w3 x4.
  const __m128i w16 = _mm_packs_epi32(weights, weights);
  const __m128i pairs = _mm_unpacklo_epi16(w16, w16);
  const __m128i wLo = _mm_unpacklo_epi32(pairs, pairs);
  const __m128i wHi = _mm_unpackhi_epi32(pairs, pairs);
  const __m128i lo = CombineLanes(_mm_unpacklo_epi8(f, zero), _mm_unpacklo_epi8(b, zero), wLo);
  const __m128i hi = CombineLanes(_mm_unpackhi_epi8(f, zero), _mm_unpackhi_epi8(b, zero), wHi);
  return _mm_packus_epi16(lo, hi);
}

}  // namespace

void BlendRow(const TColor32* src, TColor32* dst, int count) {
  int i = 0;
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i alphaBits = _mm_and_si128(f, opaque);
    const int transparentMask = _mm_movemask_epi8(_mm_cmpeq_epi32(alphaBits, _mm_setzero_si128()));
    if (transparentMask == 0xFFFF) continue;
    const __m128i isOpaque = _mm_cmpeq_epi32(alphaBits, opaque);
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    if (_mm_movemask_epi8(isOpaque) == 0xFFFF) {
      _mm_storeu_si128(out, f);
      continue;
    }
    const __m128i b = _mm_loadu_si128(out);
    // Alpha 0 gives weight 0, which Combine turns into b exactly; alpha 255 takes f as it is.
    const __m128i mixed = CombineFour(f, b, _mm_srli_epi32(f, 24));
    _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(isOpaque, f), _mm_andnot_si128(isOpaque, mixed)));
  }
  BlendRowPortable(src + i, dst + i, count - i);
}

void BlendRowWithMaster(const TColor32* src, TColor32* dst, int count, int m) {
  int i = 0;
  const __m128i master = _mm_set1_epi32(m + 1);
  for (; i + 4 <= count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    // W = ((M + 1) * alpha) >> 8 fits 16 bits; W = 0 (also alpha 0) leaves b exactly.
    const __m128i weights = _mm_srli_epi32(_mm_mullo_epi16(_mm_srli_epi32(f, 24), master), 8);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(weights, _mm_setzero_si128())) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    _mm_storeu_si128(out, CombineFour(f, _mm_loadu_si128(out), weights));
  }
  BlendRowWithMasterPortable(src + i, dst + i, count - i, m);
}

#else

void BlendRow(const TColor32* src, TColor32* dst, int count) { BlendRowPortable(src, dst, count); }
void BlendRowWithMaster(const TColor32* src, TColor32* dst, int count, int m) {
  BlendRowWithMasterPortable(src, dst, count, m);
}

#endif

}  // namespace kivrano
