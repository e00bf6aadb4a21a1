// Every search of the window, behind it, on a thread with its own
// connection: the first page, then the first results' remainder and the full
// count; or every match sorted by a column. Only the latest request is worked
// on; an older one is dropped, a sort under way given up.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/library/library.h"
#include "gui/library/resultsort.h"

namespace pelarin::gui {

class LibraryCounter : public QObject {
  Q_OBJECT

 public:
  LibraryCounter(std::filesystem::path dir, size_t firstPage, size_t limit, QObject* parent = nullptr);
  ~LibraryCounter() override;

  // Forgets the search asked before; finished() names this one's number.
  // byRelevance: best first, else the library's order.
  void ask(uint64_t search, std::vector<std::string> terms, LibraryFilter filter, bool byRelevance = false);
  // Every match of the search by the key; sorted() gives the first `limit`.
  void sort(uint64_t search, std::vector<std::string> terms, LibraryFilter filter, ResultSort by);

 Q_SIGNALS:
  // The first `firstPage` matches; termError: the query's own fault (too
  // long a term), error: the library's.
  void firstPage(quint64 search, const std::vector<int64_t>& ids, const QString& termError, const QString& error);
  // ids: the first `limit` matches; error: the library's text when it failed.
  void finished(quint64 search, const std::vector<int64_t>& ids, qint64 count, const QString& error);
  // count: every match; error: the library's text when it failed.
  void sorted(quint64 search, const std::vector<int64_t>& ids, qint64 count, const QString& error);

 private:
  struct Request {
    uint64_t search;
    std::vector<std::string> terms;
    LibraryFilter filter;
    bool byRelevance = false;
    std::optional<ResultSort> sort;
  };
  void run();
  void sortNow(Library& library, const Request& request);
  bool stale();

  const std::filesystem::path dir_;
  const size_t firstPage_, limit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Request> next_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace pelarin::gui
