#include <gif_lib.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "storage/GifCodec.h"
#include "storage/JpegCodec.h"
#include "storage/PngCodec.h"

namespace kivrano {
namespace {

using Bytes = std::vector<uint8_t>;

// A picture with smooth colour ramps and varied alpha.
TPixelBuffer RampPicture(int width, int height, bool withAlpha) {
  TPixelBuffer picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t alpha = withAlpha ? static_cast<uint32_t>((x * 255) / std::max(1, width - 1)) : 255;
      uint32_t r = static_cast<uint32_t>(x * 255 / std::max(1, width - 1));
      uint32_t g = static_cast<uint32_t>(y * 255 / std::max(1, height - 1));
      uint32_t b = static_cast<uint32_t>((x + y) * 255 / std::max(1, width + height - 2));
      picture.At(x, y) = alpha << 24 | r << 16 | g << 8 | b;
    }
  }
  return picture;
}

void ExpectSamePixels(const TPixelBuffer& expected, const TPixelBuffer& actual) {
  ASSERT_EQ(expected.Width(), actual.Width());
  ASSERT_EQ(expected.Height(), actual.Height());
  for (int y = 0; y < expected.Height(); ++y) {
    for (int x = 0; x < expected.Width(); ++x) {
      ASSERT_EQ(expected.At(x, y), actual.At(x, y)) << "at " << x << "," << y;
    }
  }
}

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// A damaged input and the message its decoding must fail with.
struct TBadInput {
  const char* name;
  Bytes bytes;
  const char* message;
};

template <class Decode>
void ExpectFailures(const std::vector<TBadInput>& cases, Decode decode) {
  for (const TBadInput& c : cases) {
    TPixelBuffer out;
    try {
      decode(c.bytes.data(), c.bytes.size(), out);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const ERasterError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
  }
}

// ---------- PNG ----------

Bytes PngChunk(const char* type, const Bytes& data) {
  Bytes chunk;
  auto put32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) chunk.push_back(static_cast<uint8_t>(v >> s));
  };
  put32(static_cast<uint32_t>(data.size()));
  size_t typeAt = chunk.size();
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  put32(static_cast<uint32_t>(crc32(0, chunk.data() + typeAt, static_cast<uInt>(4 + data.size()))));
  return chunk;
}

// A PNG with the given header and raw (already filtered) image data.
Bytes MakePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType, const Bytes& raw,
              const std::vector<Bytes>& extraChunks = {}) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header = {static_cast<uint8_t>(width >> 24), static_cast<uint8_t>(width >> 16), static_cast<uint8_t>(width >> 8),
                  static_cast<uint8_t>(width), static_cast<uint8_t>(height >> 24), static_cast<uint8_t>(height >> 16),
                  static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height), depth, colorType, 0, 0, 0};
  auto append = [&](const Bytes& chunk) { png.insert(png.end(), chunk.begin(), chunk.end()); };
  append(PngChunk("IHDR", header));
  for (const Bytes& chunk : extraChunks) append(chunk);
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  append(PngChunk("IDAT", packed));
  append(PngChunk("IEND", {}));
  return png;
}

TPixelBuffer DecodePngBytes(const Bytes& bytes, TPngDecodeInfo* info = nullptr) {
  TPixelBuffer out;
  TPngDecodeInfo result = DecodePng(bytes.data(), bytes.size(), out);
  if (info) *info = result;
  return out;
}

TEST(RasterFormatPng, RoundTripKeepsColoursAndAlphaExactly) {
  TPixelBuffer picture = RampPicture(37, 23, true);
  picture.At(0, 0) = 0x00123456;  // fully transparent, colour kept
  picture.At(1, 0) = 0x80FF8000;  // half transparent: colour not darkened
  Bytes png = EncodePng(ViewOf(picture));
  TPngDecodeInfo info;
  TPixelBuffer back = DecodePngBytes(png, &info);
  EXPECT_TRUE(info.HasAlphaChannel);
  EXPECT_EQ(info.BytesConsumed, png.size());
  ExpectSamePixels(picture, back);
}

