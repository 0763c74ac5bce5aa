// Drawing files: the document stored as an archive of "Index.xml", one XML stream per page and one
// thumbnail picture per page; opening with lazily read pages, saving of the modified pages only, and
// the direct page operations on an open archive.

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "base/Exception.h"
#include "base/ByteOrder.h"
#include "engine/dtpDocument.h"
#include "engine/dtpDocumentContent.h"
#include "engine/dtpPage.h"
#include "platform/BmpCodec.h"
#include "storage/ArchiveReplacement.h"
#include "storage/XmlBitmaps.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

constexpr const char* kIndexStream = "Index.xml";
// Pages an index may announce beyond the streams present: pages without a stream load empty, but an
// absurd count must not create pages without bound.
constexpr int kMaxPagesWithoutStreams = 1000;

std::string NumberedName(const char* format, int number) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, number);
  return buffer;
}

std::string PageStreamName(int number) { return NumberedName("Page%.4d.xml", number); }
std::string ThumbStreamName(int number) { return NumberedName("Thumb%.4d.bmp", number); }

TMemoryStream ReadWholeStream(TSingleStorage& archive, const std::string& name) {
  TMemoryStream bytes;
  archive.ReadStream(name, bytes);
  bytes.SetPosition(0);
  return bytes;
}

// Parses a stream of the archive; false when the stream is missing or empty.
bool ReadXmlStream(TSingleStorage& archive, const std::string& name, TXmlDocument& xml) {
  TMemoryStream bytes = ReadWholeStream(archive, name);
  if (bytes.Size() == 0) return false;
  xml.LoadFromStream(bytes);
  return true;
}

void WriteXmlStream(TSingleStorage& archive, const std::string& name, TXmlDocument& xml) {
  TMemoryStream bytes;
  xml.SaveToStream(bytes);
  bytes.SetPosition(0);
  archive.AddStream(bytes, name);
}

// Thumbnails are small pictures: one announcing a huge size is refused before it is decoded, so that
// a damaged file cannot make the opening allocate without bound.
void CheckThumbnailSize(const TMemoryStream& bytes) {
  constexpr int64_t kMaxThumbnailPixels = 2048 * 2048;
  const uint8_t* p = bytes.Memory();
  const size_t n = bytes.Bytes().size();
  if (n < 26 || static_cast<int32_t>(ReadLE32(p + 14)) < 40) return;  // the reader judges short and core headers
  const int64_t width = std::abs(static_cast<int64_t>(static_cast<int32_t>(ReadLE32(p + 18))));
  const int64_t height = std::abs(static_cast<int64_t>(static_cast<int32_t>(ReadLE32(p + 22))));
  if (width * height > kMaxThumbnailPixels) throw Exception("Invalid BMP file: thumbnail too large");
}

std::optional<TBmpImage> ReadThumbnail(TSingleStorage& archive, int number) {
  TMemoryStream bytes = ReadWholeStream(archive, ThumbStreamName(number));
  if (bytes.Size() == 0) return std::nullopt;
  CheckThumbnailSize(bytes);
  return ReadBmp(bytes.Memory(), static_cast<size_t>(bytes.Size()));
}

class BusyScope {
 public:
  BusyScope(TdtpDocument& document, TCursor cursor) : document_(document) { document_.BeginBusy(cursor); }
  ~BusyScope() { document_.EndBusy(); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  TdtpDocument& document_;
};

// Values read from a stored file: what is out of range or not a finite number reads as the default.
float ReadPositive(const TXmlNode& node, const char* name, float defaultValue) {
  const double v = node.GetFloat(name, defaultValue);
  return std::isfinite(v) && v > 0 && v < 1.0e7 ? static_cast<float>(v) : defaultValue;
}

float ReadFinite(const TXmlNode& node, const char* name, float defaultValue) {
  const double v = node.GetFloat(name, defaultValue);
  return std::isfinite(v) && std::fabs(v) < 1.0e7 ? static_cast<float>(v) : defaultValue;
}

int ReadOrdinal(const TXmlNode& node, const char* name, int last) {
  const int v = node.GetInteger(name, 0);
  return v >= 0 && v <= last ? v : 0;
}

int ReadThumbnailSide(const TXmlNode& node, const char* name, int defaultValue) {
  constexpr int kMaxThumbnailSide = 2048;
  const int v = node.GetInteger(name, defaultValue);
  return v > 0 && v <= kMaxThumbnailSide ? v : defaultValue;
}

void WriteFloat(TXmlNode& node, const char* name, float value, float defaultValue) {
  node.PutFloat(name, static_cast<double>(value), static_cast<double>(defaultValue));
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::absolute(a, ec).lexically_normal() == std::filesystem::absolute(b, ec).lexically_normal();
}

}  // namespace

