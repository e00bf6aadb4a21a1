// Log loading in the main window: Load, Append and files dropped from the
// desktop, each followed by the first message and a rebuilt list.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/logimport/logloading.h"
#include "core/logimport/splitlog.h"
#include "core/text/errors.h"
#include "core/text/linereader.h"
#include "core/text/progress.h"
#include "gui/app/backgroundwork.h"
#include "gui/app/viewmain.h"
#include "gui/compose/mailwin.h"
#include "gui/compose/newwin.h"
#include "gui/compose/reswin.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/shared/filedrop.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

namespace {

const QString kMessagesKept = QStringLiteral("それまでのメッセージは読み込まれています。");

// One box for everything that stopped a command's logs, shown once the
// messages that were read are on the screen.
void showStops(Platform& platform, QWidget* parent, const QStringList& stops, bool kept) {
  if (stops.isEmpty()) return;
  QString text = stops.join(QLatin1Char('\n'));
  if (kept) text += QLatin1Char('\n') + kMessagesKept;
  platform.messageBox(parent, BoxKind::Error, text, BoxButtons::Ok);
}

// The worker's stand-in for the window: the titles it sets wait for this thread.
class TitleRecorder : public AppHost {
 public:
  void setMainCaption(const Bytes& caption) override { caption_ = caption; }
  void setApplicationTitle(const Bytes& title) override { title_ = title; }
  void replay(AppHost& host) const {
    if (caption_) host.setMainCaption(*caption_);
    if (title_) host.setApplicationTitle(*title_);
  }

 private:
  std::optional<Bytes> caption_, title_;
};

// What a load changes of the state it was given.
void takeLoadResult(AppState& to, AppState& from) {
  to.UploadFile = from.UploadFile;
  to.UploadRewrite = from.UploadRewrite;
  to.ListFileName = from.ListFileName;
  to.MesCount = from.MesCount;
  to.CurrentMes = from.CurrentMes;
  to.BoardMap = from.BoardMap;
  to.BoardMapCount = from.BoardMapCount;
  to.Index = std::move(from.Index);
}

}  // namespace

std::optional<QString> TLogview::LoadLog(const std::filesystem::path& log) {
  // A folder or an unreadable log is refused here, before the store changes.
  LineReader in(log, LineReader::Form::Guess);
  return loadOpenLog(in);
}

std::optional<QString> TLogview::loadOpenLog(LineReader& log) {
  std::optional<QString> stopped;
  workCancelled_ = false;
  // The load may sort what was there before among its own: each is looked up again.
  storeIds_.clear();
  const QString name = QFile::decodeName(log.path().filename().c_str());
  storeWhat_ = state_.AppendMode && !storeWhat_.isEmpty() ? storeWhat_ + QStringLiteral(", ") + name : name;
  // The worker loads into its own copy; the finish takes the load's fields
  // back on this thread, also after a stop or a cancel.
  AppState copy = state_;
  TitleRecorder titles;
  try {
    runWork(
        shownFor(log.path(), QStringLiteral("読み込み中"), QStringLiteral("メッセージ")),
        [&](Progress& progress) { loadLogIntoStore(log, copy, titles, &progress); },
        [&] {
          takeLoadResult(state_, copy);
          titles.replay(*this);
        });
  } catch (const SplitStoppedError& e) {
    // What was read before the stop is kept and shown; the box says where.
    if (e.cancelled())
      workCancelled_ = true;
    else
      stopped = QString::fromUtf8(e.what());
  } catch (const CancelledError&) {
    // The sort was cancelled: every message is whole, in the order reached.
    workCancelled_ = true;
  }
  Docview->clear();
  if (state_.MesCount > 0)
    ShowStoredMessage(state_.CurrentMes);
  else if (!stopped && !workCancelled_)
    platform_.messageBox(this, BoxKind::Warning, QStringLiteral("No Message !"), BoxButtons::Ok);
  // What the user cancelled is not wanted in the library either.
  if (!workCancelled_) queueForLibrary(log.path());
  return stopped;
}

bool TLogview::composerOpen() const {
  for (const QWidget* composer :
       std::initializer_list<const QWidget*>{windows_.newMessage, windows_.res, windows_.mail})
    if (composer && composer->isVisible()) return true;
  return false;
}

void TLogview::clearHeader() {
  for (QLineEdit* box : {BoadNumber, Mesnumber, IDnum, WriterName, ResTitle, Title}) box->clear();
}

// The library gets the logs only now, once the reader has all it needs.
void TLogview::afterLoading() {
  refreshListAfterLoading();
  sendToLibrary();
}

void TLogview::refreshListAfterLoading() {
  if (state_.MesCount == 0) {
    BtList->setEnabled(false);
    return;
  }
  BtList->setEnabled(true);
  if (TListform* list = windows_.list) {
    // The rebuild selects the row already shown; its select event must not
    // refill header boxes that a cancelled Load has emptied.
    TListform::QuietSelection quiet(*list);
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
    const QString command = state_.AppendMode ? QStringLiteral("Append") : QStringLiteral("Load");
    std::optional<QString> log = platform_.openFile(this, command, toQ(state_.LogFileDir),
                                                    QStringLiteral("Log File|*.log|ALL Files|*.*"));
    std::optional<QString> stopped;
    if (log) stopped = LoadLog(toPath(*log));
    afterLoading();
    if (stopped) showStops(platform_, this, {*stopped}, true);
  });
  // Also after an error, so the next Load replaces the store.
  state_.AppendMode = 0;
}

void TLogview::Append1Click() {
  state_.AppendMode = 1;
  Load1Click();
}

void TLogview::DropFiles(const QStringList& paths) {
  // An open composer writes to the UploadFile of the log it was opened on.
  if (composerOpen() || working()) return;
  runCommand(platform_, this, [this, &paths] {
    if (windows_.list && windows_.list->isVisible()) windows_.list->close();
    clearHeader();
    ClearBoardMap(state_);
    // A log that fails does not end the drop: the others load, and one box
    // at the end lists what stopped.
    QStringList stops;
    bool kept = false;
    for (const QString& path : paths) {
      std::optional<LineReader> in;
      try {
        in.emplace(toPath(path), LineReader::Form::Guess);
      } catch (const Error& e) {
        // Refused before the store changed, so the next log still replaces it.
        stops << QString::fromUtf8(e.what());
        continue;
      }
      try {
        if (std::optional<QString> stopped = loadOpenLog(*in)) {
          stops << *stopped;
          kept = true;
        }
      } catch (const Error& e) {
        stops << QString::fromUtf8(e.what());
      }
      state_.AppendMode = 1;
      // A cancel ends the whole drop; the logs loaded so far stay.
      if (workCancelled_) break;
    }
    afterLoading();
    showStops(platform_, this, stops, kept);
  });
  state_.AppendMode = 0;
}

bool TLogview::acceptsDrop(QDropEvent* event) const {
  return !composerOpen() && !working() && offersFilesToCopy(event);
}

void TLogview::dragEnterEvent(QDragEnterEvent* event) { answerDrag(event, acceptsDrop(event)); }

void TLogview::dragMoveEvent(QDragMoveEvent* event) { answerDrag(event, acceptsDrop(event)); }

void TLogview::dropEvent(QDropEvent* event) {
  takeDrop(event, acceptsDrop(event), this, [this](const QStringList& files) { DropFiles(files); });
}

}  // namespace pelarin::gui
