// Design controls of the windows: caption and value boxes and buttons measured
// for the font they show, and the edges of controls in their client area.
#pragma once

#include <QRect>
#include <QString>
#include <initializer_list>

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

}  // namespace pelarin::gui
