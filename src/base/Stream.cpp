#include "base/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "base/ByteOrder.h"

namespace kivrano {

void TStream::SetSize(int64_t) {}

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw Exception("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw Exception("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int32_t kBlock = 60 * 1024;
  std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), kBlock)));
  int64_t left = count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, kBlock));
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    left -= n;
  }
  return count;
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= Size()) return 0;
  int64_t n = std::min<int64_t>(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : Size();
  position_ = std::max<int64_t>(0, base + offset);
  return position_;
}

void TMemoryStream::SetSize(int64_t newSize) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(0, newSize)));
  position_ = std::min(position_, Size());
}

std::vector<uint8_t> TMemoryStream::TakeBytes() {
  std::vector<uint8_t> bytes = std::move(data_);
  Clear();
  return bytes;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  int64_t size = source.Size();
  if (size > std::numeric_limits<int32_t>::max()) throw Exception("Stream read error");
  data_.resize(static_cast<size_t>(size));
  position_ = 0;
  source.ReadBuffer(data_.data(), static_cast<int32_t>(size));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target) const {
  if (Bytes().size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw Exception("Stream write error");
  target.WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : fileName_(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
  }
  fd_ = ::open(fileName.c_str(), flags, 0644);
  if (fd_ < 0) {
    throw Exception((mode == fmCreate ? "Cannot create file " : "Cannot open file ") + fileName);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, static_cast<uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, static_cast<const uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(fd_, static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<int64_t>(result);
}

void TFileStream::SetSize(int64_t newSize) {
  if (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) throw Exception("Stream write error");
  if (Position() > newSize) Seek(newSize, soBeginning);
}

int32_t TStream::ReadInt32() {
  uint8_t bytes[4];
  ReadBuffer(bytes, 4);
  return static_cast<int32_t>(ReadLE32(bytes));
}

void TStream::WriteInt32(int32_t value) {
  uint8_t bytes[4];
  WriteLE32(bytes, static_cast<uint32_t>(value));
  WriteBuffer(bytes, 4);
}

}  // namespace kivrano
