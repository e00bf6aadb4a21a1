// Feeds arbitrary bytes to the splitter as a log, then sorts what it wrote.
// Every message file must hold what the log held: key fields cut from a line
// of the input at their columns, body lines that are lines of the input in
// their order; and the sort must keep every message file, only reordered.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/app/appstate.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/sortstore.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::check;
using Lines = std::vector<std::string>;

bool plainDecimal(const std::string& text) {
  try {
    return pelarin::IntToStr(pelarin::StrToInt(text)) == text;
  } catch (const pelarin::Error&) {
    return false;
  }
}

// A field of the header: the bytes of some input line from one of the columns.
bool cutFromALine(const std::string& field, const Lines& input, std::initializer_list<size_t> columns) {
  if (field.empty()) return true;
  for (const std::string& line : input)
    for (size_t column : columns)
      if (line.size() >= column - 1 + field.size() && line.compare(column - 1, field.size(), field) == 0)
        return true;
  return false;
}

struct Message {
  Lines lines;  // the whole file, key lines first
  int32_t key() const { return std::stoi(lines[0]) == 20000 ? 0 : std::stoi(lines[0]); }
  int32_t number() const { return std::stoi(lines[1]); }
};

Message readBack(const fuzzing::fs::path& file) {
  std::string bytes = fuzzing::readFile(file);
  // Every line the store writes ends in CR LF, none holds a CR of its own.
  check(bytes.size() >= 2 * pelarin::kKeyLines && bytes.ends_with("\r\n"));
  Message m;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    check(end != std::string::npos);
    m.lines.push_back(bytes.substr(pos, end - pos));
    pos = end + 2;
  }
  check(m.lines.size() >= static_cast<size_t>(pelarin::kKeyLines));
  return m;
}

void checkFields(const Message& m, const Lines& input) {
  const Lines& l = m.lines;
  check(plainDecimal(l[0]) && plainDecimal(l[1]) && plainDecimal(l[4]));
  check(l[3].empty() || plainDecimal(l[3]));
  // Title at 15 (14 in mail, 38 in a file area), name at 53 (52 in mail, 14 in a file area).
  check(cutFromALine(l[2], input, {15, 14, 38}));
  check(cutFromALine(l[5], input, {53, 52, 14}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = fuzzing::workDir("pelarin-split-fuzz");
  const auto log = dir / "in.log";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzzing::writeFile(log, text);
  const Lines input = fuzzing::lines(text);

  pelarin::AppState state;
  state.WorkDir = pelarin::textFromPath(dir) + pelarin::kSeparator;
  int32_t next = 1;
  try {
    next = pelarin::SplitLog(log, 1, state);
  } catch (const pelarin::Error&) {
    // The messages completed before the error are still whole files; count them.
    while (pelarin::fileExists(pelarin::messagePath(dir, next))) ++next;
  }
  check(state.BoardMapCount >= 0 && state.BoardMapCount <= pelarin::kBoardMapSize);
  check(next >= 1 && !pelarin::fileExists(pelarin::messagePath(dir, next)));
  const int32_t count = next - 1;

  std::vector<Message> split;
  size_t at = 0;  // the body lines of all messages, in order, are a subsequence of the input's lines
  for (int32_t n = 1; n <= count; ++n) {
    split.push_back(readBack(pelarin::messagePath(dir, n)));
    checkFields(split.back(), input);
    for (size_t i = pelarin::kKeyLines; i < split.back().lines.size(); ++i) {
      const std::string& body = split.back().lines[i];
      if (body.empty()) continue;  // a counted body cut by the end of the log is filled with empty lines
      while (at < input.size() && input[at] != body) ++at;
      check(at < input.size());
      ++at;
    }
  }

  try {
    pelarin::SortStore(dir, count);
    std::vector<Message> sorted;
    for (int32_t n = 1; n <= count; ++n) sorted.push_back(readBack(pelarin::messagePath(dir, n)));
    for (size_t i = 1; i < sorted.size(); ++i) {
      const Message &a = sorted[i - 1], &b = sorted[i];
      check(a.key() < b.key() || (a.key() == b.key() && a.number() <= b.number()));
    }
    auto order = [](const Message& a, const Message& b) { return a.lines < b.lines; };
    std::sort(split.begin(), split.end(), order);
    std::sort(sorted.begin(), sorted.end(), order);
    check(std::equal(split.begin(), split.end(), sorted.begin(), sorted.end(),
                     [](const Message& a, const Message& b) { return a.lines == b.lines; }));
  } catch (const pelarin::Error&) {
    std::abort();  // files the splitter wrote always sort
  }
  fuzzing::clearDir(dir, {"in.log"});
  return 0;
}
