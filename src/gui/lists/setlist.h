// The "関連付け" window: the five associations of logs, lists and upload scripts.
#pragma once

#include <QDialog>
#include <array>

#include "core/app/appstate.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace pelarin::gui {

class Platform;

class TSetLog : public QDialog {
  Q_OBJECT

 public:
  TSetLog(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Relevance command: offers the list and script files, fills the rows
  // from the table and waits for OK or Cancel.
  void execute();

  // OK: writes "bbs.ini", then stores the table and closes; a file that cannot
  // be written is reported and the table and the dialog stay as they were.
  void BitBtn1Click();
  // Cancel: closes; nothing is written or stored.
  void BitBtn2Click();

 private:
  void FormCreate();
  void fill();

  AppState& state_;
  Platform& platform_;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QLineEdit* Edit1;  // "BBS File"
  QLineEdit* Edit2;  // "Target File"
  QLineEdit* Edit3;  // "Upload File Name"
  std::array<QComboBox*, kBbsEntries> List{};
  std::array<QLineEdit*, kBbsEntries> Target{};
  std::array<QComboBox*, kBbsEntries> upload{};
};

}  // namespace pelarin::gui
