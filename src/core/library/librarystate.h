// What the reader keeps about the messages: read, marked, and the threads and
// writers muted. Kept by message identity (host, board, number; a message
// without a number by its digest), never by row id, so that a message
// captured again, or copied by a recover, keeps it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "core/library/sqlite.h"

namespace pelarin {

class Library;
using SqlValue = std::variant<int64_t, std::string>;

enum class MessageFlag { Read, Marked };

// Sets or clears the flag of every message; an id the library lacks throws
// LibraryError naming it, and nothing changes.
void setFlag(Library& library, MessageFlag flag, const std::vector<int64_t>& ids, bool on);

struct MessageState {
  bool read = false;  // read by hand or muted
  bool marked = false;
  bool muted = false;
};
MessageState stateOf(Library& library, int64_t id);

// The thread holding the message, by its root: its present replies and
// those imported later. Throws LibraryError for an unknown id.
void muteThread(Library& library, int64_t id);
// Unmutes every muted thread holding the message; false when none is.
bool unmuteThread(Library& library, int64_t id);
void muteWriter(Library& library, const std::string& host, int32_t writerId);
bool unmuteWriter(Library& library, const std::string& host, int32_t writerId);

struct MutedWriter {
  std::string host;
  int32_t writerId;
};
struct MutedList {
  std::vector<int64_t> threads;  // each root's first import, by host, board and number
  std::vector<MutedWriter> writers;
};
MutedList mutedList(Library& library);
bool anyMuted(Library& library);

// The state and saved searches of one library added to another's (a recover).
void copyReaderState(Library& from, Library& to);

// The bits of message_flags, the state by row id that searches sieve by.
inline constexpr int kFlagRead = 1, kFlagMarked = 2, kFlagWriterMuted = 4;

// Makes the flags of one message by row id again from the tables kept by
// identity (the import notes each message it adds).
class FlagNotes {
 public:
  explicit FlagNotes(Database& db);
  void note(int64_t id);

 private:
  Statement forget_, note_;
};
// The same for every message meeting a condition on `messages m`.
void noteFlags(Database& db, const std::string& where, const std::vector<SqlValue>& values);

// Every message's flags made anew (a recover, a state file read in).
void noteAllFlags(Database& db);

// The ids of the muted threads' messages, as a SELECT.
const std::string& mutedThreadsIds();

// Conditions on `messages m` for the planner. Muted messages count as read.
const std::string& unreadCondition();
const std::string& markedCondition();
const std::string& notMutedCondition();

// The refusal to write state into a library read as it is until its upgrade.
std::string noStateText();
// "<ID> のスレッドはミュートしていません。"
std::string threadNotMutedText(int64_t id);
// "<HOST> の ID <N> はミュートしていません。"
std::string writerNotMutedText(const std::string& host, int32_t writerId);

}  // namespace pelarin
