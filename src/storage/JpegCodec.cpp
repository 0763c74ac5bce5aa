#include "storage/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace kivrano {

// libjpeg reports errors through a callback that must not return. The callback longjmps back to the
// setjmp in a Run... function below; those functions and the library frames between them hold no
// objects with destructors, and their state lives in the job structure, so nothing is skipped.
// The C++ frames that own the job (and free it) sit above the setjmp and are never jumped over.

namespace {

constexpr int kMaxScans = 500;          // progressive files with more scans are hostile
constexpr long kMaxCorruptWarnings = 100;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX + 32];
};

[[noreturn]] void FailJpeg(j_common_ptr info, const char* message) {
  auto* error = reinterpret_cast<JpegErrorManager*>(info->err);
  std::snprintf(error->message, sizeof error->message, "%s", message);
  std::longjmp(error->jump, 1);
}

[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegErrorManager*>(info->err);
  char text[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, text);
  std::snprintf(error->message, sizeof error->message, "JPEG error: %s", text);
  std::longjmp(error->jump, 1);
}

// Warnings about corrupt data are tolerated as the library does, except a premature end of the
// data (a truncated file) and an endless stream of them (garbage).
void OnJpegMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  if (info->err->msg_code == JWRN_JPEG_EOF || ++info->err->num_warnings > kMaxCorruptWarnings) OnJpegError(info);
}

void OnJpegProgress(j_common_ptr info) {
  if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
    FailJpeg(info, "JPEG error: too many scans");
  }
}

void InitErrors(JpegErrorManager& error) {
  jpeg_std_error(&error.pub);
  error.pub.error_exit = OnJpegError;
  error.pub.emit_message = OnJpegMessage;
  error.message[0] = '\0';
}

struct JpegDecodeJob {
  jpeg_decompress_struct info;
  JpegErrorManager error;
  jpeg_progress_mgr progress;
  bool created = false;

  JpegDecodeJob() = default;
  JpegDecodeJob(const JpegDecodeJob&) = delete;
  JpegDecodeJob& operator=(const JpegDecodeJob&) = delete;
  ~JpegDecodeJob() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

bool IsCmyk(J_COLOR_SPACE space) { return space == JCS_CMYK || space == JCS_YCCK; }

void CmykRowToBgra(const JSAMPLE* cmyk, uint32_t* out, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    out[x] = 0xFF000000u | r << 16 | g << 8 | b;
  }
}

// The setjmp frame of decoding: only plain data here. sink.Allocate may throw a C++ exception; it is
// called from this frame, never from inside the library, so the exception passes no C frames.
bool RunJpegDecode(JpegDecodeJob* job, const uint8_t* data, size_t size, int requestedWidth, int requestedHeight,
                   TPixelSink* sink, TJpegDecodeInfo* result) {
  jpeg_decompress_struct* info = &job->info;
  if (setjmp(job->error.jump)) return false;

  jpeg_create_decompress(info);
  job->created = true;
  // Progressive pictures keep all coefficients; bound what the library may allocate for them.
  info->mem->max_memory_to_use = static_cast<long>(RasterPixelLimit() * 8);
  job->progress.progress_monitor = OnJpegProgress;
  info->progress = &job->progress;
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  jpeg_read_header(info, TRUE);

  result->SourceWidth = static_cast<int>(info->image_width);
  result->SourceHeight = static_cast<int>(info->image_height);
  result->Scale = JpegScaleFor(info->image_width, info->image_height, requestedWidth, requestedHeight);
  info->scale_num = 1;
  info->scale_denom = static_cast<unsigned>(result->Scale);
  info->dct_method = JDCT_ISLOW;
  info->do_fancy_upsampling = TRUE;
  info->do_block_smoothing = TRUE;
  bool cmyk = IsCmyk(info->jpeg_color_space);
  info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_calc_output_dimensions(info);
  CheckRasterSize(info->output_width, info->output_height, "JPEG");

  uint32_t* pixels = sink->Allocate(static_cast<int>(info->output_width), static_cast<int>(info->output_height));
  jpeg_start_decompress(info);
  JSAMPARRAY cmykRow =
      cmyk ? (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, info->output_width * 4, 1)
           : nullptr;
  while (info->output_scanline < info->output_height) {
    uint32_t* out = pixels + static_cast<size_t>(info->output_scanline) * info->output_width;
    if (cmyk) {
      jpeg_read_scanlines(info, cmykRow, 1);
      CmykRowToBgra(cmykRow[0], out, info->output_width, info->saw_Adobe_marker);
    } else {
      JSAMPROW row = reinterpret_cast<JSAMPROW>(out);
      jpeg_read_scanlines(info, &row, 1);
    }
  }
  jpeg_finish_decompress(info);
  result->BytesConsumed = size - info->src->bytes_in_buffer;
  return true;
}

struct JpegEncodeJob {
  jpeg_compress_struct info;
  JpegErrorManager error;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;

  JpegEncodeJob() = default;
  JpegEncodeJob(const JpegEncodeJob&) = delete;
  JpegEncodeJob& operator=(const JpegEncodeJob&) = delete;
  ~JpegEncodeJob() {
    if (created) jpeg_destroy_compress(&info);
    std::free(buffer);
  }
};

bool RunJpegEncode(JpegEncodeJob* job, const TPixelView* picture, int quality) {
  jpeg_compress_struct* info = &job->info;
  if (setjmp(job->error.jump)) return false;

  jpeg_create_compress(info);
  job->created = true;
  jpeg_mem_dest(info, &job->buffer, &job->size);
  info->image_width = static_cast<JDIMENSION>(picture->Width);
  info->image_height = static_cast<JDIMENSION>(picture->Height);
  info->input_components = 4;
  info->in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, quality, TRUE);
  info->dct_method = JDCT_ISLOW;
  jpeg_start_compress(info, TRUE);
  while (info->next_scanline < info->image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(picture->Row(static_cast<int>(info->next_scanline))));
    jpeg_write_scanlines(info, &row, 1);
  }
  jpeg_finish_compress(info);
  return true;
}

}  // namespace

int JpegScaleFor(int64_t sourceWidth, int64_t sourceHeight, int64_t requestedWidth, int64_t requestedHeight) {
  int scale = 1;
  while (sourceWidth >= 2 * scale * requestedWidth && sourceHeight >= 2 * scale * requestedHeight && scale < 5) scale *= 2;
  return scale;
}

TJpegDecodeInfo DecodeJpeg(const uint8_t* data, size_t size, int requestedWidth, int requestedHeight, TPixelSink& sink) {
  JpegDecodeJob job;
  job.info.err = &job.error.pub;
  InitErrors(job.error);
  TJpegDecodeInfo result;
  if (!RunJpegDecode(&job, data, size, requestedWidth, requestedHeight, &sink, &result)) {
    throw ERasterError(job.error.message);
  }
  return result;
}

std::vector<uint8_t> EncodeJpeg(const TPixelView& picture, int quality) {
  CheckRasterSize(picture.Width, picture.Height, "JPEG");
  if (picture.Width > JPEG_MAX_DIMENSION || picture.Height > JPEG_MAX_DIMENSION) {
    throw ERasterError("JPEG error: picture too large for JPEG");
  }
  JpegEncodeJob job;
  job.info.err = &job.error.pub;
  InitErrors(job.error);
  if (!RunJpegEncode(&job, &picture, quality)) throw ERasterError(job.error.message);
  return std::vector<uint8_t>(job.buffer, job.buffer + job.size);
}

}  // namespace kivrano
