#include "core/text/linewriter.h"

#include <cerrno>
#include <cstdio>
#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "core/text/errors.h"

namespace pelarin {

namespace {
constexpr size_t kFlushAt = 1 << 16;
}

LineWriter::LineWriter(const std::filesystem::path& path, Mode mode) : path_(path) {
  file_ = std::fopen(path.c_str(), mode == Mode::Append ? "ab" : "wb");
  if (!file_) throw FileError("Cannot create", path, errno);
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

LineWriter::~LineWriter() {
  if (file_) {
    try {
      flush();
    } catch (const Error&) {
    }
    std::fclose(file_);
  }
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
  } catch (...) {
    std::fclose(f);
    file_ = nullptr;
    throw;
  }
  file_ = nullptr;
  if (std::fclose(f) != 0) throw FileError("Cannot write", path_, errno);
}

ReplacingWriter::ReplacingWriter(const std::filesystem::path& target)
    : target_(target), temp_(std::filesystem::path(target).concat(".new")), writer_(temp_) {}

ReplacingWriter::~ReplacingWriter() {
  if (!done_) {
    std::error_code ignored;
    std::filesystem::remove(temp_, ignored);
  }
}

void ReplacingWriter::commit() {
  writer_.syncToDisk();
  writer_.close();
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) throw FileError("Cannot replace", target_, errno);
  done_ = true;
}

}  // namespace pelarin
