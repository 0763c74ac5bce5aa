#include "storage/Jpeg2000Bridge.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "openjpeg-2.5/openjpeg.h"
#include "storage/RasterCodec.h"

namespace kivrano {

namespace {

constexpr uint32_t kMaxComponents = 16;

// The codec's entry points, looked up in the shared library at run time.
struct TOpenJpeg {
  decltype(&opj_stream_create_default_file_stream) streamCreate = nullptr;
  decltype(&opj_stream_destroy) streamDestroy = nullptr;
  decltype(&opj_create_decompress) createDecompress = nullptr;
  decltype(&opj_create_compress) createCompress = nullptr;
  decltype(&opj_destroy_codec) destroyCodec = nullptr;
  decltype(&opj_set_default_decoder_parameters) defaultDecoderParameters = nullptr;
  decltype(&opj_set_default_encoder_parameters) defaultEncoderParameters = nullptr;
  decltype(&opj_setup_decoder) setupDecoder = nullptr;
  decltype(&opj_setup_encoder) setupEncoder = nullptr;
  decltype(&opj_read_header) readHeader = nullptr;
  decltype(&opj_decode) decode = nullptr;
  decltype(&opj_end_decompress) endDecompress = nullptr;
  decltype(&opj_image_create) imageCreate = nullptr;
  decltype(&opj_image_destroy) imageDestroy = nullptr;
  decltype(&opj_start_compress) startCompress = nullptr;
  decltype(&opj_encode) encode = nullptr;
  decltype(&opj_end_compress) endCompress = nullptr;
};

struct TLoadedLibrary {
  std::string path = "libopenjp2.so.7";
  void* handle = nullptr;
  bool attempted = false;
  TOpenJpeg codec;
  TJ2KLibrary entries;

