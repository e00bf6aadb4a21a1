#include "gui/library/librarywin.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QSyntaxHighlighter>
#include <QTableView>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <unordered_map>

#include "core/library/exportquery.h"
#include "core/library/foundtext.h"
#include "core/library/librarypreferences.h"
#include "core/library/librarystate.h"
#include "core/library/sqlite.h"
#include "core/library/tokenizer.h"
#include "core/reading/boardcode.h"
#include "core/reading/messageview.h"
#include "core/text/errors.h"
#include "core/text/paths.h"
#include "gui/app/viewmain.h"
#include "gui/library/librarycounter.h"
#include "gui/library/libraryresults.h"
#include "gui/library/librarysnippets.h"
#include "gui/library/librarytally.h"
#include "gui/library/resultsort.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/counts.h"
#include "gui/shared/keys.h"
#include "gui/shared/placement.h"

namespace pelarin::gui {

namespace {

constexpr int kTypingPauseMs = 25;
// What the preview holds of a body: far more than a glance takes, and laid
// out at once whatever the message's size.
constexpr size_t kPreviewBytes = 256 * 1024;
constexpr char kByRelevance[] = "relevance";
constexpr char kByOrder[] = "order";

// What each column of the results sorts by; the found text does not sort.
std::optional<ResultKey> keyOfColumn(int column) {
  static const ResultKey keys[] = {ResultKey::Order,  ResultKey::Number, ResultKey::WriterId, ResultKey::Writer,
                                   ResultKey::Title,  ResultKey::Reply,  ResultKey::Date};
  if (column < 0 || column >= static_cast<int>(std::size(keys))) return std::nullopt;
  return keys[column];
}

QString headerOf(const LibraryMessage& m) {
  return QStringLiteral("%1  No.%2  ID %3  %4  %5").arg(toQ(BoardCode(m.keys.BoardKey)), toQ(m.keys.MesNumber),
                                                         toQ(m.keys.WriterId), toQ(m.keys.WriterName),
                                                         toQ(m.keys.Title));
}

// The found text is as long on each side of the match: a cell too narrow for
// it gives up both ends alike, so the match stays in sight.
class AroundTheMiddle : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString ellipsis(QChar(0x2026));
    const QFontMetrics& metrics = option->fontMetrics;
    const int room = option->rect.width() - 2 * metrics.horizontalAdvance(QLatin1Char(' '));
    QString text = option->text;
    if (room <= 0 || metrics.horizontalAdvance(text) <= room) return;
    if (text.startsWith(ellipsis)) text.remove(0, 1);
    if (text.endsWith(ellipsis)) text.chop(1);
    for (qsizetype cut = 1; 2 * cut < text.size(); ++cut) {
      qsizetype from = cut, to = text.size() - cut;
      if (text.at(from).isLowSurrogate()) ++from;
      if (to > 0 && text.at(to - 1).isHighSurrogate()) --to;
      const QString shown = ellipsis + text.mid(from, to - from) + ellipsis;
      if (metrics.horizontalAdvance(shown) <= room) {
        option->text = shown;
        return;
      }
    }
  }
};

}  // namespace

// What the search found, marked in the preview as it found it (folded, a
// wrapped word over its line end): spans of the whole text, applied block
// by block as the text is laid out.
class PreviewMarks : public QSyntaxHighlighter {
 public:
  explicit PreviewMarks(QTextDocument* document) : QSyntaxHighlighter(document) {
    marked_.setBackground(QColor(255, 230, 120));
  }
  // Before the text is set: the spans are of the text to come.
  void setFound(const QString& text, const std::vector<std::string>& folded) {
    spans_.clear();
    if (folded.empty()) return;
    const QByteArray utf8 = text.toUtf8();
    // Byte offsets to positions in the text (UTF-16).
    std::vector<int> at(static_cast<size_t>(utf8.size()) + 1, 0);
    int position = 0;
    for (qsizetype b = 0; b < utf8.size(); ++b) {
      const auto c = static_cast<unsigned char>(utf8[b]);
      at[static_cast<size_t>(b)] = position;
      if ((c & 0xC0) != 0x80) position += c >= 0xF0 ? 2 : 1;
    }
    at.back() = position;
    for (const auto& [from, to] : foundSpans(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), folded))
      spans_.emplace_back(at[from], at[to]);
  }

 protected:
  void highlightBlock(const QString& text) override {
    const int begin = currentBlock().position();
    const int end = begin + static_cast<int>(text.size());
    auto s = std::lower_bound(spans_.begin(), spans_.end(), std::pair<int, int>(begin, begin),
                              [](const auto& a, const auto& b) { return a.second <= b.first; });
    for (; s != spans_.end() && s->first < end; ++s) {
      const int from = std::max(s->first, begin), to = std::min(s->second, end);
      if (to > from) setFormat(from - begin, to - from, marked_);
    }
  }

 private:
  std::vector<std::pair<int, int>> spans_;  // sorted, apart
  QTextCharFormat marked_;
};

