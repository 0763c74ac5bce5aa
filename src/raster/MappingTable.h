#pragma once

#include <cstdint>
#include <vector>

namespace kivrano {

// Filter kernels of the stretch filters; each is even and zero outside its support.
float BoxKernel(float x);
float TriangleKernel(float x);
float SplineKernel(float x);

struct TFilterKernel {
  float (*Func)(float) = nullptr;
  float Width = 0;
};

// One source sample of a destination pixel: the source index and its integer weight.
struct TClusterEntry {
  int32_t Pos = 0;
  int32_t Weight = 0;
  friend bool operator==(const TClusterEntry&, const TClusterEntry&) = default;
};
using TCluster = std::vector<TClusterEntry>;
// One cluster per destination column (or row).
using TMappingTable = std::vector<TCluster>;

// The clusters of destination pixels clipFrom .. clipTo - 1 of a destination extent of dstCount
// pixels fed by the source range srcFrom .. srcTo - 1 of a source srcFull pixels wide (indices
// are clamped to it). Enlarging weights peak at 256, reducing weights add up to about 255.
// An empty cluster marks a pixel that receives nothing: its weights cannot be formed (an extent
// reduced so far that every weight rounds to 0). A one-pixel destination extent is fed by a
// filter centred on the source range, scaled to its whole width.
TMappingTable BuildMappingTable(int dstCount, int srcFrom, int srcTo, int srcFull, const TFilterKernel& filter,
                                int clipFrom, int clipTo);
inline TMappingTable BuildMappingTable(int dstCount, int srcFrom, int srcTo, int srcFull,
                                       const TFilterKernel& filter) {
  return BuildMappingTable(dstCount, srcFrom, srcTo, srcFull, filter, 0, dstCount);
}

}  // namespace kivrano
