#include "core/library/library.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <system_error>
#include <utility>

#include "core/library/bodypacking.h"
#include "core/library/libraryaccess.h"
#include "core/library/librarydates.h"
#include "core/library/messageindex.h"
#include "core/library/searchplan.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/library/wholefiles.h"
#include "core/text/cp932.h"
#include "core/text/integers.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

// Identity: (host, board key, number) for numbered messages, the digest of
// writer ID, title and body for mail; the order index also serves searches.
constexpr const char* kSchema = R"(
CREATE TABLE sources(
  id INTEGER PRIMARY KEY,
  host TEXT NOT NULL,
  name TEXT NOT NULL,
  size INTEGER NOT NULL,
  mtime INTEGER NOT NULL,
  sha256 BLOB NOT NULL,
  messages INTEGER NOT NULL,
  imported INTEGER NOT NULL,
  complete INTEGER NOT NULL);
CREATE INDEX sources_bytes ON sources(host, sha256);
CREATE TABLE messages(
  id INTEGER PRIMARY KEY,
  host TEXT NOT NULL,
  board_key INTEGER NOT NULL,
  number INTEGER NOT NULL,
  reply INTEGER NOT NULL,
  writer_id INTEGER NOT NULL,
  mail_digest BLOB,
  source INTEGER NOT NULL REFERENCES sources(id),
  keys BLOB NOT NULL,
  body_size INTEGER NOT NULL,
  body BLOB NOT NULL);
CREATE INDEX messages_order ON messages(host, board_key, number, id);
CREATE INDEX messages_mail ON messages(host, board_key, mail_digest) WHERE number = 0;
CREATE INDEX messages_replies ON messages(host, board_key, reply) WHERE reply > 0;
CREATE TABLE copies(
  message INTEGER NOT NULL,
  source INTEGER NOT NULL,
  position INTEGER NOT NULL,
  line INTEGER NOT NULL,
  PRIMARY KEY(message, source, position)) WITHOUT ROWID;
CREATE VIRTUAL TABLE fts USING fts5(title, writer, body, content='', columnsize=0, prefix='1', tokenize='pelarin_cjk');
)";

// What the reader keeps, by message identity (host, board key, number, and
// for a message without a number the digest; X'' for one with a number), so
// that a capture again or a recover keeps it. A muted thread is its root's
// identity; its replies are found by their reply numbers when searched.
// message_flags holds the same by row id (read, marked, writer muted), kept
// with the tables above, so that a search sieves its hits without a lookup
// of identities for each.
constexpr const char* kStateSchema = R"(
CREATE {0}TABLE IF NOT EXISTS read_messages(host TEXT NOT NULL, board_key INTEGER NOT NULL, number INTEGER NOT NULL,
  digest BLOB NOT NULL, PRIMARY KEY(host, board_key, number, digest)) WITHOUT ROWID;
CREATE {0}TABLE IF NOT EXISTS marked_messages(host TEXT NOT NULL, board_key INTEGER NOT NULL, number INTEGER NOT NULL,
  digest BLOB NOT NULL, PRIMARY KEY(host, board_key, number, digest)) WITHOUT ROWID;
CREATE {0}TABLE IF NOT EXISTS muted_threads(host TEXT NOT NULL, board_key INTEGER NOT NULL, number INTEGER NOT NULL,
  digest BLOB NOT NULL, PRIMARY KEY(host, board_key, number, digest)) WITHOUT ROWID;
CREATE {0}TABLE IF NOT EXISTS muted_writers(host TEXT NOT NULL, writer_id INTEGER NOT NULL,
  PRIMARY KEY(host, writer_id)) WITHOUT ROWID;
CREATE {0}TABLE IF NOT EXISTS saved_searches(name TEXT PRIMARY KEY NOT NULL, query TEXT NOT NULL, host TEXT,
  board_key INTEGER, sort TEXT NOT NULL);
