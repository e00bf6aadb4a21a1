#include "core/compose/outbox.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/filelock.h"
#include "core/text/linewriter.h"

namespace pelarin {

namespace {

constexpr size_t kTitleBytes = 32;
constexpr char kEndOfText = '\x1a';

struct RawLine {
  ByteView text;
  ByteView raw;  // with its line end
};

std::vector<RawLine> splitLines(ByteView text) {
  std::vector<RawLine> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t cr = text.find('\r', pos);
    if (cr == ByteView::npos) {
      lines.push_back({text.substr(pos), text.substr(pos)});
      break;
    }
    const size_t end = cr + 1 < text.size() && text[cr + 1] == '\n' ? cr + 2 : cr + 1;
    lines.push_back({text.substr(pos, cr - pos), text.substr(pos, end - pos)});
    pos = end;
  }
  return lines;
}

bool allDigits(ByteView text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "BF", or B or I and a number that does not start with 0.
bool wellFormedBoard(ByteView board) {
  if (board == "BF") return true;
  return board.size() >= 2 && (board[0] == 'B' || board[0] == 'I') && board[1] != '0' &&
         allDigits(board.substr(1));
}

// A board line a hand may have got wrong ("b5", "B05") but still meant as one;
// a well-formed code of any length is one, or a body it stops would end on text.
bool boardLike(ByteView line) {
  if (wellFormedBoard(line)) return true;
  return !line.empty() && line.size() <= 8 &&
         std::all_of(line.begin(), line.end(), [](char c) { return c > ' ' && c < 0x7f; }) && line != "/es";
}

// The kind of record whose first lines stand at `i`, or Text. Inside a body
// only a well-formed board code starts a record: a body without its end then
// stops at the next record rather than swallowing it.
BlockKind recordAt(const std::vector<RawLine>& lines, size_t i, bool inBody) {
  const size_t n = lines.size();
  if (i + 1 >= n) return BlockKind::Text;
  const ByteView first = lines[i].text;
  if (first == "M" && lines[i + 1].text == "W") return BlockKind::Mail;
  const bool board = inBody ? wellFormedBoard(first) : boardLike(first);
  if (!board) return BlockKind::Text;
  if (i + 2 < n && beginsWith(lines[i + 1].text, "J") && lines[i + 2].text == "W1")
    return BlockKind::Response;
  if (lines[i + 1].text == "W") return BlockKind::NewMessage;
  return BlockKind::Text;
}

// The record of `kind` from line i; returns the line after it.
size_t takeRecord(const std::vector<RawLine>& lines, size_t i, BlockKind kind, ScriptBlock& block) {
  const size_t n = lines.size();
  block.kind = kind;
  size_t j = i;
  const auto at = [&](size_t k) { return k < n && lines[k].text != "/es"; };
  if (kind == BlockKind::Response) {
    block.board = lines[i].text;
    block.mesnum = lines[i + 1].text.substr(1);
    j = i + 3;
  } else if (kind == BlockKind::NewMessage) {
    block.board = lines[i].text;
    j = i + 2;
  } else {
    j = i + 2;
    if (at(j)) {
      block.ids[0] = lines[j].text;
      block.idAt.push_back(j - i);
      ++j;
      for (size_t k = 1; k < block.ids.size() && at(j); ++k) {
        if (lines[j].text.empty()) {
          ++j;  // the empty line ends the list
          break;
        }
        block.ids[k] = lines[j].text;
        block.idAt.push_back(j - i);
        ++j;
      }
    }
  }
  if (at(j)) {
    block.title = lines[j].text;
    block.titleAt = j - i;
    ++j;
  }
  block.bodyAt = j - i;
  while (at(j) && recordAt(lines, j, true) == BlockKind::Text) block.body.emplace_back(lines[j++].text);
  if (j < n && lines[j].text == "/es") {
    block.endsWithEs = true;
    ++j;
    if (j < n && lines[j].text == "E") {
      block.endsWithE = true;
      ++j;
    }
  }
  return j;
}

void takeLines(const std::vector<RawLine>& lines, size_t from, size_t to, ScriptBlock& block) {
  for (size_t k = from; k < to; ++k) {
    block.lines.emplace_back(lines[k].text);
    block.raw += lines[k].raw;
  }
}

bool endsLine(ByteView raw) { return !raw.empty() && (raw.back() == '\r' || raw.ends_with("\r\n")); }

std::string utf8(ByteView bytes) { return cp932ToUtf8(bytes); }

// The bytes of the first unit in the line that has no code page 932 form, as hex.
std::string undecodable(ByteView line) {
  const std::u16string text = cp932ToUtf16(line);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const char16_t high = text[i];
    if (high < 0xD800 || high > 0xDBFF) continue;
    const char32_t c = 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    if (!isCarriedUnit(c)) continue;
    static constexpr char kHex[] = "0123456789ABCDEF";
    const unsigned code = static_cast<unsigned>(c - 0xF0000);
    std::string hex;
    if (code > 0xFF) hex = {kHex[(code >> 12) & 0xF], kHex[(code >> 8) & 0xF], ' '};
    hex += kHex[(code >> 4) & 0xF];
    hex += kHex[code & 0xF];
    return hex;
  }
  return {};
}

}  // namespace

