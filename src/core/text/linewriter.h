// Writes a text file whose every line ends in CR LF. Nothing reaches the
// disk before close() or a full buffer; close() reports every failure.
#pragma once

#include <cstdio>
#include <filesystem>

#include "core/text/bytes.h"

namespace pelarin {

class LineWriter {
 public:
  enum class Mode { Truncate, Append };

  explicit LineWriter(const std::filesystem::path& path, Mode mode = Mode::Truncate);
  ~LineWriter();  // closes, ignoring failures: call close() to see them
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void writeLine(ByteView line);
  void write(ByteView bytes);
  void close();       // flush and close; throws FileError
  void syncToDisk();  // flush and fsync; throws FileError

  const std::filesystem::path& path() const { return path_; }

 private:
  void flush();

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  Bytes buffer_;
};

// Writes a whole file beside the target and renames it over the target on
// commit(), so a failure never leaves half a file or destroys the old one.
class ReplacingWriter {
 public:
  explicit ReplacingWriter(const std::filesystem::path& target);
  ~ReplacingWriter();  // without commit(), the temporary file is removed
  ReplacingWriter(const ReplacingWriter&) = delete;
  ReplacingWriter& operator=(const ReplacingWriter&) = delete;

  void writeLine(ByteView line) { writer_.writeLine(line); }
  void commit();  // throws FileError; the target is then the new file

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  LineWriter writer_;
  bool done_ = false;
};

}  // namespace pelarin
