#include "gui/compose/newwin.h"

namespace pelarin::gui {

TNewform::TNewform(AppState& state, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("New Message Window"));
}

}  // namespace pelarin::gui
