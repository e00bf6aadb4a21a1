#include "core/text/linewriter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/text/errors.h"
#include "core/text/writablefile.h"

namespace pelarin {

namespace {

constexpr size_t kFlushAt = 1 << 16;
constexpr int kTempAttempts = 100;

// A hidden name beside the target that no other writer would choose.
std::filesystem::path tempName(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  unsigned long long part = (static_cast<unsigned long long>(seed) << 20) ^ counter.fetch_add(1);
#if defined(__unix__) || defined(__APPLE__)
  part ^= static_cast<unsigned long long>(::getpid()) << 40;
#endif
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%012llx", part & 0xffffffffffffULL);
  std::filesystem::path name = "." + target.filename().string() + suffix;
  return target.parent_path() / name;
}

}  // namespace

bool isUnfinishedWriteName(std::string_view name) {
  constexpr size_t kDigits = 12;
  if (name.size() < 1 + 1 + 1 + kDigits || name[0] != '.' || name[name.size() - kDigits - 1] != '.')
    return false;
  for (char c : name.substr(name.size() - kDigits))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

namespace {

#if defined(__unix__) || defined(__APPLE__)

void writeAll(int fd, ByteView bytes, const std::filesystem::path& name) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw FileError("Cannot write", name, n < 0 ? errno : ENOSPC);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// Makes the rename last; a failure here cannot undo it, so it is not reported.
void syncDirectory(const std::filesystem::path& target) {
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

#endif

}  // namespace

LineWriter::LineWriter(const std::filesystem::path& path, Mode mode) : path_(path) {
#if defined(__unix__) || defined(__APPLE__)
  const bool append = mode == Mode::Append;
  cutAtClose_ = mode == Mode::Overwrite;
  const int fd = openRegularForWriting(path, O_CREAT | (append ? O_APPEND : 0), "Cannot create");
  // Truncated only once it is known to be a regular file.
  if (mode == Mode::Truncate && ::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    throw FileError("Cannot create", path, err);
  }
  file_ = ::fdopen(fd, append ? "ab" : "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    throw FileError("Cannot create", path, err);
  }
#else
  file_ = std::fopen(path.c_str(), mode == Mode::Append ? "ab" : "wb");
  if (!file_) throw FileError("Cannot create", path, errno);
#endif
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

LineWriter::LineWriter(std::FILE* file, const std::filesystem::path& name) : path_(name), file_(file) {
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

LineWriter::~LineWriter() {
  if (file_) {
    try {
      flush();
    } catch (const Error&) {
    }
    cutAtEnd();
    std::fclose(file_);
  }
}

// Drops what an overwritten file held beyond the bytes written now.
bool LineWriter::cutAtEnd() {
#if defined(__unix__) || defined(__APPLE__)
  if (!cutAtClose_ || !file_) return true;
  return ::ftruncate(fileno(file_), static_cast<off_t>(written_)) == 0;
#else
  return true;
#endif
}

void LineWriter::write(ByteView bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= kFlushAt) flush();
}

void LineWriter::writeLine(ByteView line) {
  buffer_.append(line);
  buffer_.append("\r\n", 2);
  if (buffer_.size() >= kFlushAt) flush();
}

void LineWriter::flush() {
  if (buffer_.empty() || !file_) return;
  size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
  written_ += written;
  if (written != buffer_.size()) {
    int err = errno ? errno : EIO;
    buffer_.clear();
    throw FileError("Cannot write", path_, err);
  }
  buffer_.clear();
}

void LineWriter::syncToDisk() {
  flush();
#if defined(__unix__) || defined(__APPLE__)
  if (file_ && ::fsync(fileno(file_)) != 0) throw FileError("Cannot write", path_, errno);
#endif
}

void LineWriter::close() {
  if (!file_) return;
  std::FILE* f = file_;
  try {
    flush();
    if (!cutAtEnd()) throw FileError("Cannot write", path_, errno);
  } catch (...) {
    std::fclose(f);
    file_ = nullptr;
    throw;
  }
  file_ = nullptr;
  if (std::fclose(f) != 0) throw FileError("Cannot write", path_, errno);
}

#if defined(__unix__) || defined(__APPLE__)

ReplacingWriter::ReplacingWriter(const std::filesystem::path& target) : target_(target) {
  // The old file must take a plain write; its descriptor is kept in case the
  // directory takes no new file. A link at the name is replaced, not followed.
  bool keepMode = false;
  mode_t mode = 0;
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      inPlace_ = openRegularForWriting(target, 0, "Cannot create");
      if (::fstat(inPlace_, &st) == 0) {
        keepMode = true;
        mode = st.st_mode & 07777;
      }
    }
  } else if (errno != ENOENT) {
    throw FileError("Cannot create", target, errno);
  }

  int fd = -1;
  std::filesystem::path temp;
  for (int attempt = 1; fd < 0; ++attempt) {
    temp = tempName(target);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) break;
    const int err = errno;
    if (err == EEXIST && attempt < kTempAttempts) continue;
    if (inPlace_ >= 0 && (err == EACCES || err == EPERM || err == EROFS)) return;
    if (inPlace_ >= 0) ::close(inPlace_);
    throw FileError("Cannot create", target, err);
  }
  if (inPlace_ >= 0) ::close(inPlace_);
  inPlace_ = -1;
  // Before any byte is in it, so a private file never shows its text to others.
  std::FILE* file = keepMode && ::fchmod(fd, mode) != 0 ? nullptr : ::fdopen(fd, "wb");
  if (!file) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());  // no destructor runs for a constructor that throws
    throw FileError("Cannot create", target, err);
  }
  temp_ = temp;
  writer_.reset(new LineWriter(file, target));
}

