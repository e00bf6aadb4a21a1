// Search by relevance: the index ranks its hits, the checks still confirm.
#include <string>

#include "core/library/bodypacking.h"
#include "core/library/library.h"
#include "core/library/searchplan.h"
#include "core/library/sqlite.h"

namespace pelarin {

std::vector<int64_t> Library::searchByRelevance(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                                size_t limit) {
  const SearchPlan plan = planOf(terms);
  if (plan.match.empty()) return search(terms, filter, limit);
  const bool checking = !plan.checks.empty();
  std::string sql = checking ? "SELECT m.id, m.keys, m.body, m.body_size" : "SELECT m.id";
  sql += " FROM fts JOIN messages m ON m.id = fts.rowid WHERE fts MATCH ?1" + filterSql(filter, plan) +
         " ORDER BY bm25(fts, 4.0, 1.0, 1.0), m.host, m.board_key, m.number, m.id";
  if (!checking && limit > 0) sql += " LIMIT " + std::to_string(limit);
  Statement s(*db_, sql.c_str());
  s.bind(1, plan.match);
  bindFilter(s, filter, plan);
  std::vector<int64_t> ids;
  while (s.step()) {
    if (checking &&
        !confirmed(plan.checks, s.blobView(1), unpackBody(s.blobView(2), static_cast<size_t>(s.integer(3)))))
      continue;
    ids.push_back(s.integer(0));
    if (limit > 0 && ids.size() >= limit) break;
  }
  return ids;
}

}  // namespace pelarin
