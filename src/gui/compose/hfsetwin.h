// The "Quotation Setting Window": the header, footer and mark of quotations.
#pragma once

#include <QDialog>

class QLineEdit;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class THFsetform : public QDialog {
  Q_OBJECT

 public:
  THFsetform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Quotation command: fills the controls from the state, shows the dialog modally.
  void execute();

  // The Font command: the six text boxes of header and footer.
  void applyFont(const QFont& font);

 private:
  AppState& state_;
  Platform& platform_;
  QLineEdit* HLeft;
  QLineEdit* Hsuf;
  QLineEdit* HRight;
  QLineEdit* FLeft;
  QLineEdit* Fsuf;
  QLineEdit* FRight;
};

}  // namespace pelarin::gui
