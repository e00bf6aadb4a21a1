// The "Quotation Setting Window" window.
#pragma once

#include <QDialog>

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class THFsetform : public QDialog {
  Q_OBJECT

 public:
  THFsetform(AppState& state, Platform& platform, QWidget* parent = nullptr);

 private:
  AppState& state_;
  Platform& platform_;
};

}  // namespace pelarin::gui
