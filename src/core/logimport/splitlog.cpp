#include "core/logimport/splitlog.h"

#include "core/app/appstate.h"
#include "core/logimport/boardkey.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/storeindex.h"
#include "core/logimport/storesinks.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/paths.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

// The splitter decides on the first bytes of a line only: the farthest it
// looks is column 78 (a counted header's line count), the longest prefix
// 25 bytes; a header's posting time after the writer's name ends by column
// 86 with a four-digit year. A body line's rest is copied through, any other
// line's dropped.
constexpr size_t kHeadBytes = 96;
constexpr long kAfterName = 69;  // the first column after the writer's name

constexpr ByteView kCountedHeader = "#Fc.";
constexpr ByteView kRes = "res";
constexpr ByteView kBlackMark = "\x81\x9c";       // ●
constexpr ByteView kWhiteMark = "\x81\x9b";       // ○
constexpr ByteView kFswTitle = "\x81\x9c [ FSW";  // ● [ FSW
constexpr ByteView kAutoPrompt = "[ AUTO ]";
constexpr ByteView kClosingFirst = "\x81\x9c\x82\x50\x81\x9c";  // ●１●
constexpr ByteView kClosingLast = "\x81\x9c\x82\x54\x81\x9c";   // ●５●
// ● 受け取り確認メッセージ
constexpr ByteView kReceipt =
    "\x81\x9c \x8e\xf3\x82\xaf\x8e\xe6\x82\xe8\x8a\x6d\x94\x46\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57";
// [ Ｂbs, [ Ｉbb, [ Ｆsw, [ Ｍai
constexpr ByteView kBoardPrompts[] = {"[ \x82\x61\x62s", "[ \x82\x68\x62\x62", "[ \x82\x65sw",
                                      "[ \x82\x6c\x61i"};

bool isMarkedHeader(ByteView line) {
  ByteView mark = columns(line, 3, 4);
  return mark == kBlackMark || mark == kWhiteMark;
}

// By byte order on the first six bytes, as the host's closing lines are numbered.
bool isClosingLine(ByteView line) {
  ByteView head = line.substr(0, 6);
  return head >= kClosingFirst && head <= kClosingLast;
}

bool isReceiptLine(ByteView line) { return beginsWith(line, kReceipt); }

bool isBoardPrompt(ByteView line) {
  for (ByteView prompt : kBoardPrompts)
    if (beginsWith(line, prompt)) return true;
  return false;
}

bool endsFileAreaBody(ByteView line) {
  return beginsWith(line, kFswTitle) || beginsWith(line, kAutoPrompt) || beginsWith(line, kCountedHeader);
}

// One run over one log. Holds the heads of the current line, the pending
// line and one header (two lines for a response); the buffers are reused
// from line to line, so memory does not grow with the length of a line.
class Splitter {
 public:
  Splitter(LineReader& in, int32_t first, AppState& state, MessageSink& sink, Progress* progress)
      : in_(in),
        state_(state),
        sink_(sink),
        next_(first),
        first_(first),
        progress_(progress) {}

  int32_t run() {
    try {
      return scan();
    } catch (const Error& e) {
      // A half-written message is not part of the store.
      if (writing_) sink_.drop(next_);
      const size_t line = convertingLine_ ? convertingLine_ : in_.lineNumber();
      throw SplitStoppedError(e.what(), in_.path(), line, next_, dynamic_cast<const CancelledError*>(&e));
    }
  }

 private:
  int32_t scan() {
    for (;;) {
      if (!hasPending_ && in_.atEnd()) return next_;
      if (hasPending_) {
        line_.swap(pending_);
        hasPending_ = false;
      } else {
        read(line_);
      }
      key_ = NextBoardKey(line_, key_, state_);
      if (beginsWith(line_, kCountedHeader)) counted();
      // The line read last by a counted message is examined here too.
      if (isMarkedHeader(line_)) marked();
    }
  }

  void read(Bytes& line) {
    if (progress_) progress_->step(in_.bytesRead(), next_ - first_);
    in_.readHead(line, kHeadBytes);
  }

  // The integer of a field, remembering its line for the message if it is none.
  int32_t fieldInt(ByteView field, size_t line) {
    convertingLine_ = line;
    const int32_t value = StrToInt(field);
    convertingLine_ = 0;
    return value;
  }

  // Passes on the current line, the head held and the rest straight from the log.
  void writeBody() {
    sink_.body(line_);
    in_.copyRest([this](ByteView piece) { sink_.body(piece); });
    sink_.body("\r\n");
  }

  void begin(ByteView title, ByteView name, int32_t number, int32_t id, size_t headerLine) {
    written_ = messageKeys(key_, number, title, reply_, id, name);
    writing_ = true;
    sink_.begin(next_, written_, headerLine);
  }

  void end() {
    writing_ = false;
    sink_.end(next_, std::move(written_));
    ++next_;
  }

