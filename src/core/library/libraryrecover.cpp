#include "core/library/libraryrecover.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/library/bodypacking.h"
#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/library/librarystate.h"
#include "core/library/messageindex.h"
#include "core/library/sqlite.h"
#include "core/logimport/sortmoves.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"

namespace pelarin {

namespace {

namespace fs = std::filesystem;

constexpr int64_t kBatch = 5000;

std::string alreadyThereText(const fs::path& to) {
  return "次のフォルダにはライブラリがすでにあります。別のフォルダを指定してください。\n" + to.string();
}

// A folder of our own beside the new library, gone with it on any failure.
class WorkFolder {
 public:
  explicit WorkFolder(const fs::path& in) {
    std::string name = (in / ".pelarin-recover-XXXXXX").string();
    if (!::mkdtemp(name.data())) throw FileError("Cannot create", in, errno);
    path_ = name;
  }
  ~WorkFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void prepareTarget(const fs::path& to) {
  struct stat st {};
  if (::lstat(to.c_str(), &st) != 0) {
    if (errno != ENOENT) throw FileError("Cannot open", to, errno);
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) throw FileError("Cannot create", to, ec.value());
    return;
  }
  if (S_ISLNK(st.st_mode)) throw Error("'" + to.string() + "' はリンクです。リンクの先には書き出しません");
  if (!S_ISDIR(st.st_mode)) throw Error("'" + to.string() + "' はフォルダではありません");
  for (const char* suffix : {"", "-wal"})
    if (::lstat((Library::fileIn(to).string() + suffix).c_str(), &st) == 0)
      throw LibraryError(alreadyThereText(to));
}

class Salvage {
 public:
  Salvage(Library& from, Library& to)
      : from_(from.database()),
        to_(to.database()),
        readSource_(from_,
                    "SELECT host, name, size, mtime, sha256, messages, imported, complete FROM sources WHERE "
                    "id = ?1"),
        readCopies_(from_, "SELECT source, position, line FROM copies WHERE message = ?1"),
        writeSource_(to_,
                     "INSERT INTO sources(id, host, name, size, mtime, sha256, messages, imported, complete) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
        writeMessage_(
            to_,
            "INSERT INTO messages(id, host, board_key, number, reply, writer_id, mail_digest, source, keys, "
            "body_size, body) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"),
        writeCopy_(to_,
                   "INSERT OR IGNORE INTO copies(message, source, position, line) VALUES (?1, ?2, ?3, ?4)"),
        index_(to_, MessageIndex::Action::Add) {}

  RecoverResult run() {
    // What the other records know of: the order index lists every message,
    // the copies every message seen in a log.
    known("SELECT id FROM messages INDEXED BY messages_order");
    known("SELECT DISTINCT message FROM copies");
    transaction_.emplace(to_);
    walk();
    RecoverResult result;
    result.salvaged = salvaged_;
    result.lost = static_cast<int64_t>(seen_.size()) - salvaged_;
    // A log some of whose messages are lost must be read in full when added again.
    if (result.lost > 0) to_.exec("UPDATE sources SET complete = 0");
    transaction_->commit();
    transaction_.reset();
    result.logs = static_cast<int64_t>(sources_.size());
    return result;
  }

 private:
  void known(const char* sql) {
    try {
      Statement s(from_, sql);
      while (s.step()) seen_.insert(s.integer(0));
    } catch (const LibraryError&) {
      // As far as it could be read.
    }
  }

  // The messages by ID; where a damaged page stops the walk it goes on at
  // the next ID another record names, then at ever wider steps.
  void walk() {
    int64_t from = std::numeric_limits<int64_t>::min();
    for (;;) {
      std::optional<int64_t> last;
      try {
        Statement s(from_,
                    "SELECT id, host, board_key, number, reply, writer_id, mail_digest, source, keys, "
                    "body_size, body "
                    "FROM messages WHERE id >= ?1 ORDER BY id");
        s.bind(1, from);
        while (s.step()) {
          last = s.integer(0);
          take(s);
        }
        return;
      } catch (const LibraryError&) {
      }
      // When not even the first row could be read, `from` is lost with the page.
      const int64_t after = last ? *last : from;
      const auto next = seen_.upper_bound(after);
      if (next != seen_.end()) {
        from = *next;
        continue;
      }
      const auto past = firstReadableAfter(after);
      if (!past) return;
      from = *past;
    }
  }

  bool readableFrom(int64_t id) {
    try {
      Statement s(from_, "SELECT id FROM messages WHERE id >= ?1 ORDER BY id LIMIT 1");
      s.bind(1, id);
      s.step();
      return true;
    } catch (const LibraryError&) {
      return false;
    }
  }

  std::optional<int64_t> firstReadableAfter(int64_t after) {
    int64_t low = after, step = 1;
    for (;;) {
      if (after > std::numeric_limits<int64_t>::max() - step) return std::nullopt;
      const int64_t high = after + step;
      if (readableFrom(high)) {
        int64_t lo = low, hi = high;
        while (hi - lo > 1) {
          const int64_t mid = lo + (hi - lo) / 2;
          (readableFrom(mid) ? hi : lo) = mid;
        }
        return hi;
      }
      low = high;
      if (step > std::numeric_limits<int64_t>::max() / 2) return std::nullopt;
      step *= 2;
    }
  }

  void take(Statement& s) {
    const int64_t id = s.integer(0);
    seen_.insert(id);
    Bytes body;
    try {
      body = unpackBody(s.blobView(10), static_cast<size_t>(s.integer(9)));
    } catch (const LibraryError&) {
      return;  // a record whose body is damaged is lost
    }
    const Bytes keys = s.blob(8);
    const int64_t source = s.integer(7);
    const std::string host = s.text(1);
    addSource(source, host);
    writeMessage_.bind(1, id).bind(2, host).bind(3, s.integer(2)).bind(4, s.integer(3)).bind(5, s.integer(4));
    writeMessage_.bind(6, s.integer(5));
    if (s.isNull(6))
      writeMessage_.bindNull(7);
    else
      writeMessage_.bindBlob(7, s.blobView(6));
    writeMessage_.bind(8, source).bindBlob(9, keys).bind(10, s.integer(9)).bindBlob(11, s.blobView(10)).run();
    const MessageKeys k = keysFromLines(keys);
    index_(id, cp932ToUtf8(k.Title), cp932ToUtf8(k.WriterName), cp932ToUtf8(body));
    copies(id, host);
    if (++salvaged_ % kBatch == 0) {
      transaction_->commit();
      transaction_.emplace(to_);
    }
  }

  void copies(int64_t id, const std::string& host) {
    try {
      readCopies_.bind(1, id);
      while (readCopies_.step()) {
        const int64_t source = readCopies_.integer(0);
        addSource(source, host);
        writeCopy_.bind(1, id)
            .bind(2, source)
            .bind(3, readCopies_.integer(1))
            .bind(4, readCopies_.integer(2))
            .run();
      }
      readCopies_.reset();
    } catch (const LibraryError&) {
      readCopies_.reset();
    }
  }

  // A log whose record is lost stays as a stand-in: its host, no name, not complete.
  void addSource(int64_t id, const std::string& host) {
    if (!sources_.insert(id).second) return;
    writeSource_.bind(1, id);
    bool read = false;
    try {
      readSource_.bind(1, id);
      if (readSource_.step()) {
        writeSource_.bind(2, readSource_.text(0))
            .bind(3, readSource_.text(1))
            .bind(4, readSource_.integer(2));
        writeSource_.bind(5, readSource_.integer(3)).bindBlob(6, readSource_.blobView(4));
        writeSource_.bind(7, readSource_.integer(5))
            .bind(8, readSource_.integer(6))
            .bind(9, readSource_.integer(7));
        read = true;
      }
      readSource_.reset();
    } catch (const LibraryError&) {
      readSource_.reset();
    }
    if (!read) {
      writeSource_.bind(2, host).bind(3, std::string_view()).bind(4, int64_t{0}).bind(5, int64_t{0});
      writeSource_.bindBlob(6, ByteView()).bind(7, int64_t{0}).bind(8, int64_t{0}).bind(9, int64_t{0});
    }
    writeSource_.run();
  }

  Database& from_;
  Database& to_;
  Statement readSource_, readCopies_, writeSource_, writeMessage_, writeCopy_;
  MessageIndex index_;
  std::optional<Transaction> transaction_;
  std::set<int64_t> seen_;
  std::set<int64_t> sources_;
  int64_t salvaged_ = 0;
};

void copyPreferences(Library& from, Library& to) {
  std::vector<std::pair<std::string, std::string>> kept;
  try {
    Statement s(from.database(), "SELECT key, value FROM preferences");
    while (s.step()) kept.emplace_back(s.text(0), s.text(1));
  } catch (const LibraryError&) {
    // None kept, or none readable: the window starts afresh.
  }
  for (const auto& [key, value] : kept) setPreference(to, key, value);
}

}  // namespace

RecoverResult recoverLibrary(const fs::path& from, const fs::path& to) {
  Library damaged(from, Library::Use::Inspect);
  prepareTarget(to);
  WorkFolder work(to);
  RecoverResult result;
  {
    Library fresh(work.path());
    result = Salvage(damaged, fresh).run();
    copyPreferences(damaged, fresh);
    copyReaderState(damaged, fresh);
  }
  // Closed, the new library is one file; it takes its name only now, and never another's.
  const int rc = renameNoReplace(Library::fileIn(work.path()), Library::fileIn(to));
  if (rc == EEXIST) throw LibraryError(alreadyThereText(to));
  if (rc != 0) throw FileError("Cannot create", Library::fileIn(to), rc);
  return result;
}

}  // namespace pelarin
