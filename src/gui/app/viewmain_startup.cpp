// The main window's life: creation with the settings and the lock file,
// activation, and the close that cleans up and saves.
#include <QCloseEvent>
#include <QShowEvent>

#include "core/app/lockfile.h"
#include "core/app/settings.h"
#include "core/app/workdir.h"
#include "core/logimport/messagefile.h"
#include "core/text/paths.h"
#include "gui/app/viewmain.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

void TLogview::FormCreate() {
  SetDefaults(state_, *this);
  // Without a work directory text the files are still found: relative to the current directory.
  runCommand(platform_, this, [this] { state_.WorkDir = currentWorkDir(); });
  // A bad settings file is reported and the start goes on, so the lock test below still runs.
  runCommand(platform_, this, [this] {
    if (fileExists(workFile(kSettingsName))) LoadSettings(state_.WorkDir, state_, *this);
  });
  takeSize();

  runCommand(platform_, this, [this] {
    if (!createLockFile(workFile(kLockFileName))) {
      platform_.messageBox(this, BoxKind::Error,
                           QStringLiteral("Pelarin is already launched or UPLOAD.TMP exists"),
                           BoxButtons::Ok);
      state_.AlreadyLaunched = 1;
      FormClose();
      return;
    }
    ownsLock_ = true;
    moveMainWindow(state_.MainTop, state_.MainLeft);
  });
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

bool TLogview::FormClose() {
  if (state_.AlreadyLaunched == 0) {
    if (windows_.list && windows_.list->isVisible()) windows_.list->close();
    deleteMessages(pathFromText(state_.WorkDir), state_.MesCount);
    state_.MainTop = pos().y();
    state_.MainLeft = pos().x();
    if (!runCommand(platform_, this, [this] { SaveSettings(state_); })) return false;
    // Only the copy that made the lock file removes it.
    if (ownsLock_) removeQuietly(workFile(kLockFileName));
    ownsLock_ = false;
  }
  if (fileExists(workFile(kHelpFileName))) platform_.closeHelp(pathToQ(state_.WorkDir + kHelpFileName));
  return true;
}

void TLogview::closeEvent(QCloseEvent* event) {
  if (!FormClose()) {
    event->ignore();
    return;
  }
  event->accept();
  Q_EMIT closed();
}

void TLogview::Exit1Click() { close(); }

}  // namespace pelarin::gui
