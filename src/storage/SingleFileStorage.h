#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "storage/HugeStreams.h"

namespace kivrano {

// What happens when a stream is added under a name that already exists.
enum TOverwriteMode : uint8_t { omReplace = 0, omAsk = 1, omAskEvent = 2, omRefuse = 3 };

// The long operation that progress reports refer to.
enum TStorageOperation : uint8_t { opIdle = 0, opAdd = 1, opLoad = 3, opFlush = 4, opSave = 5, opPack = 7 };

class TSingleStorage;

// One named stream of an archive. Its bytes lie in one range of the archive file; the stream
// interface (Read, Write, Seek, SetSize) works on a memory cache loaded on first use and written
// back by Flush, by cache trimming or when the storage frees the stream.
class TStoreStream : public TStream64 {
 public:
  explicit TStoreStream(TSingleStorage* storage);
  // Frees the cache without writing it back: the storage writes back the streams it frees.
  ~TStoreStream() override;

  TSingleStorage* Storage() const { return storage_; }
  const std::string& Name() const { return name_; }
  // Renames; the owning storage writes its directory and raises OnChange.
  void SetName(const std::string& name);
  int64_t Offset() const { return offset_; }
  // The size recorded in the directory (Size() is the cache's size while loaded).
  int64_t RecordedSize() const { return size_; }
  bool Modified() const { return modified_; }
  bool CacheLoaded() const { return cache_ != nullptr; }
  uint32_t AccessStamp() const { return accessStamp_; }

  // Store the whole content of source in the archive. The stream's old bytes and its directory
  // entry stay valid until the new bytes are completely in the file.
  void LoadFromStream(TStream64& source);
  void LoadFromStream(TStream& source);
  // Write the stream's bytes into target at its position.
  void SaveToStream(TStream64& target);
  void SaveToStream(TStream& target);
  void SaveToFile(const std::string& path);
  void Assign(TStoreStream& other);

  void LoadCache();
  // Writes a modified cache back into the archive and frees the cache.
  void Flush();
  // Frees the cache and forgets the stream's range (offset and size 0).
  void Unload();

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  int64_t Size() override;

 private:
  friend class TSingleStorage;

  void EnsureLoaded();
  void Load();
  void Touch();
  void DropCache();
  template <class Source>
  void Store(Source& source);
  template <class Target>
  void Deliver(Target& target);

  TSingleStorage* storage_;
  std::string name_;
  int64_t offset_ = 0;
  int64_t size_ = 0;
  std::unique_ptr<TMemoryStream64> cache_;
  bool modified_ = false;
  uint32_t accessStamp_ = 0;
};

// An archive file holding named byte streams: a 14-byte header ("STOR", major, minor, directory
// position), the streams' ranges and a directory, with gaps that first-fit placement reuses and
// Pack closes.
class TSingleStorage {
 public:
  using TNotifyEvent = std::function<void(TSingleStorage* sender)>;
  using TOverwriteEvent = std::function<void(TSingleStorage* sender, const std::string& name, bool& allow)>;
  using TStorageProgressEvent =
      std::function<void(TSingleStorage* sender, TStorageOperation operation, float percent, const std::string& name)>;

  static constexpr int64_t kHeaderSize = 14;
  static constexpr int64_t kDefaultCacheLimit = 10485760;

  TSingleStorage();
  ~TSingleStorage();
  TSingleStorage(const TSingleStorage&) = delete;
  TSingleStorage& operator=(const TSingleStorage&) = delete;

  const std::string& FileName() const { return fileName_; }
  // Opens the archive: created when absent or when CreateNew is set; else opened for reading and
  // writing with writing by others denied, or for reading only when that fails. "" detaches.
  void SetFileName(const std::string& fileName);
  // Attaches any 64-bit stream as the archive and takes ownership; nullptr detaches.
  void SetStream(std::unique_ptr<TStream64> stream);
  TStream64* Stream() const { return stream_.get(); }