TLibraryform::TLibraryform(TLogview& main, Platform& platform)
    : QWidget(&main, Qt::Window), main_(main), platform_(platform) {
  setObjectName(QStringLiteral("Libraryform"));
  setWindowTitle(QStringLiteral("Library"));
  library_ = std::make_unique<Library>(pathFromText(main.state().WorkDir));
  counter_ = new LibraryCounter(pathFromText(main.state().WorkDir), kLibraryFirstPage, kLibraryResultLimit, this);
  connect(counter_, &LibraryCounter::firstPage, this, &TLibraryform::found);
  connect(counter_, &LibraryCounter::finished, this, &TLibraryform::counted);
  connect(counter_, &LibraryCounter::sorted, this, &TLibraryform::sorted);
  snippets_ = new LibrarySnippets(pathFromText(main.state().WorkDir), this);
  tally_ = new LibraryTally(pathFromText(main.state().WorkDir), this);
  connect(tally_, &LibraryTally::counted, this, &TLibraryform::tallied);
  connect(tally_, &LibraryTally::boardsCounted, this, &TLibraryform::boardsTallied);
  // Bold names and longer counts: the columns fit them again.
  connect(tally_, &LibraryTally::done, this, [this](quint64 round) {
    if (round != tallies_) return;
    for (int c = 0; c < Boards->columnCount(); ++c) {
      // Never narrower: a closed host's boards are not measured.
      const int was = Boards->columnWidth(c);
      Boards->resizeColumnToContents(c);
      if (Boards->columnWidth(c) < was) Boards->setColumnWidth(c, was);
    }
  });

  Search = new QLineEdit(this);
  Search->setObjectName(QStringLiteral("Search"));
  Search->setPlaceholderText(QStringLiteral("検索"));
  Search->setToolTip(
      QStringLiteral("空白で区切った語をすべて含むメッセージ。\"東京 都庁\" は語句、-語 は除外、A OR B はどちらか。\n"
                     "title: name: id: board: host: no: re: is:response is:mail で項目を指定します。"));
  Search->setClearButtonEnabled(true);
  describe(Search, QStringLiteral("Search"), QStringLiteral("本文・題名・投稿者を検索する語"));
  // The clear button Qt puts in the field is read too.
  for (QToolButton* clear : Search->findChildren<QToolButton*>()) describe(clear, QStringLiteral("Clear"));
  Rank = new QComboBox(this);
  Rank->setObjectName(QStringLiteral("Rank"));
  Rank->addItem(QStringLiteral("Library order"), QString::fromLatin1(kByOrder));
  Rank->addItem(QStringLiteral("Relevance"), QString::fromLatin1(kByRelevance));
  Rank->setToolTip(QStringLiteral("ライブラリの順 (ホスト・ボード・番号) か、検索語によく合うものから"));
  describe(Rank, QStringLiteral("Rank"), QStringLiteral("検索結果の並べ方"));
  auto* rankCaption = new QLabel(QStringLiteral("&Rank"), this);
  rankCaption->setObjectName(QStringLiteral("RankCaption"));
  rankCaption->setBuddy(Rank);
  Found = new QLabel(this);
  Found->setObjectName(QStringLiteral("Found"));
  BtOpen = new QPushButton(QStringLiteral("&Open in Reader"), this);
  BtOpen->setObjectName(QStringLiteral("BtOpen"));
  BtOpen->setAutoDefault(false);

  Boards = new QTreeWidget(this);
  Boards->setObjectName(QStringLiteral("Boards"));
  Boards->setHeaderLabels({QStringLiteral("Board"), QStringLiteral("Messages"), QStringLiteral("Unread")});
  describe(Boards, QStringLiteral("Boards"), QStringLiteral("検索するホストとボード"));
  model_ = new LibraryResults(snippets_, this);
  Results = new QTableView(this);
  Results->setObjectName(QStringLiteral("Results"));
  Results->setModel(model_);
  model_->setFont(Results->font());
  describe(Results, QStringLiteral("Results"), QStringLiteral("検索で見つかったメッセージ"));
  Results->setSelectionBehavior(QAbstractItemView::SelectRows);
  Results->setTabKeyNavigation(false);
  // One line a row: a wrapped cell showed only its first word.
  Results->setWordWrap(false);
  Results->verticalHeader()->setDefaultSectionSize(Results->fontMetrics().height() + 4);
  // The title takes what the narrow columns leave; those are as wide as what they hold.
  QHeaderView* columns = Results->horizontalHeader();
  const QFontMetrics metrics = Results->fontMetrics();
  const int pad = 2 * metrics.horizontalAdvance(QLatin1Char('0'));
  const char* widest[] = {"BF00", "000000", "00000000", "", "", "000000", "0000-00-00 00:00", ""};
  for (int c : {0, 1, 2, 5, 6})
    columns->resizeSection(c, std::max(metrics.horizontalAdvance(model_->headerData(c, Qt::Horizontal).toString()),
                                       metrics.horizontalAdvance(QLatin1String(widest[c]))) + pad);
  columns->resizeSection(3, metrics.horizontalAdvance(QString(8, QChar(0x6F22))) + pad);  // eight kanji
  // The title and the found text share what is left.
  columns->setSectionResizeMode(4, QHeaderView::Stretch);
  columns->setSectionResizeMode(kSnippetColumn, QHeaderView::Stretch);
  Results->setItemDelegateForColumn(kSnippetColumn, new AroundTheMiddle(Results));
  // Sorted behind the window (sortBy), never by the view itself.
  columns->setSectionsClickable(true);
  columns->setSortIndicatorShown(true);
  columns->setSortIndicator(-1, Qt::AscendingOrder);
  Preview = new QPlainTextEdit(this);
  Preview->setObjectName(QStringLiteral("Preview"));
  Preview->setReadOnly(true);
  Preview->setTabChangesFocus(true);
  // Long lines wrap: the preview is for reading, at whatever width the pane has.
  Preview->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Preview->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  describe(Preview, QStringLiteral("Preview"), QStringLiteral("選んだメッセージの本文"));
  Preview->setContextMenuPolicy(Qt::CustomContextMenu);
  marks_ = new PreviewMarks(Preview->document());
  PreviewWhole1 = new QAction(QStringLiteral("全文を表示"), this);
  PreviewWhole1->setObjectName(QStringLiteral("PreviewWhole1"));
  PreviewWhole1->setEnabled(false);
  Thread = new QTreeWidget(this);
  Thread->setObjectName(QStringLiteral("Thread"));
  Thread->setHeaderLabels({QStringLiteral("No."), QStringLiteral("Title"), QStringLiteral("Writer")});
  describe(Thread, QStringLiteral("Thread"), QStringLiteral("選んだメッセージのスレッド"));

  auto* top = new QHBoxLayout;
  top->addWidget(Search, 1);
  top->addWidget(rankCaption);
  top->addWidget(Rank);
  top->addWidget(Found);
  top->addWidget(BtOpen);
  auto* right = new QSplitter(Qt::Vertical, this);
  right->addWidget(Results);
  auto* lower = new QSplitter(Qt::Horizontal, right);
  lower->addWidget(Preview);
  lower->addWidget(Thread);
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 2);
  right->addWidget(lower);
  auto* body = new QSplitter(Qt::Horizontal, this);
  body->addWidget(Boards);
  body->addWidget(right);
  body->setStretchFactor(1, 4);
  Menu = new QMenuBar(this);
  File1 = Menu->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("LibraryFile1"));
  createFolderImport();
  File1->addSeparator();
  createExportActions();
  File1->addSeparator();
  createDeskActions();
  QAction* close = File1->addAction(QStringLiteral("&Close"), this, &QWidget::close);
  close->setObjectName(QStringLiteral("LibraryClose1"));
  close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(Menu);
  openMenuBarOnF10(this, Menu);
  layout->addLayout(top);
  layout->addWidget(body, 1);

  setTabOrder(Search, Rank);
  setTabOrder(Rank, Boards);
  setTabOrder(Boards, Results);
  setTabOrder(Results, Preview);
  setTabOrder(Preview, Thread);
  setTabOrder(Thread, BtOpen);

  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(kTypingPauseMs);
  connect(typing_, &QTimer::timeout, this, &TLibraryform::searchNow);
  connect(Search, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
  connect(Boards, &QTreeWidget::currentItemChanged, this, &TLibraryform::boardChosen);
  // A saved search clicked again is opened again, its query as it was saved.
  connect(Boards, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (item == Boards->currentItem() && savedAt(item)) boardChosen(item);
  });
  connect(Rank, &QComboBox::currentIndexChanged, this, &TLibraryform::searchNow);
  connect(columns, &QHeaderView::sectionClicked, this, &TLibraryform::sortBy);
  connect(Results->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TLibraryform::showSelected);
  connect(Thread, &QTreeWidget::itemActivated, this, [this] { OpenInReader(); });
  // The message chosen in the thread is the one the preview shows.
  connect(Thread, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!item) return;
    runCommand(platform_, this, [this, item] {
      previewId_ = item->data(0, kIdRole).toLongLong();
      showPreview(library_->message(previewId_), true);
      reading_->start();
    });
  });
  connect(BtOpen, &QPushButton::clicked, this, [this] { OpenInReader(); });
  connect(PreviewWhole1, &QAction::triggered, this, [this] {
    runCommand(platform_, this, [this] { showPreview(library_->message(previewId_), false); });
  });
  connect(Preview, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    std::unique_ptr<QMenu> menu(Preview->createStandardContextMenu());
    menu->addSeparator();
    menu->addAction(PreviewWhole1);
    menu->exec(Preview->viewport()->mapToGlobal(at));
  });
  Results->installEventFilter(this);
  Search->installEventFilter(this);

  fillBoards();
  resize(900, 600);
  if (auto geometry = preference(*library_, kWindowGeometry)) {
    restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*geometry)));
  } else {
    // Left to itself a window manager may open it partly off the screen.
    int32_t none[4] = {};
    takePosition(this, StoredGeometry{none[0], none[1], none[2], none[3]}, programMainWindow());
  }
  if (auto search = preference(*library_, kWindowSearch)) Search->setText(QString::fromStdString(*search));
  if (preference(*library_, kWindowRank) == std::optional<std::string>(kByRelevance)) {
    QSignalBlocker quiet(Rank);
    Rank->setCurrentIndex(1);
  }
  typing_->stop();
  searchNow();
  if (auto selected = preference(*library_, kWindowSelected)) {
    try {
      toSelect_ = std::stoll(*selected);  // once its search's results are in
    } catch (const std::logic_error&) {
      // Not an id: nothing to choose again.
    }
  }
}

