// The "Message List Window": one grid row per stored message; selecting a row
// shows that message in the main window.
#pragma once

#include <QWidget>
#include <functional>

#include "gui/shared/placement.h"

class QKeyEvent;
class QPushButton;
class QTableView;

namespace pelarin {
struct AppState;
class Progress;
}  // namespace pelarin

namespace pelarin::gui {

class MessageListModel;
class Platform;

class TListform : public QWidget {
  Q_OBJECT

 public:
  // Design geometry of the Close button; the grid fills the rest.
  static constexpr int kButtonLeft = 400;
  static constexpr int kButtonTop = 5;
  static constexpr int kButtonWidth = 75;
  static constexpr int kButtonHeight = 25;

  TListform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The List command: builds the rows from the store's index (from the
  // message files when the index does not know the store) and shows the
  // window. Throws the core's errors; the rows read before one stay.
  void BtListClick();

  // Selects message row (1-based) and runs the select event, also while the
  // window is hidden. Rows outside the store select nothing.
  void selectRow(int row);

  // While one lives, the program moves the selection itself, to what is shown
  // already: the grid's own event is not passed on (selectRow runs the select
  // event once the row is moved), and the handler of rowSelected, asking
  // quietSelection(), leaves what is shown as it is.
  class QuietSelection {
   public:
    explicit QuietSelection(TListform& list) : list_(list) { ++list_.quiet_; }
    ~QuietSelection() { --list_.quiet_; }
    QuietSelection(const QuietSelection&) = delete;
    QuietSelection& operator=(const QuietSelection&) = delete;

   private:
    TListform& list_;
  };
  bool quietSelection() const { return quiet_ > 0; }

  // Where reading the rows runs; without one, here. A cancel keeps the rows read.
  using WorkRunner = std::function<void(const std::function<void(Progress&)>&)>;
  void setWorkRunner(WorkRunner runner) { runWork_ = std::move(runner); }

  // The Font command: the grid's font, and rows twice its point size high.
  void applyFont(const QFont& font);

 Q_SIGNALS:
  // The select event: the main window shows message row. Its handler must not
  // call selectRow.
  void rowSelected(int row);
  void listActivated();
  void listClosed();

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Enter shows the current row and closes; Esc closes.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  StoredGeometry stored();
  int derivedWidth() const;
  void setColumnWidths();
  void fillRows();

  void FormActivate();
  void FormResize();
  void FormClose();
  void MesListSelectCell(int row);
  void MesListDblClick();
  void BitBtn1Click();
  void MesListKeyEnter();
  bool gridKey(const QKeyEvent* key);

  AppState& state_;
  Platform& platform_;
  QPushButton* BitBtn1;
  QTableView* MesList;
  MessageListModel* model_;
  int quiet_ = 0;  // QuietSelection guards alive
  WorkRunner runWork_;
};

}  // namespace pelarin::gui
