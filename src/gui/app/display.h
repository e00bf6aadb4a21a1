// The program needs a screen: without one it says so and ends with status 1,
// instead of Qt's abort at the platform plugin.
#pragma once

namespace pelarin::gui {

// True when nothing names a screen to open on: no platform chosen by
// QT_QPA_PLATFORM or -platform, and neither DISPLAY nor WAYLAND_DISPLAY set.
bool noDisplayNamed(int argc, char* argv[]);

// Writes the text to stderr and ends the program with status 1.
[[noreturn]] void endForWantOfDisplay();

// From here until startedOnDisplay(), a platform that cannot be opened (a
// DISPLAY no server answers on) ends the program as endForWantOfDisplay() does.
void watchDisplayStart();
void startedOnDisplay();

}  // namespace pelarin::gui