// Closed with the program, the window is never asked to close itself.
TLibraryform::~TLibraryform() {
  if (isVisible()) remember(true);
}

void TLibraryform::selectId(int64_t id) {
  const std::vector<int64_t>& ids = model_->ids();
  const auto at = std::find(ids.begin(), ids.end(), id);
  if (at != ids.end()) Results->setCurrentIndex(model_->index(static_cast<int>(at - ids.begin()), 0));
}

void TLibraryform::fillBoards() {
  Boards->clear();
  const LibraryStats stats = library_->stats();
  std::map<std::string, std::map<std::string, std::string>> names;  // by host, from its board list
  fillSaved();
  auto* all = new QTreeWidgetItem(Boards, {QStringLiteral("All"), grouped(stats.messages)});
  QTreeWidgetItem* host = nullptr;
  for (const LibraryStats::Board& board : stats.boards) {
    const QString name = QString::fromStdString(board.host);
    if (!host || host->data(0, kHostRole).toString() != name) {
      host = new QTreeWidgetItem(all, {name.isEmpty() ? QStringLiteral("(no host)") : name, QString()});
      host->setData(0, kHostRole, name);
      host->setData(1, Qt::UserRole, qint64{0});
    }
    const QString code = toQ(BoardCode(std::to_string(board.boardKey)));
    auto known = names.find(board.host);
    if (known == names.end())
      known = names.emplace(board.host, boardNames(pathFromText(main_.state().WorkDir), board.host)).first;
    const auto named = known->second.find(code.toStdString());
    const QString shown = named == known->second.end() ? code : code + QStringLiteral("  ") + QString::fromStdString(named->second);
    auto* item = new QTreeWidgetItem(host, {shown, grouped(board.messages)});
    item->setData(0, kHostRole, name);
    item->setData(0, kBoardRole, board.boardKey);
    const qint64 sum = host->data(1, Qt::UserRole).toLongLong() + board.messages;
    host->setData(1, Qt::UserRole, sum);
    host->setText(1, grouped(static_cast<uint64_t>(sum)));
  }
  // Wide enough for every board's name; of many hosts, each opens when asked.
  Boards->expandAll();
  Boards->resizeColumnToContents(0);
  if (all->childCount() > 1)
    for (int i = 0; i < all->childCount(); ++i) all->child(i)->setExpanded(false);
  QSignalBlocker quiet(Boards);
  Boards->setCurrentItem(all);
  recount();
}

