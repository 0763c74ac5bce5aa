#include "storage/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

namespace kivrano {

// libpng reports errors through a callback that must not return; ours records the message and
// longjmps to the setjmp of the Run... function that called into the library. Those functions hold
// only plain data; the job objects that own the library state live in the C++ callers above them.

namespace {

// Deflate expands at most about 1032-fold, so the compressed data of a picture can never be shorter
// than its filtered rows divided by this.
constexpr uint64_t kMaxInflateRatio = 1040;

struct PngJobBase {
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[256] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp text) {
  auto* job = static_cast<PngJobBase*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "PNG error: %s", text ? text : "unknown");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct PngReadJob : PngJobBase {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t offset = 0;

  PngReadJob() = default;
  PngReadJob(const PngReadJob&) = delete;
  PngReadJob& operator=(const PngReadJob&) = delete;
  ~PngReadJob() { png_destroy_read_struct(&png, &info, nullptr); }
};

void ReadPngBytes(png_structp png, png_bytep out, size_t count) {
  auto* job = static_cast<PngReadJob*>(png_get_io_ptr(png));
  if (count > job->size - job->offset) png_error(png, "truncated data");
  std::memcpy(out, job->data + job->offset, count);
  job->offset += count;
}

struct PngHeader {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  uint64_t rawBytes = 0;
  bool alphaChannel = false;
  bool paletteTransparency = false;
};

bool RunPngReadHeader(PngReadJob* job, PngHeader* header) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_read_fn(png, job, ReadPngBytes);
  png_read_info(png, info);
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  header->rawBytes = (static_cast<uint64_t>(png_get_rowbytes(png, info)) + 1) * header->height;
  int colorType = png_get_color_type(png, info);
  header->alphaChannel = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  header->paletteTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

  png_set_expand(png);  // palette to RGB, small grey to 8 bits, tRNS to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (!header->alphaChannel && !header->paletteTransparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(header->width) * 4) png_error(png, "unexpected row layout");
  return true;
}

bool RunPngReadImage(PngReadJob* job, png_bytepp rows) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_read_image(job->png, rows);
  png_read_end(job->png, nullptr);
  return true;
}

struct PngWriteJob : PngJobBase {
  std::vector<uint8_t>* out = nullptr;

  PngWriteJob() = default;
  PngWriteJob(const PngWriteJob&) = delete;
  PngWriteJob& operator=(const PngWriteJob&) = delete;
  ~PngWriteJob() { png_destroy_write_struct(&png, &info); }
};

void WritePngBytes(png_structp png, png_bytep bytes, size_t count) {
  auto* job = static_cast<PngWriteJob*>(png_get_io_ptr(png));
  bool stored = true;
  try {
    job->out->insert(job->out->end(), bytes, bytes + count);
  } catch (const std::bad_alloc&) {
    stored = false;
  }
  if (!stored) png_error(png, "out of memory");
}

void FlushPng(png_structp) {}

bool RunPngWrite(PngWriteJob* job, const TPixelView* picture, png_bytepp rows) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  png_set_write_fn(png, job, WritePngBytes, FlushPng);
  png_set_IHDR(png, job->info, static_cast<png_uint_32>(picture->Width), static_cast<png_uint_32>(picture->Height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, job->info);
  png_set_bgr(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

TPngDecodeInfo DecodePng(const uint8_t* data, size_t size, TPixelSink& sink) {
  PngReadJob job;
  job.data = data;
  job.size = size;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
  if (job.png) job.info = png_create_info_struct(job.png);
  if (!job.png || !job.info) throw ERasterError("PNG error: cannot create the decoder");

  PngHeader header;
  if (!RunPngReadHeader(&job, &header)) throw ERasterError(job.message);
  CheckRasterSize(header.width, header.height, "PNG");
  if (header.rawBytes > static_cast<uint64_t>(size) * kMaxInflateRatio) {
    throw ERasterError("PNG error: image data too short for a " + std::to_string(header.width) + " x " +
                       std::to_string(header.height) + " picture");
  }

  uint32_t* pixels = sink.Allocate(static_cast<int>(header.width), static_cast<int>(header.height));
  std::vector<png_bytep> rows(header.height);
  for (png_uint_32 y = 0; y < header.height; ++y) rows[y] = reinterpret_cast<png_bytep>(pixels + size_t{y} * header.width);
  if (!RunPngReadImage(&job, rows.data())) throw ERasterError(job.message);

  if (!header.alphaChannel && header.paletteTransparency) {
    // Fully transparent palette entries are not drawn at all: they end as $00000000.
    size_t count = size_t{header.width} * header.height;
    for (size_t i = 0; i < count; ++i) {
      if ((pixels[i] >> 24) == 0) pixels[i] = 0;
    }
  }
  TPngDecodeInfo result;
  result.HasAlphaChannel = header.alphaChannel;
  result.BytesConsumed = job.offset;
  return result;
}

std::vector<uint8_t> EncodePng(const TPixelView& picture) {
  CheckRasterSize(picture.Width, picture.Height, "PNG");
  std::vector<uint8_t> out;
  PngWriteJob job;
  job.out = &out;
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
  if (job.png) job.info = png_create_info_struct(job.png);
  if (!job.png || !job.info) throw ERasterError("PNG error: cannot create the encoder");
  std::vector<png_bytep> rows(static_cast<size_t>(picture.Height));
  for (int y = 0; y < picture.Height; ++y) rows[static_cast<size_t>(y)] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(picture.Row(y)));
  if (!RunPngWrite(&job, &picture, rows.data())) throw ERasterError(job.message);
  return out;
}

}  // namespace kivrano
