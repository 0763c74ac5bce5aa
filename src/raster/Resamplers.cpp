#include "raster/Resamplers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "raster/FixedMath.h"
#include "raster/Transforms.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivrano {

TFilterKernel FilterKernel(TStretchFilter filter) {
  switch (filter) {
    case sfNearest: return {BoxKernel, 1.001f};
    case sfLinear:
    case sfLinear2: return {TriangleKernel, 1.001f};
    case sfSpline: return {SplineKernel, 1.5f};
  }
  return {BoxKernel, 1.001f};
}

namespace {

int64_t Extent(int from, int to) { return int64_t{to} - from; }

// Common checks of the transfers: false when there is nothing to draw.
bool CheckSurfaces(const TBitmap32& dst, const TBitmap32& src, const TRect& srcRect) {
  if (dst.Empty()) throw ETransformError("Destination bitmap is nil or empty");
  if (src.Empty()) throw ETransformError("Source bitmap is nil or empty");
  if (Extent(srcRect.Left, srcRect.Right) <= 0 || Extent(srcRect.Top, srcRect.Bottom) <= 0) return false;
  if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > src.Width() || srcRect.Bottom > src.Height())
    throw ETransformError("Source rectangle is invalid");
  return true;
}

// The destination rectangle clipped to the surface; false when nothing of it is visible. A
// rectangle whose extent does not fit 32 bits draws nothing either.
bool ClipToSurface(const TBitmap32& dst, int64_t left, int64_t top, int64_t right, int64_t bottom, TRect& clip) {
  if (right - left > INT32_MAX || bottom - top > INT32_MAX) return false;
  clip.Left = static_cast<int>(std::max<int64_t>(left, 0));
  clip.Top = static_cast<int>(std::max<int64_t>(top, 0));
  clip.Right = static_cast<int>(std::min<int64_t>(right, dst.Width()));
  clip.Bottom = static_cast<int>(std::min<int64_t>(bottom, dst.Height()));
  return clip.Left < clip.Right && clip.Top < clip.Bottom;
}
bool ClipToSurface(const TBitmap32& dst, const TRect& r, TRect& clip) {
  return ClipToSurface(dst, r.Left, r.Top, r.Right, r.Bottom, clip);
}

// How a sample meets the destination pixel.
struct TSampleWriter {
  TDrawMode Mode;
  const TPixelCombineEvent* Combine;
  int MasterAlpha;

  void operator()(TColor32 sample, TColor32& pixel) const {
    switch (Mode) {
      case dmOpaque: pixel = sample; break;
      case dmBlend: pixel = BlendWithMaster(sample, pixel, MasterAlpha); break;
      case dmCustom: (*Combine)(sample, pixel, static_cast<TColor32>(MasterAlpha)); break;
    }
  }
};

TSampleWriter MakeWriter(TDrawMode mode, const TPixelCombineEvent& combine, int masterAlpha,
                         TDrawMode withoutCallback = dmOpaque) {
  if (mode == dmCustom && !combine) mode = withoutCallback;
  return {mode, &combine, masterAlpha};
}

// Source positions of the visible destination columns (or rows) in 16.16 fixed point.
std::vector<int64_t> StepPositions(int clipFrom, int clipTo, int dstFrom, int dstCount, int64_t srcSpan) {
  const int64_t step = (srcSpan << 16) / dstCount;
  int64_t pos = MulDivRound64(srcSpan * (clipFrom - dstFrom), 65535, dstCount);
  std::vector<int64_t> positions(static_cast<size_t>(clipTo - clipFrom));
  for (int64_t& p : positions) {
    p = pos;
    pos += step;
  }
  return positions;
}

