#include "gui/lists/input.h"

#include <QListWidget>
#include <QPushButton>

#include "core/app/appstate.h"

namespace pelarin::gui {

namespace {

constexpr int kButtonWidth = 75, kButtonHeight = 25;

}  // namespace

TInputList::TInputList(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Input List"));
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setEnabled(false);
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  SelectListBox = designControl<QListWidget>(this, "SelectListBox", QRect());
  SelectListBox->setSelectionMode(QAbstractItemView::SingleSelection);

  connect(BitBtn2, &QPushButton::clicked, this, &TInputList::BitBtn2Click);
  // The only window that derives its height too, and takes its size at creation only.
  FormResize();
  takeSize(this, stored(), right(BitBtn2) + 10, bottom(BitBtn2) + 100);
}

StoredGeometry TInputList::stored() {
  return {state_.InputListHeight, state_.InputListWidth, state_.InputListTop, state_.InputListLeft};
}

std::optional<Bytes> TInputList::offer(const std::filesystem::path& /*file*/, const QString& /*suffix*/) {
  return std::nullopt;
}

void TInputList::placeAtStoredPosition() { takePosition(this, stored()); }

void TInputList::applyFont(const QFont& font) { SelectListBox->setFont(font); }

void TInputList::BitBtn2Click() { reject(); }

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
}

void TInputList::FormResize() {
  BitBtn1->move(5, 5);
  BitBtn2->setGeometry(right(BitBtn1) + 10, BitBtn1->y(), BitBtn2->width(), BitBtn1->height());
  const int top = bottom(BitBtn1) + 5;
  SelectListBox->setGeometry(0, top, width(), qMax(0, height() - top));
}

}  // namespace pelarin::gui
