#include "gui/compose/radiogroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace pelarin::gui {

RadioGroup::RadioGroup(QWidget* parent, const QString& caption, const QStringList& items, int columns)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 0, 4, 0);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    buttons_->addButton(button, i);
    grid->addWidget(button, i / columns, i % columns);
  }
}

int RadioGroup::itemIndex() const { return buttons_->checkedId(); }

void RadioGroup::setItemIndex(int index) {
  if (QAbstractButton* button = buttons_->button(index)) {
    button->setChecked(true);
    return;
  }
  // An exclusive group keeps its checked button: let go of exclusivity to clear it.
  buttons_->setExclusive(false);
  for (QAbstractButton* button : buttons_->buttons()) button->setChecked(false);
  buttons_->setExclusive(true);
}

QRadioButton* RadioGroup::item(int index) const {
  return qobject_cast<QRadioButton*>(buttons_->button(index));
}

int RadioGroup::count() const { return static_cast<int>(buttons_->buttons().size()); }

RadioGroup* designRadioGroup(QWidget* parent, const char* name, const QString& caption,
                             const QStringList& items, int columns, const QRect& design) {
  auto* group = new RadioGroup(parent, caption, items, columns);
  group->setObjectName(QString::fromLatin1(name));
  group->setGeometry(design);
  // The design width was made for a smaller face: an item is never cut.
  const int fits = group->sizeHint().width();
  if (design.width() > 0 && group->width() < fits) group->resize(fits, group->height());
  return group;
}

}  // namespace pelarin::gui
