// Following replies from the main window: the message the shown one answers,
// the ones answering it, and the way back. The store is looked at first; what
// only the library holds is added at the store's end, so nothing loaded is lost.
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>

#include <map>

#include "core/app/appstate.h"
#include "core/library/library.h"
#include "core/library/librarystore.h"
#include "core/logimport/messagefile.h"
#include "core/text/errors.h"
#include "core/text/integers.h"
#include "core/text/paths.h"
#include "gui/app/viewmain.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

// One message a reply command can go to: in the store already, or in the library.
struct TLogview::ReplyTarget {
  int32_t stored = 0;  // its message number in the store, 0 when only the library has it
  int64_t id = 0;      // its id in the library, 0 when only the store has it
  int32_t number = 0;
  QString text;        // how the pick list names it
};

std::optional<MessageKeys> TLogview::storedKeys(int32_t n) const {
  if (n < 1 || n > state_.MesCount) return std::nullopt;
  if (state_.Index.covers(state_.MesCount)) return state_.Index.keys(n);
  return readMessageKeys(messagePath(pathFromText(state_.WorkDir), n));
}

int32_t TLogview::storedMessage(int32_t boardKey, int32_t number) const {
  if (number <= 0 || !state_.Index.covers(state_.MesCount)) return 0;
  for (int32_t n = 1; n <= state_.MesCount; ++n) {
    const MessageKeys& k = state_.Index.keys(n);
    if (numberOr0(k.MesNumber) == number && numberOr0(k.BoardKey) == boardKey) return n;
  }
  return 0;
}

std::unique_ptr<Library> TLogview::openLibraryQuietly() const {
  try {
    if (!std::filesystem::exists(Library::fileIn(pathFromText(state_.WorkDir)))) return nullptr;
    return std::make_unique<Library>(pathFromText(state_.WorkDir));
  } catch (const Error&) {
    return nullptr;  // a library that cannot be read answers nothing here
  }
}

std::optional<TLogview::ReplyTarget> TLogview::answeredTarget(Library* library) const {
  const auto shown = storedKeys(state_.CurrentMes);
  if (!shown) return std::nullopt;
  const int32_t board = numberOr0(shown->BoardKey);
  const int32_t reply = numberOr0(shown->ResNumber);
  if (reply <= 0) return std::nullopt;
  ReplyTarget target;
  target.number = reply;
  target.stored = storedMessage(board, reply);
  if (target.stored == 0 && library) {
    if (auto id = library->find(storeHost_, board, reply)) target.id = *id;
  }
  if (target.stored == 0 && target.id == 0) return std::nullopt;
  return target;
}

std::vector<TLogview::ReplyTarget> TLogview::responseTargets(Library* library) const {
  std::vector<ReplyTarget> out;
  const auto shown = storedKeys(state_.CurrentMes);
  if (!shown) return out;
  const int32_t board = numberOr0(shown->BoardKey);
  const int32_t number = numberOr0(shown->MesNumber);
  if (number <= 0) return out;  // mail is answered by nothing that points at it
  auto name = [](const MessageKeys& k) {
    return QStringLiteral("No.%1  %2  %3").arg(toQ(k.MesNumber), toQ(k.Title).trimmed(), toQ(k.WriterName).trimmed());
  };
  std::map<int32_t, ReplyTarget> byNumber;
  if (state_.Index.covers(state_.MesCount))
    for (int32_t n = 1; n <= state_.MesCount; ++n) {
      const MessageKeys& k = state_.Index.keys(n);
      const int32_t own = numberOr0(k.MesNumber);
      if (own > 0 && own != number && numberOr0(k.ResNumber) == number && numberOr0(k.BoardKey) == board &&
          !byNumber.contains(own))
        byNumber[own] = {n, 0, own, name(k)};
    }
  if (library)
    if (auto id = library->find(storeHost_, board, number))
      for (int64_t child : library->responses(*id)) {
        const LibraryMessage m = library->message(child);
        if (!byNumber.contains(m.number)) byNumber[m.number] = {0, child, m.number, name(m.keys)};
      }
  for (auto& [n, target] : byNumber) out.push_back(std::move(target));
  return out;
}

void TLogview::goToReply(const ReplyTarget& target) {
  runCommand(platform_, this, [&] {
    if (working() || state_.MesCount < 1) return;
    int32_t n = target.stored;
    if (n == 0) {
      std::unique_ptr<Library> library = openLibraryQuietly();
      if (!library) return;
      n = state_.MesCount + 1;
      appendToStoreFrom(*library, target.id, pathFromText(state_.WorkDir), n, state_.Index);
      state_.MesCount = n;
      storeIds_.resize(n, 0);
      storeIds_[n - 1] = target.id;
      refreshListAfterLoading();
    }
    back_.push_back(state_.CurrentMes);
    state_.CurrentMes = n;
    Docview->clear();
    ShowStoredMessage(n);
    selectListRow();
  });
}

void TLogview::AnsweredMessage1Click() {
  if (working()) return;
  std::optional<ReplyTarget> target;
  runCommand(platform_, this, [&] {
    std::unique_ptr<Library> library = openLibraryQuietly();
    target = answeredTarget(library.get());
  });
  if (target)
    goToReply(*target);
  else
    QApplication::beep();
}

void TLogview::Responses1Click() {
  if (working()) return;
  std::vector<ReplyTarget> targets;
  runCommand(platform_, this, [&] {
    std::unique_ptr<Library> library = openLibraryQuietly();
    targets = responseTargets(library.get());
  });
  if (targets.empty()) {
    QApplication::beep();
    return;
  }
  // A small pick list over the message, walked with the arrows, Esc to leave it.
  auto* pick = new QMenu(this);
  pick->setObjectName(QStringLiteral("ResponsesPick"));
  pick->setAttribute(Qt::WA_DeleteOnClose);
  for (const ReplyTarget& target : targets)
    connect(pick->addAction(target.text), &QAction::triggered, this, [this, target] { goToReply(target); });
  pick->setActiveAction(pick->actions().front());
  pick->popup(Docview->mapToGlobal(QPoint(0, 0)));
}

void TLogview::Back1Click() {
  while (!back_.empty() && back_.back() > state_.MesCount) back_.pop_back();
  if (back_.empty() || working()) {
    QApplication::beep();
    return;
  }
  runCommand(platform_, this, [this] {
    state_.CurrentMes = back_.back();
    back_.pop_back();
    Docview->clear();
    ShowStoredMessage(state_.CurrentMes);
    selectListRow();
  });
}

void TLogview::updateReplyCommands() {
  bool answered = false;
  bool responses = false;
  if (!working() && state_.MesCount > 0) {
    try {
      std::unique_ptr<Library> library = openLibraryQuietly();
      answered = answeredTarget(library.get()).has_value();
      responses = !responseTargets(library.get()).empty();
    } catch (const Error&) {
      // A message file that cannot be read offers nothing to follow.
    }
  }
  AnsweredMessage1->setEnabled(answered);
  Responses1->setEnabled(responses);
  Back1->setEnabled(!working() && !back_.empty() && back_.back() <= state_.MesCount);
}

}  // namespace pelarin::gui
