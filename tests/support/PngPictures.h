#pragma once

// Test helper shared by the suites: writes surfaces as PNG files so that rendered results can be
// looked at.

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "raster/Bitmap32.h"

namespace kivrano::testing {

// Writes the surface as an 8-bit RGBA PNG file (colours not premultiplied, as stored), each
// pixel repeated scale times in both directions.
inline void WritePng(const TBitmap32& bitmap, const std::string& path, int scale = 1) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) throw std::runtime_error("cannot create " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row(static_cast<size_t>(bitmap.Width()) * 4 * static_cast<size_t>(scale));
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot write " + path);
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width() * scale),
               static_cast<png_uint_32>(bitmap.Height() * scale), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const TColor32* s = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width() * scale; ++x) {
      const TColor32 c = s[x / scale];
      row[static_cast<size_t>(x) * 4 + 0] = static_cast<png_byte>(RedOf(c));
      row[static_cast<size_t>(x) * 4 + 1] = static_cast<png_byte>(GreenOf(c));
      row[static_cast<size_t>(x) * 4 + 2] = static_cast<png_byte>(BlueOf(c));
      row[static_cast<size_t>(x) * 4 + 3] = static_cast<png_byte>(AlphaOf(c));
    }
    for (int i = 0; i < scale; ++i) png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

// Writes <name>.png, enlarged 4 times, into the folder named by KIVRANO_PICTURES when that is
// set.
inline void DumpPicture(const TBitmap32& bitmap, const std::string& name) {
  const char* folder = std::getenv("KIVRANO_PICTURES");
  if (folder == nullptr || *folder == 0) return;
  WritePng(bitmap, std::string(folder) + "/" + name + ".png", 4);
}

}  // namespace kivrano::testing
