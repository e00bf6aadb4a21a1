#include "core/library/readerwalk.h"

#include "core/library/library.h"
#include "core/library/librarystate.h"

namespace pelarin {

namespace {

std::string unreadQuery(const char* range, const char* order) {
  return std::string("SELECT m.host, m.board_key FROM messages m WHERE ") + range + " AND " + unreadCondition() +
         " ORDER BY m.host " + order + ", m.board_key " + order + ", m.number " + order + ", m.id " + order +
         " LIMIT 1";
}

// Left mid-run, a statement would hold its snapshot and see no later write.
struct ResetAfter {
  Statement& s;
  ~ResetAfter() { s.reset(); }
};

}  // namespace

ReaderWalk::ReaderWalk(Library& library)
    : library_(library),
      find_(library.database(),
            "SELECT id FROM messages WHERE host = ?1 AND board_key = ?2 AND number = ?3 ORDER BY id LIMIT 1"),
      // The ids as a JSON array: one run of the statement for a whole stretch of the store.
      unread_(library.database(), ("SELECT j.key FROM json_each(?1) j CROSS JOIN messages m ON m.id = j.value "
                                   "WHERE " + unreadCondition())
                                      .c_str()),
      marked_(library.database(), ("SELECT " + markedCondition() + " FROM messages m WHERE m.id = ?1").c_str()),
      place_(library.database(), "SELECT host, board_key FROM messages WHERE id = ?1"),
      after_(library.database(), unreadQuery("(m.host, m.board_key) > (?1, ?2)", "").c_str()),
      before_(library.database(), unreadQuery("(m.host, m.board_key) < (?1, ?2)", "DESC").c_str()),
      first_(library.database(), unreadQuery("1", "").c_str()),
      last_(library.database(), unreadQuery("1", "DESC").c_str()) {}

int64_t ReaderWalk::idOf(const std::string& host, int32_t boardKey, int32_t number) {
  if (number <= 0) return 0;
  ResetAfter r{find_};
  find_.bind(1, host).bind(2, int64_t{boardKey}).bind(3, int64_t{number});
  return find_.step() ? find_.integer(0) : 0;
}

std::vector<bool> ReaderWalk::unread(const std::vector<int64_t>& ids) {
  std::vector<bool> out(ids.size(), false);
  std::string list = "[";
  for (int64_t id : ids) {
    if (list.size() > 1) list += ',';
    list += std::to_string(id);
  }
  list += ']';
  ResetAfter r{unread_};
  unread_.bind(1, list);
  while (unread_.step()) {
    const int64_t at = unread_.integer(0);
    if (at >= 0 && static_cast<size_t>(at) < out.size() && ids[static_cast<size_t>(at)] != 0)
      out[static_cast<size_t>(at)] = true;
  }
  return out;
}

bool ReaderWalk::marked(int64_t id) {
  ResetAfter r{marked_};
  marked_.bind(1, id);
  return marked_.step() && marked_.integer(0) != 0;
}

std::optional<BoardPlace> ReaderWalk::placeOf(int64_t id) {
  ResetAfter r{place_};
  place_.bind(1, id);
  if (!place_.step()) return std::nullopt;
  return BoardPlace{place_.text(0), static_cast<int32_t>(place_.integer(1))};
}

std::optional<BoardPlace> ReaderWalk::firstUnread(Statement& s, const std::optional<BoardPlace>& from) {
  ResetAfter r{s};
  if (from) s.bind(1, from->host).bind(2, int64_t{from->boardKey});
  if (!s.step()) return std::nullopt;
  return BoardPlace{s.text(0), static_cast<int32_t>(s.integer(1))};
}

std::optional<BoardPlace> ReaderWalk::unreadBoard(const std::optional<BoardPlace>& from, bool forward) {
  if (from)
    if (auto near = firstUnread(forward ? after_ : before_, from)) return near;
  return firstUnread(forward ? first_ : last_, std::nullopt);
}

std::vector<int64_t> ReaderWalk::boardMessages(const BoardPlace& board) {
  LibraryFilter filter;
  filter.host = board.host;
  filter.boardKey = board.boardKey;
  return library_.search(std::vector<std::string>{}, filter);
}

}  // namespace pelarin
