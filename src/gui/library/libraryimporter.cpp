#include "gui/library/libraryimporter.h"

#include <sys/stat.h>
#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <QFile>
#include <chrono>
#include <functional>
#include <memory>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/library/sqlite.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"

namespace pelarin::gui {

namespace {

constexpr auto kReportEvery = std::chrono::milliseconds(100);
[[maybe_unused]] constexpr int kImportNice = 10;

QString shownName(const std::filesystem::path& log) {
  return QFile::decodeName(QByteArray::fromStdString(log.filename().string()));
}

QString shownPath(const std::filesystem::path& log) { return QFile::decodeName(log.c_str()); }

}  // namespace

LibraryImporter::LibraryImporter(QObject* parent) : QObject(parent) {}

LibraryImporter::~LibraryImporter() { stop(); }

void LibraryImporter::add(const std::filesystem::path& dir, const std::filesystem::path& log,
                          const std::string& host) {
  Job job{dir, log, host, -1, std::nullopt};
  try {
    if (!queue_ || queueDir_ != dir) {
      queue_.reset();
      queue_ = std::make_unique<ImportQueue>(dir);
      queueDir_ = dir;
    }
    job.entry = queue_->add(log, host);
  } catch (const std::exception&) {
    // Imported from memory as before; the import reports what is wrong with the log or the library.
    queue_.reset();
  }
  push(std::move(job));
}

void LibraryImporter::openLibrary(const std::filesystem::path& dir) {
  if (!fileExists(Library::fileIn(dir))) return;
  push({dir, {}, {}, -1, std::nullopt, true});
}

void LibraryImporter::openOnly(const Job& job) {
  try {
    Library library(job.dir);
  } catch (const CancelledError&) {
    // The program ends: the old library stays, the next start rebuilds it.
  } catch (const std::exception&) {
    // What is wrong with it is told by the import that needs it.
  }
}

void LibraryImporter::takeUpQueue(const std::filesystem::path& dir) {
  if (!fileExists(ImportQueue::fileIn(dir))) return;
  std::vector<QueuedLog> entries;
  try {
    ImportQueue queue(dir);
    entries = queue.entries();
  } catch (const std::exception& e) {
    Q_EMIT finished(QStringLiteral("追加待ちのログ"), 0, 0, QString::fromUtf8(e.what()));
    return;
  }
  for (QueuedLog& entry : entries) {
    Job job{dir, entry.path, entry.host, -1, std::move(entry)};
    push(std::move(job));
  }
}

void LibraryImporter::setImportOnLoad(const std::filesystem::path& dir, bool on) {
  push({dir, {}, {}, on ? 1 : 0, std::nullopt});
}

void LibraryImporter::push(Job job) {
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  jobs_.push_back(std::move(job));
  if (!thread_.joinable()) thread_ = std::thread([this] { runJobs(); });
  wake_.notify_one();
}

bool LibraryImporter::busy() const {
  std::lock_guard lock(mutex_);
  return running_ || !jobs_.empty();
}

void LibraryImporter::waitIdle() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return stopping_ || (!running_ && jobs_.empty()); });
}

void LibraryImporter::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    abandon_ = true;
    jobs_.clear();
    if (current_) current_->abandon = true;
    rebuild_.abandon = true;
    wake_.notify_one();
  }
  if (thread_.joinable()) thread_.join();
}

void LibraryImporter::runJobs() {
#ifdef __linux__
  // Behind the reader: a Load started while a log is imported keeps its pace.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), kImportNice);
#endif
  // Any library this thread opens rebuilds an older index here.
  auto last = std::chrono::steady_clock::now() - kReportEvery;
  rebuild_.onStep = [&](const Progress& p) {
    const int64_t total = p.total.load(std::memory_order_relaxed), done = p.done.load(std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - last < kReportEvery) return;
    last = now;
    Q_EMIT rebuilding(total > 0 ? static_cast<int>(done * 100 / total) : 100);
  };
  IndexRebuildHere here(&rebuild_);
  for (;;) {
    Job job;
    int queued = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      queued = static_cast<int>(jobs_.size());
      running_ = true;
    }
    runJob(job, queued);
    bool nowIdle;
    {
      std::lock_guard lock(mutex_);
      running_ = false;
      nowIdle = jobs_.empty();
      done_.notify_all();
    }
    if (nowIdle) Q_EMIT idle();
  }
}

