// Feeds arbitrary bytes to the library's import as a log, and to the splitter
// as the same log. The library must hold the splitter's messages byte for
// byte: each message file the split writes is recorded, at its place in the
// log, as a copy of a library message that is the same bytes, or that the
// library takes for the same message (same board, number, writer ID and title,
// a body that begins with this one's, blanks at line ends and empty lines at
// the end aside); and every message of the library is one of those files.
// Nothing is lost, nothing is made up.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/sqlite.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::check;
namespace fs = fuzzing::fs;

constexpr char kHost[] = "pelnet";

struct Split {
  std::vector<std::string> lines;  // key lines, then the body's
  std::string bytes;
};

std::vector<std::string> crlfLines(const std::string& bytes) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t end = bytes.find("\r\n", pos);
    check(end != std::string::npos);
    out.push_back(bytes.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

std::string withoutTrailingBlanks(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

// The body as two captures of one message are compared: blanks at line ends
// and the empty lines at the end are padding or a cut, not text.
std::string comparedBody(const std::vector<std::string>& lines) {
  std::vector<std::string> body;
  for (size_t i = pelarin::kKeyLines; i < lines.size(); ++i) body.push_back(withoutTrailingBlanks(lines[i]));
  while (!body.empty() && body.back().empty()) body.pop_back();
  std::string out;
  for (size_t i = 0; i < body.size(); ++i) out += (i > 0 ? "\n" : "") + body[i];
  return out;
}

// Board key, number, writer ID and title (lines 1, 2, 5 and 3, the title's
// trailing blanks aside), and a body the kept one's begins with.
bool sameMessage(const std::vector<std::string>& copy, const std::vector<std::string>& kept) {
  return copy[0] == kept[0] && copy[1] == kept[1] && copy[4] == kept[4] &&
         withoutTrailingBlanks(copy[2]) == withoutTrailingBlanks(kept[2]) &&
         comparedBody(kept).starts_with(comparedBody(copy));
}

// The message a failed check is about, for the report.
void show(const char* what, const std::string& bytes) {
  std::fprintf(stderr, "%s:", what);
  for (unsigned char c : bytes) std::fprintf(stderr, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02X", c);
  std::fprintf(stderr, "\n");
}

int32_t integerOr0(const std::string& text) { return pelarin::parseNumber(text).value_or(0); }

// One library for the process, emptied for every input: opening a new one per
// input would spend the run making schemas.
pelarin::Library& library(const fs::path& dir) {
  static pelarin::Library* lib = new pelarin::Library(dir);
  lib->database().exec(
      "DELETE FROM copies; DELETE FROM messages; DELETE FROM sources; "
      "INSERT INTO fts(fts) VALUES ('delete-all');");
  return *lib;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& dir = fuzzing::workDir("pelarin-libimport-fuzz");
  const fs::path store = dir / "store", logs = dir / "logs";
  static const bool made = fs::create_directory(store) && fs::create_directory(logs);
  check(made);
  const fs::path log = logs / "in.log";
  fuzzing::writeFile(log, std::string_view(reinterpret_cast<const char*>(data), size));

  // What the splitter finds, as the store's message files.
  pelarin::AppState splitState;
  splitState.WorkDir = pelarin::textFromPath(store) + pelarin::kSeparator;
  int32_t next = 1;
  bool stopped = false;
  try {
    pelarin::LineReader in(log, pelarin::LineReader::Form::Guess);
    next = pelarin::SplitLog(in, 1, splitState);
  } catch (const pelarin::SplitStoppedError& e) {
    stopped = true;
    next = e.next();
  }
  std::vector<Split> split;
  for (int32_t n = 1; n < next; ++n) {
    Split s;
    s.bytes = fuzzing::readFile(pelarin::messagePath(store, n));
    s.lines = crlfLines(s.bytes);
    check(s.lines.size() >= static_cast<size_t>(pelarin::kKeyLines));
    split.push_back(std::move(s));
  }

  pelarin::Library& lib = library(dir);
  pelarin::AppState state;
  pelarin::ImportResult result;
  try {
    pelarin::LineReader in(log, pelarin::LineReader::Form::Guess);
    result = lib.importLog(in, kHost, state);
  } catch (const pelarin::Error&) {
    std::abort();  // a log the splitter reads imports, whole or up to where the split stopped
  }
  check(!result.seenBefore);
  check(result.stopped.empty() != stopped);
  check(result.added + result.duplicates == static_cast<int64_t>(split.size()));

  std::vector<pelarin::LibraryMessage> held;
  for (const int64_t id : lib.search({}, {})) held.push_back(lib.message(id));
  check(static_cast<int64_t>(held.size()) == result.added);

  std::set<std::string> splitBytes;
  for (const Split& s : split) splitBytes.insert(s.bytes);
  for (const pelarin::LibraryMessage& m : held) {
    check(splitBytes.count(m.fileBytes()) == 1);  // made up by nobody
    const auto& k = m.keys;
    check(m.host == kHost && m.boardKey == integerOr0(k.BoardKey) && m.number == integerOr0(k.MesNumber));
    check(m.reply == integerOr0(k.ResNumber));
  }

  // Each message the split found, by its place in the log, is recorded as a
  // copy of the library message it went into: that message or the same one.
  pelarin::Statement copies(lib.database(), "SELECT message, position FROM copies ORDER BY position");
  size_t position = 0;
  while (copies.step()) {
    check(copies.integer(1) == static_cast<int64_t>(++position) && position <= split.size());
    const Split& s = split[position - 1];
    const std::string kept = lib.message(copies.integer(0)).fileBytes();
    if (kept == s.bytes) continue;
    if (!sameMessage(s.lines, crlfLines(kept))) {
      show("split", s.bytes);
      show("held", kept);
      check(false);  // lost, or hidden behind a message it is not
    }
  }
  check(position == split.size());
  fuzzing::clearDir(store);
  return 0;
}
