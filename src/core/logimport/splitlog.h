// Splits a captured log into message files, one per recognised header.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/text/bytes.h"
#include "core/text/errors.h"

namespace pelarin {

struct AppState;
class LineReader;
class Progress;
struct MessageKeys;

// Where a split puts the messages it finds, in the log's order.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Message n begins; headerLine is the log's line its header starts on.
  virtual void begin(int32_t n, const MessageKeys& keys, size_t headerLine) = 0;
  // Just before begin: the header's bytes after the writer's name (where the
  // host writes the posting time), from the line that holds the name; empty
  // for a file area's header.
  virtual void afterName(ByteView) {}
  // The body in pieces, as the store's file holds it: every line ends in CR LF.
  virtual void body(ByteView piece) = 0;
  virtual void end(int32_t n, MessageKeys&& keys) = 0;
  // The split stopped inside message n: it is not part of what was found.
  virtual void drop(int32_t n) noexcept = 0;
};

// A split that an error stopped part-way. The messages before next() are
// complete in the work directory; what() is the error's own text followed by
// a line naming the log's file and the line where reading stopped.
class SplitStoppedError : public Error {
 public:
  SplitStoppedError(const std::string& reason, const std::filesystem::path& log, size_t line, int32_t next,
                    bool cancelled = false);
  const std::string& reason() const { return reason_; }
  // "<file name> の <N> 行目で読み込みを止めました。"
  const std::string& where() const { return where_; }
  size_t line() const { return line_; }
  int32_t next() const { return next_; }
  // Stopped by a cancel (CancelledError), not by a fault of the log or the disk.
  bool cancelled() const { return cancelled_; }

 private:
  std::string reason_;
  std::string where_;
  size_t line_;
  int32_t next_;
  bool cancelled_;
};

// Writes "mes<N>.tmp" into state.WorkDir for N = first, first+1, ... and
// returns the next free number (first when the log holds no message).
// A file already under such a name is written over. Appends to state.BoardMap and puts every
// message completed into state.Index. Throws FileError when the log cannot be opened,
// SplitStoppedError for an error after that; files completed before it stay.
// With progress: the bytes read and the messages written after every line; a
// cancel stops the split like an error, the message being written dropped.
int32_t SplitLog(const std::filesystem::path& log, int32_t first, AppState& state,
                 Progress* progress = nullptr);

// The same on a log already open, so a caller can refuse a log before it
// changes anything.
int32_t SplitLog(LineReader& log, int32_t first, AppState& state, Progress* progress = nullptr);

// The same into another sink: state gives the board map (and takes its
// additions); nothing is written to the work directory.
int32_t SplitLog(LineReader& log, int32_t first, AppState& state, MessageSink& sink,
                 Progress* progress = nullptr);

}  // namespace pelarin
