#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "storage/ColorQuantizer.h"

namespace kivrano {
namespace {

// Paints a disc or ring with anti-aliased edges (4 x 4 samples per pixel) over the picture.
void Disc(TPixelBuffer& p, float cx, float cy, float radius, uint32_t rgb, float inner = -1) {
  for (int y = static_cast<int>(cy - radius - 1); y <= static_cast<int>(cy + radius + 1); ++y) {
    for (int x = static_cast<int>(cx - radius - 1); x <= static_cast<int>(cx + radius + 1); ++x) {
      if (x < 0 || y < 0 || x >= p.Width() || y >= p.Height()) continue;
      int covered = 0;
      for (int s = 0; s < 16; ++s) {
        float dx = x + (s % 4 + 0.5f) / 4 - cx, dy = y + (s / 4 + 0.5f) / 4 - cy;
        float d = std::sqrt(dx * dx + dy * dy);
        covered += d <= radius && d >= inner;
      }
      if (covered == 0) continue;
      uint32_t old = p.At(x, y), mixed = 0xFF000000u;
      for (int shift : {0, 8, 16}) {
        uint32_t a = (old >> shift) & 0xFF, b = (rgb >> shift) & 0xFF;
        mixed |= ((a * static_cast<uint32_t>(16 - covered) + b * static_cast<uint32_t>(covered) + 8) / 16) << shift;
      }
      p.At(x, y) = mixed;
    }
  }
}

// A drill sheet in miniature: white paper, a green pitch with white lines, player tokens in kit
// colours with black rims, cones, and a soft grey shadow ramp: a few flat colours and many
// anti-aliased edge shades.
TPixelBuffer DrillSheet(int width, int height) {
  TPixelBuffer p(width, height, 0xFFFFFFFF);
  for (int y = 20; y < height - 20; ++y) {
    for (int x = 20; x < width - 20; ++x) p.At(x, y) = 0xFF2E8B57;
  }
  for (int y = 20; y < height - 20; ++y) {
    for (int x = width / 2 - 1; x <= width / 2 + 1; ++x) p.At(x, y) = 0xFFFFFFFF;
  }
  Disc(p, width / 2.0f, height / 2.0f, 40, 0xFFFFFF, 37);
  const uint32_t kits[] = {0xFF0000, 0x0000FF, 0xFFFF00, 0x800080, 0x00FFFF};
  for (int i = 0; i < 10; ++i) {
    float cx = 50 + static_cast<float>(i % 5) * (width - 100) / 4.0f, cy = i < 5 ? height * 0.3f : height * 0.7f;
    Disc(p, cx, cy, 11, 0x000000);
    Disc(p, cx, cy, 9, kits[i % 5]);
  }
  for (int i = 0; i < 6; ++i) Disc(p, 40 + i * 25.0f, height - 35.0f, 5, 0xFF8C00);
  for (int y = height - 18; y < height; ++y) {  // shadow ramp under the pitch
    for (int x = 0; x < width; ++x) {
      int dy = y - height + 18;
      uint32_t r = static_cast<uint32_t>(120 + (x * 100) / width + dy * 2);
      uint32_t g = static_cast<uint32_t>(110 + (x * 90) / width + dy * 3);
      uint32_t b = static_cast<uint32_t>(140 + (x * 70) / width + dy);
      p.At(x, y) = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  return p;
}

int ColourError(uint32_t a, uint32_t b) {
  int e = 0;
  for (int shift : {0, 8, 16}) e += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
  return e;
}

TEST(RasterFormatQuantizer, DrillSheetKeepsFlatAreasExactAndEdgesClose) {
  TPixelBuffer sheet = DrillSheet(400, 260);
  std::set<uint32_t> distinct;
  for (int y = 0; y < sheet.Height(); ++y) {
    for (int x = 0; x < sheet.Width(); ++x) distinct.insert(sheet.At(x, y) & 0xFFFFFF);
  }
  ASSERT_GT(distinct.size(), 256u);  // the histogram path, not the exact one

  TIndexedPicture q = QuantizePicture(ViewOf(sheet), 256);
  ASSERT_LE(q.Palette.size(), 256u);
  long total = 0;
  int flatMisses = 0;
  for (int y = 1; y < sheet.Height() - 1; ++y) {
    for (int x = 1; x < sheet.Width() - 1; ++x) {
      uint32_t original = sheet.At(x, y) & 0xFFFFFF;
      uint32_t shown = q.Palette[q.Indices[static_cast<size_t>(y * sheet.Width() + x)]];
      total += ColourError(original, shown);
      bool flat = true;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) flat = flat && (sheet.At(x + dx, y + dy) & 0xFFFFFF) == original;
      }
      if (flat && shown != original) ++flatMisses;
    }
  }
  EXPECT_EQ(flatMisses, 0);
  EXPECT_LT(static_cast<double>(total) / (sheet.Width() * sheet.Height()), 1.5);
}

TEST(RasterFormatQuantizer, ErrorDiffusionKeepsTheAverageColour) {
  // A grey ramp reduced to four colours: every 16-pixel stretch of a row whose grey lies between
  // the darkest and lightest palette entry averages close to the original, which plain
  // nearest-colour mapping cannot do.
  TPixelBuffer ramp(256, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 256; ++x) ramp.At(x, y) = 0xFF000000u | static_cast<uint32_t>(x) * 0x010101u;
  }
  TIndexedPicture q = QuantizePicture(ViewOf(ramp), 4);
  ASSERT_EQ(q.Palette.size(), 4u);
  uint32_t darkest = 255, lightest = 0;
  for (uint32_t c : q.Palette) {
    darkest = std::min(darkest, c & 0xFF);
    lightest = std::max(lightest, c & 0xFF);
  }
  int checked = 0;
  for (int block = 0; block < 16; ++block) {
    if (block * 16 < static_cast<int>(darkest) || block * 16 + 15 > static_cast<int>(lightest)) continue;
    ++checked;
    double shown = 0, original = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = block * 16; x < block * 16 + 16; ++x) {
        shown += q.Palette[q.Indices[static_cast<size_t>(y * 256 + x)]] & 0xFF;
        original += x;
      }
    }
    EXPECT_NEAR(shown / 256, original / 256, 6) << "block " << block;
  }
  EXPECT_GE(checked, 8);
}

