#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "base/Colors.h"
#include "raster/Color32.h"

namespace kivrano {
namespace {

TEST(Color32, ChannelsAndConstruction) {
  const TColor32 c = MakeColor32(0x11, 0x22, 0x33, 0x44);
  EXPECT_EQ(c, 0x44112233u);
  EXPECT_EQ(RedOf(c), 0x11);
  EXPECT_EQ(GreenOf(c), 0x22);
  EXPECT_EQ(BlueOf(c), 0x33);
  EXPECT_EQ(AlphaOf(c), 0x44);
  EXPECT_EQ(MakeColor32(1, 2, 3), 0xFF010203u);
}

TEST(Color32, SetAlphaClampsOutOfRangeValues) {
  EXPECT_EQ(SetAlpha(0x12345678, 0x9A), 0x9A345678u);
  EXPECT_EQ(SetAlpha(0x12345678, -5), 0x00345678u);
  EXPECT_EQ(SetAlpha(0x12345678, 300), 0xFF345678u);
}

TEST(Color32, ToColor32ExchangesRedAndBlueAndResolvesSystemColours) {
  // TColor keeps red in the low byte.
  EXPECT_EQ(ToColor32(0x00332211), 0xFF112233u);
  EXPECT_EQ(ToColor32(clWhite), 0xFFFFFFFFu);
  EXPECT_EQ(ToColor32(clWindow), 0xFFFFFFFFu);
  EXPECT_EQ(ToColor32(clWindowText), 0xFF000000u);
  EXPECT_EQ(ToColor32(clBtnFace), 0xFFF0F0F0u);
  EXPECT_EQ(ToColor32(clHighlight), 0xFF0078D7u);
  EXPECT_EQ(ToColor32(static_cast<TColor>(0xFF000000u | 15)), 0xFFF0F0F0u);  // other system-colour prefix
  EXPECT_EQ(ColorToRGB(clSystemColor | 200), 0);
  EXPECT_EQ(ColorToRGB(static_cast<TColor>(0x80123405u)), 0);
}

TEST(Color32, GammaTableEntries) {
  EXPECT_EQ(GammaTable[0], 0);
  EXPECT_EQ(GammaTable[1], 5);
  EXPECT_EQ(GammaTable[64], 97);
  EXPECT_EQ(GammaTable[128], 157);
  EXPECT_EQ(GammaTable[255], 255);
}

TEST(Color32, CombineRoundsPerChannelInChannelOrder) {
  // Each channel has its own values, so a channel mix-up or a lost rounding term shows.
  EXPECT_EQ(Combine(0x80FF4020, 0x10204080, 64), 0x2C584068u);
  // W = 255 is not exact in the value form...
  EXPECT_EQ(Combine(0xFFFFFFFF, 0x00000000, 255), 0xFEFEFEFEu);
  // ...and W = 0 always is.
  EXPECT_EQ(Combine(0xFFFFFFFF, 0x12345678, 0), 0x12345678u);
  // (100 * 256 + 100 * 128 + 128) >> 8 = 150.5 -> 150; one more in X gives 151.
  EXPECT_EQ(Combine(0x000000C8, 0x00000064, 128) & 0xFF, 150u);
  EXPECT_EQ(Combine(0x000000C9, 0x00000064, 128) & 0xFF, 151u);
}

TEST(Color32, CombineIntoIsExactAtTheEnds) {
  TColor32 y = 0x12345678;
  CombineInto(0xFFFFFFFF, y, 0);
  EXPECT_EQ(y, 0x12345678u);
  CombineInto(0xFFFFFFFF, y, 255);
  EXPECT_EQ(y, 0xFFFFFFFFu);
  y = 0x10204080;
  CombineInto(0x80FF4020, y, 64);
  EXPECT_EQ(y, 0x2C584068u);
}

struct BlendCase {
  TColor32 f;
  TColor32 b;
  int master;
  TColor32 blend;
  TColor32 blendWithMaster;
};

TEST(Color32, BlendAndBlendWithMasterValueAndMemoryFormsAgree) {
  const BlendCase cases[] = {
      // Alpha 0 leaves the background bit for bit; alpha 255 replaces it in Blend.
      {0x00FFFFFF, 0x12345678, 255, 0x12345678, 0x12345678},
      {0xFF102030, 0x12345678, 255, 0xFF102030, Combine(0xFF102030, 0x12345678, 255)},
      // Master 0 with an opaque colour: (0 + 1) * 255 >> 8 = 0 leaves the background.
      {0xFFFFFFFF, 0x12345678, 0, 0xFFFFFFFF, 0x12345678},
      // Master 255 with an opaque colour goes through Combine with W = 255 (254 for 255 over 0).
      {0xFFFFFFFF, 0xFF000000, 255, 0xFFFFFFFF, 0xFFFEFEFE},
      // Half alpha: Combine with W = 128; with master 127 W = (128 * 128) >> 8 = 64.
      {0x80FF0000, 0xFF0000FF, 127, 0xC0800080, Combine(0x80FF0000, 0xFF0000FF, 64)},
  };
  for (const BlendCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.f << " over " << c.b);
    EXPECT_EQ(Blend(c.f, c.b), c.blend);
    TColor32 b = c.b;
    BlendInto(c.f, b);
    EXPECT_EQ(b, c.blend);
    EXPECT_EQ(BlendWithMaster(c.f, c.b, c.master), c.blendWithMaster);
    b = c.b;
    BlendWithMasterInto(c.f, b, c.master);
    EXPECT_EQ(b, c.blendWithMaster);
  }
  EXPECT_EQ(Combine(0x80FF0000, 0xFF0000FF, 64), 0xDF4000BFu);
}

struct MergeCase {
  TColor32 f;
  TColor32 b;
  int master;
  TColor32 expected;
};

TEST(Color32, MergeComputesCompositeAlphaWithFloorShifts) {
  const MergeCase cases[] = {
      {0xFF123456, 0x80FFFFFF, 255, 0xFF123456},  // opaque at full master: the foreground
      {0xFF123456, 0x80FFFFFF, 0, 0x80FFFFFF},    // opaque at master 0: the background
      {0x00123456, 0x80FFFFFF, 200, 0x80FFFFFF},  // transparent foreground: the background
      {0xFF123456, 0x80FFFFFF, 100, 0xB2788B9E},  // opaque foreground scaled to alpha 100
      // Onto a transparent background: the foreground with alpha (alpha * M) div 255.
      {0x80112233, 0x00445566, 255, 0x80112233},
      {0x80112233, 0x00445566, 128, 0x40112233},
      // Blue: (0 - 254) * 100 >> 8 must floor to -100 (truncation would give 155, not 154).
      {0x64FF0000, 0xFF0000FF, 255, 0xFF63009A},
      {0x80336699, 0x80CC9933, 200, 0xB2757B6B},
      {0xC0102030, 0x40F0E0D0, 255, 0xD0212E3C},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.f << " over " << c.b << " master " << std::dec << c.master);
    EXPECT_EQ(Merge(c.f, c.b, c.master), c.expected);
    TColor32 b = c.b;
    MergeInto(c.f, b, c.master);
    EXPECT_EQ(b, c.expected);
  }
}

