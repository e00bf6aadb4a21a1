// Import: a log's messages as the splitter finds them, in one transaction.
#include <sys/stat.h>

#include <cerrno>
#include <ctime>

#include "core/app/appstate.h"
#include "core/library/bodypacking.h"
#include "core/library/library.h"
#include "core/library/sha256.h"
#include "core/library/sqlite.h"
#include "core/lists/association.h"
#include "core/logimport/splitlog.h"
#include "core/text/paths.h"
#include "core/text/cp932.h"
#include "core/text/integers.h"
#include "core/text/linereader.h"

namespace pelarin {

namespace {

Bytes keyLines(const MessageKeys& k) {
  Bytes out;
  out.reserve(k.Title.size() + k.WriterName.size() + 40);
  for (const Bytes* f : {&k.BoardKey, &k.MesNumber, &k.Title, &k.ResNumber, &k.WriterId, &k.WriterName}) {
    out += *f;
    out += "\r\n";
  }
  return out;
}

int32_t integerOr0(ByteView text) {
  const auto n = parseNumber(text);
  return n ? *n : 0;
}

class LibrarySink : public MessageSink {
 public:
  LibrarySink(Database& db, std::string host, int64_t source)
      : host_(std::move(host)),
        source_(source),
        findNumbered_(db,
                      "SELECT id, body_size, keys, body FROM messages WHERE host = ?1 AND board_key = ?2 "
                      "AND number = ?3 ORDER BY id LIMIT 1"),
        findMail_(db,
                  "SELECT id, body_size, keys, body FROM messages WHERE host = ?1 AND board_key = ?2 "
                  "AND number = 0 AND mail_digest = ?3 LIMIT 1"),
        insert_(db,
                "INSERT INTO messages(host, board_key, number, reply, writer_id, mail_digest, source, keys, body_size, body) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"),
        replace_(db, "UPDATE messages SET keys = ?2, body = ?3, source = ?4, reply = ?5, writer_id = ?6, body_size = ?7 "
                 "WHERE id = ?1"),
        index_(db, "INSERT INTO fts(rowid, title, writer, body) VALUES (?1, ?2, ?3, ?4)"),
        unindex_(db, "INSERT INTO fts(fts, rowid, title, writer, body) VALUES ('delete', ?1, ?2, ?3, ?4)"),
        copy_(db, "INSERT OR IGNORE INTO copies(message, source, position, line) VALUES (?1, ?2, ?3, ?4)"),
        db_(db) {}

  void begin(int32_t, const MessageKeys&, size_t headerLine) override {
    body_.clear();
    line_ = headerLine;
  }
  void body(ByteView piece) override { body_ += piece; }
  void drop(int32_t) noexcept override { body_.clear(); }

  void end(int32_t, MessageKeys&& keys) override {
    ++position_;
    const int32_t boardKey = integerOr0(keys.BoardKey);
    const int32_t number = integerOr0(keys.MesNumber);
    const int32_t reply = integerOr0(keys.ResNumber);
    const int32_t writerId = integerOr0(keys.WriterId);
    Bytes digest;
    Statement& find = number > 0 ? findNumbered_ : findMail_;
    find.bind(1, host_).bind(2, boardKey);
    if (number > 0) {
      find.bind(3, number);
    } else {
      digest = sha256(keys.WriterId + '\0' + keys.Title + '\0' + body_);
      find.bindBlob(3, digest);
    }
    int64_t id = 0;
    if (find.step()) {
      id = find.integer(0);
      ++duplicates_;
      // The copy with more of its body wins; the earlier on a tie.
      if (static_cast<int64_t>(body_.size()) > find.integer(1)) {
        const MessageKeys old = parsedKeys(find.blobView(2));
        unindex_.bind(1, id)
            .bind(2, cp932ToUtf8(old.Title))
            .bind(3, cp932ToUtf8(old.WriterName))
            .bind(4, cp932ToUtf8(unpackBody(find.blobView(3), static_cast<size_t>(find.integer(1)))));
        find.reset();
        unindex_.run();
        replace_.bind(1, id).bindBlob(2, keyLines(keys)).bindBlob(3, packBody(body_)).bind(4, source_);
        replace_.bind(5, reply).bind(6, writerId).bind(7, static_cast<int64_t>(body_.size())).run();
        indexText(id, keys);
      }
      find.reset();
    } else {
      find.reset();
      insert_.bind(1, host_).bind(2, boardKey).bind(3, number).bind(4, reply).bind(5, writerId);
      if (number > 0) insert_.bindNull(6);
      else insert_.bindBlob(6, digest);
      insert_.bind(7, source_).bindBlob(8, keyLines(keys)).bind(9, static_cast<int64_t>(body_.size()));
      insert_.bindBlob(10, packBody(body_)).run();
      id = db_.lastInsertId();
      ++added_;
      indexText(id, keys);
    }
    copy_.bind(1, id).bind(2, source_).bind(3, position_).bind(4, static_cast<int64_t>(line_)).run();
    body_.clear();
  }