CREATE {0}TABLE IF NOT EXISTS message_flags(id INTEGER PRIMARY KEY, flags INTEGER NOT NULL);
)";

std::string stateSchema(const std::string& prefix) {
  std::string sql = kStateSchema;
  for (size_t at; (at = sql.find("{0}")) != std::string::npos;) sql.replace(at, 3, prefix);
  return sql;
}

thread_local bool rebuildDeferred = false;
thread_local Progress* rebuildProgress = nullptr;

// The indexes made anew from the bytes the library holds, no log read again:
// the words of every message as this version's tokenizer reads them, and the
// characters they begin with. The word index keeps each column's length for
// ranking; a one-character term asks the table of characters, so the word
// index keeps no index of first characters (a third of its size).
void reindex(Database& db) {
  db.exec("DROP TABLE IF EXISTS fts");
  db.exec("DROP TABLE IF EXISTS fts_chars");
  db.exec("CREATE VIRTUAL TABLE fts USING fts5(title, writer, body, content='', tokenize='pelarin_cjk')");
  db.exec("CREATE VIRTUAL TABLE fts_chars USING fts5(chars, content='', detail=none, columnsize=0, "
          "tokenize='pelarin_list')");
  // Segments merged eight at a time, not four: an import rewrites the index's
  // lists less often (a fifth less of its time on a million messages), and a
  // search still reads few segments.
  db.exec("INSERT INTO fts(fts, rank) VALUES('automerge', 8)");
  int64_t total = 0;
  {
    Statement n(db, "SELECT count(*) FROM messages");
    n.step();
    total = n.integer(0);
  }
  Progress* progress = rebuildProgress;
  if (progress) progress->begin(Progress::Phase::Writing, total);
  Statement read(db, "SELECT id, keys, body, body_size FROM messages ORDER BY id");
  MessageIndex index(db, MessageIndex::Action::Add);
  int64_t done = 0;
  while (read.step()) {
    const MessageKeys keys = keysFromLines(read.blobView(1));
    const ByteView packed = read.blobView(2);
    const auto size = static_cast<size_t>(read.integer(3));
    index(read.integer(0), cp932ToUtf8(keys.Title), cp932ToUtf8(keys.WriterName), [&](const auto& piece) {
      unpackBodyInLines(packed, size, [&](ByteView lines) { piece(cp932ToUtf8(lines)); });
    });
    if (progress) progress->step(++done);
  }
  if (progress) progress->report(total);
}

// Each step takes a library of the version before it to the next; a new
// library is made as the first version, then goes through them all.
using Upgrade = void (*)(Database&);
constexpr Upgrade kUpgrades[] = {
    // 2: the tickets of queued logs whose import has committed.
    [](Database& db) { db.exec("CREATE TABLE queue_taken(ticket INTEGER PRIMARY KEY);"); },
    // 3: kana, long vowels, wrapped lines and digits apart from letters; its
    // rebuild is the next step's.
    [](Database&) {},
    // 4: the table of characters in place of the index of first characters.
    reindex,
    // 5: read, marked, muted and saved searches, posting times; the index stays.
    [](Database& db) {
      db.exec(stateSchema("").c_str());
      addPostedColumn(db);
    },
};
static_assert(std::size(kUpgrades) == kLibrarySchema - 1);
// The versions from kReindexFrom up to kIndexVersion take the index's rebuild
// to the next; the steps after it are quick.
constexpr int kReindexFrom = 2;
constexpr int kIndexVersion = 4;

bool waitsForRebuild(int version, bool rebuild) {
  return !rebuild && version >= kReindexFrom && version < kIndexVersion;
}

int userVersion(Database& db) {
  Statement v(db, "PRAGMA user_version");
  return v.step() ? static_cast<int>(v.integer(0)) : 0;
}

