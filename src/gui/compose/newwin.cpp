#include "gui/compose/newwin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/app/appstate.h"

namespace pelarin::gui {

namespace {

// Design sizes; the layout rule places every control.
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kBoxHeight = 24;
constexpr int kBoardLabelWidth = 89;  // Edit1 "Board Number"
constexpr int kBoardWidth = 41;       // Boardnum: four characters
constexpr int kTitleLabelWidth = 41;  // Edit2 "Title"
constexpr int kTitleWidth = 257;      // MesTitle: 32 bytes
constexpr int kBoardMaxLength = 4;

}  // namespace

TNewform::TNewform(AppState& state, Platform& platform, QWidget* parent)
    : ComposerWindow(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("New Message Window"));
  Edit1 =
      captionBox(this, "Edit1", QStringLiteral("Board Number"), QRect(0, 0, kBoardLabelWidth, kBoxHeight));
  Boardnum = designControl<QLineEdit>(this, "Boardnum", QRect(0, 0, kBoardWidth, kBoxHeight));
  Boardnum->setMaxLength(kBoardMaxLength);
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn1->setEnabled(false);
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Title"), QRect(0, 0, kTitleLabelWidth, kBoxHeight));
  MesTitle = designControl<QLineEdit>(this, "MesTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  counters_ = makeCounterRow(this);
  NewView = designEditor(this, "NewView");

  connect(BitBtn2, &QPushButton::clicked, this, &TNewform::BitBtn2Click);
  FormCreate();
}

StoredGeometry TNewform::stored() {
  return {state_.NewHeight, state_.NewWidth, state_.NewTop, state_.NewLeft};
}

int TNewform::derivedWidth() const { return right(BitBtn2) + 8; }

void TNewform::applyFont(const QFont& font) { NewView->setFont(font); }

void TNewform::open() {}

void TNewform::BitBtn2Click() { close(); }

void TNewform::FormResize() {
  BitBtn1->move(BitBtn1->x(), 5);
  BitBtn2->move(BitBtn2->x(), BitBtn1->y());
  Edit1->move(Edit1->x(), bottom(BitBtn1) - Edit1->height());
  Boardnum->setGeometry(Boardnum->x(), Edit1->y(), Boardnum->width(), Edit1->height());
  Edit1->move(5, Edit1->y());
  Boardnum->move(right(Edit1), Boardnum->y());
  BitBtn1->move(right(Boardnum) + 30, BitBtn1->y());
  BitBtn2->move(right(BitBtn1) + 15, BitBtn2->y());
  Edit2->move(Edit1->x(), bottom(Edit1) + 5);
  MesTitle->setGeometry(right(Edit2), Edit2->y(), MesTitle->width(), Edit2->height());
  placeCounterRow(counters_, Edit1->x(), bottom(Edit2) + 5, 30);
  const int top = bottom(counters_.Label1) + 1;
  NewView->setGeometry(0, top, width(), qMax(0, height() - top));
}

}  // namespace pelarin::gui
