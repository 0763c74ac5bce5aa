#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/Stream.h"

namespace kivrano {

// Streams with 64-bit positions and sizes. Read and Write move up to count bytes and return how many
// moved; the block copies report their progress through OnProgress.
class TStream64 {
 public:
  using TProgressEvent = std::function<void(TStream64* sender, int64_t total, int64_t done)>;

  static constexpr int32_t kCopyBlock = 524288;       // 64-bit to 64-bit copies and moves
  static constexpr int32_t kStreamCopyBlock = 61440;  // copies to and from ordinary streams

  TStream64() = default;
  TStream64(const TStream64&) = delete;
  TStream64& operator=(const TStream64&) = delete;
  virtual ~TStream64() = default;

  virtual void SetSize(int64_t newSize);
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();

  // Fail with "Stream read error" / "Stream write error" when fewer than count bytes move.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);

  // Copies count bytes from source's position to this stream's position; a count of 0 rewinds the
  // source and copies all of it. Returns the count.
  int64_t CopyFrom(TStream64& source, int64_t count);
  // The same with an ordinary stream as source or target; for CopyToStream a count of 0 copies the
  // whole of this stream from its start.
  int64_t CopyFromStream(TStream& source, int64_t count);
  int64_t CopyToStream(TStream& target, int64_t count);
  // Moves count bytes inside this stream from source to destination; overlapping ranges are safe.
  void MoveBlock(int64_t count, int64_t destination, int64_t source);

  TProgressEvent OnProgress;

 protected:
  void Progress(int64_t total, int64_t done) {
    if (OnProgress) OnProgress(this, total, done);
  }

 private:
  template <class Source>
  int64_t CopyIn(Source& source, int64_t count, int32_t blockSize);
  // CopyToStream into a memory stream: sized once and filled in place, without a bounce buffer.
  int64_t CopyToMemory(TMemoryStream& target, int64_t count);
};

// A stream over an operating-system file descriptor (not owned).
class THandleStream64 : public TStream64 {
 public:
  explicit THandleStream64(int handle) : handle_(handle) {}

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // Moves to newSize and sets the end of the file there; an OS failure raises the OS's error text.
  void SetSize(int64_t newSize) override;

  int Handle() const { return handle_; }

 protected:
  int handle_;
};

// What an open file denies other openers. Enforced with advisory whole-file locks, so only programs
// that lock as well are kept out.
enum TShareMode { fmShareDenyNone, fmShareDenyWrite, fmShareExclusive };

// A stream over a file opened by name. fmCreate makes or truncates the file ("Cannot create file %s");
// the other modes open an existing one ("Cannot open file %s"). Either fails as well when the share
// mode cannot be had because another opener holds a conflicting lock.
class TFileStream64 : public THandleStream64 {
 public:
  TFileStream64(const std::string& fileName, TFileMode mode, TShareMode share = fmShareDenyNone);
  ~TFileStream64() override;

  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

// A stream over a block of memory that it does not manage: reads and seeks; writes go nowhere.
class TCustomMemoryStream64 : public TStream64 {
 public:
  TCustomMemoryStream64() = default;
  TCustomMemoryStream64(const void* memory, int64_t size) { SetPointer(const_cast<void*>(memory), size); }

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }

  uint8_t* Memory() const { return memory_; }
  // Writes the whole block into target at its position.
  void SaveToStream(TStream64& target);

 protected:
  void SetPointer(void* memory, int64_t size) {
    memory_ = static_cast<uint8_t*>(memory);
    size_ = size;
  }

  uint8_t* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

// A growable memory stream. Capacity grows in multiples of 8192 bytes; 2^31 bytes or more fail with
// "Out of memory while expanding memory stream".
class TMemoryStream64 : public TCustomMemoryStream64 {
 public:
  static constexpr int64_t kCapacityStep = 8192;
  static constexpr int64_t kMaxSize = int64_t{1} << 31;

  TMemoryStream64() = default;
  ~TMemoryStream64() override;

  int32_t Write(const void* buffer, int32_t count) override;
  void SetSize(int64_t newSize) override;

  int64_t Capacity() const { return capacity_; }
  void Clear();
  // Replaces the content with the whole of source.
  void LoadFromStream(TStream64& source);

 private:
  void SetCapacity(int64_t capacity);

  int64_t capacity_ = 0;
};

}  // namespace kivrano