// The settings of "Index.xml", read completely before any of them is applied, so that a damaged
// index changes nothing.
struct TdtpArchiveSettings {
  TColor HandleColor, HandleEdgeColor;
  int HotZoneScrolling, StretchFilter;
  bool ReadOnly;
  float RenderDpm, ScreenDpm;
  bool StoreThumbnails, ShowMargins, SnapToGrid;
  float StepAngle;
  int ViewStyle;
  float PageWidth, PageHeight, MarginLeft, MarginTop, MarginRight, MarginBottom, GridSize;
  TColor GridColor, PageColor;
  std::unique_ptr<TBitmap32> BackgroundImage;
  bool BackgroundTiled;
  int ThumbnailWidth, ThumbnailHeight;

  explicit TdtpArchiveSettings(TXmlNode& node) {
    HandleColor = node.GetColor("HandleColor", 0);
    HandleEdgeColor = node.GetColor("HandleEdgeColor", 0);
    HotZoneScrolling = ReadOrdinal(node, "HotzoneScrolling", hzsWhenMouseDown);
    StretchFilter = ReadOrdinal(node, "StretchFilter", sfSpline);
    ReadOnly = node.GetBool("ReadOnly", false);
    RenderDpm = ReadPositive(node, "RenderDpm", kDefaultDpm);
    ScreenDpm = ReadPositive(node, "ScreenDpm", kDefaultDpm);
    StoreThumbnails = node.GetBool("StoreThumbnails", true);
    ShowMargins = node.GetBool("ShowMargins", false);
    SnapToGrid = node.GetBool("SnapToGrid", false);
    StepAngle = ReadFinite(node, "StepAngle", 0);
    ViewStyle = ReadOrdinal(node, "ViewStyle", vsNormal);
    PageWidth = ReadPositive(node, "DefaultPageWidth", 210);
    PageHeight = ReadPositive(node, "DefaultPageHeight", 297);
    MarginLeft = ReadFinite(node, "DefaultMarginLeft", 10);
    MarginTop = ReadFinite(node, "DefaultMarginTop", 10);
    MarginRight = ReadFinite(node, "DefaultMarginRight", 10);
    MarginBottom = ReadFinite(node, "DefaultMarginBottom", 10);
    GridSize = ReadFinite(node, "DefaultGridSize", 5);
    GridColor = node.GetColor("DefaultGridColor", clLightCyan);
    PageColor = node.GetColor("DefaultPageColor", clWhite);
    ReadBitmap32Node(&node, "DefaultBgrImage", BackgroundImage);
    BackgroundTiled = node.GetBool("DefaultBgrTiled", false);
    ThumbnailWidth = ReadThumbnailSide(node, "ThumbnailWidth", 80);
    ThumbnailHeight = ReadThumbnailSide(node, "ThumbnailHeight", 60);
  }
};

// ---------------------------------------------------------------------------------------------
// Settings

void TdtpDocument::LoadSettingsFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpArchiveSettings s(*node);
  handleColor_ = s.HandleColor;
  handleEdgeColor_ = s.HandleEdgeColor;
  hotZoneScrolling_ = static_cast<TdtpHZScrollingType>(s.HotZoneScrolling);
  quality_ = static_cast<TStretchFilter>(s.StretchFilter);
  readOnly_ = s.ReadOnly;
  renderDpm_ = s.RenderDpm;
  screenDpm_ = s.ScreenDpm;
  storeThumbnails_ = s.StoreThumbnails;
  showMargins_ = s.ShowMargins;
  snapToGrid_ = s.SnapToGrid;
  stepAngle_ = s.StepAngle;
  viewStyle_ = static_cast<TdtpViewStyleType>(s.ViewStyle);
  defaultPageWidth_ = s.PageWidth;
  defaultPageHeight_ = s.PageHeight;
  defaultMarginLeft_ = s.MarginLeft;
  defaultMarginTop_ = s.MarginTop;
  defaultMarginRight_ = s.MarginRight;
  defaultMarginBottom_ = s.MarginBottom;
  defaultGridSize_ = s.GridSize;
  defaultGridColor_ = s.GridColor;
  defaultPageColor_ = s.PageColor;
  defaultBackgroundImage_ = std::move(s.BackgroundImage);
  defaultBackgroundTiled_ = s.BackgroundTiled;
  thumbnailWidth_ = s.ThumbnailWidth;
  thumbnailHeight_ = s.ThumbnailHeight;
  if (OnLoadAdditionalInfo) OnLoadAdditionalInfo(this, node);
  Invalidate();
}

