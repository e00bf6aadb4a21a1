#include "gui/lists/setlist.h"

namespace pelarin::gui {

TSetLog::TSetLog(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("関連付け"));
}

}  // namespace pelarin::gui
