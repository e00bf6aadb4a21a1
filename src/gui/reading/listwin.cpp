#include "gui/reading/listwin.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include "core/app/appstate.h"
#include "core/logimport/messagefile.h"
#include "core/logimport/storeindex.h"
#include "core/reading/messageview.h"
#include "core/text/paths.h"
#include "core/text/progress.h"
#include "gui/platform/command.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtext.h"
#include "gui/reading/messagelistmodel.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"
#include "gui/shared/keys.h"

namespace pelarin::gui {

TListform::TListform(AppState& state, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Message List Window"));

  BitBtn1 = new QPushButton(QStringLiteral("Close"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(kButtonLeft, kButtonTop, kButtonWidth, kButtonHeight);

  MesList = new QTableView(this);
  MesList->setObjectName(QStringLiteral("MesList"));
  describe(MesList, QStringLiteral("Messages"), QStringLiteral("読み込んだメッセージの一覧"));
  model_ = new MessageListModel(MesList);
  MesList->setModel(model_);
  MesList->setSelectionBehavior(QAbstractItemView::SelectRows);
  MesList->setSelectionMode(QAbstractItemView::SingleSelection);
  MesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  MesList->setShowGrid(true);
  MesList->setWordWrap(false);
  MesList->setTextElideMode(Qt::ElideNone);
  QHeaderView* columns = MesList->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setSectionsMovable(false);
  columns->setStretchLastSection(false);
  columns->setHighlightSections(false);
  columns->setMinimumSectionSize(0);
  // Cell texts sit at the left, so the headers' leading blanks show.
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The grid has no fixed column, so no row header.
  QHeaderView* rows = MesList->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Interactive);
  rows->setSectionsMovable(false);
  rows->setMinimumSectionSize(0);
  rows->hide();

  connect(BitBtn1, &QPushButton::clicked, this, &TListform::BitBtn1Click);
  connect(MesList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!quiet_ && current.isValid()) MesListSelectCell(messageOfRow(current.row()));
          });
  MesList->viewport()->installEventFilter(this);
  MesList->installEventFilter(this);

  setColumnWidths();
  FormResize();
  takeSize(this, stored(), derivedWidth());
  takePosition(this, stored(), programMainWindow());
}

StoredGeometry TListform::stored() {
  return {state_.ListHeight, state_.ListWidth, state_.ListTop, state_.ListLeft};
}

// Wide enough for the button and for every column, so the first opening shows the whole row.
int TListform::derivedWidth() const {
  int columns = 2 * MesList->frameWidth() + MesList->verticalHeader()->sizeHint().width() +
                MesList->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < MessageListModel::kColumns; ++c) columns += state_.ListColWidth[static_cast<size_t>(c)];
  return qMax(right(BitBtn1) + 10, columns);
}

void TListform::setColumnWidths() {
  for (int c = 0; c < MessageListModel::kColumns; ++c)
    MesList->setColumnWidth(c, state_.ListColWidth[static_cast<size_t>(c)]);
}

void TListform::applyFont(const QFont& font) {
  MesList->setFont(font);
  if (font.pointSize() > 0) MesList->verticalHeader()->setDefaultSectionSize(2 * font.pointSize());
}

void TListform::BtListClick() {
  applyFont(stateFont(state_));
  takePosition(this, stored(), programMainWindow());
  {
    QuietSelection quiet(*this);
    model_->resetRows(state_.MesCount);
  }
  selectRow(state_.CurrentMes);
  setColumnWidths();
  fillRows();
  bringUp(this);
  // The keys move in the grid from the start, not on the Close button.
  MesList->setFocus();
}

