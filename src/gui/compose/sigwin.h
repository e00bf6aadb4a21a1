// The "Signature Edit" window: edits the signature file.
#pragma once

#include <QDialog>

#include "gui/compose/editorparts.h"

class QPlainTextEdit;
class QPushButton;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TSigform : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDesignHeight = 300;

  TSigform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Signature command: fills the controls from the state, shows the dialog modally.
  void execute();

  // The Font command.
  void applyFont(const QFont& font);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormResize();
  void BitBtn2Click();

  AppState& state_;
  Platform& platform_;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  CounterRow counters_;
  QPlainTextEdit* SigView;
};

}  // namespace pelarin::gui
