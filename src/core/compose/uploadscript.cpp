#include "core/compose/uploadscript.h"

#include <cerrno>
#include <cstdio>
#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/app/appstate.h"
#include "core/lists/association.h"
#include "core/text/errors.h"
#include "core/text/filelock.h"
#include "core/text/linewriter.h"
#include "core/text/paths.h"
#include "core/text/writablefile.h"

namespace pelarin {

namespace {

Bytes joined(const Lines& record) {
  Bytes bytes;
  for (const Bytes& line : record) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

// A new script in place of the old one; the writer refuses an old script
// that may not be written, and a failure keeps it whole.
void replaceScript(const std::filesystem::path& path, const Lines& record) {
  const FileLock lock(path);
  ReplacingWriter out(path);
  for (const Bytes& line : record) out.writeLine(line);
  out.commit();
}

#if defined(__unix__) || defined(__APPLE__)

class AppendFile {
 public:
  // Never through a link or into anything but a regular file. `existed`:
  // the file held something before, which a failure must leave.
  AppendFile(const std::filesystem::path& path, bool existed) : path_(path), existed_(existed) {
    fd_ = openRegularForWriting(path, O_APPEND | O_CREAT, "Cannot open");
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail(errno);
    size_ = st.st_size;
  }
  ~AppendFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  void write(ByteView bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) fail(n < 0 ? errno : ENOSPC);
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    // A full disk may show only when the data reaches it.
    if (::fsync(fd_) != 0 && errno != EINVAL) fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
      const int err = errno;
      undo();
      throw FileError("Cannot write", path_, err);
    }
  }

 private:
  // Takes the partly written record out again before reporting.
  [[noreturn]] void fail(int err) {
    undo();
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
    throw FileError("Cannot write", path_, err);
  }

  // Through the open descriptor while there is one, so whatever has taken
  // the name since is left alone.
  void undo() {
    if (!existed_) {
      removeQuietly(path_);
      return;
    }
    int fd = fd_;
    if (fd < 0) fd = ::open(path_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;  // nothing more can be done; the error about to be reported says why
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, size_) != 0) {
      // As above.
    }
    if (fd != fd_) ::close(fd);
  }

  std::filesystem::path path_;
  int fd_ = -1;
  off_t size_ = 0;
  bool existed_ = false;
};

void appendToScript(const std::filesystem::path& path, const Lines& record) {
  const FileLock lock(path);
  AppendFile out(path, lock.held() ? !lock.created() : fileExists(path));
  out.write(joined(record));
}

#else

void appendToScript(const std::filesystem::path& path, const Lines& record) {
  const FileLock lock(path);
  LineWriter out(path, LineWriter::Mode::Append);
  out.write(joined(record));
  out.close();
}

#endif

}  // namespace

std::filesystem::path uploadScriptPath(const AppState& state) {
  return pathFromText(state.TextFileDir + state.UploadFile);
}

void ChooseUploadFile(AppState& state) {
  state.UploadFile = state.UpFileName;
  if (const auto entry =
          matchAssociation(state.BbsTable, AssociationRule::ListEqualsName, state.ListFileName))
    state.UploadFile = lowerUploadFile(state.BbsTable[*entry]);
}

void AppendUploadRecord(AppState& state, const Lines& record, const OverwriteQuestion& ask) {
  const std::filesystem::path path = uploadScriptPath(state);
  if (state.UploadRewrite != 0 && fileExists(path))
    state.UploadRewrite = ask(state.UploadFile + kOverwriteQuestion) ? 1 : 0;
  if (state.UploadRewrite != 0)
    replaceScript(path, record);
  else
    appendToScript(path, record);
  state.UploadRewrite = 0;
}

}  // namespace pelarin
