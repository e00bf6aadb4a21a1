#include "gui/library/librarycounter.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "core/library/tokenizer.h"
#include "core/text/errors.h"

namespace pelarin::gui {

LibraryCounter::LibraryCounter(std::filesystem::path dir, size_t firstPage, size_t limit, QObject* parent)
    : QObject(parent), dir_(std::move(dir)), firstPage_(firstPage), limit_(limit) {
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

void LibraryCounter::ask(uint64_t search, std::vector<std::string> terms, LibraryFilter filter,
                         bool byRelevance) {
  {
    std::lock_guard lock(mutex_);
    next_ = Request{search, std::move(terms), std::move(filter), byRelevance, std::nullopt};
  }
  wake_.notify_one();
}

void LibraryCounter::sort(uint64_t search, std::vector<std::string> terms, LibraryFilter filter,
                          ResultSort by) {
  {
    std::lock_guard lock(mutex_);
    next_ = Request{search, std::move(terms), std::move(filter), false, by};
  }
  wake_.notify_one();
}

bool LibraryCounter::stale() {
  std::lock_guard lock(mutex_);
  return next_.has_value() || stopping_;
}

void LibraryCounter::sortNow(Library& library, const Request& request) {
  try {
    const std::vector<int64_t> all = library.search(request.terms, request.filter);
    if (stale()) return;
    const std::optional<std::vector<int64_t>> ids =
        sortedIds(library, all, *request.sort, limit_, [this] { return stale(); });
    if (ids) Q_EMIT sorted(request.search, *ids, static_cast<qint64>(all.size()), QString());
  } catch (const Error& e) {
    Q_EMIT sorted(request.search, {}, 0, QString::fromUtf8(e.what()));
  }
}

void LibraryCounter::run() {
  // Below the window's thread: on a busy machine typing and drawing go first.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 5);
  std::unique_ptr<Library> library;
  try {
    library = std::make_unique<Library>(dir_);
    // The order the hits are ranked by, ready before the first keystroke.
    library->readyOrder();
  } catch (const Error&) {
    library.reset();  // said at the first search, which opens it again
  }
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
    auto search = [&](size_t limit) {
      return request.byRelevance ? library->searchByRelevance(request.terms, request.filter, limit)
                                 : library->search(request.terms, request.filter, limit);
    };
    try {
      if (!library) library = std::make_unique<Library>(dir_);
      if (request.sort) {
        sortNow(*library, request);
        continue;
      }
      ids = search(firstPage_);
    } catch (const SearchTermError& e) {
      Q_EMIT firstPage(request.search, {}, QString::fromUtf8(e.what()), QString());
      continue;
    } catch (const Error& e) {
      Q_EMIT firstPage(request.search, {}, QString(), QString::fromUtf8(e.what()));
      continue;
    }
    Q_EMIT firstPage(request.search, ids, QString(), QString());
    // A newer search makes this one's rest worthless.
    if (ids.size() < firstPage_ || stale()) continue;
    try {
      ids = search(limit_);
      if (stale()) continue;
      count = ids.size() < limit_ ? static_cast<qint64>(ids.size())
                                  : static_cast<qint64>(library->count(request.terms, request.filter));
    } catch (const Error& e) {
      error = QString::fromUtf8(e.what());
    }
    Q_EMIT finished(request.search, ids, count, error);
  }
}

}  // namespace pelarin::gui
