#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/BmpCodec.h"

namespace kivrano {
namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& out, uint32_t v, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Builds a BMP file: file header, info header of the given size, extra masks after a 40-byte header,
// palette entries (0x00RRGGBB; three bytes each under the core header), pixel bytes as given.
struct BmpFile {
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bpp = 24;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> headerMasks;  // stored inside a header of 52 bytes or more
  std::vector<uint32_t> extraMasks;   // stored after a 40-byte header
  std::vector<uint32_t> palette;
  Bytes pixels;

  Bytes Build() const {
    Bytes header;
    if (headerSize == 12) {
      Put(header, 12, 4);
      Put(header, static_cast<uint32_t>(width), 2);
      Put(header, static_cast<uint32_t>(height), 2);
      Put(header, 1, 2);
      Put(header, bpp, 2);
    } else {
      Put(header, headerSize, 4);
      Put(header, static_cast<uint32_t>(width), 4);
      Put(header, static_cast<uint32_t>(height), 4);
      Put(header, 1, 2);
      Put(header, bpp, 2);
      Put(header, compression, 4);
      Put(header, static_cast<uint32_t>(pixels.size()), 4);
      Put(header, 2835, 4);
      Put(header, 2835, 4);
      Put(header, colorsUsed, 4);
      Put(header, 0, 4);
      for (uint32_t m : headerMasks) Put(header, m, 4);
      header.resize(headerSize, 0);
      for (uint32_t m : extraMasks) Put(header, m, 4);
    }
    for (uint32_t c : palette) Put(header, c, headerSize == 12 ? 3 : 4);
    Bytes file{'B', 'M'};
    Put(file, static_cast<uint32_t>(14 + header.size() + pixels.size()), 4);
    Put(file, 0, 4);
    Put(file, static_cast<uint32_t>(14 + header.size()), 4);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
  }
};

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

struct ReadCase {
  const char* name;
  BmpFile file;
  int width;
  int height;
  std::vector<uint32_t> pixels;  // top-down
};

std::vector<ReadCase> ReadCases() {
  std::vector<ReadCase> cases;
  {
    BmpFile f;  // 1 bpp, bottom-up, rows padded to four bytes
    f.width = 3;
    f.height = 2;
    f.bpp = 1;
    f.palette = {0x000000, 0xFFFFFF};
    f.pixels = {0xA0, 0, 0, 0, 0x40, 0, 0, 0};  // bottom row 101, top row 010
    cases.push_back({"1bpp", f, 3, 2, {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite}});
  }
  {
    BmpFile f;  // 4 bpp with a short palette (colours used 3)
    f.width = 3;
    f.bpp = 4;
    f.colorsUsed = 3;
    f.palette = {0x000000, 0xFF0000, 0x00FF00};
    f.pixels = {0x12, 0x00, 0, 0};
    cases.push_back({"4bpp", f, 3, 1, {kRed, kGreen, kBlack}});
  }
  {
    BmpFile f;  // 8 bpp, top-down
    f.width = 2;
    f.height = -2;
    f.bpp = 8;
    f.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    f.pixels = {1, 2, 0, 0, 3, 0, 0, 0};
    cases.push_back({"8bpp top-down", f, 2, 2, {kRed, kGreen, kBlue, kBlack}});
  }
  {
    BmpFile f;  // 16 bpp plain: 5-5-5
    f.width = 3;
    f.bpp = 16;
    f.pixels = {0xFF, 0x7F, 0x00, 0x7C, 0x01, 0x00, 0, 0};
    cases.push_back({"16bpp 555", f, 3, 1, {kWhite, kRed, 0xFF000008}});  // 1 of 31 -> 8
  }
  {
    BmpFile f;  // 16 bpp with 5-6-5 masks after the header
    f.width = 3;
    f.bpp = 16;
    f.compression = 3;
    f.extraMasks = {0xF800, 0x07E0, 0x001F};
    f.pixels = {0x00, 0xF8, 0xE0, 0x07, 0x20, 0x00, 0, 0};
    cases.push_back({"16bpp 565", f, 3, 1, {kRed, kGreen, 0xFF000400}});  // 1 of 63 -> 4
  }
  {
    BmpFile f;  // 24 bpp, padded rows, bottom-up
    f.width = 1;
    f.height = 2;
    f.pixels = {0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0};
    cases.push_back({"24bpp", f, 1, 2, {0xFF445566, 0xFF112233}});
  }
  {
    BmpFile f;  // 32 bpp plain keeps the fourth byte as alpha
    f.width = 2;
    f.bpp = 32;
    f.pixels = {0x33, 0x22, 0x11, 0x44, 0x66, 0x55, 0x44, 0x00};
    cases.push_back({"32bpp", f, 2, 1, {0x44112233, 0x00445566}});
  }
  {
    BmpFile f;  // 32 bpp with masks but no alpha mask: opaque
    f.width = 1;
    f.bpp = 32;
    f.compression = 3;
    f.extraMasks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    f.pixels = {0x33, 0x22, 0x11, 0x44};
    cases.push_back({"32bpp bit fields", f, 1, 1, {0xFF112233}});
  }
  {
    BmpFile f;  // 32 bpp, 124-byte header, alpha mask, unusual channel placement
    f.headerSize = 124;
    f.width = 1;
    f.bpp = 32;
    f.compression = 3;
    f.headerMasks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
    f.pixels = {0x80, 0x11, 0x22, 0x33};
    cases.push_back({"32bpp v5 alpha mask", f, 1, 1, {0x80112233}});
  }
  {
    BmpFile f;  // 108-byte header, plain 24 bpp
    f.headerSize = 108;
    f.width = 1;
    f.pixels = {0x03, 0x02, 0x01, 0};
    cases.push_back({"v4 header", f, 1, 1, {0xFF010203}});
  }
  {
    BmpFile f;  // 52-byte header with masks inside it
    f.headerSize = 52;
    f.width = 1;
    f.bpp = 16;
    f.compression = 3;
    f.headerMasks = {0x7C00, 0x03E0, 0x001F};
    f.pixels = {0x1F, 0x00, 0, 0};
    cases.push_back({"52-byte header", f, 1, 1, {kBlue}});
  }
  {
    BmpFile f;  // core header: 16-bit sizes, three-byte palette entries
    f.headerSize = 12;
    f.width = 2;
    f.bpp = 8;
    f.palette.assign(256, 0);
    f.palette[1] = 0x102030;
    f.palette[255] = 0xFFFFFF;
    f.pixels = {1, 255, 0, 0};
    cases.push_back({"core header", f, 2, 1, {0xFF102030, kWhite}});
  }
  {
    BmpFile f;  // RLE8: runs, end of line, absolute run with padding, delta, end of bitmap
    f.width = 4;
    f.height = 3;
    f.bpp = 8;
    f.compression = 1;
    f.palette = {0x000000, 0xFF0000, 0x00FF00};
    f.pixels = {3, 1, 0, 0,            // bottom row: 1 1 1, end of line
                0, 3, 2, 1, 2, 0, 0, 0,  // middle row: absolute 2 1 2 (padded), end of line
                0, 2, 1, 0,            // top row: move right by one
                1, 2, 0, 1};           // one pixel of 2, end of bitmap
    cases.push_back({"RLE8", f, 4, 3, {kBlack, kGreen, kBlack, kBlack, kGreen, kRed, kGreen, kBlack, kRed, kRed, kRed, kBlack}});
  }
  {
    BmpFile f;  // RLE4: an encoded run alternates nibbles; an absolute run of three
    f.width = 7;
    f.bpp = 4;
    f.compression = 2;
    f.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    f.pixels = {4, 0x12, 0, 3, 0x32, 0x10, 0, 1};
    cases.push_back({"RLE4", f, 7, 1, {kRed, kGreen, kRed, kGreen, kBlue, kGreen, kRed}});
  }
  return cases;
}

TEST(BmpCodec, ReadsTheCommonVariants) {
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(c.name);
    const Bytes bytes = c.file.Build();
    size_t consumed = 0;
    const TBmpImage image = ReadBmp(bytes.data(), bytes.size(), &consumed);
    EXPECT_EQ(image.Width, c.width);
    EXPECT_EQ(image.Height, c.height);
    EXPECT_EQ(image.BitsPerPixel, c.file.bpp);
    ASSERT_EQ(image.Pixels.size(), c.pixels.size());
    for (size_t i = 0; i < c.pixels.size(); ++i) EXPECT_EQ(image.Pixels[i], c.pixels[i]) << "pixel " << i;
    EXPECT_EQ(consumed, bytes.size());
  }
}