TEST(Color32, RgbToHsl) {
  struct Case {
    TColor32 c;
    float h, s, l;
  };
  const Case cases[] = {
      {0xFFFF0000, 0.0f, 1.0f, 0.5f},
      {0xFF00FF00, 1.0f / 3.0f, 1.0f, 0.5f},
      {0xFF0000FF, 2.0f / 3.0f, 1.0f, 0.5f},
      {0xFFFF00FF, 5.0f / 6.0f, 1.0f, 0.5f},  // negative hue wraps by adding 1
      {0xFF808080, 0.0f, 0.0f, 128.0f / 255.0f},
      {0xFF336699, 7.0f / 12.0f, 0.5f, 0.4f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.c);
    const THSL hsl = RGBToHSL(c.c);
    EXPECT_NEAR(hsl.H, c.h, 1e-6);
    EXPECT_NEAR(hsl.S, c.s, 1e-6);
    EXPECT_NEAR(hsl.L, c.l, 1e-6);
  }
}

TEST(Color32, HslToRgbRoundsTiesToEven) {
  // 255 * 0.3 is 76.5 in single precision: ties to even give 76.
  EXPECT_EQ(HSLToRGB(0.0f, 0.0f, 0.3f), 0xFF4C4C4Cu);
  EXPECT_EQ(HSLToRGB(0.0f, 1.0f, 0.5f), 0xFFFF0000u);
  EXPECT_EQ(HSLToRGB(2.0f / 3.0f, 1.0f, 0.5f), 0xFF0000FFu);
  // Cyan at lightness 0.25: green is M2 = 0.5, so 127.5 rounds to the even 128; blue's hue lands
  // a hair below 1/6 in single precision and gives 127.49999 -> 127.
  EXPECT_EQ(HSLToRGB(0.5f, 1.0f, 0.25f), 0xFF00807Fu);
}

TEST(Color32, HslToRgbKeepsChannelsInRangeForOutOfRangeInput) {
  EXPECT_EQ(HSLToRGB(0.0f, 0.0f, 1.5f), 0xFFFFFFFFu);
  EXPECT_EQ(HSLToRGB(0.0f, 0.0f, -0.5f), 0xFF000000u);
  EXPECT_EQ(HSLToRGB(0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()), 0xFF000000u);
}

