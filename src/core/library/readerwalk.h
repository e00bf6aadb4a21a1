// What the reader's walk through the store asks of the library: which store
// message the library holds, which are unread, and the next board holding
// unread messages. Each statement is made once for a walk's many steps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/library/sqlite.h"

namespace pelarin {

class Library;
class Progress;

struct BoardPlace {
  std::string host;
  int32_t boardKey = 0;
  bool operator==(const BoardPlace&) const = default;
};

class ReaderWalk {
 public:
  explicit ReaderWalk(Library& library);
  Library& library() { return library_; }

  // The library's id of the numbered message (its first import); 0 when it
  // lacks it or the message has no number (mail loaded from a log).
  int64_t idOf(const std::string& host, int32_t boardKey, int32_t number);
  // For each id, whether it is unread (neither read nor muted); 0 and ids
  // the library lacks are not.
  std::vector<bool> unread(const std::vector<int64_t>& ids);
  bool marked(int64_t id);
  // The host and board of a message the library holds.
  std::optional<BoardPlace> placeOf(int64_t id);
  // The nearest board after (before) `from` in the library's order holding an
  // unread message; with none there, the first (last) such board of the
  // library, which may be `from` itself. None when nothing is unread. A board
  // at a time: progress counts the boards and takes a cancel between them.
  std::optional<BoardPlace> unreadBoard(const std::optional<BoardPlace>& from, bool forward,
                                        Progress* progress = nullptr);
  // The board's messages in the library's order, without the muted ones: what
  // the Library window lists for it.
  std::vector<int64_t> boardMessages(const BoardPlace& board);

 private:
  std::optional<BoardPlace> neighbour(const std::optional<BoardPlace>& of, bool forward);
  bool holdsUnread(const BoardPlace& board, bool muted);

  Library& library_;
  Statement find_, unread_, marked_, place_, after_, before_, first_, last_, boardUnread_,
      boardUnreadUnmuted_;
};

}  // namespace pelarin
