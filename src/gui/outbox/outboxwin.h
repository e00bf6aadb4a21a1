// The "Upload Script" window: the records of the script in use before the
// terminal sends them, with their problems; a record can be deleted, moved,
// or edited again in the composer of its kind, which then replaces it.
#pragma once

#include <QWidget>

#include "core/compose/outbox.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class ComposerWindow;
class Platform;

class TOutboxform : public QWidget {
  Q_OBJECT

 public:
  TOutboxform(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // The composers its Edit opens, by kind; their closes read the script again.
  void setComposers(ComposerWindow* res, ComposerWindow* newMessage, ComposerWindow* mail);

  // The Upload Script command: reads TextFileDir + UploadFile and shows it.
  void open();
  // Reads the script again, keeping the selected row where it can.
  void reload();

  const ScriptContent& content() const { return content_; }

 protected:
  // Activated again: a script another program changed meanwhile is read anew.
  bool event(QEvent* event) override;

 private:
  void showContent();
  void selectRow(int row);
  void RecordListSelect();
  void BtEditClick();
  void BtDeleteClick();
  void BtUpClick();
  void BtDownClick();
  void move(int by);
  // The script as shown is still what the file holds; else it is read again
  // and the change is not made, so nothing written elsewhere is lost.
  bool unchangedSinceRead();
  // Reads the script again and says why.
  void readAgain();
  // Writes the script when it is still what was read; else reads it again.
  void write(int selectRow);
  ComposerWindow* composerFor(BlockKind kind) const;
  int selectedRow() const;
  // TextFileDir + UploadFile; before anything has named one (a first start
  // without settings), the script the composers' opening would choose.
  std::filesystem::path scriptPath() const;
  Bytes scriptName() const;

  AppState& state_;
  Platform& platform_;
  ComposerWindow* res_ = nullptr;
  ComposerWindow* new_ = nullptr;
  ComposerWindow* mail_ = nullptr;
  ScriptContent content_;
  Bytes read_;  // the bytes the shown content came from
  QTableWidget* RecordList;
  QPlainTextEdit* RecordView;
  QLabel* ProblemLabel;
  QListWidget* ProblemList;
  QPushButton* BtEdit;
  QPushButton* BtDelete;
  QPushButton* BtUp;
  QPushButton* BtDown;
  QPushButton* BtClose;
};

}  // namespace pelarin::gui
