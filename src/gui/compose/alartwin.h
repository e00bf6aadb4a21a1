// The "Other Config" window: the counters' alarm and caution thresholds and
// whether loaded messages are sorted.
#pragma once

#include <QDialog>
#include <set>

class QLineEdit;
class QPushButton;
class QScrollBar;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;
class RadioGroup;

class TAlartform : public QDialog {
  Q_OBJECT

 public:
  TAlartform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Other Config command: fills the controls from the state, shows the dialog modally.
  void execute();

  // OK: the alarm counts, the two percentages and the sort option into the state, then closes.
  void BitBtn1Click();
  // Cancel: closes and changes nothing.
  void BitBtn2Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  // The couplings of a typed count once it is complete; false when one raised an error.
  bool complete(QLineEdit* count);
  bool MaxLetterChange();
  bool MaxLinesChange();
  bool CautionLetterChange();
  bool CautionlinesChange();
  void letterscrChange(int position);
  void LinescrChange(int position);

  AppState& state_;
  Platform& platform_;
  // While the opening fills the controls they show the state as it is: no coupling runs.
  bool filling_ = false;
  // The counts typed into since they were last complete.
  std::set<const QLineEdit*> typed_;
  QLineEdit* Edit1;
  QLineEdit* MaxLetter;
  QLineEdit* Edit2;
  QLineEdit* CautionLetter;
  QLineEdit* Edit3;
  QScrollBar* letterscr;
  QLineEdit* Edit4;
  QLineEdit* MaxLines;
  QLineEdit* Edit5;
  QLineEdit* Cautionlines;
  QLineEdit* Edit6;
  QScrollBar* Linescr;
  RadioGroup* IsSort;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
};

}  // namespace pelarin::gui
