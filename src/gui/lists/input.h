// The "Input List" window.
#pragma once

#include <QDialog>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TInputList : public QDialog {
  Q_OBJECT

 public:
  TInputList(AppState& state, Platform& platform, QWidget* parent = nullptr);

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
