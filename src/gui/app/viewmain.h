// The main window: the shown message, the commands, and the start-up and
// close of the program. It owns the application state.
#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "gui/app/windows.h"

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QMenu;
class QTimer;
class QKeyEvent;

namespace pelarin {
class Library;
class ReaderWalk;
class WorkDirLock;
class LineReader;
class Progress;
}  // namespace pelarin

namespace pelarin::gui {

class BackgroundWork;
class ComposerWindow;
class LibraryImporter;
class TLibraryform;
struct WorkShown;

class Platform;

class TLogview : public QMainWindow, public AppHost {
  Q_OBJECT

 public:
  // Runs the creation steps: defaults, work directory, settings, size, lock file.
  explicit TLogview(Platform& platform, QWidget* parent = nullptr);
  ~TLogview() override;

  AppState& state() { return state_; }
  Platform& platform() { return platform_; }

  // The other windows, once they exist.
  void attach(const Windows& windows);

  // True when start-up was refused (another copy owns the work directory).
  bool refused() const { return state_.AlreadyLaunched == 1; }

  // The name shown for the running program; kept here, not in the captions.
  const QString& applicationTitle() const { return applicationTitle_; }

  // The client size the main window takes: MainWidth, or the derived width when 0.
  int derivedWidth() const;

  // AppHost: what the defaults and the settings load ask of the window.
  void moveMainWindow(int top, int left) override;
  void setApplicationTitle(const Bytes& title) override;
  void setMainCaption(const Bytes& caption) override;
  void setHelpFile(const std::filesystem::path& file) override;
  void disableHelp() override;
  void setViewerFont(const Bytes& face, int size) override;

  // Shows message n in the header boxes and the viewer; CurrentMes is the caller's.
  void ShowStoredMessage(int n);
  // One log into the store, then the first message or "No Message !". When an
  // error stopped the split part-way, the messages before it are shown and
  // the error's text (naming the log and the line) comes back for the box.
  // Throws when the log is refused before the store changes.
  std::optional<QString> LoadLog(const std::filesystem::path& log);
  // Files dropped from the desktop, in the order given.
  void DropFiles(const QStringList& paths);

  void FormActivate();

  // The viewer's context menu: the standard commands, then "Wrap long lines".
  QMenu* viewerMenu();

  // The program ends without asking (a signal, the session's end): the close
  // of Exit, except that a failed save is reported on the standard error and
  // the close goes on. Before this copy owns the work directory it writes
  // nothing. Runs once; emits closed().
  void endProgram();
  bool ended() const { return ended_; }

  // Long store work runs here, one piece at a time; while it runs the
  // commands that read or change the store are disabled.
  BackgroundWork& work() { return *work_; }
  bool working() const;
  // Runs work on the worker thread and waits with the event loop running.
  // Throws CommandAbandoned when the program ended meanwhile.
  void runWork(const WorkShown& shown, const std::function<void(Progress&)>& work,
               const std::function<void()>& finish = {});
  // Caption, the log's name and size for the progress window.
  LibraryImporter& importer() { return *importer_; }
  QLabel* libraryStatus() const { return libraryStatus_; }
  TLibraryform* libraryWindow() const { return libraryWindow_; }
  // Messages of the library as the store, shown from message 1 as after a
  // load, or from the one at `shown` in ids; what names them in the caption. False when refused (a composer
  // is open, work runs) or failed (the box was shown).
  bool openFromLibrary(Library& library, const std::vector<int64_t>& ids, const QString& what,
                       size_t shown = 0);
  static WorkShown shownFor(const std::filesystem::path& log, const QString& caption, const QString& counted);
  // At start: what was open at the last end, opened again as Open in Reader
  // does, after a question unless the library's setting says to without one.
  void offerReopen();
  // A message shown this long is read.
  static constexpr int kReadAfterMs = 1000;

 public Q_SLOTS:
  void Load1Click();
  void Append1Click();
  void LoadBBSFile1Click();
  void UploadScript1Click();
  void Exit1Click();
  void BtPreviousClick();
  void BtNextClick();
  void Privious1Click();
  void Next1Click();
  void BtNewmesClick();
  void BtResponceClick();
  void BtMailClick();
  void BtListClick();
  void List1Click();
  void Directry1Click();
  void Quotation1Click();
  void Signature1Click();
  void Font1Click();
  void Relevance1Click();
  void Alart1Click();
  void BoardList1Click();
  void NameList1Click();
  void InitSize1Click();
  void InitPosition1Click();
  void Help2Click();
  void About1Click();
  void LibraryWindow1Click();
  void AnsweredMessage1Click();
  void Responses1Click();
  void Back1Click();
  void NextUnread1Click();
  void PreviousUnread1Click();
  void Mark1Click();
  void BoadNumberChange();
  void MesListSelectCell(int row);

