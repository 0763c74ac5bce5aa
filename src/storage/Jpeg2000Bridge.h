#pragma once

#include <cstdint>
#include <string>

namespace kivrano {

// The record exchanged with the JPEG 2000 library, zero-filled before use. The integers are 32-bit;
// the two pointers have the platform's width.
struct TImageContainer {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Reserved1 = 0;
  // Bits 0-3: number of colour planes; bits 4-7 equal to 1: planes stored one after the other
  // (planar), otherwise interleaved.
  int32_t Layout = 0;
  // Rows top to bottom without padding; interleaved pixels hold their planes as blue, green, red.
  uint8_t* Pixels = nullptr;
  // 256 entries of blue, green, red, or null.
  uint8_t* Palette = nullptr;
  int32_t Reserved2 = 0;
};

constexpr int32_t kContainerPlanar = 0x10;

inline int ContainerPlanes(const TImageContainer& c) { return c.Layout & 0x0F; }
inline bool ContainerIsPlanar(const TImageContainer& c) { return ((c.Layout >> 4) & 0x0F) == 1; }

// Result codes of the entries: 0 success, 2 the file cannot be opened, 3 bad picture data,
// 4 unsupported pixel format; others are errors of their own.
enum TJ2KResult { j2kOk = 0, j2kCannotOpen = 2, j2kBadData = 3, j2kBadPixelFormat = 4, j2kTooLarge = 5, j2kWriteFailed = 6 };

using TLibLoadImage = int (*)(const char* fileName, const char* format, TImageContainer* container);
using TLibSaveImage = int (*)(const char* fileName, const char* format, TImageContainer* container);
using TLibFreeImage = void (*)(TImageContainer* container);

// The entries of the JPEG 2000 library; each is null when the library could not be loaded.
struct TJ2KLibrary {
  TLibLoadImage LibLoadImage = nullptr;
  TLibSaveImage LibSaveImage = nullptr;
  TLibFreeImage LibFreeImage = nullptr;
};

// The library is loaded on first use from J2KLibraryPath() and released at exit. The entries are
// our own, built on the shared JPEG 2000 codec found at that path.
const TJ2KLibrary& J2KLibrary();

// The shared library behind the bridge ("libopenjp2.so.7" by default, found the usual way).
// Changing it releases a loaded library; the next use loads from the new path.
std::string J2KLibraryPath();
void SetJ2KLibraryPath(const std::string& path);

}  // namespace kivrano
