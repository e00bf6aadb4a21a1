// A one-line field for what is typed in Latin letters and digits (a board
// number, a user ID, a count): the input method stays off, and the fullwidth
// forms that arrive anyway (a paste, a drop) become ASCII.
#pragma once

#include <QLineEdit>
#include <QString>

namespace pelarin::gui {

class LatinField : public QLineEdit {
  Q_OBJECT

 public:
  // typedLimit: the characters typing and pasting may give, 0 for no limit.
  explicit LatinField(QWidget* parent, int typedLimit = 0);

  // Qt's line edit answers true to ImEnabled whatever its attribute says, and
  // the input method asks this, not the attribute.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  // The form QInputMethod::queryFocusObject calls by name.
  Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const;
};

// The fullwidth forms of ASCII (U+FF01 to U+FF5E) as ASCII; one character for one.
QString asciiForms(QString text);

}  // namespace pelarin::gui
