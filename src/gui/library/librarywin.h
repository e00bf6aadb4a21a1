// The Library window: search as you type over every message ever imported,
// the hosts and boards it holds, a preview, the thread, and the way back
// into the reader. It is also the reader's desk: unread in bold, marks,
// saved searches and the muted threads and writers (librarywin_desk.cpp).
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/library/boardtally.h"
#include "core/library/library.h"
#include "core/library/savedsearch.h"

class QAction;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelarin::gui {

class BackgroundWork;
class LibraryCounter;
class LibrarySnippets;
class PreviewMarks;
class LibraryResults;
class LibraryTally;
class Platform;
class TLogview;

inline constexpr int kLibraryResultLimit = 200;  // ids only; rows load as they show
inline constexpr int kLibraryFirstPage = 50;     // shown at once; the rest and the count follow
inline constexpr char kWindowGeometry[] = "library-window-geometry";
inline constexpr char kWindowSearch[] = "library-window-search";
inline constexpr char kWindowSelected[] = "library-window-selected";
inline constexpr char kExportFolder[] = "library-export-folder";
inline constexpr char kWindowRank[] = "library-window-rank";  // "relevance" or "order"
// How long a message stays in the preview before it counts as read.
inline constexpr int kReadAfterMs = 1000;

// What the tree's items hold.
inline constexpr int kIdRole = Qt::UserRole;
inline constexpr int kHostRole = Qt::UserRole + 1;
inline constexpr int kBoardRole = Qt::UserRole + 2;
inline constexpr int kEntryRole = Qt::UserRole + 3;  // a TreeEntry, above the hosts
inline constexpr int kSavedRole = Qt::UserRole + 4;  // a saved search's name
enum TreeEntry { kMarkedEntry = 1, kSavedEntry = 2 };

class TLibraryform : public QWidget {
  Q_OBJECT

 public:
  // Throws LibraryError when the work directory's library cannot be opened.
  TLibraryform(TLogview& main, Platform& platform);
  ~TLibraryform() override;

  Library& library() { return *library_; }
  // Asks for the search now instead of after the typing pause; the results
  // come from behind the window.
  void searchNow();
  // The chosen results, or the thread when it has the focus, into the reader.
  bool OpenInReader();
  // Every log under the folders and files named, with a summary; refused while one runs.
  void AddLogs(const QStringList& paths);
  void AddFolder1Click();
  BackgroundWork& folderWork() { return *folderWork_; }
  // All matches of the search and board, the shown thread, or the chosen
  // board, as text, mbox or an HTML folder.
  void ExportResults1Click();
  void ExportThread1Click();
  void ExportBoard1Click();
  // The reader's state of the chosen messages, their thread, their board, or
  // every result down to the chosen one.
  enum class Reach { Chosen, Thread, Board, UpToHere };
  void markRead(Reach reach, bool read);
  void toggleMark();
  void muteThreadChosen();
  void muteWriterChosen();
  void showMutedList();
  void SaveSearch1Click();
  void RenameSearch1Click();
  void DeleteSearch1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void fillBoards();
  // The marked entry and the saved searches above the hosts.
  void fillSaved();
  void boardChosen(QTreeWidgetItem* item);
  void createDeskActions();
  void updateDeskActions();
  // After a change of state: rows, preview header and counts again; a mute
  // searches again, for the muted to go.
  void stateChanged(bool searchAgain);
  // The counts of the tree's entries, behind the window.
  void recount();
  void tallied(quint64 round, int entry, qint64 messages, qint64 unread, const QString& error);
  void boardsTallied(quint64 round, const std::vector<BoardTally>& tallies, const QString& error);
  void readShown();
  std::vector<int64_t> chosenIds() const;
  std::optional<SavedSearch> savedAt(const QTreeWidgetItem* item) const;
  void showSelected();
  // The message in the preview, its long lines cut as the viewer cuts them or whole.
  void showPreview(const LibraryMessage& m, bool capped);
  void showThread(int64_t id);
  LibraryFilter filter() const;
  std::vector<std::string> terms() const;
  // Geometry, search and the chosen message, for the next run.
  void remember(bool quietly = false);
  void found(quint64 search, const std::vector<int64_t>& ids, const QString& termError, const QString& error);
  // The first result chosen, or the one the last run had chosen.
  void showFirst();
  void counted(quint64 search, const std::vector<int64_t>& ids, qint64 count, const QString& error);
  // A header clicked: every match by that column, behind the window.
  void sortBy(int column);
  void sorted(quint64 search, const std::vector<int64_t>& ids, qint64 count, const QString& error);
  bool byRelevance() const;
  void selectId(int64_t id);
  void createFolderImport();
  bool acceptsDrop(QDropEvent* event) const;
  void createExportActions();
  void updateExportActions();
  // Asks for the format and the target, then exports what select gives on
  // the worker's own connection.
  void exportChosen(const QString& title, const std::function<std::vector<int64_t>(Library&)>& select);

  TLogview& main_;
  Platform& platform_;
  std::unique_ptr<Library> library_;
  QLineEdit* Search = nullptr;
  QComboBox* Rank = nullptr;  // the library's order or relevance
  QTreeWidget* Boards = nullptr;
  QTableView* Results = nullptr;
  QPlainTextEdit* Preview = nullptr;
  QTreeWidget* Thread = nullptr;
  QAction* PreviewWhole1 = nullptr;  // the previewed message without its lines cut
  PreviewMarks* marks_ = nullptr;
  int64_t previewId_ = 0;
  QTimer* reading_ = nullptr;  // the preview shown long enough to count as read
  LibraryTally* tally_ = nullptr;
  uint64_t tallies_ = 0;
  std::vector<QTreeWidgetItem*> tallied_;  // the entries of the round asked
  std::vector<SavedSearch> saved_;
  QMenu* Message1 = nullptr;
  QMenu* ResultsMenu = nullptr;  // the results' context menu
  QMenu* BoardsMenu = nullptr;
  QAction* Mark1 = nullptr;
  QAction* ShowMuted1 = nullptr;
  QAction* RenameSearch1 = nullptr;
  QAction* DeleteSearch1 = nullptr;
  std::vector<QAction*> onChosen_;  // the commands on the chosen results
  QPushButton* BtOpen = nullptr;
  QLabel* Found = nullptr;
  QMenuBar* Menu = nullptr;
  QMenu* File1 = nullptr;  // Add Folder, the exports, Close
  QAction* AddFolder1 = nullptr;
  BackgroundWork* folderWork_ = nullptr;
  QAction* ExportResults1 = nullptr;
  QAction* ExportThread1 = nullptr;
  QAction* ExportBoard1 = nullptr;
  QTimer* typing_ = nullptr;
  LibraryResults* model_ = nullptr;
  LibraryCounter* counter_ = nullptr;
  LibrarySnippets* snippets_ = nullptr;
  int sortColumn_ = -1;  // the header sorted by; -1: the order Rank chose
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  // What the results shown were asked for: the texts they show and sort by.
  std::vector<std::string> askedTerms_;
  LibraryFilter askedFilter_;
  uint64_t searches_ = 0;  // the number of the search shown
  std::optional<int64_t> toSelect_;
};

}  // namespace pelarin::gui
