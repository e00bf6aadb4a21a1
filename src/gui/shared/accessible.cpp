#include "gui/shared/accessible.h"

#include <QLineEdit>
#include <QStringList>

namespace pelarin::gui {

void nameBy(QWidget* field, std::initializer_list<const QLineEdit*> captions) {
  QStringList words;
  for (const QLineEdit* caption : captions) words << caption->text().trimmed();
  field->setAccessibleName(words.join(QLatin1Char(' ')));
}

void describe(QWidget* control, const QString& name, const QString& description) {
  control->setAccessibleName(name);
  if (!description.isEmpty()) control->setAccessibleDescription(description);
}

}  // namespace pelarin::gui
