#include "core/text/linereader.h"

#include <cerrno>
#include <cstring>

#include "core/text/errors.h"
#include "core/text/integers.h"

namespace pelarin {

namespace {
constexpr size_t kBufferSize = 1 << 16;
constexpr char kCtrlZ = 26;
constexpr char kCR = 13;
constexpr char kLF = 10;
}  // namespace

LineReader::LineReader(const std::filesystem::path& path) : path_(path), buffer_(new char[kBufferSize]) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) throw FileError("Cannot open", path, errno);
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

LineReader::~LineReader() {
  if (file_) std::fclose(file_);
}

bool LineReader::fill() {
  if (ended_) return false;
  pos_ = 0;
  len_ = std::fread(buffer_.get(), 1, kBufferSize, file_);
  if (len_ == 0) {
    if (std::ferror(file_)) throw FileError("Cannot read", path_, errno ? errno : EIO);
    ended_ = true;
    return false;
  }
  return true;
}

int LineReader::peek() {
  if (pos_ == len_ && !fill()) return -1;
  char c = buffer_[pos_];
  if (c == kCtrlZ) {
    ended_ = true;
    pos_ = len_ = 0;
    return -1;
  }
  return static_cast<unsigned char>(c);
}

bool LineReader::atEnd() { return peek() < 0; }

void LineReader::skipLineEnd() {
  // Called with the CR current.
  ++pos_;
  ++lineEnds_;
  if (peek() == kLF) ++pos_;
}

void LineReader::readLine(Bytes& line) {
  line.clear();
  lastLine_ = lineEnds_ + 1;
  while (peek() >= 0) {
    const char* begin = buffer_.get() + pos_;
    size_t avail = len_ - pos_;
    const char* cr = static_cast<const char*>(std::memchr(begin, kCR, avail));
    size_t span = cr ? static_cast<size_t>(cr - begin) : avail;
    if (const void* z = std::memchr(begin, kCtrlZ, span)) {
      line.append(begin, static_cast<size_t>(static_cast<const char*>(z) - begin));
      ended_ = true;
      pos_ = len_ = 0;
      return;
    }
    line.append(begin, span);
    pos_ += span;
    if (cr) {
      skipLineEnd();
      return;
    }
  }
}

Bytes LineReader::readLine() {
  Bytes line;
  readLine(line);
  return line;
}

int32_t LineReader::readInt() {
  int c;
  while ((c = peek()) >= 0 && c <= ' ') {
    if (c == kCR) ++lineEnds_;
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
  Bytes rest;
  readLine(rest);
  return *value;
}

}  // namespace pelarin
