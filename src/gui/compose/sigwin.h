// The "Signature Edit" window.
#pragma once

#include <QDialog>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TSigform : public QDialog {
  Q_OBJECT

 public:
  TSigform(AppState& state, Platform& platform, QWidget* parent = nullptr);

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