void LibraryImporter::runJob(const Job& job, int queued) {
  if (job.open) return openOnly(job);
  if (job.preference < 0) return importLog(job, queued);
  try {
    Library library(job.dir);
    setPreference(library, kImportOnLoad, job.preference ? "1" : "0");
  } catch (const std::exception& e) {
    Q_EMIT finished(QString(), 0, 0, QString::fromUtf8(e.what()));
  }
}

void LibraryImporter::dequeue(const Job& job, Library* library) {
  if (!job.entry) return;
  try {
    ImportQueue(job.dir).remove(job.entry->ticket);
    // Only once the entry is gone: until then the record says it was imported.
    if (library) forgetTaken(*library, job.entry->ticket);
  } catch (const std::exception&) {
    // Left queued: the record in the library, or the log's bytes, keep it from being added twice.
  }
}

void LibraryImporter::importLog(const Job& job, int queued) {
  const QString name = shownName(job.log);
  std::unique_ptr<Library> library;
  try {
    library = std::make_unique<Library>(job.dir);
    library->database().giveUpWaitingWhen(abandon_);
    if (job.entry && wasTaken(*library, job.entry->ticket)) {
      // Imported by an earlier run that ended before it could dequeue it.
      dequeue(job, library.get());
      return;
    }
    if (!importsOnLoad(*library)) {
      dequeue(job, library.get());
      return;
    }
    if (job.entry) {
      const QueuedLogState now = stateOf(*job.entry);
      if (now != QueuedLogState::AsQueued) {
        // Never a guess at what the user loaded: the log is named, and loading it again adds it.
        dequeue(job, library.get());
        const QString reason =
            now == QueuedLogState::Gone
                ? QStringLiteral("ログが見つからないため、ライブラリに追加しませんでした。")
                : QStringLiteral(
                      "読み込んだ後にログが変更されたため、ライブラリに追加しませんでした。"
                      "もう一度読み込むと追加されます。");
        Q_EMIT finished(name, 0, 0, reason + QLatin1Char('\n') + shownPath(job.log));
        return;
      }
    }
    LineReader in(job.log, LineReader::Form::Guess);
    struct stat st {};
    const quint64 size = ::stat(job.log.c_str(), &st) == 0 ? static_cast<quint64>(st.st_size) : 0;
    Progress progress;
    auto last = std::chrono::steady_clock::now() - kReportEvery;
    progress.onStep = [&](const Progress& p) {
      const auto now = std::chrono::steady_clock::now();
      if (now - last < kReportEvery) return;
      last = now;
      Q_EMIT progressed(name, p.bytes.load(std::memory_order_relaxed), size, queued);
    };
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      current_ = &progress;
    }
    struct Release {
      LibraryImporter& importer;
      ~Release() {
        std::lock_guard lock(importer.mutex_);
        importer.current_ = nullptr;
      }
    } release{*this};
    Q_EMIT progressed(name, 0, size, queued);
    AppState state;
    std::function<void()> record;
    if (job.entry) record = [&] { recordTaken(*library, job.entry->ticket); };
    const ImportResult result = library->importLog(in, job.host, state, &progress, record);
    dequeue(job, library.get());
    Q_EMIT finished(name, result.added, result.duplicates, QString::fromStdString(result.stopped));
  } catch (const CancelledError&) {
    // The program ends: the log's transaction rolled back, its entry waits for the next start.
  } catch (const SplitStoppedError& e) {
    if (e.cancelled()) return;
    dequeue(job, library.get());
    Q_EMIT finished(name, 0, 0, QString::fromUtf8(e.what()));
  } catch (const LibraryError& e) {
    // The library's own trouble (damage, a full disk, another writer): the
    // log stays queued and the next start tries again. A wait the end cut short is none.
    if (!abandon_) Q_EMIT finished(name, 0, 0, QString::fromUtf8(e.what()));
  } catch (const std::exception& e) {
    dequeue(job, library.get());
    Q_EMIT finished(name, 0, 0, QString::fromUtf8(e.what()));
  }
}

}  // namespace pelarin::gui
