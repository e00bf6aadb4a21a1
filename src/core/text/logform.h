// How a log is kept on disk. Captured logs are code page 932 with CR line
// ends; archives converted long ago on Unix often have LF alone, or UTF-8 or
// EUC-JP text. The guess only names a conversion where the bytes leave no
// doubt; anything mixed stays as it is. It reads a converted log to the end,
// a captured one only until it shows itself, within its first lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/text/bytes.h"

namespace pelarin {

enum class LogEncoding { Cp932, Utf8, EucJp };

struct LogForm {
  LogEncoding encoding = LogEncoding::Cp932;
  bool lfLineEnds = false;  // no CR anywhere, so LF ends a line
  bool operator==(const LogForm&) const = default;
};

// Fed the log's bytes in order (pieces of any size); stops at a Ctrl-Z, as the reader does.
class LogFormGuess {
 public:
  void feed(ByteView bytes);
  LogForm result() const;
  // Nothing further can change the result: a CR was seen and the bytes are
  // neither UTF-8 nor EUC-JP, so the log is read as captured.
  bool decided() const { return ended_ || (sawCR_ && !utf8Valid_ && !eucValid_); }

 private:
  void utf8(unsigned char b);
  void euc(unsigned char b);
  void sjis(unsigned char b);

  bool ended_ = false;
  bool sawCR_ = false, sawLF_ = false;
  // UTF-8: continuation bytes still due, the bounds of the next one, characters of more than a byte.
  bool utf8Valid_ = true;
  int utf8Due_ = 0;
  unsigned char utf8Low_ = 0x80, utf8High_ = 0xBF;
  size_t utf8Multi_ = 0;
  // EUC-JP: bytes still due after a lead, characters of more than a byte.
  bool eucValid_ = true;
  int eucDue_ = 0;
  bool eucKana_ = false;
  size_t eucMulti_ = 0;
  // Code page 932 as a captured log holds it: double-byte characters and halfwidth katakana.
  bool sjisValid_ = true;
  bool sjisTrailDue_ = false;
  size_t sjisDouble_ = 0, sjisKana_ = 0;
};

// Reads the file (a regular file already open as fd) from its start without moving its offset.
LogForm guessLogForm(int fd);

// What the title bar says of a converted log, e.g. "［UTF-8 から変換・LF 改行・〓 3 字］"; "" for none.
std::string logFormNote(const LogForm& form, size_t replaced);

// Turns the log's text into the code page 932 bytes it came from, piece by piece; a character
// without a form becomes the geta mark "〓" and is counted.
class LogTranscoder {
 public:
  explicit LogTranscoder(LogEncoding encoding) : encoding_(encoding) {}
  // Appends the converted bytes of `in` to `out`; `last` flushes what a piece left unfinished.
  void convert(ByteView in, Bytes& out, bool last);
  size_t replaced() const { return replaced_; }

 private:
  void utf8(unsigned char b, Bytes& out);
  void euc(unsigned char b, Bytes& out);
  void emit(char32_t c, Bytes& out);
  void flushPending(Bytes& out);
  void geta(Bytes& out);

  LogEncoding encoding_;
  size_t replaced_ = 0;
  bool started_ = false;  // a UTF-8 byte order mark is dropped only at the start
  // UTF-8: the character being read and the bytes still due.
  char32_t code_ = 0;
  int due_ = 0;
  // A kana kept back until the next character shows whether a voiced mark follows.
  char32_t pending_ = 0;
  // EUC-JP: the lead bytes read so far.
  unsigned char lead_[2] = {0, 0};
  int leads_ = 0;
};

}  // namespace pelarin
