// The "Other Config" window.
#pragma once

#include <QDialog>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TAlartform : public QDialog {
  Q_OBJECT

 public:
  TAlartform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Other Config command: fills the controls from the state, shows the dialog modally.
  void execute();

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