TEST(RasterFormatPng, WritesEightBitRgbaAtHighestCompression) {
  TPixelBuffer picture = RampPicture(64, 64, true);
  Bytes png = EncodePng(ViewOf(picture));
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png[24], 8);  // bit depth
  EXPECT_EQ(png[25], 6);  // colour type RGB + alpha
  // The zlib header of the first IDAT announces the maximum compression level.
  size_t idat = std::string(png.begin(), png.end()).find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  EXPECT_EQ(png[idat + 5] >> 6, 3);
}

TEST(RasterFormatPng, PaletteTransparencyBecomesAlpha) {
  // Palette: red, green (half transparent), blue (fully transparent).
  Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  Bytes trns = {255, 128, 0};
  Bytes raw = {0, 0, 1, 2};  // filter byte, then three pixels
  TPngDecodeInfo info;
  TPixelBuffer out = DecodePngBytes(MakePng(3, 1, 8, 3, raw, {PngChunk("PLTE", plte), PngChunk("tRNS", trns)}), &info);
  EXPECT_FALSE(info.HasAlphaChannel);
  EXPECT_EQ(out.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(out.At(1, 0), 0x8000FF00u);
  EXPECT_EQ(out.At(2, 0), 0x00000000u);
}

TEST(RasterFormatPng, PicturesWithoutAlphaAreOpaque) {
  struct Case {
    const char* name;
    uint8_t depth, colorType;
    Bytes raw;
    uint32_t first, second;
  };
  const Case cases[] = {
      {"grey 8", 8, 0, {0, 0x00, 0xFF}, 0xFF000000u, 0xFFFFFFFFu},
      {"grey 1", 1, 0, {0, 0x40}, 0xFF000000u, 0xFFFFFFFFu},
      {"rgb 8", 8, 2, {0, 1, 2, 3, 250, 251, 252}, 0xFF010203u, 0xFFFAFBFCu},
      {"rgb 16", 16, 2, {0, 0x12, 0, 0x34, 0, 0x56, 0, 0xFF, 0xFF, 0, 0, 0, 0}, 0xFF123456u, 0xFFFF0000u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPixelBuffer out = DecodePngBytes(MakePng(2, 1, c.depth, c.colorType, c.raw));
    EXPECT_EQ(out.At(0, 0), c.first);
    EXPECT_EQ(out.At(1, 0), c.second);
  }
}

TEST(RasterFormatPng, BadInputFailsWithAClearError) {
  Bytes good = EncodePng(ViewOf(RampPicture(16, 16, true)));
  Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
  Bytes badCrc = good;
  badCrc[30] ^= 0x55;  // inside IHDR
  // 30000 x 30000 pixels announced, a few bytes of data.
  Bytes huge = MakePng(30000, 30000, 8, 2, Bytes(64, 0));
  // 20000 x 20000 grey: within the pixel limit but not in so little data.
  Bytes tooShort = MakePng(9000, 9000, 8, 0, Bytes(64, 0));
  ExpectFailures({
      {"empty", {}, "PNG error: truncated data"},
      {"not a PNG", Bytes(40, 'x'), "PNG error: Not a PNG file"},
      {"truncated", truncated, "PNG error: truncated data"},
      {"bad checksum", badCrc, "PNG error: IHDR: CRC error"},
      {"too large", huge, "PNG image is too large (30000 x 30000 pixels)"},
      {"too little data", tooShort, "PNG error: image data too short for a 9000 x 9000 picture"},
                 },
                 [](const uint8_t* data, size_t size, TPixelBuffer& out) { DecodePng(data, size, out); });
}

// ---------- JPEG ----------

TEST(RasterFormatJpeg, ScaleIsTheLargestReductionThatStillCoversTheRequestedSize) {
  struct Case {
    int64_t W, H, w, h;
    int scale;
  } cases[] = {
      {16000, 12000, 4000, 4000, 2}, {9000, 7000, 4000, 4000, 1}, {8000, 8000, 4000, 4000, 2},
      {7999, 8000, 4000, 4000, 1},   {64000, 64000, 4000, 4000, 8}, {800, 600, 100, 100, 4},
      {800, 600, 0, 0, 8},           {800, 600, 800, 600, 1},       {1599, 1600, 200, 200, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JpegScaleFor(c.W, c.H, c.w, c.h), c.scale) << c.W << "x" << c.H << " for " << c.w << "x" << c.h;
  }
}

TEST(RasterFormatJpeg, RoundTripStaysWithinTheQuality) {
  TPixelBuffer picture = RampPicture(64, 48, false);
  Bytes jpeg = EncodeJpeg(ViewOf(picture), 90);
  TPixelBuffer back;
  TJpegDecodeInfo info = DecodeJpeg(jpeg.data(), jpeg.size(), 4000, 4000, back);
  EXPECT_EQ(info.SourceWidth, 64);
  EXPECT_EQ(info.SourceHeight, 48);
  EXPECT_EQ(info.Scale, 1);
  EXPECT_EQ(info.BytesConsumed, jpeg.size());
  ASSERT_EQ(back.Width(), 64);
  ASSERT_EQ(back.Height(), 48);
  long total = 0;
  int worst = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      EXPECT_EQ(back.At(x, y) >> 24, 255u);
      for (int shift : {0, 8, 16}) {
        int d = std::abs(Channel(back.At(x, y), shift) - Channel(picture.At(x, y), shift));
        total += d;
        worst = std::max(worst, d);
      }
    }
  }
  EXPECT_LT(static_cast<double>(total) / (64 * 48 * 3), 2.0);
  EXPECT_LE(worst, 16);
}

