#include "core/app/settingsbackup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/text/errors.h"

namespace pelarin {

namespace {

// Closes the descriptor; a temporary file not yet renamed is removed too.
class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) { fd_ = ::mkostemp(path_.data(), O_CLOEXEC); }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_ && fd_ >= 0) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

void writeAll(int fd, const char* data, size_t size, const std::filesystem::path& target) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError("Cannot write", target, errno);
    data += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

void keepSettingsBackup(const std::filesystem::path& file) {
  const std::filesystem::path backup = file.string() + ".bak";
  Fd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) {
    if (errno == ENOENT) return;
    throw FileError("Cannot open", file, errno);
  }
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) throw FileError("Cannot open", file, errno);
  if (!S_ISREG(st.st_mode)) throw FileError("Cannot open", file, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

  TempFile out(backup.string() + ".XXXXXX");
  if (out.fd() < 0) throw FileError("Cannot create", backup, errno);
  if (::fchmod(out.fd(), st.st_mode & 0777) != 0) throw FileError("Cannot create", backup, errno);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError("Cannot read", file, errno);
    if (n == 0) break;
    writeAll(out.fd(), buffer, static_cast<size_t>(n), backup);
  }
  if (::fsync(out.fd()) != 0) throw FileError("Cannot write", backup, errno);
  if (::rename(out.path().c_str(), backup.c_str()) != 0) throw FileError("Cannot create", backup, errno);
  out.keep();
}

}  // namespace pelarin
