#include "base/Colors.h"

#include <array>

namespace kivrano {

namespace {

// A light desktop scheme, fixed for every installation (0x00BBGGRR).
constexpr std::array<TColor, 25> kSystemColors = {
    0xC8C8C8,  // scroll bar
    0x000000,  // desktop background
    0xD1B499,  // active caption
    0xDBCDBF,  // inactive caption
    0xF0F0F0,  // menu
    0xFFFFFF,  // window
    0x646464,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0x000000,  // caption text
    0xB4B4B4,  // active border
    0xFCF7F4,  // inactive border
    0xABABAB,  // application work space
    0xD77800,  // highlight
    0xFFFFFF,  // highlight text
    0xF0F0F0,  // button face
    0xA0A0A0,  // button shadow
    0x6D6D6D,  // grey text
    0x000000,  // button text
    0x000000,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x696969,  // 3D dark shadow
    0xE3E3E3,  // 3D light
    0x000000,  // info text
    0xE1FFFF,  // info background
};

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color >= 0) return color & 0xFFFFFF;
  // System colours carry their index in the low byte, under a top byte of 0x80 or 0xFF.
  const uint32_t index = static_cast<uint32_t>(color) & 0xFFu;
  if ((static_cast<uint32_t>(color) & 0x00FFFF00u) != 0 || index >= kSystemColors.size()) return 0;
  return kSystemColors[index];
}

}  // namespace kivrano