void NearestSampling(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                     const TRect& srcRect, const TSampleWriter& write) {
  const int SW = srcRect.Width(), SH = srcRect.Height(), DW = dstRect.Width(), DH = dstRect.Height();
  const std::vector<int64_t> xs = StepPositions(clip.Left, clip.Right, dstRect.Left, DW, SW);
  const std::vector<int64_t> ys = StepPositions(clip.Top, clip.Bottom, dstRect.Top, DH, SH);
  std::vector<int> columns(xs.size());
  for (size_t i = 0; i < xs.size(); ++i) columns[i] = srcRect.Left + static_cast<int>(xs[i] >> 16);
  const int width = clip.Width();
  const bool copyRepeatedRows = write.Mode == dmOpaque && 2 * SH < DH;
  int previousRow = -1;
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const int sy = srcRect.Top + static_cast<int>(ys[static_cast<size_t>(y - clip.Top)] >> 16);
    TColor32* d = dst.PixelPtr(clip.Left, y);
    if (copyRepeatedRows && sy == previousRow) {
      std::memcpy(d, dst.PixelPtr(clip.Left, y - 1), static_cast<size_t>(width) * sizeof(TColor32));
      continue;
    }
    previousRow = sy;
    const TColor32* s = src.ScanLine(sy);
    if (write.Mode == dmOpaque) {
      for (int i = 0; i < width; ++i) d[i] = s[columns[static_cast<size_t>(i)]];
    } else {
      for (int i = 0; i < width; ++i) write(s[columns[static_cast<size_t>(i)]], d[i]);
    }
  }
}

// out[i] = Combine(x[i], y[i], w) for a run of pixels; four at a time in 16-bit lanes where the
// processor has them (every lane stays below 65536, so the result is the same).
void CombineRows(const TColor32* x, const TColor32* y, int w, TColor32* out, int count) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i wx = _mm_set1_epi16(static_cast<short>(w));
  const __m128i wy = _mm_set1_epi16(static_cast<short>(256 - w));
  const __m128i half = _mm_set1_epi16(128);
  for (; i + 4 <= count; i += 4) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i));
    auto mix = [&](__m128i p, __m128i q) {
      const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(p, wx), _mm_mullo_epi16(q, wy)), half);
      return _mm_srli_epi16(sum, 8);
    };
    const __m128i lo = mix(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i hi = mix(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < count; ++i) out[i] = Combine(x[i], y[i], w);
}

// The columns of a row of samples: sample i mixes source columns Left[i] and Right[i] with
// weight Weight[i] for the left one, four at a time in 16-bit lanes where the processor has them.
class TColumnMix {
 public:
  void Add(int left, int right, int weight) {
    Left_.push_back(left);
    Right_.push_back(right);
    Weight_.push_back(weight);
  }

  void Prepare() {
    // Lanes of two samples per 8 x 16 bits: the weight of the left pixel and of the right one.
    const size_t n = Weight_.size();
    for (size_t i = 0; i < n; i += 2) {
      const int16_t w0 = static_cast<int16_t>(Weight_[i]);
      const int16_t w1 = static_cast<int16_t>(i + 1 < n ? Weight_[i + 1] : 0);
      for (int16_t w : {w0, w0, w0, w0, w1, w1, w1, w1}) {
        LeftLanes_.push_back(w);
        RightLanes_.push_back(static_cast<int16_t>(256 - w));
      }
    }
  }

  // out[i] = Combine(m[Left[i]], m[Right[i]], Weight[i]).
  void Mix(const TColor32* m, TColor32* out) const {
    const int count = static_cast<int>(Weight_.size());
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(128);
    auto mix = [&](__m128i p, __m128i q, size_t k) {
      const __m128i wl = _mm_loadu_si128(reinterpret_cast<const __m128i*>(LeftLanes_.data() + 8 * k));
      const __m128i wr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(RightLanes_.data() + 8 * k));
      const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(p, wl), _mm_mullo_epi16(q, wr));
      return _mm_srli_epi16(_mm_add_epi16(sum, half), 8);
    };
    for (; i + 4 <= count; i += 4) {
      const size_t j = static_cast<size_t>(i);
      const __m128i a = _mm_set_epi32(static_cast<int>(m[Left_[j + 3]]), static_cast<int>(m[Left_[j + 2]]),
                                      static_cast<int>(m[Left_[j + 1]]), static_cast<int>(m[Left_[j]]));
      const __m128i b = _mm_set_epi32(static_cast<int>(m[Right_[j + 3]]), static_cast<int>(m[Right_[j + 2]]),
                                      static_cast<int>(m[Right_[j + 1]]), static_cast<int>(m[Right_[j]]));
      const __m128i lo = mix(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), j / 2);
      const __m128i hi = mix(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), j / 2 + 1);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < count; ++i) {
      const size_t j = static_cast<size_t>(i);
      out[i] = Combine(m[Left_[j]], m[Right_[j]], Weight_[j]);
    }
  }

 private:
  std::vector<int> Left_, Right_, Weight_;
  std::vector<int16_t> LeftLanes_, RightLanes_;
};