TEST(RasterFormatQuantizer, IgnoredPixelsTakeNoPart) {
  TPixelBuffer picture(4, 1, 0xFF204060);
  picture.At(1, 0) = 0x10FF0000;  // below the alpha limit: its red must not enter the palette
  picture.At(2, 0) = 0xFF6080A0;
  TIndexedPicture q = QuantizePicture(ViewOf(picture), 256, 32);
  EXPECT_EQ(q.Palette, (std::vector<uint32_t>{0x204060, 0x6080A0}));
  EXPECT_EQ(q.Indices, (std::vector<uint8_t>{0, 0, 1, 0}));
}

TEST(RasterFormatQuantizer, NearestPaletteEntryByWeightedDistance) {
  std::vector<uint32_t> palette = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
  TPaletteSearch search(palette);
  struct Case {
    int r, g, b;
    uint8_t index;
  } cases[] = {{10, 10, 10, 0}, {250, 240, 245, 1}, {200, 30, 20, 2}, {20, 200, 30, 3},
               {20, 30, 200, 4}, {120, 130, 140, 5}, {0, 0, 0, 0}, {128, 128, 128, 5}};
  for (int round = 0; round < 2; ++round) {  // the second round is answered from the cache
    for (const Case& c : cases) EXPECT_EQ(search.Nearest(c.r, c.g, c.b), c.index) << c.r << "," << c.g << "," << c.b;
  }
  // The search agrees with a full scan on a larger palette.
  std::vector<uint32_t> many;
  for (uint32_t i = 0; i < 200; ++i) many.push_back((i * 2654435761u) & 0xFFFFFF);
  TPaletteSearch big(many);
  for (int r = 0; r < 256; r += 17) {
    for (int g = 0; g < 256; g += 13) {
      for (int b = 0; b < 256; b += 29) {
        long best = -1;
        for (uint32_t c : many) {
          long d = 3L * (static_cast<int>(c >> 16) - r) * (static_cast<int>(c >> 16) - r) +
                   4L * (static_cast<int>((c >> 8) & 0xFF) - g) * (static_cast<int>((c >> 8) & 0xFF) - g) +
                   2L * (static_cast<int>(c & 0xFF) - b) * (static_cast<int>(c & 0xFF) - b);
          if (best < 0 || d < best) best = d;
        }
        uint32_t found = many[big.Nearest(r, g, b)];
        long d = 3L * (static_cast<int>(found >> 16) - r) * (static_cast<int>(found >> 16) - r) +
                 4L * (static_cast<int>((found >> 8) & 0xFF) - g) * (static_cast<int>((found >> 8) & 0xFF) - g) +
                 2L * (static_cast<int>(found & 0xFF) - b) * (static_cast<int>(found & 0xFF) - b);
        ASSERT_EQ(d, best) << r << "," << g << "," << b;
      }
    }
  }
}

}  // namespace
}  // namespace kivrano
