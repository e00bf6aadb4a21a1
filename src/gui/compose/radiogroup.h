// A captioned group of radio buttons whose checked item is an index, as the
// option dialogs store it.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace pelarin::gui {

class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  // The items fill the columns row by row.
  RadioGroup(QWidget* parent, const QString& caption, const QStringList& items, int columns);

  // -1 when no item is checked.
  int itemIndex() const;
  // An index outside the items checks none.
  void setItemIndex(int index);

  QRadioButton* item(int index) const;
  int count() const;

 private:
  QButtonGroup* buttons_;
};

// A radio group of the window's design: its object name is the system's name.
RadioGroup* designRadioGroup(QWidget* parent, const char* name, const QString& caption,
                             const QStringList& items, int columns, const QRect& design);

}  // namespace pelarin::gui
