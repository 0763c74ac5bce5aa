#include "storage/ColorQuantizer.h"

#include <algorithm>
#include <array>
#include <limits>

namespace kivrano {

namespace {

// Channel weights of the colour distance: the eye is most sensitive to green, least to blue.
constexpr int kWeightR = 3;
constexpr int kWeightG = 4;
constexpr int kWeightB = 2;
constexpr double kWeights[3] = {kWeightR, kWeightG, kWeightB};

constexpr int kBinBits = 6;  // histogram resolution per channel
constexpr int kBinShift = 8 - kBinBits;
constexpr int kRefineRounds = 2;

int Red(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
int Green(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(uint32_t c) { return static_cast<int>(c & 0xFF); }
uint32_t Rgb(int r, int g, int b) { return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b); }
int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

bool Included(uint32_t pixel, uint8_t ignoreBelowAlpha) { return (pixel >> 24) >= ignoreBelowAlpha; }

// A small open-addressing set of up to `limit` colours, mapping each to its position.
class TExactColors {
 public:
  explicit TExactColors(int limit) : limit_(limit), keys_(1024, kEmpty), slots_(1024) {}

  // Adds a colour; false when that would exceed the limit.
  bool Add(uint32_t rgb) {
    size_t at = Find(rgb);
    if (keys_[at] == rgb) return true;
    if (static_cast<int>(colors_.size()) == limit_) return false;
    keys_[at] = rgb;
    slots_[at] = static_cast<uint8_t>(colors_.size());
    colors_.push_back(rgb);
    return true;
  }
  uint8_t IndexOf(uint32_t rgb) const { return slots_[Find(rgb)]; }
  const std::vector<uint32_t>& Colors() const { return colors_; }

 private:
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  size_t Find(uint32_t rgb) const {
    size_t at = (rgb * 2654435761u) >> 22;
    while (keys_[at] != kEmpty && keys_[at] != rgb) at = (at + 1) & 1023;
    return at;
  }

  int limit_;
  std::vector<uint32_t> keys_;
  std::vector<uint8_t> slots_;
  std::vector<uint32_t> colors_;
};

// One occupied histogram bin: its pixel count and mean colour.
struct TBin {
  double n;
  double c[3];
};

std::vector<TBin> BuildHistogram(const TPixelView& picture, uint8_t ignoreBelowAlpha) {
  constexpr size_t kBins = size_t{1} << (3 * kBinBits);
  std::vector<uint32_t> counts(kBins, 0);
  std::vector<std::array<uint64_t, 3>> sums(kBins, {0, 0, 0});
  for (int y = 0; y < picture.Height; ++y) {
    const uint32_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width; ++x) {
      uint32_t p = row[x];
      if (!Included(p, ignoreBelowAlpha)) continue;
      int r = Red(p), g = Green(p), b = Blue(p);
      size_t bin = static_cast<size_t>((r >> kBinShift) << (2 * kBinBits) | (g >> kBinShift) << kBinBits | (b >> kBinShift));
      ++counts[bin];
      sums[bin][0] += static_cast<uint64_t>(r);
      sums[bin][1] += static_cast<uint64_t>(g);
      sums[bin][2] += static_cast<uint64_t>(b);
    }
  }
  std::vector<TBin> bins;
  for (size_t i = 0; i < kBins; ++i) {
    if (counts[i] == 0) continue;
    double n = counts[i];
    bins.push_back({n, {static_cast<double>(sums[i][0]) / n, static_cast<double>(sums[i][1]) / n,
                        static_cast<double>(sums[i][2]) / n}});
  }
  return bins;
}

struct TBox {
  size_t begin, end;
  double error;  // weighted sum of squared deviations from the box mean
};

double BoxError(const std::vector<TBin>& bins, size_t begin, size_t end) {
  double n = 0, s[3] = {0, 0, 0}, q[3] = {0, 0, 0};
  for (size_t i = begin; i < end; ++i) {
    n += bins[i].n;
    for (int c = 0; c < 3; ++c) {
      s[c] += bins[i].n * bins[i].c[c];
      q[c] += bins[i].n * bins[i].c[c] * bins[i].c[c];
    }
  }
  double error = 0;
  for (int c = 0; c < 3; ++c) error += kWeights[c] * (q[c] - s[c] * s[c] / n);
  return std::max(0.0, error);
}

// Splits a box where the two halves' summed error is least, along the axis of greatest spread.
size_t SplitBox(std::vector<TBin>& bins, const TBox& box) {
  double best = -1;
  int axis = 0;
  for (int c = 0; c < 3; ++c) {
    double lo = 255, hi = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
      lo = std::min(lo, bins[i].c[c]);
      hi = std::max(hi, bins[i].c[c]);
    }
    double spread = kWeights[c] * (hi - lo) * (hi - lo);
    if (spread > best) {
      best = spread;
      axis = c;
    }
  }
  std::sort(bins.begin() + static_cast<std::ptrdiff_t>(box.begin), bins.begin() + static_cast<std::ptrdiff_t>(box.end),
            [axis](const TBin& a, const TBin& b) { return a.c[axis] < b.c[axis]; });