 Q_SIGNALS:
  // The close went through; the program ends.
  void closed();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void createMenus();
  void createViewerMenu();
  void createLibraryMenu(QMenu* library);
  void queueForLibrary(const std::filesystem::path& log);
  void sendToLibrary();
  void showImport(const QString& log, quint64 bytes, quint64 size, int queued);
  void showImported(const QString& log, qint64 added, qint64 duplicates, const QString& error);
  void showRebuild(int percent);
  void showNotAdded();
  struct ReplyTarget;
  std::optional<MessageKeys> storedKeys(int32_t n) const;
  int32_t storedMessage(int32_t boardKey, int32_t number) const;  // 0 when the store lacks it
  std::unique_ptr<Library> openLibraryQuietly() const;            // none when there is none to read
  std::optional<ReplyTarget> answeredTarget(Library* library) const;
  std::vector<ReplyTarget> responseTargets(Library* library) const;
  void goToReply(const ReplyTarget& target);
  void updateReplyCommands();
  // The reader's state (viewmain_state.cpp): none without a library that keeps it.
  ReaderWalk* readerWalk();
  int64_t libraryIdOf(int32_t n);  // 0 when the library lacks the store's message n
  void markShownRead();
  void writeState(const std::function<void(Library&)>& write);
  void writePending();
  void writeNow();  // at the end: what is pending, on this thread
  void showMark();
  bool markedNow(int64_t id);  // as written, or as about to be
  void goToUnread(bool forward);
  bool pendingRead(int64_t id) const;
  void rememberPlace();
  bool spaceKey(QKeyEvent* key);
  QAction* addItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& key,
                   void (TLogview::*handler)());
  void FormCreate();
  void takeLock();
  // The work directory as a user knows it, also when its name is kept relative.
  QString shownWorkDir() const;
  // ending: the program ends whatever happens (no question, no box).
  bool FormClose(bool ending = false);
  bool saveAtClose(bool ending);
  bool composerHoldsText() const;
  void composersEnd();
  std::vector<ComposerWindow*> composers() const;
  void layoutControls();
  void FormResize();
  void setClientSize(int width, int height);
  void takeSize();
  void clearHeader();
  void afterLoading();
  void refreshListAfterLoading();
  std::optional<QString> loadOpenLog(LineReader& log);
  bool composerOpen() const;
  bool acceptsDrop(QDropEvent* event) const;
  void selectListRow();
  void setWorking(bool on);
  void setComposing(bool on);
  std::filesystem::path workFile(const char* name) const;

  AppState state_;
  Platform& platform_;
  Windows windows_;
  QString applicationTitle_;
  std::unique_ptr<WorkDirLock> lock_;
  bool keepSettingsBackup_ = false;  // the load stopped at a bad line
  bool created_ = false;             // the creation steps have all run
  bool ended_ = false;
  bool workCancelled_ = false;  // the last load was cancelled
  std::unique_ptr<BackgroundWork> work_;
  QActionGroup* storeCommands_ = nullptr;
  std::vector<std::pair<QPushButton*, bool>> buttonsBeforeWork_;
  QSet<QKeySequence> menuKeys_;

  QPushButton* BtPrevious = nullptr;
  QPushButton* BtResponce = nullptr;
  QPushButton* BtNext = nullptr;
  QPushButton* BtNewmes = nullptr;
  QPushButton* BtMail = nullptr;
  QPushButton* BtList = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLineEdit* BoadNumber = nullptr;
  QLineEdit* Mesnumber = nullptr;
  QLineEdit* IDnum = nullptr;
  QLineEdit* WriterName = nullptr;
  QLineEdit* Title = nullptr;
  QLineEdit* ResTitle = nullptr;
  QPlainTextEdit* Docview = nullptr;
  LibraryImporter* importer_ = nullptr;
  std::vector<std::filesystem::path> forLibrary_;  // loaded, not yet handed to the importer
  QLabel* libraryStatus_ = nullptr;   // the import's indicator, right of the menus
  // The logs the imports since the importer was last idle could not add, with the reasons.
  QList<std::pair<QString, QString>> notAdded_;
  bool importerWasIdle_ = false;
  QAction* ImportOnLoad1 = nullptr;
  TLibraryform* libraryWindow_ = nullptr;
  std::string storeHost_;      // the host the store's messages are filed under in the library
  std::vector<int32_t> back_;  // messages shown before each reply followed
  QAction* AnsweredMessage1 = nullptr;
  QAction* Responses1 = nullptr;
  QAction* Back1 = nullptr;
  QAction* WrapLines = nullptr;  // off by default: the host's lines keep their columns
  QAction* Responce1 = nullptr;
  QAction* Help2 = nullptr;
  QAction* ReopenAtStart1 = nullptr;
  // The library's id of each store message where known (index n - 1), 0 where not yet.
  std::vector<int64_t> storeIds_;
  QString storeWhat_;  // what the store holds, as Open in Reader names it
  std::unique_ptr<Library> stateLibrary_;
  std::unique_ptr<ReaderWalk> walk_;
  bool walkFailed_ = false;  // tried again once the importer has done something
  QTimer* readTimer_ = nullptr;
  // Written once the importer lets go of the library, so the window never waits for an import.
  std::vector<std::function<void(Library&)>> pendingWrites_;
  std::thread writer_;
  bool writing_ = false;
  std::vector<int64_t> pendingReads_;
  std::vector<std::pair<int64_t, bool>> pendingMarks_;
  std::optional<bool> reopenPending_;
  int32_t readWhenIdle_ = 0;  // the message shown before the library held it
};

}  // namespace pelarin::gui
