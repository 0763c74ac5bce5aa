// The ".hck" form of decoded pictures: lossless round trips, reading through the registry by its
// extension, and refusal of damaged data before anything large is allocated.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "raster/Bitmap32.h"
#include "storage/dtpRasterFormatHck.h"
#include "storage/dtpRasterSurface.h"
#include "support/FuzzSeeds.h"

namespace kivrano {
namespace {

using Bytes = std::vector<uint8_t>;

// Every channel varies, alpha included, with fully transparent and half transparent pixels.
TPixelBuffer Picture(int width, int height) {
  TPixelBuffer picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t alpha = static_cast<uint32_t>((x * 37 + y * 11) % 256);
      picture.At(x, y) = alpha << 24 | static_cast<uint32_t>(x * 5 % 256) << 16 | static_cast<uint32_t>(y * 7 % 256) << 8 |
                         static_cast<uint32_t>((x ^ y) % 256);
    }
  }
  return picture;
}

void Patch(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(HckFormat, RoundTripKeepsEveryPixelAndReportsItsLength) {
  const TPixelBuffer picture = Picture(37, 23);
  Bytes encoded = EncodeHck(ViewOf(picture));
  ASSERT_EQ(std::memcmp(encoded.data(), "KHCK", 4), 0);
  const size_t length = encoded.size();
  encoded.push_back(0xAB);  // whatever follows is not read
  TPixelBuffer decoded;
  EXPECT_EQ(DecodeHck(encoded.data(), encoded.size(), decoded).BytesConsumed, length);
  ASSERT_EQ(decoded.Width(), 37);
  ASSERT_EQ(decoded.Height(), 23);
  EXPECT_EQ(std::memcmp(decoded.Data(), picture.Data(), 37 * 23 * 4), 0);
}

TEST(HckFormat, LoadsThroughTheRegistryByItsExtension) {
  RegisterHckFormat();
  RegisterHckFormat();
  const TPixelBuffer picture = Picture(5, 4);
  TMemoryStream stream(EncodeHck(ViewOf(picture)));
  TBitmap32 bitmap;
  LoadRasterImage(stream, ".hck", &bitmap, 0, TRequestedSize{0, 0});
  ASSERT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(std::memcmp(bitmap.Bits(), picture.Data(), 5 * 4 * 4), 0);
  EXPECT_EQ(RasterFormatForFile("Picture.HCK")->Name, std::string("TdtpHckFormat"));
  EXPECT_EQ(RasterFilter().find("hck"), std::string::npos) << "not offered in the open dialog";

  TMemoryStream saved;
  TdtpHckFormat().SaveToStream(saved, bitmap);
  EXPECT_EQ(saved.Size(), stream.Size());
  TBitmap32 other;
  stream.SetPosition(0);
  EXPECT_THROW(LoadRasterImage(stream, ".hck", &other, 1, TRequestedSize{0, 0}), ERasterError);
}

TEST(HckFormat, DamagedDataFails) {
  const Bytes good = EncodeHck(ViewOf(Picture(8, 8)));
  struct Case {
    const char* name;
    Bytes bytes;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"header cut short", Bytes(good.begin(), good.begin() + 19)},
      {"pixels cut short", Bytes(good.begin(), good.end() - 1)},
  };
  auto patched = [&](const char* name, size_t at, uint32_t value) {
    Bytes b = good;
    Patch(b, at, value);
    cases.push_back({name, b});
  };
  patched("signature", 0, 0x4B434858);
  patched("version", 4, 2);
  patched("zero width", 8, 0);
  patched("width beyond the pixel limit", 8, 0x7FFFFFFF);
  patched("more pixels than the data can hold", 8, 100000);  // 100000 x 8 from a few hundred bytes
  patched("fewer pixels than stored", 12, 4);
  patched("length beyond the data", 16, static_cast<uint32_t>(good.size()));
  Bytes scrambled = good;
  scrambled[24] ^= 0x5A;
  scrambled[30] ^= 0xA5;
  cases.push_back({"scrambled pixels", scrambled});
  for (const Case& c : cases) {
    TPixelBuffer decoded;
    EXPECT_THROW(DecodeHck(c.bytes.data(), c.bytes.size(), decoded), ERasterError) << c.name;
    EXPECT_LE(int64_t{decoded.Width()} * decoded.Height(), 100000) << c.name;
  }
}

// The seeds of fuzz_hck.
TEST(HckFormat, SeedsMatchTheEncoder) {
  testing::CheckFuzzSeed("fuzz_hck", "small.hck", EncodeHck(ViewOf(Picture(3, 2))));
  testing::CheckFuzzSeed("fuzz_hck", "gradient.hck", EncodeHck(ViewOf(Picture(16, 16))));
}

}  // namespace
}  // namespace kivrano
