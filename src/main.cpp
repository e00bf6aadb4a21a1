// Pelarin: the desktop program.
#include <QApplication>

#include "gui/app/application.h"
#include "gui/app/viewmain.h"
#include "gui/platform/fonts.h"
#include "gui/platform/qtplatform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pelarin"));
  QApplication::setApplicationVersion(QStringLiteral(PELARIN_VERSION));
  pelarin::gui::installFontSubstitutions();

  pelarin::gui::QtPlatform platform;
  pelarin::gui::Application windows(platform);
  if (windows.main().refused()) return 1;
  // Closing the main window ends the program, whatever other window is still open.
  QObject::connect(&windows.main(), &pelarin::gui::TLogview::closed, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  windows.main().show();
  return QApplication::exec();
}
