#include "core/compose/uploadrecords.h"

#include "core/text/integers.h"

namespace pelarin {

namespace {

void append(Lines& record, const Lines& body) { record.insert(record.end(), body.begin(), body.end()); }

// Built by appending: GCC 12 warns falsely about "X" + std::string temporaries.
Bytes prefixed(char letter, ByteView text) {
  Bytes out(1, letter);
  out += text;
  return out;
}

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

Lines editorLines(ByteView text) {
  Lines lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == ByteView::npos) end = text.size();
    ByteView line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

Lines newMessageRecord(ByteView board, ByteView title, const Lines& body) {
  Lines record{Bytes(board), "W", Bytes(title)};
  append(record, body);
  record.insert(record.end(), {"/es", "E"});
  return record;
}

Lines responseRecord(ByteView board, ByteView mesnum, ByteView title, const Lines& body) {
  Lines record{Bytes(board), prefixed('J', mesnum), "W1", Bytes(title)};
  append(record, body);
  record.insert(record.end(), {"/es", "E"});
  return record;
}

Lines mailRecord(const MailIds& ids, ByteView title, const Lines& body) {
  Lines record{"M", "W", ids[0]};
  for (size_t i = 1; i < ids.size(); ++i) {
    record.push_back(ids[i]);
    if (ids[i].empty()) break;  // the empty line ends the list
  }
  record.emplace_back(title);
  append(record, body);
  record.insert(record.end(), {"/es", "E"});
  return record;
}

bool newMessageAccepted(ByteView board, ByteView title) {
  if (title.empty() || board.empty()) return false;
  const char c1 = board[0];
  const char c2 = board.size() > 1 ? board[1] : '\0';
  if (c1 != 'B' && c1 != 'I') return false;
  return (c2 >= '1' && c2 <= '9') || (c2 == 'F' && c1 == 'B');
}

Bytes boardFromPick(ByteView entry) {
  ByteView board = entry.substr(0, 5);
  while (!board.empty() && isBlankOrControl(board.back())) board.remove_suffix(1);
  return Bytes(board);
}

Bytes idFromPick(ByteView entry) { return IntToStr(StrToInt(columns(entry, 3, 6))); }

Bytes responseBoardCode(ByteView keyLine) {
  const int32_t key = StrToInt(keyLine);
  if (key > 10000) return prefixed('I', IntToStr(key - 10000));
  if (keyLine == "0") return "BF";
  return prefixed('B', keyLine);
}

}  // namespace pelarin