ReplacingWriter::~ReplacingWriter() {
  if (inPlace_ >= 0) ::close(inPlace_);
  writer_.reset();
  if (!done_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void ReplacingWriter::commitInPlace() {
  const int fd = inPlace_;
  inPlace_ = -1;
  try {
    if (::ftruncate(fd, 0) != 0) throw FileError("Cannot write", target_, errno);
    writeAll(fd, content_, target_);
    if (::fsync(fd) != 0 && errno != EINVAL) throw FileError("Cannot write", target_, errno);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) throw FileError("Cannot write", target_, errno);
  done_ = true;
}

void ReplacingWriter::finishWriting() {
  if (!writer_ || finished_) return;
  writer_->syncToDisk();
  writer_->close();
  finished_ = true;
}

void ReplacingWriter::commit() {
  if (!writer_) return commitInPlace();
  finishWriting();
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) throw FileError("Cannot replace", target_, errno);
  done_ = true;
  syncDirectory(target_);
}

#else

ReplacingWriter::ReplacingWriter(const std::filesystem::path& target) : target_(target) {
  std::FILE* file = nullptr;
  for (int attempt = 1; !file; ++attempt) {
    temp_ = tempName(target);
    file = std::fopen(temp_.c_str(), "wbx");
    if (file) break;
    const int err = errno;
    if (err == EEXIST && attempt < kTempAttempts) continue;
    temp_.clear();
    throw FileError("Cannot create", target, err);
  }
  writer_.reset(new LineWriter(file, target));
}

ReplacingWriter::~ReplacingWriter() {
  writer_.reset();
  if (!done_ && !temp_.empty()) std::remove(temp_.c_str());
}

void ReplacingWriter::finishWriting() {
  if (finished_) return;
  writer_->syncToDisk();
  writer_->close();
  finished_ = true;
}

void ReplacingWriter::commit() {
  finishWriting();
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) throw FileError("Cannot replace", target_, errno);
  done_ = true;
}

#endif

void ReplacingWriter::writeLine(ByteView line) {
  if (writer_) {
    writer_->writeLine(line);
    return;
  }
  content_.append(line);
  content_.append("\r\n", 2);
}

void ReplacingWriter::write(ByteView bytes) {
  if (writer_)
    writer_->write(bytes);
  else
    content_.append(bytes);
}

}  // namespace pelarin
