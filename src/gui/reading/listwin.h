// The "Message List Window" window.
#pragma once

#include <QWidget>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TListform : public QWidget {
  Q_OBJECT

 public:
  TListform(AppState& state, Platform& platform, QWidget* parent = nullptr);

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
