// What a search asks of the library, as the planner takes it, and the
// library's order held in memory so that gathered hits can be ranked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/library/library.h"
#include "core/text/bytes.h"

namespace pelarin {

class Database;

using SqlValue = std::variant<int64_t, std::string>;

// A text to find, folded, in the fields it may be in; excluded, it must be in none.
struct SearchCheck {
  std::string folded;
  unsigned fields;  // kCheckTitle, kCheckWriter, kCheckBody
  bool excluded;
};
inline constexpr unsigned kCheckTitle = 1, kCheckWriter = 2, kCheckBody = 4;

// A term of one character: a token of the table of characters, and the same
// term as the word index reads it (for a library whose table is still to be made).
struct CharacterTerm {
  std::string token;  // quoted, as an FTS5 expression
  std::string words;
  bool excluded;
};

// The reader's state a search asks for (is:unread, is:marked and their
// exclusions, muted messages hidden), answered by the flags held in memory.
struct StateTerms {
  bool hideMuted = false;
  bool unread = false, read = false, marked = false, unmarked = false;
};

class ReaderSieve;

struct SearchQuery {
  std::string match;                // FTS5 expression (may hold AND, OR, NOT); empty: every message
  // What the index alone cannot decide: in each group one check must hold.
  std::vector<std::vector<SearchCheck>> checks;
  std::string exclude;              // FTS5 expression whose hits are left out; empty for none
  std::vector<CharacterTerm> characterTerms;
  // The table of characters' part, made from characterTerms when the search
  // runs: messages with all of `characters` and none of `excludeCharacters`.
  std::string characters, excludeCharacters;
  std::string where;                // more conditions on `messages m`, one "?" per value
  std::vector<SqlValue> values;
  LibraryFilter filter;
  StateTerms state;
  // Set when the search runs, if the state leaves anything out.
  const ReaderSieve* sieve = nullptr;
};

// The reader's state of every message by row id, read at once from
// message_flags and the muted threads, built again once written since: a
// search keeps or leaves out each hit by a look-up in memory.
class ReaderSieve {
 public:
  void refresh(Database& db);
  bool keeps(const StateTerms& t, int64_t id) const {
    const uint8_t b =
        id >= 0 && static_cast<uint64_t>(id) < bits_.size() ? bits_[static_cast<size_t>(id)] : 0;
    if (t.hideMuted && (b & kMuted)) return false;
    const bool read = (b & (kRead | kMuted)) != 0;
    if ((t.unread && read) || (t.read && !read)) return false;
    return !((t.marked && !(b & kMarked)) || (t.unmarked && (b & kMarked)));
  }
  // Whether the terms leave any message out.
  bool sieves(const StateTerms& t) const {
    return t.unread || t.read || t.marked || t.unmarked || (t.hideMuted && muted_ > 0);
  }
  // The ids, ascending, of which the kept are some, when the terms keep only
  // flagged messages (read or marked); null when they may keep any.
  const std::vector<int64_t>* only(const StateTerms& t) const {
    if (t.marked) return &marked_;
    if (t.read) return &readOrMuted_;
    return nullptr;
  }
  // Every id with a flag, ascending: the only ones the terms may leave out
  // when they keep unflagged messages.
  const std::vector<int64_t>& flagged() const { return flagged_; }

 private:
  static constexpr uint8_t kRead = 1, kMarked = 2, kMuted = 4;
  std::vector<uint8_t> bits_;
  std::vector<int64_t> marked_, readOrMuted_, flagged_;
  size_t muted_ = 0;
  int64_t dataVersion_ = -1, ownChanges_ = -1;
};

// How the first matches in the library's order are found: walking the order
// and asking the index of each message, or gathering every hit and ranking it.
// Listed: the reader's short list (marked, read) in the library's order,
// each asked of the index.
enum class SearchPath { ByCost, Walk, Gather, Listed };

// Every message's place in the library's order (host, board key, number, id),
// built once per state of the library.
class LibraryOrder {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;
  // Rebuilds when another connection or this one has written since.
  void refresh(Database& db);
  bool fresh(Database& db) const;
  uint32_t rankOf(int64_t id) const {
    return id >= 0 && static_cast<uint64_t>(id) < rank_.size() ? rank_[static_cast<size_t>(id)] : kNone;
  }
  // The ranks [first, end) that the filter's host and board hold.
  std::vector<std::pair<uint32_t, uint32_t>> ranges(const LibraryFilter& f) const;
  size_t messages() const { return messages_; }

 private:
  struct Board {
    std::string host;
    int32_t boardKey;
    uint32_t first, end;
  };
  std::vector<uint32_t> rank_;  // by id; 4 bytes a message
  std::vector<Board> boards_;
  size_t messages_ = 0;
  int64_t dataVersion_ = -1, ownChanges_ = -1;
};

// The terms read as one query (searchquery.h: phrases, exclusions, OR,
// fields) within the filter. Throws SearchTermError.
SearchQuery searchQueryOf(const std::vector<std::string>& terms, const LibraryFilter& filter);

// Whether every group of checks holds in the message's fields, folded as the index reads them.
bool searchConfirms(const std::vector<std::vector<SearchCheck>>& checks, ByteView keys, ByteView body);

}  // namespace pelarin
