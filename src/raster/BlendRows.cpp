// Row blends and merges: the portable loops and, where the processor has SSE2 (every x86-64
// processor), packed forms that process four pixels at a time with the same integer arithmetic.

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

void MergeRowPortable(const TColor32* f, const TColor32* b, TColor32* out, int count, int m) {
  for (int i = 0; i < count; ++i) out[i] = Merge(f[i], b[i], m);
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

// x div 255 for 0 <= x <= 65025 in unsigned 16-bit lanes: (x + 1 + (x >> 8)) >> 8.
inline __m128i Div255(__m128i x) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)), 8);
}

// Merge's general case (steps e to g) for two pixels in 16-bit lanes, given each pixel's A, the
// background alpha and the low 16 bits of 65536 div R over its lanes. Returns the channels with R
// in the alpha lanes.
inline __m128i MergeLanes(__m128i f, __m128i b, __m128i a, __m128i ba, __m128i r, __m128i w) {
  const __m128i p = _mm_srli_epi16(_mm_mullo_epi16(b, ba), 8);  // background premultiplied
  const __m128i d = _mm_sub_epi16(f, p);                          // -255 .. 255
  // (d * a) >> 8 with floor semantics from the 32-bit product's two halves; the result fits 16 bits.
  const __m128i t = _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epi16(d, a), 8), _mm_srli_epi16(_mm_mullo_epi16(d, a), 8));
  // (s * W) >> 8 keeping the low byte needs only the low 16 bits of the product.
  const __m128i z = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(p, t), w), 8);
  const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  return _mm_or_si128(_mm_and_si128(alphaLanes, r), _mm_andnot_si128(alphaLanes, z));
}

// The scale 65536 div R over the lanes of each of two pixels (R replicated over its lanes), low 16
// bits: R = 1 gives 65536, whose low bits 0 make the channels 0 as the full product would. The
// single-precision quotient truncates to the exact integer quotient: for R = 2..255 its rounding
// error stays below half a unit in the last place, far less than the 1/R gap to the next integer.
inline __m128i ScaleLanes(__m128i r) {
  const __m128i r32 = _mm_and_si128(r, _mm_set1_epi32(0xFFFF));  // R in every 32-bit lane
  const __m128i w32 = _mm_cvttps_epi32(_mm_div_ps(_mm_set1_ps(65536.0f), _mm_cvtepi32_ps(r32)));
  const __m128i low = _mm_and_si128(w32, _mm_set1_epi32(0xFFFF));
  return _mm_or_si128(low, _mm_slli_epi32(low, 16));
}

inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

}  // namespace

void MergeRow(const TColor32* f, const TColor32* b, TColor32* out, int count, int m) {
  int i = 0;
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i master = _mm_set1_epi16(static_cast<int16_t>(m));
  for (; i + 4 <= count; i += 4) {
    const __m128i fv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i));
    const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i fa = _mm_and_si128(fv, alphaMask);
    // Transparent margins and opaque interiors of shape images take the short ways.
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(fa, zero)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bv);
      continue;
    }
    if (m == 255 && _mm_movemask_epi8(_mm_cmpeq_epi32(fa, alphaMask)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), fv);
      continue;
    }
    __m128i halves[2];
    __m128i withA[2];
    for (int h = 0; h < 2; ++h) {
      const __m128i f16 = h == 0 ? _mm_unpacklo_epi8(fv, zero) : _mm_unpackhi_epi8(fv, zero);
      const __m128i b16 = h == 0 ? _mm_unpacklo_epi8(bv, zero) : _mm_unpackhi_epi8(bv, zero);
      const __m128i a = Div255(_mm_mullo_epi16(AlphaLanes(f16), master));
      const __m128i ba = AlphaLanes(b16);
      const __m128i r = _mm_sub_epi16(_mm_add_epi16(a, ba), Div255(_mm_mullo_epi16(a, ba)));
      halves[h] = MergeLanes(f16, b16, a, ba, r, ScaleLanes(r));
      const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
      withA[h] = Select(alphaLanes, a, f16);  // F' = F with alpha A
    }
    __m128i result = _mm_packus_epi16(halves[0], halves[1]);
    // The special cases of Merge, lowest precedence first.
    result = Select(_mm_cmpeq_epi32(_mm_and_si128(bv, alphaMask), zero), _mm_packus_epi16(withA[0], withA[1]), result);
    result = Select(_mm_cmpeq_epi32(fa, zero), bv, result);
    if (m == 255 || m == 0) result = Select(_mm_cmpeq_epi32(fa, alphaMask), m == 255 ? fv : bv, result);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), result);
  }
  MergeRowPortable(f + i, b + i, out + i, count - i, m);
}

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

void MergeRow(const TColor32* f, const TColor32* b, TColor32* out, int count, int m) {
  MergeRowPortable(f, b, out, count, m);
}
void BlendRow(const TColor32* src, TColor32* dst, int count) { BlendRowPortable(src, dst, count); }
void BlendRowWithMaster(const TColor32* src, TColor32* dst, int count, int m) {
  BlendRowWithMasterPortable(src, dst, count, m);
}

#endif

}  // namespace kivrano
