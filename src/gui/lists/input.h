// The "Input List" window: offers the lines of a board or name list for picking one.
#pragma once

#include <QDialog>
#include <filesystem>
#include <optional>

#include "core/text/bytes.h"
#include "gui/shared/placement.h"

class QListWidget;
class QPushButton;

namespace pelarin {
struct AppState;
}

namespace pelarin::gui {

class Platform;

class TInputList : public QDialog {
  Q_OBJECT

 public:
  TInputList(AppState& state, Platform& platform, QWidget* parent = nullptr);

  // Offers the entries of a list file modally, the caption its first line +
  // suffix (" Board List", " ID List"). The confirmed entry, or nothing when
  // the file does not exist or the window closed without OK on an entry.
  // Throws FileError when the file cannot be read.
  std::optional<Bytes> offer(const std::filesystem::path& file, const QString& suffix);

  // The text the last OK confirmed; empty before.
  const Bytes& PickedText() const { return pickedText_; }

  // Each offer of a list moves the window to its stored top and left.
  void placeAtStoredPosition();

  // The Font command.
  void applyFont(const QFont& font);

  // Every close (OK, Cancel, the close box) ends here.
  void done(int result) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  StoredGeometry stored();
  void FormResize();
  void FormClose();
  void SelectListBoxClick();
  void BitBtn1Click();
  void BitBtn2Click();

  AppState& state_;
  Platform& platform_;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QListWidget* SelectListBox;
  Bytes pickedText_;
};

}  // namespace pelarin::gui
