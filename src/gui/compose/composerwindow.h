// What the response, new-message and mail windows share: a modeless window
// that takes its stored client size at creation and at every activation, is
// placed by its opening command, and records size and position at its close;
// and the draft that keeps its composition in the work directory while it is open.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "core/compose/draft.h"
#include "core/compose/uploadrecords.h"
#include "gui/shared/placement.h"

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class ComposerWindow : public QWidget {
  Q_OBJECT

 public:
  // The draft is saved this long after the first change it does not hold yet,
  // however long the typing goes on: a kill loses less than two seconds.
  static constexpr int kDraftDelay = 1500;

  // The opening command moves the window to its stored top and left.
  void placeAtStoredPosition();

  // An opening while the window is shown only raises it: true then.
  bool bringToFront();

  // The program ends (the main window has closed): what the draft does not
  // hold yet is saved now, and every later close keeps the draft for the next
  // start. Only the user's close (OK, Cancel, the close box) removes it.
  void endOfProgram();
  bool programEnding() const { return ending_; }

  // Reopens the window from a draft the start found: its fields, its text and
  // the upload script it was written for (TextFileDir and UploadFile).
  void restoreDraft(const Draft& draft);

  // The Upload Script window's Edit: opens the window filled with the record's
  // fields (TextFileDir and UploadFile naming the script), and its OK replaces
  // that record, `original` at `index` from 0, instead of adding one.
  void editRecord(const Draft& fields, size_t index, const Bytes& original);
  bool replacing() const { return !replaces_.empty(); }

  // The window's name as designed, "Responce Window" and so on.
  virtual QString designCaption() const = 0;
  DraftKind draftKind() const { return kind_; }

  // The save the timer waits for, at once; for tests and the program's end.
  void saveDraftNow();
  const QTimer& draftTimer() const { return draftTimer_; }
  // Shown with something the user would lose: an editable field or the editor
  // that is not empty.
  bool holdsText() const;

  // The program ends with this window open (the user confirmed, a signal, the
  // session's end): a close from now on is not the user's close of the
  // composition, so it records nothing and emits nothing.
  virtual void programEnds();

 Q_SIGNALS:
  // The opening is about to show the window: the main window's log and
  // setting commands wait until a composer closes.
  void composing();
  // Every close, by OK, Cancel or the close box.
  void composed();

 protected:
  ComposerWindow(AppState& state, Platform& platform, DraftKind kind, QWidget* parent);

  // The window's geometry fields in the state.
  virtual StoredGeometry stored() = 0;
  // The client width that a width field of 0 stands for.
  virtual int derivedWidth() const = 0;
  // The layout rule, run after every size change.
  virtual void FormResize() = 0;
  // Every field of the draft kind, from the controls, and back.
  virtual void fillDraft(Draft& draft) const = 0;
  virtual void takeDraft(const Draft& draft) = 0;

  // Lays the controls out at their design places, then takes the stored size;
  // the derived constructor calls it once its controls exist.
  void FormCreate();
  virtual void FormActivate();
  virtual void FormClose();

  // The opening every composer shares: a shown window only comes to the front;
  // else `fill` reads what the window needs and fills its fields (false keeps
  // it closed; a throw leaves it closed too), and the window is placed, its
  // upload script chosen and named in the caption, and shown. True when shown now.
  bool openComposition(const std::function<bool()>& fill);
  // OK's record, into the script the window was opened for.
  void writeRecord(const Lines& record);

  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void changed();
  void removeDraft();
  // The caption names the upload script OK writes, and the draft is kept from here on.
  void startComposing();

  AppState& draftState_;
  Platform& draftPlatform_;
  DraftKind kind_;
  QTimer draftTimer_;
  bool composing_ = false;
  bool ending_ = false;
  bool saveFailureShown_ = false;
  Bytes scriptFile_;
  Bytes replaces_;  // the record an edit replaces, as it was read
  size_t replacesAt_ = 0;
};

}  // namespace pelarin::gui
