#include "gui/app/initwin.h"

namespace pelarin::gui {

TInitform::TInitform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Initial Directories"));
}

}  // namespace pelarin::gui
