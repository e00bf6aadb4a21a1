#include "gui/shared/keys.h"

#include <QAbstractButton>
#include <QMenuBar>
#include <QShortcut>
#include <QWidget>

namespace pelarin::gui {

void openMenuBarOnF10(QWidget* window, QMenuBar* bar) {
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
  QObject::connect(f10, &QShortcut::activated, bar, [bar] {
    for (QAction* menu : bar->actions())
      if (menu->isVisible() && menu->isEnabled()) {
        bar->setActiveAction(menu);
        return;
      }
  });
}

void okOnCtrlEnter(QWidget* window, QAbstractButton* ok) {
  for (const QKeyCombination key :
       {QKeyCombination(Qt::ControlModifier, Qt::Key_Return),
        QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Enter)}) {
    auto* shortcut = new QShortcut(QKeySequence(key), window);
    QObject::connect(shortcut, &QShortcut::activated, ok, [ok] {
      if (ok->isEnabled() && ok->isVisible()) ok->click();
    });
  }
}

void bringUp(QWidget* window) {
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace pelarin::gui
