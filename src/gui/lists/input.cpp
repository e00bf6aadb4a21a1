#include "gui/lists/input.h"

namespace pelarin::gui {

TInputList::TInputList(AppState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
  setWindowTitle(QStringLiteral("Input List"));
}

}  // namespace pelarin::gui
