// Loads arbitrary bytes as an enhanced metafile and plays it onto a small canvas twice: in its own
// pens and brushes and with overriding ones. Loading may fail with a kivrano::Exception; playing
// must never fail.
#include <cstddef>
#include <cstdint>

#include "base/Exception.h"
#include "platform/Canvas.h"
#include "platform/EnhancedMetafile.h"
#include "raster/Bitmap32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kivrano;
  try {
    TEnhancedMetafile metafile(data, size);
    TBitmap32 surface;
    surface.SetSize(64, 48);
    surface.Clear(0xFFFFFFFF);
    TCanvas canvas(surface);
    metafile.Play(canvas, TRect{2, 2, 62, 46});
    TPen pen;
    pen.SetWidth(3);
    TBrush brush;
    brush.SetStyle(bsDiagCross);
    metafile.Play(canvas, TRect{60, 40, 4, 4}, &pen, &brush);
  } catch (const kivrano::Exception&) {
  }
  return 0;
}
