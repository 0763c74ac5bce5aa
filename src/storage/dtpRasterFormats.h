#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/Stream.h"
#include "base/Types.h"
#include "storage/RasterCodec.h"

namespace kivrano {

class TBitmap32;

// Capability bits of a raster format.
enum TRasterCapability : uint16_t {
  rcStreamLoad = 1,        // decodes from a stream (otherwise only from a named file)
  rcListed = 2,            // listed in the picture-open filter
  rcSave = 4,              // can encode (needed by the generic save-to-file operation)
  rcSaveByExtension = 8,   // chosen for saving by a file name's or hint's extension
};
using TRasterCapabilities = uint16_t;

// The smallest decoded size that is still useful (X = width, Y = height).
using TRequestedSize = TPoint;

// Base of the format classes; one instance serves one load or save.
class TdtpRaster {
 public:
  virtual ~TdtpRaster() = default;
  virtual const char* ClassName() const = 0;

  // Asked of the class (see TRasterClass::CanLoad): whether the stream's content is this format.
  static bool CanLoad(TStream& stream);

  virtual void LoadFromFile(const std::string& fileName, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize);
  virtual void LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize);
  virtual void SaveToStream(TStream& stream, TBitmap32& bitmap);
  virtual void SaveToFile(const std::string& fileName, TBitmap32& bitmap);

  TRasterCapabilities Capabilities() const { return capabilities_; }
  void SetCapabilities(TRasterCapabilities capabilities) { capabilities_ = capabilities; }
  int SourceWidth() const { return sourceWidth_; }
  int SourceHeight() const { return sourceHeight_; }
  int PageCount() const { return pageCount_; }
  int64_t BytesProcessed() const { return bytesProcessed_; }

 protected:
  // Formats of single pictures fail with "Requested non-existing page" above page 0.
  static void CheckSinglePage(int pageIndex);
  // Whether the stream's next bytes are `magic`; the position is left unchanged.
  static bool StreamStartsWith(TStream& stream, const char* magic, int count);
  void SetSourceSize(int width, int height) {
    sourceWidth_ = width;
    sourceHeight_ = height;
  }
  void SetBytesProcessed(int64_t bytes) { bytesProcessed_ = bytes; }

 private:
  TRasterCapabilities capabilities_ = 0;
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  int pageCount_ = 1;
  int64_t bytesProcessed_ = 0;
};

// A format class as the registry knows it: its name, its factory and its content test.
struct TRasterClass {
  const char* Name;
  std::unique_ptr<TdtpRaster> (*Create)();
  bool (*CanLoad)(TStream& stream);
};

// The class record of a format type T (one per type, compared by address).
template <class T>
const TRasterClass& RasterClass() {
  static const TRasterClass rasterClass{T::StaticClassName(), [] { return std::unique_ptr<TdtpRaster>(new T()); },
                                        &T::CanLoad};
  return rasterClass;
}

// Windows bitmap files through the surface's own BMP reader and writer.
class TdtpBmpFormat : public TdtpRaster {
 public:
  static const char* StaticClassName() { return "TdtpBmpFormat"; }
  const char* ClassName() const override { return StaticClassName(); }
  static bool CanLoad(TStream& stream);
  void LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize) override;
  void SaveToStream(TStream& stream, TBitmap32& bitmap) override;
};

// JPEG decoding, reduced to the smallest of 1/1, 1/2, 1/4, 1/8 that still covers the requested size.
class TdtpJpgFormat : public TdtpRaster {
 public:
  static const char* StaticClassName() { return "TdtpJpgFormat"; }
  const char* ClassName() const override { return StaticClassName(); }
  static bool CanLoad(TStream& stream);
  void LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize) override;
};