TEST(RasterFormatJpeg, DecodesReducedWhenTheRequestedSizeAllows) {
  // A flat colour with a contrasting block: the reduced picture keeps both where they were.
  TPixelBuffer picture(800, 600, 0xFF2080C0);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) picture.At(x, y) = 0xFFF0F0F0;
  }
  Bytes jpeg = EncodeJpeg(ViewOf(picture), 90);
  TPixelBuffer back;
  TJpegDecodeInfo info = DecodeJpeg(jpeg.data(), jpeg.size(), 100, 100, back);
  EXPECT_EQ(info.Scale, 4);
  EXPECT_EQ(info.SourceWidth, 800);
  EXPECT_EQ(back.Width(), 200);
  EXPECT_EQ(back.Height(), 150);
  EXPECT_NEAR(Channel(back.At(10, 10), 16), 0xF0, 3);
  EXPECT_NEAR(Channel(back.At(190, 140), 0), 0xC0, 3);
}

// A flat JPEG of the given colour space written with libjpeg directly.
Bytes FlatJpeg(J_COLOR_SPACE space, const std::vector<uint8_t>& sample) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 16;
  info.input_components = static_cast<int>(sample.size());
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row;
  for (int x = 0; x < 16; ++x) row.insert(row.end(), sample.begin(), sample.end());
  while (info.next_scanline < 16) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

TEST(RasterFormatJpeg, GreyAndCmykBecomeOpaqueRgb) {
  struct Case {
    const char* name;
    J_COLOR_SPACE space;
    std::vector<uint8_t> sample;
    uint32_t expected;
  } cases[] = {
      {"grey", JCS_GRAYSCALE, {0x60}, 0xFF606060u},
      // CMYK with the Adobe marker stores inverted inks: 255 means no ink.
      {"cmyk magenta", JCS_CMYK, {255, 0, 255, 255}, 0xFFFF00FFu},
      {"cmyk dark cyan", JCS_CMYK, {0, 255, 255, 128}, 0xFF008080u},
  };
  for (const Case& c : cases) {
    Bytes jpeg = FlatJpeg(c.space, c.sample);
    TPixelBuffer out;
    DecodeJpeg(jpeg.data(), jpeg.size(), 4000, 4000, out);
    uint32_t pixel = out.At(8, 8);
    EXPECT_EQ(pixel >> 24, 255u) << c.name;
    for (int shift : {0, 8, 16}) EXPECT_NEAR(Channel(pixel, shift), Channel(c.expected, shift), 3) << c.name << " " << shift;
  }
}

