#include "gui/library/librarysnippets.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>

#include "core/library/foundtext.h"
#include "core/library/library.h"
#include "core/text/cp932.h"
#include "core/text/errors.h"

namespace pelarin::gui {

LibrarySnippets::LibrarySnippets(std::filesystem::path dir, QObject* parent)
    : QObject(parent), dir_(std::move(dir)) {
  thread_ = std::thread([this] { run(); });
}

LibrarySnippets::~LibrarySnippets() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void LibrarySnippets::restart(uint64_t results, std::vector<std::string> folded) {
  std::lock_guard lock(mutex_);
  results_ = results;
  folded_ = std::move(folded);
  asked_.clear();
}

void LibrarySnippets::ask(uint64_t results, int row, int64_t id) {
  {
    std::lock_guard lock(mutex_);
    if (results != results_) return;
    asked_.push_back({row, id});
  }
  wake_.notify_one();
}

void LibrarySnippets::run() {
  // Below the window's thread, as the searches are.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 5);
  // An old index is read as it is: rebuilding is for the thread that shows its progress.
  deferIndexRebuildOnThisThread();
  std::unique_ptr<Library> library;
  for (;;) {
    Asked asked;
    uint64_t results;
    std::vector<std::string> folded;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !asked_.empty(); });
      if (stopping_) return;
      asked = asked_.back();
      asked_.pop_back();
      results = results_;
      folded = folded_;
    }
    QString snippet;
    try {
      if (!library) library = std::make_unique<Library>(dir_);
      snippet = QString::fromStdString(snippetOf(cp932ToUtf8(library->message(asked.id).body), folded));
    } catch (const Error&) {
      // Gone or unreadable: the row's other columns say so.
    }
    Q_EMIT ready(results, asked.row, asked.id, snippet);
  }
}

}  // namespace pelarin::gui
