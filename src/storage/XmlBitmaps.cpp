#include "storage/XmlBitmaps.h"

#include <optional>

#include "base/Stream.h"
#include "platform/BmpCodec.h"
#include "raster/Bitmap32.h"
#include "storage/Compressors.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

constexpr int kToolkitPlanes = 3;
constexpr int kSurfacePlanes = 4;

void WriteBmpNode(TXmlNode* node, const std::string& name, std::vector<uint8_t> bmpFile, int planes) {
  SplitPlanes(bmpFile.data(), bmpFile.size(), planes);
  TMemoryStream stream(std::move(bmpFile));
  WriteCompressedStream(node, name, &stream);
}

// The decoded picture of the element, or nothing when the element holds no picture.
std::optional<TBmpImage> ReadBmpNode(TXmlNode* node, const std::string& name, int planes) {
  TMemoryStream stream;
  ReadCompressedStream(node, name, &stream);
  if (stream.Size() == 0) return std::nullopt;
  JoinPlanes(stream.Memory(), static_cast<size_t>(stream.Size()), planes);
  return ReadBmp(stream.Memory(), static_cast<size_t>(stream.Size()));
}

}  // namespace

void WriteBitmapNode(TXmlNode* node, const std::string& name, const TBmpImage* bitmap) {
  if (!node || name.empty() || !bitmap || bitmap->Width <= 0 || bitmap->Height <= 0) return;
  WriteBmpNode(node, name, EncodeBmp(*bitmap, bitmap->BitsPerPixel == 32 ? 32 : 24), kToolkitPlanes);
}

void ReadBitmapNode(TXmlNode* node, const std::string& name, std::unique_ptr<TBmpImage>& bitmap) {
  std::optional<TBmpImage> image = ReadBmpNode(node, name, kToolkitPlanes);
  if (!image) return;
  if (!bitmap) bitmap = std::make_unique<TBmpImage>();
  *bitmap = std::move(*image);
}

void WriteBitmap32Node(TXmlNode* node, const std::string& name, const TBitmap32* surface) {
  if (!node || name.empty() || !surface || surface->Empty()) return;
  TMemoryStream bmp;
  surface->SaveToBmpStream(bmp);
  WriteBmpNode(node, name, bmp.TakeBytes(), kSurfacePlanes);
}

void ReadBitmap32Node(TXmlNode* node, const std::string& name, std::unique_ptr<TBitmap32>& surface) {
  const std::optional<TBmpImage> image = ReadBmpNode(node, name, kSurfacePlanes);
  if (!image) return;
  if (!surface) surface = std::make_unique<TBitmap32>();
  surface->Assign(*image);
}

}  // namespace kivrano