// Inside the caller's transaction: all the library holds stays. The index
// is rebuilt only where the thread may take that long.
void upgradeFrom(Database& db, int version, bool rebuild) {
  for (; version < kLibrarySchema; ++version) {
    if (waitsForRebuild(version, rebuild)) break;
    kUpgrades[version - 1](db);
  }
  db.exec(("PRAGMA user_version=" + std::to_string(version)).c_str());
}

}  // namespace

MessageKeys keysFromLines(ByteView blob) {
  MessageKeys k;
  Bytes* fields[] = {&k.BoardKey, &k.MesNumber, &k.Title, &k.ResNumber, &k.WriterId, &k.WriterName};
  size_t pos = 0;
  for (Bytes* f : fields) {
    const size_t end = blob.find("\r\n", pos);
    if (end == ByteView::npos) {
      *f = Bytes(blob.substr(std::min(pos, blob.size())));
      pos = blob.size();
      continue;
    }
    *f = Bytes(blob.substr(pos, end - pos));
    pos = end + 2;
  }
  return k;
}

std::string noSuchMessageText(int64_t id) { return std::to_string(id) + " はライブラリにありません。"; }

std::string damagedLibraryText() {
  return "ライブラリのファイルが壊れているか、ライブラリのファイルではありません。";
}

Bytes LibraryMessage::fileBytes() const {
  Bytes out;
  for (const Bytes* f : {&keys.BoardKey, &keys.MesNumber, &keys.Title, &keys.ResNumber, &keys.WriterId,
                         &keys.WriterName}) {
    out += *f;
    out += "\r\n";
  }
  return out + body;
}

Library::Library(const std::filesystem::path& dir, Use use) {
  Database::Mode mode = Database::Mode::Immutable;
  if (use == Use::Inspect) {
    mode = inspectionMode(fileIn(dir));
    unwritable_ = {fileIn(dir)};
  } else {
    LibraryAccess access = libraryAccess(fileIn(dir));
    mode = access.mode;
    unwritable_ = std::move(access.unwritable);
  }
  db_ = std::make_unique<Database>(fileIn(dir), mode);
  db_->guardWrites([this] { checkBeforeWriting(); }, [this] { rememberWhole(db_->file()); });
  registerTokenizer(db_->handle());
  Database& db = *db_;
  // The first read of the file is where a damaged or foreign file shows.
  const int version = userVersion(db);
  if (version > kLibrarySchema)
    throw LibraryError("このライブラリはより新しい版のPelarinで作られたため、開けません。\n" +
                       db.file().string());
  if (version == 0) {
    int64_t tables = 0;
    {
      Statement t(db, "SELECT count(*) FROM sqlite_schema");
      t.step();
      tables = t.integer(0);
    }
    if (tables != 0 || use == Use::Inspect)
      throw LibraryError(damagedLibraryText() + "\n" + db.file().string());
    db.beforeWrite();
    // Large pages: fewer, fuller b-tree pages for the index's long doclists.
    db.exec("PRAGMA page_size=16384");
    db.exec("PRAGMA journal_mode=WAL");
    Transaction t(db);
    db.exec(kSchema);
    {
      // A new library has nothing to rebuild, so nothing to report.
      struct Quiet {
        Progress* shown = std::exchange(rebuildProgress, nullptr);
        ~Quiet() { rebuildProgress = shown; }
      } quiet;
      upgradeFrom(db, 1, true);
    }
    t.commit();
  } else if (version < kLibrarySchema && use != Use::Inspect && mode == Database::Mode::ReadWrite) {
    // A library that may not be written (damaged, read-only) is still read as
    // it is; its first write refuses with the reason.
    const bool rebuild = !rebuildDeferred;
    if (waitsForRebuild(version, rebuild)) {
      // Read as it is: the thread that may take the time rebuilds it.
    } else {
      try {
        Transaction t(db);
        // Another connection may have upgraded it while this one waited.
        if (const int now = userVersion(db); now < kLibrarySchema) upgradeFrom(db, now, rebuild);
        t.commit();
      } catch (const LibraryError&) {
      }
    }
  }
  // A library read as it is, older than the reader's state, reads as one
  // holding none: searches name the same tables, empty here and never written.
  if (userVersion(db) < kLibrarySchema) db.exec(stateSchema("TEMP ").c_str());
  db.exec("PRAGMA synchronous=NORMAL");
  db.exec("PRAGMA cache_size=-262144");
}