void TListform::fillRows() {
  const auto dir = pathFromText(state_.WorkDir);
  std::vector<ListRow> rows(model_->rows().size());
  const int count = static_cast<int>(rows.size());
  // The key lines the splitter and the sort kept; the files only for a store
  // the index did not see being written.
  const StoreIndex& index = state_.Index;
  const bool indexed = index.covers(count);
  // One change signal for all rows, also when a file fails half-way.
  const auto read = [&](Progress* progress) {
    if (progress) progress->begin(Progress::Phase::Listing, static_cast<int64_t>(count));
    for (int n = 1; n <= count; ++n) {
      if (progress) progress->step(n - 1);
      rows[static_cast<size_t>(rowOfMessage(n))] = listRow(readMessageKeys(messagePath(dir, n)));
    }
  };
  try {
    if (indexed) {
      // In hand already: no file is read, and no work to show progress for.
      for (int n = 1; n <= count; ++n) rows[static_cast<size_t>(rowOfMessage(n))] = listRow(index.keys(n));
    } else if (runWork_) {
      runWork_([&](Progress& progress) { read(&progress); });
    } else {
      read(nullptr);
    }
  } catch (...) {
    model_->fillRows(std::move(rows));
    throw;
  }
  model_->fillRows(std::move(rows));
}

void TListform::selectRow(int row) {
  if (row >= 1 && row <= model_->rowCount()) {
    QuietSelection quiet(*this);
    const int column = qMax(0, MesList->currentIndex().column());
    const QModelIndex index = model_->index(rowOfMessage(row), column);
    MesList->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    MesList->scrollTo(index);
  }
  if (row >= 1 && row <= state_.MesCount) Q_EMIT rowSelected(row);
}

void TListform::MesListSelectCell(int row) {
  runCommand(platform_, this, [&] { Q_EMIT rowSelected(row); });
}

void TListform::MesListDblClick() { close(); }

void TListform::BitBtn1Click() { close(); }

bool TListform::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(event);
}

void TListform::FormActivate() {
  takeSize(this, stored(), derivedWidth());
  Q_EMIT listActivated();
}

void TListform::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
  // A size the user gives is kept at once: the next activation takes it, not the one of the last close.
  if (isVisible()) recordSize(this, stored());
}

void TListform::FormResize() {
  BitBtn1->move(kButtonLeft, kButtonTop);
  const int top = bottom(BitBtn1) + 5;
  MesList->setGeometry(0, top, width(), qMax(0, height() - top));
}

void TListform::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TListform::FormClose() {
  recordSize(this, stored());
  recordPosition(this, stored());
  for (int c = 0; c < MessageListModel::kColumns; ++c)
    state_.ListColWidth[static_cast<size_t>(c)] = MesList->columnWidth(c);
  Q_EMIT listClosed();
}

void TListform::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      MesListKeyEnter();
      return;
    case Qt::Key_Escape:
      close();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TListform::MesListKeyEnter() {
  const QModelIndex current = MesList->currentIndex();
  if (current.isValid() && messageOfRow(current.row()) != state_.CurrentMes)
    MesListSelectCell(messageOfRow(current.row()));
  close();
}

// The grid's own Home and End stay in the row, which whole-row selection shows as nothing.
bool TListform::gridKey(const QKeyEvent* key) {
  if (key->modifiers() != Qt::NoModifier || model_->rowCount() == 0) return false;
  int row;
  if (key->key() == Qt::Key_Home)
    row = 0;
  else if (key->key() == Qt::Key_End)
    row = model_->rowCount() - 1;
  else
    return false;
  const QModelIndex index = model_->index(row, qMax(0, MesList->currentIndex().column()));
  MesList->selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  MesList->scrollTo(index);
  return true;
}

bool TListform::eventFilter(QObject* watched, QEvent* event) {
  if (watched == MesList->viewport() && event->type() == QEvent::MouseButtonDblClick) MesListDblClick();
  if (watched == MesList && event->type() == QEvent::KeyPress && gridKey(static_cast<QKeyEvent*>(event)))
    return true;
  return QWidget::eventFilter(watched, event);
}

}  // namespace pelarin::gui