  double totalN = 0, totalS[3] = {0, 0, 0}, totalQ[3] = {0, 0, 0};
  for (size_t i = box.begin; i < box.end; ++i) {
    totalN += bins[i].n;
    for (int c = 0; c < 3; ++c) {
      totalS[c] += bins[i].n * bins[i].c[c];
      totalQ[c] += bins[i].n * bins[i].c[c] * bins[i].c[c];
    }
  }
  double n = 0, s[3] = {0, 0, 0}, q[3] = {0, 0, 0};
  double bestError = std::numeric_limits<double>::max();
  size_t split = box.begin + 1;
  for (size_t i = box.begin; i + 1 < box.end; ++i) {
    n += bins[i].n;
    for (int c = 0; c < 3; ++c) {
      s[c] += bins[i].n * bins[i].c[c];
      q[c] += bins[i].n * bins[i].c[c] * bins[i].c[c];
    }
    double error = 0;
    for (int c = 0; c < 3; ++c) {
      double rs = totalS[c] - s[c], rq = totalQ[c] - q[c], rn = totalN - n;
      error += kWeights[c] * ((q[c] - s[c] * s[c] / n) + (rq - rs * rs / rn));
    }
    if (error < bestError) {
      bestError = error;
      split = i + 1;
    }
  }
  return split;
}

std::vector<uint32_t> MedianCut(std::vector<TBin>& bins, int maxColors) {
  std::vector<TBox> boxes{{0, bins.size(), BoxError(bins, 0, bins.size())}};
  while (static_cast<int>(boxes.size()) < maxColors) {
    auto worst = boxes.end();
    for (auto it = boxes.begin(); it != boxes.end(); ++it) {
      if (it->end - it->begin >= 2 && it->error > 0 && (worst == boxes.end() || it->error > worst->error)) worst = it;
    }
    if (worst == boxes.end()) break;
    TBox box = *worst;
    size_t split = SplitBox(bins, box);
    *worst = {box.begin, split, BoxError(bins, box.begin, split)};
    boxes.push_back({split, box.end, BoxError(bins, split, box.end)});
  }
  std::vector<uint32_t> palette;
  for (const TBox& box : boxes) {
    double n = 0, s[3] = {0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i) {
      n += bins[i].n;
      for (int c = 0; c < 3; ++c) s[c] += bins[i].n * bins[i].c[c];
    }
    palette.push_back(Rgb(Clamp255(static_cast<int>(s[0] / n + 0.5)), Clamp255(static_cast<int>(s[1] / n + 0.5)),
                          Clamp255(static_cast<int>(s[2] / n + 0.5))));
  }
  return palette;
}

// Moves every palette entry to the mean of the histogram bins nearest to it.
void RefinePalette(const std::vector<TBin>& bins, std::vector<uint32_t>& palette) {
  for (int round = 0; round < kRefineRounds; ++round) {
    TPaletteSearch search(palette);
    std::vector<std::array<double, 4>> sums(palette.size(), {0, 0, 0, 0});
    for (const TBin& bin : bins) {
      uint8_t at = search.Nearest(static_cast<int>(bin.c[0] + 0.5), static_cast<int>(bin.c[1] + 0.5),
                                  static_cast<int>(bin.c[2] + 0.5));
      for (int c = 0; c < 3; ++c) sums[at][c] += bin.n * bin.c[c];
      sums[at][3] += bin.n;
    }
    for (size_t i = 0; i < palette.size(); ++i) {
      double n = sums[i][3];
      if (n == 0) continue;
      palette[i] = Rgb(Clamp255(static_cast<int>(sums[i][0] / n + 0.5)), Clamp255(static_cast<int>(sums[i][1] / n + 0.5)),
                       Clamp255(static_cast<int>(sums[i][2] / n + 0.5)));
    }
  }
}

// Floyd-Steinberg error diffusion in serpentine order; errors are kept in sixteenths.
void MapWithDithering(const TPixelView& picture, uint8_t ignoreBelowAlpha, const std::vector<uint32_t>& palette,
                      std::vector<uint8_t>& indices) {
  TPaletteSearch search(palette);
  size_t w = static_cast<size_t>(picture.Width);
  std::vector<int> current((w + 2) * 3, 0), next((w + 2) * 3, 0);
  for (int y = 0; y < picture.Height; ++y) {
    const uint32_t* row = picture.Row(y);
    uint8_t* out = indices.data() + static_cast<size_t>(y) * w;
    bool forward = (y % 2) == 0;
    int step = forward ? 1 : -1;
    std::fill(next.begin(), next.end(), 0);
    for (int i = 0; i < picture.Width; ++i) {
      int x = forward ? i : picture.Width - 1 - i;
      uint32_t p = row[x];
      if (!Included(p, ignoreBelowAlpha)) {
        out[x] = 0;
        continue;
      }
      int* e = &current[static_cast<size_t>(x + 1) * 3];
      int r = Clamp255(Red(p) + ((e[0] + 8) >> 4));
      int g = Clamp255(Green(p) + ((e[1] + 8) >> 4));
      int b = Clamp255(Blue(p) + ((e[2] + 8) >> 4));
      uint8_t at = search.Nearest(r, g, b);
      out[x] = at;
      int err[3] = {r - Red(palette[at]), g - Green(palette[at]), b - Blue(palette[at])};
      if (err[0] == 0 && err[1] == 0 && err[2] == 0) continue;
      int* ahead = &current[static_cast<size_t>(x + 1 + step) * 3];
      int* below = &next[static_cast<size_t>(x + 1) * 3];
      int* belowAhead = &next[static_cast<size_t>(x + 1 + step) * 3];
      int* belowBehind = &next[static_cast<size_t>(x + 1 - step) * 3];
      for (int c = 0; c < 3; ++c) {
        ahead[c] += err[c] * 7;
        belowBehind[c] += err[c] * 3;
        below[c] += err[c] * 5;
        belowAhead[c] += err[c];
      }
    }
    std::swap(current, next);
  }
}

}  // namespace