void BilinearSampling(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                      const TRect& srcRect, const TSampleWriter& write) {
  const int SW = srcRect.Width(), SH = srcRect.Height(), DW = dstRect.Width(), DH = dstRect.Height();
  const std::vector<int64_t> xs = StepPositions(clip.Left, clip.Right, dstRect.Left, DW, SW - 1);
  const std::vector<int64_t> ys = StepPositions(clip.Top, clip.Bottom, dstRect.Top, DH, SH - 1);
  const int width = clip.Width();
  const int lastColumn = srcRect.Right - 1, lastRow = srcRect.Bottom - 1;
  // Column x and its right neighbour (x itself on the last column of the source rectangle).
  TColumnMix columns;
  for (const int64_t p : xs) {
    const int sx = srcRect.Left + static_cast<int>(p >> 16);
    columns.Add(sx, sx < lastColumn ? sx + 1 : sx, 255 - static_cast<int>((p >> 8) & 255));
  }
  columns.Prepare();
  const int from = srcRect.Left + static_cast<int>(xs.front() >> 16);
  const int to = std::min(srcRect.Left + static_cast<int>(xs.back() >> 16) + 1, lastColumn);
  std::vector<TColor32> mixed(static_cast<size_t>(to - from + 1));
  std::vector<TColor32> samples(write.Mode == dmOpaque ? 0 : static_cast<size_t>(width));
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const int64_t py = ys[static_cast<size_t>(y - clip.Top)];
    const int sy = srcRect.Top + static_cast<int>(py >> 16);
    const int wy = 255 - static_cast<int>((py >> 8) & 255);
    // Rows first: the pair of source rows mixed once for every column in reach.
    CombineRows(src.PixelPtr(from, sy), src.PixelPtr(from, sy < lastRow ? sy + 1 : sy), wy, mixed.data(),
                to - from + 1);
    TColor32* d = dst.PixelPtr(clip.Left, y);
    if (write.Mode == dmOpaque) {
      columns.Mix(mixed.data() - from, d);
      continue;
    }
    columns.Mix(mixed.data() - from, samples.data());
    for (int i = 0; i < width; ++i) write(samples[static_cast<size_t>(i)], d[i]);
  }
}

// Horizontally filtered source rows, kept while the row clusters still use them: per visible
// destination column the four channel sums (blue, green, red, alpha).
class TFilteredRows {
 public:
  TFilteredRows(const TBitmap32& src, const TMappingTable& columns, size_t capacity)
      : Src_(src), Columns_(columns), Capacity_(std::max<size_t>(capacity, 1)) {}

  const int32_t* Get(int srcRow, int64_t stamp) {
    for (Slot& s : Slots_) {
      if (s.Row == srcRow) {
        s.Used = stamp;
        return s.Sums.data();
      }
    }
    Slot* slot = nullptr;
    if (Slots_.size() < Capacity_) {
      slot = &Slots_.emplace_back();
      slot->Sums.resize(Columns_.size() * 4);
    } else {
      slot = &*std::min_element(Slots_.begin(), Slots_.end(), [](const Slot& a, const Slot& b) { return a.Used < b.Used; });
    }
    slot->Row = srcRow;
    slot->Used = stamp;
    Filter(srcRow, slot->Sums.data());
    return slot->Sums.data();
  }

 private:
  struct Slot {
    int Row = -1;
    int64_t Used = 0;
    std::vector<int32_t> Sums;
  };

