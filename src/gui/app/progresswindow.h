// The small window that long store work shows: what is read, how far, and a
// Cancel button. It is not modal, so the other windows keep repainting.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QPushButton;

namespace pelarin {
class Progress;
}

namespace pelarin::gui {

// What the window names for one piece of work.
struct WorkShown {
  QString caption;    // "読み込み中", "一覧の作成中", ...
  QString fileName;   // the log's name without its directory; empty for none
  uint64_t size = 0;  // the log's size in bytes
  QString counted;    // what the count counts: "メッセージ", "項目"
};

class ProgressWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* parent);

  // Shows the window for new work, Cancel enabled.
  void start(const WorkShown& shown);
  // The figures of the running work; a sort after a cancel enables Cancel again.
  void update(const Progress& progress);

  // Esc and the close box cancel as the button does; the window stays until the work ends.
  void reject() override;

 Q_SIGNALS:
  void cancelRequested();

 private:
  void cancelClicked();

  WorkShown shown_;
  QLabel* FileLabel;
  QLabel* BytesLabel;
  QLabel* CountLabel;
  QPushButton* BtCancel;
};

}  // namespace pelarin::gui
