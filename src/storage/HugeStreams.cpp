#include "storage/HugeStreams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <typeinfo>
#include <vector>

namespace kivrano {

namespace {

// Copies count bytes in blocks of at most blockSize: read(buffer, n) fills n bytes, write(buffer, n)
// stores them; progress gets (count, copied) before the first block and after each one.
template <class ReadFn, class WriteFn, class ProgressFn>
void CopyBlocks(int64_t count, int32_t blockSize, ReadFn read, WriteFn write, ProgressFn progress) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, blockSize)));
  progress(count, 0);
  int64_t done = 0;
  while (done < count) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count - done, blockSize));
    read(buffer.data(), n);
    write(buffer.data(), n);
    done += n;
    progress(count, done);
  }
}

}  // namespace

void TStream64::SetSize(int64_t) {}

int64_t TStream64::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream64::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw Exception("Stream read error");
}

void TStream64::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw Exception("Stream write error");
}

// Copies from a 64-bit or an ordinary source; a count of 0 rewinds the source and copies all of it.
template <class Source>
int64_t TStream64::CopyIn(Source& source, int64_t count, int32_t blockSize) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (count <= 0) return 0;
  CopyBlocks(
      count, blockSize, [&](void* b, int32_t n) { source.ReadBuffer(b, n); },
      [&](const void* b, int32_t n) { WriteBuffer(b, n); }, [&](int64_t t, int64_t d) { Progress(t, d); });
  return count;
}

int64_t TStream64::CopyFrom(TStream64& source, int64_t count) { return CopyIn(source, count, kCopyBlock); }

int64_t TStream64::CopyFromStream(TStream& source, int64_t count) {
  // Only a plain memory stream: a derived one may read differently.
  if (typeid(source) != typeid(TMemoryStream)) return CopyIn(source, count, kStreamCopyBlock);
  auto* memory = static_cast<TMemoryStream*>(&source);
  // A memory source is written straight from its block, without a bounce buffer.
  if (count == 0) {
    memory->SetPosition(0);
    count = memory->Size();
  }
  if (count <= 0) return 0;
  const int64_t start = memory->Position();
  if (count > memory->Size() - start) throw Exception("Stream read error");
  Progress(count, 0);
  int64_t done = 0;
  while (done < count) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count - done, kCopyBlock));
    WriteBuffer(memory->Memory() + start + done, n);
    done += n;
    memory->SetPosition(start + done);
    Progress(count, done);
  }
  return count;
}

int64_t TStream64::CopyToStream(TStream& target, int64_t count) {
  if (count == 0) {
    SetPosition(0);
    count = Size();
  }
  if (count <= 0) return 0;
  if (typeid(target) == typeid(TMemoryStream)) return CopyToMemory(static_cast<TMemoryStream&>(target), count);
  CopyBlocks(
      count, kStreamCopyBlock, [&](void* b, int32_t n) { ReadBuffer(b, n); },
      [&](const void* b, int32_t n) { target.WriteBuffer(b, n); }, [&](int64_t t, int64_t d) { Progress(t, d); });
  return count;
}

int64_t TStream64::CopyToMemory(TMemoryStream& target, int64_t count) {
  const int64_t start = target.Position();
  const int64_t oldSize = target.Size();
  if (oldSize < start + count) target.SetSize(start + count);
  int64_t done = 0;
  try {
    Progress(count, 0);
    while (done < count) {
      int32_t n = static_cast<int32_t>(std::min<int64_t>(count - done, kCopyBlock));
      ReadBuffer(target.Memory() + start + done, n);
      done += n;
      Progress(count, done);
    }
  } catch (...) {
    // Leave the target as a copy through a buffer would have: the bytes that arrived, no more.
    target.SetSize(std::max(oldSize, start + done));
    target.SetPosition(start + done);
    throw;
  }
  target.SetPosition(start + count);
  return count;
}

void TStream64::MoveBlock(int64_t count, int64_t destination, int64_t source) {
  if (count <= 0 || destination == source) return;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kCopyBlock)));
  const bool forward = destination < source;
  int64_t moved = 0;
  while (moved < count) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count - moved, kCopyBlock));
    // Front to back when moving down, back to front when moving up: a block is always read before
    // the bytes it overlaps are overwritten.
    int64_t at = forward ? moved : count - moved - n;
    Seek(source + at, soBeginning);
    ReadBuffer(buffer.data(), n);
    Seek(destination + at, soBeginning);
    WriteBuffer(buffer.data(), n);
    moved += n;
    Progress(count, moved);
  }
}

