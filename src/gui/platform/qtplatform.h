// The platform seam on real Qt dialogs, and the help window.
#pragma once

#include <QPointer>

#include "gui/platform/platform.h"

class QFontDialog;
class QTextBrowser;

namespace pelarin::gui {

// The font dialog's preview shows Japanese as well as Latin letters: the faces are chosen for it.
void showJapaneseSample(QFontDialog& dialog);

class QtPlatform : public Platform {
 public:
  QtPlatform();
  ~QtPlatform() override;

  BoxAnswer messageBox(QWidget* parent, BoxKind kind, const QString& text, BoxButtons buttons) override;
  std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& initialDir,
                                  const QString& systemFilter) override;
  std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& initialDir) override;
  std::optional<SaveTarget> saveFile(QWidget* parent, const QString& title, const QString& initialDir,
                                     const QStringList& filters) override;
  std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
  void showHelp(QWidget* parent, const QString& helpFile) override;
  void closeHelp(const QString& helpFile) override;
  std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                 const QString& initial) override;

 private:
  QPointer<QTextBrowser> help_;
};

}  // namespace pelarin::gui
