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

struct Plan {
  std::string match;               // the FTS5 expression, empty for none
  std::vector<std::string> checks;  // folded terms each hit must contain
};

Plan planOf(const std::vector<std::string>& terms) {
  Plan p;
  std::set<std::string> planned;
  for (const std::string& term : terms) {
    const TermQuery q = termQuery(term);
    // A term twice would cost the index twice and narrow nothing.
    if (q.folded.empty() || !planned.insert(q.folded).second) continue;
    if (!q.expression.empty()) {
      if (!p.match.empty()) p.match += " AND ";
      p.match += "(" + q.expression + ")";
    }
    if (!q.exact || q.expression.empty()) p.checks.push_back(q.folded);
  }
  return p;
}

}  // namespace

bool searchConfirms(const std::vector<std::string>& checks, ByteView keys, ByteView body) {
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
                                foldText(cp932ToUtf8(body))};
  for (const std::string& c : checks) {
    bool found = false;
    for (const std::string& f : fields)
      if (f.find(c) != std::string::npos) found = true;
    if (!found) return false;
  }
  return true;
}

SearchQuery searchQueryOf(const std::vector<std::string>& terms, const LibraryFilter& filter) {
  Plan plan = planOf(terms);
  SearchQuery q;
  q.match = std::move(plan.match);
  q.checks = std::move(plan.checks);
  q.filter = filter;
  return q;
}

std::vector<int64_t> Library::search(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                     size_t limit) {
  return search(searchQueryOf(terms, filter), limit, SearchPath::ByCost);
}

size_t Library::count(const std::vector<std::string>& terms, const LibraryFilter& filter) {
  return count(searchQueryOf(terms, filter));
}

}  // namespace pelarin
