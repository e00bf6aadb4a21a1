// The Library window as the reader's desk: read and unread, the mark, the
// saved searches and the marked messages in the tree, and what is muted.
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <map>

#include "core/library/exportquery.h"
#include "core/library/librarystate.h"
#include "core/library/savedsearch.h"
#include "core/library/sqlite.h"
#include "core/reading/boardcode.h"
#include "core/text/errors.h"
#include "gui/library/libraryresults.h"
#include "gui/library/librarytally.h"
#include "gui/library/librarywin.h"
#include "gui/platform/command.h"
#include "gui/platform/platform.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/counts.h"

namespace pelarin::gui {

namespace {

// The writer's ID as the library keeps it, for a mute by host and ID.
MutedWriter writerOf(Library& library, int64_t id) {
  Statement s(library.database(), "SELECT host, writer_id FROM messages WHERE id = ?1");
  s.bind(1, id);
  if (!s.step()) throw LibraryError(noSuchMessageText(id));
  return {s.text(0), static_cast<int32_t>(s.integer(1))};
}

QString threadCaption(Library& library, int64_t id) {
  const LibraryMessage m = library.message(id);
  return QStringLiteral("%1 %2  No.%3  %4")
      .arg(QString::fromStdString(m.host), toQ(BoardCode(m.keys.BoardKey)), toQ(m.keys.MesNumber),
           toQ(m.keys.Title).trimmed());
}

// What is muted, each with a button that unmutes it; changed() after each.
class MutedListDialog : public QDialog {
 public:
  MutedListDialog(QWidget* parent, Library& library, Platform& platform, std::function<void()> changed)
      : QDialog(parent), library_(library), platform_(platform), changed_(std::move(changed)) {
    setObjectName(QStringLiteral("MutedList"));
    setWindowTitle(QStringLiteral("Muted"));
    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("MutedItems"));
    table_->setColumnCount(3);
    table_->setHorizontalHeaderLabels({QStringLiteral("Kind"), QStringLiteral("Muted"), QString()});
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    describe(table_, QStringLiteral("Muted"), QStringLiteral("ミュートしたスレッドと投稿者"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(560, 320);
    fill();
  }

 private:
  void fill() {
    table_->setRowCount(0);
    const MutedList list = mutedList(library_);
    auto add = [this](const QString& kind, const QString& what, std::function<void()> unmute) {
      const int row = table_->rowCount();
      table_->insertRow(row);
      table_->setItem(row, 0, new QTableWidgetItem(kind));
      table_->setItem(row, 1, new QTableWidgetItem(what));
      auto* button = new QPushButton(QStringLiteral("Unmute"), table_);
      button->setObjectName(QStringLiteral("Unmute%1").arg(row));
      describe(button, QStringLiteral("Unmute"), what);
      connect(button, &QPushButton::clicked, this, [this, unmute = std::move(unmute)] {
        runCommand(platform_, this, [&] { unmute(); });
        // Later in the loop's turn: the button pressed goes with its row.
        QTimer::singleShot(0, this, [this] {
          fill();
          changed_();
        });
      });
      table_->setCellWidget(row, 2, button);
    };
    for (int64_t id : list.threads)
      add(QStringLiteral("Thread"), threadCaption(library_, id), [this, id] { unmuteThread(library_, id); });
    for (const MutedWriter& w : list.writers)
      add(QStringLiteral("Writer"),
          QStringLiteral("%1  ID %2")
              .arg(QString::fromStdString(w.host))
              .arg(w.writerId, 4, 10, QLatin1Char('0')),
          [this, w] { unmuteWriter(library_, w.host, w.writerId); });
    table_->resizeColumnToContents(0);
    table_->resizeColumnToContents(2);
  }

  Library& library_;
  Platform& platform_;
  std::function<void()> changed_;
  QTableWidget* table_;
};

}  // namespace

void TLibraryform::createDeskActions() {
  reading_ = new QTimer(this);
  reading_->setSingleShot(true);
  reading_->setInterval(kReadAfterMs);
  connect(reading_, &QTimer::timeout, this, &TLibraryform::readShown);

  Message1 = Menu->addMenu(QStringLiteral("&Message"));
  Message1->setObjectName(QStringLiteral("LibraryMessage1"));
  auto add = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& key,
                    std::function<void()> run) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    connect(action, &QAction::triggered, this,
            [this, run = std::move(run)] { runCommand(platform_, this, run); });
    return action;
  };
  const struct {
    const char* menu;
    const char* caption;
    bool read;
  } readMenus[] = {{"MarkRead1", "Mark &Read", true}, {"MarkUnread1", "Mark &Unread", false}};
  for (const auto& each : readMenus) {
    QMenu* sub = Message1->addMenu(QString::fromLatin1(each.caption));
    sub->setObjectName(QString::fromLatin1(each.menu));
    const QString prefix = QString::fromLatin1(each.menu).chopped(1);
    const bool read = each.read;
    const QKeySequence key = read ? QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)
                                  : QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N);
    const struct {
      const char* suffix;
      const char* caption;
      Reach reach;
    } reaches[] = {{"Message1", "&Message", Reach::Chosen},
                   {"Thread1", "&Thread", Reach::Thread},
                   {"Board1", "&Board", Reach::Board},
                   {"UpToHere1", "&Up to Here", Reach::UpToHere}};
    for (const auto& r : reaches) {
      const QByteArray name = (prefix + QString::fromLatin1(r.suffix)).toLatin1();
      QAction* action = add(sub, name.constData(), QString::fromLatin1(r.caption),
                            r.reach == Reach::Chosen ? key : QKeySequence(),
                            [this, reach = r.reach, read] { markRead(reach, read); });
      onChosen_.push_back(action);
    }
  }
  // Ctrl+K deletes to the line's end in the search field.
  Mark1 = add(Message1, "Mark1", QStringLiteral("Mar&k (\u2605)"),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K), [this] { toggleMark(); });
  onChosen_.push_back(Mark1);
  Message1->addSeparator();
  onChosen_.push_back(
      add(Message1, "MuteThread1", QStringLiteral("Mute &Thread"), {}, [this] { muteThreadChosen(); }));
  onChosen_.push_back(
      add(Message1, "MuteWriter1", QStringLiteral("Mute &Writer"), {}, [this] { muteWriterChosen(); }));
  ShowMuted1 = Message1->addAction(QStringLiteral("S&how Muted"));
  ShowMuted1->setObjectName(QStringLiteral("ShowMuted1"));
  ShowMuted1->setCheckable(true);
  connect(ShowMuted1, &QAction::toggled, this, [this] { stateChanged(true); });
  add(Message1, "MutedList1", QStringLiteral("Muted &List..."), {}, [this] { showMutedList(); });
  Message1->addSeparator();
  QAction* save =
      add(Message1, "SaveSearch1", QStringLiteral("&Save Search..."), {}, [this] { SaveSearch1Click(); });

  // The results' own menu: the commands on what is chosen.
  ResultsMenu = new QMenu(this);
  ResultsMenu->setObjectName(QStringLiteral("ResultsMenu"));
  for (QMenu* sub :
       {findChild<QMenu*>(QStringLiteral("MarkRead1")), findChild<QMenu*>(QStringLiteral("MarkUnread1"))})
    ResultsMenu->addMenu(sub);
  ResultsMenu->addAction(Mark1);
  ResultsMenu->addSeparator();
  ResultsMenu->addAction(findChild<QAction*>(QStringLiteral("MuteThread1")));
  ResultsMenu->addAction(findChild<QAction*>(QStringLiteral("MuteWriter1")));
  Results->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Results, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    updateDeskActions();
    ResultsMenu->popup(Results->viewport()->mapToGlobal(at));
  });

  // The tree's: a saved search renamed or deleted where it is listed.
  RenameSearch1 = new QAction(QStringLiteral("&Rename..."), Boards);
  RenameSearch1->setObjectName(QStringLiteral("RenameSearch1"));
  RenameSearch1->setShortcut(QKeySequence(Qt::Key_F2));
  RenameSearch1->setShortcutContext(Qt::WidgetShortcut);
  connect(RenameSearch1, &QAction::triggered, this,
          [this] { runCommand(platform_, this, [this] { RenameSearch1Click(); }); });
  DeleteSearch1 = new QAction(QStringLiteral("&Delete"), Boards);
  DeleteSearch1->setObjectName(QStringLiteral("DeleteSearch1"));
  DeleteSearch1->setShortcut(QKeySequence(Qt::Key_Delete));
  DeleteSearch1->setShortcutContext(Qt::WidgetShortcut);
  connect(DeleteSearch1, &QAction::triggered, this,
          [this] { runCommand(platform_, this, [this] { DeleteSearch1Click(); }); });
  Boards->addAction(RenameSearch1);
  Boards->addAction(DeleteSearch1);
  BoardsMenu = new QMenu(this);
  BoardsMenu->setObjectName(QStringLiteral("BoardsMenu"));
  BoardsMenu->addAction(save);
  BoardsMenu->addAction(RenameSearch1);
  BoardsMenu->addAction(DeleteSearch1);
  Boards->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Boards, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (QTreeWidgetItem* item = Boards->itemAt(at)) Boards->setCurrentItem(item);
    updateDeskActions();
    BoardsMenu->popup(Boards->viewport()->mapToGlobal(at));
  });

  connect(Message1, &QMenu::aboutToShow, this, &TLibraryform::updateDeskActions);
  connect(Results->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &TLibraryform::updateDeskActions);
  connect(Boards, &QTreeWidget::currentItemChanged, this, &TLibraryform::updateDeskActions);
  connect(model_, &QAbstractItemModel::modelReset, this, &TLibraryform::updateDeskActions);
}

