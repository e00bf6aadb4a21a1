// The counts beside the tree's entries (each board, the marked messages,
// each saved search): how many messages, how many unread, counted behind
// the window on a connection of its own: the boards at once, then each entry.
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

#include "core/library/boardtally.h"
#include "core/library/library.h"

namespace pelarin::gui {

struct TallyEntry {
  std::vector<std::string> terms;
  LibraryFilter filter;  // its muted flag: muted messages counted too
};

class LibraryTally : public QObject {
  Q_OBJECT

 public:
  explicit LibraryTally(std::filesystem::path dir, QObject* parent = nullptr);
  ~LibraryTally() override;

  // Forgets the round asked before: every board (muted messages counted
  // withMuted), then the entries one by one.
  void ask(uint64_t round, bool withMuted, std::vector<TallyEntry> entries);

 Q_SIGNALS:
  // Every board in the library's order; error: the library's text, the list then empty.
  void boardsCounted(quint64 round, const std::vector<pelarin::BoardTally>& boards, const QString& error);
  // entry: its index in the round's list; error: the library's text, the counts then -1.
  void counted(quint64 round, int entry, qint64 messages, qint64 unread, const QString& error);
  // Every entry of the round is counted.
  void done(quint64 round);

 private:
  struct Request {
    uint64_t round;
    bool withMuted;
    std::vector<TallyEntry> entries;
  };
  void run();
  bool stale();

  const std::filesystem::path dir_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Request> next_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace pelarin::gui
