#include "storage/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace kivrano {

namespace {

struct TGifReader {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int count) {
  auto* reader = static_cast<TGifReader*>(gif->UserData);
  size_t n = std::min(static_cast<size_t>(std::max(count, 0)), reader->size - reader->offset);
  if (n > 0) std::memcpy(out, reader->data + reader->offset, n);
  reader->offset += n;
  return static_cast<int>(n);
}

[[noreturn]] void FailGif(int code) {
  const char* text = GifErrorString(code);
  throw ERasterError(std::string("GIF error: ") + (text ? text : "unknown error"));
}

struct TGifDecoderCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using TGifDecoder = std::unique_ptr<GifFileType, TGifDecoderCloser>;

// Reads extensions up to the first image descriptor; returns the transparent index its graphic
// control extension names, or -1.
int ReadUpToFirstImage(GifFileType* gif) {
  int transparent = -1;
  for (;;) {
    GifRecordType record;
    if (DGifGetRecordType(gif, &record) == GIF_ERROR) FailGif(gif->Error);
    if (record == IMAGE_DESC_RECORD_TYPE) return transparent;
    if (record == TERMINATE_RECORD_TYPE) throw ERasterError("GIF error: the file holds no image");
    if (record != EXTENSION_RECORD_TYPE) continue;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) FailGif(gif->Error);
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
      GraphicsControlBlock control;
      if (DGifExtensionToGCB(4, block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
    }
    while (block) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) FailGif(gif->Error);
    }
  }
}

}  // namespace

TGifDecodeInfo DecodeGif(const uint8_t* data, size_t size, TPixelSink& sink) {
  TGifReader reader{data, size, 0};
  int error = 0;
  TGifDecoder gif(DGifOpen(&reader, ReadGifBytes, &error));
  if (!gif) FailGif(error);
  int transparent = ReadUpToFirstImage(gif.get());
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) FailGif(gif->Error);

  const GifImageDesc& image = gif->Image;
  int width = gif->SWidth, height = gif->SHeight;
  if (width <= 0 || height <= 0) {
    width = image.Left + image.Width;
    height = image.Top + image.Height;
  }
  CheckRasterSize(width, height, "GIF");
  CheckRasterSize(image.Width, image.Height, "GIF");
  const ColorMapObject* colors = image.ColorMap ? image.ColorMap : gif->SColorMap;
  if (!colors) throw ERasterError("GIF error: the image has no colour table");

  // Palette as opaque TColor32; indices outside the table draw black, the transparent one nothing.
  uint32_t lookup[256];
  for (int i = 0; i < 256; ++i) {
    lookup[i] = 0xFF000000u;
    if (i < colors->ColorCount) {
      const GifColorType& c = colors->Colors[i];
      lookup[i] |= static_cast<uint32_t>(c.Red) << 16 | static_cast<uint32_t>(c.Green) << 8 | c.Blue;
    }
  }
  if (transparent >= 0 && transparent < 256) lookup[transparent] = 0;

  uint32_t* pixels = sink.Allocate(width, height);
  std::fill(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  std::vector<GifPixelType> line(static_cast<size_t>(image.Width));
  static const int kPassStart[4] = {0, 4, 2, 1};
  static const int kPassStep[4] = {8, 8, 4, 2};
  int passes = image.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    int start = image.Interlace ? kPassStart[pass] : 0, step = image.Interlace ? kPassStep[pass] : 1;
    for (int row = start; row < image.Height; row += step) {
      if (DGifGetLine(gif.get(), line.data(), image.Width) == GIF_ERROR) FailGif(gif->Error);
      int y = image.Top + row;
      if (y < 0 || y >= height) continue;
      uint32_t* out = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
      int x0 = std::max(0, image.Left), x1 = std::min(width, image.Left + image.Width);
      for (int x = x0; x < x1; ++x) out[x] = lookup[line[static_cast<size_t>(x - image.Left)]];
    }
  }
  return TGifDecodeInfo{reader.offset};
}

