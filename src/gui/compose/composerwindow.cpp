#include "gui/compose/composerwindow.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace pelarin::gui {

ComposerWindow::ComposerWindow(QWidget* parent) : QWidget(parent, Qt::Window) {}

void ComposerWindow::placeAtStoredPosition() { takePosition(this, stored()); }

bool ComposerWindow::bringToFront() {
  if (!isVisible()) return false;
  raise();
  activateWindow();
  return true;
}

bool ComposerWindow::holdsText() const {
  if (!isVisible()) return false;
  for (const QLineEdit* edit : findChildren<QLineEdit*>())
    if (!edit->isReadOnly() && !edit->text().isEmpty()) return true;
  for (const QPlainTextEdit* editor : findChildren<QPlainTextEdit*>())
    if (!editor->isReadOnly() && !editor->document()->isEmpty()) return true;
  return false;
}

void ComposerWindow::programEnds() { programEnding_ = true; }

void ComposerWindow::FormCreate() {
  FormResize();
  takeSize(this, stored(), derivedWidth());
}

void ComposerWindow::FormActivate() { takeSize(this, stored(), derivedWidth()); }

void ComposerWindow::FormClose() {
  recordSize(this, stored());
  recordPosition(this, stored());
  Q_EMIT composed();
}

bool ComposerWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(event);
}

void ComposerWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void ComposerWindow::closeEvent(QCloseEvent* event) {
  if (!programEnding_) FormClose();
  event->accept();
}

}  // namespace pelarin::gui
