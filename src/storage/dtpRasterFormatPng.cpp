#include "storage/PngCodec.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpRasterSurface.h"

namespace kivrano {

bool TdtpPngFormat::CanLoad(TStream& stream) { return StreamStartsWith(stream, "\x89PNG\r\n\x1A\n", 8); }

void TdtpPngFormat::LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize) {
  CheckSinglePage(pageIndex);
  TBitmapSink sink(bitmap);
  DecodeFromStream(stream, [&](const uint8_t* data, size_t size) { return DecodePng(data, size, sink); });
  SetSourceSize(bitmap.Width(), bitmap.Height());
  bitmap.Changed();
}

void TdtpPngFormat::SaveToStream(TStream& stream, TBitmap32& bitmap) { WriteBytes(stream, EncodePng(ViewOf(bitmap))); }

}  // namespace kivrano
