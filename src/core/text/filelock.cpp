#include "core/text/filelock.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "core/text/errors.h"

namespace pelarin {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

constexpr char kHeld[] = "Another program holds its lock";

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the name still names the file fd holds.
bool stillNamed(int fd, const std::filesystem::path& path) {
  struct stat held {
  }, named{};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && sameFile(held, named);
}

}  // namespace

FileLock::FileLock(std::filesystem::path path, std::chrono::milliseconds wait) : path_(std::move(path)) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + wait;
  std::chrono::milliseconds pause{1};
  for (bool first = true;; first = false) {
    if (!first && Clock::now() >= end) throw FileError("Cannot lock", path_, EWOULDBLOCK, kHeld);
    bool created = true;
    int fd = ::open(path_.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno == EEXIST) {
      created = false;
      fd = ::open(path_.c_str(), kOpenFlags);
      if (fd < 0 && errno == ENOENT) continue;  // removed in between: make it
    }
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return;
    }
    // Polled rather than blocking, so a holder that never lets go costs a wait, not the program.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      if (err == EINTR) continue;
      if (err != EWOULDBLOCK) {
        ::close(fd);  // a file system without such locks: written as before, unguarded
        return;
      }
      if (Clock::now() >= end) {
        ::close(fd);
        throw FileError("Cannot lock", path_, err, kHeld);
      }
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::milliseconds{20});
    }
    if (stillNamed(fd, path_)) {
      fd_ = fd;
      created_ = created;
      return;
    }
    ::close(fd);  // renamed over or removed while we waited: the name's new file is the one to lock
  }
}

FileLock::~FileLock() {
  if (fd_ < 0) return;
  struct stat st {};
  // Removed before the lock goes, so a writer waiting on it finds the name gone and starts again.
  if (created_ && ::fstat(fd_, &st) == 0 && st.st_size == 0 && stillNamed(fd_, path_))
    ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace pelarin

#else

namespace pelarin {

// Elsewhere the script's writers are not guarded against each other.
FileLock::FileLock(std::filesystem::path path, std::chrono::milliseconds) : path_(std::move(path)) {}

FileLock::~FileLock() = default;

}  // namespace pelarin

#endif