const char* blockKindName(BlockKind kind) {
  switch (kind) {
    case BlockKind::Response:
      return "response";
    case BlockKind::NewMessage:
      return "new";
    case BlockKind::Mail:
      return "mail";
    case BlockKind::Text:
      break;
  }
  return "text";
}

ScriptContent parseUploadScript(ByteView bytes) {
  ScriptContent content;
  const size_t end = bytes.find(kEndOfText);
  if (end != ByteView::npos) content.tail = bytes.substr(end);
  const std::vector<RawLine> lines = splitLines(bytes.substr(0, end));
  size_t textFrom = 0;
  const auto flushText = [&](size_t to) {
    if (to == textFrom) return;
    ScriptBlock text;
    takeLines(lines, textFrom, to, text);
    content.blocks.push_back(std::move(text));
  };
  for (size_t i = 0; i < lines.size();) {
    const BlockKind kind = recordAt(lines, i, false);
    if (kind == BlockKind::Text) {
      ++i;
      continue;
    }
    flushText(i);
    ScriptBlock record;
    const size_t next = takeRecord(lines, i, kind, record);
    takeLines(lines, i, next, record);
    content.blocks.push_back(std::move(record));
    i = textFrom = next;
  }
  flushText(lines.size());
  renumber(content);
  return content;
}

ScriptContent readUploadScript(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    throw FileError("Cannot open", path, errno);
  }
  if (S_ISDIR(st.st_mode)) throw FileError("Cannot open", path, EISDIR);
  if (!S_ISREG(st.st_mode)) throw FileError("Cannot open", path, EINVAL, "Not a regular file");
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw FileError("Cannot open", path, errno);
  Bytes bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int err = errno;
      ::close(fd);
      throw FileError("Cannot read", path, err);
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return parseUploadScript(bytes);
}

std::vector<ScriptBlock> recordBlocks(const Lines& record) {
  Bytes bytes;
  for (const Bytes& line : record) bytes += line + "\r\n";
  return parseUploadScript(bytes).blocks;
}

Bytes scriptBytes(const ScriptContent& content) {
  Bytes bytes;
  for (size_t i = 0; i < content.blocks.size(); ++i) {
    const Bytes& raw = content.blocks[i].raw;
    bytes += raw;
    if (i + 1 == content.blocks.size()) break;
    if (!endsLine(raw))
      bytes += "\r\n";
    else if (raw.back() == '\r' && beginsWith(content.blocks[i + 1].raw, "\n"))
      bytes += '\n';  // else the next block's first LF would join this line end
  }
  return bytes + content.tail;
}

