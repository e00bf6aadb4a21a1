// The library: every message ever imported, kept in one SQLite database per
// work directory, searchable and threaded by reply number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/lists/bbsini.h"
#include "core/logimport/messagefile.h"
#include "core/text/bytes.h"

namespace pelarin {

class Database;
class LineReader;
class Progress;
struct AppState;
class LibraryOrder;
class ReaderSieve;
struct SearchQuery;
enum class SearchPath;

inline constexpr char kLibraryFileName[] = "pelarin-library.db";
inline constexpr int kLibrarySchema = 5;
// The largest body a message may have to go into the library.
inline constexpr size_t kMaxMessageBytes = size_t{256} << 20;

// What one import did.
struct ImportResult {
  int64_t added = 0;       // messages new to the library
  int64_t duplicates = 0;  // copies of messages it held already
  bool seenBefore = false; // the same log (same bytes, same host) was imported before
  // Read as it is (--raw), not by its guessed form; of a log seen before, how it was read then.
  bool readRaw = false;
  // It changed while it was read (still being written, a copy in progress): the next add reads it again.
  bool unfinished = false;
  // The split's error when it stopped part-way (the messages before it are
  // in), and the messages refused as too large, one text each.
  std::string stopped;
};

struct LibraryFilter {
  std::optional<std::string> host;  // UTF-8
  std::optional<int32_t> boardKey;
  std::optional<int32_t> writerId;
  bool muted = false;  // muted threads and writers too (librarystate.h)
};

// One message as the library holds it.
struct LibraryMessage {
  int64_t id = 0;
  std::string host;
  int32_t boardKey = 0;
  int32_t number = 0;
  int32_t reply = 0;  // 0 when it answers none
  MessageKeys keys;   // the six key lines, code page 932
  Bytes body;         // code page 932, every line ending in CR LF
  int64_t logTime = 0;  // modification time of the first log that held it
  std::optional<int64_t> posted;  // as its header showed it (posteddate.h), where it did
  // The bytes of its message file: the key lines, then the body.
  Bytes fileBytes() const;
};

struct ThreadLine {
  int depth;
  int64_t id;
};

struct LibraryStats {
  struct Board {
    std::string host;
    int32_t boardKey;
    int64_t messages;
  };
  std::vector<Board> boards;
  int64_t messages = 0;
  int64_t logs = 0;
  uint64_t databaseBytes = 0;
};

class Library {
 public:
  enum class Use {
    Normal,   // making it at first use; read-only when this process cannot write it
    Inspect,  // an existing library, read without ever writing it (check, recover)
  };
  // Opens WorkDir's library. Throws LibraryError for a damaged file or one of
  // a newer schema. The first write of each Library object checks the file
  // first and refuses a damaged one or one this process cannot write.
  explicit Library(const std::filesystem::path& dir, Use use = Use::Normal);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  static std::filesystem::path fileIn(const std::filesystem::path& dir) { return dir / kLibraryFileName; }

  // One log in one transaction: all of it, or (killed, failed) none of it.
  // state gives the association for the split's board map. Throws FileError
  // when the log cannot be read before anything is written, Error
  // (ownFileText) for a file of the program's own. A log tried again after a
  // stop or a change keeps its one record.
  // With progress, a cancel stops it as a failure would: nothing of the log stays.
  // inTransaction runs just before the commit, also for a log seen before, so
  // what it writes is in the library exactly when the log is.
  ImportResult importLog(LineReader& log, const std::string& host, AppState& state,
                         Progress* progress = nullptr, const std::function<void()>& inTransaction = {});

