#include "gui/compose/reswin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/app/appstate.h"
#include "gui/compose/editorparts.h"

namespace pelarin::gui {

namespace {

// Design sizes; the layout rule places every control.
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kBoxHeight = 24;
constexpr int kResToWidth = 73;       // Edit1 "Res. To ..."
constexpr int kTitleLabelWidth = 41;  // Edit2 "Title"
constexpr int kBoardLabelWidth = 65;  // Edit3 "Board No."
constexpr int kMesLabelWidth = 81;    // Edit4 "Message No."
constexpr int kTitleWidth = 257;      // ResTitle, and MesTitle after it
constexpr int kNumberWidth = 49;      // Boardnum, Mesnum

}  // namespace

TResform::TResform(AppState& state, Platform& platform, QWidget* parent)
    : ComposerWindow(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Responce Window"));
  BitBtn1 = designButton(this, "BitBtn1", QStringLiteral("OK"), QRect(0, 0, kButtonWidth, kButtonHeight));
  BitBtn2 = designButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(0, 0, kButtonWidth, kButtonHeight));
  Edit1 = captionBox(this, "Edit1", QStringLiteral("Res. To ..."), QRect(0, 0, kResToWidth, kBoxHeight));
  ResTitle = designControl<QLineEdit>(this, "ResTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  ResTitle->setReadOnly(true);
  Edit3 = captionBox(this, "Edit3", QStringLiteral("Board No."), QRect(0, 0, kBoardLabelWidth, kBoxHeight));
  Boardnum = designControl<QLineEdit>(this, "Boardnum", QRect(0, 0, kNumberWidth, kBoxHeight));
  Boardnum->setReadOnly(true);
  Edit2 = captionBox(this, "Edit2", QStringLiteral("Title"), QRect(0, 0, kTitleLabelWidth, kBoxHeight));
  MesTitle = designControl<QLineEdit>(this, "MesTitle", QRect(0, 0, kTitleWidth, kBoxHeight));
  Edit4 = captionBox(this, "Edit4", QStringLiteral("Message No."), QRect(0, 0, kMesLabelWidth, kBoxHeight));
  Mesnum = designControl<QLineEdit>(this, "Mesnum", QRect(0, 0, kNumberWidth, kBoxHeight));
  Mesnum->setReadOnly(true);
  counters_ = makeCounterRow(this);
  Resview = designEditor(this, "Resview");
  setTabOrder(MesTitle, Resview);

  connect(BitBtn2, &QPushButton::clicked, this, &TResform::BitBtn2Click);
  FormCreate();
}

StoredGeometry TResform::stored() {
  return {state_.ResHeight, state_.ResWidth, state_.ResTop, state_.ResLeft};
}

int TResform::derivedWidth() const { return right(BitBtn1) + 8; }

void TResform::applyFont(const QFont& font) { Resview->setFont(font); }

void TResform::open(const QPlainTextEdit& /*docview*/) {}

void TResform::BitBtn2Click() { close(); }

void TResform::FormResize() {
  ResTitle->resize(ResTitle->width(), Edit1->height());
  MesTitle->resize(MesTitle->width(), Edit1->height());
  BitBtn1->move(BitBtn1->x(), 5);
  Edit1->move(5, bottom(BitBtn1) - Edit1->height());
  const int row1 = Edit1->y();
  ResTitle->move(right(Edit1), row1);
  MesTitle->setGeometry(ResTitle->x(), MesTitle->y(), ResTitle->width(), MesTitle->height());
  Edit2->move(MesTitle->x() - Edit2->width(), Edit2->y());
  Edit4->move(right(MesTitle) + 2, Edit4->y());
  Mesnum->move(right(Edit4), Mesnum->y());
  Boardnum->move(Mesnum->x(), row1);
  Edit3->move(Boardnum->x() - Edit3->width(), row1);
  BitBtn1->move(right(Boardnum) + 15, BitBtn1->y());
  BitBtn2->move(BitBtn1->x(), BitBtn2->y());
  const int row2 = bottom(Edit1) + 5;
  for (QWidget* w : std::initializer_list<QWidget*>{Edit2, MesTitle, Edit4, Mesnum, BitBtn2})
    w->move(w->x(), row2);
  placeCounterRow(counters_, Edit1->x(), bottom(Edit2) + 5, 15);
  const int top = bottom(counters_.letternum) + 5;
  Resview->setGeometry(0, top, width(), qMax(0, height() - top));
}

}  // namespace pelarin::gui
