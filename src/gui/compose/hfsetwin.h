// The "Quotation Setting Window": the header, footer and mark of quotations.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;
class RadioGroup;

class THFsetform : public QDialog {
  Q_OBJECT

 public:
  THFsetform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Quotation command: fills the controls from the state, shows the dialog modally.
  void execute();

  // The Font command: the six text boxes of header and footer.
  void applyFont(const QFont& font);

  // OK: the ten controls into the state, then closes.
  void BitBtn1Click();
  // RESET: the initial settings into the controls only.
  void BtResetClick();
  // Cancel: closes and changes nothing.
  void BitBtn2Click();

 private:
  void FormCreate();

  AppState& state_;
  Platform& platform_;
  QLineEdit* Edit1;  // "Hedder"
  QLineEdit* Edit2;  // "Left"
  QLineEdit* HLeft;
  RadioGroup* HedRadio;
  QLineEdit* Edit3;  // "Suffics"
  QLineEdit* Hsuf;
  QLineEdit* Edit4;  // "Right"
  QLineEdit* HRight;
  QLineEdit* Edit5;  // "Footer"
  QLineEdit* Edit6;  // "Left"
  QLineEdit* FLeft;
  RadioGroup* FootRadio;
  QLineEdit* Edit7;  // "Suffics"
  QLineEdit* Fsuf;
  QLineEdit* Edit8;  // "Right"
  QLineEdit* FRight;
  RadioGroup* Qradio;
  QLineEdit* Edit9;  // "Mark"
  QLineEdit* Qmark;
  QPushButton* BitBtn1;
  QPushButton* BtReset;
  QPushButton* BitBtn2;
};

}  // namespace pelarin::gui
