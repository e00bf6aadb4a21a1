#include "core/library/librarystate.h"

#include <optional>
#include <utility>

#include "core/library/library.h"
#include "core/library/sqlite.h"
#include "core/text/bytes.h"

namespace pelarin {

namespace {

// A table of identities (alias s) against the message m.
constexpr char kSameMessage[] =
    "s.host = m.host AND s.board_key = m.board_key AND s.number = m.number AND s.digest = "
    "coalesce(m.mail_digest, X'')";

// The messages of a table of identities, each kind by its own index; CROSS
// JOIN keeps the few identities outside, "+" keeps their number from
// bounding the index's range.
std::string messagesOf(const std::string& table, const std::string& columns) {
  const std::string from = "SELECT " + columns + " FROM " + table +
                           " s CROSS JOIN messages x ON x.host = s.host AND x.board_key = s.board_key ";
  return from + "AND x.number = s.number WHERE +s.number > 0 UNION " + from +
         "AND x.number = 0 AND x.mail_digest = s.digest WHERE +s.number = 0 UNION " + from +
         "AND x.number = s.number AND x.mail_digest = s.digest WHERE +s.number < 0";
}

// In the caller's transaction; writes name main. so that an older library's
// stand-in tables are never written.
void requireState(Library& library) {
  if (!library.keepsState()) throw LibraryError(noStateText());
}

constexpr const char* kIdentityOf =
    "SELECT host, board_key, number, coalesce(mail_digest, X'') FROM messages WHERE id = ?1";

// Adds or removes the identities of messages in one table, each statement
// made once for a whole list; the flags by row id follow when the table is
// one of them.
class Identities {
 public:
  Identities(Database& db, const std::string& table, bool flags = true)
      : db_(db),
        exists_(db, "SELECT 1 FROM messages WHERE id = ?1"),
        identity_(db, kIdentityOf),
        add_(db, ("INSERT OR IGNORE INTO main." + table + "(host, board_key, number, digest) VALUES (?1, ?2, ?3, ?4)")
                     .c_str()),
        remove_(db, ("DELETE FROM main." + table + " WHERE host = ?1 AND board_key = ?2 AND number = ?3 AND digest = ?4")
                        .c_str()),
        // A numbered message's copies by the order index alone, without reading their rows.
        sameNumber_(db, "SELECT id FROM messages WHERE host = ?1 AND board_key = ?2 AND number = ?3"),
        // Mail by its own index; a number read as below one is rare.
        sameMail_(db, "SELECT id FROM messages WHERE host = ?1 AND board_key = ?2 AND number = 0 AND mail_digest = ?4"),
        sameDigest_(db,
                    "SELECT id FROM messages WHERE host = ?1 AND board_key = ?2 AND number = ?3 AND mail_digest = ?4") {
    if (flags) notes_.emplace(db);
  }
  void require(int64_t id) {
    exists_.bind(1, id);
    const bool found = exists_.step();
    exists_.reset();
    if (!found) throw LibraryError(noSuchMessageText(id));
  }
  void add(int64_t id) { change(add_, id); }
  int remove(int64_t id) { return change(remove_, id); }

 private:
  // Adds or removes the message's identity, then notes the flags of every
  // message of it; the number changed.
  int change(Statement& s, int64_t id) {
    identity_.bind(1, id);
    if (!identity_.step()) {
      identity_.reset();
      return 0;
    }
    const std::string host = identity_.text(0);
    const int64_t board = identity_.integer(1), number = identity_.integer(2);
    const Bytes digest(identity_.blobView(3));
    identity_.reset();
    s.bind(1, host).bind(2, board).bind(3, number).bindBlob(4, digest).run();
    const int changed = db_.changes();
    if (changed == 0 || !notes_) return changed;
    Statement& same = number > 0 ? sameNumber_ : number == 0 ? sameMail_ : sameDigest_;
    same.bind(1, host).bind(2, board);
    if (number != 0) same.bind(3, number);
    if (number <= 0) same.bindBlob(4, digest);
    std::vector<int64_t> ids;
    while (same.step()) ids.push_back(same.integer(0));
    same.reset();
    for (int64_t m : ids) notes_->note(m);
    return changed;
  }

