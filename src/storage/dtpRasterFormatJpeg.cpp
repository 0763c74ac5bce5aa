#include "storage/JpegCodec.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpRasterSurface.h"

namespace kivrano {

bool TdtpJpgFormat::CanLoad(TStream& stream) { return StreamStartsWith(stream, "\xFF\xD8\xFF", 3); }

void TdtpJpgFormat::LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize) {
  CheckSinglePage(pageIndex);
  TBitmapSink sink(bitmap);
  TJpegDecodeInfo info = DecodeFromStream(stream, [&](const uint8_t* data, size_t size) {
    return DecodeJpeg(data, size, requestedSize.X, requestedSize.Y, sink);
  });
  SetSourceSize(info.SourceWidth, info.SourceHeight);
  bitmap.Changed();
}

void SaveJpegToStream(const TBitmap32& bitmap, TStream& stream, int quality) {
  WriteBytes(stream, EncodeJpeg(ViewOf(bitmap), quality));
}

}  // namespace kivrano