void TdtpDocument::SaveSettingsToXml(TXmlNode* node) {
  if (!node) return;
  node->PutHex("HandleColor", static_cast<int>(handleColor_), 0, 8);
  node->PutHex("HandleEdgeColor", static_cast<int>(handleEdgeColor_), 0, 8);
  node->PutInteger("HotzoneScrolling", hotZoneScrolling_, 0);
  node->PutInteger("StretchFilter", quality_, 0);
  node->PutBool("ReadOnly", readOnly_, false);
  WriteFloat(*node, "RenderDpm", renderDpm_, kDefaultDpm);
  WriteFloat(*node, "ScreenDpm", screenDpm_, kDefaultDpm);
  node->PutBool("StoreThumbnails", storeThumbnails_, true);
  node->PutBool("ShowMargins", showMargins_, false);
  node->PutBool("SnapToGrid", snapToGrid_, false);
  WriteFloat(*node, "StepAngle", stepAngle_, 0);
  node->PutInteger("ViewStyle", viewStyle_, 0);
  node->PutInteger("PageCount", PageCount(), 0);
  WriteFloat(*node, "DefaultPageWidth", defaultPageWidth_, 210);
  WriteFloat(*node, "DefaultPageHeight", defaultPageHeight_, 297);
  WriteFloat(*node, "DefaultMarginLeft", defaultMarginLeft_, 10);
  WriteFloat(*node, "DefaultMarginTop", defaultMarginTop_, 10);
  WriteFloat(*node, "DefaultMarginRight", defaultMarginRight_, 10);
  WriteFloat(*node, "DefaultMarginBottom", defaultMarginBottom_, 10);
  WriteFloat(*node, "DefaultGridSize", defaultGridSize_, 5);
  node->PutColor("DefaultGridColor", defaultGridColor_, clLightCyan);
  node->PutColor("DefaultPageColor", defaultPageColor_, clWhite);
  WriteBitmap32Node(node, "DefaultBgrImage", defaultBackgroundImage_.get());
  node->PutBool("DefaultBgrTiled", defaultBackgroundTiled_, false);
  node->PutInteger("ThumbnailWidth", thumbnailWidth_, 80);
  node->PutInteger("ThumbnailHeight", thumbnailHeight_, 60);
  if (OnSaveAdditionalInfo) OnSaveAdditionalInfo(this, node);
}

// ---------------------------------------------------------------------------------------------
// Opening

namespace {

std::unique_ptr<TSingleStorage> OpenArchive(const std::string& fileName) {
  auto archive = std::make_unique<TSingleStorage>();
  archive->SetOverwriteMode(omReplace);
  archive->SetFileName(fileName);
  return archive;
}

}  // namespace

void TdtpDocument::LoadFromFile(const std::string& fileName) {
  CheckNotBusy();
  BusyScope busy(*this, crHourGlass);
  if (!std::filesystem::is_regular_file(fileName)) throw Exception("Cannot find file \"" + fileName + "\"");

  std::unique_ptr<TSingleStorage> archive = OpenArchive(fileName);
  TXmlDocument index;
  if (!ReadXmlStream(*archive, kIndexStream, index) || !index.Root() || index.Root()->Name() != "Document") {
    throw Exception("\"" + fileName + "\" is not a drawing: it holds no document index");
  }
  TXmlNode* root = index.Root();
  const int count = root->GetInteger("PageCount", 0);
  if (count < 0 || count > archive->StreamCount() + kMaxPagesWithoutStreams) {
    throw Exception("\"" + fileName + "\" announces an invalid page count");
  }

  // The drawing is opened into an emptied document while the open one waits aside; it comes back
  // unchanged when anything of the opening fails, and is discarded once the new one is complete.
  TdtpDocumentContent parked;
  UnhookCurrentPage();
  SwapContent(parked);
  try {
    SetDefaults();
    archive_ = std::move(archive);
    LoadSettingsFromXml(root);
    for (int n = 1; n <= count; ++n) {
      Progress(ptLoad, n, count, static_cast<float>(n - 1) / static_cast<float>(count));
      auto page = std::make_unique<TdtpPage>();
      page->SetLoaded(false);
      if (const std::optional<TBmpImage> thumbnail = ReadThumbnail(*archive_, n)) page->SetThumbnail(&*thumbnail);
      AddPage(std::move(page));
    }
    SetCurrentPageIndex(0);
    SetModified(false);
    Progress(ptLoad, count, count, 1);
  } catch (...) {
    Clear();
    SwapContent(parked);
    RehookCurrentPage();
    throw;
  }
  SwapContent(parked);
  Clear();
  SwapContent(parked);
}