TGifPicture PrepareGifPicture(const TPixelView& picture, uint8_t alphaThreshold, TColor transparentColor) {
  bool anyTransparent = false;
  for (int y = 0; y < picture.Height && !anyTransparent; ++y) {
    const uint32_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width; ++x) {
      if ((row[x] >> 24) < alphaThreshold) {
        anyTransparent = true;
        break;
      }
    }
  }
  TGifPicture gif;
  // Keep one index free for transparency, so that no visible pixel can turn transparent.
  gif.Picture = QuantizePicture(picture, anyTransparent ? 255 : 256, alphaThreshold);
  std::vector<uint8_t>& indices = gif.Picture.Indices;

  size_t uses[256] = {};
  size_t i = 0;
  for (int y = 0; y < picture.Height; ++y) {
    const uint32_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width; ++x, ++i) {
      if ((row[x] >> 24) >= alphaThreshold) ++uses[indices[i]];
    }
  }
  int transparent = static_cast<int>(std::min_element(uses, uses + 256) - uses);  // first unused, else least used
  if (!anyTransparent) return gif;

  i = 0;
  for (int y = 0; y < picture.Height; ++y) {
    const uint32_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width; ++x, ++i) {
      if ((row[x] >> 24) < alphaThreshold) indices[i] = static_cast<uint8_t>(transparent);
    }
  }
  std::vector<uint32_t>& palette = gif.Picture.Palette;
  if (palette.size() <= static_cast<size_t>(transparent)) palette.resize(static_cast<size_t>(transparent) + 1, 0);
  // TColor is 0x00BBGGRR; palette entries are 0x00RRGGBB.
  uint32_t c = static_cast<uint32_t>(transparentColor);
  palette[static_cast<size_t>(transparent)] = (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
  gif.TransparentIndex = transparent;
  return gif;
}

namespace {

int WriteGifBytes(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  try {
    out->insert(out->end(), bytes, bytes + count);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return count;
}

struct TColorMapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Closes the encoder (writing the trailer) if the caller did not.
struct TGifEncoderGuard {
  GifFileType* gif;
  ~TGifEncoderGuard() {
    if (gif) {
      int error = 0;
      EGifCloseFile(gif, &error);
    }
  }
};

}  // namespace

std::vector<uint8_t> EncodeGif(const TGifPicture& gif) {
  const TIndexedPicture& picture = gif.Picture;
  if (picture.Width <= 0 || picture.Height <= 0 || picture.Width > 0xFFFF || picture.Height > 0xFFFF) {
    throw ERasterError("GIF error: a GIF picture must be 1 to 65535 pixels wide and high");
  }
  int entries = 2, bits = 1;
  while (entries < static_cast<int>(picture.Palette.size())) {
    entries *= 2;
    ++bits;
  }
  std::unique_ptr<ColorMapObject, TColorMapDeleter> map(GifMakeMapObject(entries, nullptr));
  if (!map) throw ERasterError("GIF error: out of memory");
  for (int i = 0; i < entries; ++i) {
    uint32_t c = i < static_cast<int>(picture.Palette.size()) ? picture.Palette[static_cast<size_t>(i)] : 0;
    map->Colors[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8), static_cast<GifByteType>(c)};
  }

  std::vector<uint8_t> out;
  int error = 0;
  TGifEncoderGuard guard{EGifOpen(&out, WriteGifBytes, &error)};
  GifFileType* encoder = guard.gif;
  if (!encoder) FailGif(error);
  EGifSetGifVersion(encoder, gif.TransparentIndex >= 0);
  if (EGifPutScreenDesc(encoder, picture.Width, picture.Height, bits, 0, map.get()) == GIF_ERROR) FailGif(encoder->Error);
  if (gif.TransparentIndex >= 0) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.UserInputFlag = false;
    control.DelayTime = 0;
    control.TransparentColor = gif.TransparentIndex;
    GifByteType block[4];
    EGifGCBToExtension(&control, block);
    if (EGifPutExtension(encoder, GRAPHICS_EXT_FUNC_CODE, 4, block) == GIF_ERROR) FailGif(encoder->Error);
  }
  if (EGifPutImageDesc(encoder, 0, 0, picture.Width, picture.Height, false, nullptr) == GIF_ERROR) FailGif(encoder->Error);
  for (int y = 0; y < picture.Height; ++y) {
    auto* row = const_cast<GifPixelType*>(picture.Indices.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.Width));
    if (EGifPutLine(encoder, row, picture.Width) == GIF_ERROR) FailGif(encoder->Error);
  }
  guard.gif = nullptr;
  if (EGifCloseFile(encoder, &error) == GIF_ERROR) FailGif(error);
  return out;
}

}  // namespace kivrano
