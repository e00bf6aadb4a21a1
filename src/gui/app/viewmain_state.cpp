// What the reader keeps in the library, from the main window: a message shown
// for a moment is read, a mark toggles, and Next and Previous Unread walk
// the store and then the library's boards. A message only the store holds is
// not tracked. The window never waits for an import: what it writes while one
// runs is written when the importer is idle.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarystate.h"
#include "core/library/readerwalk.h"
#include "core/reading/boardcode.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "core/text/paths.h"
#include "core/text/progress.h"
#include "gui/app/progresswindow.h"
#include "gui/app/viewmain.h"
#include "gui/library/libraryimporter.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

namespace {

int32_t numberOr0(ByteView text) {
  const auto n = parseNumber(text);
  return n ? *n : 0;
}

const QString kMarkSign = QStringLiteral("★ ");

}  // namespace

ReaderWalk* TLogview::readerWalk() {
  if (walk_) return walk_.get();
  // The importer may be making the library right now: it is opened once the importer is idle.
  if (walkFailed_ || importer_->busy()) return nullptr;
  try {
    std::unique_ptr<Library> library = openLibraryQuietly();
    // One read as it is until its upgrade keeps no state; asked again later.
    if (library && library->keepsState()) {
      walk_ = std::make_unique<ReaderWalk>(*library);
      stateLibrary_ = std::move(library);
      return walk_.get();
    }
  } catch (const Error&) {
  }
  walkFailed_ = true;
  return nullptr;
}

int64_t TLogview::libraryIdOf(int32_t n) {
  if (n < 1 || n > state_.MesCount) return 0;
  if (storeIds_.size() < static_cast<size_t>(state_.MesCount)) storeIds_.resize(state_.MesCount, 0);
  int64_t& id = storeIds_[n - 1];
  if (id != 0) return id;
  ReaderWalk* walk = readerWalk();
  if (!walk) return 0;
  try {
    const std::optional<MessageKeys> keys = storedKeys(n);
    // Not kept when missing: the import may add it later.
    if (keys) id = walk->idOf(storeHost_, numberOr0(keys->BoardKey), numberOr0(keys->MesNumber));
  } catch (const Error&) {
  }
  return id;
}

bool TLogview::pendingRead(int64_t id) const {
  return std::find(pendingReads_.begin(), pendingReads_.end(), id) != pendingReads_.end();
}

void TLogview::writeState(const std::function<void(Library&)>& write) {
  pendingWrites_.push_back(write);
  writePending();
}

// A batch at a time on a thread of its own: the first write of a run checks
// the whole library file, which on a large one takes seconds.
void TLogview::writePending() {
  if (writing_ || pendingWrites_.empty() || importer_->busy() || !readerWalk()) return;
  if (writer_.joinable()) writer_.join();
  auto batch = std::make_shared<std::vector<std::function<void(Library&)>>>();
  batch->swap(pendingWrites_);
  const size_t reads = pendingReads_.size(), marks = pendingMarks_.size();
  writing_ = true;
  writer_ = std::thread([this, batch, dir = pathFromText(state_.WorkDir), reads, marks] {
    try {
      Library library(dir);
      for (const auto& write : *batch) {
        try {
          write(library);
        } catch (const std::exception&) {
          // A library that cannot be written (read-only, damaged) keeps nothing; reading goes on.
        }
      }
    } catch (const std::exception&) {
    }
    QMetaObject::invokeMethod(
        this,
        [this, reads, marks] {
          writing_ = false;
          pendingReads_.erase(pendingReads_.begin(),
                              pendingReads_.begin() + std::min(reads, pendingReads_.size()));
          pendingMarks_.erase(pendingMarks_.begin(),
                              pendingMarks_.begin() + std::min(marks, pendingMarks_.size()));
          writePending();
        },
        Qt::QueuedConnection);
  });
}

void TLogview::writeNow() {
  if (writer_.joinable()) writer_.join();
  writing_ = false;
  if (pendingWrites_.empty() || !readerWalk()) return;
  for (const auto& write : pendingWrites_) {
    try {
      write(*stateLibrary_);
    } catch (const std::exception&) {
    }
  }
  pendingWrites_.clear();
}

void TLogview::markShownRead() {
  if (working() || state_.MesCount < 1) return;
  const int64_t id = libraryIdOf(state_.CurrentMes);
  // Shown while its log was still being added: read once it is in.
  readWhenIdle_ = id == 0 && importer_->busy() ? state_.CurrentMes : 0;
  if (id == 0 || pendingRead(id)) return;
  pendingReads_.push_back(id);
  writeState([id](Library& library) { setFlag(library, MessageFlag::Read, {id}, true); });
}

bool TLogview::markedNow(int64_t id) {
  const auto pending = std::find_if(pendingMarks_.rbegin(), pendingMarks_.rend(),
                                    [id](const auto& p) { return p.first == id; });
  if (pending != pendingMarks_.rend()) return pending->second;
  try {
    return walk_ && walk_->marked(id);
  } catch (const Error&) {
    return false;
  }
}