TEST(RasterFormatJpeg, BadInputFailsWithTheDecodersMessage) {
  Bytes good = EncodeJpeg(ViewOf(RampPicture(32, 32, false)), 90);
  Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() * 2 / 3));
  Bytes header(good.begin(), good.begin() + 20);
  ExpectFailures({
      {"empty", {}, "JPEG error: Empty input file"},
      {"png bytes", EncodePng(ViewOf(RampPicture(4, 4, false))), "JPEG error: Not a JPEG file: starts with 0x89 0x50"},
      {"truncated", truncated, "JPEG error: Premature end of JPEG file"},
      {"header only", header, "JPEG error: Premature end of JPEG file"},
                 },
                 [](const uint8_t* data, size_t size, TPixelBuffer& out) { DecodeJpeg(data, size, 4000, 4000, out); });
}

// ---------- GIF ----------

TPixelBuffer DecodeGifBytes(const Bytes& bytes) {
  TPixelBuffer out;
  DecodeGif(bytes.data(), bytes.size(), out);
  return out;
}

// Writes a GIF with giflib directly: a 4-colour screen, an optional transparent index and one image
// placed at (left, top), optionally interlaced (rows are then given in display order).
Bytes RawGif(int screenW, int screenH, int left, int top, int w, int h, bool interlaced, int transparent,
             const std::vector<uint8_t>& indices) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, [](GifFileType* g, const GifByteType* b, int n) {
    auto* o = static_cast<Bytes*>(g->UserData);
    o->insert(o->end(), b, b + n);
    return n;
  }, &error);
  EGifSetGifVersion(gif, true);
  ColorMapObject* map = GifMakeMapObject(4, nullptr);
  map->Colors[0] = {255, 0, 0};
  map->Colors[1] = {0, 255, 0};
  map->Colors[2] = {0, 0, 255};
  map->Colors[3] = {255, 255, 255};
  EGifPutScreenDesc(gif, screenW, screenH, 2, 0, map);
  if (transparent >= 0) {
    GraphicsControlBlock control{};
    control.TransparentColor = transparent;
    GifByteType block[4];
    EGifGCBToExtension(&control, block);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block);
  }
  EGifPutImageDesc(gif, left, top, w, h, interlaced, nullptr);
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  auto putRow = [&](int row) {
    std::memcpy(line.data(), indices.data() + static_cast<size_t>(row * w), static_cast<size_t>(w));
    EGifPutLine(gif, line.data(), w);
  };
  if (interlaced) {
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int row = start[pass]; row < h; row += step[pass]) putRow(row);
    }
  } else {
    for (int row = 0; row < h; ++row) putRow(row);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

TEST(RasterFormatGif, TransparentPixelsAndTheUncoveredScreenEndAsZero) {
  // Screen 4 x 3; a 2 x 2 image at (1, 1) with index 1 (green) transparent.
  TPixelBuffer out = DecodeGifBytes(RawGif(4, 3, 1, 1, 2, 2, false, 1, {0, 1, 2, 3}));
  ASSERT_EQ(out.Width(), 4);
  ASSERT_EQ(out.Height(), 3);
  const uint32_t expected[3][4] = {
      {0, 0, 0, 0},
      {0, 0xFFFF0000u, 0x00000000u, 0},
      {0, 0xFF0000FFu, 0xFFFFFFFFu, 0},
  };
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(out.At(x, y), expected[y][x]) << x << "," << y;
  }
}

TEST(RasterFormatGif, InterlacedRowsLandInDisplayOrder) {
  std::vector<uint8_t> indices(3 * 11);
  for (int row = 0; row < 11; ++row) {
    for (int x = 0; x < 3; ++x) indices[static_cast<size_t>(row * 3 + x)] = static_cast<uint8_t>(row % 4);
  }
  TPixelBuffer plain = DecodeGifBytes(RawGif(3, 11, 0, 0, 3, 11, false, -1, indices));
  TPixelBuffer interlaced = DecodeGifBytes(RawGif(3, 11, 0, 0, 3, 11, true, -1, indices));
  ExpectSamePixels(plain, interlaced);
  EXPECT_EQ(interlaced.At(0, 5), 0xFF00FF00u);  // row 5: index 1
}

