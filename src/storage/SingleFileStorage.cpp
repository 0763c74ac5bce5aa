#include "storage/SingleFileStorage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "platform/Dialogs.h"
#include "storage/FileSystem.h"

namespace kivrano {

namespace {

constexpr uint8_t kMagic[4] = {'S', 'T', 'O', 'R'};
constexpr int64_t kEntryFixedLength = 20;  // offset, size, name length

template <class T>
void PutLE(std::vector<uint8_t>& out, T value) {
  auto v = static_cast<uint64_t>(value);
  for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

template <class T>
T GetLE(const uint8_t* bytes) {
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return static_cast<T>(v);
}

[[noreturn]] void Corrupted() { throw Exception("Corrupted archive"); }

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

// Sets the current operation and name and routes a stream's progress to the storage's OnProgress
// for as long as it lives.
class TSingleStorage::OperationScope {
 public:
  OperationScope(TSingleStorage& storage, TStream64* routed, TStorageOperation operation, const std::string& name)
      : storage_(storage), routed_(routed) {
    storage_.operation_ = operation;
    storage_.operationName_ = name;
    if (routed_) {
      previous_ = std::move(routed_->OnProgress);
      routed_->OnProgress = [this](TStream64*, int64_t total, int64_t done) { storage_.ReportProgress(total, done); };
    }
  }
  ~OperationScope() {
    if (routed_) routed_->OnProgress = std::move(previous_);
    storage_.operation_ = opIdle;
  }
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;

 private:
  TSingleStorage& storage_;
  TStream64* routed_;
  TStream64::TProgressEvent previous_;
};

// ---------------------------------------------------------------------------------------------
// TStoreStream

TStoreStream::TStoreStream(TSingleStorage* storage) : storage_(storage) {}

TStoreStream::~TStoreStream() = default;

void TStoreStream::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  if (storage_) storage_->DirectoryChanged();
}

void TStoreStream::Touch() {
  if (storage_) accessStamp_ = storage_->NextAccessStamp();
}

void TStoreStream::DropCache() {
  cache_.reset();
  modified_ = false;
}

void TStoreStream::Unload() {
  DropCache();
  offset_ = 0;
  size_ = 0;
}

namespace {

// A stream of an archive copied to or from the same archive must be in memory first: loading it
// in the middle of a block copy would move the archive's position under the copy.
template <class S>
void LoadIfStoreStream(S& stream) {
  if constexpr (std::is_base_of_v<TStream64, S>) {
    if (auto* store = dynamic_cast<TStoreStream*>(static_cast<TStream64*>(&stream))) {
      if (store->Size() > 0 && !store->CacheLoaded()) store->LoadCache();
    }
  }
}

}  // namespace

template <class Source>
void TStoreStream::Store(Source& source) {
  if (!storage_) throw Exception("Stream write error");  // no archive to store into
  DropCache();
  LoadIfStoreStream(source);
  int64_t n = source.Size();
  if (n < 0) throw Exception("Stream read error");
  // Placement keeps this stream's current range occupied: its old bytes stay intact until the new
  // ones are completely written.
  int64_t offset = storage_->Allocate(n);
  TStream64* archive = storage_->Stream();
  if (n > 0 && archive) {
    source.SetPosition(0);
    if constexpr (std::is_base_of_v<TStream64, Source>) {
      archive->CopyFrom(source, n);
    } else {
      archive->CopyFromStream(source, n);
    }
  }
  offset_ = offset;
  size_ = n;
}

void TStoreStream::LoadFromStream(TStream64& source) {
  Store(source);
  storage_->DirectoryChanged();
}

void TStoreStream::LoadFromStream(TStream& source) {
  Store(source);
  storage_->DirectoryChanged();
}

template <class Target>
void TStoreStream::Deliver(Target& target) {
  if (cache_ && modified_) {
    int64_t position = cache_->Position();
    cache_->SetPosition(0);
    if (cache_->Size() > 0) {
      if constexpr (std::is_base_of_v<TStream64, Target>) {
        target.CopyFrom(*cache_, cache_->Size());
      } else {
        cache_->CopyToStream(target, cache_->Size());
      }
    }
    cache_->SetPosition(position);
    return;
  }
  TStream64* archive = storage_ ? storage_->Stream() : nullptr;
  if (size_ <= 0 || !archive) return;
  LoadIfStoreStream(target);
  archive->SetPosition(offset_);
  if constexpr (std::is_base_of_v<TStream64, Target>) {
    target.CopyFrom(*archive, size_);
  } else {
    archive->CopyToStream(target, size_);
  }
}

void TStoreStream::SaveToStream(TStream64& target) { Deliver(target); }

void TStoreStream::SaveToStream(TStream& target) { Deliver(target); }

void TStoreStream::SaveToFile(const std::string& path) {
  TFileStream64 file(path, fmCreate);
  if (!storage_) {
    Deliver(file);
    return;
  }
  TSingleStorage::OperationScope scope(*storage_, &file, opSave, path);
  Deliver(file);
}

void TStoreStream::Assign(TStoreStream& other) {
  if (&other == this) return;
  SetName("");
  Unload();
  if (storage_) storage_->DirectoryChanged();
  SetName(other.Name());
  LoadFromStream(other);
}

void TStoreStream::Load() {
  modified_ = false;
  auto cache = std::make_unique<TMemoryStream64>();
  TStream64* archive = storage_ ? storage_->Stream() : nullptr;
  if (size_ > 0 && archive) {
    archive->SetPosition(offset_);
    cache->SetSize(size_);
    cache->SetPosition(0);
    cache->OnProgress = [this](TStream64*, int64_t total, int64_t done) { storage_->ReportProgress(total, done); };
    cache->CopyFrom(*archive, size_);
    cache->OnProgress = nullptr;
    cache->SetPosition(0);
  }
  cache_ = std::move(cache);
  Touch();
}

void TStoreStream::EnsureLoaded() {
  if (!cache_) Load();
}

void TStoreStream::LoadCache() {
  if (!storage_) {
    EnsureLoaded();
    return;
  }
  {
    TSingleStorage::OperationScope scope(*storage_, nullptr, opLoad, name_);
    // An existing cache stays: reloading would throw away changes not yet written back.
    EnsureLoaded();
  }
  storage_->TrimCaches();
  storage_->Change();
}

void TStoreStream::Flush() {
  if (cache_ && modified_ && storage_) {
    TSingleStorage::OperationScope scope(*storage_, storage_->Stream(), opFlush, name_);
    int64_t n = cache_->Size();
    int64_t offset = storage_->Allocate(n);
    if (n > 0 && storage_->Stream()) {
      cache_->SetPosition(0);
      storage_->Stream()->CopyFrom(*cache_, n);
    }
    offset_ = offset;
    size_ = n;
    modified_ = false;
    storage_->DirectoryChanged();
  }
  DropCache();
  if (storage_) storage_->Change();
}

int32_t TStoreStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  EnsureLoaded();
  int32_t n = cache_->Read(buffer, count);
  Touch();
  return n;
}

int32_t TStoreStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  EnsureLoaded();
  int32_t n = cache_->Write(buffer, count);
  if (n > 0) modified_ = true;
  Touch();
  return n;
}

