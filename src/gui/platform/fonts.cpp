#include "gui/platform/fonts.h"

#include <QFont>
#include <QStringList>

#include "core/app/appstate.h"
#include "gui/platform/qtext.h"

namespace pelarin::gui {

void installFontSubstitutions() {
  const QStringList japanese{QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                             QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP")};
  for (const char* face : {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "MS Gothic", "MS PGothic"})
    QFont::insertSubstitutions(QString::fromUtf8(face), japanese);
}

QFont stateFont(const AppState& state) {
  QFont font(toQ(state.FontName));
  if (state.FontSize > 0) font.setPointSize(state.FontSize);
  return font;
}

}  // namespace pelarin::gui
