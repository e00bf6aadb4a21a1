// Reads a text file by the system's line rules: CR ends a line (an LF right
// after it belongs to the line end), an LF alone does not, Ctrl-Z or the
// physical end ends the file. Lines have no length limit; a line can also be
// taken by its head only, the rest copied through or skipped unheld.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/text/bytes.h"
#include "core/text/logform.h"

namespace pelarin {

class LineReader {
 public:
  // Opens only a regular file: a FIFO, a device or a directory is refused at
  // once (a FIFO without a writer would otherwise hang the open). Throws FileError.
  explicit LineReader(const std::filesystem::path& path);
  // A log: with Guess, a log kept with LF line ends or in UTF-8 or EUC-JP is read as the
  // code page 932 text with CR line ends it came from (see logform.h); Raw reads it as it is.
  enum class Form { Raw, Guess };
  LineReader(const std::filesystem::path& path, Form form);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // True when no byte is left before the physical end or a Ctrl-Z, after the
  // rest of a line taken by its head.
  bool atEnd();

  // The next line without its line end; the empty text past the end.
  void readLine(Bytes& line);
  Bytes readLine();

  // The first `limit` bytes of the next line. The rest, if any, waits for
  // copyRest() or skipRest(); the next read or atEnd() skips it.
  void readHead(Bytes& head, size_t limit);
  // True when the line last taken by its head has bytes left.
  bool hasRest() const { return inLine_; }
  // Passes the rest of that line on in pieces and consumes its line end.
  void copyRest(const std::function<void(ByteView)>& sink);
  // Drops the rest of that line; returns how many bytes it held.
  size_t skipRest();

  // The settings file's integer: skips bytes up to 32 across lines (0 at the
  // end), takes at most 32 bytes up to the next such byte, then skips the
  // rest of the line. Throws NotANumberError.
  int32_t readInt();

  const std::filesystem::path& path() const { return path_; }
  // Raw, or Guess for a log read by its guessed form.
  Form mode() const { return mode_; }
  // The open file, for its status and for reads beside this one (pread).
  int descriptor() const { return fd_; }
  // Every byte read from the file from now on is passed to `tap`, before any
  // conversion: what the reading saw, for a digest of it.
  void tap(std::function<void(ByteView)> tap) { tap_ = std::move(tap); }
  // Reads on to the physical end, past a Ctrl-Z, giving the bytes to the tap only.
  void readToEnd();
  // How the file was read, and how many of its characters became "〓" so far.
  const LogForm& form() const { return form_; }
  size_t replaced() const { return transcoder_ ? transcoder_->replaced() : 0; }

  // The 1-based number of the line the last read took its bytes from (0 before
  // any read), for messages that say where reading stopped.
  size_t lineNumber() const { return lastLine_; }

  // The bytes taken from the file so far, for progress shown to the user.
  // Of a converted log, the bytes converted so far.
  uint64_t bytesRead() const { return transcoder_ ? filled_ : filled_ - (len_ - pos_); }

 private:
  bool fill();  // false at the physical end
  int peek();   // -1 at the end of the file
  void skipLineEnd();
  // Takes bytes of the current line, at most `limit`, giving each piece to
  // `sink`; true when the line ended (its line end consumed).
  template <class Sink>
  bool take(size_t limit, Sink&& sink);

  std::filesystem::path path_;
  Form mode_ = Form::Raw;
  std::function<void(ByteView)> tap_;
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  const char* data_;  // buffer_, or converted_ for a log read through the transcoder
  LogForm form_;
  char lineEnd_ = '\r';
  std::unique_ptr<LogTranscoder> transcoder_;
  Bytes converted_;
  size_t pos_ = 0;
  size_t len_ = 0;
  bool ended_ = false;   // physical end or Ctrl-Z seen
  bool inLine_ = false;  // a line taken by its head has bytes left
  size_t lineEnds_ = 0;  // CRs consumed
  size_t lastLine_ = 0;
  uint64_t filled_ = 0;  // bytes read from the file into the buffer
};

}  // namespace pelarin
