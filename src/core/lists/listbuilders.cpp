#include "core/lists/listbuilders.h"

#include <string>
#include <vector>

#include "core/text/errors.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/linewriter.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

constexpr size_t kGreetingLength = sizeof kGreeting - 1;  // 28 bytes
constexpr size_t kTitleTail = 20;                         // the host's line speed and the like
constexpr char kFullwidthF[] = "\x82\x65";                // Ｆ
constexpr char kMale[] = "\x81\x89";                      // ♂
constexpr char kFemale[] = "\x81\x8a";                    // ♀

// The value of a fullwidth digit "０".."９" (0x82 0x4F..0x58), or -1.
int fullwidthDigit(ByteView two) {
  if (two.size() != 2 || static_cast<unsigned char>(two[0]) != 0x82) return -1;
  const int second = static_cast<unsigned char>(two[1]);
  return second >= 0x4f && second <= 0x58 ? second - 0x4f : -1;
}

// "I" for an IBBS board, "B" for a BBS or CUG board, nothing otherwise.
std::optional<char> kindPrefix(ByteView line) {
  if (columns(line, 8, 11) == "IBBS" && columns(line, 12, 15) == "    ") return 'I';
  const ByteView kind = columns(line, 8, 10);
  if (kind == "BBS" || kind == "CUG") return 'B';
  return std::nullopt;
}

Bytes entry(ByteView field, ByteView line) { return Bytes(field) + Bytes(columns(line, 19, 38)); }

Bytes numbered(char prefix, int64_t number, const char* blanks, ByteView line) {
  return entry(Bytes(1, prefix) + IntToStr(number) + blanks, line);
}

template <typename EntriesOf>
size_t buildList(const std::filesystem::path& log, const std::filesystem::path& list, Progress* progress,
                 EntriesOf entriesOf) {
  ReplacingWriter out(list);
  Bytes line;
  if (progress) progress->begin(Progress::Phase::Reading, 0);
  {
    LineReader in(log, LineReader::Form::Guess);
    while (!in.atEnd()) {
      if (progress) progress->step(in.bytesRead(), 0);
      in.readLine(line);
      if (std::optional<Bytes> title = greetingTitle(line)) {
        out.writeLine(*title);
        break;
      }
    }
  }
  LineReader in(log, LineReader::Form::Guess);
  size_t count = 0;
  while (!in.atEnd()) {
    if (progress) progress->step(in.bytesRead(), static_cast<int64_t>(count));
    in.readLine(line);
    std::vector<Bytes> entries;
    try {
      entries = entriesOf(line);
    } catch (const ConversionError& e) {
      throw ConversionError(e.text(), log.filename().string() + " の " + std::to_string(in.lineNumber()) +
                                          " 行目で一覧の作成を止めました。前の一覧はそのままです。");
    }
    for (const Bytes& e : entries) {
      out.writeLine(e);
      ++count;
    }
  }
  out.commit();
  return count;
}

}  // namespace

std::optional<Bytes> greetingTitle(ByteView line) {
  if (!beginsWith(line, ByteView(kGreeting, kGreetingLength))) return std::nullopt;
  if (line.size() <= kGreetingLength + kTitleTail) return Bytes();
  return Bytes(line.substr(kGreetingLength, line.size() - kGreetingLength - kTitleTail));
}

std::vector<Bytes> boardEntries(ByteView line) {
  std::vector<Bytes> entries;
  // The frame: order comparisons at the first two places, as the host's layout allows.
  if (columns(line, 6, 7) < "][" || columns(line, 16, 17) > "][" || columns(line, 40, 41) != "](")
    return entries;
  // Four independent tests; a well-formed line passes one of them at most.
  if (columns(line, 3, 4) == kFullwidthF) entries.push_back(entry("BF    ", line));
  if (const int digit = fullwidthDigit(columns(line, 3, 4)); digit >= 1) {
    if (std::optional<char> prefix = kindPrefix(line))
      entries.push_back(numbered(*prefix, digit, "    ", line));
  }
  if (const int tens = fullwidthDigit(columns(line, 2, 3)); tens >= 1) {
    if (std::optional<char> prefix = kindPrefix(line)) {
      // "Ｆ" and anything that is no digit count 0.
      const int units = fullwidthDigit(columns(line, 4, 5));
      entries.push_back(numbered(*prefix, 10 * tens + (units > 0 ? units : 0), "   ", line));
    }
  }
  if (isDigitAt(line, 5)) {
    if (std::optional<char> prefix = kindPrefix(line))
      entries.push_back(numbered(*prefix, StrToInt(columns(line, 2, 5)), "  ", line));
  }
  return entries;
}

std::optional<Bytes> nameEntry(ByteView line) {
  const ByteView id = columns(line, 11, 14);
  if (id < "0001" || id > "9999") return std::nullopt;
  const ByteView sex = columns(line, 33, 34);
  if (sex != kMale && sex != kFemale) return std::nullopt;
  return Bytes(columns(line, 9, 31));
}

size_t MakeBoardList(const std::filesystem::path& log, const std::filesystem::path& list,
                     Progress* progress) {
  return buildList(log, list, progress, boardEntries);
}

size_t MakeNameList(const std::filesystem::path& log, const std::filesystem::path& list, Progress* progress) {
  return buildList(log, list, progress, [](ByteView line) {
    std::vector<Bytes> entries;
    if (std::optional<Bytes> e = nameEntry(line)) entries.push_back(std::move(*e));
    return entries;
  });
}

}  // namespace pelarin
