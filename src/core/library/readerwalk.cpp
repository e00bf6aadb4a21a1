#include "core/library/readerwalk.h"

#include <tuple>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

std::string boardQuery(const char* range, const char* order) {
  return std::string("SELECT host, board_key FROM messages WHERE ") + range + " ORDER BY host " + order +
         ", board_key " + order + " LIMIT 1";
}

// A board's unread messages with nothing muted, from the indexes alone: a
// numbered message's identity is in the order index, mail's in its own.
constexpr const char* kBoardUnreadUnmuted =
    "SELECT 1 FROM messages m WHERE m.host = ?1 AND m.board_key = ?2 AND m.number > 0 AND NOT EXISTS (SELECT "
    "1 "
    "FROM read_messages s WHERE s.host = m.host AND s.board_key = m.board_key AND s.number = m.number AND "
    "s.digest = X'') UNION ALL SELECT 1 FROM messages m WHERE m.host = ?1 AND m.board_key = ?2 AND m.number "
    "<= 0 "
    "AND NOT EXISTS (SELECT 1 FROM read_messages s WHERE s.host = m.host AND s.board_key = m.board_key AND "
    "s.number = m.number AND s.digest = coalesce(m.mail_digest, X'')) LIMIT 1";

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
      unread_(library.database(),
              ("SELECT j.key FROM json_each(?1) j CROSS JOIN messages m ON m.id = j.value "
               "WHERE " +
               unreadCondition())
                  .c_str()),
      marked_(library.database(),
              ("SELECT " + markedCondition() + " FROM messages m WHERE m.id = ?1").c_str()),
      place_(library.database(), "SELECT host, board_key FROM messages WHERE id = ?1"),
      after_(library.database(), boardQuery("(host, board_key) > (?1, ?2)", "").c_str()),
      before_(library.database(), boardQuery("(host, board_key) < (?1, ?2)", "DESC").c_str()),
      first_(library.database(), boardQuery("1", "").c_str()),
      last_(library.database(), boardQuery("1", "DESC").c_str()),
      boardUnread_(library.database(),
                   ("SELECT 1 FROM messages m WHERE m.host = ?1 AND m.board_key = ?2 AND " +
                    unreadCondition() + " LIMIT 1")
                       .c_str()),
      boardUnreadUnmuted_(library.database(), kBoardUnreadUnmuted) {}

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

std::optional<BoardPlace> ReaderWalk::neighbour(const std::optional<BoardPlace>& of, bool forward) {
  Statement& s = of ? (forward ? after_ : before_) : (forward ? first_ : last_);
  ResetAfter r{s};
  if (of) s.bind(1, of->host).bind(2, int64_t{of->boardKey});
  if (!s.step()) return std::nullopt;
  return BoardPlace{s.text(0), static_cast<int32_t>(s.integer(1))};
}

bool ReaderWalk::holdsUnread(const BoardPlace& board, bool muted) {
  Statement& s = muted ? boardUnread_ : boardUnreadUnmuted_;
  ResetAfter r{s};
  s.bind(1, board.host).bind(2, int64_t{board.boardKey});
  return s.step();
}

std::optional<BoardPlace> ReaderWalk::unreadBoard(const std::optional<BoardPlace>& from, bool forward,
                                                  Progress* progress) {
  auto beyond = [forward](const BoardPlace& a, const BoardPlace& b) {
    const auto ka = std::tie(a.host, a.boardKey), kb = std::tie(b.host, b.boardKey);
    return forward ? ka > kb : ka < kb;
  };
  if (progress) progress->begin(Progress::Phase::Reading, 0);
  int64_t boards = 0;
  const bool muted = anyMuted(library_);
  bool wrapped = !from;
  for (std::optional<BoardPlace> at = from;;) {
    const std::optional<BoardPlace> next = neighbour(at, forward);
    if (!next) {
      if (wrapped) return std::nullopt;
      // Round from the other end, as far as `from` itself.
      wrapped = true;
      at.reset();
      continue;
    }
    if (wrapped && from && beyond(*next, *from)) return std::nullopt;
    if (progress) progress->step(++boards);
    if (holdsUnread(*next, muted)) return next;
    at = next;
  }
}

std::vector<int64_t> ReaderWalk::boardMessages(const BoardPlace& board) {
  LibraryFilter filter;
  filter.host = board.host;
  filter.boardKey = board.boardKey;
  return library_.search(std::vector<std::string>{}, filter);
}

}  // namespace pelarin