LibraryFilter TLibraryform::filter() const {
  LibraryFilter f;
  f.muted = ShowMuted1 && ShowMuted1->isChecked();
  const QTreeWidgetItem* item = Boards->currentItem();
  if (const std::optional<SavedSearch> saved = savedAt(item)) {
    f.host = saved->host;
    f.boardKey = saved->boardKey;
    return f;
  }
  if (!item || !item->data(0, kHostRole).isValid()) return f;
  f.host = item->data(0, kHostRole).toString().toStdString();
  if (item->data(0, kBoardRole).isValid()) f.boardKey = item->data(0, kBoardRole).toInt();
  return f;
}

std::vector<std::string> TLibraryform::terms() const {
  // One query: the library reads its phrases, fields and exclusions.
  const std::string text = Search->text().toStdString();
  std::vector<std::string> out;
  const QTreeWidgetItem* item = Boards->currentItem();
  if (item && item->data(0, kEntryRole).toInt() == kMarkedEntry) out.push_back("is:marked");
  if (!splitTerms(text).empty()) out.push_back(text);
  return out;
}

QString foundText(size_t count, size_t shown) {
  return count > shown ? QStringLiteral("%1 件 (先頭 %2 件)").arg(grouped(count), grouped(shown))
                       : QStringLiteral("%1 件").arg(grouped(count));
}

