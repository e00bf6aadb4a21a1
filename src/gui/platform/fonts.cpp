#include "gui/platform/fonts.h"

#include <QFont>
#include <QStringList>

namespace pelarin::gui {

void installFontSubstitutions() {
  const QStringList japanese{QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                             QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP")};
  for (const char* face : {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "MS Gothic", "MS PGothic"})
    QFont::insertSubstitutions(QString::fromUtf8(face), japanese);
}

}  // namespace pelarin::gui
