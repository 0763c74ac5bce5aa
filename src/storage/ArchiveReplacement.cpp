#include "storage/ArchiveReplacement.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "base/Exception.h"
#include "storage/FileSystem.h"

namespace kivrano {

namespace fs = std::filesystem;

namespace {

// The file a save replaces: the target of a symbolic link rather than the link.
std::string ResolvedTarget(const std::string& target) {
  std::error_code ec;
  if (!fs::is_symlink(target, ec)) return target;
  const fs::path real = fs::canonical(target, ec);
  return ec ? target : real.string();
}

std::string TemporaryNameBeside(const std::string& target) {
  static unsigned counter = 0;
  return target + "." + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".saving";
}

std::string FolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

TArchiveReplacement::TArchiveReplacement(const std::string& target)
    : target_(ResolvedTarget(target)), temporary_(TemporaryNameBeside(target_)) {
  // Replacing by renaming needs only the folder to be writable; a file its owner made read-only must
  // still not be overwritten.
  std::error_code ec;
  if (target.empty() || (fs::exists(target_, ec) && ::access(target_.c_str(), W_OK) != 0)) {
    throw Exception("Cannot create file " + target);
  }
  std::unique_ptr<TStream64> file;
  try {
    file = FileSystem().OpenFile(temporary_, fmCreate, fmShareDenyWrite);
  } catch (const Exception&) {
    FileSystem().Remove(temporary_);
    throw Exception("Cannot create file " + target);
  }
  archive_ = std::make_unique<TSingleStorage>();
  archive_->SetOverwriteMode(omReplace);
  try {
    archive_->SetStream(std::move(file));
  } catch (...) {
    archive_.reset();
    FileSystem().Remove(temporary_);
    throw;
  }
}

TArchiveReplacement::~TArchiveReplacement() {
  if (renamed_) return;
  archive_.reset();
  FileSystem().Remove(temporary_);
}

void TArchiveReplacement::CopyStream(TSingleStorage& source, const std::string& name, const std::string& newName) {
  TStoreStream* stream = source.FindStream(name);
  if (!stream) return;
  TMemoryStream64 bytes;
  stream->SaveToStream(bytes);
  archive_->AddStream(bytes, newName);
}

void TArchiveReplacement::Commit() {
  archive_->Flush();
  archive_->SetStream(nullptr);
  FileSystem().SyncFile(temporary_);
  std::error_code ec;
  const fs::perms permissions = fs::status(target_, ec).permissions();
  if (!ec && permissions != fs::perms::unknown) fs::permissions(temporary_, permissions, ec);
  FileSystem().Rename(temporary_, target_);
  renamed_ = true;
  FileSystem().SyncFolder(FolderOf(target_));
}

}  // namespace kivrano
