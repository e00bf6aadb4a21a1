// The command line of pelarin-cli: which command, its options and operands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelarin::cli {

// A command line that cannot be run; what() says why, for stderr.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command { Help, Version, Split, List, Show, Boards, Names, Outbox, Library };

enum class LibraryCommand {
  Add,
  Search,
  Show,
  Thread,
  Open,
  Export,
  Stats,
  Check,
  Recover,
  Read,
  Unread,
  Mark,
  Unmark,
  Mute,
  Unmute,
  Muted,
  Saved,
  State
};

struct Invocation {
  Command command = Command::Help;
  std::string helpTopic;  // help: the command asked about; empty for all
  std::filesystem::path dir = ".";
  int32_t first = 1;  // split: number of the first message file
  bool sort = false;  // split: sort the store afterwards
  bool raw = false;   // split: no guess at converted logs
  std::vector<std::filesystem::path> logs;
  int32_t number = 0;                // list: COUNT; show: N
  std::string listName = "pelarin";  // boards, names: the list file's stem
  bool check = false;                // outbox: the problems instead of the records
  std::filesystem::path script;      // outbox: FILE; empty for the script DIR's settings name

  // library
  LibraryCommand library = LibraryCommand::Stats;
  std::optional<std::string> host;      // add: the host to file under; else a filter
  std::optional<int32_t> boardKey;      // the board code filter as a board key
  std::optional<int32_t> writer;        // writer ID filter
  int32_t limit = 0;                    // 0: every match
  bool countOnly = false;               // search: the number of matches only
  bool byRelevance = false;             // search: best first instead of the library's order
  bool sortGiven = false;               // --sort was given (else a saved search's order holds)
  bool withMuted = false;               // search, open, export: muted threads and writers too
  std::optional<std::string> saved;     // search, open, export: --saved NAME
  bool date = false;                    // search: the posting time, a field before the snippet
  bool snippet = false;                 // search: the words around the first match, as a last field
  std::string format;                   // export: text, mbox or html
  std::vector<std::string> terms;       // search, open, export: QUERY
  int64_t id = 0;                       // show, thread: ID
  std::vector<int64_t> ids;             // read, unread, mark, unmark: ID...
  std::string action;                   // mute, unmute: thread or writer; saved: list, add or remove
  std::string name;                     // saved add, remove: NAME; mute writer: HOST
  int32_t writerId = 0;                 // mute writer: ID
  std::filesystem::path out;            // export, recover: OUT
};

// Throws UsageError.
Invocation parseArgs(const std::vector<std::string>& args);

// A decimal operand: digits only, at least `min`, fitting in 32 bits.
int32_t parseCount(const std::string& text, const char* what, int32_t min);

}  // namespace pelarin::cli