int64_t TStoreStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!cache_) {
    if (offset == 0) return origin == soEnd ? size_ : 0;
    Load();
  }
  return cache_->Seek(offset, origin);
}

void TStoreStream::SetSize(int64_t newSize) {
  if (newSize == Size()) return;
  EnsureLoaded();
  cache_->SetSize(newSize);
  modified_ = true;
}

int64_t TStoreStream::Size() { return cache_ ? cache_->Size() : size_; }

// ---------------------------------------------------------------------------------------------
// TSingleStorage

TSingleStorage::TSingleStorage() = default;

TSingleStorage::~TSingleStorage() {
  try {
    FreeStreams(true);
  } catch (...) {
    // A destructor cannot report a failed write-back; the directory on disk still describes the
    // last complete state.
  }
}

int64_t TSingleStorage::ReservationLength(int64_t directoryLength) {
  int64_t r = 1024;
  while (r < directoryLength) r *= 4;
  return r;
}

void TSingleStorage::SetFileName(const std::string& fileName) {
  if (fileName == fileName_) return;
  if (fileName.empty()) {
    SetStream(nullptr);
    return;
  }
  std::unique_ptr<TStream64> file;
  if (createNew_ || !FileExists(fileName)) {
    file = FileSystem().OpenFile(fileName, fmCreate, fmShareDenyWrite);
  } else {
    try {
      file = FileSystem().OpenFile(fileName, fmOpenReadWrite, fmShareDenyWrite);
    } catch (const Exception&) {
      // Another program writes it, or it is not writable: read-only, and writes into it fail.
      file = FileSystem().OpenFile(fileName, fmOpenRead, fmShareDenyNone);
    }
  }
  Attach(std::move(file), fileName);
}

