#pragma once

// Test helper: writes a surface as an opaque RGB PNG so that rendered results can be looked at
// (canvas and text pixels carry alpha 0, which a viewer would show as transparent).

#include <png.h>

#include <string>
#include <vector>

#include "raster/Bitmap32.h"

namespace kivrano::testing {

inline bool WriteOpaquePng(const TBitmap32& bmp, const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bmp.Width());
  image.height = static_cast<png_uint_32>(bmp.Height());
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(static_cast<size_t>(bmp.Width()) * bmp.Height() * 3);
  size_t i = 0;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      const TColor32 c = bmp.GetPixel(x, y);
      rgb[i++] = static_cast<unsigned char>(RedOf(c));
      rgb[i++] = static_cast<unsigned char>(GreenOf(c));
      rgb[i++] = static_cast<unsigned char>(BlueOf(c));
    }
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

}  // namespace kivrano::testing
