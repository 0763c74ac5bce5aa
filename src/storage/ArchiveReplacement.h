#pragma once

#include <memory>
#include <string>

#include "storage/SingleFileStorage.h"

namespace kivrano {

// A new version of an archive file, built under a temporary name in the file's folder and put in the
// file's place in one step: written, synced, renamed over the file, the folder synced. Until the
// rename the file stays exactly as it was; a replacement that fails or is abandoned removes its
// temporary file.
class TArchiveReplacement {
 public:
  // Creates the empty new archive beside target (streams are replaced silently in it). A target that
  // exists but may not be written fails with "Cannot create file %s", as writing into it would; a
  // target that is a symbolic link has the file it points to replaced.
  explicit TArchiveReplacement(const std::string& target);
  ~TArchiveReplacement();
  TArchiveReplacement(const TArchiveReplacement&) = delete;
  TArchiveReplacement& operator=(const TArchiveReplacement&) = delete;

  TSingleStorage& Archive() { return *archive_; }
  const std::string& TemporaryName() const { return temporary_; }

  // Copies the stored bytes of source's stream name unchanged, under newName; nothing when absent.
  void CopyStream(TSingleStorage& source, const std::string& name, const std::string& newName);
  // Flushes and closes the new archive, syncs it, renames it over the target and syncs the folder.
  // A failure before the rename leaves the target as it was; once Renamed() the target holds the
  // new version, even when the folder sync then fails.
  void Commit();
  bool Renamed() const { return renamed_; }

 private:
  std::string target_;
  std::string temporary_;
  std::unique_ptr<TSingleStorage> archive_;
  bool renamed_ = false;
};

}  // namespace kivrano
