// Searches kept under a name in the library: the query as typed, the board
// filter and the order of the results.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelarin {

class Library;

struct SavedSearch {
  std::string name;
  std::string query;  // UTF-8, read by the one query parser when it runs
  std::optional<std::string> host;
  std::optional<int32_t> boardKey;
  bool byRelevance = false;  // else the library's order
};

// By name.
std::vector<SavedSearch> savedSearches(Library& library);
// Throws LibraryError when none has the name.
SavedSearch savedSearch(Library& library, const std::string& name);
// Throws LibraryError for a name taken or not fit to list (empty, control
// characters), SearchTermError for a query the search would refuse.
void addSavedSearch(Library& library, const SavedSearch& search);
// Throws LibraryError when none has the name.
void removeSavedSearch(Library& library, const std::string& name);
// Throws LibraryError when none has the name, the new one is taken or not fit to list.
void renameSavedSearch(Library& library, const std::string& name, const std::string& newName);

}  // namespace pelarin
