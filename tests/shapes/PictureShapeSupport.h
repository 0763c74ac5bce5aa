#pragma once

// Shared by the picture shape tests: a view on a small page, picture files in a fresh folder, and
// pictures whose halves differ so that painting shows where each part went.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "platform/HeadlessViewHost.h"
#include "raster/Bitmap32.h"
#include "storage/PngCodec.h"
#include "storage/StorageTestSupport.h"
#include "storage/dtpRasterSurface.h"

namespace kivrano::testing {

// A picture whose left half is opaque red and right half fully transparent; the transparent half
// holds a colour, which must not show.
inline std::unique_ptr<TBitmap32> HalfTransparent(int width, int height) {
  auto picture = std::make_unique<TBitmap32>();
  picture->SetSize(width, height);
  picture->Clear(0x0000FF00);
  picture->FillRect(0, 0, width / 2, height, 0xFFFF0000);
  return picture;
}

inline Bytes PngOf(const std::unique_ptr<TBitmap32>& picture) { return EncodePng(ViewOf(*picture)); }

inline Bytes StreamBytes(TStream& stream) {
  Bytes bytes(static_cast<size_t>(stream.Size()));
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

// A view of 200 x 160 pixels on a page of 80 x 60 mm at 2 pixels per mm: the page covers pixels
// (0, 0)-(160, 120). Picture files go into a fresh folder.
class PictureViewTest : public TempDirTest {
 protected:
  THeadlessViewHost host{200, 160};
  TdtpDocument doc;

  void SetUp() override {
    TempDirTest::SetUp();
    doc.SetHost(&host);
    doc.SetColor(0x505050);
    doc.SetShowMargins(false);
    doc.SetViewStyle(vsNormal);
    doc.SetRenderAtScreenRes(true);
    doc.SetPageWidth(80);
    doc.SetPageHeight(60);
    doc.SetScreenDpm(2);
    doc.UpdateExtent();
  }
  void TearDown() override {
    doc.SetHost(nullptr);
    TempDirTest::TearDown();
  }

  std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = Path(name);
    TFileStream file(path, fmCreate);
    if (!bytes.empty()) file.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return path;
  }

  template <typename Shape>
  Shape* Add(std::unique_ptr<Shape> shape) {
    Shape* raw = shape.get();
    doc.LockUndo();
    doc.AddShape(std::move(shape));
    doc.UnlockUndo();
    return raw;
  }

  void PaintAll() { doc.Paint(TRect{0, 0, 200, 160}); }
  TColor32 At(int x, int y) const { return doc.WindowSurface().GetPixel(x, y) & 0xFFFFFF; }
};

}  // namespace kivrano::testing