int32_t THandleStream64::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(handle_, static_cast<uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 0;
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t THandleStream64::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(handle_, static_cast<const uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 0;
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t THandleStream64::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(handle_, static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

void THandleStream64::SetSize(int64_t newSize) {
  Seek(newSize, soBeginning);
  if (::ftruncate(handle_, static_cast<off_t>(newSize)) != 0) throw Exception(std::strerror(errno));
}

namespace {

int OpenFlags(TFileMode mode) {
  switch (mode) {
    case fmCreate: return O_RDWR | O_CREAT;
    case fmOpenRead: return O_RDONLY;
    case fmOpenWrite: return O_WRONLY;
    case fmOpenReadWrite: return O_RDWR;
  }
  return O_RDONLY;
}

// Whole-file advisory locks: a writer that denies others writing holds the lock exclusively, a
// reader that does so shares it, so two such openers of one file exclude each other unless both
// only read.
bool TakeShareLock(int fd, TFileMode mode, TShareMode share) {
  if (share == fmShareDenyNone) return true;
  bool exclusive = share == fmShareExclusive || mode != fmOpenRead;
  while (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

TFileStream64::TFileStream64(const std::string& fileName, TFileMode mode, TShareMode share)
    : THandleStream64(-1), fileName_(fileName) {
  const std::string failure = (mode == fmCreate ? "Cannot create file " : "Cannot open file ") + fileName;
  handle_ = ::open(fileName.c_str(), OpenFlags(mode) | O_CLOEXEC, 0644);
  if (handle_ < 0) throw Exception(failure);
  struct stat st;
  if (::fstat(handle_, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(handle_);
    handle_ = -1;
    throw Exception(failure);
  }
  // Truncate only once the lock is held, so a refused creation leaves another opener's file intact.
  if (!TakeShareLock(handle_, mode, share) || (mode == fmCreate && ::ftruncate(handle_, 0) != 0)) {
    ::close(handle_);
    handle_ = -1;
    throw Exception(failure);
  }
}

TFileStream64::~TFileStream64() {
  if (handle_ >= 0) ::close(handle_);
}

int32_t TCustomMemoryStream64::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min<int64_t>(count, size_ - position_);
  std::memcpy(buffer, memory_ + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int32_t TCustomMemoryStream64::Write(const void*, int32_t) { return 0; }

int64_t TCustomMemoryStream64::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : size_;
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

void TCustomMemoryStream64::SaveToStream(TStream64& target) {
  int64_t done = 0;
  while (done < size_) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(size_ - done, kCopyBlock));
    target.WriteBuffer(memory_ + done, n);
    done += n;
  }
}

TMemoryStream64::~TMemoryStream64() { std::free(memory_); }

void TMemoryStream64::SetCapacity(int64_t capacity) {
  capacity = (capacity + kCapacityStep - 1) / kCapacityStep * kCapacityStep;
  if (capacity == capacity_) return;
  if (capacity == 0) {
    std::free(memory_);
    memory_ = nullptr;
  } else {
    void* grown = std::realloc(memory_, static_cast<size_t>(capacity));
    if (!grown) throw Exception("Out of memory while expanding memory stream");
    memory_ = static_cast<uint8_t*>(grown);
  }
  capacity_ = capacity;
}

void TMemoryStream64::SetSize(int64_t newSize) {
  newSize = std::max<int64_t>(0, newSize);
  if (newSize >= kMaxSize) throw Exception("Out of memory while expanding memory stream");
  int64_t oldSize = size_;
  SetCapacity(newSize);
  if (newSize > oldSize) std::memset(memory_ + oldSize, 0, static_cast<size_t>(newSize - oldSize));
  size_ = newSize;
  if (position_ > newSize) position_ = newSize;
}

int32_t TMemoryStream64::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > size_) {
    if (end >= kMaxSize) throw Exception("Out of memory while expanding memory stream");
    // Grow geometrically so that many small writes stay linear overall.
    if (end > capacity_) SetCapacity(std::min(kMaxSize - 1, std::max(end, capacity_ + capacity_ / 2)));
    if (position_ > size_) std::memset(memory_ + size_, 0, static_cast<size_t>(position_ - size_));
    size_ = end;
  }
  std::memcpy(memory_ + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

void TMemoryStream64::Clear() {
  SetCapacity(0);
  size_ = 0;
  position_ = 0;
}

void TMemoryStream64::LoadFromStream(TStream64& source) {
  source.SetPosition(0);
  int64_t size = source.Size();
  SetSize(size);
  position_ = 0;
  int64_t done = 0;
  while (done < size) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(size - done, kCopyBlock));
    source.ReadBuffer(memory_ + done, n);
    done += n;
  }
}

}  // namespace kivrano
