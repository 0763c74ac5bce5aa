#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ViewHost.h"

namespace kivrano {

// The program's own cursors, registered with the window under these ids.
constexpr TCursor crRotation = -30;
constexpr TCursor crSizeCopy = -31;
constexpr TCursor crDtpCross = -32;
constexpr TCursor crDtpCrossLine = -33;
constexpr TCursor crDtpCrossArrow = -34;
constexpr TCursor crDtpCrossRectangle = -35;
constexpr TCursor crDtpCrossEllipse = -36;
constexpr TCursor crDtpCrossText = -37;
constexpr TCursor crDtpCrossImage = -38;

// One program cursor: 32 x 32 pixels, 0xAARRGGBB, black strokes with a white rim on transparency.
struct TCursorImage {
  TCursor Id = crDefault;
  std::string ResourceName;  // "ROTATION", "SIZECOPY", "CRDTPCROSS", ...
  int Width = 0;
  int Height = 0;
  int HotX = 0;
  int HotY = 0;
  std::vector<uint32_t> Pixels;
};

// The nine program cursors in id order (-30 first), drawn once.
const std::vector<TCursorImage>& ProgramCursors();
// The program cursor of an id, none for other ids.
const TCursorImage* FindProgramCursor(TCursor id);

}  // namespace kivrano
