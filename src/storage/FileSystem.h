#pragma once

#include <memory>
#include <string>

#include "base/Stream.h"
#include "storage/HugeStreams.h"

namespace kivrano {

// The file operations that archives and the saving of drawings go through. The default works on the
// real file system; a replacement (tests use one that fails on demand) is installed process-wide.
class TFileSystem {
 public:
  virtual ~TFileSystem() = default;

  // Opens or creates a file as TFileStream64 does, with its messages.
  virtual std::unique_ptr<TStream64> OpenFile(const std::string& path, TFileMode mode, TShareMode share);
  // Forces the file's bytes onto the disk; fails with "Cannot write file %s".
  virtual void SyncFile(const std::string& path);
  // Makes the entries of a folder (a rename into it) durable; fails with "Cannot write folder %s".
  // File systems that cannot sync folders at all are accepted as they are.
  virtual void SyncFolder(const std::string& path);
  // Replaces to by from in one step; fails with "Cannot save file \"%s\": <reason>" naming to.
  virtual void Rename(const std::string& from, const std::string& to);
  // Removes a file; a missing file is no failure, and no failure is reported.
  virtual void Remove(const std::string& path) noexcept;
};

// The file system in use.
TFileSystem& FileSystem();
// Installs fileSystem (nullptr: the real one) and returns the one installed before (nullptr when
// it was the real one). The caller keeps ownership.
TFileSystem* SetFileSystem(TFileSystem* fileSystem);

}  // namespace kivrano