void TdtpDocument::ReadPageFromArchive(int index) {
  TdtpPage* page = Pages(index);
  if (!archive_ || !page) return;
  const bool showCursor = !IsBusy();
  if (showCursor) ShowCursor(crAppStart);
  // Reading a page is no edit: the shapes it adds must not become undoable insertions.
  LockUndo();
  try {
    TXmlDocument xml;
    if (ReadXmlStream(*archive_, PageStreamName(index + 1), xml)) page->LoadFromXml(xml.Root());
  } catch (...) {
    UnlockUndo();
    if (showCursor) ShowCursor(Cursor());
    throw;
  }
  UnlockUndo();
  if (showCursor) ShowCursor(Cursor());
}

// ---------------------------------------------------------------------------------------------
// Saving
//
// The open file is never written in place. Every change to it (a save, the index, the direct page
// operations) builds a new version of the archive beside it, in which the streams that stay as they
// are are copied unchanged and only the changed ones are written, and renames that over the file
// once it is complete on the disk. The document then works with the new file.

void TdtpDocument::SaveIndex() {
  if (!archive_) return;
  ReplaceArchiveFile(
      archive_->FileName(), [](const std::string& name) { return name != kIndexStream; },
      [this](TSingleStorage& target) { WriteIndex(target, PageCount()); });
}

void TdtpDocument::WriteIndex(TSingleStorage& target, int pageCount) {
  TXmlDocument xml("Document");
  xml.SetLayout(xlIndented);
  xml.SetStoreDefaults(true);
  SaveSettingsToXml(xml.Root());
  if (pageCount != PageCount()) {
    // The index of a page operation about to happen.
    if (TXmlNode* count = xml.Root()->FindChild("PageCount")) count->SetText(std::to_string(pageCount));
  }
  WriteXmlStream(target, kIndexStream, xml);
}

bool TdtpDocument::StoredUnchanged(int index) const {
  const TdtpPage* page = Pages(index);
  return archive_ && page && !page->Modified() && archive_->StreamExists(PageStreamName(index + 1));
}

void TdtpDocument::SaveToArchive() {
  if (!archive_) throw Exception("Archive must exist");
  SaveArchiveAs(archive_->FileName(), true);
}

void TdtpDocument::SaveToFile(const std::string& fileName) {
  CheckNotBusy();
  BusyScope busy(*this, crHourGlass);
  SaveArchiveAs(fileName, archive_ && SameFile(archive_->FileName(), fileName));
}

void TdtpDocument::SaveArchiveAs(const std::string& fileName, bool sameFile) {
  // What stays as it is: under the same name every stream but those the save rewrites (as an
  // in-place save keeps them); under a new name the streams of the stored pages that did not
  // change, so that pages never read need not be read to be saved.
  std::set<std::string> rewritten = {kIndexStream};
  std::set<std::string> kept;
  for (int i = 0; i < PageCount(); ++i) {
    std::set<std::string>& names = StoredUnchanged(i) ? kept : rewritten;
    names.insert(PageStreamName(i + 1));
    if (storeThumbnails_) names.insert(ThumbStreamName(i + 1));
  }
  ReplaceArchiveFile(
      fileName,
      [&](const std::string& name) { return sameFile ? rewritten.count(name) == 0 : kept.count(name) != 0; },
      [this](TSingleStorage& target) { WriteModifiedParts(target); });
  CommitSave();
}

