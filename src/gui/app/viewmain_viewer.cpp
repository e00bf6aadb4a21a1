// The viewer's own context menu: the standard commands and a wrap toggle for
// body lines wider than the window.
#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>

#include "gui/app/viewmain.h"

namespace pelarin::gui {

void TLogview::createViewerMenu() {
  WrapLines = new QAction(QStringLiteral("&Wrap long lines"), this);
  WrapLines->setObjectName(QStringLiteral("WrapLines"));
  WrapLines->setCheckable(true);
  connect(WrapLines, &QAction::toggled, this, [this](bool wrap) {
    Docview->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  });
  Docview->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Docview, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = viewerMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(Docview->viewport()->mapToGlobal(at));
  });
}

QMenu* TLogview::viewerMenu() {
  QMenu* menu = Docview->createStandardContextMenu();
  menu->addSeparator();
  menu->addAction(WrapLines);
  return menu;
}

}  // namespace pelarin::gui
