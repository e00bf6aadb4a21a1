// The "Initial Directories" dialog: the log and text directories and the
// upload and list file names of the application state.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TInitform : public QDialog {
  Q_OBJECT

 public:
  TInitform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Directories command: fills the boxes, waits for OK or Cancel; OK copies them back.
  void execute();

  // OK: the boxes into the state, a separator after a non-empty directory, then closes.
  void BitBtn1Click();
  // Cancel: closes and changes nothing.
  void BitBtn2Click();

 private:
  void FormCreate();

  AppState& state_;
  Platform& platform_;
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QLineEdit* Edit4;
  QLineEdit* logfiledir;
  QLineEdit* textfiledir;
  QLineEdit* upfilename;
  QLineEdit* listfilename;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
};

}  // namespace pelarin::gui