void TLibraryform::updateDeskActions() {
  const bool chosen = Results->currentIndex().isValid();
  for (QAction* action : onChosen_) action->setEnabled(chosen);
  const bool saved = savedAt(Boards->currentItem()).has_value();
  RenameSearch1->setEnabled(saved);
  DeleteSearch1->setEnabled(saved);
}

std::optional<SavedSearch> TLibraryform::savedAt(const QTreeWidgetItem* item) const {
  if (!item || item->data(0, kEntryRole).toInt() != kSavedEntry) return std::nullopt;
  const std::string name = item->data(0, kSavedRole).toString().toStdString();
  for (const SavedSearch& s : saved_)
    if (s.name == name) return s;
  return std::nullopt;
}

void TLibraryform::fillSaved() {
  QSignalBlocker quiet(Boards);
  // The entries above the hosts are made again; the hosts stay.
  while (Boards->topLevelItemCount() > 0 && Boards->topLevelItem(0)->data(0, kEntryRole).isValid())
    delete Boards->takeTopLevelItem(0);
  saved_.clear();
  try {
    saved_ = savedSearches(*library_);
  } catch (const Error&) {
    // None kept in a library read as it is until its upgrade.
  }
  auto* marked = new QTreeWidgetItem({QStringLiteral("\u2605 Marked")});
  marked->setData(0, kEntryRole, kMarkedEntry);
  marked->setToolTip(0, QStringLiteral("印を付けたメッセージ (is:marked)"));
  Boards->insertTopLevelItem(0, marked);
  int at = 1;
  for (const SavedSearch& s : saved_) {
    auto* item = new QTreeWidgetItem({QString::fromStdString(s.name)});
    item->setData(0, kEntryRole, kSavedEntry);
    item->setData(0, kSavedRole, QString::fromStdString(s.name));
    item->setToolTip(0, QString::fromStdString(s.query));
    Boards->insertTopLevelItem(at++, item);
  }
}