void TLogview::showMark() {
  const int64_t id = libraryIdOf(state_.CurrentMes);
  const bool marked = id != 0 && markedNow(id);
  QString title = windowTitle();
  if (title.startsWith(kMarkSign)) title.remove(0, kMarkSign.size());
  setWindowTitle(marked ? kMarkSign + title : title);
}

void TLogview::Mark1Click() {
  if (working() || state_.MesCount < 1) return;
  const int64_t id = libraryIdOf(state_.CurrentMes);
  if (id == 0) {
    QApplication::beep();  // only the store holds it
    return;
  }
  const bool on = !markedNow(id);
  pendingMarks_.emplace_back(id, on);
  writeState([id, on](Library& library) { setFlag(library, MessageFlag::Marked, {id}, on); });
  showMark();
}

void TLogview::NextUnread1Click() { goToUnread(true); }

void TLogview::PreviousUnread1Click() { goToUnread(false); }

void TLogview::goToUnread(bool forward) {
  if (working()) return;
  runCommand(platform_, this, [this, forward] {
    ReaderWalk* walk = readerWalk();
    if (!walk) {
      QApplication::beep();
      return;
    }
    writePending();
    const int32_t step = forward ? 1 : -1;
    // The store first, in stretches that grow: the next unread is most often the next message.
    size_t stretch = 16;
    for (int32_t n = state_.CurrentMes + step; n >= 1 && n <= state_.MesCount; stretch *= 4) {
      std::vector<int32_t> numbers;
      std::vector<int64_t> ids;
      for (; n >= 1 && n <= state_.MesCount && numbers.size() < stretch; n += step) {
        const int64_t id = libraryIdOf(n);
        if (id == 0 || pendingRead(id)) continue;
        numbers.push_back(n);
        ids.push_back(id);
      }
      const std::vector<bool> unread = walk->unread(ids);
      for (size_t i = 0; i < ids.size(); ++i)
        if (unread[i]) {
          state_.CurrentMes = numbers[i];
          Docview->clear();
          ShowStoredMessage(state_.CurrentMes);
          selectListRow();
          return;
        }
    }
    // Then the library: the nearest board with unread messages, in place of the store.
    std::optional<BoardPlace> from;
    if (const int64_t id = libraryIdOf(state_.CurrentMes))
      from = walk->placeOf(id);
    else if (const auto keys = storedKeys(state_.CurrentMes))
      from = BoardPlace{storeHost_, numberOr0(keys->BoardKey)};
    // Read boards are passed over a message at a time: on a large library that
    // takes a while, so it runs behind the window, with its own connection.
    std::optional<BoardPlace> board;
    std::vector<int64_t> ids;
    size_t shown = 0;
    const std::filesystem::path dir = pathFromText(state_.WorkDir);
    const std::vector<int64_t> read = pendingReads_;
    try {
      runWork({QStringLiteral("未読のあるボードを検索中"), QString(), 0, QStringLiteral("ボード")},
              [&](Progress& progress) {
                Library library(dir);
                ReaderWalk far(library);
                board = far.unreadBoard(from, forward, &progress);
                if (!board) return;
                ids = far.boardMessages(*board);
                const std::vector<bool> unread = far.unread(ids);
                for (size_t i = 0; i < ids.size(); ++i)
                  if (unread[i] && std::find(read.begin(), read.end(), ids[i]) == read.end()) {
                    shown = i;
                    if (forward) break;
                  }
              });
    } catch (const CancelledError&) {
      return;
    }
    if (!board) {
      platform_.messageBox(this, BoxKind::Information, QStringLiteral("未読のメッセージはありません。"),
                           BoxButtons::Ok);
      return;
    }
    const QString code = toQ(BoardCode(std::to_string(board->boardKey)));
    const QString named =
        board->host.empty() ? code : QString::fromStdString(board->host) + QLatin1Char(' ') + code;
    if (platform_.messageBox(this, BoxKind::Confirmation,
                             QStringLiteral("%1未読のあるボード %2 を開きますか？")
                                 .arg(forward ? QStringLiteral("次に") : QStringLiteral("前に"), named),
                             BoxButtons::YesNo) != BoxAnswer::Yes)
      return;
    openFromLibrary(walk->library(), ids, code, shown);
  });
}

// Space pages the message down and at its end goes to the next unread, as
// offline readers do; Shift+Space the same upwards.
bool TLogview::spaceKey(QKeyEvent* key) {
  const bool shift = key->modifiers() == Qt::ShiftModifier;
  if (key->key() != Qt::Key_Space || (key->modifiers() != Qt::NoModifier && !shift)) return false;
  QScrollBar* bar = Docview->verticalScrollBar();
  if (!shift && bar->value() < bar->maximum())
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  else if (shift && bar->value() > bar->minimum())
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  else
    goToUnread(!shift);
  return true;
}

}  // namespace pelarin::gui
