#include "core/library/librarydates.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "core/library/library.h"
#include "core/library/sqlite.h"

namespace pelarin {

void addPostedColumn(Database& db) {
  if (!keepsDates(db)) db.exec("ALTER TABLE messages ADD COLUMN posted INTEGER");
  // Only dated messages: the index costs nothing for a host that writes none.
  db.exec("CREATE INDEX IF NOT EXISTS messages_posted ON messages(posted) WHERE posted IS NOT NULL");
}

bool keepsDates(Database& db) {
  Statement s(db, "SELECT 1 FROM pragma_table_info('messages') WHERE name = 'posted'");
  return s.step();
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
  const auto enough = static_cast<int64_t>(std::sqrt(static_cast<double>(limit) * static_cast<double>(messages) / 3));
  Statement hits(db, "SELECT count(*) FROM (SELECT 1 FROM messages WHERE posted >= ?1 AND posted < ?2 LIMIT ?3)");
  for (size_t at = 0; (at = sql.find(kFrom, at)) != std::string::npos;) {
    const size_t end = sql.find(')', at);
    int64_t first = 0, until = 0;
    if (end == std::string::npos ||
        std::sscanf(sql.c_str() + at + kFrom.size(), "%" SCNd64 " AND m.posted < %" SCNd64, &first, &until) != 2)
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
