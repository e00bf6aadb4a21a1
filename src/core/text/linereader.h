// Reads a text file by the system's line rules: CR ends a line (an LF right
// after it belongs to the line end), an LF alone does not, Ctrl-Z or the
// physical end ends the file. Lines have no length limit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/text/bytes.h"

namespace pelarin {

class LineReader {
 public:
  explicit LineReader(const std::filesystem::path& path);  // throws FileError
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // True when no byte is left before the physical end or a Ctrl-Z.
  bool atEnd();

  // The next line without its line end; the empty text past the end.
  void readLine(Bytes& line);
  Bytes readLine();

  // The settings file's integer: skips bytes up to 32 across lines (0 at the
  // end), takes at most 32 bytes up to the next such byte, then skips the
  // rest of the line. Throws NotANumberError.
  int32_t readInt();

  const std::filesystem::path& path() const { return path_; }

  // The 1-based number of the line the last read took its bytes from (0 before
  // any read), for messages that say where reading stopped.
  size_t lineNumber() const { return lastLine_; }

 private:
  bool fill();  // false at the physical end
  int peek();   // -1 at the end of the file
  void skipLineEnd();

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  size_t pos_ = 0;
  size_t len_ = 0;
  bool ended_ = false;   // physical end or Ctrl-Z seen
  size_t lineEnds_ = 0;  // CRs consumed
  size_t lastLine_ = 0;
};

}  // namespace pelarin
