// What the response, new-message and mail windows share: a modeless window
// that takes its stored client size at creation and at every activation, is
// placed by its opening command, and records size and position at its close.
#pragma once

#include <QWidget>

#include "gui/platform/geometry.h"

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class ComposerWindow : public QWidget {
  Q_OBJECT

 public:
  // The opening command moves the window to its stored top and left.
  void placeAtStoredPosition();

  // An opening while the window is shown only raises it: true then.
  bool bringToFront();

  // Shown with something the user would lose: an editable field or the editor
  // that is not empty.
  bool holdsText() const;

  // The program ends with this window open (the user confirmed, a signal, the
  // session's end): a close from now on is not the user's close of the
  // composition, so it records nothing and emits nothing.
  virtual void programEnds();
  bool programEnding() const { return programEnding_; }

 Q_SIGNALS:
  // The opening is about to show the window: the main window's log and
  // setting commands wait until a composer closes.
  void composing();
  // Every close, by OK, Cancel or the close box.
  void composed();

 protected:
  explicit ComposerWindow(QWidget* parent);

  // The window's geometry fields in the state.
  virtual StoredGeometry stored() = 0;
  // The client width that a width field of 0 stands for.
  virtual int derivedWidth() const = 0;
  // The layout rule, run after every size change.
  virtual void FormResize() = 0;

  // Lays the controls out at their design places, then takes the stored size;
  // the derived constructor calls it once its controls exist.
  void FormCreate();
  virtual void FormActivate();
  virtual void FormClose();

  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool programEnding_ = false;
};

}  // namespace pelarin::gui
