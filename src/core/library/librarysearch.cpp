// Search by terms: read as one query, then planned (searchplan.cpp).
#include <string>

#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/searchplan.h"

namespace pelarin {

namespace {

// With nothing muted the condition is left out: a search without conditions
// on the row streams its hits from the index.
LibraryFilter withoutNeedlessMute(Library& library, LibraryFilter filter) {
  if (!filter.muted && !anyMuted(library)) filter.muted = true;
  return filter;
}

}  // namespace

std::vector<int64_t> Library::search(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                     size_t limit) {
  return search(searchQueryOf(terms, withoutNeedlessMute(*this, filter)), limit, SearchPath::ByCost);
}

size_t Library::count(const std::vector<std::string>& terms, const LibraryFilter& filter) {
  return count(searchQueryOf(terms, withoutNeedlessMute(*this, filter)));
}

}  // namespace pelarin
