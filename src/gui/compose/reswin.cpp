#include "gui/compose/reswin.h"

namespace pelarin::gui {

TResform::TResform(AppState& state, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Responce Window"));
}

}  // namespace pelarin::gui