IndexRebuildHere::IndexRebuildHere(Progress* progress) : outer_(rebuildProgress), deferred_(rebuildDeferred) {
  rebuildProgress = progress;
  rebuildDeferred = false;
}

IndexRebuildHere::~IndexRebuildHere() {
  rebuildProgress = outer_;
  rebuildDeferred = deferred_;
}

void deferIndexRebuildOnThisThread() { rebuildDeferred = true; }

bool Library::indexIsOld() { return userVersion(*db_) < kIndexVersion; }

bool Library::keepsState() { return userVersion(*db_) >= kLibrarySchema; }

Library::~Library() {
  // The last connection's close copies the -wal into the file: SQLite's own
  // write of what was whole keeps it whole.
  const std::filesystem::path file = db_->file();
  const bool whole = db_->mode() == Database::Mode::ReadWrite && knownWhole(file);
  db_.reset();
  if (whole) rememberWhole(file);
}

// Writing into a damaged b-tree spreads the damage (a page handed out twice,
// a freelist that points into live pages), so the file is checked first.
void Library::checkBeforeWriting() {
  if (db_->mode() != Database::Mode::ReadWrite) throw LibraryError(cannotWriteText(unwritable_));
  const std::filesystem::path& file = db_->file();
  if (knownWhole(file)) return;
  const std::string damage = firstDamage(*db_);
  if (!damage.empty()) throw LibraryError(damagedLibraryText() + "\n" + file.string() + ": " + damage);
  rememberWhole(file);
}

LibraryMessage Library::message(int64_t id) {
  // An older library read as it is has no posting times.
  const std::string sql =
      std::string("SELECT m.host, m.board_key, m.number, m.reply, m.keys, m.body, s.mtime, m.body_size, ") +
      (keepsDates(*db_) ? "m.posted" : "NULL") + " FROM messages m JOIN sources s ON s.id = m.source WHERE m.id = ?1";
  Statement s(*db_, sql.c_str());
  s.bind(1, id);
  if (!s.step()) throw LibraryError(noSuchMessageText(id));
  LibraryMessage m;
  m.id = id;
  m.host = s.text(0);
  m.boardKey = static_cast<int32_t>(s.integer(1));
  m.number = static_cast<int32_t>(s.integer(2));
  m.reply = static_cast<int32_t>(s.integer(3));
  m.keys = keysFromLines(s.blobView(4));
  m.body = unpackBody(s.blobView(5), static_cast<size_t>(s.integer(7)));
  m.logTime = s.integer(6);
  if (!s.isNull(8)) m.posted = s.integer(8);
  return m;
}

// Messages of one number that are not copies of one another (two hosts' logs
// filed under one host, a board numbered anew) are siblings: a reply to the
// number answers the one that a log holding the reply also holds, else the
// first imported.
std::optional<int64_t> Library::parentOf(int64_t id) {
  // "+": SQLite would carry "> 0" over to p.number and scan the whole board by it.
  Statement s(
      *db_,
      "SELECT p.id FROM messages m JOIN messages p ON p.host = m.host AND p.board_key = m.board_key "
      "AND p.number = m.reply WHERE m.id = ?1 AND +m.reply > 0 AND p.id <> m.id "
      "ORDER BY EXISTS (SELECT 1 FROM copies a JOIN copies b ON b.message = p.id AND b.source = a.source "
      "WHERE a.message = m.id) DESC, p.id LIMIT 1");
  s.bind(1, id);
  if (!s.step()) return std::nullopt;
  return s.integer(0);
}