  // Matching ids in the library's order (host, board key, number, first
  // import). limit 0: all.
  std::vector<int64_t> search(const std::vector<std::string>& terms, const LibraryFilter& filter,
                              size_t limit = 0);
  size_t count(const std::vector<std::string>& terms, const LibraryFilter& filter);
  // The same for a planned query (searchplan.h); path chooses the plan for tests and benches.
  std::vector<int64_t> search(const SearchQuery& query, size_t limit, SearchPath path);
  size_t count(const SearchQuery& query);
  // Builds the order searches rank hits by now rather than at the first search that needs it.
  void readyOrder();
  // Host and key lines of each message, in the order given, without its body.
  void eachListed(const std::vector<int64_t>& ids,
                  const std::function<void(int64_t id, const std::string& host, ByteView keys)>& each);
  // The same matches, best first: BM25 with the title weighted above the
  // writer's name and the body. A query with no text to rank by keeps the
  // library's order.
  std::vector<int64_t> searchByRelevance(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                         size_t limit = 0);

  // Throws LibraryError naming the id when it holds no such message.
  LibraryMessage message(int64_t id);
  // The whole thread holding the message: root at depth 0, depth first,
  // children by number.
  std::vector<ThreadLine> thread(int64_t id);
  // Ids from the thread's root down to the message's parent.
  std::vector<int64_t> ancestors(int64_t id);
  // The message it answers, by its reply number; none when the library lacks it.
  std::optional<int64_t> parentOf(int64_t id);
  // The messages answering it, by number.
  std::vector<int64_t> responses(int64_t id);
  // Whether no message imported before it has its host, board and number.
  bool firstOfItsNumber(int64_t id);
  // The numbered message (host, board key, number), its first import.
  std::optional<int64_t> find(const std::string& host, int32_t boardKey, int32_t number);

  LibraryStats stats();
  // Its index is of an older version, to be rebuilt (a thread that defers
  // the rebuild reads it so meanwhile).
  bool indexIsOld();
  // It has the tables of what the reader keeps (read, marks, mutes, saved
  // searches): false for one read as it is until its upgrade.
  bool keepsState();

  Database& database() { return *db_; }
  // The largest body importLog takes (kMaxMessageBytes); smaller for tests.
  void setMessageLimit(size_t bytes) { messageLimit_ = bytes; }

 private:
  LibraryOrder& order();
  // The query as it runs here: its one-character terms given to the table
  // that holds them, and the reader's state sieve if it leaves anything out.
  SearchQuery prepared(const SearchQuery& q);
  std::vector<int64_t> gather(const SearchQuery& q);
  void eachRanked(const SearchQuery& q, const std::function<void(uint32_t rank, int64_t id)>& each);
  std::vector<std::pair<uint32_t, int64_t>> ranked(const SearchQuery& q);
  SearchPath cheaper(const SearchQuery& q, size_t limit, size_t* walkBound);
  void checkBeforeWriting();

  std::unique_ptr<Database> db_;
  std::unique_ptr<LibraryOrder> order_;  // built at the first search that ranks
  std::unique_ptr<ReaderSieve> sieve_;   // built at the first search asking the reader's state
  std::vector<std::filesystem::path> unwritable_;
  size_t messageLimit_ = kMaxMessageBytes;
};

// An older library's index is rebuilt when it is opened, in the opening's
// transaction (a kill leaves the old library). A thread that must not wait
// that long (the window's) defers it; an IndexRebuildHere on a thread lets
// it rebuild there and report to progress (which may cancel it).
void deferIndexRebuildOnThisThread();
class IndexRebuildHere {
 public:
  explicit IndexRebuildHere(Progress* progress);
  ~IndexRebuildHere();
  IndexRebuildHere(const IndexRebuildHere&) = delete;
  IndexRebuildHere& operator=(const IndexRebuildHere&) = delete;

 private:
  Progress* outer_;
  bool deferred_;
};

// The host a log is filed under: the List of the association its file name
// matches, as Load matches it; "" when none does or the name has no code
// page 932 form.
std::string hostForLog(const BbsTableType& table, const std::filesystem::path& log);

// The six key lines as the library keeps them, each ending in CR LF.
MessageKeys keysFromLines(ByteView lines);

// "<N> はライブラリにありません。"
std::string noSuchMessageText(int64_t id);
// The refusal of a file of the program's own (its library, store, settings) as a log.
std::string ownFileText(const std::string& fileName);

// "ライブラリのファイルが壊れているか、…"
std::string damagedLibraryText();

}  // namespace pelarin
