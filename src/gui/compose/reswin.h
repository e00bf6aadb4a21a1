// The "Responce Window": a response to the shown message, written to the upload script.
#pragma once

#include "core/text/bytes.h"
#include "gui/compose/composerwindow.h"
#include "gui/compose/editorparts.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TResform : public ComposerWindow {
  Q_OBJECT

 public:
  TResform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The Response command for the message shown in the main window, whose
  // viewer's selection chooses the lines quoted. An open window is only
  // brought to the front. Throws what reading the message throws; the window
  // then stays hidden.
  void open(const QPlainTextEdit& docview);

  // The Font command.
  void applyFont(const QFont& font);

  QString designCaption() const override;

 protected:
  StoredGeometry stored() override;
  int derivedWidth() const override;
  void FormResize() override;
  void fillDraft(Draft& draft) const override;
  void takeDraft(const Draft& draft) override;

 private:
  void BitBtn1Click();
  void BitBtn2Click();
  void MesTitleChange();

  AppState& state_;
  Platform& platform_;
  // The answered message's board code and number as the record writes them.
  Bytes board_;
  Bytes number_;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QLineEdit* Edit4;
  QLineEdit* ResTitle;
  QLineEdit* MesTitle;
  QLineEdit* Boardnum;
  QLineEdit* Mesnum;
  CounterRow counters_;
  EditorView* Resview;
};

}  // namespace pelarin::gui
