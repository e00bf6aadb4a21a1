// Adds loaded logs to the library on a thread of its own, with its own
// connection, after the load has shown its first message: the reader never
// waits for the library. Each log is first written to the library's queue,
// which keeps it through the program's end or a kill until its import has
// committed; the next start takes up what is left.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/library/importqueue.h"
#include "core/text/progress.h"

namespace pelarin {
class Library;
}

namespace pelarin::gui {

class LibraryImporter : public QObject {
  Q_OBJECT

 public:
  explicit LibraryImporter(QObject* parent = nullptr);
  // Stops the import under way without waiting for the library; its
  // transaction rolls back and its log stays queued for the next start.
  ~LibraryImporter() override;

  // Queued behind what is queued already, in dir's queue before this
  // returns (in memory only when that queue cannot be written). dir holds the library.
  void add(const std::filesystem::path& dir, const std::filesystem::path& log, const std::string& host);
  // Opens dir's library, when there is one, so that an older one's index is
  // rebuilt here rather than where a window waits; rebuilding() reports it.
  void openLibrary(const std::filesystem::path& dir);
  // What an earlier run left in dir's queue, behind what is queued. A log
  // changed or gone since is not added: finished() names it with the reason.
  void takeUpQueue(const std::filesystem::path& dir);
  // Kept in the library of dir, in turn with the imports.
  void setImportOnLoad(const std::filesystem::path& dir, bool on);
  bool busy() const;
  // Waits until the queue is done (tests and the program's end).
  void waitIdle();
  void stop();

 Q_SIGNALS:
  // While a log is read: its name, the bytes read of its size, the logs still queued.
  void progressed(const QString& log, quint64 bytes, quint64 size, int queued);
  void finished(const QString& log, qint64 added, qint64 duplicates, const QString& error);
  void idle();
  // An older library's index rebuilt: the share done, 100 at the end.
  void rebuilding(int percent);

 private:
  struct Job {
    std::filesystem::path dir, log;
    std::string host;
    int preference = -1;             // 0 or 1: a preference to keep instead of a log to import
    std::optional<QueuedLog> entry;  // the log's entry in dir's queue
    bool open = false;               // only open the library (and rebuild its index)
  };
  void push(Job job);
  void runJobs();
  void openOnly(const Job& job);
  void runJob(const Job& job, int queued);
  void importLog(const Job& job, int queued);
  void dequeue(const Job& job, Library* library);

  mutable std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::deque<Job> jobs_;
  bool running_ = false;  // a job is under way
  bool stopping_ = false;
  std::atomic<bool> abandon_{false};  // the worker's waits for the library give up
  Progress* current_ = nullptr;
  Progress rebuild_;  // an older library's index, rebuilt on the worker
  std::thread thread_;
  // The window thread's own connection to the queue of queueDir_.
  std::filesystem::path queueDir_;
  std::unique_ptr<ImportQueue> queue_;
};

}  // namespace pelarin::gui
