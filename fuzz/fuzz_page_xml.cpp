// Arbitrary text loaded as a page of a document, then used: saved again, hit tested, repainted and
// undone. Damaged values must end in a kivrano::Exception at worst.

#include <cstddef>
#include <cstdint>

#include "base/Exception.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/Canvas.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpShapeClasses.h"
#include "storage/XmlDocuments.h"

using namespace kivrano;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterStandardShapeClasses();
  try {
    TdtpDocument doc;
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int32_t>(size));
    stream.SetPosition(0);
    TXmlDocument xml;
    xml.LoadFromStream(stream);
    TdtpPage* page = doc.CurrentPage();
    page->LoadFromXml(xml.Root());

    TXmlDocument out("Page");
    out.SetStoreDefaults(false);
    page->SaveToXml(out.Root());
    out.AsText();

    TBitmap32 bitmap;
    bitmap.SetSize(64, 64);
    doc.SetHelperMethod(hmGrid);
    page->PaintBitmap(bitmap);
    for (int i = 0; i < page->GetShapeCount() && i < 64; ++i) {
      TdtpShape* shape = page->GetShape(i);
      shape->HitTest(TPoint{i, i});
      TdtpShape* deepest = nullptr;
      shape->HitTestChild(TPoint{i, 2 * i}, deepest);
      shape->SetSelected(true);
      shape->HitTestHandle(TPoint{i, i});
      shape->SetPaintMatrix(shape->PrepareCache());
      // The shape's own image and effects, in caches of a sane size.
      TBitmap32* cache = shape->Cache();
      if (cache && !cache->Empty() && static_cast<int64_t>(cache->Width()) * cache->Height() <= (1 << 20)) {
        {
          TCanvas canvas(*cache);
          shape->PaintCanvas(canvas);
        }
        shape->PaintBitmap(*cache);
        shape->ApplyFlip(*cache);
      }
    }
    if (page->GetShapeCount() > 0) {
      doc.DeleteShape(0);
      doc.Undo();
      doc.Redo();
    }
  } catch (const Exception&) {
  }
  return 0;
}
