#include "gui/reading/listwin.h"

namespace pelarin::gui {

TListform::TListform(AppState& state, Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Message List Window"));
}

}  // namespace pelarin::gui
