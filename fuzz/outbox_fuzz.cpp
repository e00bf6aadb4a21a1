// Feeds arbitrary bytes to the upload script reader. Writing the blocks back
// must give the input byte for byte; every block must be the input's lines at
// its place, and every field of a record the line it names; a record's body
// stops only at its end or where a record starts; a block read alone (as an
// edit writes it back) must be the same block again; the check's problems name
// lines of their blocks; and a record without problems is the record its
// composer would write for its fields.
#include <cstdint>
#include <string>
#include <vector>

#include "core/compose/outbox.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::check;
using pelarin::BlockKind;
using pelarin::Lines;
using pelarin::ScriptBlock;

// "BF", or B or I and a number not starting with 0.
bool wellFormed(const std::string& line) {
  if (line == "BF") return true;
  if (line.size() < 2 || (line[0] != 'B' && line[0] != 'I') || line[1] == '0') return false;
  return line.find_first_not_of("0123456789", 1) == std::string::npos;
}

// A line meant as a board code: well formed, or short and printable.
bool boardish(const std::string& line) {
  if (wellFormed(line)) return true;
  if (line.empty() || line.size() > 8 || line == "/es") return false;
  for (char c : line)
    if (c <= ' ' || c >= 0x7f) return false;
  return true;
}

// A record starts at lines[i] of the block (its next lines in the block too).
bool recordStart(const Lines& lines, size_t i) {
  if (i + 1 >= lines.size()) return false;
  if (lines[i] == "M" && lines[i + 1] == "W") return true;
  if (!boardish(lines[i])) return false;
  if (lines[i + 1] == "W") return true;
  return i + 2 < lines.size() && lines[i + 1].starts_with("J") && lines[i + 2] == "W1";
}

void checkFields(const ScriptBlock& b) {
  const Lines& l = b.lines;
  if (!b.isRecord()) {
    check(b.board.empty() && b.mesnum.empty() && b.title.empty() && b.body.empty() && b.idAt.empty());
    for (size_t i = 0; i < l.size(); ++i) check(!recordStart(l, i));
    return;
  }
  check(l.size() >= 2 && b.bodyAt <= l.size());
  if (b.kind == BlockKind::Mail) {
    check(l[0] == "M" && l[1] == "W" && b.board.empty());
    for (size_t k = 0; k < b.idAt.size(); ++k) check(b.idAt[k] < l.size() && b.ids[k] == l[b.idAt[k]]);
    for (size_t k = b.idAt.size(); k < b.ids.size(); ++k) check(b.ids[k].empty());
  } else {
    check(b.board == l[0] && boardish(l[0]));
    if (b.kind == BlockKind::Response)
      check(l.size() >= 3 && l[1] == "J" + b.mesnum && l[2] == "W1");
    else
      check(l[1] == "W" && b.mesnum.empty());
  }
  if (b.titleAt == pelarin::kNoLine)
    check(b.title.empty());
  else
    check(b.titleAt < b.bodyAt && b.title == l[b.titleAt]);
  check(b.bodyAt + b.body.size() <= l.size());
  for (size_t k = 0; k < b.body.size(); ++k) check(b.body[k] == l[b.bodyAt + k] && b.body[k] != "/es");
  size_t end = b.bodyAt + b.body.size();
  if (b.endsWithEs) check(end < l.size() && l[end++] == "/es");
  if (b.endsWithE) check(b.endsWithEs && end < l.size() && l[end++] == "E");
  check(end == l.size());
}

bool sameBlock(const ScriptBlock& a, const ScriptBlock& b) {
  return a.kind == b.kind && a.raw == b.raw && a.lines == b.lines && a.board == b.board &&
         a.mesnum == b.mesnum && a.ids == b.ids && a.title == b.title && a.body == b.body &&
         a.titleAt == b.titleAt && a.bodyAt == b.bodyAt && a.idAt == b.idAt && a.endsWithEs == b.endsWithEs &&
         a.endsWithE == b.endsWithE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const pelarin::ScriptContent content = pelarin::parseUploadScript(input);
  check(pelarin::scriptBytes(content) == input);

  // The blocks tile the text before Ctrl-Z, the tail is the rest.
  std::string joined;
  size_t line = 1;
  for (const ScriptBlock& b : content.blocks) {
    check(!b.raw.empty() && b.firstLine == line);
    check(b.lines == fuzzing::lines(b.raw));
    joined += b.raw;
    line += b.lines.size();
  }
  check(joined + content.tail == input);
  check(content.tail.empty() || content.tail[0] == '\x1a');
  check(joined.find('\x1a') == std::string::npos);

  for (size_t i = 0; i < content.blocks.size(); ++i) {
    const ScriptBlock& b = content.blocks[i];
    checkFields(b);
    // Two text blocks never meet, and a body cut short is cut by a record.
    if (i + 1 < content.blocks.size()) {
      const ScriptBlock& next = content.blocks[i + 1];
      check(b.isRecord() || next.isRecord());
      if (b.isRecord() && !b.endsWithEs) check(next.isRecord());
    }
    const pelarin::ScriptContent alone = pelarin::parseUploadScript(b.raw);
    check(alone.blocks.size() == 1 && alone.tail.empty() && sameBlock(alone.blocks[0], b));
  }

  // Problems name a line of their block, in the script's order; a record
  // without any is what its composer writes for its fields, so an edit that
  // changes nothing changes no line.
  std::vector<bool> flagged(content.blocks.size());
  size_t last = 0;
  for (const pelarin::ScriptProblem& p : pelarin::checkUploadScript(content)) {
    check(p.block >= 1 && p.block <= content.blocks.size() && !p.text.empty());
    const ScriptBlock& b = content.blocks[p.block - 1];
    check(p.line >= b.firstLine && p.line < b.firstLine + b.lines.size() && p.line >= last);
    last = p.line;
    flagged[p.block - 1] = true;
  }
  for (size_t i = 0; i < content.blocks.size(); ++i) {
    const ScriptBlock& b = content.blocks[i];
    if (flagged[i] || !b.isRecord()) continue;
    if (b.kind == BlockKind::Response)
      check(pelarin::responseRecord(b.board, b.mesnum, b.title, b.body) == b.lines);
    else if (b.kind == BlockKind::NewMessage)
      check(pelarin::newMessageRecord(b.board, b.title, b.body) == b.lines);
    else
      check(pelarin::mailRecord(b.ids, b.title, b.body) == b.lines);
  }
  return 0;
}