void TSingleStorage::SetStream(std::unique_ptr<TStream64> stream) {
  if (stream && stream.get() == stream_.get()) {
    (void)stream.release();  // already ours
    return;
  }
  if (!stream && !stream_) return;
  Attach(std::move(stream), "");
}

void TSingleStorage::Attach(std::unique_ptr<TStream64> stream, const std::string& fileName) {
  FreeStreams(true);
  stream_ = std::move(stream);
  fileName_ = fileName;
  dirPosition_ = 0;
  dirReservation_ = 0;
  ReadHeader();
  ReadDirectory();
}

void TSingleStorage::ReadHeader() {
  major_ = 1;
  minor_ = 0;
  if (!stream_) return;
  if (stream_->Size() == 0) {
    WriteHeaderStart();
    return;
  }
  uint8_t header[6] = {};
  stream_->SetPosition(0);
  int32_t got = stream_->Read(header, 6);
  bool magic = got >= 4 && std::memcmp(header, kMagic, 4) == 0;
  major_ = magic && got >= 5 ? header[4] : 0;
  minor_ = magic && got >= 6 ? header[5] : 0;
  if (major_ == 0) {
    Change();
    throw Exception("Not a valid storage");
  }
}

void TSingleStorage::ReadDirectory() {
  streams_.clear();
  dirPosition_ = 0;
  dirReservation_ = 0;
  try {
    ParseDirectory();
  } catch (...) {
    streams_.clear();
    dirPosition_ = 0;
    dirReservation_ = 0;
    Change();
    throw;
  }
  Change();
}

void TSingleStorage::ParseDirectory() {
  if (!stream_) return;
  const int64_t fileSize = stream_->Size();
  if (fileSize < kHeaderSize) return;
  uint8_t word[8];
  stream_->SetPosition(6);
  stream_->ReadBuffer(word, 8);
  const int64_t position = GetLE<int64_t>(word);
  if (position < kHeaderSize || position > fileSize - 4) Corrupted();
  stream_->SetPosition(position);
  stream_->ReadBuffer(word, 4);
  const int32_t count = GetLE<int32_t>(word);
  // Every size read below is checked against the bytes the file still holds, so a damaged
  // directory cannot make us allocate more than the file's length.
  int64_t cursor = position + 4;
  if (count < 0 || count > (fileSize - cursor) / kEntryFixedLength) Corrupted();
  std::vector<TRange> ranges;
  for (int32_t i = 0; i < count; ++i) {
    uint8_t entry[kEntryFixedLength];
    if (kEntryFixedLength > fileSize - cursor) Corrupted();
    stream_->ReadBuffer(entry, kEntryFixedLength);
    cursor += kEntryFixedLength;
    auto stream = std::make_unique<TStoreStream>(this);
    stream->offset_ = GetLE<int64_t>(entry);
    stream->size_ = GetLE<int64_t>(entry + 8);
    const int32_t nameLength = GetLE<int32_t>(entry + 16);
    if (nameLength < 0 || nameLength > fileSize - cursor) Corrupted();
    if (stream->size_ < 0) Corrupted();
    if (stream->size_ > 0) {
      if (stream->offset_ < kHeaderSize || stream->offset_ > fileSize || stream->size_ > fileSize - stream->offset_)
        Corrupted();
      ranges.push_back({stream->offset_, stream->size_, stream.get()});
    }
    stream->name_.resize(static_cast<size_t>(nameLength));
    stream_->ReadBuffer(stream->name_.data(), nameLength);
    cursor += nameLength;
    streams_.push_back(std::move(stream));
  }
  dirPosition_ = position;
  dirReservation_ = ReservationLength(cursor - position);
  ranges.push_back({dirPosition_, dirReservation_, nullptr});
  std::sort(ranges.begin(), ranges.end(), [](const TRange& a, const TRange& b) { return a.Offset < b.Offset; });
  for (size_t i = 1; i < ranges.size(); ++i) {
    if (ranges[i].Offset < ranges[i - 1].End()) Corrupted();
  }
}

