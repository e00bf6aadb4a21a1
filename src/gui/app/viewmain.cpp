#include "gui/app/viewmain.h"

namespace pelarin::gui {

TLogview::TLogview(Platform& platform, QWidget* parent) : QMainWindow(parent), platform_(platform) {
  setWindowTitle(QStringLiteral("Pelarin for Windows    "));
}

TLogview::~TLogview() = default;

void TLogview::attach(const Windows& windows) { windows_ = windows; }

}  // namespace pelarin::gui
