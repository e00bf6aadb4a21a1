#include "gui/shared/counts.h"

namespace pelarin::gui {

QString grouped(uint64_t n) {
  QString digits = QString::number(n);
  for (auto i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(','));
  return digits;
}

}  // namespace pelarin::gui
