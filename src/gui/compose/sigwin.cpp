#include "gui/compose/sigwin.h"

namespace pelarin::gui {

TSigform::TSigform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Signature Edit"));
}

}  // namespace pelarin::gui
