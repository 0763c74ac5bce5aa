#include "raster/Color32.h"

#include <algorithm>
#include <cmath>

#include "base/Colors.h"

namespace kivrano {

TColor32 ToColor32(TColor color) {
  const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(color));
  // TColor keeps red in its low byte, TColor32 in bits 16..23: exchange red and blue.
  return 0xFF000000u | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

namespace {

// round(255 * value), kept within 0..255 for values outside 0..1.
int RoundChannel(float value) {
  const float scaled = std::nearbyint(255.0f * value);
  if (!(scaled > 0.0f)) return 0;
  return scaled >= 255.0f ? 255 : static_cast<int>(scaled);
}

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

const std::array<int, 256> MergeScale = [] {
  std::array<int, 256> table{};
  for (int r = 1; r < 256; ++r) table[static_cast<size_t>(r)] = 65536 / r;
  return table;
}();

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
  const int w = MergeScale[static_cast<size_t>(r)];
  auto channel = [&](int shift) {
    const int fc = static_cast<int>((f >> shift) & 0xFF);
    const int p = (static_cast<int>((b >> shift) & 0xFF) * ba) >> 8;
    // (fc - p) * a may be negative: >> on int is an arithmetic (floor) shift in C++20.
    const int z = ((p + (((fc - p) * a) >> 8)) * w) >> 8;
    return static_cast<TColor32>(z & 0xFF);
  };
  return (static_cast<TColor32>(r) << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

}  // namespace kivrano
