#include "storage/dtpRasterFormats.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace kivrano {

namespace {

struct TRasterClassHolder {
  const TRasterClass* Class;
  std::string ClassName;
  std::string Description;
  std::string Extensions;  // lower case, each with its dot and followed by ";"
  TRasterCapabilities Capabilities;
};

std::vector<TRasterClassHolder>& Registry();

void RegisterInto(std::vector<TRasterClassHolder>& registry, const TRasterClass& rasterClass,
                  const std::string& description, const std::string& extensions, TRasterCapabilities capabilities) {
  for (TRasterClassHolder& entry : registry) {
    if (entry.Class == &rasterClass) {
      entry = {&rasterClass, rasterClass.Name, description, extensions, capabilities};
      return;
    }
  }
  registry.push_back({&rasterClass, rasterClass.Name, description, extensions, capabilities});
}

std::vector<TRasterClassHolder>& Registry() {
  static std::vector<TRasterClassHolder> registry = [] {
    std::vector<TRasterClassHolder> standard;
    RegisterInto(standard, RasterClass<TdtpBmpFormat>(), "Windows Bitmap", ".bmp;.dib;",
                 rcStreamLoad | rcListed | rcSave | rcSaveByExtension);
    RegisterInto(standard, RasterClass<TdtpJpgFormat>(), "JPEG images", ".jpg;.jp;.jpeg;", rcStreamLoad | rcListed);
    RegisterInto(standard, RasterClass<TdtpGifFormat>(), "Compuserve GIF", ".gif;",
                 rcStreamLoad | rcListed | rcSave | rcSaveByExtension);
    RegisterInto(standard, RasterClass<TdtpPngFormat>(), "Portable Network Graphics", ".png;",
                 rcStreamLoad | rcListed | rcSave | rcSaveByExtension);
    RegisterInto(standard, RasterClass<TJ2KImage>(), "JPeg2000 Image", ".jp2;", rcListed | rcSaveByExtension);
    return standard;
  }();
  return registry;
}

// The first entry whose extension list holds `extension` followed by ";" and that has all of
// `required`. An empty extension matches nothing.
const TRasterClassHolder* FindByExtension(const std::string& extension, TRasterCapabilities required) {
  if (extension.empty()) return nullptr;
  std::string key = extension + ";";
  for (const TRasterClassHolder& entry : Registry()) {
    if ((entry.Capabilities & required) == required && entry.Extensions.find(key) != std::string::npos) return &entry;
  }
  return nullptr;
}

std::unique_ptr<TdtpRaster> Instantiate(const TRasterClassHolder& entry) {
  std::unique_ptr<TdtpRaster> format = entry.Class->Create();
  format->SetCapabilities(entry.Capabilities);
  return format;
}

int64_t FileSize(const std::string& fileName) {
  struct stat info {};
  return ::stat(fileName.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

// "*.a;*.b" for the extension list ".a;.b;".
std::string FilterPattern(const std::string& extensions) {
  std::string pattern;
  size_t start = 0;
  while (start < extensions.size()) {
    size_t end = extensions.find(';', start);
    if (end == std::string::npos) end = extensions.size();
    if (end > start) {
      if (!pattern.empty()) pattern += ';';
      pattern += '*';
      pattern.append(extensions, start, end - start);
    }
    start = end + 1;
  }
  return pattern;
}

}  // namespace

// ---- TdtpRaster ----

bool TdtpRaster::CanLoad(TStream&) { return true; }

void TdtpRaster::LoadFromFile(const std::string& fileName, TBitmap32& bitmap, int pageIndex,
                              TRequestedSize requestedSize) {
  if (!(capabilities_ & rcStreamLoad)) throw ERasterError("Method not implemented");
  TFileStream file(fileName, fmOpenRead);
  LoadFromStream(file, bitmap, pageIndex, requestedSize);
  bytesProcessed_ = file.Position();
}

void TdtpRaster::LoadFromStream(TStream&, TBitmap32&, int, TRequestedSize) {
  throw ERasterError("Loading from stream is not implemented");
}

void TdtpRaster::SaveToStream(TStream&, TBitmap32&) { throw ERasterError("Method not implemented"); }

void TdtpRaster::SaveToFile(const std::string& fileName, TBitmap32& bitmap) {
  if (!(capabilities_ & rcSave)) throw ERasterError("Method not implemented");
  TFileStream file(fileName, fmCreate);
  SaveToStream(file, bitmap);
  bytesProcessed_ = file.Position();
}

void TdtpRaster::CheckSinglePage(int pageIndex) {
  if (pageIndex > 0) throw ERasterError("Requested non-existing page");
}

bool TdtpRaster::StreamStartsWith(TStream& stream, const char* magic, int count) {
  int64_t start = stream.Position();
  std::string head(static_cast<size_t>(count), '\0');
  int32_t n = stream.Read(head.data(), count);
  stream.SetPosition(start);
  return n == count && head.compare(0, static_cast<size_t>(count), magic, static_cast<size_t>(count)) == 0;
}

// ---- registry ----

void RegisterRasterFormat(const TRasterClass& rasterClass, const std::string& description, const std::string& extensions,
                          TRasterCapabilities capabilities) {
  RegisterInto(Registry(), rasterClass, description, extensions, capabilities);
}

std::string RasterFilter() {
  std::string combined, entries;
  for (const TRasterClassHolder& entry : Registry()) {
    if (!(entry.Capabilities & rcListed)) continue;
    std::string pattern = FilterPattern(entry.Extensions);
    if (!entries.empty()) {
      entries += '|';
      combined += ';';
    }
    entries.append(entry.Description).append(" (").append(pattern).append(")|").append(pattern);
    combined += pattern;
  }
  std::string filter = "Graphic formats|";
  filter.append(combined).append("|").append(entries).append("|All Formats (*.*)|*.*");
  return filter;
}

const TRasterClass* RasterFormatForFile(const std::string& fileName) {
  const TRasterClassHolder* entry = FindByExtension(LowerCaseExtension(fileName), 0);
  return entry ? entry->Class : nullptr;
}

TRasterCapabilities RasterCapabilities(const TRasterClass* rasterClass) {
  for (const TRasterClassHolder& entry : Registry()) {
    if (entry.Class == rasterClass) return entry.Capabilities;
  }
  return 0;
}

void LoadRasterImage(TStream& stream, const std::string& formatHint, TBitmap32* bitmap, int pageIndex,
                     TRequestedSize requestedSize) {
  TdtpImageFiler filer;
  filer.SetStream(&stream);
  filer.SetFormatHint(formatHint);
  filer.SetPageIndex(pageIndex);
  if (static_cast<int64_t>(requestedSize.X) * requestedSize.Y > 0) {
    filer.SetRequestedWidth(requestedSize.X);
    filer.SetRequestedHeight(requestedSize.Y);
  }
  filer.LoadBitmap(bitmap);
}

std::string LowerCaseExtension(const std::string& fileName) {
  size_t dot = fileName.find_last_of('.');
  size_t slash = fileName.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = fileName.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// ---- TdtpImageFiler ----

TdtpImageFiler::TdtpImageFiler() = default;
TdtpImageFiler::~TdtpImageFiler() = default;

void TdtpImageFiler::ResolveFormat() {
  if (resolved_) return;
  resolved_ = true;
  if (!fileName_.empty()) formatHint_ = LowerCaseExtension(fileName_);
  if (const TRasterClassHolder* entry = FindByExtension(formatHint_, 0)) {
    format_ = Instantiate(*entry);
    return;
  }
  if (fileName_.empty()) return;
  // No usable extension: let the content decide.
  TFileStream file(fileName_, fmOpenRead);
  for (const TRasterClassHolder& entry : Registry()) {
    file.SetPosition(0);
    if (entry.Class->CanLoad(file)) {
      format_ = Instantiate(entry);
      return;
    }
  }
}

void TdtpImageFiler::LoadBitmap(TBitmap32* bitmap) {
  if (!bitmap) throw ERasterError("Input bitmap not assigned");
  ResolveFormat();
  if (!format_) throw ERasterError("Unknown raster format \"" + formatHint_ + "\"");
  TRequestedSize requested{requestedWidth_, requestedHeight_};
  if (stream_) {
    int64_t start = stream_->Position();
    format_->LoadFromStream(*stream_, *bitmap, pageIndex_, requested);
    bytesProcessed_ = stream_->Position() - start;
  } else if (format_->Capabilities() & rcStreamLoad) {
    TFileStream file(fileName_, fmOpenRead);
    format_->LoadFromStream(file, *bitmap, pageIndex_, requested);
    bytesProcessed_ = file.Size();
  } else {
    format_->LoadFromFile(fileName_, *bitmap, pageIndex_, requested);
    bytesProcessed_ = format_->BytesProcessed();
  }
  pageCount_ = format_->PageCount();
}

void TdtpImageFiler::SaveBitmap(TBitmap32* bitmap) {
  if (!bitmap) throw ERasterError("Input bitmap not assigned");
  if (!format_) {
    const TRasterClassHolder* entry = FindByExtension(LowerCaseExtension(fileName_), rcSaveByExtension);
    if (!entry) entry = FindByExtension(LowerCaseExtension(formatHint_), rcSaveByExtension);
    if (!entry) return;
    format_ = Instantiate(*entry);
  }
  if (stream_ && (format_->Capabilities() & rcStreamLoad)) {
    int64_t start = stream_->Position();
    format_->SaveToStream(*stream_, *bitmap);
    bytesProcessed_ = stream_->Size() - start;
  } else {
    format_->SaveToFile(fileName_, *bitmap);
    bytesProcessed_ = FileSize(fileName_);
  }
}

}  // namespace kivrano