TStoreStream* TSingleStorage::Streams(int index) const {
  if (index < 0 || index >= StreamCount()) return nullptr;
  return streams_[static_cast<size_t>(index)].get();
}

TStoreStream* TSingleStorage::FindStream(const std::string& name) const {
  for (const auto& s : streams_) {
    if (s->name_ == name) return s.get();
  }
  return nullptr;
}

int TSingleStorage::IndexOf(const TStoreStream* stream) const {
  for (size_t i = 0; i < streams_.size(); ++i) {
    if (streams_[i].get() == stream) return static_cast<int>(i);
  }
  return -1;
}

bool TSingleStorage::MayOverwrite(const std::string& name) {
  switch (overwriteMode_) {
    case omReplace: return true;
    case omAsk:
      return Dialogs().MessageDlg("Warning: stream \"" + name + "\" is about to be overwritten.\rProceed?",
                                  mtWarning, MsgButtons({mbYes, mbNo})) == mrYes;
    case omAskEvent: {
      bool allow = false;
      if (OnOverwrite) OnOverwrite(this, name, allow);
      return allow;
    }
    case omRefuse: break;
  }
  throw Exception("Cannot overwrite stream \"" + name + "\"");
}

template <class Source>
int TSingleStorage::AddFrom(Source& source, const std::string& name) {
  auto stream = std::make_unique<TStoreStream>(this);
  stream->SetName(name);
  if (name.empty()) throw Exception("Stream Add Error: stream must have a name");
  const TStoreStream* existing = FindStream(name);
  if (existing && !MayOverwrite(name)) return -1;
  {
    OperationScope scope(*this, stream_.get(), opAdd, name);
    stream->Store(source);
  }
  // The new bytes are complete: only now does the directory switch from the old stream to the new.
  int replaced = IndexOf(existing);
  if (replaced >= 0) streams_.erase(streams_.begin() + replaced);
  streams_.push_back(std::move(stream));
  DirectoryChanged();
  TrimCaches();
  return StreamCount() - 1;
}

int TSingleStorage::AddStream(TStream& source, const std::string& name) { return AddFrom(source, name); }

int TSingleStorage::AddStream(TStream64& source, const std::string& name) { return AddFrom(source, name); }

void TSingleStorage::ReadStream(const std::string& name, TStream& target) {
  TStoreStream* stream = FindStream(name);
  if (!stream) return;
  int64_t position = target.Position();
  stream->SaveToStream(target);
  target.SetPosition(position);
}

void TSingleStorage::DeleteStream(const std::string& name) {
  int index = IndexOf(FindStream(name));
  if (index < 0) return;
  streams_.erase(streams_.begin() + index);
  DirectoryChanged();
}

void TSingleStorage::RenameStream(const std::string& oldName, const std::string& newName) {
  if (TStoreStream* stream = FindStream(oldName)) stream->SetName(newName);
}

void TSingleStorage::FreeStreams(bool writeBack) {
  if (writeBack) {
    for (auto& s : streams_) {
      if (s->cache_ && s->modified_) s->Flush();
    }
  }
  streams_.clear();
}

void TSingleStorage::Clear() { FreeStreams(true); }

