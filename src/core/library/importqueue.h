// The logs waiting to go into a work directory's library. The queue is a
// small database of its own beside the library, so that writing an entry
// never waits for an import holding the library's lock; the import's own
// transaction records the entry as taken, so a log is never both imported
// and still waiting, whatever moment a kill comes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace pelarin {

class Database;
class Library;

inline constexpr char kImportQueueFileName[] = "pelarin-library.db-queue";

// A log as it was when queued.
struct QueuedLog {
  int64_t ticket = 0;          // names the entry in the library's record of what was taken
  std::filesystem::path path;  // as the system gave it; the bytes need not be UTF-8
  uint64_t size = 0;
  int64_t mtime = 0;   // nanoseconds
  std::string host;    // UTF-8
  int64_t queued = 0;  // seconds since the epoch
};

class ImportQueue {
 public:
  // Opens dir's queue, making it at first use. Throws LibraryError.
  explicit ImportQueue(const std::filesystem::path& dir);
  ~ImportQueue();
  ImportQueue(const ImportQueue&) = delete;
  ImportQueue& operator=(const ImportQueue&) = delete;

  static std::filesystem::path fileIn(const std::filesystem::path& dir) { return dir / kImportQueueFileName; }

  // The log's size and time as they are now, behind the others. Throws
  // FileError when the log cannot be looked at.
  QueuedLog add(const std::filesystem::path& log, const std::string& host);
  // In the order they were queued.
  std::vector<QueuedLog> entries();
  void remove(int64_t ticket);

 private:
  std::unique_ptr<Database> db_;
};

// Whether the log is still the one queued: gone, changed (size or time), or as queued.
enum class QueuedLogState { AsQueued, Changed, Gone };
QueuedLogState stateOf(const QueuedLog& entry);

// The record in the library, written inside the import's transaction.
void recordTaken(Library& library, int64_t ticket);
bool wasTaken(Library& library, int64_t ticket);
void forgetTaken(Library& library, int64_t ticket);

}  // namespace pelarin
