#include "core/logimport/splitlog.h"

#include "core/app/appstate.h"
#include "core/logimport/boardkey.h"
#include "core/logimport/messagefile.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/paths.h"

namespace pelarin {

namespace {

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

// One run over one log. Holds the current line, the pending line and one
// header (two lines for a response); the buffers are reused from line to line.
class Splitter {
 public:
  Splitter(const std::filesystem::path& log, int32_t first, AppState& state)
      : in_(log), state_(state), dir_(pathFromText(state.WorkDir)), next_(first) {}

  int32_t run() {
    for (;;) {
      if (!hasPending_ && in_.atEnd()) return next_;
      if (hasPending_) {
        line_.swap(pending_);
        hasPending_ = false;
      } else {
        in_.readLine(line_);
      }
      key_ = NextBoardKey(line_, key_, state_);
      if (beginsWith(line_, kCountedHeader)) counted();
      // The line read last by a counted message is examined here too.
      if (isMarkedHeader(line_)) marked();
    }
  }

 private:
  void counted() {
    header_.swap(line_);
    const int32_t number = StrToInt(columns(header_, 5, 9));
    ByteView title, name;
    int32_t id = 0, count = 0;
    reply_.clear();
    if (columns(header_, 11, 13) == kRes) {
      reply_ = IntToStr(StrToInt(columns(header_, 52, 56)));
      in_.readLine(header_);
      title = columns(header_, 15, 46);
      name = columns(header_, 53, 68);
      id = StrToInt(columns(header_, 48, 51));
      count = StrToInt(columns(header_, 75, 78));
    } else if (key_ > kFileAreaBase) {
      title = columns(header_, 38, 77);
      name = columns(header_, 14, 25);
    } else {
      title = columns(header_, 15, 46);
      name = columns(header_, 53, 68);
      id = StrToInt(columns(header_, 48, 51));
      count = StrToInt(columns(header_, 75, 78));
    }
    in_.readLine(line_);  // the line under the header carries nothing

    LineWriter out(messagePath(dir_, next_));
    writeMessageKeys(out, key_, number, title, reply_, id, name);
    if (key_ > kFileAreaBase) {
      // A file area's listing runs to the next marker, which SCAN takes again.
      while (!in_.atEnd()) {
        in_.readLine(line_);
        if (endsFileAreaBody(line_)) {
          pending_.assign(line_);
          hasPending_ = true;
          break;
        }
        out.writeLine(line_);
      }
    } else {
      for (int32_t i = 0; i < count; ++i) {
        in_.readLine(line_);
        out.writeLine(line_);
      }
    }
    out.close();
    ++next_;
  }

  void marked() {
    header_.swap(line_);
    const int shift = key_ == kMailKey ? -1 : 0;
    const bool response = columns(header_, 11 + shift, 13 + shift) == kRes;
    if (response) in_.readLine(second_);

    // A header not followed by an empty line, or whose body would open with a
    // board prompt, is not a message; the line that told us so is scanned again.
    in_.readLine(line_);
    if (!line_.empty()) return dropHeader();
    in_.readLine(line_);
    if (isBoardPrompt(line_)) return dropHeader();

    // Converted only now, so a decorative line that merely looks like a header
    // never stops a load.
    const int32_t number = shift ? 0 : StrToInt(columns(header_, 5, 9));
    ByteView title, name;
    int32_t id = 0;
    reply_.clear();
    if (response) {
      reply_ = IntToStr(StrToInt(columns(header_, 52, 56)));
      title = columns(second_, 15 + shift, 46 + shift);
      name = columns(second_, 53 + shift, 68 + shift);
      id = StrToInt(columns(second_, 48 + shift, 51 + shift));
    } else if (key_ >= kFileAreaBase) {
      name = columns(header_, 14, 25);
      title = columns(header_, 38, 75);
    } else {
      title = columns(header_, 15 + shift, 46 + shift);
      name = columns(header_, 53 + shift, 68 + shift);
      id = StrToInt(columns(header_, 48 + shift, 51 + shift));
    }

    LineWriter out(messagePath(dir_, next_));
    writeMessageKeys(out, key_, number, title, reply_, id, name);
    if (!isReceiptLine(line_)) {
      while (!isClosingLine(line_)) {
        out.writeLine(line_);
        if (in_.atEnd()) break;  // the log's last line is part of the body
        in_.readLine(line_);
        if (isReceiptLine(line_)) break;
      }
    }
    out.close();
    ++next_;
  }

  void dropHeader() {
    pending_.swap(line_);
    hasPending_ = true;
  }

  LineReader in_;
  AppState& state_;
  const std::filesystem::path dir_;
  int32_t next_;
  int32_t key_ = 0;  // the BF board until the log names another
  Bytes line_;
  Bytes pending_;
  bool hasPending_ = false;
  Bytes header_;
  Bytes second_;  // a response header's second line
  Bytes reply_;
};

}  // namespace

int32_t SplitLog(const std::filesystem::path& log, int32_t first, AppState& state) {
  return Splitter(log, first, state).run();
}

}  // namespace pelarin