  Database& db_;
  Statement exists_, identity_, add_, remove_, sameNumber_, sameMail_, sameDigest_;
  std::optional<FlagNotes> notes_;
};

}  // namespace

const std::string& mutedThreadsIds() {
  // A muted thread's messages: its root's, then every message answering one
  // of them by number, as far down as replies go (UNION stops a loop of numbers).
  static const std::string ids =
      "WITH RECURSIVE t(id, host, board_key, number) AS (" +
      messagesOf("muted_threads", "x.id, x.host, x.board_key, x.number") +
      " UNION SELECT c.id, c.host, c.board_key, c.number FROM t CROSS JOIN messages c ON c.host = t.host "
      "AND c.board_key = t.board_key AND c.reply >= t.number AND c.reply <= t.number AND c.reply > 0 "
      "WHERE t.number > 0) SELECT id FROM t";
  return ids;
}

namespace {

std::string flagged(int bits) {
  return "EXISTS (SELECT 1 FROM message_flags f WHERE f.id = m.id AND f.flags & " + std::to_string(bits) +
         ")";
}

}  // namespace

const std::string& notMutedCondition() {
  static const std::string condition =
      "NOT " + flagged(kFlagWriterMuted) + " AND m.id NOT IN (" + mutedThreadsIds() + ")";
  return condition;
}

const std::string& unreadCondition() {
  static const std::string condition = "NOT " + flagged(kFlagRead) + " AND " + notMutedCondition();
  return condition;
}

const std::string& markedCondition() {
  static const std::string condition = flagged(kFlagMarked);
  return condition;
}

void noteFlags(Database& db, const std::string& where, const std::vector<SqlValue>& values) {
  std::vector<int64_t> ids;
  {
    Statement s(db, ("SELECT m.id FROM messages m WHERE " + where).c_str());
    int i = 1;
    for (const SqlValue& v : values) {
      if (const auto* n = std::get_if<int64_t>(&v))
        s.bind(i++, *n);
      else
        s.bind(i++, std::get<std::string>(v));
    }
    while (s.step()) ids.push_back(s.integer(0));
  }
  FlagNotes notes(db);
  for (int64_t id : ids) notes.note(id);
}

FlagNotes::FlagNotes(Database& db)
    : forget_(db, "DELETE FROM main.message_flags WHERE id = ?1"),
      note_(db, (std::string(
                     "INSERT INTO main.message_flags(id, flags) SELECT id, flags FROM (SELECT m.id, (EXISTS "
                     "(SELECT 1 FROM read_messages s WHERE ") +
                 kSameMessage + ") * " + std::to_string(kFlagRead) +
                 " + EXISTS (SELECT 1 FROM marked_messages s WHERE " + kSameMessage + ") * " +
                 std::to_string(kFlagMarked) +
                 " + EXISTS (SELECT 1 FROM muted_writers w WHERE w.host = m.host AND w.writer_id = "
                 "m.writer_id) * " +
                 std::to_string(kFlagWriterMuted) +
                 ") AS flags FROM messages m WHERE m.id = ?1) WHERE flags != 0")
                    .c_str()) {}

void FlagNotes::note(int64_t id) {
  forget_.bind(1, id).run();
  note_.bind(1, id).run();
}

void noteAllFlags(Database& db) {
  db.exec("DELETE FROM main.message_flags");
  noteFlags(db,
            "m.id IN (" + messagesOf("read_messages", "x.id") + " UNION " + messagesOf("marked_messages", "x.id") +
                ") OR EXISTS (SELECT 1 FROM muted_writers w WHERE w.host = m.host AND w.writer_id = m.writer_id)",
            {});
}

std::string noStateText() {
  return "このライブラリは索引を作り直すまで、既読、印、ミュート、保存した検索を記録できません。";
}

std::string threadNotMutedText(int64_t id) {
  return std::to_string(id) + " のスレッドはミュートしていません。";
}

std::string writerNotMutedText(const std::string& host, int32_t writerId) {
  return host + " の ID " + std::to_string(writerId) + " はミュートしていません。";
}

void setFlag(Library& library, MessageFlag flag, const std::vector<int64_t>& ids, bool on) {
  Database& db = library.database();
  Transaction t(db);
  requireState(library);
  Identities table(db, flag == MessageFlag::Read ? "read_messages" : "marked_messages");
  for (int64_t id : ids) table.require(id);
  for (int64_t id : ids) {
    if (on)
      table.add(id);
    else
      table.remove(id);
  }
  t.commit();
}

MessageState stateOf(Library& library, int64_t id) {
  const std::string sql = std::string("SELECT EXISTS (SELECT 1 FROM read_messages s WHERE ") + kSameMessage +
                          "), " + markedCondition() + ", NOT (" + notMutedCondition() +
                          ") FROM messages m WHERE m.id = ?1";
  Statement s(library.database(), sql.c_str());
  s.bind(1, id);
  if (!s.step()) throw LibraryError(noSuchMessageText(id));
  MessageState state;
  state.muted = s.integer(2) != 0;
  state.read = s.integer(0) != 0 || state.muted;
  state.marked = s.integer(1) != 0;
  return state;
}

void muteThread(Library& library, int64_t id) {
  const std::vector<int64_t> up = library.ancestors(id);
  Database& db = library.database();
  Transaction t(db);
  requireState(library);
  Identities threads(db, "muted_threads", false);
  threads.require(id);
  threads.add(up.empty() ? id : up.front());
  t.commit();
}

bool unmuteThread(Library& library, int64_t id) {
  std::vector<int64_t> holding = library.ancestors(id);
  holding.push_back(id);
  Database& db = library.database();
  Transaction t(db);
  requireState(library);
  Identities threads(db, "muted_threads", false);
  threads.require(id);
  int removed = 0;
  for (int64_t m : holding) removed += threads.remove(m);
  t.commit();
  return removed > 0;
}

void muteWriter(Library& library, const std::string& host, int32_t writerId) {
  Database& db = library.database();
  Transaction t(db);
  requireState(library);
  Statement s(db, "INSERT OR IGNORE INTO main.muted_writers(host, writer_id) VALUES (?1, ?2)");
  s.bind(1, host).bind(2, int64_t{writerId}).run();
  noteFlags(db, "m.host = ?1 AND m.writer_id = ?2", {host, int64_t{writerId}});
  t.commit();
}

bool unmuteWriter(Library& library, const std::string& host, int32_t writerId) {
  Database& db = library.database();
  Transaction t(db);
  requireState(library);
  Statement s(db, "DELETE FROM main.muted_writers WHERE host = ?1 AND writer_id = ?2");
  s.bind(1, host).bind(2, int64_t{writerId}).run();
  const bool removed = db.changes() > 0;
  if (removed) noteFlags(db, "m.host = ?1 AND m.writer_id = ?2", {host, int64_t{writerId}});
  t.commit();
  return removed;
}

MutedList mutedList(Library& library) {
  Database& db = library.database();
  ReadTransaction snapshot(db);
  MutedList list;
  // A root no longer held (lost in a recover) has nothing to show or hide.
  const std::string sql =
      "SELECT min(x.id) FROM (" +
      messagesOf("muted_threads", "x.id, s.host, s.board_key, s.number, s.digest") +
      ") x GROUP BY host, board_key, number, digest ORDER BY host, board_key, number, min(x.id)";
  Statement threads(db, sql.c_str());
  while (threads.step()) list.threads.push_back(threads.integer(0));
  Statement writers(db, "SELECT host, writer_id FROM muted_writers ORDER BY host, writer_id");
  while (writers.step()) list.writers.push_back({writers.text(0), static_cast<int32_t>(writers.integer(1))});
  return list;
}

bool anyMuted(Library& library) {
  Statement s(library.database(),
              "SELECT EXISTS (SELECT 1 FROM muted_threads) OR EXISTS (SELECT 1 FROM muted_writers)");
  return s.step() && s.integer(0) != 0;
}

void copyReaderState(Library& from, Library& to) {
  // The flags by row id are made anew: the ids are the new library's.
  static const std::pair<const char*, int> kTables[] = {{"read_messages", 4},
                                                        {"marked_messages", 4},
                                                        {"muted_threads", 4},
                                                        {"muted_writers", 2},
                                                        {"saved_searches", 5}};
  Database& db = to.database();
  Transaction t(db);
  requireState(to);
  for (const auto& [table, columns] : kTables) {
    std::string values;
    for (int i = 1; i <= columns; ++i) values += (i > 1 ? ", ?" : "?") + std::to_string(i);
    Statement write(
        db, (std::string("INSERT OR IGNORE INTO main.") + table + " VALUES (" + values + ")").c_str());
    std::optional<Statement> read;
    try {
      read.emplace(from.database(), (std::string("SELECT * FROM ") + table).c_str());
    } catch (const LibraryError&) {
      continue;  // none kept, or none readable: it starts afresh
    }
    for (;;) {
      try {
        if (!read->step()) break;
      } catch (const LibraryError&) {
        break;  // what a damaged table gave before its damage stays
      }
      for (int i = 0; i < columns; ++i)
        if (sqlite3_bind_value(write.handle(), i + 1, sqlite3_column_value(read->handle(), i)) != SQLITE_OK)
          db.fail("");
      write.run();
    }
  }
  noteAllFlags(db);
  t.commit();
}

}  // namespace pelarin