  void Filter(int srcRow, int32_t* out) const {
    const TColor32* s = Src_.ScanLine(srcRow);
    for (const TCluster& cluster : Columns_) {
      int32_t b = 0, g = 0, r = 0, a = 0;
      for (const TClusterEntry& e : cluster) {
        const TColor32 c = s[e.Pos];
        b += e.Weight * static_cast<int32_t>(c & 0xFF);
        g += e.Weight * static_cast<int32_t>((c >> 8) & 0xFF);
        r += e.Weight * static_cast<int32_t>((c >> 16) & 0xFF);
        a += e.Weight * static_cast<int32_t>(c >> 24);
      }
      out[0] = b;
      out[1] = g;
      out[2] = r;
      out[3] = a;
      out += 4;
    }
  }

  const TBitmap32& Src_;
  const TMappingTable& Columns_;
  size_t Capacity_;
  std::vector<Slot> Slots_;
};

// Separable filtering through mapping tables: each channel is
// min(255, (sum of row weight * column weight * channel) >> 16).
void TableSampling(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                   const TRect& srcRect, TStretchFilter filter, const TSampleWriter& write) {
  const TFilterKernel kernel = FilterKernel(filter);
  const int x0 = clip.Left - dstRect.Left, y0 = clip.Top - dstRect.Top;
  const TMappingTable columns = BuildMappingTable(dstRect.Width(), srcRect.Left, srcRect.Right, src.Width(), kernel,
                                                  x0, x0 + clip.Width());
  const TMappingTable rows = BuildMappingTable(dstRect.Height(), srcRect.Top, srcRect.Bottom, src.Height(), kernel,
                                               y0, y0 + clip.Height());
  if (columns.empty() || rows.empty()) return;
  size_t longest = 1;
  for (const TCluster& c : rows) longest = std::max(longest, c.size());
  // Keep as many filtered rows as a row cluster uses, within about 64 MB; beyond that rows are
  // filtered again when they come back.
  const size_t rowBytes = columns.size() * 4 * sizeof(int32_t);
  TFilteredRows filtered(src, columns, std::min(longest, std::max<size_t>(1, (size_t{64} << 20) / rowBytes)));

  const int width = clip.Width();
  std::vector<int64_t> acc(static_cast<size_t>(width) * 4);
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const TCluster& rowCluster = rows[static_cast<size_t>(y - clip.Top)];
    if (rowCluster.empty()) continue;  // weights could not be formed: leave the row
    std::fill(acc.begin(), acc.end(), 0);
    for (const TClusterEntry& e : rowCluster) {
      const int32_t* s = filtered.Get(e.Pos, y);
      const int64_t w = e.Weight;
      for (size_t k = 0; k < acc.size(); ++k) acc[k] += w * s[k];
    }
    TColor32* d = dst.PixelPtr(clip.Left, y);
    for (int i = 0; i < width; ++i) {
      if (columns[static_cast<size_t>(i)].empty()) continue;
      const int64_t* v = &acc[static_cast<size_t>(i) * 4];
      auto channel = [](int64_t sum) { return static_cast<TColor32>(std::min<int64_t>(255, sum >> 16)); };
      const TColor32 sample = channel(v[0]) | (channel(v[1]) << 8) | (channel(v[2]) << 16) | (channel(v[3]) << 24);
      if (write.Mode == dmOpaque)
        d[i] = sample;
      else
        write(sample, d[i]);
    }
  }
}

}  // namespace

void BlockTransfer(TBitmap32& dst, int dstX, int dstY, const TBitmap32& src, const TRect& srcRect, TDrawMode mode,
                   const TPixelCombineEvent& combine, int masterAlpha) {
  if (!CheckSurfaces(dst, src, srcRect)) return;
  // Clip the source rectangle against the destination surface at the given position.
  TRect clip;
  if (!ClipToSurface(dst, dstX, dstY, int64_t{dstX} + srcRect.Width(), int64_t{dstY} + srcRect.Height(), clip)) return;
  const int sx = srcRect.Left + (clip.Left - dstX);
  const int width = clip.Width();
  const TSampleWriter write = MakeWriter(mode, combine, masterAlpha);
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const TColor32* s = src.PixelPtr(sx, srcRect.Top + (y - dstY));
    TColor32* d = dst.PixelPtr(clip.Left, y);
    switch (write.Mode) {
      case dmOpaque: std::memmove(d, s, static_cast<size_t>(width) * sizeof(TColor32)); break;
      case dmBlend:
        if (masterAlpha == 255)
          BlendRow(s, d, width);
        else
          BlendRowWithMaster(s, d, width, masterAlpha);
        break;
      case dmCustom:
        for (int i = 0; i < width; ++i) write(s[i], d[i]);
        break;
    }
  }
}

