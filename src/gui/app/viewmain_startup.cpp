// The main window's life: creation with the settings and the lock file,
// activation, and the close that saves and cleans up.
#include <QCloseEvent>
#include <QDir>
#include <QShowEvent>
#include <cstdio>

#include "core/app/lockfile.h"
#include "core/app/settings.h"
#include "core/app/settingsbackup.h"
#include "core/app/workdir.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/storeleftovers.h"
#include "core/text/paths.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/library/libraryimporter.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

void TLogview::FormCreate() {
  SetDefaults(state_, *this);
  // Without a work directory text the files are still found: relative to the current directory.
  std::string warning;
  state_.WorkDir = currentWorkDir(&warning);
  if (!warning.empty())
    platform_.messageBox(this, BoxKind::Warning, QString::fromStdString(warning), BoxButtons::Ok);
  // A bad settings file is reported and the start goes on, so the lock test below still runs.
  runCommand(platform_, this, [this] {
    try {
      // A settings name that is not a file (a FIFO, a directory) is reported, not passed over.
      if (entryExists(workFile(kSettingsName))) LoadSettings(state_.WorkDir, state_, *this);
    } catch (const SettingsLineError&) {
      // The fields after the bad line fell back to their initial values.
      keepSettingsBackup_ = true;
      throw;
    }
  });
  takeSize();
  runCommand(platform_, this, [this] { takeLock(); });
  created_ = true;
}

QString TLogview::shownWorkDir() const {
  if (state_.WorkDir.empty()) return QDir::toNativeSeparators(QDir::currentPath());
  return pathToQ(state_.WorkDir);
}

void TLogview::takeLock() {
  auto lock = std::make_unique<WorkDirLock>(workFile(kLockFileName));
  const QString dir = shownWorkDir();
  if (lock->outcome() == WorkDirLock::Outcome::Refused) {
    // Set before the box: a signal while it is open must not end this copy as an owner.
    state_.AlreadyLaunched = 1;
    // The second line names the lock file as it is spelt on this system.
    const QString lockFile =
        dir + (dir.endsWith(QDir::separator()) ? QString() : QString(QDir::separator())) + kLockFileName;
    platform_.messageBox(this, BoxKind::Error,
                         QStringLiteral("Pelarin is already launched or UPLOAD.TMP exists\n") + lockFile,
                         BoxButtons::Ok);
    FormClose();
    return;
  }
  lock_ = std::move(lock);
  // The store lives for one run: what a run that did not end cleanly left goes.
  removeStoreLeftovers(workFile(""));
  // The logs an earlier run had loaded but not yet added to the library.
  importer_->openLibrary(pathFromText(state_.WorkDir));
  importer_->takeUpQueue(pathFromText(state_.WorkDir));
  if (lock_->outcome() == WorkDirLock::Outcome::TakenOver)
    platform_.messageBox(
        this, BoxKind::Information,
        QStringLiteral("前回の Pelarin は正しく終了しなかったため、ロックファイル upload.tmp "
                       "を引き継ぎました。\n") +
            dir,
        BoxButtons::Ok);
  moveMainWindow(state_.MainTop, state_.MainLeft);
}

void TLogview::FormActivate() {
  takeSize();
  if (state_.AlreadyLaunched == 1) close();
}

void TLogview::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TLogview::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  setAcceptDrops(true);
}

bool TLogview::saveAtClose(bool ending) {
  auto save = [this] {
    if (keepSettingsBackup_) {
      keepSettingsBackup(workFile(kSettingsName));
      keepSettingsBackup_ = false;
    }
    SaveSettings(state_);
  };
  if (ending) {
    // Nobody is there to answer a box: the end goes on without the settings.
    try {
      save();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "pelarin: %s\n", e.what());
    }
    return true;
  }
  if (runCommand(platform_, this, save)) return true;
  return platform_.messageBox(this, BoxKind::Confirmation,
                              QStringLiteral("設定を保存できませんでした。保存せずに終了しますか？"),
                              BoxButtons::YesNoDefaultNo) == BoxAnswer::Yes;
}

bool TLogview::FormClose(bool ending) {
  if (state_.AlreadyLaunched == 0) {
    if (windows_.list && windows_.list->isVisible()) windows_.list->close();
    state_.MainTop = pos().y();
    state_.MainLeft = pos().x();
    // Saved before the messages go, so a failed save leaves the shown messages readable.
    if (!saveAtClose(ending)) return false;
    rememberPlace();
    deleteMessages(pathFromText(state_.WorkDir), state_.MesCount);
    // Only the copy that holds the lock removes the file, while it holds it.
    if (lock_) lock_->release();
    lock_.reset();
  }
  if (fileExists(workFile(kHelpFileName))) platform_.closeHelp(pathToQ(state_.WorkDir + kHelpFileName));
  return true;
}

std::vector<ComposerWindow*> TLogview::composers() const {
  std::vector<ComposerWindow*> all;
  for (ComposerWindow* c :
       std::initializer_list<ComposerWindow*>{windows_.res, windows_.newMessage, windows_.mail})
    if (c) all.push_back(c);
  return all;
}

bool TLogview::composerHoldsText() const {
  for (const ComposerWindow* c : composers())
    if (c->holdsText()) return true;
  return false;
}

void TLogview::composersEnd() {
  for (ComposerWindow* c : composers())
    if (c->isVisible()) c->programEnds();
}

void TLogview::closeEvent(QCloseEvent* event) {
  if (ended_) {
    event->accept();
    return;
  }
  if (state_.AlreadyLaunched == 0 && composerHoldsText()) {
    const BoxAnswer answer = platform_.messageBox(
        this, BoxKind::Confirmation, QStringLiteral("編集中のメッセージは送信されていません。終了しますか？"),
        BoxButtons::YesNoDefaultNo);
    // A signal while the box was open has ended the program already.
    if (ended_ || answer != BoxAnswer::Yes) {
      ended_ ? event->accept() : event->ignore();
      return;
    }
  }
  // Work still running stops first: what it completed is the store the close clears.
  if (working()) work_->stop();
  if (!FormClose()) {
    event->ignore();
    return;
  }
  composersEnd();
  ended_ = state_.AlreadyLaunched == 0;
  event->accept();
  Q_EMIT closed();
}

void TLogview::endProgram() {
  if (ended_) return;
  composersEnd();
  if (working()) work_->stop();
  // Before the lock step this copy may not own the directory: it writes nothing.
  if (created_ || lock_) FormClose(true);
  ended_ = true;
  hide();
  Q_EMIT closed();
}

void TLogview::Exit1Click() { close(); }

}  // namespace pelarin::gui
