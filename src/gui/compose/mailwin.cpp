#include "gui/compose/mailwin.h"

namespace pelarin::gui {

TMailform::TMailform(AppState& state, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Mail Window"));
}

}  // namespace pelarin::gui
