// Import: a log's messages as the splitter finds them, in one transaction.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>
#include <optional>

#include "core/app/appstate.h"
#include "core/library/bodypacking.h"
#include "core/library/folderimport.h"
#include "core/library/library.h"
#include "core/library/librarydates.h"
#include "core/library/librarystate.h"
#include "core/library/messageindex.h"
#include "core/library/posteddate.h"
#include "core/library/sha256.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/lists/association.h"
#include "core/logimport/splitlog.h"
#include "core/text/cp932.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"

namespace pelarin {

namespace {

// Bodies above this are indexed from their packed form with the body itself
// let go, so a huge message is held about twice, never four times.
constexpr size_t kLargeBody = size_t{4} << 20;

// While a log goes in: the library's page cache, bounded so a large log's
// writes do not grow it to the size a search uses.
constexpr int64_t kImportCacheKiB = 32768;

// The library's source states: unfinished (read again next time), or whole,
// read by its guessed form or as it is (--raw).
enum SourceState : int64_t { kUnfinished = 0, kWholeGuessed = 1, kWholeRaw = 2 };

Bytes keyLines(const MessageKeys& k) {
  Bytes out;
  out.reserve(k.Title.size() + k.WriterName.size() + 40);
  for (const Bytes* f : {&k.BoardKey, &k.MesNumber, &k.Title, &k.ResNumber, &k.WriterId, &k.WriterName}) {
    out += *f;
    out += "\r\n";
  }
  return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

ByteView withoutTrailingBlanks(ByteView s) {
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A body as two captures of one message are compared: blanks at a line's end
// and empty lines at the body's end are how a capture was padded or cut, not
// what was written. Each line end reads as one '\n'.
class ComparedBody {
 public:
  explicit ComparedBody(ByteView body) : s_(body) {}

  // The next byte; -1 at the end.
  int next() {
    for (;;) {
      if (newlines_ > 0) {
        --newlines_;
        return '\n';
      }
      if (pos_ >= s_.size()) return -1;
      if (pos_ < keptBlanks_) return static_cast<unsigned char>(s_[pos_++]);
      const char c = s_[pos_];
      if (isBlank(c)) {
        size_t end = pos_;
        while (end < s_.size() && isBlank(s_[end])) ++end;
        if (end < s_.size() && s_[end] != '\r')
          keptBlanks_ = end;  // text follows on the line
        else
          pos_ = end;
        continue;
      }
      if (c == '\r') {
        // Line ends and the blank lines after them count only when text follows.
        size_t at = pos_, lineStart = pos_, ends = 0;
        while (at < s_.size()) {
          if (s_[at] == '\r') {
            ++ends;
            if (++at < s_.size() && s_[at] == '\n') ++at;
            lineStart = at;
          } else if (isBlank(s_[at])) {
            ++at;
          } else {
            break;
          }
        }
        if (at >= s_.size()) {
          pos_ = s_.size();
          return -1;
        }
        newlines_ = ends;
        pos_ = lineStart;
        continue;
      }
      ++pos_;
      return static_cast<unsigned char>(c);
    }
  }

 private:
  ByteView s_;
  size_t pos_ = 0;
  size_t keptBlanks_ = 0;  // blanks up to here are followed by text on their line
  size_t newlines_ = 0;
};

enum class Capture { Other, NoMore, More };

// Whether `now` is a capture of the message `held` is (one body the other's
// beginning: a capture cut short or padded), and whether it has more of it.
Capture compareCaptures(ByteView now, ByteView held) {
  ComparedBody x(now), y(held);
  for (;;) {
    const int p = x.next(), q = y.next();
    if (p < 0) return Capture::NoMore;  // no more than the held one: a tie keeps the earlier
    if (q < 0) return Capture::More;
    if (p != q) return Capture::Other;
  }
}

// Binds a large value without SQLite's copy of it; unbind() before it goes.
void bindUnowned(Database& db, Statement& s, int i, ByteView value, bool text) {
  static const char empty = 0;
  const char* data = value.empty() ? &empty : value.data();
  const int rc = text ? sqlite3_bind_text(s.handle(), i, data, static_cast<int>(value.size()), SQLITE_STATIC)
                      : sqlite3_bind_blob(s.handle(), i, data, static_cast<int>(value.size()), SQLITE_STATIC);
  if (rc != SQLITE_OK) db.fail("");
}

void unbind(Statement& s, int i) { sqlite3_bind_null(s.handle(), i); }

class LibrarySink : public MessageSink {
 public:
  LibrarySink(Database& db, std::string host, int64_t source, std::string logName, size_t limit,
              int64_t captureTime)
      : dated_(keepsDates(db)),
        captureTime_(captureTime),
        host_(std::move(host)),
        logName_(std::move(logName)),
        limit_(limit),
        source_(source),
        findNumbered_(db,
                      "SELECT id, body_size, keys, body FROM messages WHERE host = ?1 AND board_key = ?2 "
                      "AND number = ?3 ORDER BY id"),
        findMail_(
            db,
            "SELECT id FROM messages WHERE host = ?1 AND board_key = ?2 AND number = 0 AND mail_digest = ?3 "
            "LIMIT 1"),
        findByDigest_(db,
                      "SELECT id FROM messages WHERE host = ?1 AND board_key = ?2 AND number = ?4 "
                      "AND mail_digest = ?3 LIMIT 1"),
        insert_(db, dated_ ? "INSERT INTO messages(host, board_key, number, reply, writer_id, mail_digest, source, "
                             "keys, body_size, body, posted) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"
                           : "INSERT INTO messages(host, board_key, number, reply, writer_id, mail_digest, source, "
                             "keys, body_size, body) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"),
        // A message held without a date (imported before dates were kept) takes this capture's.
        fillPosted_(db, dated_ ? "UPDATE messages SET posted = ?2 WHERE id = ?1 AND posted IS NULL" : "SELECT ?1, ?2"),
        replace_(db,
                 "UPDATE messages SET keys = ?2, body = ?3, source = ?4, reply = ?5, writer_id = ?6, "
                 "body_size = ?7 "
                 "WHERE id = ?1"),
        index_(db, MessageIndex::Action::Add),
        unindex_(db, MessageIndex::Action::Remove),
        copy_(db, "INSERT OR IGNORE INTO copies(message, source, position, line) VALUES (?1, ?2, ?3, ?4)"),
        db_(db) {
    // A message new to the library may be one read, marked or muted before
    // under its identity (another capture of it).
    Statement any(db,
                  "SELECT EXISTS (SELECT 1 FROM read_messages) OR EXISTS (SELECT 1 FROM marked_messages) OR "
                  "EXISTS (SELECT 1 FROM muted_writers)");
    if (any.step() && any.integer(0) != 0) flags_.emplace(db);
  }

  void afterName(ByteView bytes) override { posted_ = postedFromHeader(bytes, captureTime_); }

  void begin(int32_t, const MessageKeys&, size_t headerLine) override {
    body_.clear();
    tooLarge_ = false;
    line_ = headerLine;
  }
  void body(ByteView piece) override {
    if (tooLarge_) return;
    if (body_.size() + piece.size() > limit_) {
      // Refused as soon as it is too large: the rest of it is never held.
      tooLarge_ = true;
      Bytes().swap(body_);
      return;
    }
    body_ += piece;
  }
  void drop(int32_t) noexcept override { letBodyGo(); }

  void end(int32_t, MessageKeys&& keys) override {
    ++position_;
    if (tooLarge_) {
      refused_.push_back(tooLargeText(logName_, line_, limit_));
      return;
    }
    const int32_t boardKey = numberOr0(keys.BoardKey);
    const int32_t number = numberOr0(keys.MesNumber);
    // A number that reads as none or below one (line noise) has only the text to know it by.
    Bytes digest;
    int64_t id =
        number > 0 ? numberedCopy(keys, boardKey, number) : copyByDigest(keys, boardKey, number, digest);
    if (id != 0) {
      ++duplicates_;
      if (dated_ && posted_) fillPosted_.bind(1, id).bind(2, *posted_).run();
    } else {
      id = insert(keys, boardKey, number, digest);
      ++added_;
    }
    copy_.bind(1, id).bind(2, source_).bind(3, position_).bind(4, static_cast<int64_t>(line_)).run();
    letBodyGo();
  }

  int64_t added() const { return added_; }
  int64_t duplicates() const { return duplicates_; }
  int64_t messages() const { return position_; }
  const std::vector<std::string>& refused() const { return refused_; }

 private:
  // The message held under the same number that this is a capture of, made
  // the longer of the two; 0 when this is a message of its own.
  int64_t numberedCopy(const MessageKeys& keys, int32_t boardKey, int32_t number) {
    Statement& find = findNumbered_;
    find.bind(1, host_).bind(2, boardKey).bind(3, number);
    while (find.step()) {
      const MessageKeys old = keysFromLines(find.blobView(2));
      if (old.WriterId != keys.WriterId ||
          withoutTrailingBlanks(old.Title) != withoutTrailingBlanks(keys.Title))
        continue;
      const auto oldSize = static_cast<size_t>(find.integer(1));
      const Capture capture = compareCaptures(body_, unpackBody(find.blobView(3), oldSize));
      if (capture == Capture::Other) continue;
      const int64_t id = find.integer(0);
      // The copy with more of the text wins; the earlier on a tie.
      if (capture == Capture::More) {
        const Bytes oldPacked = find.blob(3);
        find.reset();
        replace(id, keys, old, oldPacked, oldSize);
      }
      find.reset();
      return id;
    }
    find.reset();
    return 0;
  }

  int64_t copyByDigest(const MessageKeys& keys, int32_t boardKey, int32_t number, Bytes& digest) {
    Sha256 d;
    d.add(keys.WriterId);
    d.add(ByteView("\0", 1));
    d.add(keys.Title);
    d.add(ByteView("\0", 1));
    d.add(body_);
    digest = d.finish();
    // Mail (number 0) has an index of its own.
    Statement& find = number == 0 ? findMail_ : findByDigest_;
    find.bind(1, host_).bind(2, boardKey).bindBlob(3, digest);
    if (number != 0) find.bind(4, number);
    const int64_t id = find.step() ? find.integer(0) : 0;
    find.reset();
    return id;
  }

  int64_t insert(const MessageKeys& keys, int32_t boardKey, int32_t number, const Bytes& digest) {
    const auto size = static_cast<int64_t>(body_.size());
    const Bytes packed = packBody(body_);
    insert_.bind(1, host_).bind(2, boardKey).bind(3, number).bind(4, numberOr0(keys.ResNumber));
    insert_.bind(5, numberOr0(keys.WriterId));
    if (number > 0)
      insert_.bindNull(6);
    else
      insert_.bindBlob(6, digest);
    insert_.bind(7, source_).bindBlob(8, keyLines(keys)).bind(9, size);
    if (dated_) {
      if (posted_)
        insert_.bind(11, *posted_);
      else
        insert_.bindNull(11);
    }
    bindUnowned(db_, insert_, 10, packed, false);
    insert_.run();
    unbind(insert_, 10);
    const int64_t id = db_.lastInsertId();
    index(index_, id, keys, packed, static_cast<size_t>(size), true);
    if (flags_) flags_->note(id);
    return id;
  }

  void replace(int64_t id, const MessageKeys& keys, const MessageKeys& old, const Bytes& oldPacked,
               size_t oldSize) {
    const auto size = static_cast<int64_t>(body_.size());
    const Bytes packed = packBody(body_);
    if (body_.size() > kLargeBody) letBodyGo();
    // The held copy's text leaves the index before the longer one's goes in.
    index(unindex_, id, old, oldPacked, oldSize, false);
    replace_.bind(1, id).bindBlob(2, keyLines(keys)).bind(4, source_);
    replace_.bind(5, numberOr0(keys.ResNumber)).bind(6, numberOr0(keys.WriterId)).bind(7, size);
    bindUnowned(db_, replace_, 3, packed, false);
    replace_.run();
    unbind(replace_, 3);
    index(index_, id, keys, packed, static_cast<size_t>(size), true);
  }

  // Adds a message's text to the index, or takes it out (unindex_): the body
  // held (ours) or the packed one. A small body's text is made whole; a large
  // one's reaches the tokenizer line by line from its packed form, with the
  // body held let go first.
  void index(MessageIndex& to, int64_t id, const MessageKeys& keys, ByteView packed, size_t size, bool ours) {
    const std::string title = cp932ToUtf8(keys.Title), writer = cp932ToUtf8(keys.WriterName);
    if (size <= kLargeBody) {
      to(id, title, writer, ours ? cp932ToUtf8(body_) : cp932ToUtf8(unpackBody(packed, size)));
      return;
    }
    if (ours) letBodyGo();
    to(id, title, writer, [&](const auto& piece) {
      unpackBodyInLines(packed, size, [&](ByteView lines) { piece(cp932ToUtf8(lines)); });
    });
  }

  void letBodyGo() noexcept {
    // A large body's room goes back; a small one's is used again.
    if (body_.capacity() > kLargeBody)
      Bytes().swap(body_);
    else
      body_.clear();
  }

  static std::string tooLargeText(const std::string& log, size_t line, size_t limit) {
    const std::string most =
        limit % (1 << 20) == 0 ? std::to_string(limit >> 20) + "MB" : std::to_string(limit) + " バイト";
    return "本文が " + most + " を超えるメッセージは取り込めません。\n" + log + " の " +
           std::to_string(line) + " 行目のメッセージを飛ばしました。";
  }

  const bool dated_;  // the library keeps posting times
  const int64_t captureTime_;
  std::optional<int64_t> posted_;  // the message's, from its header
  std::string host_;
  std::string logName_;
  size_t limit_;
  int64_t source_;
  Statement findNumbered_, findMail_, findByDigest_, insert_, fillPosted_, replace_;
  MessageIndex index_, unindex_;
  std::optional<FlagNotes> flags_;
  Statement copy_;
  Database& db_;
  Bytes body_;
  bool tooLarge_ = false;
  size_t line_ = 0;
  int64_t position_ = 0;
  int64_t added_ = 0;
  int64_t duplicates_ = 0;
  std::vector<std::string> refused_;
};

bool sameFileState(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

struct FileStatus {
  struct stat st {};
  explicit FileStatus(const LineReader& log) {
    if (::fstat(log.descriptor(), &st) != 0) throw FileError("Cannot read", log.path(), errno);
  }
};

// The digest of the whole file, and of its first bytes up to each of `lengths`.
struct FileDigests {
  Bytes whole;
  uint64_t bytes = 0;
  std::map<uint64_t, Bytes> heads;
};

FileDigests digestsOf(const LineReader& log, const std::vector<uint64_t>& lengths) {
  FileDigests out;
  Sha256 d;
  std::vector<char> buffer(1 << 20);
  auto next = lengths.begin();
  const auto headsUpTo = [&](uint64_t end) {
    for (; next != lengths.end() && *next <= end; ++next)
      if (*next == out.bytes) out.heads[*next] = Sha256(d).finish();
  };
  headsUpTo(0);
  for (;;) {
    const ssize_t n = ::pread(log.descriptor(), buffer.data(), buffer.size(), static_cast<off_t>(out.bytes));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError("Cannot read", log.path(), errno);
    }
    if (n == 0) break;
    ByteView piece(buffer.data(), static_cast<size_t>(n));
    // Cut at each length asked for, so its digest is of exactly that many bytes.
    while (!piece.empty()) {
      const uint64_t stop =
          next != lengths.end() ? std::min<uint64_t>(*next - out.bytes, piece.size()) : piece.size();
      d.add(piece.substr(0, stop));
      out.bytes += stop;
      piece.remove_prefix(stop);
      headsUpTo(out.bytes);
    }
  }
  out.whole = d.finish();
  return out;
}

// The page cache while a log goes in; the connection's own size after.
class ImportCache {
 public:
  explicit ImportCache(Database& db) : db_(db) {
    Statement s(db, "PRAGMA cache_size");
    if (s.step()) before_ = s.integer(0);
    set(-kImportCacheKiB);
  }
  ~ImportCache() {
    try {
      set(before_);
    } catch (...) {
    }
  }

 private:
  void set(int64_t size) { db_.exec(("PRAGMA cache_size=" + std::to_string(size)).c_str()); }
  Database& db_;
  int64_t before_ = -2000;
};

// Takes the reader's tap off again however the import ends.
struct TapOff {
  LineReader& log;
  ~TapOff() { log.tap(nullptr); }
};

}  // namespace

std::string hostForLog(const BbsTableType& table, const std::filesystem::path& log) {
  return cp932ToUtf8(logListName(table, log));
}

std::string ownFileText(const std::string& name) {
  return name + " はPelarin自身のファイルのため、ログとして取り込みません。";
}

ImportResult Library::importLog(LineReader& log, const std::string& host, AppState& state, Progress* progress,
                               const std::function<void()>& inTransaction) {
  Database& db = *db_;
  const std::string name = log.path().filename().string();
  if (programsOwnFile(name)) throw Error(ownFileText(name));
  const FileStatus before(log);

  ImportResult result;
  Transaction t(db);
  ImportCache cache(db);
  // Logs of this host left unfinished: one this log begins with is this log, tried again.
  struct Unfinished {
    int64_t id;
    uint64_t size;
    Bytes digest;
  };
  std::vector<Unfinished> unfinished;
  std::vector<uint64_t> lengths;
  {
    Statement s(
        db,
        "SELECT id, size, sha256 FROM sources WHERE host = ?1 AND complete = 0 AND size > 0 AND size <= ?2 "
        "ORDER BY name = ?3 DESC, size DESC, id");
    s.bind(1, host).bind(2, static_cast<int64_t>(before.st.st_size)).bind(3, name);
    while (s.step()) {
      unfinished.push_back({s.integer(0), static_cast<uint64_t>(s.integer(1)), s.blob(2)});
      lengths.push_back(unfinished.back().size);
    }
  }
  std::sort(lengths.begin(), lengths.end());
  const FileDigests first = digestsOf(log, lengths);
  const bool steady =
      sameFileState(before.st, FileStatus(log).st) && first.bytes == static_cast<uint64_t>(before.st.st_size);
  if (steady) {
    Statement seen(db,
                   "SELECT messages, complete, id FROM sources WHERE host = ?1 AND sha256 = ?2 AND complete <> 0 "
                   "ORDER BY id LIMIT 1");
    seen.bind(1, host).bindBlob(2, first.whole);
    if (seen.step()) {
      result.seenBefore = true;
      result.duplicates = seen.integer(0);
      result.readRaw = seen.integer(1) == kWholeRaw;
      const int64_t source = seen.integer(2);
      seen.reset();
      // Imported before the library kept dates: read again for them alone.
      const bool undated = awaitsDates(db, source);
      if (undated) fillPostedFromLog(db, log.path(), result.readRaw, source);
      if (inTransaction || undated) {
        if (inTransaction) inTransaction();
        t.commit();
      }
      return result;
    }
  }

  int64_t sourceId = 0;
  for (const Unfinished& u : unfinished) {
    const auto head = first.heads.find(u.size);
    if (head == first.heads.end() || head->second != u.digest) continue;
    if (sourceId == 0) {
      sourceId = u.id;
      continue;
    }
    // Tried before under records of its own: one record from now on.
    for (const char* sql : {"UPDATE messages SET source = ?1 WHERE source = ?2",
                            "UPDATE OR IGNORE copies SET source = ?1 WHERE source = ?2",
                            "DELETE FROM copies WHERE source = ?2", "DELETE FROM sources WHERE id = ?2"}) {
      Statement merge(db, sql);
      merge.bind(1, sourceId).bind(2, u.id).run();
    }
  }
  if (sourceId == 0) {
    Statement source(db,
                     "INSERT INTO sources(host, name, size, mtime, sha256, messages, imported, complete) "
                     "VALUES (?1, ?2, 0, 0, ?3, 0, 0, 0)");
    source.bind(1, host).bind(2, name).bindBlob(3, first.whole).run();
    sourceId = db.lastInsertId();
  }

  // The record is of the bytes this reading took, not of the file at another moment.
  Sha256 read;
  uint64_t readBytes = 0;
  log.tap([&](ByteView bytes) {
    read.add(bytes);
    readBytes += bytes.size();
  });
  TapOff tapOff{log};
  LibrarySink sink(db, host, sourceId, name, messageLimit_, static_cast<int64_t>(before.st.st_mtim.tv_sec));
  ClearBoardMap(state);
  bool stopped = false;
  try {
    SplitLog(log, 1, state, sink, progress);
  } catch (const SplitStoppedError& e) {
    // As a load keeps them: the messages completed before the stop are whole.
    if (e.cancelled()) throw;
    result.stopped = e.what();
    stopped = true;
  }
  bool whole = true;
  try {
    log.readToEnd();  // past a stop or a Ctrl-Z, so the digest is of the whole file as it was read
  } catch (const FileError&) {
    whole = false;
  }
  const FileStatus after(log);
  // Changed while it was read (still being written, a copy in progress): read again next time.
  whole = whole && sameFileState(before.st, after.st) && readBytes == static_cast<uint64_t>(after.st.st_size);
  result.unfinished = !whole;
  for (const std::string& text : sink.refused())
    result.stopped += (result.stopped.empty() ? "" : "\n") + text;

  // A log the split stopped in is not done with: adding it again reads it again.
  const int64_t recorded = stopped || !whole                     ? kUnfinished
                           : log.mode() == LineReader::Form::Raw ? kWholeRaw
                                                                 : kWholeGuessed;
  Statement record(
      db,
      "UPDATE sources SET name = ?2, size = ?3, mtime = ?4, sha256 = ?5, messages = ?6, imported = ?7, "
      "complete = ?8 WHERE id = ?1");
  record.bind(1, sourceId).bind(2, name).bind(3, static_cast<int64_t>(readBytes));
  record.bind(4, static_cast<int64_t>(after.st.st_mtim.tv_sec)).bindBlob(5, read.finish());
  record.bind(6, sink.messages()).bind(7, static_cast<int64_t>(std::time(nullptr))).bind(8, recorded).run();
  if (!stopped && whole) datesRead(db, sourceId);
  if (inTransaction) inTransaction();
  t.commit();
  result.added = sink.added();
  result.duplicates = sink.duplicates();
  result.readRaw = log.mode() == LineReader::Form::Raw;
  return result;
}

}  // namespace pelarin
