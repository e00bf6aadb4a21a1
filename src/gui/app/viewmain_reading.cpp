// Reading in the main window: the shown message, previous and next, and
// whether the shown board can be answered.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "core/reading/messageview.h"
#include "core/text/paths.h"
#include "gui/app/viewmain.h"
#include "gui/platform/command.h"
#include "gui/platform/qtext.h"
#include "gui/reading/listwin.h"

namespace pelarin::gui {

namespace {

// The stored body ends its lines in CR LF; the viewer wants plain line breaks.
QString bodyText(const Bytes& body) {
  QString text = toShownQ(body);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

void TLogview::ShowStoredMessage(int n) {
  MessageView view = readMessageView(pathFromText(state_.WorkDir), n, kViewerLineCap);
  BoadNumber->setText(toShownQ(view.BoadNumber));
  Edit4->setText(view.fileArea ? QStringLiteral("File") : QStringLiteral("Writer"));
  Mesnumber->setText(toShownQ(view.Mesnumber));
  Title->setText(toShownQ(view.Title));
  ResTitle->setText(toShownQ(view.ResTitle));
  IDnum->setText(toShownQ(view.IDnum));
  WriterName->setText(toShownQ(view.WriterName));
  Docview->setPlainText(bodyText(view.body));
  // Read once shown this long: each step of a held key starts the wait again.
  readTimer_->start(kReadAfterMs);
  showMark();
}

void TLogview::selectListRow() {
  if (!windows_.list) return;
  // The list's select event would show the message just shown once more.
  TListform::QuietSelection quiet(*windows_.list);
  windows_.list->selectRow(state_.CurrentMes);
}

void TLogview::BtPreviousClick() {
  runCommand(platform_, this, [this] {
    if (state_.MesCount < 1) return;
    Docview->clear();
    state_.CurrentMes = std::max(1, state_.CurrentMes - 1);
    ShowStoredMessage(state_.CurrentMes);
    selectListRow();
  });
}

void TLogview::BtNextClick() {
  runCommand(platform_, this, [this] {
    if (state_.MesCount < 1) return;
    Docview->clear();
    state_.CurrentMes = std::min(state_.MesCount, state_.CurrentMes + 1);
    ShowStoredMessage(state_.CurrentMes);
    selectListRow();
  });
}

void TLogview::Privious1Click() { BtPreviousClick(); }

void TLogview::Next1Click() { BtNextClick(); }

// Mail ("M") and file areas ("F") cannot be answered, nor nothing at all.
void TLogview::BoadNumberChange() {
  const QString code = BoadNumber->text();
  const bool allowed =
      !code.isEmpty() && !code.startsWith(QLatin1Char('M')) && !code.startsWith(QLatin1Char('F'));
  BtResponce->setEnabled(allowed);
  Responce1->setEnabled(allowed);
}

void TLogview::MesListSelectCell(int row) {
  // The grid's header row and rows past the store hold no message.
  if (row < 1 || row > state_.MesCount || working()) return;
  // The program moved the list's selection to what is shown, or rebuilds the list.
  if (windows_.list && windows_.list->quietSelection()) return;
  runCommand(platform_, this, [this, row] {
    ShowStoredMessage(row);
    state_.CurrentMes = row;
  });
}

void TLogview::BtListClick() {
  runCommand(platform_, this, [this] {
    if (windows_.list) windows_.list->BtListClick();
  });
}

void TLogview::List1Click() { BtListClick(); }

}  // namespace pelarin::gui
