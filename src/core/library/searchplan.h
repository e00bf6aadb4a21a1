// A query as the library runs it: what the index is asked, what SQL adds,
// and what each hit is checked for when the index alone cannot decide.
#pragma once

#include <string>
#include <vector>

#include "core/library/library.h"
#include "core/text/bytes.h"

namespace pelarin {

class Statement;

// A text to find, folded, in the fields it may be in; excluded, it must be in none.
struct SearchCheck {
  std::string folded;
  unsigned fields;
  bool excluded;
};

struct SearchPlan {
  std::string match;                             // the FTS5 expression, empty for none
  std::string where;                             // more conditions on messages m, bound from ?10
  std::vector<std::string> textParams;           // bound as ?10, ?11, ...
  std::vector<std::vector<SearchCheck>> checks;  // each group: one of its checks holds
};

// The terms read as one query (see searchquery.h). Throws SearchTermError.
SearchPlan planOf(const std::vector<std::string>& terms);

// The filter's and the plan's conditions on messages m (?2..?4, ?10...), and their binding.
std::string filterSql(const LibraryFilter& f, const SearchPlan& p);
void bindFilter(Statement& s, const LibraryFilter& f, const SearchPlan& p);

// Every group of checks holds in the message's fields, folded as the index reads them.
bool confirmed(const std::vector<std::vector<SearchCheck>>& checks, ByteView keys, ByteView body);

}  // namespace pelarin
