// The one place where a command's error becomes the "ｴﾗｰ" box: every menu
// item, button, key handler and drop runs inside runCommand, so no exception
// reaches Qt.
#pragma once

#include <functional>

class QWidget;

namespace pelarin::gui {

class Platform;

// Runs the command; an error ends it and is shown. False when it failed.
bool runCommand(Platform& platform, QWidget* parent, const std::function<void()>& command);

}  // namespace pelarin::gui
