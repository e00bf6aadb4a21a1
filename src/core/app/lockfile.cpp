#include "core/app/lockfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/text/errors.h"

namespace pelarin {

namespace {

constexpr int kOpenFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC;

// The name may be unlinked and made again between our open and our lock: give
// up only after many turns of that, which no real pair of copies produces.
constexpr int kAttempts = 1000;

// True when the path still names the inode that fd holds (the owner unlinks
// the file at its close, so a lock on the old inode guards nothing).
bool stillNamed(int fd, const std::filesystem::path& file) {
  struct stat held {
  }, named{};
  if (::fstat(fd, &held) != 0) return false;
  if (::stat(file.c_str(), &named) != 0) return false;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

}  // namespace

WorkDirLock::WorkDirLock(std::filesystem::path file, const std::function<void()>& beforeLock)
    : file_(std::move(file)) {
  bool hookRan = false;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    bool created = true;
    int fd = ::open(file_.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0644);
    if (fd < 0 && errno == EEXIST) {
      created = false;
      fd = ::open(file_.c_str(), kOpenFlags);
      if (fd < 0 && errno == ENOENT) continue;  // removed in between: try to make it
    }
    if (fd < 0) throw FileError("Cannot create", file_, errno);

    struct stat st {};
    int statError = ::fstat(fd, &st) != 0 ? errno : 0;
    if (!statError && !S_ISREG(st.st_mode)) statError = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (statError) {
      ::close(fd);
      throw FileError("Cannot lock", file_, statError);
    }
    if (beforeLock && !hookRan) {
      hookRan = true;
      beforeLock();
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EWOULDBLOCK) {
        outcome_ = Outcome::Refused;
        return;
      }
      throw FileError("Cannot lock", file_, error);
    }
    if (!stillNamed(fd, file_)) {
      ::close(fd);
      continue;
    }
    // The file stays empty, whatever a stale one was left holding.
    if (st.st_size != 0 && ::ftruncate(fd, 0) != 0) {
      const int error = errno;
      ::close(fd);
      throw FileError("Cannot create", file_, error);
    }
    fd_ = fd;
    outcome_ = created ? Outcome::Owner : Outcome::TakenOver;
    return;
  }
  throw FileError("Cannot lock", file_, EAGAIN);
}

WorkDirLock::~WorkDirLock() {
  if (fd_ >= 0) ::close(fd_);
}

void WorkDirLock::release() {
  if (fd_ < 0) return;
  // Removed before the lock goes: a copy waiting on this inode then finds the
  // name gone and makes a fresh file.
  if (stillNamed(fd_, file_)) ::unlink(file_.c_str());
  ::close(fd_);
  fd_ = -1;
}

}  // namespace pelarin
