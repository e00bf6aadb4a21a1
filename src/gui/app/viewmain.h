// The main window: the shown message, the commands, and the start-up and
// close of the program. It owns the application state.
#pragma once

#include <QMainWindow>

#include "core/app/apphost.h"
#include "core/app/appstate.h"
#include "gui/app/windows.h"

namespace pelarin::gui {

class Platform;

class TLogview : public QMainWindow, public AppHost {
  Q_OBJECT

 public:
  // Runs the creation steps: defaults, work directory, settings, size, lock file.
  explicit TLogview(Platform& platform, QWidget* parent = nullptr);
  ~TLogview() override;

  AppState& state() { return state_; }
  Platform& platform() { return platform_; }

  // The other windows, once they exist.
  void attach(const Windows& windows);

  // True when start-up was refused (another copy owns the work directory).
  bool refused() const { return state_.AlreadyLaunched == 1; }

 private:
  AppState state_;
  Platform& platform_;
  Windows windows_;
};

}  // namespace pelarin::gui
