// The "New Message Window": a new message to a board, written to the upload script.
#pragma once

#include "gui/compose/composerwindow.h"
#include "gui/compose/editorparts.h"

class QLineEdit;
class QPushButton;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;
class TInputList;

class TNewform : public ComposerWindow {
  Q_OBJECT

 public:
  TNewform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The New Message command: brings an open window to the front, else clears
  // and shows it. Throws FileError when the signature cannot be read; the
  // window then stays closed.
  void open();

  // The window that offers the list for the right-button pick.
  void setPickList(TInputList* pickList) { pickList_ = pickList; }

  // The Font command.
  void applyFont(const QFont& font);

  QString designCaption() const override;

 protected:
  StoredGeometry stored() override;
  int derivedWidth() const override;
  void FormResize() override;
  void fillDraft(Draft& draft) const override;
  void takeDraft(const Draft& draft) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BoardnumChange();
  void MesTitleChange();
  void BoardnumMouseDown();
  void BitBtn1Click();
  void BitBtn2Click();
  // OK is enabled for a title and a board code the host takes.
  void updateOk();

  AppState& state_;
  Platform& platform_;
  TInputList* pickList_ = nullptr;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QLineEdit* Edit1;
  QLineEdit* Boardnum;
  QLineEdit* Edit2;
  QLineEdit* MesTitle;
  CounterRow counters_;
  EditorView* NewView;
};

}  // namespace pelarin::gui