TEST(RasterFormatGif, RoundTripOfFewColoursIsExact) {
  TPixelBuffer picture(20, 10, 0xFF00A000);
  for (int x = 0; x < 20; ++x) picture.At(x, 4) = 0xFFFFFFFF;
  picture.At(3, 3) = 0xFF123456;
  Bytes gif = EncodeGif(PrepareGifPicture(ViewOf(picture), 32, 0xFFFFFF));
  ExpectSamePixels(picture, DecodeGifBytes(gif));
}

TEST(RasterFormatGif, AlphaBelowTheThresholdSavesTransparent) {
  struct Case {
    uint32_t alpha;
    bool transparent;
  } cases[] = {{0, true}, {1, true}, {31, true}, {32, false}, {33, false}, {200, false}, {255, false}};
  for (const Case& c : cases) {
    TPixelBuffer picture(2, 1, 0xFF3366CC);
    picture.At(1, 0) = c.alpha << 24 | 0x996633;
    TPixelBuffer back = DecodeGifBytes(EncodeGif(PrepareGifPicture(ViewOf(picture), 32, 0xFFFFFF)));
    EXPECT_EQ(back.At(0, 0), 0xFF3366CCu) << c.alpha;
    EXPECT_EQ(back.At(1, 0), c.transparent ? 0u : 0xFF996633u) << c.alpha;
  }
}

TEST(RasterFormatGif, TransparentIndexIsTheFirstUnusedOneAndCarriesTheTransparentColour) {
  TPixelBuffer picture(3, 1, 0xFF000000);
  picture.At(1, 0) = 0xFFFFFFFF;
  picture.At(2, 0) = 0x10FFFFFF;
  TGifPicture gif = PrepareGifPicture(ViewOf(picture), 32, 0x0000FF);  // TColor red
  EXPECT_EQ(gif.TransparentIndex, 2);
  ASSERT_EQ(gif.Picture.Palette.size(), 3u);
  EXPECT_EQ(gif.Picture.Palette[2], 0xFF0000u);
  EXPECT_EQ(gif.Picture.Indices[2], 2);
  // Nothing transparent: no index reserved and no control extension written.
  TPixelBuffer opaque(2, 2, 0xFF808080);
  TGifPicture plain = PrepareGifPicture(ViewOf(opaque), 32, 0xFFFFFF);
  EXPECT_EQ(plain.TransparentIndex, -1);
  Bytes bytes = EncodeGif(plain);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("\x21\xF9"), std::string::npos);
}

TEST(RasterFormatGif, ManyColoursWithTransparencyKeepEveryVisiblePixelVisible) {
  // Over 256 colours plus transparent pixels: the palette keeps an index free for transparency.
  TPixelBuffer picture = RampPicture(64, 64, false);
  for (int x = 0; x < 64; ++x) picture.At(x, 0) = 0;
  TGifPicture gif = PrepareGifPicture(ViewOf(picture), 32, 0xFFFFFF);
  ASSERT_GE(gif.TransparentIndex, 0);
  EXPECT_LE(gif.Picture.Palette.size(), 256u);
  TPixelBuffer back = DecodeGifBytes(EncodeGif(gif));
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) EXPECT_EQ(back.At(x, y) >> 24, y == 0 ? 0u : 255u) << x << "," << y;
  }
}

TEST(RasterFormatGif, BadInputFailsWithAClearError) {
  Bytes good = RawGif(8, 8, 0, 0, 8, 8, false, -1, std::vector<uint8_t>(64, 2));
  Bytes truncated(good.begin(), good.end() - 8);
  Bytes huge = good;
  huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;  // screen 65535 x 65535
  Bytes noImage = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ';'};
  ExpectFailures({
      {"empty", {}, "GIF error: Failed to read from given file"},
      {"not a GIF", Bytes(20, 'x'), "GIF error: Data is not in GIF format"},
      {"truncated", truncated, "GIF error: Failed to read from given file"},
      {"too large", huge, "GIF image is too large (65535 x 65535 pixels)"},
      {"no image", noImage, "GIF error: the file holds no image"},
                 },
                 [](const uint8_t* data, size_t size, TPixelBuffer& out) { DecodeGif(data, size, out); });
}

}  // namespace
}  // namespace kivrano