void StretchTransfer(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect,
                     TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combine, int masterAlpha) {
  if (!CheckSurfaces(dst, src, srcRect)) return;
  TRect clip;
  if (!ClipToSurface(dst, dstRect, clip)) return;
  const bool sameSize = dstRect.Width() == srcRect.Width() && dstRect.Height() == srcRect.Height();
  switch (filter) {
    case sfNearest: {
      if (sameSize) {
        BlockTransfer(dst, dstRect.Left, dstRect.Top, src, srcRect, mode, combine, masterAlpha);
        return;
      }
      NearestSampling(dst, dstRect, clip, src, srcRect, MakeWriter(mode, combine, masterAlpha));
      return;
    }
    case sfLinear: {
      if (masterAlpha == 0) return;
      // The linear path treats a custom mode without a callback as blending.
      const TSampleWriter write = MakeWriter(mode, combine, masterAlpha, dmBlend);
      if (sameSize) {
        BlockTransfer(dst, dstRect.Left, dstRect.Top, src, srcRect, write.Mode, combine, masterAlpha);
        return;
      }
      BilinearSampling(dst, dstRect, clip, src, srcRect, write);
      return;
    }
    case sfLinear2:
    case sfSpline: {
      if (mode == dmBlend && masterAlpha == 0) return;
      if (sameSize) {
        BlockTransfer(dst, dstRect.Left, dstRect.Top, src, srcRect, mode, combine, masterAlpha);
        return;
      }
      TableSampling(dst, dstRect, clip, src, srcRect, filter, MakeWriter(mode, combine, masterAlpha));
      return;
    }
  }
}

void DrawScaled(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect,
                TStretchFilter filter, TDrawMode mode, const TPixelCombineEvent& combine, int masterAlpha) {
  if (Extent(srcRect.Left, srcRect.Right) >= Extent(dstRect.Left, dstRect.Right) &&
      Extent(srcRect.Top, srcRect.Bottom) >= Extent(dstRect.Top, dstRect.Bottom) && filter == sfLinear &&
      mode == dmOpaque)
    BoxShrink(dst, dstRect, src, srcRect);
  else
    StretchTransfer(dst, dstRect, src, srcRect, filter, mode, combine, masterAlpha);
}

namespace {

// Splits count source pixels into parts consecutive blocks: count div parts each, one more
// whenever the running remainder (adding count mod parts per block) reaches parts. After k blocks
// the remainder has wrapped floor(k * (count mod parts) / parts) times, which gives the start of
// block k directly; returned for the blocks clipFrom .. clipTo, the last one being an end.
std::vector<int> Partition(int from, int count, int parts, int clipFrom, int clipTo) {
  const int64_t base = count / parts, extra = count % parts;
  std::vector<int> starts;
  starts.reserve(static_cast<size_t>(clipTo - clipFrom) + 1);
  for (int64_t k = clipFrom; k <= clipTo; ++k) starts.push_back(static_cast<int>(from + k * base + k * extra / parts));
  return starts;
}

}  // namespace