void TLibraryform::searchNow() {
  typing_->stop();
  ++searches_;
  // No query lists every message of the choice, All included, as a board
  // lists its own: the window is a browser of the whole archive too.
  askedTerms_ = terms();
  askedFilter_ = filter();
  // A new search comes in the order chosen, not the column's.
  sortColumn_ = -1;
  sortOrder_ = Qt::AscendingOrder;
  Results->horizontalHeader()->setSortIndicator(-1, sortOrder_);
  // Searched behind the window: the typing goes on while the index is asked.
  counter_->ask(searches_, askedTerms_, askedFilter_, byRelevance());
}

bool TLibraryform::byRelevance() const {
  return Rank->currentData().toString() == QLatin1String(kByRelevance);
}

void TLibraryform::sortBy(int column) {
  QHeaderView* header = Results->horizontalHeader();
  const std::optional<ResultKey> key = keyOfColumn(column);
  if (!key) {
    // The header turned its mark to the found text on its own: back to where it was.
    header->setSortIndicator(sortColumn_, sortOrder_);
    return;
  }
  sortColumn_ = column;
  sortOrder_ = header->sortIndicatorOrder();
  if (model_->ids().empty()) return;  // nothing to sort; the mark says how the next would be
  ++searches_;
  const QModelIndex current = Results->currentIndex();
  if (current.isValid()) toSelect_ = model_->idAt(current.row());
  Found->setText(QStringLiteral("並べ替え中…"));
  counter_->sort(searches_, askedTerms_, askedFilter_, ResultSort{*key, sortOrder_ == Qt::DescendingOrder});
}