void TSingleStorage::Flush() {
  bool any = false;
  updating_ = true;
  try {
    for (auto& s : streams_) {
      if (s->cache_ && s->modified_) {
        s->Flush();
        any = true;
      }
    }
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
  if (any) DirectoryChanged();
}

int64_t TSingleStorage::FileSize() const { return stream_ ? stream_->Size() : 0; }

int64_t TSingleStorage::DataSize() const {
  int64_t total = 0;
  for (const auto& s : streams_) total += s->Size();
  return total;
}

int64_t TSingleStorage::WastedSpace() const {
  int64_t fileSize = FileSize();
  int64_t wasted = fileSize - dirReservation_ - (fileSize >= kHeaderSize ? kHeaderSize : 0);
  for (const auto& s : streams_) wasted -= s->size_;
  return wasted;
}

std::vector<TSingleStorage::TRange> TSingleStorage::OccupiedRanges() const {
  std::vector<TRange> ranges;
  for (const auto& s : streams_) {
    if (s->size_ > 0) ranges.push_back({s->offset_, s->size_, s.get()});
  }
  if (dirReservation_ > 0) ranges.push_back({dirPosition_, dirReservation_, nullptr});
  std::sort(ranges.begin(), ranges.end(), [](const TRange& a, const TRange& b) { return a.Offset < b.Offset; });
  return ranges;
}

int64_t TSingleStorage::Allocate(int64_t n) {
  if (n <= 0 || !stream_) return 0;
  std::vector<TRange> ranges = OccupiedRanges();
  int64_t result = -1;
  for (size_t i = 0; i + 1 < ranges.size(); ++i) {
    int64_t gap = ranges[i + 1].Offset - ranges[i].End();
    if (gap < 0) Corrupted();
    if (gap >= n) {
      result = ranges[i].End();
      break;
    }
  }
  if (result < 0) result = ranges.empty() ? kHeaderSize : ranges.back().End();
  if (FileSize() < kHeaderSize) WriteHeaderStart();
  stream_->SetPosition(result);
  return result;
}

void TSingleStorage::WriteHeaderStart() {
  const uint8_t header[6] = {kMagic[0], kMagic[1], kMagic[2], kMagic[3], major_, minor_};
  WriteAt(0, header, 6);
}

void TSingleStorage::WriteAt(int64_t position, const void* bytes, int64_t count) {
  stream_->SetPosition(position);
  const auto* p = static_cast<const uint8_t*>(bytes);
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, TStream64::kCopyBlock));
    stream_->WriteBuffer(p, n);
    p += n;
    count -= n;
  }
}

std::vector<uint8_t> TSingleStorage::SerializeDirectory() const {
  std::vector<uint8_t> out;
  PutLE<int32_t>(out, static_cast<int32_t>(streams_.size()));
  for (const auto& s : streams_) {
    PutLE<int64_t>(out, s->offset_);
    PutLE<int64_t>(out, s->size_);
    PutLE<int32_t>(out, static_cast<int32_t>(s->name_.size()));
    out.insert(out.end(), s->name_.begin(), s->name_.end());
  }
  return out;
}

void TSingleStorage::WriteDirectory() {
  if (!stream_) return;
  const std::vector<uint8_t> directory = SerializeDirectory();
  const auto length = static_cast<int64_t>(directory.size());
  const int64_t reservation = ReservationLength(length);
  if (reservation <= dirReservation_) {
    WriteAt(dirPosition_, directory.data(), length);
    dirReservation_ = reservation;
    return;
  }
  // Move to a new reservation; the old one counts as free for the placement. The header is
  // rewritten last, so until then it still names the old, complete directory.
  const int64_t oldPosition = dirPosition_;
  const int64_t oldReservation = dirReservation_;
  dirPosition_ = 0;
  dirReservation_ = 0;
  try {
    const int64_t position = Allocate(reservation);
    WriteAt(position, directory.data(), length);
    const int64_t end = position + reservation;
    const int64_t fileSize = FileSize();
    if (fileSize < end) {
      const std::vector<uint8_t> zeros(static_cast<size_t>(end - fileSize), 0);
      WriteAt(fileSize, zeros.data(), end - fileSize);
    }
    std::vector<uint8_t> header;
    PutLE<int64_t>(header, position);
    WriteAt(6, header.data(), 8);
    dirPosition_ = position;
    dirReservation_ = reservation;
  } catch (...) {
    dirPosition_ = oldPosition;
    dirReservation_ = oldReservation;
    throw;
  }
}

