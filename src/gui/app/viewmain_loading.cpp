// Log loading in the main window: Load, Append and files dropped from the
// desktop, each followed by the first message and a rebuilt list.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "core/logimport/logloading.h"
#include "gui/app/viewmain.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

namespace {

QStringList localFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

}  // namespace

void TLogview::LoadLog(const std::filesystem::path& log) {
  loadLogIntoStore(log, state_, *this);
  Docview->clear();
  if (state_.MesCount > 0)
    ShowStoredMessage(state_.CurrentMes);
  else
    platform_.messageBox(this, BoxKind::Warning, QStringLiteral("No Message !"), BoxButtons::Ok);
}

void TLogview::clearHeader() {
  for (QLineEdit* box : {BoadNumber, Mesnumber, IDnum, WriterName, ResTitle, Title}) box->clear();
}

void TLogview::afterLoading() {
  if (state_.MesCount == 0) {
    BtList->setEnabled(false);
    return;
  }
  BtList->setEnabled(true);
  if (TListform* list = windows_.list) {
    // The rebuild selects the row already shown; its select event must not
    // refill header boxes that a cancelled Load has emptied.
    rebuildingList_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{rebuildingList_};
    list->selectRow(state_.CurrentMes);
    list->BtListClick();
    list->close();
  }
}

void TLogview::Load1Click() {
  runCommand(platform_, this, [this] {
    if (windows_.list && windows_.list->isVisible()) windows_.list->close();
    clearHeader();
    ClearBoardMap(state_);
    std::optional<QString> log =
        platform_.openFile(this, toQ(state_.LogFileDir), QStringLiteral("Log File|*.log|ALL Files|*.*"));
    if (log) LoadLog(toPath(*log));
    afterLoading();
  });
  // Also after an error, so the next Load replaces the store.
  state_.AppendMode = 0;
}

void TLogview::Append1Click() {
  state_.AppendMode = 1;
  Load1Click();
}

void TLogview::DropFiles(const QStringList& paths) {
  runCommand(platform_, this, [this, &paths] {
    if (windows_.list && windows_.list->isVisible()) windows_.list->close();
    clearHeader();
    ClearBoardMap(state_);
    for (const QString& path : paths) {
      LoadLog(toPath(path));
      state_.AppendMode = 1;
    }
    afterLoading();
  });
  state_.AppendMode = 0;
}

void TLogview::dragEnterEvent(QDragEnterEvent* event) {
  if (!localFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TLogview::dropEvent(QDropEvent* event) {
  const QStringList files = localFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  // Loading runs after the drop has been answered, so the desktop is not kept waiting on our boxes.
  QMetaObject::invokeMethod(
      this, [this, files] { DropFiles(files); }, Qt::QueuedConnection);
}

}  // namespace pelarin::gui
