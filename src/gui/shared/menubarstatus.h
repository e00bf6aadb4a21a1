// A line of status at the menu bar's right end that takes only the room the
// menus leave, shortened in the middle, so no menu is pushed out of sight.
#pragma once

#include <QLabel>

namespace pelarin::gui {

class MenuBarStatus : public QLabel {
 public:
  explicit MenuBarStatus(QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;  // a shortened text shows whole as a tooltip

 private:
  int room() const;  // what the menu bar's menus leave free
};

}  // namespace pelarin::gui
