#pragma once

// A player of enhanced metafiles: the vector pictures that metafile shapes show. It plays the
// common drawing records (lines, polylines, polygons, Bezier curves, rectangles, ellipses, in their
// 32-bit and 16-bit point forms), the creation, selection and deletion of pens and brushes, the
// stock objects, the window and viewport mapping records and the saving and restoring of that
// state, onto a TCanvas. Every other record is skipped.
//
// Loading checks the framing of the whole file (header, record sizes within the data) and fails
// with "Invalid enhanced metafile" otherwise; playing checks each record's counts against the
// record's size and skips what does not fit, so damaged data never reads outside the bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Types.h"

namespace kivrano {

class TCanvas;
class TPen;
class TBrush;

// The header fields the player uses. Bounds are reference-device pixels (inclusive), Frame is in
// hundredths of a millimetre (inclusive), Device and Millimeters the reference device's size.
struct TEnhancedMetafileHeader {
  TRect Bounds;
  TRect Frame;
  uint32_t Records = 0;
  uint16_t Handles = 0;
  TSize Device;
  TSize Millimeters;
};

class TEnhancedMetafile {
 public:
  // Takes a copy of the bytes; fails with "Invalid enhanced metafile" when they are no metafile.
  TEnhancedMetafile(const uint8_t* data, size_t size);

  const TEnhancedMetafileHeader& Header() const { return header_; }
  // The picture's frame in reference-device pixels (the bounds when the frame cannot be
  // converted).
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Number of records, the header and the end record included.
  size_t RecordCount() const { return records_.size(); }
  size_t ByteSize() const { return bytes_.size(); }

  // Plays every record onto the canvas, the picture's frame mapped onto dest. With an override
  // pen or brush, drawing records use it instead of the picture's own selection. The canvas' pen
  // and brush are restored afterwards.
  void Play(TCanvas& canvas, const TRect& dest, const TPen* overridePen = nullptr,
            const TBrush* overrideBrush = nullptr) const;

 private:
  struct TRecordRef {
    uint32_t Type;
    size_t Offset;
    size_t Size;
  };
  class TPlayer;

  std::vector<uint8_t> bytes_;
  std::vector<TRecordRef> records_;
  TEnhancedMetafileHeader header_;
  // The frame in reference-device pixels as a float rectangle (left, top, right, bottom).
  float frameLeft_ = 0, frameTop_ = 0, frameRight_ = 0, frameBottom_ = 0;
  int width_ = 0;
  int height_ = 0;
};

// Record types the player knows.
enum TEmfRecordType : uint32_t {
  emrHeader = 1,
  emrPolyBezier = 2,
  emrPolygon = 3,
  emrPolyline = 4,
  emrPolyBezierTo = 5,
  emrPolylineTo = 6,
  emrPolyPolyline = 7,
  emrPolyPolygon = 8,
  emrSetWindowExtEx = 9,
  emrSetWindowOrgEx = 10,
  emrSetViewportExtEx = 11,
  emrSetViewportOrgEx = 12,
  emrEof = 14,
  emrSetMapMode = 17,
  emrMoveToEx = 27,
  emrSaveDC = 33,
  emrRestoreDC = 34,
  emrSelectObject = 37,
  emrCreatePen = 38,
  emrCreateBrushIndirect = 39,
  emrDeleteObject = 40,
  emrEllipse = 42,
  emrRectangle = 43,
  emrLineTo = 54,
  emrPolyBezier16 = 85,
  emrPolygon16 = 86,
  emrPolyline16 = 87,
  emrPolyBezierTo16 = 88,
  emrPolylineTo16 = 89,
  emrPolyPolyline16 = 90,
  emrPolyPolygon16 = 91,
  emrExtCreatePen = 95,
};

// The signature at offset 40 of the header record.
constexpr uint32_t kEmfSignature = 0x464D4520;
// Stock objects are selected by this bit plus their number.
constexpr uint32_t kEmfStockObject = 0x80000000u;
enum TEmfStockObject : uint32_t {
  soWhiteBrush = 0,
  soLightGrayBrush = 1,
  soGrayBrush = 2,
  soDarkGrayBrush = 3,
  soBlackBrush = 4,
  soNullBrush = 5,
  soWhitePen = 6,
  soBlackPen = 7,
  soNullPen = 8,
};
enum TEmfMapMode : uint32_t {
  mmText = 1,
  mmLoMetric = 2,
  mmHiMetric = 3,
  mmLoEnglish = 4,
  mmHiEnglish = 5,
  mmTwips = 6,
  mmIsotropic = 7,
  mmAnisotropic = 8,
};

}  // namespace kivrano
