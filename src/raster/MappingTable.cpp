#include "raster/MappingTable.h"

#include <algorithm>
#include <cmath>

namespace kivrano {

float BoxKernel(float x) { return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f; }

float TriangleKernel(float x) {
  const float a = std::fabs(x);
  return a < 1.0f ? 1.0f - a : 0.0f;
}

float SplineKernel(float x) {
  const float a = std::fabs(x);
  if (a < 1.0f) return a * (a * a / 2.0f) - a * a + 2.0f / 3.0f;
  if (a < 2.0f) {
    const float b = 2.0f - a;
    return b * b * b / 6.0f;
  }
  return 0.0f;
}

namespace {

int Round(float v) { return static_cast<int>(std::nearbyint(v)); }

void AddEntry(TCluster& cluster, int j, int weight, int srcFull) {
  if (weight != 0) cluster.push_back({std::clamp(j, 0, srcFull - 1), weight});
}

void Enlarge(TCluster& cluster, float centre, const TFilterKernel& filter, int srcFull) {
  const float h = 1.0f / filter.Width;
  const int lo = static_cast<int>(std::floor(centre - h));
  const int hi = static_cast<int>(std::ceil(centre + h));
  for (int j = lo; j <= hi; ++j) AddEntry(cluster, j, Round(256.0f * filter.Func(centre - static_cast<float>(j))), srcFull);
}

void Reduce(TCluster& cluster, float centre, float scale, const TFilterKernel& filter, int srcFull) {
  const float h = filter.Width / scale;
  const int lo = static_cast<int>(std::floor(centre - h));
  const int hi = static_cast<int>(std::ceil(centre + h));
  int sum = 0;
  for (int j = lo; j <= hi; ++j) {
    const int w = Round(filter.Func((centre - static_cast<float>(j)) * scale) * 255.0f * scale);
    sum += w;
    AddEntry(cluster, j, w, srcFull);
  }
  const float total = static_cast<float>(sum) / 255.0f;
  if (!(total > 0.0f)) {
    // Every weight rounded to nothing: the pixel cannot be formed and is left alone.
    cluster.clear();
    return;
  }
  if (total != 1.0f) {
    const float f = 1.0f / total;
    for (TClusterEntry& e : cluster) e.Weight = Round(static_cast<float>(e.Weight) * f);
    std::erase_if(cluster, [](const TClusterEntry& e) { return e.Weight == 0; });
  }
}

}  // namespace

TMappingTable BuildMappingTable(int dstCount, int srcFrom, int srcTo, int srcFull, const TFilterKernel& filter,
                                int clipFrom, int clipTo) {
  if (srcFull <= 0) return {};
  clipFrom = std::max(clipFrom, 0);
  clipTo = std::min(clipTo, dstCount);
  TMappingTable table(static_cast<size_t>(std::max(clipTo - clipFrom, 0)));
  if (srcFull == 1) {
    for (TCluster& c : table) c.push_back({0, 255});
    return table;
  }
  const int srcCount = srcTo - srcFrom;
  if (srcCount <= 0 || dstCount <= 0) return table;

  float scale;
  float firstCentre = static_cast<float>(srcFrom);
  if (dstCount == 1) {
    // One destination pixel spans the whole source range.
    scale = srcCount > 1 ? 1.0f / static_cast<float>(srcCount) : 1.0f;
    firstCentre += static_cast<float>(srcCount - 1) / 2.0f;
  } else {
    scale = srcCount == 1 ? 1.0f : static_cast<float>(dstCount - 1) / static_cast<float>(srcCount - 1);
  }
  for (int i = clipFrom; i < clipTo; ++i) {
    TCluster& cluster = table[static_cast<size_t>(i - clipFrom)];
    const float centre = firstCentre + static_cast<float>(i) / scale;
    if (scale >= 1.0f)
      Enlarge(cluster, centre, filter, srcFull);
    else
      Reduce(cluster, centre, scale, filter, srcFull);
  }
  return table;
}

}  // namespace kivrano
