#pragma once

// Test helper: writes small enhanced metafiles record by record, for the player's tests and for
// the seed files of its fuzz harness.

#include <cstdint>
#include <string>
#include <vector>

#include "base/Types.h"
#include "platform/EnhancedMetafile.h"

namespace kivrano::testing {

class TMetafileWriter {
 public:
  // bounds: reference-device pixels; frame: hundredths of a millimetre. The default reference
  // device has 10 pixels per millimetre, so the default frame covers pixels 0..100.
  explicit TMetafileWriter(TRect bounds = {0, 0, 99, 99}, TRect frame = {0, 0, 1000, 1000},
                           TSize device = {2000, 1000}, TSize millimeters = {200, 100}, uint16_t handles = 8) {
    Put(emrHeader), Put(88);
    for (int v : {bounds.Left, bounds.Top, bounds.Right, bounds.Bottom, frame.Left, frame.Top, frame.Right,
                  frame.Bottom})
      Put(static_cast<uint32_t>(v));
    Put(kEmfSignature), Put(0x10000), Put(0) /* bytes */, Put(0) /* records */;
    Put(handles), Put(0), Put(0), Put(0);  // handles and reserved, description, palette
    Put(static_cast<uint32_t>(device.cx)), Put(static_cast<uint32_t>(device.cy));
    Put(static_cast<uint32_t>(millimeters.cx)), Put(static_cast<uint32_t>(millimeters.cy));
    records_ = 1;
  }

  // A record of 32-bit values after its type and size.
  TMetafileWriter& Record(uint32_t type, const std::vector<int32_t>& values) {
    Put(type), Put(static_cast<uint32_t>(8 + 4 * values.size()));
    for (int32_t v : values) Put(static_cast<uint32_t>(v));
    ++records_;
    return *this;
  }

  // Polyline, polygon and Bezier records (and their "to" forms): empty bounds, the count, the
  // points as 32-bit pairs or, for the 16-bit types, 16-bit pairs.
  TMetafileWriter& Poly(uint32_t type, const std::vector<TPoint>& points) {
    const bool small = type >= emrPolyBezier16;
    Put(type), Put(static_cast<uint32_t>(28 + points.size() * (small ? 4 : 8)));
    Put(0), Put(0), Put(0), Put(0), Put(static_cast<uint32_t>(points.size()));
    PutPoints(points, small);
    ++records_;
    return *this;
  }

  // Poly-polyline and poly-polygon records.
  TMetafileWriter& PolyPoly(uint32_t type, const std::vector<std::vector<TPoint>>& parts) {
    const bool small = type >= emrPolyPolyline16;
    size_t total = 0;
    for (const auto& part : parts) total += part.size();
    Put(type), Put(static_cast<uint32_t>(32 + 4 * parts.size() + total * (small ? 4 : 8)));
    Put(0), Put(0), Put(0), Put(0), Put(static_cast<uint32_t>(parts.size())), Put(static_cast<uint32_t>(total));
    for (const auto& part : parts) Put(static_cast<uint32_t>(part.size()));
    for (const auto& part : parts) PutPoints(part, small);
    ++records_;
    return *this;
  }

  TMetafileWriter& Pen(uint32_t index, uint32_t style, int width, TColor color) {
    return Record(emrCreatePen, {static_cast<int32_t>(index), static_cast<int32_t>(style), width, 0, color});
  }
  TMetafileWriter& Brush(uint32_t index, uint32_t style, TColor color, uint32_t hatch = 0) {
    return Record(emrCreateBrushIndirect,
                  {static_cast<int32_t>(index), static_cast<int32_t>(style), color, static_cast<int32_t>(hatch)});
  }
  TMetafileWriter& Select(uint32_t index) { return Record(emrSelectObject, {static_cast<int32_t>(index)}); }

  // The file with its end record; the header's byte and record counts filled in.
  std::vector<uint8_t> Finish() const {
    std::vector<uint8_t> out = bytes_;
    for (uint32_t v : {uint32_t{emrEof}, 20u, 0u, 16u, 20u}) Append(out, v);
    Patch(out, 48, static_cast<uint32_t>(out.size()));
    Patch(out, 52, records_ + 1);
    return out;
  }

 private:
  static void Append(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  static void Patch(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  }
  void Put(uint32_t v) { Append(bytes_, v); }
  void PutPoints(const std::vector<TPoint>& points, bool small) {
    for (const TPoint& p : points) {
      if (small) {
        Put((static_cast<uint32_t>(p.X) & 0xFFFF) | static_cast<uint32_t>(p.Y) << 16);
      } else {
        Put(static_cast<uint32_t>(p.X)), Put(static_cast<uint32_t>(p.Y));
      }
    }
  }

  std::vector<uint8_t> bytes_;
  uint32_t records_ = 0;
};

}  // namespace kivrano::testing