void renumber(ScriptContent& content) {
  size_t line = 1;
  for (ScriptBlock& block : content.blocks) {
    block.firstLine = line;
    line += block.lines.size();
  }
}

void writeUploadScript(const std::filesystem::path& path, const ScriptContent& content) {
  ReplacingWriter out(path);
  out.write(scriptBytes(content));
  out.commit();
}

bool rewriteUploadScript(const std::filesystem::path& path, ByteView expected, const ScriptContent& content) {
  const FileLock lock(path);
  if (scriptBytes(readUploadScript(path)) != expected) return false;
  writeUploadScript(path, content);
  return true;
}

bool replaceRecord(const std::filesystem::path& path, size_t index, ByteView original, const Lines& record) {
  const FileLock lock(path);
  ScriptContent content = readUploadScript(path);
  std::vector<ScriptBlock>& blocks = content.blocks;
  auto at = blocks.end();
  if (index < blocks.size() && blocks[index].raw == original)
    at = blocks.begin() + static_cast<std::ptrdiff_t>(index);
  else
    at = std::find_if(blocks.begin(), blocks.end(), [&](const ScriptBlock& b) { return b.raw == original; });
  if (at == blocks.end()) return false;
  std::vector<ScriptBlock> replacement = recordBlocks(record);
  at = blocks.erase(at);
  blocks.insert(at, std::make_move_iterator(replacement.begin()), std::make_move_iterator(replacement.end()));
  writeUploadScript(path, content);
  return true;
}

std::vector<ScriptProblem> checkUploadScript(const ScriptContent& content) {
  std::vector<ScriptProblem> problems;
  for (size_t b = 0; b < content.blocks.size(); ++b) {
    const ScriptBlock& block = content.blocks[b];
    std::vector<ScriptProblem> found;
    // What is missing after a block's last line is named on that line, so
    // every line named exists.
    const auto report = [&](size_t offset, std::string text) {
      found.push_back({b + 1, block.firstLine + std::min(offset, block.lines.size() - 1), std::move(text)});
    };
    if (block.isRecord()) {
      if (block.kind != BlockKind::Mail && !wellFormedBoard(block.board))
        report(0, "ボード番号 '" + utf8(block.board) + "' が正しくありません");
      if (block.kind == BlockKind::Response && !allDigits(block.mesnum))
        report(1, "メッセージ番号 '" + utf8(block.mesnum) + "' が正しくありません");
      if (block.kind == BlockKind::Mail) {
        if (block.idAt.empty()) report(2, "宛先の ID がありません");
        for (size_t k = 0; k < block.idAt.size(); ++k)
          if (!allDigits(block.ids[k]))
            report(block.idAt[k], "ID '" + utf8(block.ids[k]) + "' が正しくありません");
      }
      const size_t titleLine = block.titleAt != kNoLine ? block.titleAt : block.bodyAt;
      if (block.title.empty())
        report(titleLine, "タイトルがありません");
      else if (block.title.size() > kTitleBytes)
        report(titleLine,
               "タイトルが 32 バイトを超えています (" + std::to_string(block.title.size()) + " バイト)");
      if (!block.endsWithEs)
        report(block.lines.size() - 1, "\"/es\" で終わっていません");
      else if (!block.endsWithE)
        report(block.lines.size() - 1, "\"/es\" の後に \"E\" がありません");
    }
    for (size_t k = 0; k < block.lines.size(); ++k) {
      const std::string hex = undecodable(block.lines[k]);
      if (!hex.empty()) report(k, "コードページ 932 の文字にならないバイトがあります (" + hex + ")");
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const ScriptProblem& a, const ScriptProblem& b) { return a.line < b.line; });
    problems.insert(problems.end(), found.begin(), found.end());
  }
  return problems;
}

}  // namespace pelarin
