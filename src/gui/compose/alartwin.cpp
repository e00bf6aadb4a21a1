#include "gui/compose/alartwin.h"

namespace pelarin::gui {

TAlartform::TAlartform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Other Config"));
}

void TAlartform::execute() {}

}  // namespace pelarin::gui
