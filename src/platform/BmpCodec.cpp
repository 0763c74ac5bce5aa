#include "platform/BmpCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <string>

#include "base/ByteOrder.h"

namespace kivrano {

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
// A run-length file needs at least one byte per this many pixels; denser claims are refused before
// any allocation, so that a few bytes cannot demand a huge image.
constexpr int64_t kMaxRlePixelsPerByte = 4096;

[[noreturn]] void Fail(const std::string& reason) { throw Exception("Invalid BMP file: " + reason); }

// One channel of a bit-field mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  bool Present() const { return mask != 0; }
  uint32_t Extract(uint32_t pixel) const {
    if (max == 0) return 0;
    const uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint32_t>((v * 255 + max / 2) / max);
  }
};

struct Header {
  int64_t width = 0;
  int64_t height = 0;  // positive, rows stored bottom-up unless topDown
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = kRgb;
  uint32_t colorsUsed = 0;
  size_t headerSize = 0;
  bool core = false;
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
  bool hasMasks = false;
};

Header ParseHeader(const uint8_t* data, size_t size, size_t& cursor) {
  if (size < kFileHeaderSize + 4) Fail("file too short");
  if (data[0] != 'B' || data[1] != 'M') Fail("no BM signature");
  Header h;
  h.headerSize = ReadLE32(data + kFileHeaderSize);
  const uint8_t* p = data + kFileHeaderSize;
  if (h.headerSize == 12) {
    if (size < kFileHeaderSize + 12) Fail("header truncated");
    h.core = true;
    h.width = ReadLE16(p + 4);
    h.height = static_cast<int16_t>(ReadLE16(p + 6));
    if (ReadLE16(p + 8) != 1) Fail("plane count is not 1");
    h.bpp = ReadLE16(p + 10);
  } else if (h.headerSize == 40 || h.headerSize == 52 || h.headerSize == 56 || h.headerSize == 64 ||
             h.headerSize == 108 || h.headerSize == 124) {
    if (size < kFileHeaderSize + h.headerSize) Fail("header truncated");
    h.width = static_cast<int32_t>(ReadLE32(p + 4));
    h.height = static_cast<int32_t>(ReadLE32(p + 8));
    if (ReadLE16(p + 12) != 1) Fail("plane count is not 1");
    h.bpp = ReadLE16(p + 14);
    h.compression = ReadLE32(p + 16);
    h.colorsUsed = ReadLE32(p + 32);
    if (h.headerSize == 64 && h.compression > kRle4) Fail("unsupported compression");
    if (h.headerSize >= 52) {
      for (int i = 0; i < (h.headerSize >= 56 ? 4 : 3); ++i) h.masks[i] = ReadLE32(p + 40 + 4 * i);
      h.hasMasks = true;
    }
  } else {
    Fail("unsupported header size " + std::to_string(h.headerSize));
  }
  cursor = kFileHeaderSize + h.headerSize;
  if (h.height < 0) {
    h.topDown = true;
    h.height = -h.height;
  }
  if (h.width < 0) Fail("negative width");
  switch (h.compression) {
    case kRgb:
      if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32) {
        Fail("unsupported bit count " + std::to_string(h.bpp));
      }
      break;
    case kRle8:
      if (h.bpp != 8) Fail("RLE8 needs 8 bits per pixel");
      break;
    case kRle4:
      if (h.bpp != 4) Fail("RLE4 needs 4 bits per pixel");
      break;
    case kBitFields:
    case kAlphaBitFields: {
      if (h.bpp != 16 && h.bpp != 32) Fail("bit fields need 16 or 32 bits per pixel");
      if (h.headerSize == 40) {
        const int count = h.compression == kAlphaBitFields ? 4 : 3;
        if (size < cursor + 4 * static_cast<size_t>(count)) Fail("masks truncated");
        for (int i = 0; i < count; ++i) h.masks[i] = ReadLE32(data + cursor + 4 * i);
        cursor += 4 * static_cast<size_t>(count);
        h.hasMasks = true;
      }
      break;
    }
    default:
      Fail("unsupported compression " + std::to_string(h.compression));
  }
  if (h.compression == kRgb || h.compression == kRle8 || h.compression == kRle4) {
    // Masks stored in a longer header apply only to bit-field files.
    h.hasMasks = false;
  }
  if (h.width * h.height > kMaxBmpPixels) Fail("image too large");
  return h;
}

std::vector<uint32_t> ReadPalette(const Header& h, const uint8_t* data, size_t size, size_t cursor,
                                  size_t pixelOffset) {
  if (h.bpp > 8) return {};
  const size_t entryBytes = h.core ? 3 : 4;
  size_t count = size_t{1} << h.bpp;
  if (!h.core && h.colorsUsed != 0 && h.colorsUsed < count) count = h.colorsUsed;
  // The palette lies between the headers and the pixel data; read what is really there.
  const size_t end = std::min(pixelOffset, size);
  if (cursor < end) count = std::min(count, (end - cursor) / entryBytes);
  else count = 0;
  std::vector<uint32_t> palette(size_t{1} << h.bpp, 0xFF000000u);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data + cursor + i * entryBytes;
    palette[i] = 0xFF000000u | static_cast<uint32_t>(e[2]) << 16 | static_cast<uint32_t>(e[1]) << 8 | e[0];
  }
  return palette;
}

