#include <cstdio>
#include <string>
#include <vector>

#include "raster/Bitmap32.h"
#include "storage/Jpeg2000Bridge.h"
#include "storage/dtpRasterFormats.h"

namespace kivrano {

namespace {

const char kNotLoaded[] = "Library for image format not loaded";

std::string LoadResultText(int result) {
  switch (result) {
    case j2kCannotOpen: return "Unable to open file";
    case j2kBadData: return "Error in bitmap data";
    case j2kBadPixelFormat: return "Invalid pixel Format";
    default: return "Error in bitmap data: " + std::to_string(result);
  }
}

// The format argument of the bridge: the file's extension without its dot.
std::string BridgeFormat(const std::string& fileName) {
  std::string extension = LowerCaseExtension(fileName);
  return extension.empty() ? extension : extension.substr(1);
}

// Releases a filled container through the library, however the read ends.
struct TContainerRelease {
  const TJ2KLibrary& library;
  TImageContainer& container;
  ~TContainerRelease() { library.LibFreeImage(&container); }
};

uint32_t Opaque(uint8_t blue, uint8_t green, uint8_t red) {
  return 0xFF000000u | static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}

// The container's pixels as one byte row per picture row, planes interleaved.
std::vector<uint8_t> InterleavedPixels(const TImageContainer& container, int planes) {
  size_t pixels = static_cast<size_t>(container.Width) * static_cast<size_t>(container.Height);
  std::vector<uint8_t> out(pixels * static_cast<size_t>(planes));
  if (ContainerIsPlanar(container) && planes > 1) {
    for (int k = 0; k < planes; ++k) {
      const uint8_t* plane = container.Pixels + pixels * static_cast<size_t>(k);
      for (size_t i = 0; i < pixels; ++i) out[i * static_cast<size_t>(planes) + static_cast<size_t>(k)] = plane[i];
    }
  } else {
    std::copy(container.Pixels, container.Pixels + out.size(), out.begin());
  }
  return out;
}

}  // namespace

bool TJ2KImage::CanLoad(TStream& stream) {
  return StreamStartsWith(stream, "\0\0\0\x0CjP  \r\n\x87\n", 12) || StreamStartsWith(stream, "\xFF\x4F\xFF\x51", 4);
}

void TJ2KImage::LoadFromFile(const std::string& fileName, TBitmap32& bitmap, int, TRequestedSize) {
  const TJ2KLibrary& library = J2KLibrary();
  if (!library.LibLoadImage) throw ERasterError(kNotLoaded);
  TImageContainer container{};
  int result = library.LibLoadImage(fileName.c_str(), BridgeFormat(fileName).c_str(), &container);
  if (result != j2kOk) throw ERasterError(LoadResultText(result));
  TContainerRelease release{library, container};

  int planes = std::min(ContainerPlanes(container), 3);
  if (planes == 0 || !container.Pixels) throw ERasterError("Unsupported pixel Format");
  CheckRasterSize(container.Width, container.Height, "JPEG 2000");
  if (planes == 2) {
    bitmap.SetSize(0, 0);
    return;
  }
  std::vector<uint8_t> bytes = InterleavedPixels(container, planes);
  uint32_t palette[256];
  for (int i = 0; i < 256; ++i) {
    const uint8_t* entry = container.Palette ? container.Palette + i * 3 : nullptr;
    palette[i] = entry ? Opaque(entry[0], entry[1], entry[2])
                       : Opaque(static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));
  }
  bitmap.SetSize(container.Width, container.Height);
  uint32_t* out = bitmap.Bits();
  size_t count = static_cast<size_t>(container.Width) * static_cast<size_t>(container.Height);
  for (size_t i = 0; i < count; ++i) {
    out[i] = planes == 1 ? palette[bytes[i]] : Opaque(bytes[i * 3], bytes[i * 3 + 1], bytes[i * 3 + 2]);
  }
  SetSourceSize(container.Width, container.Height);
  bitmap.Changed();
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  if (file) {
    std::fseek(file, 0, SEEK_END);
    SetBytesProcessed(std::ftell(file));
    std::fclose(file);
  }
}

void TJ2KImage::SaveToFile(const std::string& fileName, TBitmap32& bitmap) {
  const TJ2KLibrary& library = J2KLibrary();
  if (!library.LibSaveImage) throw ERasterError(kNotLoaded);
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) throw ERasterError("Unsupported bitmap format");
  // The surface as a 24-bit picture: blue, green, red per pixel.
  size_t count = static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.Height());
  std::vector<uint8_t> bgr(count * 3);
  const uint32_t* in = bitmap.Bits();
  for (size_t i = 0; i < count; ++i) {
    bgr[i * 3] = static_cast<uint8_t>(in[i]);
    bgr[i * 3 + 1] = static_cast<uint8_t>(in[i] >> 8);
    bgr[i * 3 + 2] = static_cast<uint8_t>(in[i] >> 16);
  }
  TImageContainer container{};
  container.Width = bitmap.Width();
  container.Height = bitmap.Height();
  container.Layout = 3;
  container.Pixels = bgr.data();
  int result = library.LibSaveImage(fileName.c_str(), BridgeFormat(fileName).c_str(), &container);
  if (result != j2kOk) throw ERasterError("Error in bitmap data: " + std::to_string(result));
}

}  // namespace kivrano
