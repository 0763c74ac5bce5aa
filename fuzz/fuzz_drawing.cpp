// Arbitrary bytes opened as a drawing file: every page is shown, its thumbnail rendered, the page
// painted small, and the drawing saved and opened again. Damaged files must end in a
// kivrano::Exception at worst.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/Exception.h"
#include "base/Stream.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "raster/Bitmap32.h"
#include "shapes/dtpShapeClasses.h"

using namespace kivrano;

namespace {

std::string TempPath(const char* suffix) {
  return (std::filesystem::temp_directory_path() / ("kivrano_fuzz_drawing_" + std::to_string(getpid()) + suffix))
      .string();
}

void ShowEveryPage(TdtpDocument& doc) {
  for (int i = 0; i < doc.PageCount() && i < 64; ++i) {
    try {
      doc.SetCurrentPageIndex(i);
    } catch (const Exception&) {
      continue;  // a damaged page stream: the page stays empty
    }
    TdtpPage* page = doc.Pages(i);
    page->GetThumbnail();
    TBitmap32 bitmap;
    bitmap.SetSize(48, 48);
    page->PaintBitmap(bitmap);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterStandardShapeClasses();
  const std::string input = TempPath(".hsf");
  const std::string copy = TempPath("-saved.hsf");
  {
    TFileStream file(input, fmCreate);
    if (size > 0) file.WriteBuffer(data, static_cast<int32_t>(size));
  }
  try {
    TdtpDocument doc;
    doc.LoadFromFile(input);
    ShowEveryPage(doc);
    doc.SaveToFile(copy);
    TdtpDocument reopened;
    reopened.LoadFromFile(copy);
    ShowEveryPage(reopened);
  } catch (const Exception&) {
  }
  std::remove(input.c_str());
  std::remove(copy.c_str());
  return 0;
}
