#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kivrano {

// Narrows a 64-bit intermediate to 32 bits, saturating instead of wrapping.
inline int32_t SaturateToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Rounds to nearest (ties to even) into 32 bits; out-of-range values saturate and NaN gives 0,
// so that degenerate geometry never reaches undefined conversions.
inline int32_t RoundSaturated(double v) {
  if (std::isnan(v)) return 0;
  v = std::nearbyint(v);
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

__extension__ typedef __int128 TInt128;

// a * b / c with a 128-bit product, rounded to nearest with halves away from zero (c not 0).
inline int64_t MulDivRound64(int64_t a, int64_t b, int64_t c) {
  const TInt128 p = static_cast<TInt128>(a) * b;
  TInt128 q = p / c;
  const TInt128 r = p % c;
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -static_cast<TInt128>(c) : static_cast<TInt128>(c)))
    q += ((p < 0) != (c < 0)) ? -1 : 1;
  return static_cast<int64_t>(q);
}

}  // namespace kivrano
