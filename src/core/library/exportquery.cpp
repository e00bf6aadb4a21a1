#include "core/library/exportquery.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/reading/boardcode.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

std::string trimmedRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

}  // namespace

std::map<std::string, std::string> boardNames(const std::filesystem::path& dir, const std::string& host) {
  std::map<std::string, std::string> names;
  if (host.empty()) return names;
  std::filesystem::path list;
  try {
    list = dir / pathFromText(utf8ToCp932(host) + ".bod");
  } catch (const EncodeError&) {
    return names;
  }
  if (!fileExists(list)) return names;
  LineReader in(list);
  Bytes line;
  in.readLine(line);  // the host's own name
  // An entry: the board code padded to six bytes, then the board's name.
  while (!in.atEnd()) {
    in.readLine(line);
    if (line.size() < 6) continue;
    const std::string code = trimmedRight(line.substr(0, 6));
    if (!code.empty() && !names.count(code)) names[code] = trimmedRight(cp932ToUtf8(ByteView(line).substr(6)));
  }
  return names;
}

std::vector<ExportMessage> exportMessages(Library& library, const std::vector<int64_t>& ids,
                                          const std::filesystem::path& dir, Progress* progress) {
  if (progress) progress->begin(Progress::Phase::Listing, static_cast<int64_t>(ids.size()));
  std::map<std::string, std::map<std::string, std::string>> namesByHost;
  std::vector<ExportMessage> out;
  out.reserve(ids.size());
  // An ancestor's number names it in References; most are exported too.
  std::unordered_map<int64_t, int32_t> numbers;
  const auto numberOf = [&](int64_t id) {
    auto known = numbers.find(id);
    if (known == numbers.end()) known = numbers.emplace(id, library.message(id).number).first;
    return known->second;
  };
  std::unordered_map<int64_t, int64_t> siblings;
  const auto siblingOf = [&](int64_t id) {
    auto known = siblings.find(id);
    if (known == siblings.end()) known = siblings.emplace(id, library.firstOfItsNumber(id) ? 0 : id).first;
    return known->second;
  };
  // Each message's parent is asked of the library once, and a parent
  // exported before lends its chain: a chain N deep costs N lookups, not one
  // walk to its root per message.
  std::unordered_map<int64_t, std::optional<int64_t>> parents;
  const auto parentOf = [&](int64_t id) {
    auto known = parents.find(id);
    if (known == parents.end()) known = parents.emplace(id, library.parentOf(id)).first;
    return known->second;
  };
  std::unordered_map<int64_t, size_t> exported;  // id to its place in out
  const auto placeAncestors = [&](ExportMessage& e) {
    const std::optional<int64_t> parent = parentOf(e.id);
    if (!parent) return;
    if (auto p = exported.find(*parent); p != exported.end()) {
      const ExportMessage& before = out[p->second];
      // Its chain is this one's unless this message is in it: reply numbers that loop.
      if (std::find(before.ancestors.begin(), before.ancestors.end(), e.id) == before.ancestors.end()) {
        e.ancestors = before.ancestors;
        e.ancestors.push_back(*parent);
        e.ancestorNumbers = before.ancestorNumbers;
        e.ancestorNumbers.push_back(before.number);
        e.ancestorSiblings = before.ancestorSiblings;
        e.ancestorSiblings.push_back(before.sibling);
        return;
      }
    }
    std::unordered_set<int64_t> seen{e.id};
    // Reply numbers may form a loop; the walk stops where it would repeat.
    for (auto p = parent; p && seen.insert(*p).second; p = parentOf(*p)) e.ancestors.push_back(*p);
    std::reverse(e.ancestors.begin(), e.ancestors.end());
    for (int64_t a : e.ancestors) {
      e.ancestorNumbers.push_back(numberOf(a));
      e.ancestorSiblings.push_back(siblingOf(a));
    }
  };
  // The reader's state goes with each message: muted ones count as read.
  std::unordered_map<int64_t, int64_t> flagsOf;
  {
    Statement flags(library.database(), "SELECT id, flags FROM message_flags");
    while (flags.step()) flagsOf.emplace(flags.integer(0), flags.integer(1));
  }
  std::unordered_set<int64_t> mutedThreads;
  if (anyMuted(library)) {
    Statement muted(library.database(), mutedThreadsIds().c_str());
    while (muted.step()) mutedThreads.insert(muted.integer(0));
  }
  for (int64_t id : ids) {
    const LibraryMessage m = library.message(id);
    ExportMessage e;
    const auto found = flagsOf.find(id);
    const int64_t flags = found == flagsOf.end() ? 0 : found->second;
    e.read = (flags & (kFlagRead | kFlagWriterMuted)) != 0 || mutedThreads.count(id) > 0;
    e.marked = (flags & kFlagMarked) != 0;
    e.id = m.id;
    e.host = m.host;
    e.boardKey = m.boardKey;
    e.boardCode = BoardCode(m.keys.BoardKey);
    auto names = namesByHost.find(m.host);
    if (names == namesByHost.end()) names = namesByHost.emplace(m.host, boardNames(dir, m.host)).first;
    if (auto n = names->second.find(e.boardCode); n != names->second.end()) e.boardName = n->second;
    e.number = m.number;
    e.sibling = m.number > 0 ? siblingOf(m.id) : 0;
    e.replyTo = m.reply;
    e.writerId = parseNumber(m.keys.WriterId).value_or(0);
    e.writerName = cp932ToUtf8(m.keys.WriterName);
    e.title = cp932ToUtf8(m.keys.Title);
    for (size_t pos = 0, end; (end = m.body.find("\r\n", pos)) != Bytes::npos; pos = end + 2) {
      e.body += cp932ToUtf8(ByteView(m.body).substr(pos, end - pos));
      e.body += '\n';
    }
    e.logTime = m.logTime;
    e.posted = m.posted;
    placeAncestors(e);
    numbers.emplace(e.id, e.number);
    exported.emplace(e.id, out.size());
    out.push_back(std::move(e));
    if (progress) progress->step(static_cast<int64_t>(out.size()));
  }
  return out;
}

std::vector<int64_t> threadIds(Library& library, int64_t id) {
  std::vector<int64_t> ids;
  for (const ThreadLine& line : library.thread(id)) ids.push_back(line.id);
  return ids;
}

std::vector<int64_t> boardIds(Library& library, const std::string& host, int32_t boardKey) {
  LibraryFilter board;
  board.host = host;
  board.boardKey = boardKey;
  board.muted = true;  // a board's export holds all of it
  return library.search({}, board, 0);
}

}  // namespace pelarin