std::vector<int64_t> Library::ancestors(int64_t id) {
  std::vector<int64_t> up;
  std::set<int64_t> seen{id};
  // Reply numbers may form a loop; the walk stops where it would repeat.
  for (auto p = parentOf(id); p && seen.insert(*p).second; p = parentOf(*p)) up.push_back(*p);
  std::reverse(up.begin(), up.end());
  return up;
}

std::vector<int64_t> Library::responses(int64_t id) {
  // Over the partial index SQLite bounds an equality on reply only by its "> 0" and
  // walks every reply of the board; two bounds keep the walk to the answers.
  Statement s(
      *db_,
      "SELECT c.id, (SELECT count(*) FROM messages o WHERE o.host = p.host AND o.board_key = p.board_key "
      "AND o.number = p.number) FROM messages p JOIN messages c ON c.host = p.host AND c.board_key = p.board_key "
      "AND c.reply >= p.number AND c.reply <= p.number AND c.reply > 0 WHERE p.id = ?1 AND +p.number > 0 "
      "AND c.id <> p.id ORDER BY c.number, c.id");
  s.bind(1, id);
  std::vector<int64_t> out;
  // With siblings under the number, each reply goes to the one parentOf names.
  while (s.step())
    if (s.integer(1) == 1 || parentOf(s.integer(0)) == id) out.push_back(s.integer(0));
  return out;
}

bool Library::firstOfItsNumber(int64_t id) {
  Statement s(*db_,
              "SELECT 1 FROM messages m JOIN messages o ON o.host = m.host AND o.board_key = m.board_key "
              "AND o.number = m.number WHERE m.id = ?1 AND o.id < m.id LIMIT 1");
  s.bind(1, id);
  return !s.step();
}

std::optional<int64_t> Library::find(const std::string& host, int32_t boardKey, int32_t number) {
  if (number <= 0) return std::nullopt;  // mail has no number to find it by
  Statement s(*db_, "SELECT id FROM messages WHERE host = ?1 AND board_key = ?2 AND number = ?3 ORDER BY id LIMIT 1");
  s.bind(1, host);
  s.bind(2, int64_t{boardKey});
  s.bind(3, int64_t{number});
  if (!s.step()) return std::nullopt;
  return s.integer(0);
}

std::vector<ThreadLine> Library::thread(int64_t id) {
  message(id);  // refuses an unknown id
  const std::vector<int64_t> up = ancestors(id);
  const int64_t root = up.empty() ? id : up.front();
  std::vector<ThreadLine> out;
  std::set<int64_t> seen;
  std::vector<ThreadLine> stack{{0, root}};
  while (!stack.empty()) {
    const ThreadLine line = stack.back();
    stack.pop_back();
    if (!seen.insert(line.id).second) continue;
    out.push_back(line);
    const std::vector<int64_t> kids = responses(line.id);
    for (auto k = kids.rbegin(); k != kids.rend(); ++k) stack.push_back({line.depth + 1, *k});
  }
  return out;
}

LibraryStats Library::stats() {
  LibraryStats st;
  Statement boards(*db_,
                   "SELECT host, board_key, count(*) FROM messages GROUP BY host, board_key ORDER BY host, board_key");
  while (boards.step()) {
    st.boards.push_back({boards.text(0), static_cast<int32_t>(boards.integer(1)), boards.integer(2)});
    st.messages += boards.integer(2);
  }
  Statement logs(*db_, "SELECT count(*) FROM sources");
  logs.step();
  st.logs = logs.integer(0);
  std::error_code ec;
  for (const char* suffix : {"", "-wal"}) {
    const auto size = std::filesystem::file_size(db_->file().string() + suffix, ec);
    if (!ec) st.databaseBytes += size;
  }
  return st;
}

}  // namespace pelarin