void TLibraryform::boardChosen(QTreeWidgetItem* item) {
  if (const std::optional<SavedSearch> saved = savedAt(item)) {
    // Opened as it was saved: its query, board and order.
    QSignalBlocker quietSearch(Search);
    QSignalBlocker quietRank(Rank);
    Search->setText(QString::fromStdString(saved->query));
    Rank->setCurrentIndex(saved->byRelevance ? 1 : 0);
  }
  searchNow();
}

void TLibraryform::recount() {
  ++tallies_;
  tallied_.clear();
  std::vector<TallyEntry> entries;
  const bool withMuted = ShowMuted1->isChecked();
  for (QTreeWidgetItemIterator it(Boards); *it; ++it) {
    QTreeWidgetItem* item = *it;
    TallyEntry entry;
    entry.filter.muted = withMuted;
    if (item->data(0, kEntryRole).toInt() == kMarkedEntry) {
      entry.terms = {"is:marked"};
    } else if (const std::optional<SavedSearch> saved = savedAt(item)) {
      entry.terms = {saved->query};
      entry.filter.host = saved->host;
      entry.filter.boardKey = saved->boardKey;
    } else {
      continue;  // the boards are counted at once, a host and All add up theirs
    }
    tallied_.push_back(item);
    entries.push_back(std::move(entry));
  }
  tally_->ask(tallies_, withMuted, std::move(entries));
}