  void Release() {
    if (handle) dlclose(handle);
    handle = nullptr;
    attempted = false;
    codec = {};
    entries = {};
  }
  ~TLoadedLibrary() { Release(); }
};

TLoadedLibrary& Loaded() {
  static TLoadedLibrary library;
  return library;
}

const TOpenJpeg& Codec() { return Loaded().codec; }

template <class F>
bool Resolve(void* handle, F& target, const char* name) {
  target = reinterpret_cast<F>(dlsym(handle, name));
  return target != nullptr;
}

bool ResolveAll(void* handle, TOpenJpeg& c) {
  return Resolve(handle, c.streamCreate, "opj_stream_create_default_file_stream") &&
         Resolve(handle, c.streamDestroy, "opj_stream_destroy") &&
         Resolve(handle, c.createDecompress, "opj_create_decompress") &&
         Resolve(handle, c.createCompress, "opj_create_compress") &&
         Resolve(handle, c.destroyCodec, "opj_destroy_codec") &&
         Resolve(handle, c.defaultDecoderParameters, "opj_set_default_decoder_parameters") &&
         Resolve(handle, c.defaultEncoderParameters, "opj_set_default_encoder_parameters") &&
         Resolve(handle, c.setupDecoder, "opj_setup_decoder") && Resolve(handle, c.setupEncoder, "opj_setup_encoder") &&
         Resolve(handle, c.readHeader, "opj_read_header") && Resolve(handle, c.decode, "opj_decode") &&
         Resolve(handle, c.endDecompress, "opj_end_decompress") && Resolve(handle, c.imageCreate, "opj_image_create") &&
         Resolve(handle, c.imageDestroy, "opj_image_destroy") && Resolve(handle, c.startCompress, "opj_start_compress") &&
         Resolve(handle, c.encode, "opj_encode") && Resolve(handle, c.endCompress, "opj_end_compress");
}

// Owns the codec objects of one read or write.
struct TCodecSession {
  opj_stream_t* stream = nullptr;
  opj_codec_t* codec = nullptr;
  opj_image_t* image = nullptr;
  ~TCodecSession() {
    const TOpenJpeg& c = Codec();
    if (image) c.imageDestroy(image);
    if (codec) c.destroyCodec(codec);
    if (stream) c.streamDestroy(stream);
  }
};

bool IsCodestream(const char* fileName, const char* format) {
  std::string f = format ? format : "";
  std::transform(f.begin(), f.end(), f.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  if (f == "j2k" || f == "j2c" || f == "jpc") return true;
  unsigned char head[4] = {};
  if (FILE* file = std::fopen(fileName, "rb")) {
    size_t n = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return n == 4 && head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51;
  }
  return false;
}

// One component's sample at picture position (x, y), scaled to 8 bits.
uint8_t Sample(const opj_image_comp_t& comp, uint32_t x, uint32_t y) {
  uint32_t cx = std::min(x / std::max(comp.dx, 1u), comp.w - 1);
  uint32_t cy = std::min(y / std::max(comp.dy, 1u), comp.h - 1);
  int64_t v = comp.data[static_cast<size_t>(cy) * comp.w + cx];
  if (comp.sgnd) v += int64_t{1} << (comp.prec - 1);
  if (comp.prec > 8) v >>= (comp.prec - 8);
  else if (comp.prec < 8) v = v * 255 / ((int64_t{1} << comp.prec) - 1);
  return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

int LoadImageEntry(const char* fileName, const char* format, TImageContainer* container) {
  const TOpenJpeg& c = Codec();
  TCodecSession session;
  session.stream = c.streamCreate(fileName, OPJ_TRUE);
  if (!session.stream) return j2kCannotOpen;
  session.codec = c.createDecompress(IsCodestream(fileName, format) ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
  if (!session.codec) return j2kBadData;
  opj_dparameters_t parameters;
  c.defaultDecoderParameters(&parameters);
  if (!c.setupDecoder(session.codec, &parameters)) return j2kBadData;
  if (!c.readHeader(session.stream, session.codec, &session.image) || !session.image) return j2kBadData;
  const opj_image_t& header = *session.image;
  if (header.x1 <= header.x0 || header.y1 <= header.y0) return j2kBadData;
  uint64_t width = header.x1 - header.x0, height = header.y1 - header.y0;
  if (header.numcomps == 0 || header.numcomps > kMaxComponents) return j2kBadPixelFormat;
  if (width * height > static_cast<uint64_t>(RasterPixelLimit()) ||
      width * height * header.numcomps > static_cast<uint64_t>(RasterPixelLimit()) * 4) {
    return j2kTooLarge;
  }
  if (!c.decode(session.codec, session.stream, session.image) || !c.endDecompress(session.codec, session.stream)) {
    return j2kBadData;
  }
  const opj_image_t& image = *session.image;
  for (uint32_t k = 0; k < image.numcomps; ++k) {
    const opj_image_comp_t& comp = image.comps[k];
    if (!comp.data || comp.w == 0 || comp.h == 0 || comp.prec == 0 || comp.prec > 31) return j2kBadData;
  }

  // Grey pictures (with or without alpha) become one plane, colour pictures three planes stored
  // planar in blue, green, red order.
  int planes = image.numcomps >= 3 ? 3 : 1;
  size_t planeSize = static_cast<size_t>(width * height);
  auto* pixels = static_cast<uint8_t*>(std::malloc(planeSize * static_cast<size_t>(planes)));
  if (!pixels) return j2kTooLarge;
  for (int p = 0; p < planes; ++p) {
    const opj_image_comp_t& comp = image.comps[planes == 3 ? 2 - p : 0];
    uint8_t* out = pixels + planeSize * static_cast<size_t>(p);
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) *out++ = Sample(comp, x, y);
    }
  }
  *container = {};
  container->Width = static_cast<int32_t>(width);
  container->Height = static_cast<int32_t>(height);
  container->Layout = planes | (planes > 1 ? kContainerPlanar : 0);
  container->Pixels = pixels;
  return j2kOk;
}

int SaveImageEntry(const char* fileName, const char* format, TImageContainer* container) {
  const TOpenJpeg& c = Codec();
  int planes = ContainerPlanes(*container);
  if ((planes != 1 && planes != 3) || ContainerIsPlanar(*container) || container->Width <= 0 ||
      container->Height <= 0 || !container->Pixels) {
    return j2kBadPixelFormat;
  }
  uint32_t width = static_cast<uint32_t>(container->Width), height = static_cast<uint32_t>(container->Height);
  opj_image_cmptparm_t parts[3];
  std::memset(parts, 0, sizeof parts);
  for (auto& part : parts) {
    part.dx = part.dy = 1;
    part.w = width;
    part.h = height;
    part.prec = 8;
  }
  TCodecSession session;
  session.image = c.imageCreate(3, parts, OPJ_CLRSPC_SRGB);
  if (!session.image) return j2kWriteFailed;
  session.image->x1 = width;
  session.image->y1 = height;
  size_t count = size_t{width} * height;
  const uint8_t* in = container->Pixels;
  for (size_t i = 0; i < count; ++i) {
    uint8_t bgr[3];
    if (planes == 3) {
      std::memcpy(bgr, in + i * 3, 3);
    } else if (container->Palette) {
      std::memcpy(bgr, container->Palette + size_t{in[i]} * 3, 3);
    } else {
      bgr[0] = bgr[1] = bgr[2] = in[i];
    }
    for (int k = 0; k < 3; ++k) session.image->comps[k].data[i] = bgr[2 - k];
  }
  session.codec = c.createCompress(IsCodestream(fileName, format) ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
  if (!session.codec) return j2kWriteFailed;
  opj_cparameters_t parameters;
  c.defaultEncoderParameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.tcp_rates[0] = 0;  // lossless
  parameters.cp_disto_alloc = 1;
  parameters.tcp_mct = 1;
  // Every resolution level halves the picture; small pictures allow fewer levels.
  parameters.numresolution = 1;
  while (parameters.numresolution < 6 && (std::min(width, height) >> parameters.numresolution) > 0) ++parameters.numresolution;
  if (!c.setupEncoder(session.codec, &parameters, session.image)) return j2kWriteFailed;
  session.stream = c.streamCreate(fileName, OPJ_FALSE);
  if (!session.stream) return j2kCannotOpen;
  if (!c.startCompress(session.codec, session.image, session.stream) || !c.encode(session.codec, session.stream) ||
      !c.endCompress(session.codec, session.stream)) {
    return j2kWriteFailed;
  }
  return j2kOk;
}

void FreeImageEntry(TImageContainer* container) {
  std::free(container->Pixels);
  std::free(container->Palette);
  container->Pixels = nullptr;
  container->Palette = nullptr;
}

}  // namespace

const TJ2KLibrary& J2KLibrary() {
  TLoadedLibrary& library = Loaded();
  if (!library.attempted) {
    library.attempted = true;
    library.handle = dlopen(library.path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle && ResolveAll(library.handle, library.codec)) {
      library.entries = {LoadImageEntry, SaveImageEntry, FreeImageEntry};
    } else if (library.handle) {
      dlclose(library.handle);
      library.handle = nullptr;
      library.codec = {};
    }
  }
  return library.entries;
}

std::string J2KLibraryPath() { return Loaded().path; }

void SetJ2KLibraryPath(const std::string& path) {
  TLoadedLibrary& library = Loaded();
  library.Release();
  library.path = path;
}

}  // namespace kivrano
