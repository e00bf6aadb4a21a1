#include "gui/library/librarycounter.h"

#include "core/text/errors.h"

namespace pelarin::gui {

LibraryCounter::LibraryCounter(std::filesystem::path dir, size_t limit, QObject* parent)
    : QObject(parent), dir_(std::move(dir)), limit_(limit) {
  qRegisterMetaType<std::vector<int64_t>>("std::vector<int64_t>");
  thread_ = std::thread([this] { run(); });
}

LibraryCounter::~LibraryCounter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    next_.reset();
  }
  wake_.notify_one();
  thread_.join();
}

void LibraryCounter::ask(uint64_t search, std::vector<std::string> terms, LibraryFilter filter) {
  {
    std::lock_guard lock(mutex_);
    next_ = Request{search, std::move(terms), std::move(filter)};
  }
  wake_.notify_one();
}

void LibraryCounter::run() {
  std::unique_ptr<Library> library;
  for (;;) {
    Request request;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || next_.has_value(); });
      if (stopping_) return;
      request = std::move(*next_);
      next_.reset();
    }
    std::vector<int64_t> ids;
    qint64 count = 0;
    QString error;
    try {
      if (!library) library = std::make_unique<Library>(dir_);
      ids = library->search(request.terms, request.filter, limit_);
      // A newer search makes this one's count worthless.
      bool stale = false;
      {
        std::lock_guard lock(mutex_);
        stale = next_.has_value() || stopping_;
      }
      if (stale) continue;
      count = ids.size() < limit_ ? static_cast<qint64>(ids.size())
                                  : static_cast<qint64>(library->count(request.terms, request.filter));
    } catch (const Error& e) {
      error = QString::fromUtf8(e.what());
    }
    Q_EMIT finished(request.search, ids, count, error);
  }
}

}  // namespace pelarin::gui
