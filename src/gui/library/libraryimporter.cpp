#include "gui/library/libraryimporter.h"

#include <sys/stat.h>
#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <QFile>
#include <chrono>
#include <memory>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"

namespace pelarin::gui {

namespace {

constexpr auto kReportEvery = std::chrono::milliseconds(100);
[[maybe_unused]] constexpr int kImportNice = 10;

QString shownName(const std::filesystem::path& log) {
  return QFile::decodeName(QByteArray::fromStdString(log.filename().string()));
}

}  // namespace

LibraryImporter::LibraryImporter(QObject* parent) : QObject(parent) {}

LibraryImporter::~LibraryImporter() { stop(); }

void LibraryImporter::add(const std::filesystem::path& dir, const std::filesystem::path& log,
                          const std::string& host) {
  push({dir, log, host, -1});
}

void LibraryImporter::setImportOnLoad(const std::filesystem::path& dir, bool on) { push({dir, {}, {}, on ? 1 : 0}); }

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
    jobs_.clear();
    if (current_) current_->abandon = true;
    wake_.notify_one();
  }
  if (thread_.joinable()) thread_.join();
}

void LibraryImporter::runJobs() {
#ifdef __linux__
  // Behind the reader: a Load started while a log is imported keeps its pace.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), kImportNice);
#endif
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
  const QString name = shownName(job.log);
  try {
    Library library(job.dir);
    if (job.preference >= 0) {
      setPreference(library, kImportOnLoad, job.preference ? "1" : "0");
      return;
    }
    if (!importsOnLoad(library)) return;
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
    const ImportResult result = library.importLog(in, job.host, state, &progress);
    Q_EMIT finished(name, result.added, result.duplicates, QString::fromStdString(result.stopped));
  } catch (const CancelledError&) {
    // The program ends: the log's transaction rolled back.
  } catch (const SplitStoppedError& e) {
    if (!e.cancelled()) Q_EMIT finished(name, 0, 0, QString::fromUtf8(e.what()));
  } catch (const std::exception& e) {
    Q_EMIT finished(name, 0, 0, QString::fromUtf8(e.what()));
  }
}

}  // namespace pelarin::gui
