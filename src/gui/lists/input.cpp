#include "gui/lists/input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <vector>

#include "core/app/appstate.h"
#include "core/text/linereader.h"
#include "core/text/paths.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtext.h"
#include "gui/shared/accessible.h"
#include "gui/shared/controls.h"

namespace pelarin::gui {

namespace {

constexpr int kButtonWidth = 75, kButtonHeight = 25;

// The entry's own bytes: its shown text may have lost undecodable ones.
constexpr int kEntryBytes = Qt::UserRole;

}  // namespace

TInputList::TInputList(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Input List"));
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setEnabled(false);
  BitBtn1->setDefault(true);  // Enter confirms the selected entry
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  SelectListBox = designControl<QListWidget>(this, "SelectListBox", QRect());
  SelectListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  describe(SelectListBox, QStringLiteral("Entries"), QStringLiteral("選べる項目の一覧"));

  connect(BitBtn1, &QPushButton::clicked, this, &TInputList::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TInputList::BitBtn2Click);
  connect(SelectListBox, &QListWidget::itemSelectionChanged, this, &TInputList::SelectListBoxClick);
  // The double-click's first click has selected the entry.
  connect(SelectListBox, &QListWidget::itemDoubleClicked, this, &TInputList::BitBtn1Click);
  SelectListBox->installEventFilter(this);
  // The only window that derives its height too, and takes its size at creation only.
  FormResize();
  takeSize(this, stored(), right(BitBtn2) + 10, bottom(BitBtn2) + 100);
}

StoredGeometry TInputList::stored() {
  return {state_.InputListHeight, state_.InputListWidth, state_.InputListTop, state_.InputListLeft};
}

std::optional<Bytes> TInputList::offer(const std::filesystem::path& file, const QString& suffix) {
  if (!entryExists(file)) return std::nullopt;
  // The whole file first: a read failure leaves the window as it was.
  LineReader in(file);
  const Bytes title = in.readLine();
  std::vector<Bytes> entries;
  while (!in.atEnd()) entries.push_back(in.readLine());

  pickedText_.clear();
  SelectListBox->clearSelection();
  SelectListBox->clear();
  setWindowTitle(toQ(title) + suffix);
  for (const Bytes& entry : entries) {
    auto* item = new QListWidgetItem(toQ(entry), SelectListBox);
    item->setData(kEntryBytes, QByteArray(entry.data(), static_cast<qsizetype>(entry.size())));
  }
  applyFont(stateFont(state_));
  // A width the user never gave fits the longest entry.
  if (state_.InputListWidth == 0) {
    const int entries = SelectListBox->sizeHintForColumn(0) + 2 * SelectListBox->frameWidth() +
                        SelectListBox->verticalScrollBar()->sizeHint().width();
    if (entries > width()) resize(entries, height());
  }
  placeAtStoredPosition();
  // The keys move in the list from the start.
  SelectListBox->setFocus();

  // A window closed without OK leaves the caller's field as it was, even
  // when an entry was selected before Cancel.
  if (exec() != QDialog::Accepted || SelectListBox->selectedItems().isEmpty()) return std::nullopt;
  return pickedText_;
}

// Next to the field it fills: the one with the focus when it opens.
void TInputList::placeAtStoredPosition() {
  const QWidget* field = QApplication::focusWidget();
  takePosition(this, stored(), field ? field : programMainWindow());
}

void TInputList::applyFont(const QFont& font) { SelectListBox->setFont(font); }

void TInputList::SelectListBoxClick() { BitBtn1->setEnabled(!SelectListBox->selectedItems().isEmpty()); }

void TInputList::BitBtn1Click() {
  const QList<QListWidgetItem*> selected = SelectListBox->selectedItems();
  if (selected.isEmpty()) return;
  const QByteArray entry = selected.front()->data(kEntryBytes).toByteArray();
  pickedText_.assign(entry.constData(), static_cast<size_t>(entry.size()));
  accept();
}

void TInputList::BitBtn2Click() { reject(); }

// The list makes its first entry current, unselected, when it takes the focus,
// so its own first Down would select the second.
bool TInputList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SelectListBox && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && SelectListBox->count() > 0 &&
      SelectListBox->selectedItems().isEmpty()) {
    SelectListBox->setCurrentRow(0);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TInputList::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TInputList::FormClose() {
  recordSize(this, stored());
  recordPosition(this, stored());
  BitBtn1->setEnabled(false);
}

void TInputList::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
  // A size the user gives is kept at once: the next activation takes it, not the one of the last close.
  if (isVisible()) recordSize(this, stored());
}

void TInputList::FormResize() {
  BitBtn1->move(5, 5);
  BitBtn2->setGeometry(right(BitBtn1) + 10, BitBtn1->y(), BitBtn2->width(), BitBtn1->height());
  const int top = bottom(BitBtn1) + 5;
  SelectListBox->setGeometry(0, top, width(), qMax(0, height() - top));
}

}  // namespace pelarin::gui
