// The main window's part in the library: every loaded log is added in the
// background, an indicator right of the menus says how far, and the Library
// menu turns it off.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <utility>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarypreferences.h"
#include "core/library/librarystore.h"
#include "core/library/readerplace.h"
#include "core/lists/association.h"
#include "core/logimport/logloading.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryimporter.h"
#include "gui/library/librarywin.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"
#include "gui/shared/counts.h"
#include "gui/shared/keys.h"
#include "gui/shared/menubarstatus.h"

namespace pelarin::gui {

namespace {

constexpr int kImportedShownMs = 5000;

}  // namespace

void TLogview::createLibraryMenu(QMenu* library) {
  importer_ = new LibraryImporter(this);
  connect(importer_, &LibraryImporter::progressed, this, &TLogview::showImport);
  connect(importer_, &LibraryImporter::finished, this, &TLogview::showImported);
  connect(importer_, &LibraryImporter::rebuilding, this, &TLogview::showRebuild);
  connect(importer_, &LibraryImporter::finished, this, [this] { walkFailed_ = false; });
  connect(importer_, &LibraryImporter::rebuilding, this, [this] { walkFailed_ = false; });
  connect(importer_, &LibraryImporter::idle, this, [this] {
    walkFailed_ = false;
    writePending();
    if (std::exchange(readWhenIdle_, 0) == state_.CurrentMes && !readTimer_->isActive()) markShownRead();
    importerWasIdle_ = true;
    // The last log's count gives way to what was not added, which stays until the next import.
    if (!notAdded_.isEmpty()) showNotAdded();
  });

  ImportOnLoad1 = library->addAction(QStringLiteral("&Add Loaded Logs"));
  ImportOnLoad1->setObjectName(QStringLiteral("ImportOnLoad1"));
  ImportOnLoad1->setCheckable(true);
  ImportOnLoad1->setChecked(true);
  // The choice lives in the library of the work directory: read it as the menu opens.
  connect(library, &QMenu::aboutToShow, this, [this] {
    try {
      Library lib(pathFromText(state_.WorkDir));
      ImportOnLoad1->setChecked(importsOnLoad(lib));
      ImportOnLoad1->setEnabled(true);
      ImportOnLoad1->setToolTip(QString());
      ReopenAtStart1->setChecked(reopenPending_.value_or(reopensAtStart(lib)));
      ReopenAtStart1->setEnabled(true);
    } catch (const Error& e) {
      ImportOnLoad1->setEnabled(false);
      ImportOnLoad1->setToolTip(QString::fromUtf8(e.what()));
      ReopenAtStart1->setEnabled(false);
    }
    updateReplyCommands();
  });
  // Their shortcuts ask again when pressed.
  connect(library, &QMenu::aboutToHide, this, [this] {
    for (QAction* action : {AnsweredMessage1, Responses1, Back1}) action->setEnabled(true);
  });
  connect(ImportOnLoad1, &QAction::triggered, this,
          [this](bool on) { importer_->setImportOnLoad(pathFromText(state_.WorkDir), on); });
  addItem(library, "LibraryWindow1", QStringLiteral("Library &Window"), QKeySequence(Qt::CTRL | Qt::Key_D),
          &TLogview::LibraryWindow1Click);
  library->addSeparator();
  AnsweredMessage1 = addItem(library, "AnsweredMessage1", QStringLiteral("Answered &Message"),
                             QKeySequence(Qt::ALT | Qt::Key_Up), &TLogview::AnsweredMessage1Click);
  Responses1 = addItem(library, "Responses1", QStringLiteral("&Responses"),
                       QKeySequence(Qt::ALT | Qt::Key_Down), &TLogview::Responses1Click);
  Back1 = addItem(library, "Back1", QStringLiteral("&Back"), QKeySequence(Qt::ALT | Qt::Key_Left),
                  &TLogview::Back1Click);
  library->addSeparator();
  // Space and Shift+Space are the viewer's keys (they page first): named here, not shortcuts.
  addItem(library, "NextUnread1", QStringLiteral("&Next Unread\tSpace"), QKeySequence(),
          &TLogview::NextUnread1Click);
  addItem(library, "PreviousUnread1", QStringLiteral("&Previous Unread\tShift+Space"), QKeySequence(),
          &TLogview::PreviousUnread1Click);
  addItem(library, "Mark1", QStringLiteral("Mar&k"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
          &TLogview::Mark1Click);
  library->addSeparator();
  ReopenAtStart1 = library->addAction(QStringLiteral("Reopen at &Start"));
  ReopenAtStart1->setObjectName(QStringLiteral("ReopenAtStart1"));
  ReopenAtStart1->setCheckable(true);
  connect(ReopenAtStart1, &QAction::triggered, this, [this](bool on) {
    reopenPending_ = on;  // what the menu shows until the next start
    writeState([on](Library& lib) { setPreference(lib, kReopenAtStart, on ? "1" : "0"); });
  });

  readTimer_ = new QTimer(this);
  readTimer_->setSingleShot(true);
  connect(readTimer_, &QTimer::timeout, this, &TLogview::markShownRead);

  libraryStatus_ = new MenuBarStatus(this);
  libraryStatus_->setObjectName(QStringLiteral("LibraryStatus"));
  libraryStatus_->hide();
  menuBar()->setCornerWidget(libraryStatus_, Qt::TopRightCorner);
}

void TLogview::queueForLibrary(const std::filesystem::path& log) {
  std::error_code ec;
  const std::filesystem::path where = std::filesystem::absolute(log, ec);
  forLibrary_.push_back(ec ? log : where);
  storeHost_ = hostForLog(state_.BbsTable, log);
}

void TLogview::sendToLibrary() {
  back_.clear();  // the store was loaded anew: its numbers name other messages
  for (const std::filesystem::path& log : forLibrary_)
    importer_->add(pathFromText(state_.WorkDir), log, hostForLog(state_.BbsTable, log));
  forLibrary_.clear();
}

void TLogview::showImport(const QString& log, quint64 bytes, quint64 size, int queued) {
  if (std::exchange(importerWasIdle_, false)) notAdded_.clear();
  QString text = QStringLiteral("ライブラリへ追加中 %1").arg(log);
  if (size > 0) text += QStringLiteral(" %1%").arg(std::min<quint64>(100, bytes * 100 / size));
  if (queued > 0) text += QStringLiteral(" (あと %1)").arg(queued);
  libraryStatus_->setText(text);
  libraryStatus_->setToolTip(QString());
  libraryStatus_->show();
}

void TLogview::showRebuild(int percent) {
  libraryStatus_->setToolTip(QString());
  libraryStatus_->show();
  if (percent < 100) {
    libraryStatus_->setText(QStringLiteral("ライブラリの索引を作り直し中 %1%").arg(percent));
    return;
  }
  libraryStatus_->setText(QStringLiteral("ライブラリの索引を作り直しました"));
  QTimer::singleShot(kImportedShownMs, libraryStatus_, [this] {
    if (!importer_->busy() && libraryStatus_->toolTip().isEmpty()) libraryStatus_->hide();
  });
}

void TLogview::showImported(const QString& log, qint64 added, qint64 duplicates, const QString& error) {
  if (std::exchange(importerWasIdle_, false)) notAdded_.clear();
  if (!error.isEmpty() && added == 0) {
    notAdded_.append({log, error});
    showNotAdded();
    return;  // stays until the next import, so it can be read
  }
  libraryStatus_->setText(
      QStringLiteral("ライブラリ: %1 件追加, %2 件は既存").arg(grouped(added), grouped(duplicates)));
  libraryStatus_->setToolTip(error);
  libraryStatus_->show();
  QTimer::singleShot(kImportedShownMs, libraryStatus_, [this] {
    if (!importer_->busy() && libraryStatus_->toolTip().isEmpty()) libraryStatus_->hide();
  });
}

void TLogview::showNotAdded() {
  const auto& [first, reason] = notAdded_.front();
  if (notAdded_.size() == 1) {
    libraryStatus_->setText(QStringLiteral("ライブラリ: %1 を追加できませんでした").arg(first));
    libraryStatus_->setToolTip(reason);
  } else {
    libraryStatus_->setText(QStringLiteral("ライブラリ: %1 ほか %2 件を追加できませんでした")
                                .arg(first, grouped(notAdded_.size() - 1)));
    QStringList each;
    for (const auto& [log, why] : notAdded_) each << log + QLatin1Char('\n') + why;
    libraryStatus_->setToolTip(each.join(QStringLiteral("\n\n")));
  }
  libraryStatus_->show();
}

void TLogview::LibraryWindow1Click() {
  runCommand(platform_, this, [this] {
    if (!libraryWindow_) libraryWindow_ = new TLibraryform(*this, platform_);
    bringUp(libraryWindow_);
  });
}

bool TLogview::openFromLibrary(Library& library, const std::vector<int64_t>& ids, const QString& what,
                               size_t shown) {
  // As a drop: an open composer writes to the UploadFile of the log it was opened on.
  if (ids.empty() || composerOpen() || working()) return false;
  return runCommand(platform_, this, [&] {
    const std::string host = library.message(ids.front()).host;
    storeHost_ = host;
    if (windows_.list && windows_.list->isVisible()) windows_.list->close();
    clearHeader();
    ClearBoardMap(state_);
    const int32_t previous = state_.MesCount;
    int32_t written = 0;
    try {
      written = writeStoreFrom(library, ids, pathFromText(state_.WorkDir), &state_.Index);
    } catch (...) {
      storeIds_.clear();
      // Part of the store may be new: it is what the files now hold, up to the old count.
      state_.MesCount = std::max(previous, highestMessageFile(pathFromText(state_.WorkDir)));
      state_.Index.clear();
      throw;
    }
    state_.MesCount = written;
    storeIds_ = ids;
    storeWhat_ = what;
    state_.CurrentMes = shown < ids.size() ? static_cast<int32_t>(shown) + 1 : 1;
    // The association follows the host: the entry whose List the messages were filed under.
    state_.UploadFile = state_.UpFileName;
    state_.UploadRewrite = 1;
    state_.ListFileName.clear();
    Bytes list;
    try {
      list = toBytes(QString::fromStdString(host));
    } catch (const Error&) {
      // A host with no code page 932 form names no entry.
    }
    for (const BbsEntry& entry : state_.BbsTable)
      if (!list.empty() && entry.List == list) {
        state_.ListFileName = entry.List;
        state_.UploadFile = storedUploadFile(entry, state_.UpFileName);
      }
    const Bytes title = titleFromBoardList(state_);
    setApplicationTitle(title);
    setWindowTitle(QStringLiteral("ライブラリ: %1 - %2").arg(what, toQ(title)));
    Docview->clear();
    ShowStoredMessage(state_.CurrentMes);
    afterLoading();
  });
}

}  // namespace pelarin::gui
