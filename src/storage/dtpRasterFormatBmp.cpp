#include "raster/Bitmap32.h"
#include "storage/dtpRasterFormats.h"

namespace kivrano {

bool TdtpBmpFormat::CanLoad(TStream& stream) { return StreamStartsWith(stream, "BM", 2); }

void TdtpBmpFormat::LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize) {
  CheckSinglePage(pageIndex);
  bitmap.LoadFromBmpStream(stream);
}

void TdtpBmpFormat::SaveToStream(TStream& stream, TBitmap32& bitmap) { bitmap.SaveToBmpStream(stream); }

}  // namespace kivrano
