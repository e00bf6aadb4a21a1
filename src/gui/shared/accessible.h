// Names for screen readers where the window's design gives a field no label:
// its captions are read-only boxes, and some buttons show only symbols.
#pragma once

#include <QString>
#include <initializer_list>

class QLineEdit;
class QWidget;

namespace pelarin::gui {

// The field is read by the captions that stand before it, joined by blanks.
void nameBy(QWidget* field, std::initializer_list<const QLineEdit*> captions);

// A name and a description for a control whose caption says nothing by itself.
void describe(QWidget* control, const QString& name, const QString& description = QString());

}  // namespace pelarin::gui