  void counted() {
    header_.swap(line_);
    const size_t headerLine = in_.lineNumber();
    const int32_t number = fieldInt(columns(header_, 5, 9), headerLine);
    ByteView title, name;
    int32_t id = 0, count = 0;
    reply_.clear();
    if (columns(header_, 11, 13) == kRes) {
      reply_ = IntToStr(fieldInt(columns(header_, 52, 56), headerLine));
      read(header_);
      const size_t secondLine = in_.lineNumber();
      title = columns(header_, 15, 46);
      name = columns(header_, 53, 68);
      id = fieldInt(columns(header_, 48, 51), secondLine);
      count = fieldInt(columns(header_, 75, 78), secondLine);
      sink_.afterName(columns(header_, kAfterName, kHeadBytes));
    } else if (key_ > kFileAreaBase) {
      title = columns(header_, 38, 77);
      name = columns(header_, 14, 25);
      sink_.afterName({});
    } else {
      title = columns(header_, 15, 46);
      name = columns(header_, 53, 68);
      id = fieldInt(columns(header_, 48, 51), headerLine);
      count = fieldInt(columns(header_, 75, 78), headerLine);
      sink_.afterName(columns(header_, kAfterName, kHeadBytes));
    }
    read(line_);  // the line under the header carries nothing

    begin(title, name, number, id, headerLine);
    if (key_ > kFileAreaBase) {
      // A file area's listing runs to the next marker, which SCAN takes again.
      while (!in_.atEnd()) {
        read(line_);
        if (endsFileAreaBody(line_)) {
          pending_.assign(line_);
          hasPending_ = true;
          break;
        }
        writeBody();
      }
    } else {
      for (int32_t i = 0; i < count; ++i) {
        read(line_);
        writeBody();
      }
    }
    end();
  }

  void marked() {
    header_.swap(line_);
    const size_t headerLine = in_.lineNumber();
    size_t secondLine = 0;
    const int shift = key_ == kMailKey ? -1 : 0;
    const bool response = columns(header_, 11 + shift, 13 + shift) == kRes;
    if (response) {
      read(second_);
      secondLine = in_.lineNumber();
    }

    // A header not followed by an empty line, or whose body would open with a
    // board prompt, is not a message; the line that told us so is scanned again.
    read(line_);
    if (!line_.empty()) return dropHeader();
    read(line_);
    if (isBoardPrompt(line_)) return dropHeader();

    // Converted only now, so a decorative line that merely looks like a header
    // never stops a load.
    const int32_t number = shift ? 0 : fieldInt(columns(header_, 5, 9), headerLine);
    ByteView title, name;
    int32_t id = 0;
    reply_.clear();
    if (response) {
      reply_ = IntToStr(fieldInt(columns(header_, 52, 56), headerLine));
      title = columns(second_, 15 + shift, 46 + shift);
      name = columns(second_, 53 + shift, 68 + shift);
      id = fieldInt(columns(second_, 48 + shift, 51 + shift), secondLine);
      sink_.afterName(columns(second_, kAfterName + shift, kHeadBytes));
    } else if (key_ >= kFileAreaBase) {
      name = columns(header_, 14, 25);
      title = columns(header_, 38, 75);
      sink_.afterName({});
    } else {
      title = columns(header_, 15 + shift, 46 + shift);
      name = columns(header_, 53 + shift, 68 + shift);
      id = fieldInt(columns(header_, 48 + shift, 51 + shift), headerLine);
      sink_.afterName(columns(header_, kAfterName + shift, kHeadBytes));
    }

    begin(title, name, number, id, headerLine);
    if (!isReceiptLine(line_)) {
      while (!isClosingLine(line_)) {
        writeBody();
        if (in_.atEnd()) break;  // the log's last line is part of the body
        read(line_);
        if (isReceiptLine(line_)) break;
      }
    }
    end();
  }

  void dropHeader() {
    pending_.swap(line_);
    hasPending_ = true;
  }

  LineReader& in_;
  AppState& state_;
  MessageSink& sink_;
  int32_t next_;
  const int32_t first_;
  Progress* progress_;
  int32_t key_ = 0;  // the BF board until the log names another
  Bytes line_;
  Bytes pending_;
  bool hasPending_ = false;
  Bytes header_;
  Bytes second_;  // a response header's second line
  Bytes reply_;
  MessageKeys written_;        // the key lines of the message being passed on
  bool writing_ = false;       // message next_ has begun
  size_t convertingLine_ = 0;  // the line of the field being converted
};

}  // namespace

SplitStoppedError::SplitStoppedError(const std::string& reason, const std::filesystem::path& log, size_t line,
                                     int32_t next, bool cancelled)
    : Error(reason + "\n" + log.filename().string() + " の " + std::to_string(line) +
            " 行目で読み込みを止めました。"),
      reason_(reason),
      where_(log.filename().string() + " の " + std::to_string(line) + " 行目で読み込みを止めました。"),
      line_(line),
      next_(next),
      cancelled_(cancelled) {}


int32_t SplitLog(LineReader& log, int32_t first, AppState& state, MessageSink& sink, Progress* progress) {
  if (progress) progress->begin(Progress::Phase::Reading, 0);
  return Splitter(log, first, state, sink, progress).run();
}

int32_t SplitLog(LineReader& log, int32_t first, AppState& state, Progress* progress) {
  StoreSink sink(state);
  return SplitLog(log, first, state, sink, progress);
}

int32_t SplitLog(const std::filesystem::path& log, int32_t first, AppState& state, Progress* progress) {
  LineReader in(log);
  return SplitLog(in, first, state, progress);
}

}  // namespace pelarin
