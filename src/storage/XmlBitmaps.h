#pragma once

// Picture payload elements: a picture stored as a BMP file, split into colour planes and written
// through the byte compressor (WriteCompressedStream) as a child element of an owner's node.

#include <memory>
#include <string>

namespace kivrano {

class TBitmap32;
class TXmlNode;
struct TBmpImage;

// Toolkit bitmaps (TBmpImage, the platform's device-dependent bitmap), three planes. The file is
// written with 32 bits per pixel when the bitmap came from such a file, else with 24. Nothing is
// written for a null node or bitmap, an empty name or a bitmap without pixels.
void WriteBitmapNode(TXmlNode* node, const std::string& name, const TBmpImage* bitmap);
// Reads the element back; creates the bitmap when there is none. An absent or empty element leaves
// the bitmap as it is; a damaged one fails (compressor or BMP reader message) and leaves it as well.
void ReadBitmapNode(TXmlNode* node, const std::string& name, std::unique_ptr<TBmpImage>& bitmap);

// Raster surfaces, four planes of a 32 bits-per-pixel BMP file; otherwise as above.
void WriteBitmap32Node(TXmlNode* node, const std::string& name, const TBitmap32* surface);
void ReadBitmap32Node(TXmlNode* node, const std::string& name, std::unique_ptr<TBitmap32>& surface);

}  // namespace kivrano