void TLibraryform::sorted(quint64 search, const std::vector<int64_t>& ids, qint64 count,
                          const QString& error) {
  if (search != searches_) return;  // typed or clicked on meanwhile
  if (!error.isEmpty()) {
    runCommand(platform_, this, [&] { throw LibraryError(error.toStdString()); });
    return;
  }
  model_->reset(library_.get(), ids, textsToMark(askedTerms_));
  Found->setText(foundText(static_cast<size_t>(count), ids.size()));
  QTimer::singleShot(0, this, [this, search] {
    if (search == searches_) showFirst();
  });
}

void TLibraryform::found(quint64 search, const std::vector<int64_t>& ids, const QString& termError,
                         const QString& error) {
  if (search != searches_) return;  // typed on meanwhile
  if (!error.isEmpty()) {
    runCommand(platform_, this, [&] { throw LibraryError(error.toStdString()); });
    return;
  }
  if (!termError.isEmpty()) {
    // Said where the count goes, not in a box: the next keystroke may mend it.
    model_->reset(library_.get(), {});
    Found->setText(termError);
    Preview->clear();
    Thread->clear();
    return;
  }
  model_->reset(library_.get(), ids, textsToMark(askedTerms_));
  if (ids.size() < static_cast<size_t>(kLibraryFirstPage)) Found->setText(foundText(ids.size(), ids.size()));
  else Found->setText(QStringLiteral("%1 件以上").arg(grouped(ids.size())));
  // The rows are drawn first; the chosen one's preview and thread in a turn
  // of their own, so that typing never waits for both.
  QTimer::singleShot(0, this, [this, search] {
    if (search == searches_) showFirst();
  });
}

void TLibraryform::showFirst() {
  if (toSelect_) {
    const int64_t id = *toSelect_;
    toSelect_.reset();
    selectId(id);
    if (Results->currentIndex().isValid()) return;
  }
  if (!model_->ids().empty()) Results->setCurrentIndex(model_->index(0, 0));
  else {
    Preview->clear();
    PreviewWhole1->setEnabled(false);
    Thread->clear();
  }
}

void TLibraryform::counted(quint64 search, const std::vector<int64_t>& ids, qint64 count, const QString& error) {
  if (search != searches_) return;  // typed on meanwhile
  if (!error.isEmpty()) {
    Found->setToolTip(error);
    return;
  }
  Found->setToolTip(QString());
  model_->extend(ids);
  Found->setText(foundText(static_cast<size_t>(count), model_->ids().size()));
}

void TLibraryform::showSelected() {
  const QModelIndex current = Results->currentIndex();
  if (!current.isValid()) return;
  runCommand(platform_, this, [this, &current] {
    const int64_t id = model_->idAt(current.row());
    previewId_ = id;
    showPreview(library_->message(id), true);
    showThread(id);
    reading_->start();
  });
}

void TLibraryform::showPreview(const LibraryMessage& m, bool capped) {
  // Long lines held as the viewer holds them, and no more than a glance
  // takes: a line of megabytes would hold the window for seconds.
  const Bytes shown = capped ? capBodyLines(m.body, kViewerLineCap, kPreviewBytes) : Bytes();
  const bool cut = capped && shown != m.body;
  PreviewWhole1->setEnabled(cut);
  bool marked = false;
  try {
    marked = stateOf(*library_, m.id).marked;
  } catch (const Error&) {
    // A library that keeps no state has no marks.
  }
  const QString text = (marked ? QStringLiteral("\u2605 ") : QString()) + headerOf(m) +
                       QStringLiteral("\n\n") + toQ(cut ? shown : m.body).remove(QLatin1Char('\r'));
  marks_->setFound(text, textsToMark(terms()));
  Preview->setPlainText(text);
}

