// The found text in its context for each result row the view shows, read
// behind the window: a row's body may be megabytes, and typing never waits
// for it. What was asked last is answered first.
#pragma once

#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelarin::gui {

class LibrarySnippets : public QObject {
  Q_OBJECT

 public:
  explicit LibrarySnippets(std::filesystem::path dir, QObject* parent = nullptr);
  ~LibrarySnippets() override;

  // A new set of results: what was asked for the ones before is dropped.
  void restart(uint64_t results, std::vector<std::string> folded);
  void ask(uint64_t results, int row, int64_t id);

 Q_SIGNALS:
  // Empty when the body holds none of the texts, or cannot be read.
  void ready(quint64 results, int row, qint64 id, const QString& snippet);

 private:
  struct Asked {
    int row;
    int64_t id;
  };
  void run();

  const std::filesystem::path dir_;
  std::mutex mutex_;
  std::condition_variable wake_;
  uint64_t results_ = 0;
  std::vector<std::string> folded_;
  std::vector<Asked> asked_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace pelarin::gui
