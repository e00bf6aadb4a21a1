// Search: the index finds the candidates, the folded text confirms those the
// index alone cannot decide.
#include <set>
#include <string>

#include "core/library/bodypacking.h"
#include "core/library/folding.h"
#include "core/library/library.h"
#include "core/library/searchquery.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/text/cp932.h"

namespace pelarin {

namespace {

constexpr size_t kMostWalk = 100000;

// A text to find, folded, in the fields it may be in; excluded, it must be in none.
struct Check {
  std::string folded;
  unsigned fields;
  bool excluded;
};
constexpr unsigned kTitle = 1, kWriter = 2, kBody = 4;

struct Plan {
  std::string match;                      // the FTS5 expression, empty for none
  std::string where;                      // more conditions on messages m, bound from ?10
  std::vector<std::string> textParams;    // bound as ?10, ?11, ...
  std::vector<std::vector<Check>> checks; // each group: one of its checks holds
};

constexpr int kFirstParam = 10;

// A ?N for a text, in the order bindPlan() binds them.
std::string textParam(Plan& p, std::string value) {
  p.textParams.push_back(std::move(value));
  return "?" + std::to_string(kFirstParam + static_cast<int>(p.textParams.size()) - 1);
}

unsigned fieldsOf(QueryTerm::Field f) {
  if (f == QueryTerm::Field::Title) return kTitle;
  if (f == QueryTerm::Field::Name) return kWriter;
  return kTitle | kWriter | kBody;
}

bool isText(const QueryTerm& t) {
  return t.field == QueryTerm::Field::Text || t.field == QueryTerm::Field::Title || t.field == QueryTerm::Field::Name;
}

// The index's expression of a text term, within its field.
std::string expressionOf(const QueryTerm& t, const TermQuery& q) {
  if (q.expression.empty()) return {};
  if (t.field == QueryTerm::Field::Title) return "{title} : (" + q.expression + ")";
  if (t.field == QueryTerm::Field::Name) return "{writer} : (" + q.expression + ")";
  return q.expression;
}

// A field term as SQL on messages m; numbers go in as they are (digits only).
std::string conditionOf(Plan& p, const QueryTerm& t) {
  using F = QueryTerm::Field;
  const std::string n = std::to_string(t.value);
  switch (t.field) {
    case F::WriterId: return "m.writer_id = " + n;
    case F::Board: return "m.board_key = " + n;
    case F::Number: return "m.number = " + n;
    case F::Reply: return "m.reply = " + n;
    case F::IsResponse: return "m.reply > 0";
    case F::IsMail: return "m.board_key = 20000";
    case F::Host: return "m.host = " + textParam(p, t.text);
    default: return "1";
  }
}

Plan planOf(const std::vector<std::string>& terms) {
  std::string text;
  for (const std::string& t : terms) text += (text.empty() ? "" : " ") + t;
  const SearchQuery query = parseQuery(text);
  Plan p;
  std::set<std::string> planned;
  const auto addMatch = [&p](const std::string& e) {
    if (!p.match.empty()) p.match += " AND ";
    p.match += "(" + e + ")";
  };
  for (const std::vector<QueryTerm>& group : query.groups) {
    if (group.size() == 1 && isText(group[0])) {
      const QueryTerm& t = group[0];
      const TermQuery q = termQuery(t.text);
      // A term twice would cost the index twice and narrow nothing.
      if (q.folded.empty() || !planned.insert((t.excluded ? "-" : "+") + std::to_string(fieldsOf(t.field)) + q.folded).second)
        continue;
      const std::string e = expressionOf(t, q);
      const bool exact = q.exact && !e.empty();
      if (!t.excluded) {
        if (!e.empty()) addMatch(e);
        if (!exact) p.checks.push_back({{q.folded, fieldsOf(t.field), false}});
      } else if (exact) {
        p.where += " AND m.id NOT IN (SELECT rowid FROM fts WHERE fts MATCH " + textParam(p, e) + ")";
      } else {
        p.checks.push_back({{q.folded, fieldsOf(t.field), true}});
      }
      continue;
    }
    std::vector<TermQuery> queries;
    bool allText = true;  // the index alone answers the group
    for (const QueryTerm& t : group) {
      queries.push_back(isText(t) ? termQuery(t.text) : TermQuery{});
      allText = allText && isText(t) && !t.excluded && !expressionOf(t, queries.back()).empty();
    }
    std::vector<Check> checks;
    bool inexact = false;
    std::string any;
    for (size_t k = 0; k < group.size(); ++k) {
      const QueryTerm& t = group[k];
      std::string one;
      if (isText(t)) {
        const TermQuery& q = queries[k];
        const std::string e = expressionOf(t, q);
        inexact = inexact || !q.exact || e.empty();
        if (!q.folded.empty()) checks.push_back({q.folded, fieldsOf(t.field), t.excluded});
        if (allText)
          one = "(" + e + ")";
        else if (!e.empty())
          one = std::string("m.id ") + (t.excluded ? "NOT IN" : "IN") + " (SELECT rowid FROM fts WHERE fts MATCH " +
                textParam(p, e) + ")";
        else
          one = "1";  // no words for the index: the checks decide
      } else {
        one = conditionOf(p, t);
        if (t.excluded) one = "NOT (" + one + ")";
      }
      any += (any.empty() ? "" : " OR ") + one;
    }
    if (allText)
      addMatch(any);
    else if (!any.empty())
      p.where += " AND (" + any + ")";
    if (inexact && !checks.empty()) p.checks.push_back(checks);
  }
  return p;
}

std::string filterSql(const LibraryFilter& f, const Plan& p) {
  std::string sql;
  if (f.host) sql += " AND m.host = ?2";
  if (f.boardKey) sql += " AND m.board_key = ?3";
  if (f.writerId) sql += " AND m.writer_id = ?4";
  return sql + p.where;
}

void bindFilter(Statement& s, const LibraryFilter& f, const Plan& p) {
  if (f.host) s.bind(2, *f.host);
  if (f.boardKey) s.bind(3, *f.boardKey);
  if (f.writerId) s.bind(4, *f.writerId);
  for (size_t k = 0; k < p.textParams.size(); ++k) s.bind(kFirstParam + static_cast<int>(k), p.textParams[k]);
}

// Every group of checks holds in the fields, folded as the index reads them.
bool confirmed(const std::vector<std::vector<Check>>& checks, ByteView keys, ByteView body) {
  // Title and writer name are key lines 3 and 6.
  std::vector<ByteView> lines;
  size_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    const size_t end = keys.find("\r\n", pos);
    if (end == ByteView::npos) break;
    lines.push_back(keys.substr(pos, end - pos));
    pos = end + 2;
  }
  if (lines.size() < 6) return false;
  const std::string fields[] = {foldText(cp932ToUtf8(lines[2])), foldText(cp932ToUtf8(lines[5])),
                                joinWrapped(foldText(cp932ToUtf8(body)))};
  const unsigned bits[] = {kTitle, kWriter, kBody};
  for (const std::vector<Check>& group : checks) {
    bool holds = false;
    for (const Check& c : group) {
      bool found = false;
      for (int f = 0; f < 3; ++f)
        if ((c.fields & bits[f]) && fields[f].find(c.folded) != std::string::npos) found = true;
      holds = holds || found != c.excluded;
    }
    if (!holds) return false;
  }
  return true;
}

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
  const Plan plan = planOf(terms);
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
