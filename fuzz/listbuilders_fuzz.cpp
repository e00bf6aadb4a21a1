// Feeds arbitrary bytes to the board and name list builders as a log. Each
// list must hold, after the title, exactly one entry for every board or member
// line of the input that passes the host's tests, in input order; a board list
// that stops on a bad number must leave the previous list whole.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/lists/listbuilders.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::check;
using Lines = std::vector<std::string>;

// Bytes from..to (1-based, inclusive) of a line, as far as the line reaches.
std::string cols(const std::string& line, size_t from, size_t to) {
  if (line.size() < from) return {};
  return line.substr(from - 1, to - from + 1);
}

int fullwidthDigit(const std::string& two) {
  if (two.size() != 2 || static_cast<unsigned char>(two[0]) != 0x82) return -1;
  const int b = static_cast<unsigned char>(two[1]);
  return b >= 0x4f && b <= 0x58 ? b - 0x4f : -1;
}

std::optional<std::string> prefixOf(const std::string& l) {
  if (cols(l, 8, 11) == "IBBS" && cols(l, 12, 15) == "    ") return "I";
  if (cols(l, 8, 10) == "BBS" || cols(l, 8, 10) == "CUG") return "B";
  return std::nullopt;
}

// The entries a board line gives; throws ConversionError as the builder must.
Lines expectedBoards(const std::string& l) {
  Lines out;
  if (cols(l, 6, 7) < "][" || cols(l, 16, 17) > "][" || cols(l, 40, 41) != "](") return out;
  const std::string name = cols(l, 19, 38);
  if (cols(l, 3, 4) == "\x82\x65") out.push_back("BF    " + name);
  if (fullwidthDigit(cols(l, 3, 4)) >= 1 && prefixOf(l))
    out.push_back(*prefixOf(l) + std::to_string(fullwidthDigit(cols(l, 3, 4))) + "    " + name);
  if (fullwidthDigit(cols(l, 2, 3)) >= 1 && prefixOf(l)) {
    const int units = std::max(0, fullwidthDigit(cols(l, 4, 5)));
    out.push_back(*prefixOf(l) + std::to_string(10 * fullwidthDigit(cols(l, 2, 3)) + units) + "   " + name);
  }
  if (l.size() >= 5 && l[4] >= '0' && l[4] <= '9' && prefixOf(l))
    out.push_back(*prefixOf(l) + pelarin::IntToStr(pelarin::StrToInt(cols(l, 2, 5))) + "  " + name);
  return out;
}

std::optional<std::string> expectedName(const std::string& l) {
  const std::string id = cols(l, 11, 14), sex = cols(l, 33, 34);
  if (id < "0001" || id > "9999" || (sex != "\x81\x89" && sex != "\x81\x8a")) return std::nullopt;
  return cols(l, 9, 31);
}

// The first greeting's title line, if the input has one.
std::optional<std::string> expectedTitle(const Lines& input) {
  const std::string greeting = "\x82\x73hank you for accessing to ";
  for (const std::string& l : input)
    if (l.starts_with(greeting)) return l.size() <= 48 ? std::string() : l.substr(28, l.size() - 48);
  return std::nullopt;
}

Lines readList(const fuzzing::fs::path& file) { return fuzzing::lines(fuzzing::readFile(file)); }

void checkList(const fuzzing::fs::path& file, size_t count, const Lines& input, const Lines& entries) {
  Lines expected;
  if (auto title = expectedTitle(input)) expected.push_back(*title);
  expected.insert(expected.end(), entries.begin(), entries.end());
  check(count == entries.size());
  check(readList(file) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = fuzzing::workDir("pelarin-lists-fuzz");
  const auto log = dir / "in.log", bod = dir / "l.bod", nam = dir / "l.nam";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzzing::writeFile(log, text);
  const Lines input = fuzzing::logLines(text);

  Lines boards;
  bool boardsStop = false;
  try {
    for (const std::string& l : input)
      for (std::string& e : expectedBoards(l)) boards.push_back(std::move(e));
  } catch (const pelarin::ConversionError&) {
    boardsStop = true;
  }
  fuzzing::writeFile(bod, "old\r\n");
  try {
    const size_t count = pelarin::MakeBoardList(log, bod);
    check(!boardsStop);
    checkList(bod, count, input, boards);
  } catch (const pelarin::ConversionError&) {
    check(boardsStop);
    check(fuzzing::readFile(bod) == "old\r\n");
  }

  Lines names;
  for (const std::string& l : input)
    if (auto e = expectedName(l)) names.push_back(*e);
  checkList(nam, pelarin::MakeNameList(log, nam), input, names);

  // Nothing but the log and the two lists: no temporary file is left behind.
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fuzzing::fs::directory_iterator(dir)) ++files;
  check(files == 3);
  fuzzing::clearDir(dir, {"in.log"});
  return 0;
}
