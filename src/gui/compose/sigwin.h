// The "Signature Edit" window: edits the signature file.
#pragma once

#include <QDialog>
#include <filesystem>

#include "gui/compose/editorparts.h"

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

  // The Signature command: the font, counters at "0", the file's lines (the
  // file made empty when missing), then the window modally. A file that cannot
  // be made or read is reported and the window is not shown.
  void execute();

  // The Font command.
  void applyFont(const QFont& font);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormResize();
  // OK: the editor's lines replace the file, then closes; a failure keeps the window and its text.
  void BitBtn1Click();
  // Cancel: closes; the file is not touched.
  void BitBtn2Click();
  std::filesystem::path signatureFile() const;

  AppState& state_;
  Platform& platform_;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  CounterRow counters_;
  EditorView* SigView;
};

}  // namespace pelarin::gui
