#include "core/library/importqueue.h"

#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <random>

#include "core/library/library.h"
#include "core/library/sqlite.h"

namespace pelarin {

namespace {

int64_t nanoseconds(const struct timespec& t) { return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; }

// Random, so that a record of a ticket left in the library can never be
// mistaken for a later entry, even of a queue made anew.
int64_t newTicket() {
  std::random_device device;
  const uint64_t high = device(), low = device();
  return static_cast<int64_t>(((high << 32) | low) & 0x3fffffffffffffff) + 1;
}

}  // namespace

ImportQueue::ImportQueue(const std::filesystem::path& dir) : db_(std::make_unique<Database>(fileIn(dir))) {
  Database& db = *db_;
  // As the library: a commit lasts through a kill without waiting for the disk.
  db.exec("PRAGMA journal_mode=WAL");
  db.exec("PRAGMA synchronous=NORMAL");
  db.exec(
      "CREATE TABLE IF NOT EXISTS pending(id INTEGER PRIMARY KEY, ticket INTEGER NOT NULL UNIQUE, "
      "path BLOB NOT NULL, size INTEGER NOT NULL, mtime INTEGER NOT NULL, host TEXT NOT NULL, "
      "queued INTEGER NOT NULL)");
}

ImportQueue::~ImportQueue() = default;

QueuedLog ImportQueue::add(const std::filesystem::path& log, const std::string& host) {
  struct stat st {};
  if (::stat(log.c_str(), &st) != 0) throw FileError("Cannot open", log, errno);
  QueuedLog entry;
  entry.ticket = newTicket();
  entry.path = log;
  entry.size = static_cast<uint64_t>(st.st_size);
  entry.mtime = nanoseconds(st.st_mtim);
  entry.host = host;
  entry.queued = static_cast<int64_t>(std::time(nullptr));
  Statement insert(
      *db_, "INSERT INTO pending(ticket, path, size, mtime, host, queued) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  insert.bind(1, entry.ticket)
      .bindBlob(2, log.native())
      .bind(3, static_cast<int64_t>(entry.size))
      .bind(4, entry.mtime)
      .bind(5, host)
      .bind(6, entry.queued)
      .run();
  return entry;
}

std::vector<QueuedLog> ImportQueue::entries() {
  Statement all(*db_, "SELECT ticket, path, size, mtime, host, queued FROM pending ORDER BY id");
  std::vector<QueuedLog> out;
  while (all.step())
    out.push_back({all.integer(0), std::filesystem::path(std::string(all.blobView(1))),
                   static_cast<uint64_t>(all.integer(2)), all.integer(3), all.text(4), all.integer(5)});
  return out;
}

void ImportQueue::remove(int64_t ticket) {
  Statement drop(*db_, "DELETE FROM pending WHERE ticket = ?1");
  drop.bind(1, ticket).run();
}

QueuedLogState stateOf(const QueuedLog& entry) {
  struct stat st {};
  if (::stat(entry.path.c_str(), &st) != 0)
    // Another failure is the import's to report, with its reason.
    return errno == ENOENT || errno == ENOTDIR ? QueuedLogState::Gone : QueuedLogState::AsQueued;
  if (static_cast<uint64_t>(st.st_size) != entry.size || nanoseconds(st.st_mtim) != entry.mtime)
    return QueuedLogState::Changed;
  return QueuedLogState::AsQueued;
}

void recordTaken(Library& library, int64_t ticket) {
  Statement record(library.database(), "INSERT OR IGNORE INTO queue_taken(ticket) VALUES (?1)");
  record.bind(1, ticket).run();
}

bool wasTaken(Library& library, int64_t ticket) {
  Statement find(library.database(), "SELECT 1 FROM queue_taken WHERE ticket = ?1");
  find.bind(1, ticket);
  return find.step();
}

void forgetTaken(Library& library, int64_t ticket) {
  Statement forget(library.database(), "DELETE FROM queue_taken WHERE ticket = ?1");
  forget.bind(1, ticket).run();
}

}  // namespace pelarin
