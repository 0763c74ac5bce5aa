// Fuzzes the picture payload elements. Byte 0 chooses:
//   bit 0   read a TBitmap32 (four planes), else a toolkit bitmap (three planes)
//   bit 1   the rest is XML text whose root holds the element "Image" (the path a drawing takes);
//           else the rest is a BMP file, stored as a sound element and read back
// A picture that reads must write and read again to the same pixels.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "base/Stream.h"
#include "platform/BmpCodec.h"
#include "raster/Bitmap32.h"
#include "storage/Compressors.h"
#include "storage/XmlBitmaps.h"
#include "storage/XmlDocuments.h"

using namespace kivrano;

namespace {

void StoreBmpFile(TXmlNode* node, const uint8_t* data, size_t size, int planes) {
  std::vector<uint8_t> file(data, data + size);
  SplitPlanes(file.data(), file.size(), planes);
  TMemoryStream stream(std::move(file));
  WriteCompressedStream(node, "Image", &stream);
}

void CheckSurface(const TBitmap32& surface) {
  TXmlDocument document("Page");
  WriteBitmap32Node(document.Root(), "Image", &surface);
  std::unique_ptr<TBitmap32> again;
  ReadBitmap32Node(document.Root(), "Image", again);
  const size_t pixels = static_cast<size_t>(surface.Width()) * static_cast<size_t>(surface.Height());
  if (!again || again->Width() != surface.Width() || again->Height() != surface.Height() ||
      !std::equal(surface.Bits(), surface.Bits() + pixels, again->Bits()))
    std::abort();
}

void CheckImage(const TBmpImage& image) {
  TXmlDocument document("Page");
  WriteBitmapNode(document.Root(), "Image", &image);
  std::unique_ptr<TBmpImage> again;
  ReadBitmapNode(document.Root(), "Image", again);
  if (!again || again->Width != image.Width || again->Height != image.Height || again->Pixels != image.Pixels)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool surface = data[0] & 1;
  const bool xmlText = data[0] & 2;
  try {
    TXmlDocument document("Page");
    if (xmlText)
      document.ParseText(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    else
      StoreBmpFile(document.Root(), data + 1, size - 1, surface ? 4 : 3);
    if (surface) {
      std::unique_ptr<TBitmap32> read;
      ReadBitmap32Node(document.Root(), "Image", read);
      if (read && !read->Empty()) CheckSurface(*read);
    } else {
      std::unique_ptr<TBmpImage> read;
      ReadBitmapNode(document.Root(), "Image", read);
      if (read && read->Width > 0 && read->Height > 0) CheckImage(*read);
    }
  } catch (const Exception&) {
  }
  return 0;
}
