#include "core/library/librarydates.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <unordered_map>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/posteddate.h"
#include "core/library/sqlite.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/splitlog.h"
#include "core/text/linereader.h"

namespace pelarin {

void addPostedColumn(Database& db) {
  db.exec("CREATE TABLE IF NOT EXISTS undated_sources(source INTEGER PRIMARY KEY)");
  if (!keepsDates(db)) {
    db.exec("ALTER TABLE messages ADD COLUMN posted INTEGER");
    db.exec("INSERT OR IGNORE INTO undated_sources SELECT id FROM sources");
  }
  // Only dated messages: the index costs nothing for a host that writes none.
  db.exec("CREATE INDEX IF NOT EXISTS messages_posted ON messages(posted) WHERE posted IS NOT NULL");
}

bool keepsDates(Database& db) {
  Statement s(db, "SELECT 1 FROM pragma_table_info('messages') WHERE name = 'posted'");
  return s.step();
}

bool awaitsDates(Database& db, int64_t source) {
  Statement s(db, "SELECT 1 FROM sqlite_schema WHERE name = 'undated_sources'");
  if (!s.step()) return false;
  Statement a(db, "SELECT 1 FROM undated_sources WHERE source = ?1");
  a.bind(1, source);
  return a.step();
}

void datesRead(Database& db, int64_t source) {
  if (!awaitsDates(db, source)) return;
  Statement s(db, "DELETE FROM undated_sources WHERE source = ?1");
  s.bind(1, source).run();
}

namespace {

// Each message of the log by its place in it, as the copies recorded it.
class FillingSink : public MessageSink {
 public:
  FillingSink(Database& db, int64_t source, int64_t captureTime)
      : captureTime_(captureTime),
        fill_(db, "UPDATE messages SET posted = ?2 WHERE id = ?1 AND posted IS NULL") {
    Statement c(db, "SELECT position, message FROM copies WHERE source = ?1");
    c.bind(1, source);
    while (c.step()) byPlace_.emplace(c.integer(0), c.integer(1));
  }
  void afterName(ByteView bytes) override { posted_ = postedFromHeader(bytes, captureTime_); }
  void begin(int32_t, const MessageKeys&, size_t) override {}
  void body(ByteView) override {}
  void drop(int32_t) noexcept override {}
  void end(int32_t, MessageKeys&&) override {
    const auto at = byPlace_.find(++position_);
    if (posted_ && at != byPlace_.end()) fill_.bind(1, at->second).bind(2, *posted_).run();
  }

 private:
  int64_t captureTime_;
  Statement fill_;
  std::unordered_map<int64_t, int64_t> byPlace_;
  std::optional<int64_t> posted_;
  int64_t position_ = 0;
};

}  // namespace

void fillPostedFromLog(Database& db, const std::filesystem::path& log, bool raw, int64_t source) {
  int64_t captured = 0;
  {
    Statement s(db, "SELECT mtime FROM sources WHERE id = ?1");
    s.bind(1, source);
    if (s.step()) captured = s.integer(0);
  }
  FillingSink sink(db, source, captured);
  LineReader in(log, raw ? LineReader::Form::Raw : LineReader::Form::Guess);
  AppState state;
  try {
    SplitLog(in, 1, state, sink);
  } catch (const SplitStoppedError&) {
    // The messages before the stop have their dates; the log was whole when imported.
  }
  datesRead(db, source);
}

std::string walkedDates(Database& db, std::string sql, size_t limit) {
  static constexpr std::string_view kFrom = "m.posted IS NOT NULL AND m.posted >= ";
  if (limit == 0 || sql.find(kFrom) == std::string::npos) return sql;
  int64_t messages = 0;
  {
    Statement n(db, "SELECT max(id) FROM messages");
    if (n.step()) messages = n.integer(0);
  }
  // A row checked on the walk costs about a third of a hit read and sorted:
  // the walk wins once the first `limit` lie within three times the hits' count.
  const auto enough =
      static_cast<int64_t>(std::sqrt(static_cast<double>(limit) * static_cast<double>(messages) / 3));
  Statement hits(db,
                 "SELECT count(*) FROM (SELECT 1 FROM messages WHERE posted >= ?1 AND posted < ?2 LIMIT ?3)");
  for (size_t at = 0; (at = sql.find(kFrom, at)) != std::string::npos;) {
    const size_t end = sql.find(')', at);
    int64_t first = 0, until = 0;
    if (end == std::string::npos || std::sscanf(sql.c_str() + at + kFrom.size(),
                                                "%" SCNd64 " AND m.posted < %" SCNd64, &first, &until) != 2)
      break;
    hits.bind(1, first).bind(2, until).bind(3, enough);
    const bool many = hits.step() && hits.integer(0) >= enough;
    hits.reset();
    if (!many) {
      at = end;
      continue;
    }
    // "+" keeps SQLite off the index for these terms.
    std::string checked;
    for (size_t from = at, p; from < end; from = p + 8) {
      p = std::min(sql.find("m.posted", from), end);
      checked.append(sql, from, p - from);
      if (p < end) checked += "+m.posted";
    }
    sql = sql.substr(0, at) + checked + sql.substr(end);
    at += checked.size();
  }
  return sql;
}

void eachPosted(Library& library, const std::vector<int64_t>& ids,
                const std::function<void(int64_t id, std::optional<int64_t> posted)>& each) {
  Database& db = library.database();
  if (!keepsDates(db)) {
    for (int64_t id : ids) each(id, std::nullopt);
    return;
  }
  ReadTransaction snapshot(db);
  Statement s(db, "SELECT posted FROM messages WHERE id = ?1");
  for (int64_t id : ids) {
    s.bind(1, id);
    std::optional<int64_t> posted;
    if (s.step() && !s.isNull(0)) posted = s.integer(0);
    each(id, posted);
    s.reset();
  }
}

}  // namespace pelarin
