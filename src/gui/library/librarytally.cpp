#include "gui/library/librarytally.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "core/text/errors.h"

namespace pelarin::gui {

LibraryTally::LibraryTally(std::filesystem::path dir, QObject* parent)
    : QObject(parent), dir_(std::move(dir)) {
  qRegisterMetaType<std::vector<BoardTally>>("std::vector<pelarin::BoardTally>");
  thread_ = std::thread([this] { run(); });
}

LibraryTally::~LibraryTally() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    next_.reset();
  }
  wake_.notify_one();
  thread_.join();
}

void LibraryTally::ask(uint64_t round, bool withMuted, std::vector<TallyEntry> entries) {
  {
    std::lock_guard lock(mutex_);
    next_ = Request{round, withMuted, std::move(entries)};
  }
  wake_.notify_one();
}

bool LibraryTally::stale() {
  std::lock_guard lock(mutex_);
  return next_.has_value() || stopping_;
}

void LibraryTally::run() {
  // Below the window's thread and the search's: the counts can wait.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
  std::unique_ptr<Library> library;
  BoardTallier tallier;
  for (;;) {
    Request request;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || next_.has_value(); });
      if (stopping_) return;
      request = std::move(*next_);
      next_.reset();
    }
    try {
      if (!library) library = std::make_unique<Library>(dir_);
      Q_EMIT boardsCounted(request.round, tallier.tally(*library, request.withMuted), QString());
    } catch (const Error& e) {
      Q_EMIT boardsCounted(request.round, {}, QString::fromUtf8(e.what()));
    }
    bool given = false;
    for (size_t i = 0; i < request.entries.size() && !given; ++i) {
      if (stale()) {
        given = true;
        break;
      }
      const TallyEntry& entry = request.entries[i];
      try {
        if (!library) library = std::make_unique<Library>(dir_);
        const auto messages = static_cast<qint64>(library->count(entry.terms, entry.filter));
        // First: a trailing OR of the query stays a word.
        std::vector<std::string> unread{"is:unread"};
        unread.insert(unread.end(), entry.terms.begin(), entry.terms.end());
        const auto unreadCount =
            messages == 0 ? 0 : static_cast<qint64>(library->count(unread, entry.filter));
        Q_EMIT counted(request.round, static_cast<int>(i), messages, unreadCount, QString());
      } catch (const Error& e) {
        Q_EMIT counted(request.round, static_cast<int>(i), -1, -1, QString::fromUtf8(e.what()));
      }
    }
    if (!given) Q_EMIT done(request.round);
  }
}

}  // namespace pelarin::gui
