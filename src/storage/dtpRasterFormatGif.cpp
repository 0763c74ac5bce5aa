#include "storage/GifCodec.h"
#include "storage/dtpRasterFormats.h"
#include "storage/dtpRasterSurface.h"

namespace kivrano {

bool TdtpGifFormat::CanLoad(TStream& stream) { return StreamStartsWith(stream, "GIF8", 4); }

void TdtpGifFormat::LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize) {
  CheckSinglePage(pageIndex);
  TBitmapSink sink(bitmap);
  DecodeFromStream(stream, [&](const uint8_t* data, size_t size) { return DecodeGif(data, size, sink); });
  SetSourceSize(bitmap.Width(), bitmap.Height());
  bitmap.Changed();
}

void TdtpGifFormat::SaveToStream(TStream& stream, TBitmap32& bitmap) {
  WriteBytes(stream, EncodeGif(PrepareGifPicture(ViewOf(bitmap), AlphaThreshold(), TransparentColor())));
}

}  // namespace kivrano