// Maps a stored row (0 = first row in the file) to its image row.
size_t ImageRow(const Header& h, int64_t storedRow) {
  return static_cast<size_t>(h.topDown ? storedRow : h.height - 1 - storedRow);
}

size_t DecodeUncompressed(const Header& h, const std::vector<uint32_t>& palette, const uint8_t* data, size_t size,
                          size_t offset, std::vector<uint32_t>& pixels) {
  const uint64_t stride = ((static_cast<uint64_t>(h.width) * h.bpp + 31) / 32) * 4;
  const uint64_t needed = stride * static_cast<uint64_t>(h.height);
  if (offset > size || needed > size - offset) Fail("pixel data truncated");
  pixels.resize(static_cast<size_t>(h.width * h.height));

  Channel red, green, blue, alpha;
  if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
    red = Channel(h.masks[0]);
    green = Channel(h.masks[1]);
    blue = Channel(h.masks[2]);
    alpha = Channel(h.masks[3]);
  } else if (h.bpp == 16) {
    red = Channel(0x7C00);
    green = Channel(0x03E0);
    blue = Channel(0x001F);
  }
  const size_t width = static_cast<size_t>(h.width);
  for (int64_t row = 0; row < h.height; ++row) {
    const uint8_t* src = data + offset + static_cast<size_t>(stride) * static_cast<size_t>(row);
    uint32_t* dst = pixels.data() + ImageRow(h, row) * width;
    switch (h.bpp) {
      case 1:
      case 4:
      case 8: {
        const int perByte = 8 / h.bpp;
        const uint32_t valueMask = (1u << h.bpp) - 1;
        for (size_t x = 0; x < width; ++x) {
          const int slot = static_cast<int>(x % static_cast<size_t>(perByte));
          const uint32_t index = (src[x / static_cast<size_t>(perByte)] >> (8 - h.bpp * (slot + 1))) & valueMask;
          dst[x] = palette[index];
        }
        break;
      }
      case 16:
        for (size_t x = 0; x < width; ++x) {
          const uint32_t v = ReadLE16(src + 2 * x);
          const uint32_t a = alpha.Present() ? alpha.Extract(v) : 255;
          dst[x] = a << 24 | red.Extract(v) << 16 | green.Extract(v) << 8 | blue.Extract(v);
        }
        break;
      case 24:
        for (size_t x = 0; x < width; ++x) {
          const uint8_t* s = src + 3 * x;
          dst[x] = 0xFF000000u | static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[1]) << 8 | s[0];
        }
        break;
      default:  // 32
        if (h.compression == kRgb) {
          for (size_t x = 0; x < width; ++x) dst[x] = ReadLE32(src + 4 * x);
        } else {
          for (size_t x = 0; x < width; ++x) {
            const uint32_t v = ReadLE32(src + 4 * x);
            const uint32_t a = alpha.Present() ? alpha.Extract(v) : 255;
            dst[x] = a << 24 | red.Extract(v) << 16 | green.Extract(v) << 8 | blue.Extract(v);
          }
        }
    }
  }
  return offset + static_cast<size_t>(needed);
}

// Run-length decoding into palette indexes; pixels the data never reaches keep index 0.
size_t DecodeRunLength(const Header& h, const std::vector<uint32_t>& palette, const uint8_t* data, size_t size,
                       size_t offset, std::vector<uint32_t>& pixels) {
  if (offset >= size) Fail("pixel data truncated");
  const int64_t pixelCount = h.width * h.height;
  if (pixelCount / kMaxRlePixelsPerByte > static_cast<int64_t>(size - offset)) Fail("compressed data too short");
  std::vector<uint8_t> indexes(static_cast<size_t>(pixelCount), 0);
  const bool four = h.compression == kRle4;
  int64_t x = 0;
  int64_t row = 0;
  size_t at = offset;
  auto put = [&](uint8_t index) {
    if (x < h.width && row < h.height) indexes[ImageRow(h, row) * static_cast<size_t>(h.width) + static_cast<size_t>(x)] = index;
    ++x;
  };
  while (at + 2 <= size && row < h.height) {
    const uint8_t count = data[at];
    const uint8_t value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < h.width; ++i) {
        put(four ? static_cast<uint8_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (at + 2 > size) break;
      x += data[at];
      row += data[at + 1];
      at += 2;
    } else {  // absolute run of value pixels, padded to an even byte count
      const size_t bytes = four ? (static_cast<size_t>(value) + 1) / 2 : value;
      if (bytes > size - at) break;
      for (int i = 0; i < value; ++i) {
        put(four ? static_cast<uint8_t>(i % 2 == 0 ? data[at + static_cast<size_t>(i / 2)] >> 4
                                                   : data[at + static_cast<size_t>(i / 2)] & 0x0F)
                 : data[at + static_cast<size_t>(i)]);
      }
      at += bytes + (bytes & 1);
      at = std::min(at, size);
    }
  }
  pixels.resize(indexes.size());
  for (size_t i = 0; i < indexes.size(); ++i) pixels[i] = palette[indexes[i]];
  return at;
}


}  // namespace

