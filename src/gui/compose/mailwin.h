// The "Mail Window" window.
#pragma once

#include <QWidget>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TMailform : public QWidget {
  Q_OBJECT

 public:
  TMailform(AppState& state, Platform& platform, QWidget* parent = nullptr);

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