namespace {

void showCounts(QTreeWidgetItem* item, qint64 messages, qint64 unread) {
  item->setText(1, grouped(static_cast<uint64_t>(messages)));
  item->setText(2, unread > 0 ? grouped(static_cast<uint64_t>(unread)) : QString());
  QFont font = item->font(0);
  font.setBold(unread > 0);
  item->setFont(0, font);
}

}  // namespace

void TLibraryform::tallied(quint64 round, int entry, qint64 messages, qint64 unread, const QString& error) {
  if (round != tallies_ || entry < 0 || static_cast<size_t>(entry) >= tallied_.size()) return;
  QTreeWidgetItem* item = tallied_[static_cast<size_t>(entry)];
  item->setToolTip(1, error);
  if (error.isEmpty()) showCounts(item, messages, unread);
}

void TLibraryform::boardsTallied(quint64 round, const std::vector<BoardTally>& tallies,
                                 const QString& error) {
  if (round != tallies_) return;
  Boards->setToolTip(error);
  if (!error.isEmpty()) return;
  std::map<std::pair<QString, int>, const BoardTally*> byBoard;
  for (const BoardTally& t : tallies) byBoard[{QString::fromStdString(t.host), t.boardKey}] = &t;
  // The boards, then each host and All as the sum of what is under them.
  std::function<std::pair<qint64, qint64>(QTreeWidgetItem*)> sum = [&](QTreeWidgetItem* item) {
    std::pair<qint64, qint64> counts{0, 0};
    if (item->data(0, kBoardRole).isValid()) {
      const auto found =
          byBoard.find({item->data(0, kHostRole).toString(), item->data(0, kBoardRole).toInt()});
      if (found != byBoard.end()) counts = {found->second->messages, found->second->unread};
    } else {
      for (int i = 0; i < item->childCount(); ++i) {
        const auto [messages, unread] = sum(item->child(i));
        counts.first += messages;
        counts.second += unread;
      }
    }
    showCounts(item, counts.first, counts.second);
    return counts;
  };
  for (int i = 0; i < Boards->topLevelItemCount(); ++i)
    if (!Boards->topLevelItem(i)->data(0, kEntryRole).isValid()) sum(Boards->topLevelItem(i));
}

std::vector<int64_t> TLibraryform::chosenIds() const {
  QModelIndexList rows = Results->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end());
  std::vector<int64_t> ids;
  for (const QModelIndex& row : rows) ids.push_back(model_->idAt(row.row()));
  const QModelIndex current = Results->currentIndex();
  if (ids.empty() && current.isValid()) ids.push_back(model_->idAt(current.row()));
  return ids;
}

void TLibraryform::markRead(Reach reach, bool read) {
  const QModelIndex current = Results->currentIndex();
  if (!current.isValid()) return;
  const int64_t id = model_->idAt(current.row());
  std::vector<int64_t> ids;
  switch (reach) {
    case Reach::Chosen:
      ids = chosenIds();
      break;
    case Reach::Thread:
      ids = threadIds(*library_, id);
      break;
    case Reach::Board: {
      const LibraryMessage m = library_->message(id);
      ids = boardIds(*library_, m.host, m.boardKey);
      break;
    }
    case Reach::UpToHere:
      ids.assign(model_->ids().begin(), model_->ids().begin() + current.row() + 1);
      break;
  }
  setFlag(*library_, MessageFlag::Read, ids, read);
  // Marked unread by hand, the one in the preview stays so.
  if (!read) reading_->stop();
  stateChanged(false);
}

void TLibraryform::toggleMark() {
  const std::vector<int64_t> ids = chosenIds();
  if (ids.empty()) return;
  // Of a choice partly marked, all become marked.
  bool allMarked = true;
  for (int64_t id : ids) allMarked = allMarked && stateOf(*library_, id).marked;
  setFlag(*library_, MessageFlag::Marked, ids, !allMarked);
  stateChanged(false);
}

void TLibraryform::muteThreadChosen() {
  const QModelIndex current = Results->currentIndex();
  if (!current.isValid()) return;
  muteThread(*library_, model_->idAt(current.row()));
  stateChanged(true);
}

void TLibraryform::muteWriterChosen() {
  const QModelIndex current = Results->currentIndex();
  if (!current.isValid()) return;
  const MutedWriter writer = writerOf(*library_, model_->idAt(current.row()));
  muteWriter(*library_, writer.host, writer.writerId);
  stateChanged(true);
}

