// Fuzzes ReadCompressedStream on a payload element built from the input:
//   byte 0      flags: bit 0 "SourceSize" present, bit 1 "CompressedSize" present, bit 2 "Buffer"
//               present, bit 3 CompressedSize is the length of the payload bytes instead of bytes
//               5 ... 8, bit 4 Base64 (else hex) coding
//   bytes 1-4   SourceSize, little-endian
//   bytes 5-8   CompressedSize, little-endian
//   the rest    the payload bytes, written into "Buffer"
// A payload that decodes must survive compressing and decoding again unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "base/Stream.h"
#include "storage/Compressors.h"
#include "storage/XmlDocuments.h"

using namespace kivrano;

namespace {

int32_t Int32At(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return static_cast<int32_t>(v);
}

void CheckRoundTrip(const std::vector<uint8_t>& decoded) {
  TXmlDocument document("Page");
  TMemoryStream source{std::vector<uint8_t>(decoded)};
  WriteCompressedStream(document.Root(), "Image", &source);
  TMemoryStream again;
  ReadCompressedStream(document.Root(), "Image", &again);
  if (again.Bytes() != decoded) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const uint8_t flags = data[0];
  const uint8_t* payload = data + 9;
  const size_t payloadSize = size - 9;

  TXmlDocument document("Page");
  document.SetBinaryCoding(flags & 16 ? bcBase64 : bcHex);
  TXmlNode* element = document.Root()->NewChild("Image");
  if (flags & 1) element->PutInteger("SourceSize", Int32At(data + 1), 0);
  if (flags & 2)
    element->PutInteger("CompressedSize", flags & 8 ? static_cast<int>(payloadSize) : Int32At(data + 5), 0);
  if (flags & 4) element->NewChild("Buffer")->WriteBinary(payload, payloadSize);

  TMemoryStream stream;
  try {
    ReadCompressedStream(document.Root(), "Image", &stream);
  } catch (const Exception&) {
    if (stream.Size() != 0) std::abort();  // a failed read leaves the stream alone
    return 0;
  }
  if (stream.Size() > 0) CheckRoundTrip(stream.Bytes());
  return 0;
}