TEST(Color32, HslRoundTripKeepsColours) {
  const TColor32 colours[] = {0xFF000000, 0xFFFFFFFF, 0xFF336699, 0xFFC0FFEE, 0xFF102030, 0xFFFE0102, 0xFF7F7F80};
  for (TColor32 c : colours) {
    const THSL hsl = RGBToHSL(c);
    EXPECT_EQ(HSLToRGB(hsl.H, hsl.S, hsl.L), c) << std::hex << c;
  }
}

// A repeatable stream of 32-bit values for the tables of the packed-form tests.
struct Random {
  uint64_t state;
  uint32_t operator()() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 32);
  }
};

// The packed row blends must give exactly the results of the portable ones.
TEST(Color32, PackedRowBlendsAreBitIdenticalToPortable) {
  Random next{12345};
  // Every source alpha against many backgrounds, plus the special alphas 0 and 255 in runs of four
  // so that the all-transparent and all-opaque shortcuts are taken.
  std::vector<TColor32> src;
  for (int round = 0; round < 64; ++round) {
    for (uint32_t a = 0; a < 256; ++a) src.push_back((a << 24) | (next() & 0xFFFFFF));
  }
  for (int i = 0; i < 8; ++i) src.push_back(next() & 0xFFFFFF);
  for (int i = 0; i < 8; ++i) src.push_back(0xFF000000 | next());
  src.push_back(0x80FFFFFF);  // odd tail
  std::vector<TColor32> background(src.size());
  for (TColor32& b : background) b = next();

  for (int offset : {0, 1, 3}) {
    const int count = static_cast<int>(src.size()) - offset;
    std::vector<TColor32> packed(background.begin() + offset, background.end());
    std::vector<TColor32> portable = packed;
    BlendRow(src.data() + offset, packed.data(), count);
    BlendRowPortable(src.data() + offset, portable.data(), count);
    ASSERT_EQ(packed, portable) << "offset " << offset;
    for (int master : {0, 1, 64, 127, 128, 254, 255}) {
      std::vector<TColor32> packedM(background.begin() + offset, background.end());
      std::vector<TColor32> portableM = packedM;
      BlendRowWithMaster(src.data() + offset, packedM.data(), count, master);
      BlendRowWithMasterPortable(src.data() + offset, portableM.data(), count, master);
      ASSERT_EQ(packedM, portableM) << "master " << master << " offset " << offset;
    }
  }
  // And the portable rows are the per-pixel primitives.
  std::vector<TColor32> row(background);
  BlendRowPortable(src.data(), row.data(), static_cast<int>(src.size()));
  for (size_t i = 0; i < src.size(); ++i) ASSERT_EQ(row[i], Blend(src[i], background[i]));
}

TEST(Color32, PackedMergeRowIsBitIdenticalToMerge) {
  Random next{99};
  // Every foreground alpha over every background alpha (so every result alpha R, including the
  // special paths of background alpha 0 and of R = 1), colours at random.
  std::vector<TColor32> f;
  std::vector<TColor32> b;
  for (uint32_t ba = 0; ba < 256; ++ba) {
    for (uint32_t fa = 0; fa < 256; ++fa) {
      f.push_back(fa << 24 | (next() & 0xFFFFFF));
      b.push_back(ba << 24 | (next() & 0xFFFFFF));
    }
  }
  // Runs of transparent and of opaque foreground pixels, which the packed form shortcuts.
  for (TColor32 alpha : {0x00000000u, 0xFF000000u}) {
    for (int k = 0; k < 8; ++k) {
      f.push_back(alpha | (next() & 0xFFFFFF));
      b.push_back(next());
    }
  }
  const int count = static_cast<int>(f.size());
  for (int m : {0, 1, 2, 100, 127, 128, 254, 255}) {
    for (int offset : {0, 3}) {
      std::vector<TColor32> packed(static_cast<size_t>(count - offset));
      MergeRow(f.data() + offset, b.data() + offset, packed.data(), count - offset, m);
      for (int i = offset; i < count; ++i) {
        ASSERT_EQ(packed[static_cast<size_t>(i - offset)], Merge(f[static_cast<size_t>(i)], b[static_cast<size_t>(i)], m))
            << std::hex << f[static_cast<size_t>(i)] << " over " << b[static_cast<size_t>(i)] << std::dec << " master " << m;
      }
    }
    // Written in place over the background, as MergeDrawAt does.
    std::vector<TColor32> inPlace = b;
    MergeRow(f.data(), inPlace.data(), inPlace.data(), count, m);
    std::vector<TColor32> portable(b.size());
    MergeRowPortable(f.data(), b.data(), portable.data(), count, m);
    ASSERT_EQ(inPlace, portable) << "master " << m;
  }
}

}  // namespace
}  // namespace kivrano
