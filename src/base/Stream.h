#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Exception.h"

namespace kivrano {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// The ordinary byte stream: XML texts, pictures, clipboard contents and resource bytes move through
// it. Read and Write move up to count bytes and return how many moved.
class TStream {
 public:
  virtual ~TStream() = default;

  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t newSize);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();

  // Fail with "Stream read error" / "Stream write error" when fewer than count bytes move.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source's position (the whole of source when count is 0); returns the
  // number copied.
  int64_t CopyFrom(TStream& source, int64_t count);

  // A little-endian 32-bit integer, through ReadBuffer / WriteBuffer.
  int32_t ReadInt32();
  void WriteInt32(int32_t value);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t> TakeBytes();
  void Clear();
  void LoadFromStream(TStream& source);
  void LoadFromFile(const std::string& fileName);
  void SaveToStream(TStream& target) const;
  void SaveToFile(const std::string& fileName) const;

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

enum TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

// A stream over a file. fmCreate makes or truncates the file ("Cannot create file %s" on failure);
// the other modes open an existing file ("Cannot open file %s").
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;

  const std::string& FileName() const { return fileName_; }
  int Handle() const { return fd_; }

 private:
  std::string fileName_;
  int fd_ = -1;
};

}  // namespace kivrano
