#pragma once

// Outline geometry of a straight line with a head at each end: the line body of a given width and
// the heads appended end by end, so that the two ends together form one closed ring.

#include <string>
#include <vector>

#include "base/Types.h"

namespace kivrano {

// Head styles; the names are also the persisted texts.
enum TdtpArrowStyle {
  NoArrow = 0,
  Arrow = 1,
  OpenArrow = 2,
  StealthArrow = 3,
  Diamond = 4,
  Oval = 5,
};

constexpr int kArrowStyleCount = 6;

// "NoArrow", "Arrow", ...; the name of NoArrow for values out of range.
std::string ArrowStyleName(TdtpArrowStyle style);
// The style of an exact name; false (style untouched) for any other text.
bool ArrowStyleFromName(const std::string& name, TdtpArrowStyle& style);

// What a line end looks like: style, full width across the line and length along it (mm).
struct TArrowHead {
  TdtpArrowStyle Style = NoArrow;
  float Width = 5.0f;
  float Length = 7.0f;
};

// Appends the points of end e of the segment o-e: the body edge on one side at the head base, the
// head, and the body edge on the other side. A head no wider than the line is left out; a head
// longer than 0.7 of the segment is shortened to that. scale (pixels per millimetre of the image
// being painted) sets how finely the curved heads are built. Nothing is appended when e equals o.
void AppendArrowPoints(std::vector<TFloatPoint>& points, const TArrowHead& head, float lineWidth, TFloatPoint e,
                       TFloatPoint o, float scale);

// The closed ring of a line from p0 to p1: the points of end 0 followed by those of end 1. Empty
// when the end points coincide or any coordinate or size is not a finite number.
std::vector<TFloatPoint> LineOutlinePoints(TFloatPoint p0, TFloatPoint p1, const TArrowHead& head0,
                                           const TArrowHead& head1, float lineWidth, float scale);

}  // namespace kivrano
