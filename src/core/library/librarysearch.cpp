// Search: the index finds the candidates, the folded text confirms those the
// index alone cannot decide.
#include <set>
#include <string>

#include "core/library/bodypacking.h"
#include "core/library/folding.h"
#include "core/library/library.h"
#include "core/library/searchplan.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"

namespace pelarin {

namespace {

constexpr size_t kMostWalk = 100000;

}  // namespace

// Whether the first `limit` matches lie close enough together in the
// library's order to find them by walking it: judged from how far apart the
// first thousand hits' ids are (ids are spread over the whole order).
bool Library::denseEnough(const std::string& match, size_t limit) {
  constexpr int kSample = 1000;
  constexpr double kMostSteps = 20000;
  Statement sample(*db_, "SELECT rowid FROM fts WHERE fts MATCH ?1 LIMIT 1000");
  sample.bind(1, match);
  int64_t first = 0, last = 0;
  int n = 0;
  while (sample.step()) {
    if (n++ == 0) first = sample.integer(0);
    last = sample.integer(0);
  }
  if (n < kSample) return false;
  const double density = static_cast<double>(n) / static_cast<double>(last - first + 1);
  return static_cast<double>(limit) / density < kMostSteps;
}

std::vector<int64_t> Library::candidates(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                         size_t limit, bool counting, size_t* counted) {
  const SearchPlan plan = planOf(terms);
  const bool checking = !plan.checks.empty();
  std::vector<int64_t> ids;
  size_t n = 0;
  if (counting && !checking) {
    const bool filtered = filter.host || filter.boardKey || filter.writerId;
    std::string sql;
    if (plan.match.empty()) sql = "SELECT count(*) FROM messages m WHERE 1" + filterSql(filter, plan);
    else if (!filtered && plan.where.empty()) sql = "SELECT count(*) FROM fts WHERE fts MATCH ?1";
    else
      sql = "SELECT count(*) FROM messages m WHERE m.id IN (SELECT rowid FROM fts WHERE fts MATCH ?1)" +
            filterSql(filter, plan);
    Statement s(*db_, sql.c_str());
    if (!plan.match.empty()) s.bind(1, plan.match);
    bindFilter(s, filter, plan);
    s.step();
    *counted = static_cast<size_t>(s.integer(0));
    return ids;
  }
  if (!counting && limit > 0 && !plan.match.empty() && denseEnough(plan.match, limit)) {
    // Frequent terms: the library's order, each message asked of the index,
    // finds the first matches long before all of them are gathered.
    std::string sql = "SELECT m.id FROM messages m WHERE 1" + filterSql(filter, plan) +
                      " ORDER BY m.host, m.board_key, m.number, m.id";
    Statement walk(*db_, sql.c_str());
    bindFilter(walk, filter, plan);
    Statement hit(*db_, "SELECT 1 FROM fts WHERE fts MATCH ?1 AND rowid = ?2");
    hit.bind(1, plan.match);
    Statement text(*db_, "SELECT keys, body, body_size FROM messages WHERE id = ?1");
    // Hits bunched in one part of the ids fool the estimate: past a bound the
    // walk gives way to gathering every hit.
    size_t steps = 0;
    bool gaveUp = false;
    while (ids.size() < limit && walk.step()) {
      if (++steps > kMostWalk) {
        gaveUp = true;
        break;
      }
      const int64_t id = walk.integer(0);
      hit.bind(2, id);
      const bool found = hit.step();
      hit.reset();
      if (!found) continue;
      if (checking) {
        text.bind(1, id);
        text.step();
        const bool ok = confirmed(plan.checks, text.blobView(0), unpackBody(text.blobView(1), static_cast<size_t>(text.integer(2))));
        text.reset();
        if (!ok) continue;
      }
      ids.push_back(id);
    }
    if (!gaveUp) return ids;
    ids.clear();
  }
  std::string sql = checking ? "SELECT m.id, m.keys, m.body, m.body_size FROM messages m WHERE 1"
                             : "SELECT m.id FROM messages m WHERE 1";
  if (!plan.match.empty()) sql += " AND m.id IN (SELECT rowid FROM fts WHERE fts MATCH ?1)";
  sql += filterSql(filter, plan);
  sql += " ORDER BY m.host, m.board_key, m.number, m.id";
  if (!checking && limit > 0) sql += " LIMIT " + std::to_string(limit);
  Statement s(*db_, sql.c_str());
  if (!plan.match.empty()) s.bind(1, plan.match);
  bindFilter(s, filter, plan);
  while (s.step()) {
    if (checking && !confirmed(plan.checks, s.blobView(1), unpackBody(s.blobView(2), static_cast<size_t>(s.integer(3))))) continue;
    ++n;
    if (!counting) ids.push_back(s.integer(0));
    if (limit > 0 && n >= limit) break;
  }
  if (counted) *counted = n;
  return ids;
}

std::vector<int64_t> Library::search(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                     size_t limit) {
  return candidates(terms, filter, limit, false, nullptr);
}

size_t Library::count(const std::vector<std::string>& terms, const LibraryFilter& filter) {
  size_t n = 0;
  candidates(terms, filter, 0, true, &n);
  return n;
}

}  // namespace pelarin