  int64_t added() const { return added_; }
  int64_t duplicates() const { return duplicates_; }
  int64_t messages() const { return position_; }

 private:
  static MessageKeys parsedKeys(ByteView blob) {
    MessageKeys k;
    Bytes* fields[] = {&k.BoardKey, &k.MesNumber, &k.Title, &k.ResNumber, &k.WriterId, &k.WriterName};
    size_t pos = 0;
    for (Bytes* f : fields) {
      const size_t end = blob.find("\r\n", pos);
      if (end == ByteView::npos) break;
      *f = Bytes(blob.substr(pos, end - pos));
      pos = end + 2;
    }
    return k;
  }

  void indexText(int64_t id, const MessageKeys& keys) {
    index_.bind(1, id).bind(2, cp932ToUtf8(keys.Title)).bind(3, cp932ToUtf8(keys.WriterName));
    index_.bind(4, cp932ToUtf8(body_)).run();
  }

  std::string host_;
  int64_t source_;
  Statement findNumbered_, findMail_, insert_, replace_, index_, unindex_, copy_;
  Database& db_;
  Bytes body_;
  size_t line_ = 0;
  int64_t position_ = 0;
  int64_t added_ = 0;
  int64_t duplicates_ = 0;
};

}  // namespace

std::string hostForLog(const BbsTableType& table, const std::filesystem::path& log) {
  return cp932ToUtf8(logListName(table, log));
}

ImportResult Library::importLog(LineReader& log, const std::string& host, AppState& state, Progress* progress,
                               const std::function<void()>& inTransaction) {
  Database& db = *db_;
  struct stat st {};
  if (::stat(log.path().c_str(), &st) != 0) throw FileError("Cannot open", log.path(), errno);
  const Bytes digest = sha256OfFile(log.path());

  ImportResult result;
  Transaction t(db);
  {
    Statement seen(db, "SELECT messages FROM sources WHERE host = ?1 AND sha256 = ?2 AND complete = 1");
    seen.bind(1, host).bindBlob(2, digest);
    if (seen.step()) {
      result.seenBefore = true;
      result.duplicates = seen.integer(0);
      if (inTransaction) {
        seen.reset();
        inTransaction();
        t.commit();
      }
      return result;
    }
  }
  Statement source(db,
                   "INSERT INTO sources(host, name, size, mtime, sha256, messages, imported, complete) "
                   "VALUES (?1, ?2, ?3, ?4, ?5, 0, ?6, 0)");
  source.bind(1, host)
      .bind(2, log.path().filename().string())
      .bind(3, static_cast<int64_t>(st.st_size))
      .bind(4, static_cast<int64_t>(st.st_mtime))
      .bindBlob(5, digest)
      .bind(6, static_cast<int64_t>(std::time(nullptr)))
      .run();
  const int64_t sourceId = db.lastInsertId();

  LibrarySink sink(db, host, sourceId);
  ClearBoardMap(state);
  try {
    SplitLog(log, 1, state, sink, progress);
  } catch (const SplitStoppedError& e) {
    // As a load keeps them: the messages completed before the stop are whole.
    if (e.cancelled()) throw;
    result.stopped = e.what();
  }
  // A log the split stopped in is not done with: adding it again reads it again.
  Statement count(db, "UPDATE sources SET messages = ?2, complete = ?3 WHERE id = ?1");
  count.bind(1, sourceId).bind(2, sink.messages()).bind(3, result.stopped.empty() ? 1 : 0).run();
  if (inTransaction) inTransaction();
  t.commit();
  result.added = sink.added();
  result.duplicates = sink.duplicates();
  return result;
}

}  // namespace pelarin
