#include "storage/dtpRasterFormatHck.h"

#include <zlib.h>

#include <bit>
#include <cstring>
#include <limits>

#include "base/ByteOrder.h"
#include "storage/dtpRasterSurface.h"

namespace kivrano {

static_assert(std::endian::native == std::endian::little, "pixels are stored as little-endian words");

namespace {

constexpr size_t kHeaderSize = 20;
constexpr uint32_t kVersion = 1;
// No zlib stream expands by more than this factor (plus a small constant); a size beyond it cannot
// be what N bytes describe.
constexpr uint64_t kMaxInflateRatio = 1032;

[[noreturn]] void Damaged() { throw ERasterError("HCK image data is damaged"); }

}  // namespace

std::vector<uint8_t> EncodeHck(const TPixelView& picture) {
  CheckRasterSize(picture.Width, picture.Height, "HCK");
  const uLong raw = static_cast<uLong>(picture.Width) * static_cast<uLong>(picture.Height) * 4;
  uLongf packed = compressBound(raw);
  std::vector<uint8_t> out(kHeaderSize + packed);
  if (compress2(out.data() + kHeaderSize, &packed, reinterpret_cast<const Bytef*>(picture.Pixels), raw,
                Z_BEST_SPEED) != Z_OK || packed > std::numeric_limits<uint32_t>::max()) {
    throw ERasterError("HCK image cannot be compressed");
  }
  out.resize(kHeaderSize + packed);
  std::memcpy(out.data(), "KHCK", 4);
  WriteLE32(&out[4], kVersion);
  WriteLE32(&out[8], static_cast<uint32_t>(picture.Width));
  WriteLE32(&out[12], static_cast<uint32_t>(picture.Height));
  WriteLE32(&out[16], static_cast<uint32_t>(packed));
  return out;
}

THckDecodeResult DecodeHck(const uint8_t* data, size_t size, TPixelSink& sink) {
  if (size < kHeaderSize || std::memcmp(data, "KHCK", 4) != 0) throw ERasterError("Not an HCK image");
  if (ReadLE32(data + 4) != kVersion) throw ERasterError("Unsupported HCK image version");
  const uint32_t width = ReadLE32(data + 8);
  const uint32_t height = ReadLE32(data + 12);
  const uint32_t packed = ReadLE32(data + 16);
  CheckRasterSize(width, height, "HCK");
  if (packed > size - kHeaderSize) Damaged();
  const uint64_t raw = static_cast<uint64_t>(width) * height * 4;
  if (raw > static_cast<uint64_t>(packed) * kMaxInflateRatio + 64) Damaged();
  uint32_t* pixels = sink.Allocate(static_cast<int>(width), static_cast<int>(height));
  uLongf produced = static_cast<uLongf>(raw);
  if (uncompress(reinterpret_cast<Bytef*>(pixels), &produced, data + kHeaderSize, packed) != Z_OK || produced != raw)
    Damaged();
  return {kHeaderSize + packed};
}

bool TdtpHckFormat::CanLoad(TStream& stream) { return StreamStartsWith(stream, "KHCK", 4); }

void TdtpHckFormat::LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize) {
  CheckSinglePage(pageIndex);
  TBitmapSink sink(bitmap);
  DecodeFromStream(stream, [&](const uint8_t* data, size_t size) { return DecodeHck(data, size, sink); });
  SetSourceSize(bitmap.Width(), bitmap.Height());
  bitmap.Changed();
}

void TdtpHckFormat::SaveToStream(TStream& stream, TBitmap32& bitmap) { WriteBytes(stream, EncodeHck(ViewOf(bitmap))); }

void RegisterHckFormat() { RegisterRasterFormat(RasterClass<TdtpHckFormat>(), "Decoded picture", ".hck;", rcStreamLoad | rcSave); }

}  // namespace kivrano
