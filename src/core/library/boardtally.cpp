#include "core/library/boardtally.h"

#include <map>
#include <utility>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/sqlite.h"

namespace pelarin {

namespace {

// The read messages m of the read identities s, each kind of identity by
// its own index (a board's mails all have number 0), grouped by board.
std::string readPerBoard(const std::string& condition) {
  const std::string from =
      "SELECT m.host, m.board_key FROM read_messages s CROSS JOIN messages m ON m.host = s.host AND "
      "m.board_key = s.board_key ";
  const std::string where = condition.empty() ? "" : " AND " + condition;
  return "SELECT host, board_key, count(*) FROM (" + from + "AND m.number = s.number WHERE +s.number > 0" +
         where + " UNION ALL " + from + "AND m.number = 0 AND m.mail_digest = s.digest WHERE +s.number = 0" +
         where + " UNION ALL " + from +
         "AND m.number = s.number AND m.mail_digest = s.digest WHERE +s.number < 0" + where +
         ") GROUP BY host, board_key";
}

using Counts = std::map<std::pair<std::string, int32_t>, int64_t>;

// What the muted messages depend on: the mutes, and the messages imported.
constexpr const char* kMutedKey =
    "SELECT coalesce((SELECT group_concat(host || ' ' || board_key || ' ' || number || ' ' || hex(digest), "
    "',') "
    "FROM muted_threads), '') || '|' || coalesce((SELECT group_concat(host || ' ' || writer_id, ',') FROM "
    "muted_writers), '') || '|' || (SELECT coalesce(max(id), 0) FROM messages)";

Counts countsOf(Database& db, const std::string& sql) {
  Counts counts;
  Statement s(db, sql.c_str());
  while (s.step()) counts[{s.text(0), static_cast<int32_t>(s.integer(1))}] = s.integer(2);
  return counts;
}

}  // namespace

std::vector<BoardTally> boardTallies(Library& library, bool withMuted) {
  return BoardTallier().tally(library, withMuted);
}

std::vector<BoardTally> BoardTallier::tally(Library& library, bool withMuted) {
  Database& db = library.database();
  ReadTransaction snapshot(db);
  const bool muting = anyMuted(library);
  if (!muting) {
    mutedKey_.clear();
    muted_.clear();
  } else {
    Statement key(db, kMutedKey);
    key.step();
    if (key.text(0) != mutedKey_) {
      // A muted writer's messages are found only by reading every message.
      muted_ = countsOf(db, "SELECT m.host, m.board_key, count(*) FROM messages m WHERE NOT (" +
                                notMutedCondition() + ") GROUP BY m.host, m.board_key");
      mutedKey_ = key.text(0);
    }
  }
  const Counts read = countsOf(db, readPerBoard(muting ? notMutedCondition() : std::string()));
  std::vector<BoardTally> out;
  Statement boards(
      db, "SELECT host, board_key, count(*) FROM messages GROUP BY host, board_key ORDER BY host, board_key");
  while (boards.step()) {
    BoardTally t{boards.text(0), static_cast<int32_t>(boards.integer(1)), boards.integer(2), 0};
    const auto key = std::make_pair(t.host, t.boardKey);
    const auto m = muted_.find(key);
    const auto r = read.find(key);
    const int64_t quiet = m == muted_.end() ? 0 : m->second;
    t.unread = t.messages - quiet - (r == read.end() ? 0 : r->second);
    if (!withMuted) t.messages -= quiet;
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace pelarin
