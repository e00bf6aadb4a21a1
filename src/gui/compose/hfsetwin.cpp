#include "gui/compose/hfsetwin.h"

namespace pelarin::gui {

THFsetform::THFsetform(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Quotation Setting Window"));
}

}  // namespace pelarin::gui
