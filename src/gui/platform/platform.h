// The seam to the desktop: message boxes, the open-file, folder and font dialogs and
// the help viewer. Windows ask through it, so tests can answer from a script.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace pelarin::gui {

enum class BoxKind { Warning, Error, Information, Confirmation };
// YesNoDefaultNo: Enter answers No, for questions whose Yes discards something.
enum class BoxButtons { Ok, YesNo, YesNoDefaultNo };
enum class BoxAnswer { Ok, Yes, No };

// "警告", "ｴﾗｰ", "情報", "確認".
QString boxTitle(BoxKind kind);

// The system's filter form "Log File|*.log|ALL Files|*.*" in Qt's form.
QString qtFilter(const QString& systemFilter);

// Where a save dialog's answer writes: the path and the filter chosen with it.
struct SaveTarget {
  QString path;
  int filter = 0;  // its index in the filters offered
};

class Platform {
 public:
  virtual ~Platform() = default;

  virtual BoxAnswer messageBox(QWidget* parent, BoxKind kind, const QString& text,
                               BoxButtons buttons = BoxButtons::Ok) = 0;

  // The chosen file's full path, or nothing when cancelled. The title names the
  // command that asks; the filter is in the system's form.
  virtual std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& initialDir,
                                          const QString& systemFilter) = 0;
  // The chosen folder's full path, or nothing when cancelled.
  virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& initialDir) = 0;

  // The save dialog: filters in Qt's form ("Text (*.txt)"); a name typed without
  // a suffix takes the chosen filter's. An existing file is replaced only after
  // the dialog asked. Nothing when cancelled.
  virtual std::optional<SaveTarget> saveFile(QWidget* parent, const QString& title, const QString& initialDir,
                                             const QStringList& filters) = 0;

  virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) = 0;

  // Shows the contents of the help file; closeHelp tells the viewer it is no longer needed.
  virtual void showHelp(QWidget* parent, const QString& helpFile) = 0;
  virtual void closeHelp(const QString& helpFile) = 0;

  // A line of text asked for (a name); nothing when cancelled.
  virtual std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                         const QString& initial) = 0;
};

}  // namespace pelarin::gui
