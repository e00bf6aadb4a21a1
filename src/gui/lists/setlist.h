// The "関連付け" window.
#pragma once

#include <QDialog>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TSetLog : public QDialog {
  Q_OBJECT

 public:
  TSetLog(AppState& state, Platform& platform, QWidget* parent = nullptr);

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