TEST(BmpCodec, StreamReadingStopsAfterTheFile) {
  BmpFile a;
  a.pixels = {1, 2, 3, 0};
  BmpFile b;
  b.pixels = {4, 5, 6, 0};
  Bytes both = a.Build();
  const Bytes second = b.Build();
  both.insert(both.end(), second.begin(), second.end());
  TMemoryStream stream(both);
  EXPECT_EQ(ReadBmp(stream).Pixels, std::vector<uint32_t>{0xFF030201});
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(both.size() - second.size()));
  EXPECT_EQ(ReadBmp(stream).Pixels, std::vector<uint32_t>{0xFF060504});
}

TEST(BmpCodec, DamagedFilesFailWithAClearMessage) {
  struct Case {
    std::string name;
    Bytes bytes;
    std::string reason;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}, "file too short"});
  cases.push_back({"signature only", {'B', 'M'}, "file too short"});
  Bytes wrongSignature = BmpFile{}.Build();
  wrongSignature[0] = 'X';
  cases.push_back({"wrong signature", wrongSignature, "no BM signature"});
  auto with = [&](const char* name, const char* reason, auto edit) {
    BmpFile f;
    f.pixels = {0, 0, 0, 0};
    edit(f);
    cases.push_back({name, f.Build(), reason});
  };
  with("header size 20", "unsupported header size 20", [](BmpFile& f) { f.headerSize = 20; });
  with("7 bits per pixel", "unsupported bit count 7", [](BmpFile& f) { f.bpp = 7; });
  with("embedded JPEG", "unsupported compression 4", [](BmpFile& f) { f.compression = 4; });
  with("RLE8 at 24 bits", "RLE8 needs 8 bits", [](BmpFile& f) { f.compression = 1; });
  with("bit fields at 24 bits", "bit fields need 16 or 32", [](BmpFile& f) { f.compression = 3; });
  with("negative width", "negative width", [](BmpFile& f) { f.width = -1; });
  with("more than 100 million pixels", "image too large", [](BmpFile& f) {
    f.width = 20000;
    f.height = 20000;
  });
  with("pixels missing", "pixel data truncated", [](BmpFile& f) {
    f.width = 1000;
    f.height = 1000;
  });
  with("run-length data far too short", "compressed data too short", [](BmpFile& f) {
    f.bpp = 8;
    f.compression = 1;
    f.width = 9000;
    f.height = 9000;
    f.palette = {0};
  });
  auto withOffset = [&](const char* name, const char* reason, uint16_t offset) {
    BmpFile f;
    f.pixels = {1, 2, 3, 0};
    Bytes bytes = f.Build();
    bytes[10] = static_cast<uint8_t>(offset);
    bytes[11] = static_cast<uint8_t>(offset >> 8);
    cases.push_back({name, bytes, reason});
  };
  withOffset("pixel offset beyond the file", "pixel data truncated", 0xFFFF);
  withOffset("pixel offset inside the headers", "pixel data overlaps the headers", 20);

  for (const Case& c : cases) {
    try {
      ReadBmp(c.bytes.data(), c.bytes.size());
      ADD_FAILURE() << c.name << ": no failure";
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Invalid BMP file: " + c.reason, 0), 0u) << c.name << ": " << e.what();
    }
  }
}

