#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "storage/FileSystem.h"

namespace kivrano::test {

// A file system that records what is read and written through it and fails on demand: the k-th
// write (counted over all files opened through it), the file sync, the rename or the folder sync.
// Installed for its lifetime.
class TTestFileSystem : public TFileSystem {
 public:
  struct TAccess {
    std::string Path;
    int64_t Position;
    int32_t Count;
  };

  TTestFileSystem() : previous_(SetFileSystem(this)) {}
  ~TTestFileSystem() override { SetFileSystem(previous_); }
  TTestFileSystem(const TTestFileSystem&) = delete;
  TTestFileSystem& operator=(const TTestFileSystem&) = delete;

  int FailWriteAt = 0;  // 0: no write fails
  bool FailSyncFile = false;
  bool FailRename = false;
  bool FailSyncFolder = false;
  // Called at the failing write, before anything is cleaned up: the state a killed program leaves.
  std::function<void()> OnFault;

  int Writes = 0;
  std::vector<TAccess> Reads;

  std::unique_ptr<TStream64> OpenFile(const std::string& path, TFileMode mode, TShareMode share) override {
    return std::make_unique<TProbe>(*this, path, TFileSystem::OpenFile(path, mode, share));
  }
  void SyncFile(const std::string& path) override {
    if (FailSyncFile) throw Exception("Cannot write file " + path);
    TFileSystem::SyncFile(path);
  }
  void SyncFolder(const std::string& path) override {
    if (FailSyncFolder) throw Exception("Cannot write folder " + path);
    TFileSystem::SyncFolder(path);
  }
  void Rename(const std::string& from, const std::string& to) override {
    if (FailRename) throw Exception("Cannot save file \"" + to + "\": refused");
    TFileSystem::Rename(from, to);
  }

 private:
  class TProbe : public TStream64 {
   public:
    TProbe(TTestFileSystem& owner, std::string path, std::unique_ptr<TStream64> file)
        : owner_(owner), path_(std::move(path)), file_(std::move(file)) {}
    int32_t Read(void* buffer, int32_t count) override {
      owner_.Reads.push_back({path_, file_->Position(), count});
      return file_->Read(buffer, count);
    }
    int32_t Write(const void* buffer, int32_t count) override {
      owner_.CountWrite();
      return file_->Write(buffer, count);
    }
    void SetSize(int64_t size) override {
      owner_.CountWrite();
      file_->SetSize(size);
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return file_->Seek(offset, origin); }
    int64_t Size() override { return file_->Size(); }

   private:
    TTestFileSystem& owner_;
    std::string path_;
    std::unique_ptr<TStream64> file_;
  };

  void CountWrite() {
    if (++Writes != FailWriteAt) return;
    if (OnFault) OnFault();
    throw Exception("No space left on device");
  }

  TFileSystem* previous_;
};

}  // namespace kivrano::test
