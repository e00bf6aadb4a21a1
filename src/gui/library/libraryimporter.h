// Adds loaded logs to the library on a thread of its own, with its own
// connection, after the load has shown its first message: the reader never
// waits for the library.
#pragma once

#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "core/text/progress.h"

namespace pelarin::gui {

class LibraryImporter : public QObject {
  Q_OBJECT

 public:
  explicit LibraryImporter(QObject* parent = nullptr);
  // Stops the import under way; its transaction rolls back, so the library
  // is as it was before that log.
  ~LibraryImporter() override;

  // Queued behind what is queued already. dir holds the library.
  void add(const std::filesystem::path& dir, const std::filesystem::path& log, const std::string& host);
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

 private:
  struct Job {
    std::filesystem::path dir, log;
    std::string host;
    int preference = -1;  // 0 or 1: a preference to keep instead of a log to import
  };
  void push(Job job);
  void runJobs();
  void runJob(const Job& job, int queued);

  mutable std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::deque<Job> jobs_;
  bool running_ = false;  // a job is under way
  bool stopping_ = false;
  Progress* current_ = nullptr;
  std::thread thread_;
};

}  // namespace pelarin::gui