  int StreamCount() const { return static_cast<int>(streams_.size()); }
  TStoreStream* Streams(int index) const;
  TStoreStream* FindStream(const std::string& name) const;
  bool StreamExists(const std::string& name) const { return FindStream(name) != nullptr; }

  // Stores the whole content of source under name; the list index, or -1 when replacing an existing
  // stream was declined.
  int AddStream(TStream& source, const std::string& name);
  int AddStream(TStream64& source, const std::string& name);
  // Writes the named stream's bytes into target at its position and sets the position back there.
  void ReadStream(const std::string& name, TStream& target);
  void DeleteStream(const std::string& name);
  void RenameStream(const std::string& oldName, const std::string& newName);
  void Clear();
  void Flush();
  void Pack();
  void AbortPack() { abort_ = true; }

  int64_t FileSize() const;
  int64_t DataSize() const;
  int64_t WastedSpace() const;
  // Replaces the whole archive by copies of other's streams (an empty archive for nullptr).
  void AssignFrom(TSingleStorage* other);

  int64_t DirectoryPosition() const { return dirPosition_; }
  int64_t DirectoryReservation() const { return dirReservation_; }
  uint8_t Major() const { return major_; }
  uint8_t Minor() const { return minor_; }
  TStorageOperation CurrentOperation() const { return operation_; }
  const std::string& CurrentName() const { return operationName_; }

  int64_t CacheLimit() const { return cacheLimit_; }
  void SetCacheLimit(int64_t limit) { cacheLimit_ = limit; }
  TOverwriteMode OverwriteMode() const { return overwriteMode_; }
  void SetOverwriteMode(TOverwriteMode mode) { overwriteMode_ = mode; }
  bool CreateNew() const { return createNew_; }
  void SetCreateNew(bool createNew) { createNew_ = createNew; }

  // The smallest 1024 * 4^k not below a directory of directoryLength bytes.
  static int64_t ReservationLength(int64_t directoryLength);

  TNotifyEvent OnChange;
  TOverwriteEvent OnOverwrite;
  TStorageProgressEvent OnProgress;

 private:
  friend class TStoreStream;
  class OperationScope;

  struct TRange {
    int64_t Offset;
    int64_t Length;
    TStoreStream* Stream;  // nullptr for the directory
    int64_t End() const { return Offset + Length; }
  };

  template <class Source>
  int AddFrom(Source& source, const std::string& name);
  bool MayOverwrite(const std::string& name);
  void Attach(std::unique_ptr<TStream64> stream, const std::string& fileName);
  int IndexOf(const TStoreStream* stream) const;
  void FreeStreams(bool writeBack);
  void ReadHeader();
  void ReadDirectory();
  void ParseDirectory();
  std::vector<TRange> OccupiedRanges() const;
  // Finds room for n bytes (first fit), positions the archive there and returns the offset.
  int64_t Allocate(int64_t n);
  void WriteHeaderStart();
  std::vector<uint8_t> SerializeDirectory() const;
  void WriteAt(int64_t position, const void* bytes, int64_t count);
  void WriteDirectory();
  // Writes the directory and raises OnChange, unless updating.
  void DirectoryChanged();
  void Change();
  void ReportProgress(int64_t total, int64_t done);
  void TrimCaches();
  uint32_t NextAccessStamp() { return ++accessCounter_; }

  std::string fileName_;
  std::unique_ptr<TStream64> stream_;
  std::vector<std::unique_ptr<TStoreStream>> streams_;
  int64_t dirPosition_ = 0;
  int64_t dirReservation_ = 0;
  int64_t cacheLimit_ = kDefaultCacheLimit;
  TOverwriteMode overwriteMode_ = omAsk;
  bool createNew_ = false;
  bool abort_ = false;
  bool updating_ = false;
  uint32_t accessCounter_ = 0;
  uint8_t major_ = 1;
  uint8_t minor_ = 0;
  TStorageOperation operation_ = opIdle;
  std::string operationName_;
  int64_t packTotal_ = 0;
  int64_t packBase_ = 0;
};

}  // namespace kivrano