void TLibraryform::showThread(int64_t id) {
  QSignalBlocker quiet(Thread);
  Thread->clear();
  std::vector<QTreeWidgetItem*> parents;
  QTreeWidgetItem* chosen = nullptr;
  const std::vector<ThreadLine> lines = library_->thread(id);
  // Only the key lines: a long thread's bodies are not read on the window's thread.
  std::vector<int64_t> ids;
  ids.reserve(lines.size());
  for (const ThreadLine& line : lines) ids.push_back(line.id);
  std::unordered_map<int64_t, MessageKeys> keys;
  library_->eachListed(ids, [&](int64_t each, const std::string&, ByteView keyLines) { keys[each] = keysFromLines(keyLines); });
  for (const ThreadLine& line : lines) {
    const MessageKeys& k = keys[line.id];
    parents.resize(static_cast<size_t>(line.depth));
    const QStringList cells{toQ(k.MesNumber), toQ(k.Title).trimmed(), toQ(k.WriterName).trimmed()};
    auto* item = parents.empty() ? new QTreeWidgetItem(Thread, cells) : new QTreeWidgetItem(parents.back(), cells);
    item->setData(0, kIdRole, QVariant::fromValue<qint64>(line.id));
    parents.push_back(item);
    if (line.id == id) chosen = item;
  }
  Thread->expandAll();
  Thread->resizeColumnToContents(0);  // deep replies keep their numbers readable
  if (chosen) Thread->setCurrentItem(chosen);
}

bool TLibraryform::OpenInReader() {
  std::vector<int64_t> ids;
  QString what = Search->text().trimmed();
  size_t shown = 0;
  if (focusWidget() == Thread) {
    // The whole thread, opened at the message chosen in it.
    for (QTreeWidgetItemIterator it(Thread); *it; ++it) {
      if (*it == Thread->currentItem()) shown = ids.size();
      ids.push_back((*it)->data(0, kIdRole).toLongLong());
    }
    if (Thread->topLevelItemCount() > 0)
      what = QStringLiteral("No.%1 のスレッド").arg(Thread->topLevelItem(0)->text(0));
  } else {
    QModelIndexList rows = Results->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& row : rows) ids.push_back(model_->idAt(row.row()));
    if (ids.empty()) ids = model_->ids();
    if (what.isEmpty() && Boards->currentItem()) what = Boards->currentItem()->text(0);
  }
  if (ids.empty()) return false;
  return main_.openFromLibrary(*library_, ids, what, shown);
}

void TLibraryform::remember(bool quietly) {
  auto save = [this] {
    setPreference(*library_, kWindowGeometry, saveGeometry().toBase64().toStdString());
    setPreference(*library_, kWindowSearch, Search->text().toStdString());
    setPreference(*library_, kWindowRank, byRelevance() ? kByRelevance : kByOrder);
    const QModelIndex current = Results->currentIndex();
    setPreference(*library_, kWindowSelected,
                  current.isValid() ? std::to_string(model_->idAt(current.row())) : std::string());
  };
  if (!quietly) {
    runCommand(platform_, this, save);
    return;
  }
  try {
    save();
  } catch (const Error&) {
    // The program is ending: a library that cannot be written loses only the window's place.
  }
}

void TLibraryform::closeEvent(QCloseEvent* event) {
  remember();
  event->accept();
}

bool TLibraryform::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == Results && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      OpenInReader();
      return true;
    }
    // From the search field the arrows walk the results without leaving it.
    if (watched == Search && (key == Qt::Key_Down || key == Qt::Key_Up) && model_->rowCount() > 0) {
      Results->setFocus();
      QCoreApplication::sendEvent(Results, event);
      return true;
    }
    if (watched == Search && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      searchNow();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace pelarin::gui
