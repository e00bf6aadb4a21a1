#include "core/text/linereader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/text/errors.h"
#include "core/text/integers.h"

namespace pelarin {

namespace {
constexpr size_t kBufferSize = 1 << 16;
constexpr size_t kWholeLine = std::numeric_limits<size_t>::max();
constexpr char kCtrlZ = 26;
constexpr char kCR = 13;
constexpr char kLF = 10;

// What the file is when it is not a regular file, for the refusal.
void refuseUnlessRegular(const std::filesystem::path& path, mode_t mode) {
  if (S_ISREG(mode)) return;
  if (S_ISDIR(mode)) throw FileError("Cannot open", path, EISDIR);
  const char* kind = S_ISFIFO(mode)                   ? "a FIFO"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISSOCK(mode)                 ? "a socket"
                                                      : "a special file";
  throw FileError("Cannot open", path, EINVAL, std::string("Not a regular file (") + kind + ")");
}
}  // namespace

LineReader::LineReader(const std::filesystem::path& path, Form form) : LineReader(path) {
  if (form == Form::Raw) return;
  mode_ = form;
  form_ = guessLogForm(fd_);
  if (form_.lfLineEnds) lineEnd_ = kLF;
  if (form_.encoding != LogEncoding::Cp932) transcoder_ = std::make_unique<LogTranscoder>(form_.encoding);
}

LineReader::LineReader(const std::filesystem::path& path)
    : path_(path), buffer_(new char[kBufferSize]), data_(buffer_.get()) {
  // O_NONBLOCK so that opening a FIFO returns at once and can be refused.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw FileError("Cannot open", path, errno);
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    const int error = errno;
    ::close(fd_);
    throw FileError("Cannot open", path, error);
  }
  try {
    refuseUnlessRegular(path, st.st_mode);
  } catch (...) {
    ::close(fd_);
    throw;
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::fill() {
  if (ended_) return false;
  pos_ = 0;
  for (;;) {
    ssize_t n;
    do n = ::read(fd_, buffer_.get(), kBufferSize);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
      len_ = 0;
      throw FileError("Cannot read", path_, errno);
    }
    const ByteView raw(buffer_.get(), static_cast<size_t>(n));
    filled_ += raw.size();
    if (tap_ && n > 0) tap_(raw);
    if (!transcoder_) {
      len_ = raw.size();
    } else {
      converted_.clear();
      transcoder_->convert(raw, converted_, n == 0);
      data_ = converted_.data();
      len_ = converted_.size();
      // A piece that only began a character gives nothing yet.
      if (len_ == 0 && n > 0) continue;
    }
    if (len_ == 0) {
      ended_ = true;
      return false;
    }
    return true;
  }
}

void LineReader::readToEnd() {
  pos_ = len_ = 0;
  ended_ = true;
  for (;;) {
    ssize_t n;
    do n = ::read(fd_, buffer_.get(), kBufferSize);
    while (n < 0 && errno == EINTR);
    if (n < 0) throw FileError("Cannot read", path_, errno);
    if (n == 0) return;
    filled_ += static_cast<uint64_t>(n);
    if (tap_) tap_(ByteView(buffer_.get(), static_cast<size_t>(n)));
  }
}

int LineReader::peek() {
  if (pos_ == len_ && !fill()) return -1;
  char c = data_[pos_];
  if (c == kCtrlZ) {
    ended_ = true;
    pos_ = len_ = 0;
    return -1;
  }
  return static_cast<unsigned char>(c);
}

bool LineReader::atEnd() {
  if (inLine_) skipRest();
  return peek() < 0;
}

void LineReader::skipLineEnd() {
  // Called with the line end current; an LF after a CR belongs to it.
  ++pos_;
  ++lineEnds_;
  if (lineEnd_ == kCR && peek() == kLF) ++pos_;
}

template <class Sink>
bool LineReader::take(size_t limit, Sink&& sink) {
  for (;;) {
    const int c = peek();
    if (c < 0) return true;
    if (limit == 0) {
      if (c != lineEnd_) return false;
      skipLineEnd();
      return true;
    }
    const char* begin = data_ + pos_;
    const size_t avail = std::min(len_ - pos_, limit);
    const char* cr = static_cast<const char*>(std::memchr(begin, lineEnd_, avail));
    const size_t span = cr ? static_cast<size_t>(cr - begin) : avail;
    if (const void* z = std::memchr(begin, kCtrlZ, span)) {
      sink(ByteView(begin, static_cast<size_t>(static_cast<const char*>(z) - begin)));
      ended_ = true;
      pos_ = len_ = 0;
      return true;
    }
    if (span > 0) sink(ByteView(begin, span));
    pos_ += span;
    limit -= span;
    if (cr) {
      skipLineEnd();
      return true;
    }
  }
}

void LineReader::readLine(Bytes& line) {
  if (inLine_) skipRest();
  line.clear();
  lastLine_ = lineEnds_ + 1;
  take(kWholeLine, [&line](ByteView piece) { line.append(piece); });
}

Bytes LineReader::readLine() {
  Bytes line;
  readLine(line);
  return line;
}

void LineReader::readHead(Bytes& head, size_t limit) {
  if (inLine_) skipRest();
  head.clear();
  lastLine_ = lineEnds_ + 1;
  inLine_ = !take(limit, [&head](ByteView piece) { head.append(piece); });
}

void LineReader::copyRest(const std::function<void(ByteView)>& sink) {
  if (!inLine_) return;
  inLine_ = false;
  take(kWholeLine, sink);
}

size_t LineReader::skipRest() {
  if (!inLine_) return 0;
  inLine_ = false;
  size_t skipped = 0;
  take(kWholeLine, [&skipped](ByteView piece) { skipped += piece.size(); });
  return skipped;
}

int32_t LineReader::readInt() {
  if (inLine_) skipRest();
  int c;
  while ((c = peek()) >= 0 && c <= ' ') {
    if (c == lineEnd_) ++lineEnds_;
    ++pos_;
  }
  if (c < 0) return 0;
  lastLine_ = lineEnds_ + 1;
  Bytes token;
  while ((c = peek()) > ' ' && token.size() < 32) {
    token += static_cast<char>(c);
    ++pos_;
  }
  auto value = parseNumber(token);
  if (!value) throw NotANumberError();
  take(kWholeLine, [](ByteView) {});
  return *value;
}

}  // namespace pelarin
