#include "gui/platform/platform.h"

#include <QStringList>

namespace pelarin::gui {

QString boxTitle(BoxKind kind) {
  switch (kind) {
    case BoxKind::Warning:
      return QStringLiteral("警告");
    case BoxKind::Error:
      return QStringLiteral("ｴﾗｰ");
    case BoxKind::Information:
      return QStringLiteral("情報");
    case BoxKind::Confirmation:
      return QStringLiteral("確認");
  }
  return {};
}

QString qtFilter(const QString& systemFilter) {
  QStringList parts = systemFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

}  // namespace pelarin::gui