TEST(BmpCodec, WritesBottomUpFilesWithPaddedRows) {
  TBmpImage image;
  image.Width = 3;
  image.Height = 2;
  image.Pixels = {0x80010203, 0xFF040506, 0xFF070809, 0x000A0B0C, 0xFF0D0E0F, 0xFF101112};
  const Bytes b24 = EncodeBmp(image, 24);
  ASSERT_EQ(b24.size(), 54u + 2 * 12);
  EXPECT_EQ(b24[0], 'B');
  EXPECT_EQ(b24[1], 'M');
  EXPECT_EQ(b24[2], 78);   // file size
  EXPECT_EQ(b24[10], 54);  // pixel offset
  EXPECT_EQ(b24[14], 40);  // info header size
  EXPECT_EQ(b24[18], 3);   // width
  EXPECT_EQ(b24[22], 2);   // height, positive: bottom-up
  EXPECT_EQ(b24[28], 24);
  EXPECT_EQ(b24[34], 24);  // image size
  // First stored row is the bottom one, blue first, then padding to 12 bytes.
  const Bytes bottom(b24.begin() + 54, b24.begin() + 66);
  EXPECT_EQ(bottom, (Bytes{0x0C, 0x0B, 0x0A, 0x0F, 0x0E, 0x0D, 0x12, 0x11, 0x10, 0, 0, 0}));
  // Reading back gives the colours, opaque.
  const TBmpImage back24 = ReadBmp(b24.data(), b24.size());
  for (size_t i = 0; i < image.Pixels.size(); ++i) EXPECT_EQ(back24.Pixels[i], image.Pixels[i] | 0xFF000000);

  const Bytes b32 = EncodeBmp(image, 32);
  ASSERT_EQ(b32.size(), 54u + 24);
  EXPECT_EQ(b32[28], 32);
  EXPECT_EQ(ReadBmp(b32.data(), b32.size()).Pixels, image.Pixels);  // alpha survives
}

TEST(BmpCodec, RefusesImagesItCannotWrite) {
  TBmpImage image;
  image.Width = 2;
  image.Height = 2;
  image.Pixels = {1, 2, 3};  // one short
  EXPECT_THROW(EncodeBmp(image, 32), Exception);
  image.Pixels.push_back(4);
  EXPECT_THROW(EncodeBmp(image, 16), Exception);
}

}  // namespace
}  // namespace kivrano