TBmpImage ReadBmp(const uint8_t* data, size_t size, size_t* consumed) {
  size_t cursor = 0;
  const Header h = ParseHeader(data, size, cursor);
  size_t offset = ReadLE32(data + 10);
  if (offset < cursor) Fail("pixel data overlaps the headers");
  const std::vector<uint32_t> palette = ReadPalette(h, data, size, cursor, offset);

  TBmpImage image;
  image.BitsPerPixel = h.bpp;
  size_t end = offset;
  if (h.width > 0 && h.height > 0) {
    image.Width = static_cast<int>(h.width);
    image.Height = static_cast<int>(h.height);
    end = h.compression == kRle8 || h.compression == kRle4 ? DecodeRunLength(h, palette, data, size, offset, image.Pixels)
                                                           : DecodeUncompressed(h, palette, data, size, offset, image.Pixels);
  }
  if (consumed != nullptr) *consumed = std::min(end, size);
  return image;
}

TBmpImage ReadBmp(TStream& stream) {
  const int64_t start = stream.Position();
  const int64_t available = stream.Size() - start;
  if (available <= 0) Fail("file too short");
  if (available > std::numeric_limits<int32_t>::max()) Fail("file too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(available));
  stream.ReadBuffer(bytes.data(), static_cast<int32_t>(available));
  size_t consumed = 0;
  TBmpImage image = ReadBmp(bytes.data(), bytes.size(), &consumed);
  stream.SetPosition(start + static_cast<int64_t>(consumed));
  return image;
}

std::vector<uint8_t> EncodeBmp(const TBmpImage& image, int bitsPerPixel) {
  if (bitsPerPixel != 24 && bitsPerPixel != 32) throw Exception("Unsupported BMP bit count");
  const size_t width = static_cast<size_t>(std::max(image.Width, 0));
  const size_t height = static_cast<size_t>(std::max(image.Height, 0));
  if (image.Pixels.size() < width * height) throw Exception("BMP image has fewer pixels than its size");
  const size_t bytesPerPixel = static_cast<size_t>(bitsPerPixel) / 8;
  const size_t stride = (width * bytesPerPixel + 3) & ~size_t{3};
  const size_t imageSize = stride * height;
  const size_t offset = kFileHeaderSize + kInfoHeaderSize;
  if (imageSize > std::numeric_limits<uint32_t>::max() - offset) throw Exception("BMP image too large");
  std::vector<uint8_t> out(offset + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  WriteLE32(&out[2], static_cast<uint32_t>(out.size()));
  WriteLE32(&out[10], static_cast<uint32_t>(offset));
  WriteLE32(&out[14], static_cast<uint32_t>(kInfoHeaderSize));
  WriteLE32(&out[18], static_cast<uint32_t>(width));
  WriteLE32(&out[22], static_cast<uint32_t>(height));
  WriteLE16(&out[26], 1);
  WriteLE16(&out[28], static_cast<uint32_t>(bitsPerPixel));
  WriteLE32(&out[30], kRgb);
  WriteLE32(&out[34], static_cast<uint32_t>(imageSize));
  for (size_t y = 0; y < height; ++y) {
    const uint32_t* src = image.Pixels.data() + (height - 1 - y) * width;
    uint8_t* dst = out.data() + offset + y * stride;
    for (size_t x = 0; x < width; ++x, dst += bytesPerPixel) {
      const uint32_t c = src[x];
      dst[0] = static_cast<uint8_t>(c);
      dst[1] = static_cast<uint8_t>(c >> 8);
      dst[2] = static_cast<uint8_t>(c >> 16);
      if (bytesPerPixel == 4) dst[3] = static_cast<uint8_t>(c >> 24);
    }
  }
  return out;
}

void WriteBmp(const TBmpImage& image, int bitsPerPixel, TStream& stream) {
  const std::vector<uint8_t> bytes = EncodeBmp(image, bitsPerPixel);
  constexpr size_t kChunk = size_t{1} << 30;
  for (size_t at = 0; at < bytes.size(); at += kChunk) {
    stream.WriteBuffer(bytes.data() + at, static_cast<int32_t>(std::min(kChunk, bytes.size() - at)));
  }
}

}  // namespace kivrano