TPaletteSearch::TPaletteSearch(const std::vector<uint32_t>& palette)
    : cacheKeys_(1 << 16, 0), cacheValues_(1 << 16, 0) {
  for (size_t i = 0; i < palette.size(); ++i) {
    byGreen_.push_back({Red(palette[i]), Green(palette[i]), Blue(palette[i]), static_cast<uint8_t>(i)});
  }
  std::stable_sort(byGreen_.begin(), byGreen_.end(), [](const Entry& a, const Entry& b) { return a.g < b.g; });
}

uint8_t TPaletteSearch::Nearest(int r, int g, int b) {
  uint32_t key = Rgb(r, g, b) | 0x1000000u;
  size_t slot = (key * 2654435761u) >> 16;
  if (cacheKeys_[slot] == key) return cacheValues_[slot];
  uint8_t found = Search(r, g, b);
  cacheKeys_[slot] = key;
  cacheValues_[slot] = found;
  return found;
}

uint8_t TPaletteSearch::Search(int r, int g, int b) const {
  auto distance = [&](const Entry& e) {
    return kWeightR * (e.r - r) * (e.r - r) + kWeightG * (e.g - g) * (e.g - g) + kWeightB * (e.b - b) * (e.b - b);
  };
  size_t start = static_cast<size_t>(
      std::lower_bound(byGreen_.begin(), byGreen_.end(), g, [](const Entry& e, int v) { return e.g < v; }) -
      byGreen_.begin());
  int best = std::numeric_limits<int>::max();
  uint8_t bestIndex = byGreen_.empty() ? 0 : byGreen_.front().index;
  auto consider = [&](const Entry& e) {
    int d = distance(e);
    if (d < best || (d == best && e.index < bestIndex)) {
      best = d;
      bestIndex = e.index;
    }
  };
  // Walk outward in green; stop a direction once the green difference alone exceeds the best.
  for (size_t i = start; i < byGreen_.size(); ++i) {
    int dg = byGreen_[i].g - g;
    if (kWeightG * dg * dg > best) break;
    consider(byGreen_[i]);
  }
  for (size_t i = start; i-- > 0;) {
    int dg = byGreen_[i].g - g;
    if (kWeightG * dg * dg > best) break;
    consider(byGreen_[i]);
  }
  return bestIndex;
}

TIndexedPicture QuantizePicture(const TPixelView& picture, int maxColors, uint8_t ignoreBelowAlpha) {
  maxColors = std::clamp(maxColors, 2, 256);
  TIndexedPicture result;
  result.Width = picture.Width;
  result.Height = picture.Height;
  result.Indices.assign(static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height), 0);

  // Few colours: keep them exactly, no error to diffuse.
  TExactColors exact(maxColors);
  bool fits = true;
  uint32_t last = 0xFFFFFFFFu;
  for (int y = 0; y < picture.Height && fits; ++y) {
    const uint32_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width; ++x) {
      if (!Included(row[x], ignoreBelowAlpha)) continue;
      uint32_t rgb = row[x] & 0xFFFFFF;
      if (rgb == last) continue;
      last = rgb;
      if (!exact.Add(rgb)) {
        fits = false;
        break;
      }
    }
  }
  if (fits) {
    result.Palette = exact.Colors();
    if (result.Palette.empty()) result.Palette.push_back(0);
    size_t i = 0;
    for (int y = 0; y < picture.Height; ++y) {
      const uint32_t* row = picture.Row(y);
      for (int x = 0; x < picture.Width; ++x, ++i) {
        if (Included(row[x], ignoreBelowAlpha)) result.Indices[i] = exact.IndexOf(row[x] & 0xFFFFFF);
      }
    }
    return result;
  }

  std::vector<TBin> bins = BuildHistogram(picture, ignoreBelowAlpha);
  result.Palette = MedianCut(bins, maxColors);
  RefinePalette(bins, result.Palette);
  MapWithDithering(picture, ignoreBelowAlpha, result.Palette, result.Indices);
  return result;
}

}  // namespace kivrano
