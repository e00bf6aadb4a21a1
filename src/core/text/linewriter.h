// Writes a text file whose every line ends in CR LF. Nothing reaches the
// disk before close() or a full buffer; close() reports every failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "core/text/bytes.h"

namespace pelarin {

class LineWriter {
 public:
  // Overwrite writes from the start of an existing file and cuts it at the
  // end of what was written when it closes: the same bytes as Truncate, but
  // the file system keeps the file's blocks instead of freeing and taking
  // them again (ten times faster for many small files on ext4).
  enum class Mode { Truncate, Append, Overwrite };

  // Never writes through a link or into anything but a regular file at
  // `path`: that is a FileError naming it.
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
  friend class ReplacingWriter;
  // Takes over an open file; failures name `name`.
  LineWriter(std::FILE* file, const std::filesystem::path& name);

  void flush();
  bool cutAtEnd();

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  Bytes buffer_;
  bool cutAtClose_ = false;  // Overwrite
  uint64_t written_ = 0;
};

// Writes a whole file beside the target and renames it over the target on
// commit(), so a failure never leaves half a file or destroys the old one.
// The new file keeps the old one's permissions; a target that may not be
// written is refused as a plain write would refuse it. Where the directory
// takes no new file but the target may be written, the target is rewritten
// in place on commit(). Every error names the target.
class ReplacingWriter {
 public:
  explicit ReplacingWriter(const std::filesystem::path& target);
  ~ReplacingWriter();  // without commit(), the temporary file is removed
  ReplacingWriter(const ReplacingWriter&) = delete;
  ReplacingWriter& operator=(const ReplacingWriter&) = delete;

  void writeLine(ByteView line);
  // Bytes as they are, for a file whose line ends are not all the writer's.
  void write(ByteView bytes);
  // Puts the new file on disk and closes it, so that many can wait for their
  // commit() without holding a descriptor each; commit() then only renames.
  void finishWriting();
  void commit();  // throws FileError; the target is then the new file

 private:
  void commitInPlace();

  std::filesystem::path target_;
  std::filesystem::path temp_;  // empty while the target is written in place
  std::unique_ptr<LineWriter> writer_;
  int inPlace_ = -1;  // the target's descriptor, when written in place
  Bytes content_;     // what goes into it then
  bool done_ = false;
  bool finished_ = false;
};

// The hidden name a whole-file write gives its temporary, ".<target>.<12 hex digits>": one left
// behind was a write that never finished, its target untouched.
bool isUnfinishedWriteName(std::string_view name);

}  // namespace pelarin
