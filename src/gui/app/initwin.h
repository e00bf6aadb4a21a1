// The "Initial Directories" window.
#pragma once

#include <QDialog>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TInitform : public QDialog {
  Q_OBJECT

 public:
  TInitform(AppState& state, Platform& platform, QWidget* parent = nullptr);

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