void TLibraryform::showMutedList() {
  auto* dialog = new MutedListDialog(this, *library_, platform_, [this] { stateChanged(true); });
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void TLibraryform::stateChanged(bool searchAgain) {
  if (searchAgain) {
    const QModelIndex current = Results->currentIndex();
    if (current.isValid()) toSelect_ = model_->idAt(current.row());
    searchNow();
  } else {
    model_->refreshState();
    if (previewId_ != 0 && Preview->document()->characterCount() > 1) {
      // The star in the header; the reader's place stays.
      const int scrolled = Preview->verticalScrollBar()->value();
      runCommand(platform_, this, [this] { showPreview(library_->message(previewId_), true); });
      Preview->verticalScrollBar()->setValue(scrolled);
    }
  }
  recount();
}

void TLibraryform::readShown() {
  // A preview the typing chose is not read: the reader's eyes are on the search.
  if (previewId_ == 0 || focusWidget() == Search || !isVisible()) return;
  runCommand(platform_, this, [this] {
    if (!library_->keepsState() || stateOf(*library_, previewId_).read) return;
    setFlag(*library_, MessageFlag::Read, {previewId_}, true);
    model_->refreshState();
    recount();
  });
}

void TLibraryform::changeEvent(QEvent* event) {
  // The main window may have read or marked meanwhile.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && model_ && ShowMuted1) {
    model_->refreshState();
    recount();
  }
  QWidget::changeEvent(event);
}

void TLibraryform::SaveSearch1Click() {
  const std::optional<QString> name =
      platform_.askText(this, QStringLiteral("Save Search"), QStringLiteral("保存する検索の名前"), QString());
  if (!name) return;
  SavedSearch search;
  search.name = name->trimmed().toStdString();
  std::vector<std::string> query = terms();
  for (const std::string& t : query) search.query += (search.query.empty() ? "" : " ") + t;
  const LibraryFilter f = filter();
  search.host = f.host;
  search.boardKey = f.boardKey;
  search.byRelevance = byRelevance();
  addSavedSearch(*library_, search);
  fillSaved();
  recount();
  for (int i = 0; i < Boards->topLevelItemCount(); ++i)
    if (Boards->topLevelItem(i)->data(0, kSavedRole).toString().toStdString() == search.name) {
      QSignalBlocker quiet(Boards);
      Boards->setCurrentItem(Boards->topLevelItem(i));
      {
        QSignalBlocker quietSearch(Search);
        Search->setText(QString::fromStdString(search.query));
      }
      updateDeskActions();
    }
}

void TLibraryform::RenameSearch1Click() {
  QTreeWidgetItem* item = Boards->currentItem();
  const std::optional<SavedSearch> saved = savedAt(item);
  if (!saved) return;
  const std::optional<QString> name = platform_.askText(
      this, QStringLiteral("Rename"), QStringLiteral("新しい名前"), QString::fromStdString(saved->name));
  if (!name) return;
  const std::string newName = name->trimmed().toStdString();
  renameSavedSearch(*library_, saved->name, newName);
  for (SavedSearch& s : saved_)
    if (s.name == saved->name) s.name = newName;
  item->setText(0, QString::fromStdString(newName));
  item->setData(0, kSavedRole, QString::fromStdString(newName));
}

void TLibraryform::DeleteSearch1Click() {
  QTreeWidgetItem* item = Boards->currentItem();
  const std::optional<SavedSearch> saved = savedAt(item);
  if (!saved) return;
  if (platform_.messageBox(
          this, BoxKind::Confirmation,
          QStringLiteral("保存した検索「%1」を削除しますか？").arg(QString::fromStdString(saved->name)),
          BoxButtons::YesNoDefaultNo) != BoxAnswer::Yes)
    return;
  removeSavedSearch(*library_, saved->name);
  // Its query stays in the field, searched under All.
  QTreeWidgetItem* all = nullptr;
  for (int i = 0; i < Boards->topLevelItemCount() && !all; ++i)
    if (!Boards->topLevelItem(i)->data(0, kEntryRole).isValid()) all = Boards->topLevelItem(i);
  {
    QSignalBlocker quiet(Boards);
    if (all) Boards->setCurrentItem(all);
    fillSaved();
  }
  recount();
  searchNow();
}

}  // namespace pelarin::gui
