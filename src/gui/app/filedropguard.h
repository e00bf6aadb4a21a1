// Files dragged from another program land only where they load a log: the
// main window, or a window that takes them whole (acceptDrops on the window
// itself, none on its fields). Anywhere else (a composer's editor would take
// the URL as text and answer Move, after which a file manager deletes the
// file) they are refused.
#pragma once

#include <QObject>

class QWidget;

namespace pelarin::gui {

class FileDropGuard : public QObject {
 public:
  // Watches every widget of the program; drops on `allowed`'s window pass,
  // and on any window that accepts drops itself.
  explicit FileDropGuard(QWidget* allowed);
  ~FileDropGuard() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* allowed_;
};

}  // namespace pelarin::gui
