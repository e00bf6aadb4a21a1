// Design controls of the windows, edges of controls in their client area, and
// the stored client sizes and outer positions that resizable windows take and record.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <optional>

class QLineEdit;
class QPushButton;
class QWidget;

namespace pelarin::gui {

// A control of the window's design: its object name is the system's name.
template <typename Control>
Control* designControl(QWidget* parent, const char* name, const QRect& design) {
  auto* control = new Control(parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(design);
  return control;
}

// A read-only text box that serves as a label: drawn without a frame on the window's background,
// and never narrower than its caption in the font it shows.
QLineEdit* captionBox(QWidget* parent, const char* name, const QString& caption, const QRect& design);
// A read-only box for a value, never narrower than `widest` (the widest value it shows).
QLineEdit* valueBox(QWidget* parent, const char* name, const QString& widest, const QRect& design);
// Makes a one-line box look like a label.
void drawAsLabel(QLineEdit* box);
// The width a one-line box needs to show `text` whole.
int boxWidthFor(const QLineEdit* box, const QString& text);

// Widens the controls to the widest of them.
void sameWidth(std::initializer_list<QWidget*> controls);

// A button never narrower than its caption needs.
QPushButton* designButton(QWidget* parent, const char* name, const QString& caption, const QRect& design);

// Left plus width, top plus height, in the parent's client coordinates.
int right(const QWidget* w);
int bottom(const QWidget* w);

// Sets the client size and runs the window's resize handler even while it is
// hidden (Qt defers a hidden window's resize event until it is shown).
void setClientSize(QWidget* window, int width, int height);

// The four geometry fields of one window in the application state.
struct StoredGeometry {
  int32_t& height;
  int32_t& width;
  int32_t& top;
  int32_t& left;
};

// A width field of 0 stands for derivedWidth; a height field of 0 stands for
// derivedHeight when the window has one, else for a height of 0.
void takeSize(QWidget* window, const StoredGeometry& g, int derivedWidth,
              std::optional<int> derivedHeight = std::nullopt);
void recordSize(const QWidget* window, const StoredGeometry& g);

// Positions are the window's outer top-left corner.
// A position never set (0, 0) opens beside `beside` when one is given, inside its screen; a
// stored position outside every present screen (a monitor unplugged) is brought inside.
void takePosition(QWidget* window, const StoredGeometry& g, const QWidget* beside = nullptr);
// The program's main window, which the other windows open beside; null before it exists.
const QWidget* programMainWindow();
// The outer rectangle moved the least so that it lies inside `area` as far as it fits.
QRect keptInside(const QRect& frame, const QRect& area);
void recordPosition(const QWidget* window, const StoredGeometry& g);

}  // namespace pelarin::gui