// GIF: the first image with its transparency; saving quantises to 256 colours.
class TdtpGifFormat : public TdtpRaster {
 public:
  static const char* StaticClassName() { return "TdtpGifFormat"; }
  const char* ClassName() const override { return StaticClassName(); }
  static bool CanLoad(TStream& stream);
  void LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize) override;
  void SaveToStream(TStream& stream, TBitmap32& bitmap) override;

  // Pixels with alpha below this are saved transparent.
  uint8_t AlphaThreshold() const { return alphaThreshold_; }
  void SetAlphaThreshold(uint8_t value) { alphaThreshold_ = value; }
  // The palette colour of the transparent index.
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor value) { transparentColor_ = value; }

 private:
  uint8_t alphaThreshold_ = 32;
  TColor transparentColor_ = 0xFFFFFF;
};

// PNG with its alpha channel or palette transparency; saved as 8-bit RGBA at compression level 9.
class TdtpPngFormat : public TdtpRaster {
 public:
  static const char* StaticClassName() { return "TdtpPngFormat"; }
  const char* ClassName() const override { return StaticClassName(); }
  static bool CanLoad(TStream& stream);
  void LoadFromStream(TStream& stream, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize) override;
  void SaveToStream(TStream& stream, TBitmap32& bitmap) override;
};

// JPEG 2000 files (no streams) through the bridge to a library loaded at run time.
class TJ2KImage : public TdtpRaster {
 public:
  static const char* StaticClassName() { return "TJ2KImage"; }
  const char* ClassName() const override { return StaticClassName(); }
  static bool CanLoad(TStream& stream);
  void LoadFromFile(const std::string& fileName, TBitmap32& bitmap, int pageIndex, TRequestedSize requestedSize) override;
  void SaveToFile(const std::string& fileName, TBitmap32& bitmap) override;
};

// Writes the surface's colours as a JPEG file (the page export uses quality 90). JPEG is not a
// save format of the registry; this is the encoder's only entry on surfaces.
void SaveJpegToStream(const TBitmap32& bitmap, TStream& stream, int quality = 90);

// Registry of formats, in registration order. The five formats above are registered on first use.
void RegisterRasterFormat(const TRasterClass& rasterClass, const std::string& description, const std::string& extensions,
                          TRasterCapabilities capabilities);
std::string RasterFilter();
const TRasterClass* RasterFormatForFile(const std::string& fileName);
TRasterCapabilities RasterCapabilities(const TRasterClass* rasterClass);
void LoadRasterImage(TStream& stream, const std::string& formatHint, TBitmap32* bitmap, int pageIndex,
                     TRequestedSize requestedSize);

// The lower-cased extension of a file name, with its dot ("" when there is none).
std::string LowerCaseExtension(const std::string& fileName);

// Reads and writes pictures by file name, extension hint or content. One filer per load or save;
// it owns its format instance, never its stream.
class TdtpImageFiler {
 public:
  TdtpImageFiler();
  ~TdtpImageFiler();
  TdtpImageFiler(const TdtpImageFiler&) = delete;
  TdtpImageFiler& operator=(const TdtpImageFiler&) = delete;

  void LoadBitmap(TBitmap32* bitmap);
  void SaveBitmap(TBitmap32* bitmap);

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  const std::string& FormatHint() const { return formatHint_; }
  void SetFormatHint(const std::string& value) { formatHint_ = value; }
  int RequestedWidth() const { return requestedWidth_; }
  void SetRequestedWidth(int value) { requestedWidth_ = value; }
  int RequestedHeight() const { return requestedHeight_; }
  void SetRequestedHeight(int value) { requestedHeight_ = value; }
  int PageIndex() const { return pageIndex_; }
  void SetPageIndex(int value) { pageIndex_ = value; }
  int PageCount() const { return pageCount_; }
  TStream* Stream() const { return stream_; }
  void SetStream(TStream* value) { stream_ = value; }
  int64_t BytesProcessed() const { return bytesProcessed_; }
  TdtpRaster* Format() const { return format_.get(); }

 private:
  void ResolveFormat();

  std::string fileName_;
  std::string formatHint_;
  int requestedWidth_ = 4000;
  int requestedHeight_ = 4000;
  int pageIndex_ = 0;
  int pageCount_ = 0;
  std::unique_ptr<TdtpRaster> format_;
  bool resolved_ = false;
  TStream* stream_ = nullptr;
  int64_t bytesProcessed_ = 0;
};

}  // namespace kivrano
