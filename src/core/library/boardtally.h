// Each board's count and unread count at once, for a tree of thousands of
// boards: a count per board would ask the index thousands of times.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pelarin {

class Library;

struct BoardTally {
  std::string host;
  int32_t boardKey = 0;
  int64_t messages = 0;  // muted ones only withMuted
  int64_t unread = 0;    // muted ones count as read
};

// Every board, in the library's order; the same numbers as count() of the
// board without and with is:unread.
std::vector<BoardTally> boardTallies(Library& library, bool withMuted);

// The same, asked again and again: the muted messages of each board, found
// only by reading every message, are kept until the mutes or the messages change.
class BoardTallier {
 public:
  std::vector<BoardTally> tally(Library& library, bool withMuted);

 private:
  using Counts = std::map<std::pair<std::string, int32_t>, int64_t>;
  std::string mutedKey_;
  Counts muted_;
};

}  // namespace pelarin
