#pragma once

// "windows-1252", the 8-bit code page of stored texts, and UTF-8 encoding.

#include <cstdint>
#include <string>
#include <vector>

namespace kivrano {

// The code point of a "windows-1252" byte. The five bytes the code page leaves unassigned map to
// the control characters of the same number, so that every byte survives a round trip.
uint32_t Windows1252ToUnicode(uint8_t byte);
// The "windows-1252" byte of a code point, or -1 when the code page lacks it.
int UnicodeToWindows1252(uint32_t cp);

// Appends the UTF-8 form of a code point to out (a byte vector or a string).
template <typename Out>
void AppendUtf8(Out& out, uint32_t cp) {
  using Byte = typename Out::value_type;
  if (cp < 0x80) {
    out.push_back(static_cast<Byte>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<Byte>(0xC0 | cp >> 6));
    out.push_back(static_cast<Byte>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<Byte>(0xE0 | cp >> 12));
    out.push_back(static_cast<Byte>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<Byte>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<Byte>(0xF0 | cp >> 18));
    out.push_back(static_cast<Byte>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<Byte>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<Byte>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace kivrano
