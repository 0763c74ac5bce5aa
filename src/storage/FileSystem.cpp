#include "storage/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Exception.h"

namespace kivrano {

namespace {

TFileSystem* installed = nullptr;

// fsync of a descriptor opened read-only; errno is kept for the caller.
bool SyncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
  if (fd < 0) return false;
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  const int error = errno;
  ::close(fd);
  errno = error;
  return result == 0;
}

}  // namespace

std::unique_ptr<TStream64> TFileSystem::OpenFile(const std::string& path, TFileMode mode, TShareMode share) {
  return std::make_unique<TFileStream64>(path, mode, share);
}

void TFileSystem::SyncFile(const std::string& path) {
  if (!SyncPath(path, 0)) throw Exception("Cannot write file " + path);
}

void TFileSystem::SyncFolder(const std::string& path) {
  if (SyncPath(path, O_DIRECTORY)) return;
  // Some file systems do not sync folders; their renames are as durable as they can be made.
  if (errno == EINVAL || errno == ENOTSUP || errno == EROFS) return;
  throw Exception("Cannot write folder " + path);
}

void TFileSystem::Rename(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    throw Exception("Cannot save file \"" + to + "\": " + std::strerror(errno));
  }
}

void TFileSystem::Remove(const std::string& path) noexcept { (void)::unlink(path.c_str()); }

TFileSystem& FileSystem() {
  static TFileSystem real;
  return installed ? *installed : real;
}

TFileSystem* SetFileSystem(TFileSystem* fileSystem) {
  TFileSystem* previous = installed;
  installed = fileSystem;
  return previous;
}

}  // namespace kivrano
