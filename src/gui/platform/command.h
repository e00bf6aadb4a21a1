// The one place where a command's error becomes the "ｴﾗｰ" box: every menu
// item, button, key handler and drop runs inside runCommand, so no exception
// reaches Qt.
#pragma once

#include <functional>

class QWidget;

namespace pelarin::gui {

class Platform;

// The program ended while the command waited for its work: the command ends
// at once, without a word, touching nothing more.
struct CommandAbandoned {};

// Runs the command; an error ends it and is shown, a cancel (CancelledError)
// and CommandAbandoned end it silently. False when it did not complete.
bool runCommand(Platform& platform, QWidget* parent, const std::function<void()>& command);

}  // namespace pelarin::gui
