// The main window's geometry: its layout rule, the client size it takes, and
// the two Window commands.
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "gui/app/viewmain.h"
#include "gui/shared/controls.h"
#include "gui/shared/placement.h"

namespace pelarin::gui {

namespace {
constexpr int kMinimumNameWidth = 100;
}  // namespace

void TLogview::layoutControls() {
  BtPrevious->setGeometry(3, 0, BtPrevious->width(), BtPrevious->height());
  QWidget* before = BtPrevious;
  for (QPushButton* b : {BtResponce, BtNext, BtNewmes, BtMail, BtList}) {
    b->setGeometry(right(before) + 2, BtPrevious->y(), b->width(), BtPrevious->height());
    before = b;
  }

  Edit2->move(BtPrevious->x(), bottom(BtPrevious) + 2);
  const int rowHeight = Edit2->height();
  const int row1 = Edit2->y();
  BoadNumber->setGeometry(right(Edit2) + 1, row1, BoadNumber->width(), rowHeight);
  Edit3->setGeometry(right(BoadNumber) + 5, row1, Edit3->width(), rowHeight);
  Mesnumber->setGeometry(right(Edit3) + 1, row1, Mesnumber->width(), rowHeight);
  Edit4->setGeometry(right(Mesnumber) + 5, row1, Edit4->width(), rowHeight);
  IDnum->setGeometry(right(Edit4) + 1, row1, IDnum->width(), rowHeight);
  const int writerLeft = right(IDnum) + 1;
  // With a large font the header rows can outgrow the buttons: the name keeps a useful width.
  const int rowRight = std::max(right(BtList), writerLeft + kMinimumNameWidth);
  WriterName->setGeometry(writerLeft, row1, rowRight - writerLeft, rowHeight);

  const int row2 = bottom(Edit2) + 2;
  Edit5->setGeometry(Edit2->x(), row2, Edit5->width(), rowHeight);
  ResTitle->setGeometry(right(Edit5) + 1, row2, ResTitle->width(), rowHeight);
  Edit6->setGeometry(right(ResTitle) + 5, row2, Edit6->width(), rowHeight);
  const int titleLeft = right(Edit6) + 1;
  Title->setGeometry(titleLeft, row2, right(WriterName) - titleLeft, rowHeight);

  const QWidget* client = centralWidget();
  const int docTop = bottom(Title) + 5;
  // A window shorter than the header rows leaves the viewer no height at all.
  Docview->setGeometry(0, docTop, client->width(), std::max(0, client->height() - docTop));
}

void TLogview::FormResize() {
  layoutControls();
  state_.MainHeight = centralWidget()->height();
  state_.MainWidth = centralWidget()->width();
}

int TLogview::derivedWidth() const {
  return state_.MainWidth != 0 ? state_.MainWidth
                               : std::max({right(BtList), right(WriterName), right(Title)}) + 5;
}

void TLogview::setClientSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  int menu = menuBar()->heightForWidth(width);
  if (menu < 0) menu = menuBar()->sizeHint().height();
  resize(width, height + menu);
  if (!isVisible()) {
    // Qt lays out a hidden window only when it is shown; the rule runs now.
    centralWidget()->resize(width, height);
    FormResize();
    return;
  }
  // The menu bar may wrap differently than asked; correct by what the layout gave.
  layout()->activate();
  const int missing = height - centralWidget()->height();
  if (missing != 0) resize(width, this->height() + missing);
}

void TLogview::takeSize() {
  setClientSize(derivedWidth(), state_.MainHeight);
  // Rows laid out at a larger font than the stored width was made for grow the window.
  const QSize client = centralWidget()->size();
  const QSize grown = grownToFit(this, client, neededClientSize(centralWidget()));
  if (grown != client) setClientSize(grown.width(), grown.height());
}

void TLogview::InitSize1Click() {
  ResetSizes(state_);
  takeSize();
}

void TLogview::InitPosition1Click() {
  ResetPositions(state_);
  moveMainWindow(state_.MainTop, state_.MainLeft);
}

}  // namespace pelarin::gui
