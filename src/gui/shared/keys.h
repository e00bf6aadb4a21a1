// Keys every window shares beyond its menus' shortcuts: F10 for the menu bar,
// Ctrl+Enter for OK, and the showing of a window by a command.
#pragma once

class QAbstractButton;
class QMenuBar;
class QWidget;

namespace pelarin::gui {

// F10 anywhere in the window opens the menu bar's first menu.
void openMenuBarOnF10(QWidget* window, QMenuBar* bar);

// Ctrl+Enter (either Enter key) anywhere in the window presses `ok` when it is enabled.
void okOnCtrlEnter(QWidget* window, QAbstractButton* ok);

// What a command that shows a window does: a minimised window comes back, and
// the window is shown, raised and activated.
void bringUp(QWidget* window);

}  // namespace pelarin::gui