namespace {

// Writes the block means: sum / n per channel. With sum = k n + r, (sum + 0.5) / n lies at
// least 0.5 / n inside (k, k + 1), far beyond the rounding error of doubles, so its floor is k.
inline TColor32 BlockMean(uint64_t b, uint64_t g, uint64_t r, uint64_t a, uint64_t n) {
  const double inverse = 1.0 / static_cast<double>(n);
  auto q = [inverse](uint64_t sum) { return static_cast<TColor32>((static_cast<double>(sum) + 0.5) * inverse); };
  return q(b) | q(g) << 8 | q(r) << 16 | q(a) << 24;
}

// A pixel spread into four 16-bit lanes (blue, red, green, alpha): up to 257 pixels add up
// without one lane carrying into the next.
inline uint64_t Lanes(TColor32 c) { return (c | static_cast<uint64_t>(c) << 24) & 0x00FF00FF00FF00FFull; }

// Block sums of at most 257 pixels, packed in lanes.
struct TPackedSums {
  std::vector<uint64_t> Sums;
  explicit TPackedSums(int width) : Sums(static_cast<size_t>(width)) {}
  void Clear() { std::fill(Sums.begin(), Sums.end(), 0); }
  void Add(size_t i, const TColor32* s, int from, int to) {
    uint64_t sum = 0;
    for (int x = from; x < to; ++x) sum += Lanes(s[x]);
    Sums[i] += sum;
  }
  TColor32 Mean(size_t i, uint64_t n) const {
    const uint64_t v = Sums[i];
    return BlockMean(v & 0xFFFF, (v >> 32) & 0xFFFF, (v >> 16) & 0xFFFF, v >> 48, n);
  }
};

// Block sums of any size, channel by channel in 64 bits.
struct TWideSums {
  std::vector<uint64_t> Sums;
  explicit TWideSums(int width) : Sums(static_cast<size_t>(width) * 4) {}
  void Clear() { std::fill(Sums.begin(), Sums.end(), 0); }
  void Add(size_t i, const TColor32* s, int from, int to) {
    uint64_t* acc = &Sums[i * 4];
    for (int x = from; x < to; ++x) {
      acc[0] += s[x] & 0xFF;
      acc[1] += (s[x] >> 8) & 0xFF;
      acc[2] += (s[x] >> 16) & 0xFF;
      acc[3] += s[x] >> 24;
    }
  }
  TColor32 Mean(size_t i, uint64_t n) const {
    const uint64_t* acc = &Sums[i * 4];
    return BlockMean(acc[0], acc[1], acc[2], acc[3], n);
  }
};

template <class Sums>
void ShrinkRows(TBitmap32& dst, const TRect& clip, const TBitmap32& src, const std::vector<int>& xs,
                const std::vector<int>& ys) {
  const int width = clip.Width();
  Sums sums(width);
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const size_t j = static_cast<size_t>(y - clip.Top);
    const int rowFrom = ys[j], rowTo = ys[j + 1];
    sums.Clear();
    for (int sy = rowFrom; sy < rowTo; ++sy) {
      const TColor32* s = src.ScanLine(sy);
      for (size_t i = 0; i < static_cast<size_t>(width); ++i) sums.Add(i, s, xs[i], xs[i + 1]);
    }
    TColor32* d = dst.PixelPtr(clip.Left, y);
    for (size_t i = 0; i < static_cast<size_t>(width); ++i) {
      const uint64_t n = static_cast<uint64_t>(xs[i + 1] - xs[i]) * static_cast<uint64_t>(rowTo - rowFrom);
      if (n != 0) d[i] = sums.Mean(i, n);  // an enlarged extent leaves some blocks empty
    }
  }
}

}  // namespace

void BoxShrink(TBitmap32& dst, const TRect& dstRect, const TBitmap32& src, const TRect& srcRect) {
  if (!CheckSurfaces(dst, src, srcRect)) return;
  TRect clip;
  if (!ClipToSurface(dst, dstRect, clip)) return;
  const int x0 = clip.Left - dstRect.Left, y0 = clip.Top - dstRect.Top;
  const std::vector<int> xs = Partition(srcRect.Left, srcRect.Width(), dstRect.Width(), x0, x0 + clip.Width());
  const std::vector<int> ys = Partition(srcRect.Top, srcRect.Height(), dstRect.Height(), y0, y0 + clip.Height());
  // Blocks are at most one pixel wider and higher than the integer ratio.
  const int64_t block = (int64_t{srcRect.Width()} / dstRect.Width() + 1) * (int64_t{srcRect.Height()} / dstRect.Height() + 1);
  if (block <= 257)
    ShrinkRows<TPackedSums>(dst, clip, src, xs, ys);
  else
    ShrinkRows<TWideSums>(dst, clip, src, xs, ys);
}

}  // namespace kivrano