void TSingleStorage::DirectoryChanged() {
  if (updating_) return;
  WriteDirectory();
  Change();
}

void TSingleStorage::Change() {
  if (OnChange) OnChange(this);
}

void TSingleStorage::ReportProgress(int64_t total, int64_t done) {
  if (!OnProgress) return;
  float percent = 0;
  if (operation_ == opPack) {
    if (packTotal_ > 0) percent = static_cast<float>(done + packBase_) / static_cast<float>(packTotal_) * 100.0f;
  } else if (total > 0) {
    percent = static_cast<float>(done) / static_cast<float>(total) * 100.0f;
  }
  OnProgress(this, operation_, percent, operationName_);
}

void TSingleStorage::TrimCaches() {
  int64_t total = 0;
  for (const auto& s : streams_) {
    if (s->cache_) total += s->cache_->Size();
  }
  while (total > cacheLimit_) {
    TStoreStream* oldest = nullptr;
    int loaded = 0;
    for (const auto& s : streams_) {
      if (!s->cache_ || s->cache_->Size() == 0) continue;
      ++loaded;
      if (!oldest || s->accessStamp_ < oldest->accessStamp_) oldest = s.get();
    }
    // The most recently used cache always stays, however large.
    if (loaded < 2) break;
    total -= oldest->cache_->Size();
    oldest->Flush();
  }
}

void TSingleStorage::Pack() {
  if (!stream_) return;
  if (dirPosition_ == 0 && !streams_.empty()) WriteDirectory();
  const std::vector<TRange> ranges = OccupiedRanges();
  OperationScope scope(*this, stream_.get(), opPack, "");
  packTotal_ = DataSize() + ReservationLength(static_cast<int64_t>(SerializeDirectory().size())) + kHeaderSize;
  packBase_ = 0;
  abort_ = false;
  int64_t destination = kHeaderSize;
  for (const TRange& range : ranges) {
    if (abort_) {
      // Every finished move already rewrote the directory: the file is consistent as it stands.
      Change();
      return;
    }
    packBase_ = destination;
    if (range.Offset > destination) {
      if (range.Stream) {
        operationName_ = range.Stream->name_;
        stream_->MoveBlock(range.Length, destination, range.Offset);
        range.Stream->offset_ = destination;
        const std::vector<uint8_t> directory = SerializeDirectory();
        WriteAt(dirPosition_, directory.data(), static_cast<int64_t>(directory.size()));
      } else {
        operationName_ = "Index";
        const std::vector<uint8_t> directory = SerializeDirectory();
        WriteAt(destination, directory.data(), static_cast<int64_t>(directory.size()));
        std::vector<uint8_t> header;
        PutLE<int64_t>(header, destination);
        WriteAt(6, header.data(), 8);
        dirPosition_ = destination;
      }
    }
    destination += range.Length;
  }
  // An archive that never had a directory keeps its bare header rather than growing to 14 bytes
  // with a directory position of 0.
  stream_->SetSize(dirPosition_ == 0 ? std::min(destination, FileSize()) : destination);
  Change();
}

void TSingleStorage::AssignFrom(TSingleStorage* other) {
  if (other == this) return;
  // The old content is replaced as a whole: modified caches are not written back first.
  FreeStreams(false);
  if (stream_) {
    stream_->SetPosition(0);
    stream_->SetSize(0);
  }
  dirPosition_ = 0;
  dirReservation_ = 0;
  if (other) {
    updating_ = true;
    try {
      for (const auto& source : other->streams_) {
        auto copy = std::make_unique<TStoreStream>(this);
        copy->name_ = source->name_;
        const int64_t n = source->Size();
        copy->offset_ = Allocate(n);
        if (n > 0 && stream_) source->SaveToStream(*stream_);
        copy->size_ = n;
        streams_.push_back(std::move(copy));
      }
    } catch (...) {
      updating_ = false;
      throw;
    }
    updating_ = false;
  }
  DirectoryChanged();
}

}  // namespace kivrano
