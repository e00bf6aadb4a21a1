#include "core/text/writablefile.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/text/errors.h"

namespace pelarin {

void throwNotWritable(const std::string& action, const std::filesystem::path& path, int err) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) throw FileError(action, path, ELOOP, "Is a symbolic link");
    if (S_ISDIR(st.st_mode)) throw FileError(action, path, EISDIR);
    if (!S_ISREG(st.st_mode)) throw FileError(action, path, EINVAL, "Not a regular file");
  }
  throw FileError(action, path, err);
}

int openRegularForWriting(const std::filesystem::path& path, int flags, const std::string& action) {
  // Non-blocking, so a FIFO without a reader cannot hang the open.
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags, 0666);
  if (fd < 0) throwNotWritable(action, path, errno);
  struct stat st {};
  const bool statted = ::fstat(fd, &st) == 0;
  if (!statted || !S_ISREG(st.st_mode)) {
    const int err = statted ? EINVAL : errno;
    ::close(fd);
    throwNotWritable(action, path, err);
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  return fd;
}

}  // namespace pelarin

#endif
