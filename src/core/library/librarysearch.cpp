// Search by terms: read as one query, then planned (searchplan.cpp).
#include <string>

#include "core/library/library.h"
#include "core/library/searchplan.h"

namespace pelarin {

std::vector<int64_t> Library::search(const std::vector<std::string>& terms, const LibraryFilter& filter,
                                     size_t limit) {
  return search(searchQueryOf(terms, filter), limit, SearchPath::ByCost);
}

size_t Library::count(const std::vector<std::string>& terms, const LibraryFilter& filter) {
  return count(searchQueryOf(terms, filter));
}

}  // namespace pelarin