void TdtpDocument::WriteModifiedParts(TSingleStorage& target) {
  WriteIndex(target, PageCount());
  const int count = PageCount();
  const auto total = static_cast<float>(count);
  for (int i = 0; i < count; ++i) {
    TdtpPage* page = Pages(i);
    const int n = i + 1;
    const bool stored = StoredUnchanged(i);
    if (!stored) {
      TXmlDocument xml("Page");
      xml.SetLayout(xlIndented);
      xml.SetStoreDefaults(false);
      xml.Root()->AddAttributeInt("Index", n);
      page->SaveToXml(xml.Root());
      Progress(ptSave, n, count, (static_cast<float>(i) + 0.2f) / total);
      TMemoryStream bytes;
      xml.SaveToStream(bytes);
      bytes.SetPosition(0);
      Progress(ptSave, n, count, (static_cast<float>(i) + 0.7f) / total);
      target.AddStream(bytes, PageStreamName(n));
      Progress(ptSave, n, count, (static_cast<float>(i) + 0.7f) / total);
    }
    // A stored page copied from a file without thumbnails gets its thumbnail as well.
    if (storeThumbnails_ && (!stored || !target.StreamExists(ThumbStreamName(n)))) {
      if (const TBmpImage* thumbnail = page->GetThumbnail()) {
        TMemoryStream picture;
        WriteBmp(*thumbnail, 24, picture);
        picture.SetPosition(0);
        target.AddStream(picture, ThumbStreamName(n));
      } else {
        target.DeleteStream(ThumbStreamName(n));
      }
    }
  }
  Progress(ptSave, count, count, 1);
  for (int n = count + 1; target.StreamExists(PageStreamName(n)); ++n) DeletePageStreams(target, n);
  if (target.WastedSpace() > target.FileSize() / 4) target.Pack();
}

void TdtpDocument::CommitSave() {
  SetModified(false);
  if (!undoPastSave_) ClearUndo();
}

void TdtpDocument::ReplaceArchiveFile(const std::string& fileName,
                                      const std::function<bool(const std::string&)>& carry,
                                      const std::function<void(TSingleStorage&)>& change) {
  if (fileName.empty() && archive_) {
    // An archive on a stream of the caller's has no file to protect: it is changed in place.
    try {
      change(*archive_);
    } catch (...) {
      try {
        archive_->Flush();
      } catch (const Exception&) {
        // The first failure is the one to report.
      }
      throw;
    }
    archive_->Flush();
    return;
  }
  TArchiveReplacement next(fileName);
  if (archive_) {
    for (int k = 0; k < archive_->StreamCount(); ++k) {
      const std::string name = archive_->Streams(k)->Name();
      if (carry(name)) next.CopyStream(*archive_, name, name);
    }
  }
  change(next.Archive());
  next.Commit();
  // The file holds the new version now. Should it not open again, the archive of the previous
  // version still serves the pages not yet read.
  archive_ = OpenArchive(fileName);
}

// ---------------------------------------------------------------------------------------------
// Direct page operations: the streams of an open archive renumbered at once, with the index, before
// the page list changes, so that a failure leaves both the file and the document as they were.

void TdtpDocument::InsertPageStreams(int index) {
  const int count = PageCount();
  ReplaceArchiveFile(
      archive_->FileName(), [](const std::string& name) { return name != kIndexStream; },
      [&](TSingleStorage& target) {
        for (int number = count; number > index; --number) MovePageStreams(target, number, number + 1);
        WriteIndex(target, count + 1);
      });
}

void TdtpDocument::RemovePageStreams(int index) {
  const int count = PageCount();
  ReplaceArchiveFile(
      archive_->FileName(), [](const std::string& name) { return name != kIndexStream; },
      [&](TSingleStorage& target) {
        DeletePageStreams(target, index + 1);
        for (int number = index + 2; number <= count; ++number) MovePageStreams(target, number, number - 1);
        WriteIndex(target, count - 1);
      });
}

void TdtpDocument::DeletePageStreams(TSingleStorage& archive, int number) {
  archive.DeleteStream(PageStreamName(number));
  archive.DeleteStream(ThumbStreamName(number));
}

void TdtpDocument::MovePageStreams(TSingleStorage& archive, int from, int to) {
  for (auto name : {PageStreamName, ThumbStreamName}) {
    archive.DeleteStream(name(to));
    archive.RenameStream(name(from), name(to));
  }
}

}  // namespace kivrano
