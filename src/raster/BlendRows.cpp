// Row blends: the portable loops and, where the processor has SSE2 (every x86-64 processor), a
// packed form that processes four pixels at a time with the same integer arithmetic.

#include "raster/Color32.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivrano {

void BlendRowPortable(const TColor32* src, TColor32* dst, int count) {
  for (int i = 0; i < count; ++i) dst[i] = Blend(src[i], dst[i]);
}

void BlendRowWithMasterPortable(const TColor32* src, TColor32* dst, int count, int m) {
  for (int i = 0; i < count; ++i) dst[i] = BlendWithMaster(src[i], dst[i], m);
}

#if defined(__SSE2__)

namespace {

// Combine of two pixels held as 16-bit lanes: (y * (256 - w) + x * w + 128) >> 8 per lane, w in
// 0..256. Every product and the sum stay below 65536, so the 16-bit lane arithmetic is exact.
inline __m128i CombineLanes(__m128i x, __m128i y, __m128i w) {
  const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(y, _mm_sub_epi16(_mm_set1_epi16(256), w)), _mm_mullo_epi16(x, w));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

// Each pixel's alpha lane copied over its four lanes.
inline __m128i AlphaLanes(__m128i pixels16) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels16, 0xFF), 0xFF); }

// Combines four pixels of f onto b with the weight weightOf(alpha lanes) per pixel.
template <typename WeightOf>
inline __m128i CombineFour(__m128i f, __m128i b, WeightOf weightOf) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i fLo = _mm_unpacklo_epi8(f, zero);
  const __m128i fHi = _mm_unpackhi_epi8(f, zero);
  const __m128i lo = CombineLanes(fLo, _mm_unpacklo_epi8(b, zero), weightOf(AlphaLanes(fLo)));
  const __m128i hi = CombineLanes(fHi, _mm_unpackhi_epi8(b, zero), weightOf(AlphaLanes(fHi)));
  return _mm_packus_epi16(lo, hi);
}

}  // namespace

void BlendRow(const TColor32* src, TColor32* dst, int count) {
  int i = 0;
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i alphaBits = _mm_and_si128(f, alphaMask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alphaBits, _mm_setzero_si128())) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alphaBits, alphaMask)) == 0xFFFF) {
      _mm_storeu_si128(out, f);
      continue;
    }
    // Weight = alpha, except 256 for alpha 255, where (x * 256 + 128) >> 8 gives f exactly as Blend
    // does; alpha 0 gives weight 0, which leaves b exactly.
    const __m128i mixed = CombineFour(f, _mm_loadu_si128(out), [](__m128i alpha) {
      return _mm_sub_epi16(alpha, _mm_cmpeq_epi16(alpha, _mm_set1_epi16(255)));
    });
    _mm_storeu_si128(out, mixed);
  }
  BlendRowPortable(src + i, dst + i, count - i);
}

void BlendRowWithMaster(const TColor32* src, TColor32* dst, int count, int m) {
  int i = 0;
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i master = _mm_set1_epi16(static_cast<int16_t>(m + 1));
  // W = ((M + 1) * alpha) >> 8 <= 255; the product fits 16 unsigned bits. W = 0 leaves b exactly.
  auto weight = [master](__m128i alpha) { return _mm_srli_epi16(_mm_mullo_epi16(alpha, master), 8); };
  for (; i + 4 <= count; i += 4) {
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(f, alphaMask), _mm_setzero_si128())) == 0xFFFF) continue;
    __m128i* out = reinterpret_cast<__m128i*>(dst + i);
    _mm_storeu_si128(out, CombineFour(f, _mm_loadu_si128(out), weight));
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
